// The part of a window that belongs to the host: a native Win32 window, or a
// record of the headless host (ui/win32 or ui/headless, each a library above
// the toolkit's core). Window talks only to these interfaces.
#pragma once

#include "ui/Window.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ui {

class WindowHost {
public:
    WindowHost() = default;
    virtual ~WindowHost() = default;
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Creates the host window; calls back Window::OnCreate inside, before
    // the window is first shown. False when the window could not be made or
    // its layout not built.
    virtual bool Create(const std::wstring& className, std::uint32_t classStyle, const WindowCreation& creation) = 0;
    virtual void Center() = 0;
    virtual int RunModal() = 0;
    // Posts the close: ends the modal loop with `result` (if modal) and
    // destroys the window, after the current handler has returned.
    virtual void PostClose(int result) = 0;
    virtual bool IsModal() const = 0;
    virtual std::intptr_t DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual void Destroy() = 0;
    virtual WindowHandle Handle() const = 0;
    virtual bool IsAlive() const = 0;
    virtual std::wstring Caption() const = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual bool IsMaximized() const = 0;
    virtual Rect ClientRect() const = 0;
    // A point of the client area, given in layout pixels, in screen pixels.
    virtual void ClientToScreen(int& x, int& y) const = 0;
    // The window's width and height on the screen.
    virtual Size ScreenSize() const = 0;
    // Moves the window's top-left corner to a screen point; it is not
    // activated and keeps its size.
    virtual void MoveTo(int x, int y) = 0;
    // Gives the window itself the keyboard focus.
    virtual void TakeFocus() = 0;
    virtual void Resize(int cx, int cy) = 0;
    virtual std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual void Invalidate() = 0;
    virtual void NeedUpdate() = 0;
    // The control that has the keyboard focus, or nullptr.
    virtual Control* FocusedControl() const = 0;
    // The program gives `control` the keyboard focus.
    virtual void SetFocusTo(Control* control) = 0;
    // Tells assistive technology that `object`, an object of the accessible
    // tree (the root for a change of structure), changed.
    virtual void Announce(AccessibleChange change, Control& object) = 0;
    // A control is going away: drop every reference to it.
    virtual void ForgetControl(Control* control) = 0;
    // Rescales the window around its top-left corner.
    virtual void SetDpi(int dpi) = 0;
    // Width and height of one line of `text` in `font`, in layout pixels.
    virtual Size MeasureText(const std::wstring& text, const FontInfo& font) const = 0;
};

// What the window system offers beyond one window. The toolkit sits above
// it and calls it only through this interface; a program (Win32) or a test
// run (headless) installs one before it makes its first window.
class WindowSystem {
public:
    WindowSystem() = default;
    virtual ~WindowSystem() = default;
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    virtual std::unique_ptr<WindowHost> NewWindowHost(Window& window) = 0;
    // Releases what the host keeps for all windows (fonts, images).
    virtual void ReleaseSharedResources() = 0;
    // Tells the user that a window's layout could not be built (the box of
    // the toolkit), and ends the process where the host can.
    virtual void ReportLayoutError(std::wstring_view layoutName) = 0;
    virtual Window* WindowFromHandle(WindowHandle handle) = 0;
    virtual int RunMessageLoop() = 0;
    virtual void PostQuitMessage(int exitCode) = 0;
    virtual int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                               unsigned style) = 0;
    virtual std::intptr_t SendMessageTo(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;
};

// Installs the window system for the process; it must outlive every window.
void InstallWindowSystem(WindowSystem& system);
// The installed system; ends the process with a message when there is none,
// a fault of the program's set-up rather than of any input.
WindowSystem& TheWindowSystem();
// The installed system, or nullptr.
WindowSystem* InstalledWindowSystem();

// The toolkit window behind a handle, or nullptr.
Window* WindowFromHandle(WindowHandle handle);

}  // namespace ui
