#include "ui/win32/HostWindow.h"

#include <algorithm>

namespace ui {

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

}  // namespace

bool Win32WindowHost::Impl::OverCaption(int x, int y) {
    const int band = window.CaptionBand().bottom;
    if (y >= band) return false;
    Control* root = window.Root();
    return root == nullptr || HitTest(*root, x, y) == nullptr;
}

List* Win32WindowHost::Impl::ScrollBarAt(int x, int y) {
    List* list = window.Root() ? ListAt(*window.Root(), x, y) : nullptr;
    return list && list->ScrollBarRect().Contains(x, y) ? list : nullptr;
}

void Win32WindowHost::Impl::Hover(int x, int y) {
    Control* under = window.Root() ? HitTest(*window.Root(), x, y) : nullptr;
    List* bar = ScrollBarAt(x, y);
    if (under == hot && bar == barHot) return;
    if (hot) hot->SetHot(false);
    hot = under;
    if (hot) hot->SetHot(true);
    barHot = bar;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void Win32WindowHost::Impl::MoveFocus(bool backwards) {
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
    AnnounceFocus();
}

bool Win32WindowHost::Impl::Wheel(int delta, int x, int y) {
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

void Win32WindowHost::Impl::OnMouseMove(LPARAM lParam) {
    if (!trackingMouse) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
        trackingMouse = TrackMouseEvent(&track) != FALSE;
    }
    const int x = ToLayout(static_cast<short>(LOWORD(lParam))), y = ToLayout(static_cast<short>(HIWORD(lParam)));
    if (dragging) {
        dragging->ScrollTo(dragging->OffsetForThumbTop(y - dragGrab));
        InvalidateRect(hwnd, nullptr, FALSE);
        return;
    }
    if (Combo* combo = window.Root() ? DroppedCombo(*window.Root()) : nullptr) {
        const int item = combo->ItemAt(x, y);
        if (item != comboHotItem) InvalidateRect(hwnd, nullptr, FALSE);
        comboHotItem = item;
    }
    Hover(x, y);
}

bool Win32WindowHost::Impl::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    // The point is on the screen, not in the window.
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(hwnd, &point);
    return Wheel(GET_WHEEL_DELTA_WPARAM(wParam), ToLayout(point.x), ToLayout(point.y));
}

void Win32WindowHost::Impl::OnCaptureChanged() {
    if (dragging) {
        dragging = nullptr;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void Win32WindowHost::Impl::OnMouseLeave() {
    trackingMouse = false;
    if (hot) hot->SetHot(false);
    hot = nullptr;
    barHot = nullptr;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void Win32WindowHost::Impl::OnButtonDown(LPARAM lParam) {
    if (!layoutValid) Layout();
    const int x = ToLayout(static_cast<short>(LOWORD(lParam))), y = ToLayout(static_cast<short>(HIWORD(lParam)));
    if (Combo* combo = window.Root() ? DroppedCombo(*window.Root()) : nullptr) {
        // A dropped list takes the click: an item is chosen; a click
        // on its own box goes on and folds it; anywhere else folds it.
        InvalidateRect(hwnd, nullptr, FALSE);
        const int item = combo->ItemAt(x, y);
        if (item >= 0) {
            combo->Select(item);
            return;
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
        return;
    }
    Control* under = window.Root() ? HitTest(*window.Root(), x, y) : nullptr;
    if (under && under->IsEnabled()) {
        pushed = under;
        pushed->SetPushed(true);
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void Win32WindowHost::Impl::OnButtonUp(LPARAM lParam) {
    const HWND self = hwnd;
    if (dragging) {
        dragging = nullptr;
        if (GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        return;
    }
    Control* clicked = pushed;
    pushed = nullptr;
    if (GetCapture() == hwnd) ReleaseCapture();
    if (clicked == nullptr) return;
    clicked->SetPushed(false);
    const int x = ToLayout(static_cast<short>(LOWORD(lParam))), y = ToLayout(static_cast<short>(HIWORD(lParam)));
    InvalidateRect(hwnd, nullptr, FALSE);
    if (!clicked->Pos().Contains(x, y)) return;
    focused = clicked->WantsFocus() ? clicked : focused;
    AnnounceFocus();
    if (auto* checkRow = dynamic_cast<ListTextExtElement*>(clicked);
        checkRow && checkRow->HasCheckBox() && x < checkRow->Pos().left + kCheckColumnWidth)
        checkRow->ClickCheckBox();
    else
        clicked->Activate();
    // The click may have closed or destroyed this window.
    if (IsWindow(self)) InvalidateRect(self, nullptr, FALSE);
}

// False: the key goes on to the window and the system.
bool Win32WindowHost::Impl::OnKeyDown(WPARAM wParam) {
    if (wParam == VK_TAB) {
        MoveFocus(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    if ((wParam == VK_RETURN || wParam == VK_SPACE) && focused) {
        focused->Activate();
        return true;
    }
    if ((wParam == VK_UP || wParam == VK_DOWN) && dynamic_cast<Combo*>(focused)) {
        static_cast<Combo*>(focused)->Step(wParam == VK_UP);
        InvalidateRect(hwnd, nullptr, FALSE);
        return true;
    }
    if (wParam == VK_ESCAPE && window.Root()) {
        if (Combo* combo = DroppedCombo(*window.Root())) {
            combo->Fold();
            InvalidateRect(hwnd, nullptr, FALSE);
            return true;
        }
    }
    if (wParam == VK_UP || wParam == VK_DOWN) {
        // From a row's radio mark, the arrows click the row above or
        // below and take the focus to its mark.
        auto* mark = dynamic_cast<Option*>(focused);
        ListContainerElement* row = mark ? mark->MarkedRow() : nullptr;
        List* list = row ? row->OwnerList() : nullptr;
        ListContainerElement* next = list ? list->NextRow(row, wParam == VK_UP) : nullptr;
        if (next == nullptr) return false;
        // Moved before the click: its handler may rebuild the list
        // or close the window, and a destroyed control leaves the
        // focus by itself.
        if (Option* nextMark = next->RadioMark(); nextMark && nextMark->IsShown() && nextMark->IsEnabled())
            focused = nextMark;
        InvalidateRect(hwnd, nullptr, FALSE);
        AnnounceFocus();
        next->Activate();
        return true;
    }
    return false;
}

// Notifications of the native edit children; false for any other.
bool Win32WindowHost::Impl::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == EN_SETFOCUS) {
        const HWND child = reinterpret_cast<HWND>(lParam);
        for (auto& [control, peer] : edits)
            if (peer->Handle() == child) focused = control;
        return true;
    }
    if (HIWORD(wParam) == EN_CHANGE) {
        const HWND child = reinterpret_cast<HWND>(lParam);
        for (auto& [control, peer] : edits)
            if (peer->Handle() == child) {
                peer->Changed();
                break;
            }
        return true;
    }
    return false;
}

// The colours of a native edit child, or nullptr for a window not ours.
HBRUSH Win32WindowHost::Impl::EditColours(WPARAM wParam, LPARAM lParam) {
    const HWND child = reinterpret_cast<HWND>(lParam);
    for (auto& [control, peer] : edits)
        if (peer->Handle() == child) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, ToColorRef(control->IsEnabled() ? control->TextColor() : control->DisabledTextColor()));
            SetBkColor(dc, ToColorRef(control->BkColor() >> 24 ? control->BkColor() : 0xFFFFFFFF));
            SetDCBrushColor(dc, ToColorRef(control->BkColor() >> 24 ? control->BkColor() : 0xFFFFFFFF));
            return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
        }
    return nullptr;
}

}  // namespace ui
