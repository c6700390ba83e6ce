#include "app/SkinFrame.h"

#include "base/Strings.h"
#include "app/SkinBroadcast.h"
#include "ui/Controls.h"
#include "ui/WindowHost.h"

namespace app {
namespace {

constexpr unsigned kWmKillFocus = 0x0008;
constexpr unsigned kWmNcCalcSize = 0x0083;
constexpr unsigned kWmNcPaint = 0x0085;
constexpr unsigned kWmNcActivate = 0x0086;

bool Is(const ui::Control* control, std::wstring_view name) {
    return control != nullptr && base::EqualNoCaseAscii(control->Name(), name);
}

}  // namespace

void CSkinFrame::Open(ui::Window& owner, const ui::Control& anchor) {
    // Where the pop-up goes: its top-right corner under the anchor's
    // bottom-right one, in screen pixels.
    const ui::Rect& at = anchor.Pos();
    int right = at.right, bottom = at.bottom;
    if (owner.Host() == nullptr) return;
    owner.Host()->ClientToScreen(right, bottom);

    auto* frame = new CSkinFrame;
    // Text in the owner's language font, as the owner shows it.
    const ui::FontInfo& font = owner.DefaultFont();
    frame->SetDefaultFont(font.face, font.size, font.bold, font.underline, font.italic);
    if (!frame->Create(ui::WindowCreation{}.Caption(L"skinframe").Style(kStyle).ExStyle(kExStyle))) {
        delete frame;
        return;
    }
    // Owned by nobody, so that it can lose the focus; it takes the scale of
    // the window it opened from.
    frame->SetDpi(owner.Dpi());
    ui::WindowHost* host = frame->Host();
    host->MoveTo(right - host->ScreenSize().cx, bottom);
    // It must hold the focus to learn that the user has moved on.
    host->TakeFocus();
}

std::intptr_t CSkinFrame::HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t, bool& handled) {
    handled = true;
    switch (message) {
        case kWmKillFocus:
            Close(0);
            return 0;
        case kWmNcCalcSize:
        case kWmNcPaint:
            return 0;  // no frame, no caption
        case kWmNcActivate:
            return wParam == 0 ? 1 : 0;
        default:
            handled = false;
            return 0;
    }
}

void CSkinFrame::OnClick(ui::Notification& notification) {
    const ui::Control* sender = notification.sender;
    if (Is(sender, L"skin_image_btn")) {
        SkinBroadcaster::Process().Broadcast({false, 0, sender->Image(L"bkimage")});
    } else if (Is(sender, L"skin_color_btn")) {
        SkinBroadcaster::Process().Broadcast({true, sender->BkColor(), std::wstring()});
    } else if (Is(sender, L"skin_color") || Is(sender, L"skin_image")) {
        if (auto* tab = Find<ui::TabLayout>(L"skin_tab")) tab->SelectItem(Is(sender, L"skin_color") ? 1 : 0);
    }
}

}  // namespace app
