// The part of a window that belongs to the host: a native Win32 window, or a
// record of the headless host. One implementation is linked into each build
// (ui/win32 or ui/headless); Window talks only to this interface.
#pragma once

#include "ui/Window.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ui {

class WindowHost {
public:
    explicit WindowHost(Window& window);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Creates the host window; calls back Window::OnCreate inside, before
    // the window is first shown. False when the window could not be made or
    // its layout not built.
    bool Create(WindowHandle owner, const std::wstring& className, std::uint32_t classStyle,
                const std::wstring& caption, std::uint32_t style, std::uint32_t exStyle, int x, int y, int cx,
                int cy);
    void Center();
    int RunModal();
    // Posts the close: ends the modal loop with `result` (if modal) and
    // destroys the window, after the current handler has returned.
    void PostClose(int result);
    bool IsModal() const;
    std::intptr_t DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void Destroy();
    WindowHandle Handle() const;
    bool IsAlive() const;
    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption);
    bool IsMaximized() const;
    Rect ClientRect() const;
    // A point of the client area, given in layout pixels, in screen pixels.
    void ClientToScreen(int& x, int& y) const;
    // The window's width and height on the screen.
    Size ScreenSize() const;
    // Moves the window's top-left corner to a screen point; it is not
    // activated and keeps its size.
    void MoveTo(int x, int y);
    // Gives the window itself the keyboard focus.
    void TakeFocus();
    void Resize(int cx, int cy);
    std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void Invalidate();
    void NeedUpdate();
    // The control that has the keyboard focus, or nullptr.
    Control* FocusedControl() const;
    // The program gives `control` the keyboard focus.
    void SetFocusTo(Control* control);
    // A control is going away: drop every reference to it.
    void ForgetControl(Control* control);
    // Rescales the window around its top-left corner.
    void SetDpi(int dpi);
    // Width and height of one line of `text` in `font`, in layout pixels.
    Size MeasureText(const std::wstring& text, const FontInfo& font) const;

    // Releases what the host keeps for all windows (fonts, images).
    static void ReleaseSharedResources();

    // Tells the user that a window's layout could not be built (the box of
    // the toolkit), and ends the process where the host can.
    static void ReportLayoutError(std::wstring_view layoutName);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The toolkit window behind a handle, or nullptr.
Window* WindowFromHandle(WindowHandle handle);

}  // namespace ui
