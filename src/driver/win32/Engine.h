// The graphics engine's functions the rendering DLL calls, reached through
// one table looked up at run time instead of imports: gdi32 exports them to
// user-mode printer drivers on Windows; where it does not (Wine), the
// process's own program may, which is how a test drives the DLL.
#pragma once

#include <windows.h>
#include <winddi.h>

namespace driver::win32 {

struct Engine {
    HBITMAP(APIENTRY* createBitmap)(SIZEL, LONG, ULONG, FLONG, PVOID) = nullptr;
    BOOL(APIENTRY* associateSurface)(HSURF, HDEV, FLONG) = nullptr;
    BOOL(APIENTRY* deleteSurface)(HSURF) = nullptr;
    SURFOBJ*(APIENTRY* lockSurface)(HSURF) = nullptr;
    VOID(APIENTRY* unlockSurface)(SURFOBJ*) = nullptr;
    HPALETTE(APIENTRY* createPalette)(ULONG, ULONG, ULONG*, FLONG, FLONG, FLONG) = nullptr;
    BOOL(APIENTRY* deletePalette)(HPALETTE) = nullptr;
    BOOL(APIENTRY* writePrinter)(HANDLE, LPVOID, DWORD, LPDWORD) = nullptr;
    LPWSTR(APIENTRY* dataFileName)(HDEV) = nullptr;
};

// False, with ERROR_PROC_NOT_FOUND, when any of them is missing.
bool LoadEngine(Engine& engine);

}  // namespace driver::win32
