#include "driver/win32/Engine.h"

#include <initializer_list>

namespace driver::win32 {

namespace {

FARPROC Find(const char* name) {
    for (HMODULE module : {GetModuleHandleW(L"gdi32.dll"), GetModuleHandleW(nullptr)})
        if (module != nullptr)
            if (FARPROC entry = GetProcAddress(module, name)) return entry;
    return nullptr;
}

template <typename Function>
bool Look(Function& function, const char* name) {
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(Find(name)));
    return function != nullptr;
}

}  // namespace

bool LoadEngine(Engine& engine) {
    const bool all = Look(engine.createBitmap, "EngCreateBitmap") &&
                     Look(engine.associateSurface, "EngAssociateSurface") &&
                     Look(engine.deleteSurface, "EngDeleteSurface") && Look(engine.createPalette, "EngCreatePalette") &&
                     Look(engine.deletePalette, "EngDeletePalette") && Look(engine.checkAbort, "EngCheckAbort");
    if (!all) SetLastError(ERROR_PROC_NOT_FOUND);
    return all;
}

}  // namespace driver::win32
