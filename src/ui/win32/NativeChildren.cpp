#include "ui/win32/HostWindow.h"

#include <algorithm>

namespace ui {

void Win32WindowHost::Impl::SyncNativeChildren(Control* control) {
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

void Win32WindowHost::Impl::Place(HWND child, const Control& control, const Insets& padding) {
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

}  // namespace ui
