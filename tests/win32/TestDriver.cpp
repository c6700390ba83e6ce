// Drives the real program under Wine for the GUI tests: linked into a test
// build only, it starts itself from a static constructor, so the program's
// own code is the shipped code. It reads a script (PDS_SCRIPT), performs
// each step on the UI thread through a message hook, clicks with real mouse
// messages at the control's place, and hands screenshots to the harness
// through a status file (PDS_STATUS): "SHOT name" lines, answered by the
// harness with a file "name.done" beside it.
#include <windows.h>

#include "ui/Controls.h"
#include "ui/Utf.h"
#include "ui/Window.h"
#include "ui/WindowHost.h"
#include "wizard/AppState.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr UINT kDriverMessage = WM_APP + 0x321;
constexpr DWORD kStepTimeoutMs = 30000;

long long UnixMilliseconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<long long>((ticks - 116444736000000000ULL) / 10000);
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

class Driver {
public:
    void Run() {
        const std::string scriptPath = Env("PDS_SCRIPT");
        statusPath_ = Env("PDS_STATUS");
        if (scriptPath.empty() || statusPath_.empty()) return;
        std::ifstream script(scriptPath);
        std::string line;
        while (std::getline(script, line)) {
            if (line.empty() || line[0] == '#') continue;
            if (!Step(line)) {
                Status("FAIL " + line);
                return;
            }
        }
        Status("DONE");
    }

    // On the UI thread, from the message hook.
    void Perform() {
        result_ = PerformOnUiThread(pending_);
        SetEvent(done_);
    }

private:
    bool Step(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        if (verb == "wait") {
            int ms = 0;
            in >> ms;
            Sleep(static_cast<DWORD>(ms));
            return true;
        }
        if (verb == "waitwindow") {
            std::string className;
            in >> className;
            return WaitFor([&] { return FindWindowW(Wide(className).c_str(), nullptr) != nullptr; });
        }
        if (verb == "shown") {
            // Start-up benchmark: the moment the main window is visible, as
            // Unix milliseconds, found by polling every millisecond.
            HWND main = nullptr;
            for (DWORD waited = 0; waited < kStepTimeoutMs; ++waited) {
                main = FindWindowW(L"MainWnd", nullptr);
                if (main && IsWindowVisible(main)) break;
                Sleep(1);
            }
            Status("SHOWN " + std::to_string(UnixMilliseconds()));
            return main != nullptr;
        }
        if (verb == "waitgone") {
            std::string className;
            in >> className;
            return WaitFor([&] { return FindWindowW(Wide(className).c_str(), nullptr) == nullptr; });
        }
        if (verb == "shot") {
            std::string name;
            in >> name;
            Sleep(300);  // let the last paint reach the screen
            Status("SHOT " + name);
            const std::string done = statusPath_ + "." + name + ".done";
            return WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
        }
        if (verb == "waitpage") {
            // A page that a worker brings up.
            std::string className, name;
            int index = 0;
            in >> className >> name >> index;
            return WaitFor([&] { return OnUiThread("expectpage " + className + " " + name + " " + std::to_string(index)); });
        }
        if (verb == "waitshown") {
            // A control that a worker brings back (the finish row, say).
            std::string className, name;
            in >> className >> name;
            return WaitFor([&] { return OnUiThread("expectshown " + className + " " + name); });
        }
        if (verb == "dismissbox") {
            // Whatever message box is up, in any language.
            HWND box = nullptr;
            if (!WaitFor([&] { return (box = FindWindowW(L"#32770", nullptr)) != nullptr; })) return false;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return WaitFor([&] { return FindWindowW(L"#32770", nullptr) == nullptr; });
        }
        if (verb == "dismiss" || verb == "boxtext" || verb == "waitbox") {
            // A message box: its caption is the rest of the line (none: any box).
            std::string caption;
            std::getline(in >> std::ws, caption);
            const std::wstring wanted = Wide(caption);
            HWND box = nullptr;
            if (!WaitFor([&] {
                    return (box = FindWindowW(L"#32770", wanted.empty() ? nullptr : wanted.c_str())) != nullptr;
                }))
                return false;
            if (verb == "boxtext") {
                // The box's text is its static control, id 0xFFFF.
                wchar_t text[512] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 512);
                Status("BOXTEXT " + ui::WideToUtf8(text));
            } else if (verb == "dismiss") {
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            return true;
        }
        return OnUiThread(line);
    }

    template <class Condition>
    bool WaitFor(Condition condition) {
        for (DWORD waited = 0; waited < kStepTimeoutMs; waited += 50) {
            if (condition()) return true;
            Sleep(50);
        }
        return false;
    }

    bool OnUiThread(const std::string& line) {
        HWND main = FindWindowW(L"MainWnd", nullptr);
        if (main == nullptr) return false;
        if (hook_ == nullptr) {
            const DWORD uiThread = GetWindowThreadProcessId(main, nullptr);
            hook_ = SetWindowsHookExW(WH_GETMESSAGE, HookProc, nullptr, uiThread);
            done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        }
        pending_ = line;
        PostMessageW(main, kDriverMessage, 0, 0);
        if (WaitForSingleObject(done_, kStepTimeoutMs) != WAIT_OBJECT_0) return false;
        Sleep(150);  // the posted clicks are handled after the step
        return result_;
    }

    bool PerformOnUiThread(const std::string& line) {
        std::istringstream in(line);
        std::string verb, className, name;
        in >> verb;
        if (verb == "log") {
            int error = 0;
            std::string text;
            in >> error;
            std::getline(in >> std::ws, text);
            wizard::AppState::Instance().PostInstallLog(Wide(text), error != 0, false);
            return true;
        }
        if (verb == "fill") {
            // Devices this machine does not have, so their pages can be seen
            // with rows in them.
            std::string window, what;
            in >> window >> what;
            wizard::AppState& state = wizard::AppState::Instance();
            if (what == "usb") {
                state.UsbPrinters() = {{L"VID_0FE6 PID_811E", L"USB001", L"\\\\?\\usb#1"},
                                       {L"VID_28E9 PID_0289", L"USB002", L"\\\\?\\usb#2"}};
                state.Request().usbDevice = -1;
                return state.ShowUsbList();
            }
            if (what == "bluetooth") {
                bluetooth::BluetoothDeviceInfo printer;
                printer.name = L"A4 Printer BT";
                printer.address = 0x001B35E40D7A;
                printer.authenticated = true;
                bluetooth::BluetoothDeviceInfo other = printer;
                other.name = L"A4-300 Office";
                other.address = 0x001B35E40D7B;
                other.authenticated = false;
                state.BluetoothDevices() = {printer, other};
                return state.ShowBluetoothList();
            }
            return false;
        }
        if (verb == "title") {
            std::string code;
            in >> code;
            Status("TITLE " + code + " " + ui::WideToUtf8(TargetWindow("MainWnd")->Caption()));
            return true;
        }
        if (verb == "type") {
            // Characters to whatever has the keyboard, as typing sends them.
            std::string text;
            std::getline(in >> std::ws, text);
            for (wchar_t c : Wide(text)) PostMessageW(GetFocus(), WM_CHAR, c, 1);
            return GetFocus() != nullptr;
        }
        in >> className;
        ui::Window* window = TargetWindow(className);
        if (window == nullptr) return false;
        if (verb == "key") {
            std::string key;
            in >> key;
            const WPARAM vk = key == "tab"     ? VK_TAB
                              : key == "space" ? VK_SPACE
                              : key == "enter" ? VK_RETURN
                              : key == "end"   ? VK_END
                                               : 0;
            if (vk == 0) return false;
            HWND target = GetFocus() ? GetFocus() : static_cast<HWND>(window->Handle());
            PostMessageW(target, WM_KEYDOWN, vk, 1);
            PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
            return true;
        }
        in >> name;
        if (verb == "expectfocus") {
            const ui::Control* focused = window->Host()->FocusedControl();
            Status("FOCUS " + (focused ? ui::WideToUtf8(focused->Name()) : std::string("(none)")));
            return focused != nullptr && focused->Name() == Wide(name);
        }
        ui::Control* control = window->FindControl(Wide(name));
        if (control == nullptr) return false;
        if (verb == "expecttext") {
            std::string text;
            std::getline(in >> std::ws, text);
            Status("TEXT " + ui::WideToUtf8(control->Text()));
            return control->Text() == Wide(text);
        }
        if (verb == "expectshown") return control->IsShown();
        if (verb == "expectpage") {
            int index = 0;
            in >> index;
            auto* tab = dynamic_cast<ui::TabLayout*>(control);
            return tab && tab->CurrentSel() == index;
        }
        if (verb == "expectselected") {
            int selected = 0;
            in >> selected;
            auto* option = dynamic_cast<ui::Option*>(control);
            return option && option->IsSelected() == (selected != 0);
        }
        if (verb == "page") {
            int index = 0;
            in >> index;
            auto* tab = dynamic_cast<ui::TabLayout*>(control);
            return tab && tab->SelectItem(index);
        }
        if (verb == "clickitem") {
            std::size_t index = 0;
            in >> index;
            auto* container = control->AsContainer();
            control = container ? container->ItemAt(index) : nullptr;
            if (control == nullptr) return false;
        } else if (verb != "click") {
            return false;
        }
        if (!control->IsShown()) return false;
        window->UpdateLayout();
        const ui::Rect& r = control->Pos();
        const double scale = window->Dpi() / 96.0;
        const LPARAM at = MAKELPARAM(static_cast<int>((r.left + r.right) / 2 * scale),
                                     static_cast<int>((r.top + r.bottom) / 2 * scale));
        HWND hwnd = static_cast<HWND>(window->Handle());
        // A native edit covers its control: the click lands on it, as the
        // mouse would.
        POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        HWND target = ChildWindowFromPointEx(hwnd, point, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
        if (target == nullptr) target = hwnd;
        MapWindowPoints(hwnd, target, &point, 1);
        const LPARAM local = MAKELPARAM(point.x, point.y);
        PostMessageW(target, WM_MOUSEMOVE, 0, local);
        PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, local);
        PostMessageW(target, WM_LBUTTONUP, 0, local);
        return true;
    }

    static ui::Window* TargetWindow(const std::string& className) {
        return ui::WindowFromHandle(FindWindowW(Wide(className).c_str(), nullptr));
    }

    static std::wstring Wide(const std::string& text) { return ui::Utf8ToWide(text); }

    void Status(const std::string& line) {
        std::ofstream out(statusPath_, std::ios::app | std::ios::binary);
        out << line << "\n";
    }

    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);

    std::string statusPath_;
    HHOOK hook_ = nullptr;
    HANDLE done_ = nullptr;
    std::string pending_;
    bool result_ = false;
};

Driver& TheDriver() {
    static Driver driver;
    return driver;
}

LRESULT CALLBACK Driver::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == kDriverMessage) {
        message->message = WM_NULL;
        TheDriver().Perform();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Starts with the process; the thread waits for the main window itself.
const bool started = [] {
    std::thread([] { TheDriver().Run(); }).detach();
    return true;
}();

}  // namespace
