// Lists: rows, rows of text columns with a check box, and the list that
// scrolls them.
#include "ui/Controls.h"

#include "base/Strings.h"
#include "ui/ExtraControls.h"
#include "ui/Window.h"

#include <algorithm>

namespace ui {

namespace {
Option* FirstOption(const Container& container) {
    for (std::size_t i = 0; i < container.Count(); ++i) {
        Control* child = container.ItemAt(i);
        if (auto* option = dynamic_cast<Option*>(child)) return option;
        if (Container* inner = child->AsContainer())
            if (Option* option = FirstOption(*inner)) return option;
    }
    return nullptr;
}
}  // namespace

List* ListContainerElement::OwnerList() const { return dynamic_cast<List*>(parent_); }

int ListContainerElement::Index() const { return parent_ ? parent_->IndexOf(this) : -1; }

Option* ListContainerElement::RadioMark() const { return FirstOption(*this); }

bool ListContainerElement::Activate() {
    if (!IsEnabled() || !IsShown()) return false;
    const std::weak_ptr<const void> life = Lifetime();
    Select(true);
    // A handler of the selection may have rebuilt the list.
    if (life.expired()) return true;
    Notify(L"itemclick", static_cast<std::uintptr_t>(std::max(0, Index())));
    return true;
}

void ListContainerElement::Select(bool select) {
    const std::weak_ptr<const void> life = Lifetime();
    if (!select) {
        if (selected_) {
            selected_ = false;
            Invalidate();
            AccessibleChanged(AccessibleChange::State);
        }
        if (Option* mark = RadioMark(); mark && mark->IsSelected()) mark->Selected(false);
        return;
    }
    const bool changed = !selected_;
    selected_ = true;
    Invalidate();
    if (changed) AccessibleChanged(AccessibleChange::State);
    if (List* list = OwnerList()) list->EnsureVisible(this);
    // Rows first, then marks, so every handler below sees the list's new
    // selection. The list switches the other rows' marks itself: marks may
    // have no group, and a group would reach options outside the list.
    std::vector<std::pair<Option*, std::weak_ptr<const void>>> otherMarks;
    if (List* list = OwnerList()) {
        for (std::size_t i = 0; i < list->Count(); ++i) {
            auto* row = dynamic_cast<ListContainerElement*>(list->ItemAt(i));
            if (row == nullptr || row == this) continue;
            if (row->selected_) {
                row->selected_ = false;
                row->Invalidate();
                row->AccessibleChanged(AccessibleChange::State);
            }
            if (Option* mark = row->RadioMark(); mark && mark->IsSelected())
                otherMarks.emplace_back(mark, mark->Lifetime());
        }
    }
    for (const auto& [mark, markLife] : otherMarks) {
        if (!markLife.expired()) mark->Selected(false);
        if (life.expired()) return;
    }
    if (Option* mark = RadioMark()) {
        mark->Selected(true);
        if (life.expired()) return;
    }
    if (changed) Notify(L"itemselect", static_cast<std::uintptr_t>(std::max(0, Index())));
}

bool ListTextExtElement::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (base::EqualNoCaseAscii(name, L"checked")) {
        checked_ = ParseBool(value);
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"checkbox")) {
        checkBox_ = ParseBool(value);
        return true;
    }
    return ListContainerElement::SetAttribute(name, value);
}

std::wstring ListTextExtElement::ColumnText(std::size_t column) const {
    return column < columns_.size() ? columns_[column] : std::wstring();
}

std::wstring ListTextExtElement::ShownText() const {
    std::wstring shown;
    for (const std::wstring& column : columns_) {
        if (column.empty()) continue;
        if (!shown.empty()) shown += L"    ";
        shown += column;
    }
    return shown;
}

void ListTextExtElement::SetColumnText(std::size_t column, std::wstring text) {
    if (column >= columns_.size()) columns_.resize(column + 1);
    columns_[column] = std::move(text);
    Invalidate();
}

void ListTextExtElement::SetCheck(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Invalidate();
    AccessibleChanged(AccessibleChange::State);
}

void ListTextExtElement::ClickCheckBox() {
    if (!IsEnabled() || !IsShown()) return;
    checked_ = !checked_;
    Invalidate();
    AccessibleChanged(AccessibleChange::State);
    if (!Notify(L"listitemchecked", static_cast<std::uintptr_t>(std::max(0, Index())), checked_ ? 1 : 0)) return;
    Activate();
}

Size ListTextExtElement::EstimateSize(Size available) const {
    Size size = ListContainerElement::EstimateSize(available);
    if (size.cy == 0) {
        const List* list = OwnerList();
        size.cy = list ? list->ItemHeight() : 28;
    }
    return size;
}

bool List::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (base::EqualNoCaseAscii(name, L"itemheight")) {
        int number = 0;
        if (!ParseInt(value, number) || number <= 0) return false;
        itemHeight_ = number;
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"header")) return true;  // lists never show a header row
    return VerticalLayout::SetAttribute(name, value);
}

int List::CurSel() const {
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (auto* row = dynamic_cast<const ListContainerElement*>(children_[i].get()); row && row->IsSelected())
            return static_cast<int>(i);
    return -1;
}

ListContainerElement* List::NextRow(const ListContainerElement* row, bool backwards) const {
    const int from = IndexOf(row);
    if (from < 0) return nullptr;
    const int step = backwards ? -1 : 1;
    for (int i = from + step; i >= 0 && i < static_cast<int>(children_.size()); i += step)
        if (auto* next = dynamic_cast<ListContainerElement*>(children_[static_cast<std::size_t>(i)].get());
            next && next->IsVisible() && next->IsEnabled())
            return next;
    return nullptr;
}

void List::RemoveAll() {
    offset_ = 0;
    reveal_ = nullptr;
    revealLife_.reset();
    VerticalLayout::RemoveAll();
}

void List::SetPos(const Rect& rect) {
    Control::SetPos(rect);
    if (reveal_ != nullptr && !revealLife_.expired() && IndexOf(reveal_) >= 0)
        offset_ = RevealOffset(*reveal_, offset_);
    reveal_ = nullptr;
    revealLife_.reset();
    // Rows removed or the list grown: the offset may now point past the end.
    offset_ = std::clamp(offset_, 0, MaxScrollOffset());
    Rect rows = InnerRect();
    if (HasScrollBar()) rows.right -= kScrollBarWidth;
    rows.top -= offset_;
    rows.bottom -= offset_;
    LayoutChildren(rows, true);
}

int List::ContentHeight() const {
    // Row heights do not depend on the width, so the bar changes nothing here.
    const Rect inner = InnerRect();
    const std::vector<Rect> rects = ChildRects(inner, true);
    int bottom = inner.top;
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (children_[i]->IsVisible()) bottom = std::max(bottom, rects[i].bottom + children_[i]->Padding().bottom);
    return bottom - inner.top;
}

int List::PageHeight() const { return std::max(0, InnerRect().Height()); }

int List::MaxScrollOffset() const { return std::max(0, ContentHeight() - PageHeight()); }

int List::LineHeight() const {
    for (const auto& child : children_) {
        if (!child->IsVisible()) continue;
        const int height = child->EstimateSize(Size{InnerRect().Width(), PageHeight()}).cy;
        if (height > 0) return height + child->Padding().top + child->Padding().bottom + ChildPadding();
    }
    return itemHeight_;
}

bool List::ScrollTo(int offset) {
    // The user's scrolling wins over a row still waiting to be shown.
    reveal_ = nullptr;
    revealLife_.reset();
    offset = std::clamp(offset, 0, MaxScrollOffset());
    if (offset == offset_) return false;
    offset_ = offset;
    NeedUpdate();
    return true;
}

int List::RevealOffset(const Control& row, int from) const {
    const int index = IndexOf(&row);
    if (index < 0 || !row.IsVisible()) return from;
    const Rect inner = InnerRect();
    const Rect span = ChildRects(inner, true)[static_cast<std::size_t>(index)];
    const int top = span.top - inner.top, bottom = span.bottom - inner.top;
    int offset = from;
    if (bottom - offset > PageHeight()) offset = bottom - PageHeight();
    if (top < offset) offset = top;
    return std::clamp(offset, 0, MaxScrollOffset());
}

void List::EnsureVisible(const Control* row) {
    if (row == nullptr || IndexOf(row) < 0) return;
    // A list never laid out has no inside yet to measure against.
    if (PageHeight() > 0) {
        const int offset = RevealOffset(*row, offset_);
        if (offset != offset_) {
            offset_ = offset;
            NeedUpdate();
        }
    }
    reveal_ = row;
    revealLife_ = row->Lifetime();
}

Rect List::ScrollBarRect() const {
    if (!HasScrollBar()) return Rect{};
    const Rect inner = InnerRect();
    return Rect{inner.right - kScrollBarWidth, inner.top, inner.right, inner.bottom};
}

namespace {
// A thumb no shorter than this stays easy to grab on long lists.
constexpr int kMinThumbHeight = 20;
}  // namespace

Rect List::ScrollThumbRect() const {
    Rect track = ScrollBarRect();
    if (track.Height() <= 0) return Rect{};
    const int content = ContentHeight();
    const int height = std::max(std::min(track.Height(), kMinThumbHeight),
                                static_cast<int>(static_cast<long long>(track.Height()) * PageHeight() / content));
    const int travel = track.Height() - height;
    const int max = MaxScrollOffset();
    track.top += static_cast<int>((static_cast<long long>(travel) * offset_ + max / 2) / max);
    track.bottom = track.top + height;
    return track;
}

int List::OffsetForThumbTop(int thumbTop) const {
    const Rect track = ScrollBarRect();
    const Rect thumb = ScrollThumbRect();
    const int travel = track.Height() - thumb.Height();
    if (travel <= 0) return 0;
    const int moved = std::clamp(thumbTop - track.top, 0, travel);
    return static_cast<int>((static_cast<long long>(moved) * MaxScrollOffset() + travel / 2) / travel);
}

// --- Finding controls by position

Control* HitTest(Control& control, int x, int y) {
    if (!control.IsVisible() || !control.Pos().Contains(x, y)) return nullptr;
    if (Container* container = control.AsContainer()) {
        if (container->VisibleArea().Contains(x, y))
            for (std::size_t i = container->Count(); i-- > 0;)
                if (Control* hit = HitTest(*container->ItemAt(i), x, y)) return hit;
        return dynamic_cast<ListContainerElement*>(&control) ? &control : nullptr;
    }
    return dynamic_cast<Button*>(&control) || dynamic_cast<Combo*>(&control) ? &control : nullptr;
}

List* ListAt(Control& control, int x, int y) {
    if (!control.IsVisible() || !control.Pos().Contains(x, y)) return nullptr;
    Container* container = control.AsContainer();
    if (container == nullptr) return nullptr;
    if (container->VisibleArea().Contains(x, y))
        for (std::size_t i = container->Count(); i-- > 0;)
            if (List* list = ListAt(*container->ItemAt(i), x, y)) return list;
    return dynamic_cast<List*>(&control);
}

}  // namespace ui
