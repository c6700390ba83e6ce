// Loading a DLL of the system by name, from System32 only.
//
// The program runs as administrator, often from a Downloads folder; a bare
// name would be looked for in the program's own folder first, where anybody
// may have put a DLL of that name.
#pragma once

#include <windows.h>

#include <string>

namespace ui::win32 {

inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE library = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return library;
    // Windows without the search flags (Vista and 7 before KB2533623)
    // refuses them as a parameter error; the full path is the same place.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
}

}  // namespace ui::win32
