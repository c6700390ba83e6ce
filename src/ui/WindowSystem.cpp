#include "ui/WindowHost.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace ui {

namespace {
std::atomic<WindowSystem*> installed{nullptr};
}

void InstallWindowSystem(WindowSystem& system) { installed.store(&system); }

WindowSystem* InstalledWindowSystem() { return installed.load(); }

WindowSystem& TheWindowSystem() {
    WindowSystem* system = installed.load();
    if (system == nullptr) {
        std::fputs("No window system installed before the first window\n", stderr);
        std::abort();
    }
    return *system;
}

Window* WindowFromHandle(WindowHandle handle) { return TheWindowSystem().WindowFromHandle(handle); }

int RunMessageLoop() { return TheWindowSystem().RunMessageLoop(); }

void PostQuitMessage(int exitCode) { TheWindowSystem().PostQuitMessage(exitCode); }

int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, unsigned style) {
    return TheWindowSystem().ShowMessageBox(owner, text, caption, style);
}

std::intptr_t SendMessageTo(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return TheWindowSystem().SendMessageTo(window, message, wParam, lParam);
}

}  // namespace ui
