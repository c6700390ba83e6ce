// The Win32 window host: one HWND per window, the control tree painted with
// GDI and GDI+, native EDIT and RichEdit children for the edit controls.
// This file makes, places and destroys the windows and answers their
// messages; HostWindow.h lists the files of the other concerns.
//
// The object is attached to its HWND in WM_NCCREATE and detached in
// WM_NCDESTROY, the last message, where the window may delete itself.
#include "ui/win32/WindowSystem.h"

#include "ui/Accessibility.h"
#include "ui/PhaseTrace.h"
#include "ui/Toolkit.h"
#include "ui/win32/Accessible.h"
#include "ui/win32/HostWindow.h"

#include <algorithm>

namespace ui {

void SharedResources::StartGdiplus() {
    if (gdiplusStarted) return;
    Gdiplus::GdiplusStartupInput input;
    gdiplusStarted = Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) == Gdiplus::Ok;
    MarkPhase("GDI+");
}

SharedResources& Shared() {
    static SharedResources shared;
    return shared;
}

// Posted by a fixed-size window to itself when something maximised it.
UINT RestoreMessage() {
    static const UINT message = RegisterWindowMessageW(L"SkinRestoreFixedSizeWindow");
    return message;
}

int DpiOf(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32WindowHost::Impl* impl = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        impl = static_cast<Win32WindowHost::Impl*>(create->lpCreateParams);
        impl->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
    } else {
        impl = reinterpret_cast<Win32WindowHost::Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (impl == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return impl->Proc(message, wParam, lParam);
}

LRESULT Win32WindowHost::Impl::OnCreateMessage() {
    MarkPhase("WM_CREATE");
    // The skin draws caption and frame itself. Without these bits Windows
    // (and Wine's X11 driver) keep no room for a frame of their own around
    // the client area.
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    SetWindowLongPtrW(hwnd, GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME)) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    dpi = DpiOf(hwnd);
    window.SetDpi(dpi);
    created = window.OnCreate();
    return created ? 0 : -1;
}

void Win32WindowHost::Impl::OnPaintMessage() {
    invalidated = false;
    UpdateAnimation();
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    Paint(dc);
    EndPaint(hwnd, &paint);
    if (structureChanged) {
        structureChanged = false;
        NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd, OBJID_CLIENT, CHILDID_SELF);
    }
    static bool painted = false;
    if (!painted) {
        painted = true;
        MarkPhase("first paint");
    }
}

bool Win32WindowHost::Impl::FrameMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_NCCALCSIZE:
            // The skin draws the whole window, caption included.
            return wParam != 0;
        case WM_NCACTIVATE:
            result = TRUE;
            return true;
        case WM_NCPAINT:
            return true;
        case WM_NCHITTEST: {
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(hwnd, &point);
            result = !IsZoomed(hwnd) && OverCaption(ToLayout(point.x), ToLayout(point.y)) ? HTCAPTION : HTCLIENT;
            return true;
        }
        // A window without a maximise box has a fixed size: it does not
        // maximise from the caption, the system menu, a shortcut or
        // ShowWindow. (Windows leaves only the first two to the style.)
        case WM_SYSCOMMAND:
            return (wParam & 0xFFF0) == SC_MAXIMIZE && !Maximisable();
        case WM_NCLBUTTONDBLCLK:
            return wParam == HTCAPTION && !Maximisable();
        case WM_GETMINMAXINFO: {
            // ShowWindow(SW_MAXIMIZE) passes the guards above and asks this
            // first: maximised, the window keeps its place and size, and
            // it is made a normal window again once ShowWindow is done
            // with it (a maximised window cannot be moved by its caption).
            if (Maximisable()) return false;
            RECT box{};
            GetWindowRect(hwnd, &box);
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMaxSize = {box.right - box.left, box.bottom - box.top};
            limits->ptMaxPosition = {box.left, box.top};
            PostMessageW(hwnd, RestoreMessage(), 0, 0);
            return true;
        }
        default:
            if (message == RestoreMessage() && IsZoomed(hwnd)) {
                ShowWindow(hwnd, SW_RESTORE);
                return true;
            }
            return false;
    }
}

LRESULT Win32WindowHost::Impl::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND self = hwnd;
    LRESULT result = 0;
    if (FrameMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_CREATE:
            return OnCreateMessage();
        case WM_ERASEBKGND:
            return 1;
        case WM_SETFOCUS:
            // Back from elsewhere: the control with the focus is news again.
            announcedFocus = nullptr;
            AnnounceFocus();
            break;
        case WM_PAINT:
            OnPaintMessage();
            return 0;
        case WM_SIZE:
            layoutValid = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        case WM_TIMER:
            if (wParam == kAnimationTimer) {
                ++animationFrame;
                InvalidateRect(hwnd, nullptr, FALSE);
                UpdateAnimation();
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(lParam);
            return 0;
        case WM_MOUSEWHEEL:
            if (OnMouseWheel(wParam, lParam)) return 0;
            break;
        case WM_CAPTURECHANGED:
            OnCaptureChanged();
            break;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return 0;
        case WM_LBUTTONDOWN:
            OnButtonDown(lParam);
            return 0;
        case WM_LBUTTONUP:
            OnButtonUp(lParam);
            return 0;
        case WM_KEYDOWN:
            if (OnKeyDown(wParam)) return 0;
            break;
        case WM_COMMAND:
            if (OnCommand(wParam, lParam)) return 0;
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = EditColours(wParam, lParam)) return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_GETOBJECT:
            return AnswerGetObject(window, hwnd, wParam, lParam);
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            edits.clear();
            logs.clear();
            natives.clear();
            hwnd = nullptr;
            if (created) window.FinalMessage();  // may delete the window and this host
            return 0;
        default:
            break;
    }

    bool handled = false;
    result = window.HandleMessage(message, wParam, lParam, handled);
    if (handled) return result;
    return AfterSkin(self, message, wParam, lParam);
}

LRESULT Win32WindowHost::Impl::AfterSkin(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(self)) return 0;
    // WM_CLOSE goes on to DefWindowProc, which destroys the window at once:
    // a modal pop-up's owner must be enabled before that, or Windows hands
    // the activation to another application and the owner drops behind.
    if (message == WM_CLOSE && modalEnded && !*modalEnded && owner) EnableWindow(owner, TRUE);
    if (message == WM_DESTROY && modalEnded) *modalEnded = true;
    if (message == WM_DPICHANGED) {
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        dpi = HIWORD(wParam);
        SetWindowPos(self, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        layoutValid = false;
        InvalidateRect(self, nullptr, FALSE);
        return 0;
    }
    return DefWindowProcW(self, message, wParam, lParam);
}

// --- WindowHost

Win32WindowHost::Win32WindowHost(Window& window) : impl_(std::make_unique<Impl>(window)) {}

Win32WindowHost::~Win32WindowHost() {
    if (impl_->hwnd != nullptr && IsWindow(impl_->hwnd)) {
        // The object goes first: the window must not call back into it.
        SetWindowLongPtrW(impl_->hwnd, GWLP_USERDATA, 0);
        DestroyWindow(impl_->hwnd);
    }
}

bool Win32WindowHost::Create(const std::wstring& className, std::uint32_t classStyle,
                             const WindowCreation& creation) {
    SharedResources& shared = Shared();
    shared.StartGdiplus();
    HINSTANCE instance = static_cast<HINSTANCE>(Toolkit::Process().ModuleInstance());
    if (instance == nullptr) instance = GetModuleHandleW(nullptr);
    if (std::find(shared.registeredClasses.begin(), shared.registeredClasses.end(), className) ==
        shared.registeredClasses.end()) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = classStyle;
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        windowClass.lpszClassName = className.c_str();
        if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
        shared.registeredClasses.push_back(className);
    }
    impl_->owner = static_cast<HWND>(creation.owner);
    HWND hwnd = CreateWindowExW(creation.exStyle, className.c_str(), creation.caption.c_str(), creation.style,
                                creation.x, creation.y, creation.width, creation.height, impl_->owner, nullptr,
                                instance, impl_.get());
    MarkPhase("window created");
    return hwnd != nullptr && impl_->created;
}

void Win32WindowHost::Center() {
    RECT own{};
    GetWindowRect(impl_->hwnd, &own);
    RECT area{};
    if (impl_->owner != nullptr && IsWindowVisible(impl_->owner) && !IsIconic(impl_->owner)) {
        GetWindowRect(impl_->owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = own.right - own.left, height = own.bottom - own.top;
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    // Each move is a round trip to the display server; one in place is saved.
    if (left == own.left && top == own.top) return;
    SetWindowPos(impl_->hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
std::intptr_t Win32WindowHost::DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return DefWindowProcW(impl_->hwnd, message, wParam, lParam);
}

void Win32WindowHost::Destroy() {
    if (impl_->hwnd != nullptr) {
        // A modal owner is enabled again before its pop-up goes, so that
        // Windows hands the activation back to it.
        if (impl_->modalEnded && impl_->owner) EnableWindow(impl_->owner, TRUE);
        DestroyWindow(impl_->hwnd);
    }
}

WindowHandle Win32WindowHost::Handle() const { return impl_->hwnd; }
bool Win32WindowHost::IsAlive() const { return impl_->hwnd != nullptr && IsWindow(impl_->hwnd); }

std::wstring Win32WindowHost::Caption() const {
    const int length = GetWindowTextLengthW(impl_->hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(impl_->hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void Win32WindowHost::SetCaption(const std::wstring& caption) { SetWindowTextW(impl_->hwnd, caption.c_str()); }
bool Win32WindowHost::IsMaximized() const { return IsZoomed(impl_->hwnd) != FALSE; }

Rect Win32WindowHost::ClientRect() const {
    RECT client{};
    GetClientRect(impl_->hwnd, &client);
    return Rect{0, 0, impl_->ToLayout(client.right), impl_->ToLayout(client.bottom)};
}

void Win32WindowHost::ClientToScreen(int& x, int& y) const {
    POINT point{impl_->ToDevice(x), impl_->ToDevice(y)};
    ::ClientToScreen(impl_->hwnd, &point);
    x = point.x;
    y = point.y;
}

Size Win32WindowHost::ScreenSize() const {
    RECT r{};
    GetWindowRect(impl_->hwnd, &r);
    return Size{r.right - r.left, r.bottom - r.top};
}

void Win32WindowHost::MoveTo(int x, int y) {
    SetWindowPos(impl_->hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32WindowHost::TakeFocus() { ::SetFocus(impl_->hwnd); }

void Win32WindowHost::Resize(int cx, int cy) {
    const int width = impl_->ToDevice(cx), height = impl_->ToDevice(cy);
    RECT own{};
    GetWindowRect(impl_->hwnd, &own);
    // A layout usually asks for the size the window was made with.
    if (own.right - own.left != width || own.bottom - own.top != height)
        SetWindowPos(impl_->hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    impl_->layoutValid = false;
}

std::intptr_t Win32WindowHost::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageW(impl_->hwnd, message, wParam, lParam);
}

void Win32WindowHost::Invalidate() {
    if (impl_->hwnd == nullptr || impl_->invalidated) return;
    InvalidateRect(impl_->hwnd, nullptr, FALSE);
    impl_->invalidated = true;
    // The paint checks again, for animations started or stopped meanwhile.
    impl_->UpdateAnimation();
}

void Win32WindowHost::NeedUpdate() {
    impl_->layoutValid = false;
    Invalidate();
}

Control* Win32WindowHost::FocusedControl() const { return impl_->focused; }

void Win32WindowHost::SetFocusTo(Control* control) {
    impl_->focused = control;
    if (auto edit = impl_->edits.find(control); edit != impl_->edits.end()) ::SetFocus(edit->second->Handle());
    else ::SetFocus(impl_->hwnd);
    InvalidateRect(impl_->hwnd, nullptr, FALSE);
    impl_->AnnounceFocus();
}

void Win32WindowHost::Impl::AnnounceFocus() {
    if (focused == nullptr || focused == announcedFocus || GetFocus() != hwnd || !IsWindowVisible(hwnd)) return;
    announcedFocus = focused;
    if (Control* object = AccessibleObjectOf(*focused)) NotifyAccessible(hwnd, EVENT_OBJECT_FOCUS, *object);
}

void Win32WindowHost::Announce(AccessibleChange change, Control& object) {
    if (!IsWindowVisible(impl_->hwnd)) return;
    switch (change) {
        case AccessibleChange::State: NotifyAccessible(impl_->hwnd, EVENT_OBJECT_STATECHANGE, object); break;
        case AccessibleChange::Name: NotifyAccessible(impl_->hwnd, EVENT_OBJECT_NAMECHANGE, object); break;
        case AccessibleChange::Value: NotifyAccessible(impl_->hwnd, EVENT_OBJECT_VALUECHANGE, object); break;
        case AccessibleChange::Structure: impl_->structureChanged = true; break;
    }
}

void Win32WindowHost::ForgetControl(Control* control) {
    if (impl_->hot == control) impl_->hot = nullptr;
    if (impl_->pushed == control) impl_->pushed = nullptr;
    if (impl_->focused == control) impl_->focused = nullptr;
    if (impl_->announcedFocus == control) impl_->announcedFocus = nullptr;
    if (impl_->dragging == control) impl_->dragging = nullptr;
    if (impl_->barHot == control) impl_->barHot = nullptr;
    if (impl_->wheelList == control) impl_->wheelList = nullptr;
    impl_->edits.erase(control);
    impl_->logs.erase(control);
    impl_->natives.erase(control);
}

void Win32WindowHost::SetDpi(int dpi) {
    if (dpi == impl_->dpi || impl_->hwnd == nullptr) {
        impl_->dpi = dpi;
        return;
    }
    RECT client{};
    GetClientRect(impl_->hwnd, &client);
    const int logicalWidth = impl_->ToLayout(client.right), logicalHeight = impl_->ToLayout(client.bottom);
    impl_->dpi = dpi;
    Resize(logicalWidth, logicalHeight);
}

Size Win32WindowHost::MeasureText(const std::wstring& text, const FontInfo& font) const {
    HDC dc = GetDC(impl_->hwnd);
    // Measured at the size it is painted: text does not widen in proportion
    // to the scale, so a width measured at 100 % and scaled would cut it.
    const int dpi = impl_->dpi > 0 ? impl_->dpi : 96;
    LOGFONTW logFont{};
    logFont.lfHeight = -impl_->ToDevice(font.size);
    logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, ResolveFontFace(font.face, text).c_str(), LF_FACESIZE);
    HFONT handle = CreateFontIndirectW(&logFont);
    HGDIOBJ old = SelectObject(dc, handle);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteObject(handle);
    ReleaseDC(impl_->hwnd, dc);
    // Back to layout pixels, rounding up so the text keeps its room.
    return Size{(size.cx * 96 + dpi - 1) / dpi, (size.cy * 96 + dpi - 1) / dpi};
}

int RunThreadMessageLoop();

namespace {

class Win32System final : public WindowSystem {
public:
    std::unique_ptr<WindowHost> NewWindowHost(Window& window) override {
        return std::make_unique<Win32WindowHost>(window);
    }

    void ReportLayoutError(std::wstring_view layoutName) override {
        MessageBoxW(nullptr, LayoutErrorText(layoutName).c_str(), kLayoutErrorCaption, MB_ICONERROR);
        ExitProcess(1);
    }

    void ReleaseSharedResources() override {
        SharedResources& shared = Shared();
        shared.images.clear();
        if (shared.gdiplusStarted) Gdiplus::GdiplusShutdown(shared.gdiplusToken);
        shared.gdiplusStarted = false;
        if (shared.richEditLibrary) FreeLibrary(shared.richEditLibrary);
        shared.richEditLibrary = nullptr;
    }

    Window* WindowFromHandle(WindowHandle handle) override {
        HWND hwnd = static_cast<HWND>(handle);
        if (hwnd == nullptr || !IsWindow(hwnd)) return nullptr;
        // Only our own windows carry an Impl; check the procedure first.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != WindowProc) return nullptr;
        auto* impl = reinterpret_cast<Win32WindowHost::Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        return impl ? &impl->window : nullptr;
    }

    int RunMessageLoop() override { return RunThreadMessageLoop(); }

    void PostQuitMessage(int exitCode) override { ::PostQuitMessage(exitCode); }

    int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                       unsigned style) override {
        return MessageBoxW(static_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
    }

    std::intptr_t SendMessageTo(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) override {
        HWND hwnd = static_cast<HWND>(window);
        if (hwnd == nullptr || !IsWindow(hwnd)) return 0;
        return SendMessageW(hwnd, message, wParam, lParam);
    }
};

}  // namespace

namespace win32 {

void Install() {
    static Win32System system;
    InstallWindowSystem(system);
}

}  // namespace win32
}  // namespace ui
