// The graphics engine's functions the rendering DLL calls, reached through
// one table looked up at run time instead of imports. Only functions that
// gdi32 exports to user-mode printer drivers belong here; the spooler's
// work (writing the job, finding the data file) goes through winspool, as
// the user-mode driver documentation says. Where gdi32 lacks them (Wine),
// the process's own program may export them, which is how a test drives
// the DLL.
#pragma once

#include <windows.h>
#include <winddi.h>

namespace driver::win32 {

struct Engine {
    HBITMAP(APIENTRY* createBitmap)(SIZEL, LONG, ULONG, FLONG, PVOID) = nullptr;
    BOOL(APIENTRY* associateSurface)(HSURF, HDEV, FLONG) = nullptr;
    BOOL(APIENTRY* deleteSurface)(HSURF) = nullptr;
    HPALETTE(APIENTRY* createPalette)(ULONG, ULONG, ULONG*, FLONG, FLONG, FLONG) = nullptr;
    BOOL(APIENTRY* deletePalette)(HPALETTE) = nullptr;
    BOOL(APIENTRY* checkAbort)(SURFOBJ*) = nullptr;
};

// False, with ERROR_PROC_NOT_FOUND, when any of them is missing.
bool LoadEngine(Engine& engine);

}  // namespace driver::win32
