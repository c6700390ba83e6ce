#include "ui/win32/ModuleResource.h"

#include "ui/ResourcePackage.h"

#include <vector>

namespace ui {

std::wstring ModuleFolder(HMODULE module) {
    // Paths may exceed MAX_PATH; grow until the name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    while (true) {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            const std::size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
        }
        if (buffer.size() >= 32768) return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

ModuleResourceResult OpenPackageFromModule(HMODULE module, const wchar_t* type, int id,
                                           const std::string& password, ResourcePackage& package) {
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (info == nullptr) return ModuleResourceResult::NotFound;
    HGLOBAL handle = LoadResource(module, info);
    if (handle == nullptr) return ModuleResourceResult::NotLoaded;
    ModuleResourceResult result = ModuleResourceResult::Empty;
    const DWORD size = SizeofResource(module, info);
    if (size != 0) {
        const void* bytes = LockResource(handle);
        result = (bytes != nullptr && package.Open(bytes, size, password) == ZipError::None)
                     ? ModuleResourceResult::Opened
                     : ModuleResourceResult::NotOpened;
    }
    // A no-op since 32-bit Windows, kept because the resource API pairs it.
    FreeResource(handle);
    return result;
}

}  // namespace ui
