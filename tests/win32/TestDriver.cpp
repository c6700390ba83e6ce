// Drives the real program under Wine for the GUI tests: linked into a test
// build only, it starts itself from a static constructor, so the program's
// own code is the shipped code. It reads a script (PDS_SCRIPT), performs
// each step on the UI thread through a message hook, clicks with real mouse
// messages at the control's place, and hands screenshots to the harness
// through a status file (PDS_STATUS): "SHOT name" lines, answered by the
// harness with a file "name.done" beside it; "RUN name" lines the same way.
#include <windows.h>
#include <winspool.h>
#include <tlhelp32.h>

#include "SpoolerSteps.h"
#include "SystemSteps.h"
#include "UnixClock.h"
#include "base/Strings.h"
#include "common/Localisation.h"
#include "common/Messages.h"
#include "ui/Controls.h"
#include "ui/PhaseTrace.h"
#include "ui/Utf.h"
#include "ui/Window.h"
#include "ui/WindowHost.h"
#include "wizard/AppState.h"
#include "wizard/DriverPackage.h"
#include "printsys/WindowsVersion.h"
#include "ui/Toolkit.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using testdriver::IsSpoolerVerb;
using testdriver::IsSystemVerb;
using testdriver::SpoolerStep;
using testdriver::SystemStep;

// The demonstration layout of the four further controls, in a window of its
// own; it deletes itself when closed.
class DemoWindow : public ui::Window {
protected:
    std::wstring GetWindowClassName() const override { return L"DemoWnd"; }
    std::wstring GetSkinFile() const override { return L"demo.xml"; }
    void OnFinalMessage() override { delete this; }
};

constexpr UINT kDriverMessage = WM_APP + 0x321;
constexpr DWORD kStepTimeoutMs = 30000;

// The DLLs loaded in this process, by file name.
std::string LoadedModules() {
    std::string names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return names;
    MODULEENTRY32W module{};
    module.dwSize = sizeof(module);
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
        names += " " + ui::WideToUtf8(module.szModule);
    CloseHandle(snapshot);
    return names;
}

// The start-up marks the program reaches, first of each name, as Unix
// microseconds in the order reached.
struct PhaseLog {
    std::mutex mutex;
    std::vector<std::pair<std::string, long long>> marks;

    static void Record(const char* phase);
    long long When(const std::string& phase) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& [name, at] : marks)
            if (name == phase) return at;
        return 0;
    }
};

PhaseLog& Phases() {
    static PhaseLog log;
    return log;
}

void StartDriver();

// Set when the script opens with "shown": the start-up benchmark measures
// the program as shipped, so the driver's thread starts only once the first
// paint is over.
std::atomic<bool> startAfterFirstPaint{false};

void PhaseLog::Record(const char* phase) {
    const long long now = UnixMicroseconds();
    PhaseLog& log = Phases();
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        for (const auto& mark : log.marks)
            if (mark.first == phase) return;
        log.marks.emplace_back(phase, now);
    }
    if (std::strcmp(phase, "first paint") == 0 && startAfterFirstPaint.exchange(false)) StartDriver();
}

// Where the last top-level window of each class was when it was shown, and
// the area it should be centred in: its owner, or the work area. Kept by a
// hook on the UI thread from the start, before any window exists.
struct ShownPlace {
    RECT window{};
    RECT area{};
};
std::map<std::string, ShownPlace> placeWhenShown;

LRESULT CALLBACK ShowWatch(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(message->lParam)->flags & SWP_SHOWWINDOW) != 0 &&
        (GetWindowLongPtrW(message->hwnd, GWL_STYLE) & WS_CHILD) == 0) {
        wchar_t className[64] = {};
        GetClassNameW(message->hwnd, className, 64);
        ShownPlace place;
        GetWindowRect(message->hwnd, &place.window);
        HWND owner = GetWindow(message->hwnd, GW_OWNER);
        if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
            GetWindowRect(owner, &place.area);
        } else {
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &place.area, 0);
        }
        placeWhenShown[ui::WideToUtf8(className)] = place;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// "closeatlog" and "holdatlog": when the install log is sent the line that
// starts as the key's text does (up to its "%s"), the window is sent
// WM_CLOSE from inside that send, or the UI thread waits there until
// "release"; either way the worker is held at that point meanwhile.
std::wstring atLogLine;
bool closeAtLine = false;
HHOOK logLineHook = nullptr;
HANDLE heldEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE releaseEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

LRESULT CALLBACK AtLogLine(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == common::UM_INSTALL_LOG_LINE && !atLogLine.empty()) {
        const auto* record = reinterpret_cast<const common::UiTextRecord*>(message->lParam);
        if (record != nullptr && record->text.rfind(atLogLine, 0) == 0) {
            atLogLine.clear();
            if (closeAtLine) {
                SendMessageW(message->hwnd, WM_CLOSE, 0, 0);
            } else {
                SetEvent(heldEvent);
                WaitForSingleObject(releaseEvent, 60000);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// "timefinished": the moment the finish row was shown.
HHOOK finishHook = nullptr;
HANDLE finishEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
LARGE_INTEGER finishedAt{};

LRESULT CALLBACK FinishRowShown(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == common::UM_SHOW_ROW_H1 && message->wParam == 1) {
        QueryPerformanceCounter(&finishedAt);
        SetEvent(finishEvent);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// "fill": devices this machine does not have, so that their pages can be
// seen with rows in them.
bool FillWithMadeUpDevices(const std::string& what) {
    wizard::AppState& state = wizard::AppState::Instance();
    if (what == "usb") {
        state.UsbPrinters() = {{L"VID_0FE6 PID_811E", L"USB001", L"\\\\?\\usb#1"},
                               {L"VID_28E9 PID_0289", L"USB002", L"\\\\?\\usb#2"}};
        state.Request().usbDevice = -1;
        state.ShowUsbList();
        return true;
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
        state.ShowBluetoothList();
        return true;
    }
    return false;
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
        std::vector<std::string> steps;
        std::string line;
        while (std::getline(script, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::size_t start = line.find_first_not_of(" \t");
            if (start != std::string::npos && line[start] != '#') steps.push_back(line.substr(start));
        }
        for (std::size_t i = 0; i < steps.size(); ++i) {
            // The last step usually ends the program, which may take this
            // thread with it before it could report the end; a failure
            // reported after DONE still fails the run.
            if (i + 1 == steps.size() && steps[i] != "done") Status("DONE");
            if (!Step(steps[i])) {
                Status("FAIL " + steps[i]);
                return;
            }
        }
        if (steps.empty() || steps.back() == "done") Status("DONE");
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
        if (verb == "waitready") {
            // What a user could click on: shown, answering messages, and
            // with nothing left to paint.
            std::string className;
            in >> className;
            return WaitFor([&] {
                HWND window = FindWindowW(Wide(className).c_str(), nullptr);
                DWORD_PTR ignored = 0;
                return window != nullptr && IsWindowVisible(window) &&
                       SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, kStepTimeoutMs, &ignored) != 0 &&
                       !GetUpdateRect(window, nullptr, FALSE);
            });
        }
        if (verb == "waitwindow") {
            std::string className;
            in >> className;
            return WaitFor([&] { return FindWindowW(Wide(className).c_str(), nullptr) != nullptr; });
        }
        if (verb == "shown" || verb == "timeclick" || verb == "timefinished") return BenchmarkStep(verb, in);
        if (verb == "waitheld") return WaitForSingleObject(heldEvent, kStepTimeoutMs) == WAIT_OBJECT_0;
        if (verb == "release") return SetEvent(releaseEvent) != FALSE;
        if (verb == "done") {
            // The program ends by itself after the next step: the script's
            // end is reported first, and a later failure still fails it.
            Status("DONE");
            return true;
        }
        if (verb == "waitgone") {
            std::string className;
            in >> className;
            return WaitFor([&] { return FindWindowW(Wide(className).c_str(), nullptr) == nullptr; });
        }
        if (verb == "shot" || verb == "run") {
            // A request to the harness: a screenshot, or a program of its
            // own to run against this one ("RUN name"), answered with a
            // file "name.done".
            std::string name;
            in >> name;
            if (verb == "shot") Sleep(300);  // let the last paint reach the screen
            Status((verb == "shot" ? "SHOT " : "RUN ") + name);
            const std::string done = statusPath_ + "." + name + ".done";
            return WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
        }
        if (verb == "waitpage") {
            // A page that a worker brings up.
            std::string className, name;
            int index = 0;
            in >> className >> name >> index;
            return WaitFor([&] { return OnUiThread("expectpage " + className + " " + name + " " + std::to_string(index), false); });
        }
        if (verb == "waitenabled") {
            std::string className, name;
            in >> className >> name;
            return WaitFor([&] { return OnUiThread("expectenabled " + className + " " + name, false); });
        }
        if (verb == "waitshown") {
            // A control that a worker brings back (the finish row, say).
            std::string className, name;
            in >> className >> name;
            return WaitFor([&] { return OnUiThread("expectshown " + className + " " + name, false); });
        }
        if (verb == "dismissbox" || verb == "dismiss" || verb == "boxtext" || verb == "waitbox") return BoxStep(verb, in);
        return OnUiThread(line);
    }

    // The benchmarks' steps: the first paint and the start-up phases, and
    // a click timed until the finish row shows.
    bool BenchmarkStep(const std::string& verb, std::istringstream& in) {
        if (verb == "shown") {
            // Start-up benchmark: the end of the main window's first paint,
            // what the user first sees, as Unix milliseconds; then each
            // phase's end in milliseconds since the process was created.
            long long painted = 0;
            for (DWORD waited = 0; waited < kStepTimeoutMs && painted == 0; ++waited) {
                painted = Phases().When("first paint");
                if (painted == 0) Sleep(1);
            }
            if (painted == 0) return false;
            Status("SHOWN " + std::to_string(painted / 1000));
            Status("LOADED" + LoadedModules());
            FILETIME created, exited, kernel, user;
            if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return false;
            std::lock_guard<std::mutex> lock(Phases().mutex);
            for (const auto& [name, at] : Phases().marks) {
                char mark[96];
                std::snprintf(mark, sizeof mark, "PHASE %.1f %s",
                              static_cast<double>(at - UnixMicroseconds(created)) / 1000.0, name.c_str());
                Status(mark);
            }
            return true;
        }
        if (verb == "timeclick") {
            // Install benchmark: a click whose moment is remembered, and the
            // time until the main window has shown its finish row
            // (UM_SHOW_ROW_H1 on), seen by a hook on the UI thread: polling
            // from here would take the UI thread from the worker's sends.
            std::string rest;
            std::getline(in >> std::ws, rest);
            if (finishHook == nullptr) {
                const DWORD uiThread = GetWindowThreadProcessId(FindWindowW(L"MainWnd", nullptr), nullptr);
                finishHook = SetWindowsHookExW(WH_CALLWNDPROCRET, FinishRowShown, nullptr, uiThread);
            }
            ResetEvent(finishEvent);
            QueryPerformanceCounter(&clickedAt_);
            return finishHook != nullptr && OnUiThread("click " + rest, false);
        }
        if (verb == "timefinished") {
            if (WaitForSingleObject(finishEvent, kStepTimeoutMs) != WAIT_OBJECT_0) return false;
            LARGE_INTEGER frequency;
            QueryPerformanceFrequency(&frequency);
            const double ms = 1000.0 * static_cast<double>(finishedAt.QuadPart - clickedAt_.QuadPart) /
                              static_cast<double>(frequency.QuadPart);
            Status("ELAPSED " + std::to_string(ms));
            return true;
        }
        return false;
    }

    // The steps on message boxes, which run while the UI thread is inside
    // the box's own loop.
    bool BoxStep(const std::string& verb, std::istringstream& in) {
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
                // The box's text is its static control, id 0xFFFF, which
                // may not have its text yet when the box is first found.
                wchar_t text[512] = {};
                WaitFor([&] { return GetDlgItemTextW(box, 0xFFFF, text, 512) > 0; });
                Status("BOXTEXT " + ui::WideToUtf8(text));
            } else if (verb == "dismiss") {
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            return true;
        }
        return false;
    }

    template <class Condition>
    bool WaitFor(Condition condition) {
        for (DWORD waited = 0; waited < kStepTimeoutMs; waited += 50) {
            if (condition()) return true;
            Sleep(50);
        }
        return false;
    }

    bool OnUiThread(const std::string& line, bool settle = true) {
        HWND main = FindWindowW(L"MainWnd", nullptr);
        if (main == nullptr) return false;
        if (hook_ == nullptr) {
            const DWORD uiThread = GetWindowThreadProcessId(main, nullptr);
            hook_ = SetWindowsHookExW(WH_GETMESSAGE, HookProc, nullptr, uiThread);
            SetWindowsHookExW(WH_CALLWNDPROC, DestroyWatch, nullptr, uiThread);
            done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        }
        pending_ = line;
        PostMessageW(main, kDriverMessage, 0, 0);
        if (WaitForSingleObject(done_, kStepTimeoutMs) != WAIT_OBJECT_0) return false;
        if (settle) Sleep(150);  // the posted clicks are handled after the step
        return result_;
    }

    bool PerformOnUiThread(const std::string& line) {
        std::istringstream in(line);
        std::string verb, className, name;
        in >> verb;
        if (verb == "closeatlog" || verb == "holdatlog") {
            std::string key;
            in >> key;
            const std::wstring text = common::TranslateKey(ui::Utf8ToWide(key).c_str());
            atLogLine = text.substr(0, text.find(L"%s"));
            closeAtLine = verb == "closeatlog";
            if (logLineHook == nullptr)
                logLineHook = SetWindowsHookExW(WH_CALLWNDPROC, AtLogLine, nullptr, GetCurrentThreadId());
            return logLineHook != nullptr && !atLogLine.empty();
        }
        if (verb == "log") {
            int error = 0;
            std::string text;
            in >> error;
            std::getline(in >> std::ws, text);
            wizard::AppState::Instance().PostInstallLog(
                Wide(text), error != 0 ? wizard::ProcedureSink::Line::Error : wizard::ProcedureSink::Line::Info);
            return true;
        }
        if (verb == "logkey") {
            int error = 0;
            std::string key;
            in >> error >> key;
            auto& state = wizard::AppState::Instance();
            state.ClearInstallLog();
            state.PostInstallLog(common::TranslateKey(Wide(key)),
                                 error != 0 ? wizard::ProcedureSink::Line::Error : wizard::ProcedureSink::Line::Info);
            return true;
        }
        if (verb == "fill") {
            std::string window, what;
            in >> window >> what;
            return FillWithMadeUpDevices(what);
        }
        if (IsSpoolerVerb(verb)) return SpoolerStep(verb, in, [this](const std::string& text) { Status(text); });
        if (IsSystemVerb(verb)) return SystemStep(verb, in, [this](const std::string& text) { Status(text); });
        if (verb == "demo") {
            auto* demo = new DemoWindow;
            if (!demo->Create(ui::WindowCreation{}.Caption(L"Controls").Style(WS_POPUP | WS_VISIBLE).At(40, 40).Size(520, 330))) {
                delete demo;
                return false;
            }
            return true;
        }
        if (verb == "expectownerenabled") {
            // expectownerenabled <class>: the pop-up of that class, when it
            // was destroyed, already had its owner enabled.
            in >> className;
            const auto seen = ownerEnabledAtDestroy.find(className);
            Status("OWNER of " + className + (seen == ownerEnabledAtDestroy.end() ? " never destroyed"
                                              : seen->second                     ? " enabled at WM_DESTROY"
                                                                                 : " DISABLED at WM_DESTROY"));
            return seen != ownerEnabledAtDestroy.end() && seen->second;
        }
        if (verb == "expectcentredwhenshown") {
            // expectcentredwhenshown <class>: the window was already in the
            // middle of its owner, or of the work area, when it was shown.
            in >> className;
            const auto seen = placeWhenShown.find(className);
            if (seen == placeWhenShown.end()) {
                Status("PLACE of " + className + " never shown");
                return false;
            }
            const RECT& at = seen->second.window;
            const RECT& area = seen->second.area;
            const long left = area.left + (area.right - area.left - (at.right - at.left)) / 2;
            const long top = area.top + (area.bottom - area.top - (at.bottom - at.top)) / 2;
            Status("PLACE of " + className + " when shown " + std::to_string(at.left) + "," + std::to_string(at.top) +
                   ", centre " + std::to_string(left) + "," + std::to_string(top));
            return at.left == left && at.top == top;
        }
        if (verb == "expectactive") {
            in >> className;
            const bool active = GetActiveWindow() == FindWindowW(Wide(className).c_str(), nullptr);
            Status("ACTIVE " + className + (active ? " yes" : " no"));
            return active;
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
        return ControlStep(verb, in);
    }

    // The steps on a window's controls: keys, focus, texts, pages, clicks.
    bool ControlStep(const std::string& verb, std::istringstream& in) {
        std::string className, name;
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
                              : key == "down"  ? VK_DOWN
                              : key == "up"    ? VK_UP
                              : key == "escape" ? VK_ESCAPE
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
        if (verb == "expecttranslation") {
            // expecttranslation <window> <control> <key> [argument]: the
            // key's text in the current language, with %s filled in.
            std::string key, argument;
            in >> key;
            std::getline(in >> std::ws, argument);
            const std::wstring expected = common::FormatText(common::TranslateKey(Wide(key)), Wide(argument));
            Status("TEXT " + ui::WideToUtf8(control->Text()) + " (expected " + ui::WideToUtf8(expected) + ")");
            return control->Text() == expected;
        }
        if (verb == "savelog") {
            // For the install benchmark's trace: the log's lines as the
            // user reads them, each with its time stamp.
            std::wstring all;
            if (auto* log = dynamic_cast<ui::RichEdit*>(control)) all = log->Content();
            for (std::size_t start = 0; start < all.size();) {
                const std::size_t end = all.find(L"\r\n", start);
                Status("LOGLINE " + ui::WideToUtf8(all.substr(start, end - start)));
                if (end == std::wstring::npos) break;
                start = end + 2;
            }
            return true;
        }
        if (verb == "expectshown") return control->IsShown();
        if (verb == "expectenabled") return control->IsEnabled();
        if (verb == "expectcount") {
            std::size_t count = 0;
            in >> count;
            auto* container = control->AsContainer();
            Status("COUNT " + name + " " + (container ? std::to_string(container->Count()) : std::string("-")));
            return container && container->Count() == count;
        }
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
        return ClickAt(*window, *control);
    }

    // A real click at the middle of the control, with the mouse messages a
    // click sends.
    bool ClickAt(ui::Window& window, ui::Control& control) {
        if (!control.IsShown()) return false;
        window.UpdateLayout();
        const ui::Rect& r = control.Pos();
        const double scale = window.Dpi() / 96.0;
        const LPARAM at = MAKELPARAM(static_cast<int>((r.left + r.right) / 2 * scale),
                                     static_cast<int>((r.top + r.bottom) / 2 * scale));
        HWND hwnd = static_cast<HWND>(window.Handle());
        // A real click first activates the window it lands in, unless that
        // window asks not to be; posted mouse messages do not.
        if ((GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) == 0 && GetActiveWindow() != hwnd)
            SetActiveWindow(hwnd);
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

    static std::wstring Rest(std::istringstream& in) {
        std::string text;
        std::getline(in >> std::ws, text);
        return Wide(text);
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
    // Sees each WM_DESTROY of an owned window and notes whether its owner
    // was enabled at that moment, by the window's class.
    static LRESULT CALLBACK DestroyWatch(int code, WPARAM wParam, LPARAM lParam);

public:
    std::map<std::string, bool> ownerEnabledAtDestroy;

private:

    std::string statusPath_;
    LARGE_INTEGER clickedAt_{};
    HHOOK hook_ = nullptr;
    HANDLE done_ = nullptr;
    std::string pending_;
    bool result_ = false;
};

Driver& TheDriver() {
    static Driver driver;
    return driver;
}

LRESULT CALLBACK Driver::DestroyWatch(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_DESTROY) {
        if (HWND owner = GetWindow(message->hwnd, GW_OWNER)) {
            wchar_t className[64] = {};
            GetClassNameW(message->hwnd, className, 64);
            TheDriver().ownerEnabledAtDestroy[ui::WideToUtf8(className)] = IsWindowEnabled(owner) != FALSE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK Driver::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == kDriverMessage) {
        message->message = WM_NULL;
        TheDriver().Perform();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void StartDriver() {
    std::thread([] { TheDriver().Run(); }).detach();
}

bool ScriptOpensWithShown() {
    std::ifstream script(Env("PDS_SCRIPT"));
    std::string line;
    while (std::getline(script, line))
        if (!line.empty() && line[0] != '#') return line.rfind("shown", 0) == 0;
    return false;
}

// Starts with the process, the thread waiting for the main window itself;
// or, for the start-up benchmark, after the first paint.
const bool started = [] {
    ui::SetPhaseListener(&PhaseLog::Record);
    if (ScriptOpensWithShown()) {
        startAfterFirstPaint = true;
    } else {
        // Static constructors run on the thread that becomes the UI thread.
        SetWindowsHookExW(WH_CALLWNDPROC, ShowWatch, nullptr, GetCurrentThreadId());
        StartDriver();
    }
    return true;
}();

}  // namespace
