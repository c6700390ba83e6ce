// Linked into the Windows test programs that make windows without the
// program's own entry point: Win32 windows are the window system from the
// start.
#include "ui/win32/WindowSystem.h"

namespace {
const bool installed = [] {
    ui::win32::Install();
    return true;
}();
}  // namespace
