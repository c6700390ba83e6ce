// A screen reader's view of a running program, from another process: it
// asks the window of a class for its client object, walks the tree with
// AccessibleChildren and prints one line an object. It follows a script of
// steps (a UTF-8 file, one step a line), so that names in any language
// reach it unchanged:
//   window <class>     the window to ask (default MainWnd), waited for
//   print <file>       writes the tree of shown objects to <file> (UTF-8)
//   invisible on|off   print hidden objects too (default off)
//   do <name>          the default action of the shown object of that name
//   hit <name>         that object is found again at the middle of its place
//   focus <name>       gives the shown object of that name the focus
//   changed            waits until the tree differs from the last print
//   listen             from here on, hears the window's process's events
//   heard <kind> <name>  waits for an event (focus, state, name, value or
//                      reorder) whose object, found as a screen reader finds
//                      it, is called <name>
// Exit code 0 when every step succeeded; otherwise the failed step and why
// go to stderr and the code is 1.
#include "AccessibleClient.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_support::HeardEvent;
using testing_support::HeardEvents;
using testing_support::Ref;
using testing_support::Self;
using testing_support::TextOf;

constexpr DWORD kWaitMs = 15000;

// Takes this thread's messages for `ms`, and with them the events that an
// out-of-context hook is sent.
void PumpFor(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    MSG message;
    do {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    } while (static_cast<LONG>(until - GetTickCount()) > 0);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::wstring RoleText(LONG role) {
    wchar_t text[128] = {};
    GetRoleTextW(static_cast<DWORD>(role), text, 128);
    return text;
}

std::wstring StateWords(LONG states) {
    std::wstring words;
    for (int bit = 0; bit < 31; ++bit) {
        const DWORD flag = 1u << bit;
        if ((static_cast<DWORD>(states) & flag) == 0) continue;
        wchar_t text[128] = {};
        GetStateTextW(flag, text, 128);
        words += (words.empty() ? L"" : L", ") + std::wstring(text);
    }
    return words.empty() ? L"normal" : words;
}

struct Object {
    Ref<IAccessible> accessible;
    std::wstring name;
    std::wstring action;
    bool shown = false;
};

class Walker {
public:
    // Prints the tree below `root` into `lines` and collects its objects.
    void Walk(IAccessible* root, bool invisible, std::vector<std::string>& lines, std::vector<Object>& objects,
              int depth = 0) {
        VARIANT self = Self();
        VARIANT role, state;
        VariantInit(&role);
        VariantInit(&state);
        root->get_accRole(self, &role);
        root->get_accState(self, &state);
        Object object;
        object.accessible = Ref<IAccessible>(root);
        root->AddRef();
        object.name = TextOf(root, &IAccessible::get_accName);
        object.action = TextOf(root, &IAccessible::get_accDefaultAction);
        const std::wstring shownValue = TextOf(root, &IAccessible::get_accValue);
        const std::wstring description = TextOf(root, &IAccessible::get_accDescription);
        const LONG states = state.vt == VT_I4 ? state.lVal : 0;
        object.shown = (states & STATE_SYSTEM_INVISIBLE) == 0;
        if (!object.shown && !invisible) return;
        std::wstring line(static_cast<std::size_t>(depth) * 2, L' ');
        line += (role.vt == VT_I4 ? RoleText(role.lVal) : L"?") + L" \"" + object.name + L"\"";
        if (!shownValue.empty()) line += L" value \"" + shownValue + L"\"";
        if (!description.empty()) line += L" description \"" + description + L"\"";
        line += L" [" + StateWords(states) + L"]";
        if (!object.action.empty()) line += L" (" + object.action + L")";
        lines.push_back(Utf8(line));
        objects.push_back(object);

        LONG count = 0;
        if (FAILED(root->get_accChildCount(&count)) || count <= 0) return;
        std::vector<VARIANT> children(static_cast<std::size_t>(count));
        LONG obtained = 0;
        if (FAILED(AccessibleChildren(root, 0, count, children.data(), &obtained))) {
            lines.push_back(std::string(static_cast<std::size_t>(depth + 1) * 2, ' ') + "(AccessibleChildren failed)");
            return;
        }
        for (LONG i = 0; i < obtained; ++i) {
            VARIANT& child = children[static_cast<std::size_t>(i)];
            if (child.vt == VT_DISPATCH) {
                if (Ref<IAccessible> inner = testing_support::ObjectOf(child); inner.get())
                    Walk(inner.get(), invisible, lines, objects, depth + 1);
            } else {
                lines.push_back(std::string(static_cast<std::size_t>(depth + 1) * 2, ' ') + "(element " +
                                std::to_string(child.vt == VT_I4 ? child.lVal : -1) + " without an object)");
            }
            VariantClear(&child);
        }
    }
};

class Script {
public:
    int Run(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return Fail("cannot read " + path);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            const std::size_t space = line.find(' ');
            const std::string verb = line.substr(0, space);
            const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
            if (!Step(verb, argument)) return Fail(line + ": " + why_);
            std::printf("ok: %s\n", line.c_str());
        }
        return 0;
    }

private:
    bool Step(const std::string& verb, const std::string& argument) {
        if (verb == "window") {
            className_ = Wide(argument);
            return true;
        }
        if (verb == "invisible") {
            invisible_ = argument == "on";
            return true;
        }
        if (verb == "print") {
            std::vector<Object> objects;
            if (!Tree(last_, objects)) return false;
            std::ofstream out(argument, std::ios::binary);
            for (const std::string& text : last_) out << text << "\n";
            return Check(static_cast<bool>(out), "cannot write the file");
        }
        if (verb == "changed") {
            // The action runs after the call returned, from the program's
            // message loop: wait for the tree to show it.
            for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
                std::vector<std::string> now;
                std::vector<Object> objects;
                if (Tree(now, objects) && now != last_) return true;
                Sleep(100);
            }
            return Check(false, "the tree stayed as it was");
        }
        if (verb == "listen") {
            HWND window = FindWindowW(className_.c_str(), nullptr);
            DWORD process = 0;
            if (!Check(window && GetWindowThreadProcessId(window, &process), "no window of class " + Utf8(className_)))
                return false;
            HeardEvents().clear();
            // Out of context: the system queues the events to this thread,
            // which takes them while it pumps its messages.
            hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr,
                                    testing_support::RecordEvent, process, 0, WINEVENT_OUTOFCONTEXT);
            return Check(hook_ != nullptr, "SetWinEventHook failed");
        }
        if (verb == "heard") return Heard(argument);
        if (verb == "do" || verb == "hit" || verb == "focus") {
            std::vector<std::string> lines;
            std::vector<Object> objects;
            if (!Tree(lines, objects)) return false;
            const std::wstring name = Wide(argument);
            for (const Object& object : objects) {
                if (!object.shown || object.name != name || object.action.empty()) continue;
                if (verb == "hit") return HitsItself(object);
                if (verb == "focus") {
                    const HRESULT hr = object.accessible->accSelect(SELFLAG_TAKEFOCUS, Self());
                    return Check(hr == S_OK, "accSelect failed with " + Hex(hr));
                }
                const HRESULT hr = object.accessible->accDoDefaultAction(Self());
                return Check(hr == S_OK, "accDoDefaultAction failed with " + Hex(hr));
            }
            return Check(false, "no shown object of that name with a default action");
        }
        return Check(false, "unknown step");
    }

    // Waits for an event of a kind about an object of a name, resolving each
    // event as it comes: its object may be gone a moment later.
    bool Heard(const std::string& argument) {
        static const std::pair<const char*, DWORD> kKinds[] = {{"focus", EVENT_OBJECT_FOCUS},
                                                               {"state", EVENT_OBJECT_STATECHANGE},
                                                               {"name", EVENT_OBJECT_NAMECHANGE},
                                                               {"value", EVENT_OBJECT_VALUECHANGE},
                                                               {"reorder", EVENT_OBJECT_REORDER}};
        const std::size_t space = argument.find(' ');
        const std::string kind = argument.substr(0, space);
        const std::wstring name = space == std::string::npos ? std::wstring() : Wide(argument.substr(space + 1));
        DWORD wanted = 0;
        for (const auto& [word, event] : kKinds)
            if (kind == word) wanted = event;
        if (!Check(wanted != 0, "no such kind of event")) return false;
        if (!Check(hook_ != nullptr, "not listening")) return false;
        std::vector<std::string> heard;
        for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
            PumpFor(100);
            std::vector<HeardEvent> taken;
            taken.swap(HeardEvents());
            for (const HeardEvent& event : taken) {
                std::wstring found;
                if (event.event != wanted || !testing_support::NameOfEvent(event, found)) continue;
                if (found == name) return true;
                heard.push_back(Utf8(found));
            }
        }
        std::string list;
        for (const std::string& one : heard) list += " \"" + one + "\"";
        return Check(false, "heard no such event; of that kind only:" + (list.empty() ? " none" : list));
    }

    // The screen point in the middle of the object's place leads back to
    // it: location and hit testing agree.
    bool HitsItself(const Object& object) {
        LONG left = 0, top = 0, width = 0, height = 0;
        HRESULT hr = object.accessible->accLocation(&left, &top, &width, &height, Self());
        if (!Check(hr == S_OK && width > 0 && height > 0, "accLocation failed with " + Hex(hr))) return false;
        Ref<IAccessible> found;
        VARIANT child;
        VariantInit(&child);
        hr = AccessibleObjectFromPoint(POINT{left + width / 2, top + height / 2}, found.out(), &child);
        if (!Check(SUCCEEDED(hr) && found.get(), "AccessibleObjectFromPoint failed with " + Hex(hr))) return false;
        const std::wstring name = TextOf(found.get(), &IAccessible::get_accName, child.vt == VT_I4 ? child.lVal : 0);
        VariantClear(&child);
        return Check(name == object.name, "the point in its middle is \"" + Utf8(name) + "\"");
    }

    bool Tree(std::vector<std::string>& lines, std::vector<Object>& objects) {
        HWND window = nullptr;
        for (DWORD waited = 0; waited < kWaitMs && !(window = FindWindowW(className_.c_str(), nullptr)); waited += 100)
            Sleep(100);
        if (!Check(window != nullptr, "no window of class " + Utf8(className_))) return false;
        Ref<IAccessible> client;
        const HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                      client.out_void());
        if (!Check(SUCCEEDED(hr) && client.get(), "AccessibleObjectFromWindow failed with " + Hex(hr))) return false;
        lines.clear();
        objects.clear();
        Walker().Walk(client.get(), invisible_, lines, objects);
        return Check(!lines.empty(), "the client object is invisible");
    }

    bool Check(bool ok, const std::string& why) {
        if (!ok) why_ = why;
        return ok;
    }

    static std::string Hex(HRESULT hr) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
        return text;
    }

    static int Fail(const std::string& why) {
        std::fprintf(stderr, "accessible_walk: %s\n", why.c_str());
        return 1;
    }

    std::wstring className_ = L"MainWnd";
    HWINEVENTHOOK hook_ = nullptr;
    bool invisible_ = false;
    std::vector<std::string> last_;
    std::string why_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: accessible_walk <steps file>\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    const int code = Script().Run(Utf8(argv[1]));
    CoUninitialize();
    return code;
}
