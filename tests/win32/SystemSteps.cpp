// The test driver's steps that ask Windows itself about the program: another
// process's messages, every route to a maximised window, the accessibility
// object, the radio and the DLLs loaded. They run on the UI thread.
#include "SystemSteps.h"

#include <windows.h>
#include <oleacc.h>

#include "base/Strings.h"
#include "bluetooth/Bluetooth.h"
#include "ui/Utf.h"

#include <cstdio>

namespace testdriver {

namespace {

constexpr DWORD kWaitMs = 30000;

}  // namespace

bool IsSystemVerb(const std::string& verb) {
    return verb == "sendfromprocess" || verb == "trymaximise" || verb == "radio" || verb == "accessible" ||
           verb == "expectsystemmodules";
}

bool SystemStep(const std::string& verb, std::istringstream& in, const StatusFn& status) {
    std::string className;
    if (verb == "sendfromprocess") {
        // sendfromprocess <class> <message>: send_message.exe, beside
        // this program, sends it; the window answers meanwhile.
        std::string message;
        in >> className >> message;
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring command = path;
        command = L"\"" + command.substr(0, command.rfind(L'\\') + 1) + L"send_message.exe\" " + ui::Utf8ToWide(className) + L" " +
                  ui::Utf8ToWide(message);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return false;
        while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, kWaitMs, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG pending;
            while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&pending);
                DispatchMessageW(&pending);
            }
        }
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        status("SENT " + message + " to " + className + ", exit " + std::to_string(code));
        return code == 0;
    }
    if (verb == "trymaximise") {
        // trymaximise <class>: every route to a maximised window (a
        // caption double-click, the system menu, Win+Up, ShowWindow)
        // leaves the window where and as large as it was. Runs on the
        // UI thread, so it lets the window handle what follows each.
        in >> className;
        HWND window = FindWindowW(ui::Utf8ToWide(className).c_str(), nullptr);
        if (window == nullptr) return false;
        const auto pump = [](DWORD milliseconds) {
            for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(10)) {
                MSG message;
                while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
        };
        RECT before{}, after{};
        GetWindowRect(window, &before);
        SendMessageW(window, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(before.left + 20, before.top + 10));
        SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        SetForegroundWindow(window);
        INPUT keys[4] = {};
        const WORD codes[4] = {VK_LWIN, VK_UP, VK_UP, VK_LWIN};
        for (int i = 0; i < 4; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = codes[i];
            keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
        }
        SendInput(4, keys, sizeof(INPUT));
        pump(200);
        ShowWindow(window, SW_MAXIMIZE);
        pump(300);
        GetWindowRect(window, &after);
        const bool zoomed = IsZoomed(window) != FALSE;
        const auto text = [](const RECT& r) {
            return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
                   std::to_string(r.bottom - r.top);
        };
        status("MAXIMISE " + className + ": " + text(before) + " -> " + text(after) + (zoomed ? ", MAXIMISED" : ""));
        return !zoomed && EqualRect(&before, &after);
    }
    if (verb == "radio") {
        // The program's own look for a Bluetooth radio, which loads
        // bthprops.cpl even where no adapter is present.
        status(std::string("RADIO ") + (bluetooth::HasBluetoothRadio() ? "found" : "none"));
        return true;
    }
    if (verb == "accessible") {
        // A screen reader's first question to the main window.
        const HWND hwnd = FindWindowW(L"MainWnd", nullptr);
        IAccessible* object = nullptr;
        const HRESULT result = AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                          reinterpret_cast<void**>(&object));
        if (SUCCEEDED(result) && object != nullptr) object->Release();
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(result));
        status(std::string("ACCESSIBLE ") + (object ? "answered" : "no answer, ") + (object ? "" : code));
        return object != nullptr;
    }
    if (verb == "expectsystemmodules") {
        // expectsystemmodules <file>...: each is loaded, from System32.
        wchar_t system[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring folder = base::Lower(std::wstring(system, length)) + L"\\";
        bool all = length > 0;
        for (std::string file; in >> file;) {
            const HMODULE module = GetModuleHandleW(ui::Utf8ToWide(file).c_str());
            wchar_t path[MAX_PATH] = {};
            if (module) GetModuleFileNameW(module, path, MAX_PATH);
            const bool fromSystem = module && base::Lower(path).rfind(folder, 0) == 0;
            status("MODULE " + file + " " + (module ? ui::WideToUtf8(path) : std::string("not loaded")));
            all = all && fromSystem;
        }
        return all;
    }
    return false;
}

}  // namespace testdriver
