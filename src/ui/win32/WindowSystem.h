// The Win32 window system under the toolkit.
#pragma once

namespace ui::win32 {

// Makes Win32 windows the process's window system; the program calls it
// before its first window.
void Install();

}  // namespace ui::win32
