// The native windows the host puts over some controls: an EDIT for each
// Edit, a RichEdit for each RichEdit (the logs), and any window class a
// NativeWindowHost names. Each is the control's peer: it mirrors the text
// both ways and goes with the control.
#pragma once

#include <windows.h>
#include <richedit.h>

#include "ui/Controls.h"
#include "ui/ExtraControls.h"
#include "ui/win32/Accessible.h"
#include "ui/win32/HostShared.h"
#include "ui/win32/SystemLibrary.h"
#include "ui/win32/Fonts.h"

#include <string>

namespace ui {

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
        AnswerForControl(hwnd_, edit);
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
        if (shared.richEditLibrary == nullptr) shared.richEditLibrary = win32::LoadSystemLibrary(L"msftedit.dll");
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
            AnswerForControl(hwnd_, log);
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
        // One scroll by all the lines, painted with the window's next paint:
        // Wine's rich edit repaints on each line scrolled otherwise.
        const RedrawLater later(hwnd_);
        SendMessageW(hwnd_, EM_LINESCROLL, 0, lines);
    }
    HWND Handle() const { return hwnd_; }

private:
    // A change with the control's painting held back until the window's
    // next paint, so that a worker's synchronous send of a log line does
    // not wait for the scroll on the screen.
    class RedrawLater {
    public:
        explicit RedrawLater(HWND hwnd) : hwnd_(hwnd) { SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0); }
        ~RedrawLater() {
            SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        RedrawLater(const RedrawLater&) = delete;
        RedrawLater& operator=(const RedrawLater&) = delete;

    private:
        HWND hwnd_;
    };

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

}  // namespace ui
