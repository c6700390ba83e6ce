// Internal to the Win32 window host: the object behind each of its HWNDs,
// shared by the files that make and destroy the window (Win32Host.cpp),
// paint it (Painting.cpp), take its input (Input.cpp), host its native
// children (NativeChildren.cpp) and run its modal loop (ModalLoop.cpp).
//
// Layout happens in pixels at 96 DPI; painting and the native children
// scale by the window's DPI.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <richedit.h>
#include <gdiplus.h>

#include "ui/ExtraControls.h"
#include "ui/Layout.h"
#include "ui/PhaseTrace.h"
#include "ui/WindowHost.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/HostShared.h"
#include "ui/win32/NativeChildren.h"

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ui {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Tab moves the focus through the window's controls even when a native
// edit child has the keyboard, as a dialog's own loop would do.
bool PreTranslate(const MSG& message);

class Win32WindowHost final : public WindowHost {
public:
    explicit Win32WindowHost(Window& window);
    ~Win32WindowHost() override;

    bool Create(const std::wstring& className, std::uint32_t classStyle, const WindowCreation& creation) override;
    void Center() override;
    int RunModal() override;
    void PostClose(int result) override;
    bool IsModal() const override;
    std::intptr_t DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void Destroy() override;
    WindowHandle Handle() const override;
    bool IsAlive() const override;
    std::wstring Caption() const override;
    void SetCaption(const std::wstring& caption) override;
    bool IsMaximized() const override;
    Rect ClientRect() const override;
    void ClientToScreen(int& x, int& y) const override;
    Size ScreenSize() const override;
    void MoveTo(int x, int y) override;
    void TakeFocus() override;
    void Resize(int cx, int cy) override;
    std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void Invalidate() override;
    void NeedUpdate() override;
    Control* FocusedControl() const override;
    void SetFocusTo(Control* control) override;
    void Announce(AccessibleChange change, Control& object) override;
    void ForgetControl(Control* control) override;
    void SetDpi(int dpi) override;
    Size MeasureText(const std::wstring& text, const FontInfo& font) const override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

struct Win32WindowHost::Impl {
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
    // Assistive technology hears of each move of the focus once, and of
    // the changes of a page build once, after the paint that shows them.
    Control* announcedFocus = nullptr;
    bool structureChanged = false;

    explicit Impl(Window& w) : window(w) {}
    ~Impl() {
        for (auto& entry : fonts) DeleteObject(entry.second);
    }

    // Layout pixels (96 DPI) to the window's device pixels, and back.
    double Scale() const { return dpi / 96.0; }
    int ToDevice(int value) const { return static_cast<int>(std::lround(value * Scale())); }
    RECT ToDevice(const Rect& r) const {
        return RECT{ToDevice(r.left), ToDevice(r.top), ToDevice(r.right), ToDevice(r.bottom)};
    }
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
        MarkPhase("first layout");
    }

    // Native children are made when their control is first shown: the
    // logs and edits of pages nobody opened cost no windows (nor the
    // RichEdit library) at start-up.
    void SyncNativeChildren(Control* control);
    void Place(HWND child, const Control& control, const Insets& padding);

    // Input, in layout pixels once the message's point is converted.
    bool OverCaption(int x, int y);
    // Whether the window was made with a maximise box.
    bool Maximisable() const { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX) != 0; }
    // The list whose scroll bar is under a point, or null.
    List* ScrollBarAt(int x, int y);
    // The mouse is at a point: the hot control and scroll bar follow.
    void Hover(int x, int y);
    // False when no scrolling list is under the point.
    bool Wheel(int delta, int x, int y);
    void OnMouseMove(LPARAM lParam);
    bool OnMouseWheel(WPARAM wParam, LPARAM lParam);
    void OnCaptureChanged();
    void OnMouseLeave();
    void OnButtonDown(LPARAM lParam);
    void OnButtonUp(LPARAM lParam);
    bool OnKeyDown(WPARAM wParam);
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    HBRUSH EditColours(WPARAM wParam, LPARAM lParam);

    void Paint(HDC dc);
    void PaintControl(Gdiplus::Graphics& graphics, HDC dc, Control& control);
    void PaintFrame(Gdiplus::Graphics& graphics, Control& control, const RECT& r, bool selected, bool isHot);
    void PaintContent(Gdiplus::Graphics& graphics, HDC dc, Control& control, const RECT& r, bool selected,
                      bool isHot);
    void PaintChildren(Gdiplus::Graphics& graphics, HDC dc, Control& control);
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
    // Tells assistive technology where the focus went, while the keyboard
    // is in this window itself; a native edit child tells of its own.
    void AnnounceFocus();
    LRESULT Proc(UINT message, WPARAM wParam, LPARAM lParam);
    // The parts of Proc: creation, painting, the frame and the fixed size
    // (true when the message was answered, with `result`), and what is
    // left once the skin has had the message.
    LRESULT OnCreateMessage();
    void OnPaintMessage();
    bool FrameMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT AfterSkin(HWND self, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace ui
