#include "ui/win32/Accessible.h"

#include <oleacc.h>

#include "ui/Accessibility.h"
#include "ui/Window.h"
#include "ui/WindowHost.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ui {
namespace {

using namespace accessible_state;

// --- Actions posted to the UI thread

// accDoDefaultAction may arrive inside a cross-process call; "Next" can
// rebuild the pages, open a message box or end the window, none of which
// may happen while the client waits. The action runs from the thread's
// message loop instead, through a message-only window of its own.
enum class Action { Default, Select };

struct PendingAction {
    Control* control;
    std::weak_ptr<const void> life;
    Action action;
};

constexpr UINT kRunAction = WM_APP + 1;
constexpr wchar_t kActionWindowClass[] = L"SkinAccessibleActions";

LRESULT CALLBACK ActionWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunAction) return DefWindowProcW(hwnd, message, wParam, lParam);
    std::unique_ptr<PendingAction> pending(reinterpret_cast<PendingAction*>(lParam));
    if (pending->life.expired()) return 0;
    // The window may have been closed meanwhile; its controls live on
    // with the window object, but nobody could have clicked them.
    const Window* window = pending->control->GetWindow();
    if (window == nullptr || window->Host() == nullptr || !window->Host()->IsAlive()) return 0;
    if (pending->action == Action::Select) pending->control->Activate();
    else DoDefaultAction(*pending->control);
    return 0;
}

HWND ActionWindow() {
    thread_local HWND window = nullptr;
    if (window != nullptr) return window;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ActionWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kActionWindowClass;
    RegisterClassExW(&windowClass);  // a second thread finds it registered
    window = CreateWindowExW(0, kActionWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    return window;
}

bool Post(Control& control, Action action) {
    HWND window = ActionWindow();
    auto pending = std::make_unique<PendingAction>(PendingAction{&control, control.Lifetime(), action});
    if (window == nullptr || !PostMessageW(window, kRunAction, 0, reinterpret_cast<LPARAM>(pending.get())))
        return false;
    pending.release();  // the window's procedure owns it now
    return true;
}

// --- What MSAA calls things

LONG RoleNumber(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::Client: return ROLE_SYSTEM_CLIENT;
        case AccessibleRole::Grouping: return ROLE_SYSTEM_GROUPING;
        case AccessibleRole::PushButton: return ROLE_SYSTEM_PUSHBUTTON;
        case AccessibleRole::RadioButton: return ROLE_SYSTEM_RADIOBUTTON;
        case AccessibleRole::CheckBox: return ROLE_SYSTEM_CHECKBUTTON;
        case AccessibleRole::List: return ROLE_SYSTEM_LIST;
        case AccessibleRole::ListItem: return ROLE_SYSTEM_LISTITEM;
        case AccessibleRole::Text: return ROLE_SYSTEM_TEXT;
        case AccessibleRole::StaticText: return ROLE_SYSTEM_STATICTEXT;
        case AccessibleRole::ProgressBar: return ROLE_SYSTEM_PROGRESSBAR;
        case AccessibleRole::Animation: return ROLE_SYSTEM_ANIMATION;
        case AccessibleRole::ComboBox: return ROLE_SYSTEM_COMBOBOX;
        case AccessibleRole::Chart: return ROLE_SYSTEM_CHART;
        case AccessibleRole::Graphic: return ROLE_SYSTEM_GRAPHIC;
        case AccessibleRole::Window: return ROLE_SYSTEM_WINDOW;
    }
    return ROLE_SYSTEM_CLIENT;
}

LONG StateBits(std::uint32_t states) {
    static constexpr std::pair<std::uint32_t, LONG> kStates[] = {
        {kUnavailable, STATE_SYSTEM_UNAVAILABLE}, {kInvisible, STATE_SYSTEM_INVISIBLE},
        {kOffscreen, STATE_SYSTEM_OFFSCREEN},     {kFocusable, STATE_SYSTEM_FOCUSABLE},
        {kFocused, STATE_SYSTEM_FOCUSED},         {kSelectable, STATE_SYSTEM_SELECTABLE},
        {kSelected, STATE_SYSTEM_SELECTED},       {kChecked, STATE_SYSTEM_CHECKED},
        {kReadOnly, STATE_SYSTEM_READONLY},       {kProtected, STATE_SYSTEM_PROTECTED},
        {kHotTracked, STATE_SYSTEM_HOTTRACKED},   {kPressed, STATE_SYSTEM_PRESSED},
        {kAnimated, STATE_SYSTEM_ANIMATED},       {kExpanded, STATE_SYSTEM_EXPANDED},
        {kCollapsed, STATE_SYSTEM_COLLAPSED},
    };
    LONG bits = 0;
    for (const auto& [ours, theirs] : kStates)
        if (states & ours) bits |= theirs;
    return bits;
}

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HWND HandleOf(const Control& control) { return static_cast<HWND>(control.GetWindow()->Handle()); }

// --- Child ids of events

// An event names its object by a child id of the client area. Ids 1..n are
// the root's own children in order, so these start far above any count;
// each stays with its control while it lives, and no other control gets it
// before some 1.8 billion further ids were given.
constexpr LONG kFirstEventId = 0x10000000;

struct EventIds {
    struct Entry {
        Control* control;
        std::weak_ptr<const void> life;
    };
    std::map<LONG, Entry> byId;
    std::map<const Control*, LONG> byControl;
    LONG next = kFirstEventId;
    std::size_t sweptAt = 64;

    LONG IdOf(Control& control) {
        if (const auto it = byControl.find(&control); it != byControl.end()) {
            if (!byId.at(it->second).life.expired()) return it->second;
            byId.erase(it->second);  // a new control where a destroyed one was
            byControl.erase(it);
        }
        if (byId.size() >= sweptAt) Sweep();
        LONG id = 0;
        do {
            id = next;
            next = next == std::numeric_limits<LONG>::max() ? kFirstEventId : next + 1;
        } while (byId.count(id) != 0);
        byId[id] = Entry{&control, control.Lifetime()};
        byControl[&control] = id;
        return id;
    }

    Control* ControlOf(LONG id) const {
        const auto it = byId.find(id);
        return it == byId.end() || it->second.life.expired() ? nullptr : it->second.control;
    }

    // Lists are rebuilt on every search: forget the controls that are gone.
    void Sweep() {
        for (auto it = byId.begin(); it != byId.end();) {
            if (it->second.life.expired()) {
                byControl.erase(it->second.control);
                it = byId.erase(it);
            } else {
                ++it;
            }
        }
        sweptAt = std::max<std::size_t>(64, byId.size() * 2);
    }
};

// Controls live on their window's thread, and so do their ids.
EventIds& ThreadEventIds() {
    thread_local EventIds ids;
    return ids;
}

// Whether `inner` is `outer` or lies below it in the tree of objects.
bool IsWithin(const Control* inner, const Control& outer) {
    for (; inner != nullptr; inner = AccessibleParent(*inner))
        if (inner == &outer) return true;
    return false;
}

// --- The objects

class AccessibleObject final : public IAccessible {
public:
    explicit AccessibleObject(Control& control) : control_(&control), life_(control.Lifetime()) {}

    // An object for `control` in `out`, as the calls hand them back.
    static HRESULT Give(Control& control, IDispatch** out) {
        *out = new AccessibleObject(control);
        return S_OK;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        // __uuidof, not IID_IAccessible: mingw's oleacc import library
        // links that name as a function import, whose address is a jump
        // stub rather than the GUID.
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) return E_POINTER;
        *parent = nullptr;
        Control* self = nullptr;
        if (HRESULT hr = Self(self); FAILED(hr)) return hr;
        if (Control* up = AccessibleParent(*self)) return Give(*up, parent);
        // The client area's parent is the window, as the system has it.
        return CreateStdAccessibleObject(HandleOf(*self), OBJID_WINDOW, IID_IDispatch,
                                         reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        Control* self = nullptr;
        if (HRESULT hr = Self(self); FAILED(hr)) return hr;
        *count = static_cast<LONG>(AccessibleChildren(*self).size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override {
        if (child == nullptr) return E_POINTER;
        *child = nullptr;
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        if (target == control_) return E_INVALIDARG;
        return Give(*target, child);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        return Text(id, name, &AccessibleInfo::name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override {
        return Text(id, value, &AccessibleInfo::value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* description) override {
        return Text(id, description, &AccessibleInfo::description);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override {
        return Text(id, action, &AccessibleInfo::defaultAction);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        if (role == nullptr) return E_POINTER;
        VariantInit(role);
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        role->vt = VT_I4;
        role->lVal = RoleNumber(DescribeAccessible(*target).role);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        if (state == nullptr) return E_POINTER;
        VariantInit(state);
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        std::uint32_t states = DescribeAccessible(*target).states;
        // Focused means the keyboard's focus: only while the window has it.
        const HWND focus = GetFocus();
        if (focus == nullptr || (focus != HandleOf(*target) && !IsChild(HandleOf(*target), focus))) states &= ~kFocused;
        state->vt = VT_I4;
        state->lVal = StateBits(states);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* help) override { return NoText(id, help); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* shortcut) override {
        return NoText(id, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus == nullptr) return E_POINTER;
        VariantInit(focus);
        Control* self = nullptr;
        if (HRESULT hr = Self(self); FAILED(hr)) return hr;
        Control* focused = self->GetWindow()->Host()->FocusedControl();
        Control* object = focused ? AccessibleObjectOf(*focused) : nullptr;
        if (object == nullptr || !IsWithin(object, *self)) return S_FALSE;
        return Answer(*self, *object, focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection == nullptr) return E_POINTER;
        VariantInit(selection);
        Control* self = nullptr;
        if (HRESULT hr = Self(self); FAILED(hr)) return hr;
        auto* list = dynamic_cast<List*>(self);
        if (list == nullptr) return DISP_E_MEMBERNOTFOUND;
        const int row = list->CurSel();
        if (row < 0) return S_FALSE;
        selection->vt = VT_DISPATCH;
        return Give(*list->ItemAt(static_cast<std::size_t>(row)), &selection->pdispVal);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT id) override {
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        if (!target->IsShown() || !target->IsEnabled()) return E_FAIL;
        const std::uint32_t states = DescribeAccessible(*target).states;
        if ((flags & ~(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) != 0) return E_INVALIDARG;
        if ((flags & SELFLAG_TAKEFOCUS) && !(states & kFocusable)) return S_FALSE;
        if ((flags & SELFLAG_TAKESELECTION) && !(states & kSelectable)) return S_FALSE;
        if (flags & SELFLAG_TAKEFOCUS) {
            // A row takes the focus on its radio mark, as the arrow keys do.
            auto* row = dynamic_cast<ListContainerElement*>(target);
            Control* focus = row && row->RadioMark() ? row->RadioMark() : target;
            focus->SetFocus();
        }
        if ((flags & SELFLAG_TAKESELECTION) && !Post(*target, Action::Select)) return E_FAIL;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
        *left = *top = *width = *height = 0;
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        // The host lays out lazily, at the next paint; a page just switched
        // has its new places only after this.
        target->GetWindow()->UpdateLayout();
        const Rect bounds = DescribeAccessible(*target).bounds;
        if (bounds.Width() <= 0 || bounds.Height() <= 0) return S_FALSE;
        // The host scales layout pixels by the window's DPI on the way.
        int x0 = bounds.left, y0 = bounds.top, x1 = bounds.right, y1 = bounds.bottom;
        const WindowHost& host = *target->GetWindow()->Host();
        host.ClientToScreen(x0, y0);
        host.ClientToScreen(x1, y1);
        *left = x0;
        *top = y0;
        *width = x1 - x0;
        *height = y1 - y0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (end == nullptr) return E_POINTER;
        VariantInit(end);
        Control* from = nullptr;
        if (HRESULT hr = Target(start, from); FAILED(hr)) return hr;
        Control* to = nullptr;
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            if (from != control_) return E_INVALIDARG;
            const std::vector<Control*> children = AccessibleChildren(*from);
            if (!children.empty()) to = direction == NAVDIR_FIRSTCHILD ? children.front() : children.back();
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
            Control* parent = AccessibleParent(*from);
            const std::vector<Control*> siblings = parent ? AccessibleChildren(*parent) : std::vector<Control*>{};
            for (std::size_t i = 0; i < siblings.size(); ++i) {
                if (siblings[i] != from) continue;
                if (direction == NAVDIR_NEXT && i + 1 < siblings.size()) to = siblings[i + 1];
                if (direction == NAVDIR_PREVIOUS && i > 0) to = siblings[i - 1];
            }
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (to == nullptr) return S_FALSE;
        end->vt = VT_DISPATCH;
        return Give(*to, &end->pdispVal);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* id) override {
        if (id == nullptr) return E_POINTER;
        VariantInit(id);
        Control* self = nullptr;
        if (HRESULT hr = Self(self); FAILED(hr)) return hr;
        Window& window = *self->GetWindow();
        window.UpdateLayout();
        // From the screen to layout pixels: the client origin and the scale.
        int originX = 0, originY = 0;
        window.Host()->ClientToScreen(originX, originY);
        const double scale = window.Dpi() / 96.0;
        const int lx = static_cast<int>(std::floor((x - originX) / scale));
        const int ly = static_cast<int>(std::floor((y - originY) / scale));
        Control* hit = window.Root() ? AccessibleAt(*window.Root(), lx, ly) : nullptr;
        if (hit == nullptr || !IsWithin(hit, *self)) return S_FALSE;
        // The child on the way down; the client asks it in turn.
        while (hit != self && AccessibleParent(*hit) != self) hit = AccessibleParent(*hit);
        return Answer(*self, *hit, id);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        if (DescribeAccessible(*target).defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
        // Refused now, so the client learns of it; the click itself waits.
        if (!target->IsShown() || !target->IsEnabled()) return E_FAIL;
        return Post(*target, Action::Default) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~AccessibleObject() = default;

    // The control, while it and its window exist, on the window's thread.
    HRESULT Self(Control*& self) const {
        self = nullptr;
        if (life_.expired()) return CO_E_OBJNOTCONNECTED;
        const Window* window = control_->GetWindow();
        if (window == nullptr || window->Host() == nullptr || !window->Host()->IsAlive()) return CO_E_OBJNOTCONNECTED;
        if (GetWindowThreadProcessId(HandleOf(*control_), nullptr) != GetCurrentThreadId()) return RPC_E_WRONG_THREAD;
        self = control_;
        return S_OK;
    }

    // CHILDID_SELF is this object; 1..n its children in order.
    HRESULT Target(const VARIANT& id, Control*& target) const {
        target = nullptr;
        Control* self = nullptr;
        if (HRESULT hr = Self(self); FAILED(hr)) return hr;
        if (id.vt != VT_I4) return E_INVALIDARG;
        if (id.lVal == CHILDID_SELF) {
            target = self;
            return S_OK;
        }
        if (id.lVal >= kFirstEventId) {
            Control* named = ThreadEventIds().ControlOf(id.lVal);
            if (named == nullptr || !IsWithin(named, *self)) return E_INVALIDARG;
            target = named;
            return S_OK;
        }
        const std::vector<Control*> children = AccessibleChildren(*self);
        if (id.lVal < 1 || static_cast<std::size_t>(id.lVal) > children.size()) return E_INVALIDARG;
        target = children[static_cast<std::size_t>(id.lVal) - 1];
        return S_OK;
    }

    HRESULT Text(const VARIANT& id, BSTR* out, std::wstring AccessibleInfo::*field) const {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        return ReturnText(DescribeAccessible(*target).*field, out);
    }

    HRESULT NoText(const VARIANT& id, BSTR* out) const {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        Control* target = nullptr;
        if (HRESULT hr = Target(id, target); FAILED(hr)) return hr;
        return S_FALSE;
    }

    // This object as CHILDID_SELF, any other as an object of its own.
    static HRESULT Answer(Control& self, Control& found, VARIANT* out) {
        if (&found == &self) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
            return S_OK;
        }
        out->vt = VT_DISPATCH;
        return Give(found, &out->pdispVal);
    }

    LONG references_ = 1;
    Control* control_;
    std::weak_ptr<const void> life_;
};

// --- Native children

// The EDIT and RichEdit over a control answer with the control's object:
// a reader that follows the focus into one hears the control's label, not
// the system's unnamed edit. The system's window procedure does the rest.
struct Peer {
    WNDPROC previous;
    Control* control;
    std::weak_ptr<const void> life;
};

std::map<HWND, Peer>& ThreadPeers() {
    thread_local std::map<HWND, Peer> peers;
    return peers;
}

LRESULT CALLBACK PeerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::map<HWND, Peer>& peers = ThreadPeers();
    const auto it = peers.find(hwnd);
    if (it == peers.end()) return DefWindowProcW(hwnd, message, wParam, lParam);
    const Peer peer = it->second;
    if (message == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT &&
        !peer.life.expired()) {
        auto* object = new AccessibleObject(*peer.control);
        const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, object);
        object->Release();
        return result;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(peer.previous));
        peers.erase(it);
    }
    return CallWindowProcW(peer.previous, hwnd, message, wParam, lParam);
}

}  // namespace

void AnswerForControl(HWND child, Control& control) {
    if (child == nullptr || ThreadPeers().count(child) != 0) return;
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(child, GWLP_WNDPROC));
    ThreadPeers()[child] = Peer{previous, &control, control.Lifetime()};
    SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PeerProc));
}

void NotifyAccessible(HWND hwnd, DWORD event, Control& object) {
    const LONG child = AccessibleParent(object) == nullptr ? CHILDID_SELF : ThreadEventIds().IdOf(object);
    NotifyWinEvent(event, hwnd, OBJID_CLIENT, child);
}

LRESULT AnswerGetObject(Window& window, HWND hwnd, WPARAM wParam, LPARAM lParam) {
    // The object id is a DWORD; on 64-bit Windows it arrives zero-extended.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT || window.Root() == nullptr)
        return DefWindowProcW(hwnd, WM_GETOBJECT, wParam, lParam);
    auto* object = new AccessibleObject(*window.Root());
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, object);
    object->Release();
    return result;
}

}  // namespace ui
