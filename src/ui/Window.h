// The toolkit's window base: a window built from a layout of the resource
// package, with hooks for initialisation, notifications, clicks, private
// messages and system commands.
//
// A derived class names its class, style and layout; Create builds the
// layout, attaches the control tree and runs InitWindow before the window is
// first shown. Messages use the Windows numbers on every host, so the same
// handler code runs under Win32 and in headless tests.
#pragma once

#include "ui/Controls.h"
#include "ui/Xml.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

using WindowHandle = void*;

// Message numbers as Windows defines them.
namespace wm {
constexpr unsigned kDestroy = 0x0002;
constexpr unsigned kClose = 0x0010;
constexpr unsigned kQueryEndSession = 0x0011;
constexpr unsigned kEndSession = 0x0016;
constexpr unsigned kShowWindow = 0x0018;
constexpr unsigned kSysCommand = 0x0112;
constexpr unsigned kDpiChanged = 0x02E0;
}  // namespace wm

namespace sc {
constexpr std::uintptr_t kMinimize = 0xF020;
constexpr std::uintptr_t kMaximize = 0xF030;
constexpr std::uintptr_t kClose = 0xF060;
constexpr std::uintptr_t kRestore = 0xF120;
}  // namespace sc

// Window styles as Windows defines them.
namespace ws {
constexpr std::uint32_t kPopup = 0x80000000;
constexpr std::uint32_t kVisible = 0x10000000;
constexpr std::uint32_t kClipSiblings = 0x04000000;
constexpr std::uint32_t kClipChildren = 0x02000000;
constexpr std::uint32_t kCaption = 0x00C00000;
constexpr std::uint32_t kSysMenu = 0x00080000;
constexpr std::uint32_t kExTopmost = 0x00000008;
constexpr std::uint32_t kExToolWindow = 0x00000080;
constexpr std::uint32_t kExNoActivate = 0x08000000;
}  // namespace ws

// How a window is made. Everything not set is zero: no owner, no caption,
// no style bits, placed at 0,0 with no size (a layout's own size applies).
struct WindowCreation {
    WindowHandle owner = nullptr;
    std::wstring caption;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    WindowCreation& Owner(WindowHandle value) { owner = value; return *this; }
    WindowCreation& Caption(std::wstring value) { caption = std::move(value); return *this; }
    WindowCreation& Style(std::uint32_t value) { style = value; return *this; }
    WindowCreation& ExStyle(std::uint32_t value) { exStyle = value; return *this; }
    WindowCreation& At(int left, int top) { x = left; y = top; return *this; }
    WindowCreation& Size(int cx, int cy) { width = cx; height = cy; return *this; }
};

// Message box styles and answers as Windows defines them.
namespace mb {
constexpr unsigned kOk = 0x0;
constexpr unsigned kOkCancel = 0x1;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
}  // namespace mb

struct Notification {
    std::wstring type;
    Control* sender = nullptr;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

struct FontInfo {
    int id = -1;
    std::wstring face;
    int size = 12;  // pixels at 100 %, or added to the default font's size
    bool bold = false, italic = false, underline = false;
    bool relative = false;  // size was written "+N" or "-N"
};

class WindowHost;

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the window. When the layout cannot be built, the host reports
    // the toolkit's layout error (on Windows: a box, then exit code 1) and
    // false is returned.
    bool Create(const WindowCreation& creation);
    void CenterWindow();
    // Runs a modal loop until Close; the owner is disabled meanwhile.
    int ShowModal();
    // Ends a modal loop with `result`, or destroys a modeless window. Like
    // WM_CLOSE it is posted: the handler that calls it runs to its end first.
    void Close(int result = 0);
    void Destroy();
    WindowHandle Handle() const;
    bool IsWindow() const;

    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption);
    bool IsMaximized() const;

    // Synchronous, from any thread: returns when the window's thread has
    // handled the message (SendMessageW semantics).
    std::intptr_t SendMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    Control* Root() const { return root_.get(); }
    Control* FindControl(std::wstring_view name) const;
    template <class T>
    T* Find(std::wstring_view name) const {
        return dynamic_cast<T*>(FindControl(name));
    }

    // Control side.
    void ForgetControl(Control* control);
    void SetFocusTo(Control* control);
    void SendNotify(Control* sender, std::wstring_view type, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    std::vector<Option*> OptionsInGroup(std::wstring_view group) const;
    void NeedUpdate();
    void Invalidate();
    void AccessibleChanged(AccessibleChange change, Control& control);
    // Lays the tree out in the current client rectangle now.
    void UpdateLayout();

    // Fonts: the layout's table, and the default font that controls without
    // a font use.
    const FontInfo* GetFont(int id) const;
    // The font a control with font `id` is drawn in: the table's entry (a
    // relative size resolved against the default font) or the default.
    FontInfo EffectiveFont(int id) const;
    void SetDefaultFont(const std::wstring& face, int size, bool bold, bool underline, bool italic);
    const FontInfo& DefaultFont() const { return defaultFont_; }
    // The attribute list of a named Style of the layout ("" if none).
    std::wstring StyleAttributes(std::wstring_view name) const;

    // One line of `text` in the font `fontId` (or the default font).
    Size MeasureText(const std::wstring& text, int fontId) const;

    // The band of the window that drags it, from the layout's "caption".
    const Rect& CaptionBand() const { return captionBand_; }

    int Dpi() const { return dpi_; }
    // Rescales around the window's top-left corner.
    void SetDpi(int dpi);

    // Builds a control tree from another layout of the package (list rows).
    std::unique_ptr<Control> BuildSubLayout(std::wstring_view entryName);

    // Handles one message: custom handler first, then the base's defaults.
    // Called by the host; `handled` false means the host's default applies.
    std::intptr_t HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled);
    // Called by the host inside creation: builds the layout and runs
    // InitWindow. False when the layout could not be built (already reported).
    bool OnCreate();
    // Called by the host when the native window is gone: the last call.
    // A pop-up may delete itself here. The control tree lives as long as the
    // object, so a notification being handled keeps a valid sender.
    void FinalMessage();
    WindowHost* Host() const { return host_.get(); }
    // The host's own handling of a message (DefWindowProc on Windows).
    std::intptr_t DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

protected:
    virtual std::wstring GetWindowClassName() const = 0;
    virtual std::uint32_t GetClassStyle() const { return 0; }
    virtual std::wstring GetSkinFile() const = 0;
    virtual void InitWindow() {}
    virtual void OnFinalMessage() {}
    // Default: a "click" goes to OnClick.
    virtual void Notify(Notification& notification);
    virtual void OnClick(Notification&) {}
    virtual std::intptr_t HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                              bool& handled);
    virtual std::intptr_t OnSysCommand(std::uintptr_t command, std::intptr_t lParam, bool& handled);
    // The layout builder asks here first for an element it does not know.
    virtual std::unique_ptr<Control> CreateControl(std::wstring_view className);

private:
    friend class LayoutBuilder;

    std::unique_ptr<WindowHost> host_;
    std::unique_ptr<Control> root_;
    std::vector<FontInfo> fonts_;
    std::vector<std::pair<std::wstring, std::wstring>> styles_;
    FontInfo defaultFont_{-1, L"Segoe UI", 12};
    Size initialSize_;
    Rect captionBand_;
    int dpi_ = 96;
    bool announcing_ = false;  // from the end of Create: building is not news
};

// Host services outside any one window.
int RunMessageLoop();
void PostQuitMessage(int exitCode);
// The program's message box: owned by `owner` (may be null), answers with
// mb::kIdOk or mb::kIdCancel. Callable from any thread.
int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, unsigned style);
// SendMessageW to a window by handle; 0 when the window no longer exists.
std::intptr_t SendMessageTo(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace ui
