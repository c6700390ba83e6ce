// The Win32 window host: one HWND per window, the control tree painted with
// GDI and GDI+, native EDIT and RichEdit children for the edit controls.
//
// Layout happens in pixels at 96 DPI; painting and the native children
// scale by the window's DPI. The object is attached to its HWND in
// WM_NCCREATE and detached in WM_NCDESTROY, the last message, where the
// window may delete itself.
#include "ui/WindowHost.h"

#include <windows.h>
#include <objidl.h>
#include <richedit.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include "ui/Layout.h"
#include "ui/PhaseTrace.h"
#include "ui/Toolkit.h"
#include "ui/Utf.h"
#include "ui/ExtraControls.h"
#include "ui/win32/Accessible.h"
#include "ui/win32/ExtraPainting.h"
#include "ui/win32/Fonts.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace ui {
namespace {

constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT kAnimationIntervalMs = 80;
constexpr int kIndicatorSize = 14;
constexpr int kCheckColumnWidth = 28;

// --- Process-wide resources

struct SharedResources {
    ULONG_PTR gdiplusToken = 0;
    bool gdiplusStarted = false;
    HMODULE richEditLibrary = nullptr;
    std::map<std::wstring, std::unique_ptr<Gdiplus::Bitmap>> images;
    std::vector<std::wstring> registeredClasses;

    void StartGdiplus() {
        if (gdiplusStarted) return;
        Gdiplus::GdiplusStartupInput input;
        gdiplusStarted = Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) == Gdiplus::Ok;
        MarkPhase("GDI+");
    }
};

SharedResources& Shared() {
    static SharedResources shared;
    return shared;
}

COLORREF ToColorRef(Color argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

Color Darken(Color argb, double factor) {
    auto channel = [&](int shift) {
        return static_cast<Color>(static_cast<double>((argb >> shift) & 0xFF) * factor) << shift;
    };
    return (argb & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

Gdiplus::Color ToGdiplus(Color argb) {
    return Gdiplus::Color(static_cast<BYTE>(argb >> 24), static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8),
                          static_cast<BYTE>(argb));
}

// The image variant for the window's scale: "x@150.png", "x@125.png" or
// "x.png", whichever the package has.
std::wstring ScaledImageName(const std::wstring& name, int dpi) {
    const std::size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos) return name;
    const wchar_t* suffix = dpi >= 144 ? L"@150" : dpi >= 120 ? L"@125" : nullptr;
    if (suffix == nullptr) return name;
    const std::wstring scaled = name.substr(0, dot) + suffix + name.substr(dot);
    const ResourcePackage& package = Toolkit::Process().Package();
    return package.Archive().Find(WideToUtf8(scaled)) ? scaled : name;
}

Gdiplus::Bitmap* LoadImage(const std::wstring& name) {
    SharedResources& shared = Shared();
    const auto it = shared.images.find(name);
    if (it != shared.images.end()) return it->second.get();
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    if (Toolkit::Process().Package().ReadEntry(name, kMaxSkinEntrySize, bytes) == ZipError::None && !bytes.empty()) {
        if (IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()))) {
            bitmap.reset(Gdiplus::Bitmap::FromStream(stream));
            stream->Release();
            if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) bitmap.reset();
        }
    }
    Gdiplus::Bitmap* raw = bitmap.get();
    shared.images[name] = std::move(bitmap);  // a miss is remembered too
    return raw;
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

// --- Native children

class NativeEdit : public EditPeer {
public:
    NativeEdit(HWND parent, Edit& edit) : edit_(&edit) {
        DWORD style = WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL;
        if (edit.IsReadOnly()) style |= ES_READONLY;
        if (edit.IsPassword()) style |= ES_PASSWORD;
        hwnd_ = CreateWindowExW(0, L"EDIT", edit.Text().c_str(), style, 0, 0, 0, 0, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(edit.MaxChar()), 0);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        edit.SetPeer(this);
    }
    ~NativeEdit() override {
        if (edit_) edit_->SetPeer(nullptr);
        Detach();
    }
    void Detach() override {
        edit_ = nullptr;
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    void SetText(const std::wstring& text) override {
        settingText_ = true;
        SetWindowTextW(hwnd_, text.c_str());
        settingText_ = false;
    }
    void SetSel(int start, int end) override { SendMessageW(hwnd_, EM_SETSEL, start, end); }
    void SetFocus() override { ::SetFocus(hwnd_); }
    // EN_CHANGE: the user typed, unless the program set the text itself.
    void Changed() {
        if (settingText_ || edit_ == nullptr) return;
        const int length = GetWindowTextLengthW(hwnd_);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(hwnd_, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        edit_->UserChangedText(text);
    }
    HWND Handle() const { return hwnd_; }

private:
    Edit* edit_;
    HWND hwnd_ = nullptr;
    bool settingText_ = false;
};

class NativeRichEdit : public RichEditPeer {
public:
    NativeRichEdit(HWND parent, RichEdit& log) : log_(&log) {
        SharedResources& shared = Shared();
        if (shared.richEditLibrary == nullptr) shared.richEditLibrary = LoadLibraryW(L"msftedit.dll");
        DWORD style = WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
        if (log.IsReadOnly()) style |= ES_READONLY;
        if (log.HasVScrollBar()) style |= WS_VSCROLL;
        hwnd_ = CreateWindowExW(0, MSFTEDIT_CLASS, L"", style, 0, 0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
        if (hwnd_ == nullptr)  // Wine or old systems without msftedit: the older class
            hwnd_ = CreateWindowExW(0, RICHEDIT_CLASSW, L"", style, 0, 0, 0, 0, parent, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        if (hwnd_ != nullptr) {
            SendMessageW(hwnd_, EM_SETBKGNDCOLOR, 0, ToColorRef(log.BkColor() >> 24 ? log.BkColor() : 0xFFFFFFFF));
            // Log text comes in pieces; keep no undo history.
            SendMessageW(hwnd_, EM_SETUNDOLIMIT, 0, 0);
        }
    }
    // Once the control has its place: text wrapped at no width at all is
    // cut inside its clusters, and Wine's shaping of a Thai cluster cut so
    // reads out of bounds.
    void Attach() {
        if (log_ == nullptr) return;
        // The program's own text is replayed, so nothing is lost if the
        // control was created after lines were posted.
        if (hwnd_ != nullptr) {
            for (const TextRun& run : log_->Runs()) {
                SetSelectionCharFormat(run.format);
                AppendAtEnd(run.text);
            }
        }
        log_->SetPeer(this);
    }
    ~NativeRichEdit() override {
        if (log_) log_->SetPeer(nullptr);
        Detach();
    }
    void Detach() override {
        log_ = nullptr;
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    void SetText(const std::wstring& text) override { SetWindowTextW(hwnd_, text.c_str()); }
    void SetSelectionCharFormat(const CharFormat& format) override {
        format_ = format;
        Apply();
    }
    void AppendAtEnd(const std::wstring& text) override {
        // The caret may not be at the end (the user clicked into the log):
        // move it there, then give the insertion point the line's format.
        const LRESULT length = SendMessageW(hwnd_, WM_GETTEXTLENGTH, 0, 0);
        SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(length), length);
        SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        Apply(text);
        SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void LineScroll(int lines) override {
        for (int i = 0; i < lines; ++i) SendMessageW(hwnd_, WM_VSCROLL, SB_LINEDOWN, 0);
    }
    HWND Handle() const { return hwnd_; }

private:
    // An empty face leaves the choice to the control. Windows' rich edit
    // then binds a font per script; Wine's draws Thai and CJK text as empty
    // boxes. So the face is chosen here: the window's own, or the first
    // installed face that has every character of the text.
    void Apply(std::wstring_view text = {}) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof(format);
        format.dwMask = format_.mask;
        format.dwEffects = format_.effects;
        format.yHeight = format_.heightTwips;
        format.crTextColor = format_.colorRef;
        std::wstring face = format_.faceName;
        if (face.empty() && log_ != nullptr && log_->GetWindow() != nullptr)
            face = ResolveFontFace(log_->GetWindow()->DefaultFont().face, text);
        lstrcpynW(format.szFaceName, face.c_str(), LF_FACESIZE);
        SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION | SCF_WORD, reinterpret_cast<LPARAM>(&format));
    }

    RichEdit* log_;
    HWND hwnd_ = nullptr;
    CharFormat format_;
};

static_assert(sizeof(CHARFORMAT2W) == 116, "the log's character format is a 116-byte CHARFORMAT2");

// The native window of a NativeWindowHost control, of the class and with
// the text its layout names.
class NativeChild : public NativeChildPeer {
public:
    NativeChild(HWND parent, NativeWindowHost& place) : place_(&place) {
        hwnd_ = CreateWindowExW(0, place.WindowClass().c_str(), place.WindowText().c_str(), WS_CHILD, 0, 0, 0, 0,
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        place.SetPeer(this);
    }
    ~NativeChild() override {
        if (place_) place_->SetPeer(nullptr);
        Detach();
    }
    WindowHandle Handle() const override { return hwnd_; }
    void Detach() override {
        place_ = nullptr;
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    HWND Hwnd() const { return hwnd_; }

private:
    NativeWindowHost* place_;
    HWND hwnd_ = nullptr;
};

// The combo whose list is dropped, if any is shown.
Combo* DroppedCombo(Control& control) {
    if (!control.IsVisible()) return nullptr;
    if (auto* combo = dynamic_cast<Combo*>(&control)) return combo->IsDropped() ? combo : nullptr;
    if (Container* container = control.AsContainer())
        for (std::size_t i = 0; i < container->Count(); ++i)
            if (Combo* found = DroppedCombo(*container->ItemAt(i))) return found;
    return nullptr;
}

}  // namespace

// --- The window

struct WindowHost::Impl {
    Window& window;
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    bool created = false;
    int dpi = 96;
    bool layoutValid = false;
    bool trackingMouse = false;
    Control* hot = nullptr;
    Control* pushed = nullptr;
    Control* focused = nullptr;
    int modalResult = 0;
    std::shared_ptr<bool> modalEnded;
    std::map<Control*, std::unique_ptr<NativeEdit>> edits;
    std::map<Control*, std::unique_ptr<NativeRichEdit>> logs;
    std::map<Control*, std::unique_ptr<NativeChild>> natives;
    int comboHotItem = -1;
    std::map<std::wstring, HFONT> fonts;
    int animationFrame = 0;
    bool animating = false;
    // The whole client area waits for WM_PAINT already: building a page sets
    // hundreds of attributes, and each InvalidateRect is a round trip to
    // the window server under Wine.
    bool invalidated = false;
    // The list whose scroll thumb is being dragged, and where on the thumb
    // it was grabbed; the list whose bar is under the mouse.
    List* dragging = nullptr;
    int dragGrab = 0;
    List* barHot = nullptr;
    // A high-resolution wheel sends parts of a notch: what is left over.
    List* wheelList = nullptr;
    int wheelRest = 0;

    explicit Impl(Window& w) : window(w) {}
    ~Impl() {
        for (auto& entry : fonts) DeleteObject(entry.second);
    }

    // Layout pixels (96 DPI) to the window's device pixels, and back.
    double Scale() const { return dpi / 96.0; }
    int ToDevice(int value) const { return static_cast<int>(std::lround(value * Scale())); }
    RECT ToDevice(const Rect& r) const { return RECT{ToDevice(r.left), ToDevice(r.top), ToDevice(r.right), ToDevice(r.bottom)}; }
    int ToLayout(int physical) const { return static_cast<int>(std::lround(physical / Scale())); }

    HFONT Font(int fontId, std::wstring_view text = {}) {
        const FontInfo effective = window.EffectiveFont(fontId);
        const FontInfo* info = &effective;
        const std::wstring face = ResolveFontFace(info->face, text);
        const std::wstring key = face + L"|" + std::to_wstring(info->size) + L"|" + std::to_wstring(dpi) +
                                 (info->bold ? L"b" : L"") + (info->italic ? L"i" : L"") +
                                 (info->underline ? L"u" : L"");
        const auto it = fonts.find(key);
        if (it != fonts.end()) return it->second;
        LOGFONTW logFont{};
        logFont.lfHeight = -ToDevice(info->size);
        logFont.lfWeight = info->bold ? FW_BOLD : FW_NORMAL;
        logFont.lfItalic = info->italic;
        logFont.lfUnderline = info->underline;
        logFont.lfCharSet = DEFAULT_CHARSET;
        logFont.lfQuality = CLEARTYPE_QUALITY;
        lstrcpynW(logFont.lfFaceName, face.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&logFont);
        fonts[key] = font;
        return font;
    }

    void Layout() {
        RECT client{};
        GetClientRect(hwnd, &client);
        if (Control* root = window.Root()) {
            root->SetPos(Rect{0, 0, ToLayout(client.right), ToLayout(client.bottom)});
            SyncNativeChildren(root);
        }
        layoutValid = true;
    }

    // Native children are made when their control is first shown: the
    // logs and edits of pages nobody opened cost no windows (nor the
    // RichEdit library) at start-up.
    void SyncNativeChildren(Control* control) {
        if (auto* edit = dynamic_cast<Edit*>(control)) {
            auto it = edits.find(control);
            if (it == edits.end() && control->IsShown())
                it = edits.emplace(control, std::make_unique<NativeEdit>(hwnd, *edit)).first;
            if (it != edits.end()) {
                Place(it->second->Handle(), *control, edit->TextPadding());
                SendMessageW(it->second->Handle(), WM_SETFONT,
                             reinterpret_cast<WPARAM>(Font(control->Font(), edit->Text())), FALSE);
            }
        } else if (auto* log = dynamic_cast<RichEdit*>(control)) {
            auto it = logs.find(control);
            if (it == logs.end() && control->IsShown()) {
                it = logs.emplace(control, std::make_unique<NativeRichEdit>(hwnd, *log)).first;
                Place(it->second->Handle(), *control, Insets{});
                it->second->Attach();
            }
            if (it != logs.end()) Place(it->second->Handle(), *control, Insets{});
        } else if (auto* place = dynamic_cast<NativeWindowHost*>(control)) {
            auto it = natives.find(control);
            if (it == natives.end() && control->IsShown())
                it = natives.emplace(control, std::make_unique<NativeChild>(hwnd, *place)).first;
            if (it != natives.end() && it->second->Hwnd() != nullptr) {
                Place(it->second->Hwnd(), *control, Insets{});
                SendMessageW(it->second->Hwnd(), WM_SETFONT,
                             reinterpret_cast<WPARAM>(Font(control->Font(), place->WindowText())), FALSE);
            }
        }
        if (Container* container = control->AsContainer())
            for (std::size_t i = 0; i < container->Count(); ++i) SyncNativeChildren(container->ItemAt(i));
    }

    void Place(HWND child, const Control& control, const Insets& padding) {
        const int border = control.BorderSize();
        RECT r = ToDevice(control.Pos());
        r.left += ToDevice(border + padding.left);
        r.right -= ToDevice(border + padding.right);
        // Single-line edits sit in the vertical middle of their box.
        const int lineHeight = ToDevice(control.GetWindow()->DefaultFont().size + 6);
        if (dynamic_cast<const Edit*>(&control) && r.bottom - r.top > lineHeight) {
            const int top = r.top + (r.bottom - r.top - lineHeight) / 2;
            r.top = top;
            r.bottom = top + lineHeight;
        } else {
            r.top += ToDevice(border);
            r.bottom -= ToDevice(border);
        }
        SetWindowPos(child, nullptr, r.left, r.top, std::max(0, static_cast<int>(r.right - r.left)),
                     std::max(0, static_cast<int>(r.bottom - r.top)), SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(child, control.IsShown() ? SW_SHOWNA : SW_HIDE);
        EnableWindow(child, control.IsEnabled());
    }

    bool OverCaption(int x, int y) {
        const int band = window.CaptionBand().bottom;
        if (y >= band) return false;
        Control* root = window.Root();
        return root == nullptr || HitTest(*root, x, y) == nullptr;
    }

    // The list whose scroll bar is under a point (layout pixels), or null.
    List* ScrollBarAt(int x, int y) {
        List* list = window.Root() ? ListAt(*window.Root(), x, y) : nullptr;
        return list && list->ScrollBarRect().Contains(x, y) ? list : nullptr;
    }

    // The mouse is at a point (layout pixels): the hot control and scroll bar follow.
    void Hover(int x, int y) {
        Control* under = window.Root() ? HitTest(*window.Root(), x, y) : nullptr;
        List* bar = ScrollBarAt(x, y);
        if (under == hot && bar == barHot) return;
        if (hot) hot->SetHot(false);
        hot = under;
        if (hot) hot->SetHot(true);
        barHot = bar;
        InvalidateRect(hwnd, nullptr, FALSE);
    }

    // False when no scrolling list is under the point.
    bool Wheel(int delta, int x, int y);

    void Paint(HDC dc);
    void PaintControl(Gdiplus::Graphics& graphics, HDC dc, Control& control);
    void PaintText(HDC dc, Control& control, RECT r, const std::wstring& text, Color color, bool wrap);
    void PaintIndicator(Gdiplus::Graphics& graphics, const RECT& box, bool radio, bool selected, Color accent);
    void PaintSpinner(Gdiplus::Graphics& graphics, const RECT& r, Color color);
    void PaintScrollBar(Gdiplus::Graphics& graphics, const List& list);
    bool AnyAnimationPlaying(Control* control);

    void UpdateAnimation() {
        const bool playing = window.Root() && AnyAnimationPlaying(window.Root());
        if (playing && !animating) SetTimer(hwnd, kAnimationTimer, kAnimationIntervalMs, nullptr);
        if (!playing && animating) KillTimer(hwnd, kAnimationTimer);
        animating = playing;
    }

    void MoveFocus(bool backwards);
    LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam);
};

namespace {

// Shown, enabled controls that take the focus, in layout order. Like a
// window's own caption buttons, those in the caption band are left out.
std::vector<Control*> FocusOrder(Control* control, int captionBottom) {
    std::vector<Control*> order;
    if (!control->IsVisible() || !control->IsEnabled()) return order;
    if (control->WantsFocus() && control->Pos().top >= captionBottom) order.push_back(control);
    if (Container* container = control->AsContainer())
        for (std::size_t i = 0; i < container->Count(); ++i) {
            const auto inner = FocusOrder(container->ItemAt(i), captionBottom);
            order.insert(order.end(), inner.begin(), inner.end());
        }
    return order;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Tab moves the focus through the window's controls even when a native
// edit child has the keyboard, as a dialog's own loop would do.
bool PreTranslate(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (root == nullptr || reinterpret_cast<WNDPROC>(GetWindowLongPtrW(root, GWLP_WNDPROC)) != WindowProc) return false;
    auto* impl = reinterpret_cast<WindowHost::Impl*>(GetWindowLongPtrW(root, GWLP_USERDATA));
    if (impl == nullptr) return false;
    impl->MoveFocus(GetKeyState(VK_SHIFT) < 0);
    return true;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowHost::Impl* impl = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        impl = static_cast<WindowHost::Impl*>(create->lpCreateParams);
        impl->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
    } else {
        impl = reinterpret_cast<WindowHost::Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (impl == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return impl->Proc(message, wParam, lParam);
}

}  // namespace

bool WindowHost::Impl::AnyAnimationPlaying(Control* control) {
    if (!control->IsVisible()) return false;
    if (auto* gif = dynamic_cast<GifAnim*>(control)) return gif->IsPlaying();
    if (Container* container = control->AsContainer())
        for (std::size_t i = 0; i < container->Count(); ++i)
            if (AnyAnimationPlaying(container->ItemAt(i))) return true;
    return false;
}

void WindowHost::Impl::MoveFocus(bool backwards) {
    if (window.Root() == nullptr) return;
    if (!layoutValid) Layout();
    const std::vector<Control*> order = FocusOrder(window.Root(), window.CaptionBand().bottom);
    if (order.empty()) return;
    auto it = std::find(order.begin(), order.end(), focused);
    std::size_t index = 0;
    if (it != order.end()) {
        const std::size_t current = static_cast<std::size_t>(it - order.begin());
        index = backwards ? (current + order.size() - 1) % order.size() : (current + 1) % order.size();
    } else if (backwards) {
        index = order.size() - 1;
    }
    focused = order[index];
    if (auto edit = edits.find(focused); edit != edits.end()) ::SetFocus(edit->second->Handle());
    else if (auto log = logs.find(focused); log != logs.end()) ::SetFocus(log->second->Handle());
    else ::SetFocus(hwnd);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void WindowHost::Impl::PaintText(HDC dc, Control& control, RECT r, const std::wstring& text, Color color, bool wrap) {
    if (text.empty()) return;
    const Insets& pad = control.TextPadding();
    r.left += ToDevice(pad.left);
    r.top += ToDevice(pad.top);
    r.right -= ToDevice(pad.right);
    r.bottom -= ToDevice(pad.bottom);
    UINT format = DT_NOPREFIX;
    switch (control.TextAlign()) {
        case Control::Align::Center: format |= DT_CENTER; break;
        case Control::Align::Right: format |= DT_RIGHT; break;
        default: format |= DT_LEFT; break;
    }
    HGDIOBJ old = SelectObject(dc, Font(control.Font(), text));
    SetTextColor(dc, ToColorRef(color));
    SetBkMode(dc, TRANSPARENT);
    if (wrap) {
        // Word-wrapped text, placed by its measured height.
        RECT measure = r;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, format | DT_WORDBREAK | DT_CALCRECT);
        const int height = measure.bottom - measure.top;
        if (control.TextVAlign() == Control::VAlign::Center && height < r.bottom - r.top)
            r.top += (r.bottom - r.top - height) / 2;
        else if (control.TextVAlign() == Control::VAlign::Bottom && height < r.bottom - r.top)
            r.top = r.bottom - height;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_WORDBREAK | DT_END_ELLIPSIS);
    } else {
        format |= DT_SINGLELINE | DT_END_ELLIPSIS;
        format |= control.TextVAlign() == Control::VAlign::Top      ? DT_TOP
                  : control.TextVAlign() == Control::VAlign::Bottom ? DT_BOTTOM
                                                                    : DT_VCENTER;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    }
    SelectObject(dc, old);
}

void WindowHost::Impl::PaintIndicator(Gdiplus::Graphics& graphics, const RECT& box, bool radio, bool selected,
                                      Color accent) {
    const Gdiplus::REAL size = static_cast<Gdiplus::REAL>(ToDevice(kIndicatorSize));
    const Gdiplus::REAL x = static_cast<Gdiplus::REAL>(box.left);
    const Gdiplus::REAL y = static_cast<Gdiplus::REAL>(box.top + (box.bottom - box.top - ToDevice(kIndicatorSize)) / 2);
    Gdiplus::Pen frame(ToGdiplus(selected ? accent : 0xFF8A94A3), static_cast<Gdiplus::REAL>(Scale()));
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    Gdiplus::SolidBrush fill(ToGdiplus(accent));
    if (radio) {
        graphics.FillEllipse(&white, x, y, size, size);
        graphics.DrawEllipse(&frame, x, y, size, size);
        if (selected) {
            const Gdiplus::REAL inset = size * 0.28f;
            graphics.FillEllipse(&fill, x + inset, y + inset, size - 2 * inset, size - 2 * inset);
        }
    } else {
        if (selected) graphics.FillRectangle(&fill, x, y, size, size);
        else graphics.FillRectangle(&white, x, y, size, size);
        graphics.DrawRectangle(&frame, x, y, size, size);
        if (selected) {
            Gdiplus::Pen tick(Gdiplus::Color(255, 255, 255, 255), static_cast<Gdiplus::REAL>(2 * Scale()));
            const Gdiplus::PointF points[] = {{x + size * 0.22f, y + size * 0.52f},
                                              {x + size * 0.42f, y + size * 0.72f},
                                              {x + size * 0.78f, y + size * 0.30f}};
            graphics.DrawLines(&tick, points, 3);
        }
    }
}

void WindowHost::Impl::PaintSpinner(Gdiplus::Graphics& graphics, const RECT& r, Color color) {
    const int side = std::min(r.right - r.left, r.bottom - r.top);
    if (side <= 4) return;
    const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(std::max(2, side / 8));
    const Gdiplus::REAL inset = width / 2 + 1;
    const Gdiplus::RectF box(static_cast<Gdiplus::REAL>(r.left + (r.right - r.left - side) / 2) + inset,
                             static_cast<Gdiplus::REAL>(r.top + (r.bottom - r.top - side) / 2) + inset,
                             static_cast<Gdiplus::REAL>(side) - 2 * inset, static_cast<Gdiplus::REAL>(side) - 2 * inset);
    Gdiplus::Pen track(Gdiplus::Color(60, 128, 128, 128), width);
    graphics.DrawEllipse(&track, box);
    Gdiplus::Pen arc(ToGdiplus(color), width);
    arc.SetStartCap(Gdiplus::LineCapRound);
    arc.SetEndCap(Gdiplus::LineCapRound);
    graphics.DrawArc(&arc, box, static_cast<Gdiplus::REAL>((animationFrame * 30) % 360), 100.0f);
}

void WindowHost::Impl::PaintControl(Gdiplus::Graphics& graphics, HDC dc, Control& control) {
    if (!control.IsVisible()) return;
    const RECT r = ToDevice(control.Pos());
    if (r.right <= r.left || r.bottom <= r.top) return;

    auto* option = dynamic_cast<Option*>(&control);
    auto* row = dynamic_cast<ListContainerElement*>(&control);
    const bool selected = (option && option->IsSelected()) || (row && row->IsSelected());
    const bool isHot = control.IsHot() && control.IsEnabled();

    // Background: colour, then image (the state's image if it has one).
    Color background = control.BkColor();
    if (row && (selected || isHot) && (background >> 24) != 0) background = selected ? 0xFFE8F1FB : 0xFFF3F7FC;
    // A coloured push button darkens under the mouse and when pressed.
    if (dynamic_cast<Button*>(&control) && !option && (background >> 24) != 0 && control.IsEnabled())
        if (isHot || control.IsPushed()) background = Darken(background, control.IsPushed() ? 0.78 : 0.88);
    const Size round = control.BorderRound();
    const auto shape = [&](Gdiplus::REAL inset) {
        // The outline of the control, `inset` pixels inside its rectangle.
        auto path = std::make_unique<Gdiplus::GraphicsPath>();
        const Gdiplus::REAL x = static_cast<Gdiplus::REAL>(r.left) + inset;
        const Gdiplus::REAL y = static_cast<Gdiplus::REAL>(r.top) + inset;
        const Gdiplus::REAL w = static_cast<Gdiplus::REAL>(r.right - r.left) - 2 * inset;
        const Gdiplus::REAL h = static_cast<Gdiplus::REAL>(r.bottom - r.top) - 2 * inset;
        if (round.cx > 0 && round.cy > 0) {
            const Gdiplus::REAL dx = std::min(w, static_cast<Gdiplus::REAL>(ToDevice(round.cx) * 2));
            const Gdiplus::REAL dy = std::min(h, static_cast<Gdiplus::REAL>(ToDevice(round.cy) * 2));
            path->AddArc(x, y, dx, dy, 180, 90);
            path->AddArc(x + w - dx, y, dx, dy, 270, 90);
            path->AddArc(x + w - dx, y + h - dy, dx, dy, 0, 90);
            path->AddArc(x, y + h - dy, dx, dy, 90, 90);
            path->CloseFigure();
        } else {
            path->AddRectangle(Gdiplus::RectF(x, y, w, h));
        }
        return path;
    };
    const auto fillPath = shape(0);
    Gdiplus::GraphicsPath& path = *fillPath;
    const Gdiplus::REAL left = static_cast<Gdiplus::REAL>(r.left), top = static_cast<Gdiplus::REAL>(r.top);
    const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(r.right - r.left - 1);
    const Gdiplus::REAL height = static_cast<Gdiplus::REAL>(r.bottom - r.top - 1);
    if ((background >> 24) != 0) {
        Gdiplus::SolidBrush brush(ToGdiplus(background));
        graphics.FillPath(&brush, &path);
    }
    std::wstring image = control.Image(L"bkimage");
    if (control.IsEnabled() == false && !control.Image(L"disabledimage").empty()) image = control.Image(L"disabledimage");
    else if (selected && !control.Image(L"selectedimage").empty()) image = control.Image(L"selectedimage");
    else if (control.IsPushed() && !control.Image(L"pushedimage").empty()) image = control.Image(L"pushedimage");
    else if (isHot && !control.Image(L"hotimage").empty()) image = control.Image(L"hotimage");
    else if (!control.Image(L"normalimage").empty()) image = control.Image(L"normalimage");
    if (!image.empty() && !dynamic_cast<GifAnim*>(&control)) {
        if (Gdiplus::Bitmap* bitmap = LoadImage(ScaledImageName(image, dpi)))
            graphics.DrawImage(bitmap, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    }
    if (control.BorderSize() > 0 && (control.BorderColor() >> 24) != 0) {
        Color border = control.BorderColor();
        if (option && (selected || isHot) && control.SelectedTextColor() != 0) border = control.SelectedTextColor();
        // Half a pen inside the outline, so the right and bottom edges stay
        // on the control's own pixels when a row clips at its edge.
        const Gdiplus::REAL penWidth = static_cast<Gdiplus::REAL>(ToDevice(control.BorderSize()));
        Gdiplus::Pen pen(ToGdiplus(border), penWidth);
        graphics.DrawPath(&pen, shape(penWidth / 2).get());
    }
    if (focused == &control && dynamic_cast<Button*>(&control)) {
        Gdiplus::Pen pen(Gdiplus::Color(160, 30, 111, 217), static_cast<Gdiplus::REAL>(Scale()));
        pen.SetDashStyle(Gdiplus::DashStyleDot);
        graphics.DrawRectangle(&pen, left + 1, top + 1, width - 2, height - 2);
    }

    // Content.
    Color textColor = control.TextColor();
    if (!control.IsEnabled()) textColor = control.DisabledTextColor();
    else if (selected && control.SelectedTextColor() != 0) textColor = control.SelectedTextColor();
    else if (isHot && control.HotTextColor() != 0) textColor = control.HotTextColor();

    if (auto* circle = dynamic_cast<CircleProgress*>(&control)) {
        graphics.Flush();
        PaintCircleProgress(graphics, dc, r, *circle, Scale(), animationFrame, Font(control.Font(), L"100%"));
        return;
    }
    if (auto* gif = dynamic_cast<GifAnim*>(&control)) {
        if (gif->IsPlaying()) PaintSpinner(graphics, r, 0xFF1E6FD9);
        return;
    }
    if (auto* combo = dynamic_cast<Combo*>(&control)) {
        const int chosen = combo->SelectedIndex();
        const std::wstring text = chosen >= 0 ? combo->Items()[static_cast<std::size_t>(chosen)] : std::wstring();
        PaintComboBox(graphics, dc, r, *combo, Scale(), Font(control.Font(), text));
        return;
    }
    if (auto* chart = dynamic_cast<Chart*>(&control)) {
        std::wstring labels;
        for (const Chart::Item& item : chart->Items()) labels += item.label;
        PaintChart(graphics, dc, r, *chart, Scale(), Font(control.Font(), labels));
        return;
    }
    if (auto* checkRow = dynamic_cast<ListTextExtElement*>(&control)) {
        const bool box = checkRow->HasCheckBox();
        if (box) {
            RECT mark{r.left + ToDevice(8), r.top, r.left + ToDevice(kCheckColumnWidth), r.bottom};
            PaintIndicator(graphics, mark, false, checkRow->IsChecked(), 0xFF1E6FD9);
        }
        RECT text{r.left + ToDevice(box ? kCheckColumnWidth + 4 : 4), r.top, r.right - ToDevice(4), r.bottom};
        graphics.Flush();
        PaintText(dc, control, text, checkRow->ShownText(), textColor, false);
    }
    if (option) {
        const Insets& pad = control.TextPadding();
        if (pad.left >= kIndicatorSize + 4) {
            // The mark sits in the text's left padding, six pixels before the text.
            const int indent = std::max(0, pad.left - kIndicatorSize - 6);
            RECT box{r.left + ToDevice(indent), r.top, r.left + ToDevice(indent + kIndicatorSize), r.bottom};
            PaintIndicator(graphics, box, !option->Group().empty(), option->IsSelected(),
                           control.SelectedTextColor() ? control.SelectedTextColor() : 0xFF1E6FD9);
        }
    }
    if (dynamic_cast<Label*>(&control) && !dynamic_cast<Edit*>(&control)) {
        graphics.Flush();
        PaintText(dc, control, r, control.DisplayText(), textColor, dynamic_cast<TextControl*>(&control) != nullptr);
    }

    if (Container* container = control.AsContainer()) {
        // A list's rows scroll under its border: they show inside only.
        const RECT area = ToDevice(container->VisibleArea());
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        Gdiplus::Region oldClip;
        graphics.GetClip(&oldClip);
        // Half-pixel offset drawing: the clip moves with it, or the last
        // column and row of the container would fall outside.
        graphics.SetClip(Gdiplus::RectF(static_cast<Gdiplus::REAL>(area.left) + 0.5f,
                                        static_cast<Gdiplus::REAL>(area.top) + 0.5f,
                                        static_cast<Gdiplus::REAL>(area.right - area.left),
                                        static_cast<Gdiplus::REAL>(area.bottom - area.top)),
                         Gdiplus::CombineModeIntersect);
        for (std::size_t i = 0; i < container->Count(); ++i) PaintControl(graphics, dc, *container->ItemAt(i));
        graphics.SetClip(&oldClip);
        RestoreDC(dc, saved);
    }
    if (auto* list = dynamic_cast<List*>(&control); list && list->HasScrollBar()) PaintScrollBar(graphics, *list);
}

void WindowHost::Impl::PaintScrollBar(Gdiplus::Graphics& graphics, const List& list) {
    // A slim bar with round ends: a light track, a grey thumb that darkens
    // under the mouse and while dragged.
    const auto pill = [](const RECT& r) {
        auto path = std::make_unique<Gdiplus::GraphicsPath>();
        const Gdiplus::REAL x = static_cast<Gdiplus::REAL>(r.left), y = static_cast<Gdiplus::REAL>(r.top);
        const Gdiplus::REAL w = static_cast<Gdiplus::REAL>(r.right - r.left);
        const Gdiplus::REAL h = static_cast<Gdiplus::REAL>(r.bottom - r.top);
        const Gdiplus::REAL d = std::min(w, h);
        path->AddArc(x, y, d, d, 180, 180);
        path->AddArc(x, y + h - d, d, d, 0, 180);
        path->CloseFigure();
        return path;
    };
    RECT track = ToDevice(list.ScrollBarRect());
    RECT thumb = ToDevice(list.ScrollThumbRect());
    // A pixel of air around the bar at 100 %, so it does not touch the border.
    const int air = std::max(1, ToDevice(1));
    track.top += air;
    track.bottom -= air;
    track.right -= air;
    thumb.right -= air;
    thumb.top = std::max(thumb.top, track.top);
    thumb.bottom = std::min(thumb.bottom, track.bottom);
    if (track.right - track.left < 2 || thumb.bottom - thumb.top < 2) return;
    Gdiplus::SolidBrush trackBrush(ToGdiplus(0xFFEEF1F5));
    graphics.FillPath(&trackBrush, pill(track).get());
    const bool active = dragging == &list || barHot == &list;
    Gdiplus::SolidBrush thumbBrush(ToGdiplus(active ? 0xFF8E97A4 : 0xFFB9C0CA));
    graphics.FillPath(&thumbBrush, pill(thumb).get());
}

bool WindowHost::Impl::Wheel(int delta, int x, int y) {
    if (!layoutValid) Layout();
    List* list = window.Root() ? ListAt(*window.Root(), x, y) : nullptr;
    if (list == nullptr || !list->HasScrollBar()) return false;
    if (list != wheelList) {
        wheelList = list;
        wheelRest = 0;
    }
    // Three rows a notch, or a page when the list shows fewer.
    const int step = std::min(3 * list->LineHeight(), list->PageHeight());
    wheelRest += delta * step;
    const int pixels = wheelRest / WHEEL_DELTA;
    wheelRest -= pixels * WHEEL_DELTA;
    if (!list->ScrollBy(-pixels)) wheelRest = 0;  // at an end: nothing saved up
    // The rows moved under a still mouse.
    Layout();
    Hover(x, y);
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

void WindowHost::Impl::Paint(HDC target) {
    if (!layoutValid) Layout();
    RECT client{};
    GetClientRect(hwnd, &client);
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        Gdiplus::Graphics graphics(dc);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        if (Control* root = window.Root()) {
            PaintControl(graphics, dc, *root);
            // A dropped list lies over whatever is below its box.
            if (Combo* combo = DroppedCombo(*root)) {
                std::wstring items;
                for (const std::wstring& item : combo->Items()) items += item;
                PaintComboList(graphics, dc, ToDevice(combo->DropRect()), *combo, comboHotItem, Scale(),
                               Font(combo->Font(), items));
            }
        }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

LRESULT WindowHost::Impl::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND self = hwnd;
    switch (message) {
        case WM_CREATE: {
            // The skin draws caption and frame itself. Without these bits
            // Windows (and Wine's X11 driver) keep no room for a frame of
            // their own around the client area.
            const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
            SetWindowLongPtrW(hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME)) |
                                                   WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            dpi = DpiOf(hwnd);
            window.SetDpi(dpi);
            created = window.OnCreate();
            if (!created) return -1;
            return 0;
        }
        case WM_NCCALCSIZE:
            // The skin draws the whole window, caption included.
            if (wParam) return 0;
            break;
        case WM_NCACTIVATE:
            return TRUE;
        case WM_NCPAINT:
            return 0;
        case WM_NCHITTEST: {
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(hwnd, &point);
            if (!IsZoomed(hwnd) && OverCaption(ToLayout(point.x), ToLayout(point.y))) return HTCAPTION;
            return HTCLIENT;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            invalidated = false;
            UpdateAnimation();
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            Paint(dc);
            EndPaint(hwnd, &paint);
            static bool painted = false;
            if (!painted) {
                painted = true;
                MarkPhase("first paint");
            }
            return 0;
        }
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
        case WM_MOUSEMOVE: {
            if (!trackingMouse) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
                trackingMouse = TrackMouseEvent(&track) != FALSE;
            }
            const int x = ToLayout(static_cast<short>(LOWORD(lParam))), y = ToLayout(static_cast<short>(HIWORD(lParam)));
            if (dragging) {
                dragging->ScrollTo(dragging->OffsetForThumbTop(y - dragGrab));
                InvalidateRect(hwnd, nullptr, FALSE);
                return 0;
            }
            if (Combo* combo = window.Root() ? DroppedCombo(*window.Root()) : nullptr) {
                const int item = combo->ItemAt(x, y);
                if (item != comboHotItem) InvalidateRect(hwnd, nullptr, FALSE);
                comboHotItem = item;
            }
            Hover(x, y);
            return 0;
        }
        case WM_MOUSEWHEEL: {
            // The point is on the screen, not in the window.
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(hwnd, &point);
            if (Wheel(GET_WHEEL_DELTA_WPARAM(wParam), ToLayout(point.x), ToLayout(point.y))) return 0;
            break;
        }
        case WM_CAPTURECHANGED:
            if (dragging) {
                dragging = nullptr;
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            trackingMouse = false;
            if (hot) hot->SetHot(false);
            hot = nullptr;
            barHot = nullptr;
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN: {
            if (!layoutValid) Layout();
            const int x = ToLayout(static_cast<short>(LOWORD(lParam))), y = ToLayout(static_cast<short>(HIWORD(lParam)));
            if (Combo* combo = window.Root() ? DroppedCombo(*window.Root()) : nullptr) {
                // A dropped list takes the click: an item is chosen; a click
                // on its own box goes on and folds it; anywhere else folds it.
                InvalidateRect(hwnd, nullptr, FALSE);
                const int item = combo->ItemAt(x, y);
                if (item >= 0) {
                    combo->Select(item);
                    return 0;
                }
                if (!combo->Pos().Contains(x, y)) combo->Fold();
            }
            if (List* list = ScrollBarAt(x, y)) {
                // The thumb is dragged; the track pages towards the click.
                const Rect thumb = list->ScrollThumbRect();
                if (y >= thumb.top && y < thumb.bottom) {
                    dragging = list;
                    dragGrab = y - thumb.top;
                    SetCapture(hwnd);
                } else {
                    list->ScrollBy(y < thumb.top ? -list->PageHeight() : list->PageHeight());
                }
                InvalidateRect(hwnd, nullptr, FALSE);
                return 0;
            }
            Control* under = window.Root() ? HitTest(*window.Root(), x, y) : nullptr;
            if (under && under->IsEnabled()) {
                pushed = under;
                pushed->SetPushed(true);
                SetCapture(hwnd);
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            if (dragging) {
                dragging = nullptr;
                if (GetCapture() == hwnd) ReleaseCapture();
                InvalidateRect(hwnd, nullptr, FALSE);
                return 0;
            }
            Control* clicked = pushed;
            pushed = nullptr;
            if (GetCapture() == hwnd) ReleaseCapture();
            if (clicked == nullptr) return 0;
            clicked->SetPushed(false);
            const int x = ToLayout(static_cast<short>(LOWORD(lParam))), y = ToLayout(static_cast<short>(HIWORD(lParam)));
            InvalidateRect(hwnd, nullptr, FALSE);
            if (!clicked->Pos().Contains(x, y)) return 0;
            focused = clicked->WantsFocus() ? clicked : focused;
            if (auto* checkRow = dynamic_cast<ListTextExtElement*>(clicked);
                checkRow && checkRow->HasCheckBox() && x < checkRow->Pos().left + kCheckColumnWidth)
                checkRow->ClickCheckBox();
            else
                clicked->Activate();
            // The click may have closed or destroyed this window.
            if (IsWindow(self)) InvalidateRect(self, nullptr, FALSE);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                MoveFocus(GetKeyState(VK_SHIFT) < 0);
                return 0;
            }
            if ((wParam == VK_RETURN || wParam == VK_SPACE) && focused) {
                focused->Activate();
                return 0;
            }
            if ((wParam == VK_UP || wParam == VK_DOWN) && dynamic_cast<Combo*>(focused)) {
                static_cast<Combo*>(focused)->Step(wParam == VK_UP);
                InvalidateRect(hwnd, nullptr, FALSE);
                return 0;
            }
            if (wParam == VK_ESCAPE && window.Root()) {
                if (Combo* combo = DroppedCombo(*window.Root())) {
                    combo->Fold();
                    InvalidateRect(hwnd, nullptr, FALSE);
                    return 0;
                }
            }
            if (wParam == VK_UP || wParam == VK_DOWN) {
                // From a row's radio mark, the arrows click the row above or
                // below and take the focus to its mark.
                auto* mark = dynamic_cast<Option*>(focused);
                ListContainerElement* row = mark ? mark->MarkedRow() : nullptr;
                List* list = row ? row->OwnerList() : nullptr;
                ListContainerElement* next = list ? list->NextRow(row, wParam == VK_UP) : nullptr;
                if (next == nullptr) break;
                // Moved before the click: its handler may rebuild the list
                // or close the window, and a destroyed control leaves the
                // focus by itself.
                if (Option* nextMark = next->RadioMark(); nextMark && nextMark->IsShown() && nextMark->IsEnabled())
                    focused = nextMark;
                InvalidateRect(hwnd, nullptr, FALSE);
                next->Activate();
                return 0;
            }
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == EN_SETFOCUS) {
                const HWND child = reinterpret_cast<HWND>(lParam);
                for (auto& [control, peer] : edits)
                    if (peer->Handle() == child) focused = control;
                return 0;
            }
            if (HIWORD(wParam) == EN_CHANGE) {
                const HWND child = reinterpret_cast<HWND>(lParam);
                for (auto& [control, peer] : edits)
                    if (peer->Handle() == child) {
                        peer->Changed();
                        break;
                    }
                return 0;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            const HWND child = reinterpret_cast<HWND>(lParam);
            for (auto& [control, peer] : edits)
                if (peer->Handle() == child) {
                    HDC dc = reinterpret_cast<HDC>(wParam);
                    SetTextColor(dc, ToColorRef(control->IsEnabled() ? control->TextColor() : control->DisabledTextColor()));
                    SetBkColor(dc, ToColorRef(control->BkColor() >> 24 ? control->BkColor() : 0xFFFFFFFF));
                    SetDCBrushColor(dc, ToColorRef(control->BkColor() >> 24 ? control->BkColor() : 0xFFFFFFFF));
                    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
                }
            break;
        }
        case WM_GETMINMAXINFO:
            break;
        case WM_GETOBJECT:
            return AnswerGetObject(window, hwnd, wParam, lParam);
        case WM_NCDESTROY: {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            edits.clear();
            logs.clear();
            natives.clear();
            hwnd = nullptr;
            if (created) window.FinalMessage();  // may delete the window and this host
            return 0;
        }
        default:
            break;
    }

    bool handled = false;
    const LRESULT result = window.HandleMessage(message, wParam, lParam, handled);
    if (handled) return result;
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

WindowHost::WindowHost(Window& window) : impl_(std::make_unique<Impl>(window)) {}

WindowHost::~WindowHost() {
    if (impl_->hwnd != nullptr && IsWindow(impl_->hwnd)) {
        // The object goes first: the window must not call back into it.
        SetWindowLongPtrW(impl_->hwnd, GWLP_USERDATA, 0);
        DestroyWindow(impl_->hwnd);
    }
}

bool WindowHost::Create(WindowHandle owner, const std::wstring& className, std::uint32_t classStyle,
                        const std::wstring& caption, std::uint32_t style, std::uint32_t exStyle, int x, int y, int cx,
                        int cy) {
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
    impl_->owner = static_cast<HWND>(owner);
    HWND hwnd = CreateWindowExW(exStyle, className.c_str(), caption.c_str(), style, x, y, cx, cy, impl_->owner, nullptr,
                                instance, impl_.get());
    MarkPhase("window created");
    return hwnd != nullptr && impl_->created;
}

void WindowHost::Center() {
    RECT own{};
    GetWindowRect(impl_->hwnd, &own);
    RECT area{};
    if (impl_->owner != nullptr && IsWindowVisible(impl_->owner) && !IsIconic(impl_->owner)) {
        GetWindowRect(impl_->owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(impl_->hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowHost::RunModal() {
    auto ended = std::make_shared<bool>(false);
    impl_->modalEnded = ended;
    HWND self = impl_->hwnd;
    HWND owner = impl_->owner;
    int* result = &impl_->modalResult;
    int answer = 0;
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(self, SW_SHOWNORMAL);
    MSG message;
    while (!*ended) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {  // WM_QUIT: leave the modal loop and pass it on
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) break;
        if (PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
        // Once the window is gone the host may be gone with it.
        if (*ended) break;
        answer = *result;
    }
    if (owner && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    return answer;
}

void WindowHost::PostClose(int result) {
    impl_->modalResult = result;
    PostMessageW(impl_->hwnd, WM_CLOSE, 0, 0);
}

bool WindowHost::IsModal() const { return impl_->modalEnded && !*impl_->modalEnded; }

std::intptr_t WindowHost::DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return DefWindowProcW(impl_->hwnd, message, wParam, lParam);
}

void WindowHost::Destroy() {
    if (impl_->hwnd != nullptr) {
        // A modal owner is enabled again before its pop-up goes, so that
        // Windows hands the activation back to it.
        if (impl_->modalEnded && impl_->owner) EnableWindow(impl_->owner, TRUE);
        DestroyWindow(impl_->hwnd);
    }
}

WindowHandle WindowHost::Handle() const { return impl_->hwnd; }
bool WindowHost::IsAlive() const { return impl_->hwnd != nullptr && IsWindow(impl_->hwnd); }

std::wstring WindowHost::Caption() const {
    const int length = GetWindowTextLengthW(impl_->hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(impl_->hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void WindowHost::SetCaption(const std::wstring& caption) { SetWindowTextW(impl_->hwnd, caption.c_str()); }
bool WindowHost::IsMaximized() const { return IsZoomed(impl_->hwnd) != FALSE; }

Rect WindowHost::ClientRect() const {
    RECT client{};
    GetClientRect(impl_->hwnd, &client);
    return Rect{0, 0, impl_->ToLayout(client.right), impl_->ToLayout(client.bottom)};
}

void WindowHost::ClientToScreen(int& x, int& y) const {
    POINT point{impl_->ToDevice(x), impl_->ToDevice(y)};
    ::ClientToScreen(impl_->hwnd, &point);
    x = point.x;
    y = point.y;
}

Size WindowHost::ScreenSize() const {
    RECT r{};
    GetWindowRect(impl_->hwnd, &r);
    return Size{r.right - r.left, r.bottom - r.top};
}

void WindowHost::MoveTo(int x, int y) {
    SetWindowPos(impl_->hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowHost::TakeFocus() { ::SetFocus(impl_->hwnd); }

void WindowHost::Resize(int cx, int cy) {
    SetWindowPos(impl_->hwnd, nullptr, 0, 0, impl_->ToDevice(cx), impl_->ToDevice(cy), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    impl_->layoutValid = false;
}

std::intptr_t WindowHost::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageW(impl_->hwnd, message, wParam, lParam);
}

void WindowHost::Invalidate() {
    if (impl_->hwnd == nullptr || impl_->invalidated) return;
    InvalidateRect(impl_->hwnd, nullptr, FALSE);
    impl_->invalidated = true;
    // The paint checks again, for animations started or stopped meanwhile.
    impl_->UpdateAnimation();
}

void WindowHost::NeedUpdate() {
    impl_->layoutValid = false;
    Invalidate();
}

Control* WindowHost::FocusedControl() const { return impl_->focused; }

void WindowHost::SetFocusTo(Control* control) {
    impl_->focused = control;
    if (auto edit = impl_->edits.find(control); edit != impl_->edits.end()) ::SetFocus(edit->second->Handle());
    else ::SetFocus(impl_->hwnd);
    InvalidateRect(impl_->hwnd, nullptr, FALSE);
}

void WindowHost::ForgetControl(Control* control) {
    if (impl_->hot == control) impl_->hot = nullptr;
    if (impl_->pushed == control) impl_->pushed = nullptr;
    if (impl_->focused == control) impl_->focused = nullptr;
    if (impl_->dragging == control) impl_->dragging = nullptr;
    if (impl_->barHot == control) impl_->barHot = nullptr;
    if (impl_->wheelList == control) impl_->wheelList = nullptr;
    impl_->edits.erase(control);
    impl_->logs.erase(control);
    impl_->natives.erase(control);
}

void WindowHost::SetDpi(int dpi) {
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

Size WindowHost::MeasureText(const std::wstring& text, const FontInfo& font) const {
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

void WindowHost::ReportLayoutError(std::wstring_view layoutName) {
    MessageBoxW(nullptr, LayoutErrorText(layoutName).c_str(), kLayoutErrorCaption, MB_ICONERROR);
    ExitProcess(1);
}

void WindowHost::ReleaseSharedResources() {
    SharedResources& shared = Shared();
    shared.images.clear();
    if (shared.gdiplusStarted) Gdiplus::GdiplusShutdown(shared.gdiplusToken);
    shared.gdiplusStarted = false;
    if (shared.richEditLibrary) FreeLibrary(shared.richEditLibrary);
    shared.richEditLibrary = nullptr;
}

// --- Host services

Window* WindowFromHandle(WindowHandle handle) {
    HWND hwnd = static_cast<HWND>(handle);
    if (hwnd == nullptr || !IsWindow(hwnd)) return nullptr;
    // Only our own windows carry an Impl; check the procedure first.
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != WindowProc) return nullptr;
    auto* impl = reinterpret_cast<WindowHost::Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return impl ? &impl->window : nullptr;
}

int RunMessageLoop() {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : -1;
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, unsigned style) {
    return MessageBoxW(static_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

std::intptr_t SendMessageTo(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    HWND hwnd = static_cast<HWND>(window);
    if (hwnd == nullptr || !IsWindow(hwnd)) return 0;
    return SendMessageW(hwnd, message, wParam, lParam);
}

}  // namespace ui
