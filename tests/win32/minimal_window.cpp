// The yardstick of the start-up benchmark: the least a Win32 program does to
// show a window of the main window's size, built like the program. It
// appends "SHOWN <unix ms>" and the phases the program's trace also has to
// the file named by PDS_STATUS, and exits.
#include <windows.h>

#include "UnixClock.h"

#include <cstdio>
#include <cstdlib>

namespace {

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Milliseconds since the process was made, as the program's trace gives them.
double SinceCreation(long long at) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return static_cast<double>(at - UnixMicroseconds(created)) / 1000.0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const long long entry = UnixMicroseconds();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"MinimalWnd";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, L"MinimalWnd", L"minimal", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 560, 400,
                                  nullptr, nullptr, instance, nullptr);
    UpdateWindow(window);
    if (const char* status = std::getenv("PDS_STATUS")) {
        if (FILE* out = std::fopen(status, "ab")) {
            const long long shown = UnixMicroseconds();
            std::fprintf(out, "SHOWN %lld\nPHASE %.1f entry\nPHASE %.1f first paint\n", shown / 1000,
                         SinceCreation(entry), SinceCreation(shown));
            std::fclose(out);
        }
    }
    DestroyWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
