#include "ui/Controls.h"

#include "ui/ExtraControls.h"

#include "ui/TextManager.h"
#include "ui/Window.h"
#include "ui/Xml.h"

#include <algorithm>
#include <vector>

namespace ui {
namespace {

bool ParseAlign(std::wstring_view value, Control::Align& out) {
    if (value == L"left") out = Control::Align::Left;
    else if (value == L"center") out = Control::Align::Center;
    else if (value == L"right") out = Control::Align::Right;
    else return false;
    return true;
}

bool ParseVAlign(std::wstring_view value, Control::VAlign& out) {
    if (value == L"top") out = Control::VAlign::Top;
    else if (value == L"vcenter" || value == L"center") out = Control::VAlign::Center;
    else if (value == L"bottom") out = Control::VAlign::Bottom;
    else return false;
    return true;
}

bool IsImageAttribute(std::wstring_view name) {
    static constexpr std::wstring_view kNames[] = {L"bkimage", L"normalimage", L"hotimage", L"pushedimage",
                                                   L"disabledimage", L"selectedimage", L"selectedhotimage",
                                                   L"focusedimage"};
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

}  // namespace

Control::~Control() {
    // The host may hold it as hovered, pressed or focused.
    if (window_) window_->ForgetControl(this);
}

void Control::SetWindow(Window* window, Container* parent) {
    window_ = window;
    parent_ = parent;
}

void Control::SetText(std::wstring text) {
    // compare() rather than ==: g++ 12 at -O3 takes the inlined == on a
    // moved-into parameter for a read of uninitialised memory.
    if (text.compare(text_) == 0) return;
    text_ = std::move(text);
    NeedUpdate();
    AccessibleChanged(AccessibleChange::Name);
}

std::wstring Control::DisplayText() const {
    return resourceText_ ? TextManager::Process().Translate(text_) : text_;
}

std::wstring Control::AccessibleName() const {
    return accessibleName_.empty() ? std::wstring() : TextManager::Process().Translate(accessibleName_);
}

std::wstring Control::DisplayToolTip() const {
    return resourceText_ ? TextManager::Process().Translate(toolTip_) : toolTip_;
}

void Control::SetResourceText(bool on) {
    resourceText_ = on;
    Invalidate();
}

bool Control::IsShown() const {
    for (const Control* c = this; c != nullptr; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    NeedUpdate();
    AccessibleChanged(AccessibleChange::Structure);
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Invalidate();
    AccessibleChanged(AccessibleChange::State);
}

void Control::SetFocus() {
    focused_ = true;
    Invalidate();
    // The host moves the keyboard there too (a native edit's own window).
    if (window_) window_->SetFocusTo(this);
}

void Control::KillFocus() {
    focused_ = false;
    Invalidate();
}

void Control::SetFixedWidth(int width) {
    width_ = std::max(0, width);
    NeedUpdate();
}

void Control::SetFixedHeight(int height) {
    height_ = std::max(0, height);
    NeedUpdate();
}

void Control::SetBkColor(Color color) {
    bkColor_ = color;
    Invalidate();
}

void Control::SetTextColor(Color color) {
    textColor_ = color;
    Invalidate();
}

void Control::SetHot(bool hot) {
    if (hot_ == hot) return;
    hot_ = hot;
    Invalidate();
}

void Control::SetPushed(bool pushed) {
    if (pushed_ == pushed) return;
    pushed_ = pushed;
    Invalidate();
}

std::wstring Control::Image(std::wstring_view which) const {
    const auto it = images_.find(which);
    return it == images_.end() ? std::wstring() : it->second;
}

void Control::SetFont(int id) {
    font_ = id;
    NeedUpdate();
}

void Control::SetImage(std::wstring_view which, std::wstring image) {
    images_[std::wstring(which)] = std::move(image);
    Invalidate();
}

bool Control::SetAttribute(std::wstring_view rawName, std::wstring_view value) {
    const std::wstring name = Lower(rawName);
    bool ok = true;
    int number = 0;
    Color color = 0;
    Rect rect;
    Size size;
    if (name == L"name") name_.assign(value);
    else if (name == L"text") SetText(std::wstring(value));
    else if (name == L"tooltip") toolTip_.assign(value);
    else if (name == L"accessiblename") accessibleName_.assign(value);
    else if (name == L"resourcetext") SetResourceText(ParseBool(value));
    else if (name == L"userdata") userData_.assign(value);
    else if (name == L"visible") SetVisible(ParseBool(value));
    else if (name == L"enabled") SetEnabled(ParseBool(value));
    else if (name == L"width") { if ((ok = ParseInt(value, number) && number >= 0)) SetFixedWidth(number); }
    else if (name == L"height") { if ((ok = ParseInt(value, number) && number >= 0)) SetFixedHeight(number); }
    else if (name == L"minwidth") { if ((ok = ParseInt(value, number) && number >= 0)) minWidth_ = number; }
    else if (name == L"maxwidth") { if ((ok = ParseInt(value, number) && number >= 0)) maxWidth_ = number; }
    else if (name == L"minheight") { if ((ok = ParseInt(value, number) && number >= 0)) minHeight_ = number; }
    else if (name == L"maxheight") { if ((ok = ParseInt(value, number) && number >= 0)) maxHeight_ = number; }
    else if (name == L"autocalcwidth") autoCalcWidth_ = ParseBool(value);
    else if (name == L"padding") { if ((ok = ParseRect(value, rect))) padding_ = rect; }
    else if (name == L"textpadding") { if ((ok = ParseRect(value, rect))) textPadding_ = rect; }
    else if (name == L"bkcolor") { if ((ok = ParseColor(value, color))) SetBkColor(color); }
    else if (name == L"bordercolor") { if ((ok = ParseColor(value, color))) borderColor_ = color; }
    else if (name == L"bordersize") { if ((ok = ParseInt(value, number) && number >= 0)) borderSize_ = number; }
    else if (name == L"borderround") { if ((ok = ParseSize(value, size))) borderRound_ = size; }
    else if (name == L"textcolor") { if ((ok = ParseColor(value, color))) SetTextColor(color); }
    else if (name == L"hottextcolor") { if ((ok = ParseColor(value, color))) hotTextColor_ = color; }
    else if (name == L"disabledtextcolor") { if ((ok = ParseColor(value, color))) disabledTextColor_ = color; }
    else if (name == L"selectedtextcolor") { if ((ok = ParseColor(value, color))) selectedTextColor_ = color; }
    else if (name == L"font") { if ((ok = ParseInt(value, number))) font_ = number; }
    else if (name == L"align") ok = ParseAlign(value, align_);
    else if (name == L"valign") ok = ParseVAlign(value, valign_);
    else if (IsImageAttribute(name)) images_[name] = std::wstring(value);
    else if (name == L"style") {
        // A named style of the window's layout, applied as if written here.
        // A style that names itself, directly or through others, is refused
        // (the layout's error) instead of recursing for ever.
        if (window_ == nullptr) return false;
        thread_local std::vector<std::wstring> applying;
        if (std::any_of(applying.begin(), applying.end(),
                        [&](const std::wstring& style) { return EqualsIgnoringAsciiCase(style, value); }))
            return false;
        const std::wstring list = window_->StyleAttributes(value);
        applying.emplace_back(value);
        ok = !list.empty() && ApplyAttributeList(list);
        applying.pop_back();
    } else return false;
    if (ok) rawAttributes_[name] = std::wstring(value);
    return ok;
}

std::wstring Control::GetAttribute(std::wstring_view name) const {
    const auto it = rawAttributes_.find(Lower(name));
    return it == rawAttributes_.end() ? std::wstring() : it->second;
}

bool Control::ApplyAttributeList(std::wstring_view list) {
    // Parse it as the attributes of an element, with the XML parser's rules.
    XmlElement element;
    if (!ParseXml(L"<a " + std::wstring(list) + L"/>", element).ok) return false;
    bool ok = true;
    for (const auto& [name, value] : element.attributes) ok = SetAttribute(name, value) && ok;
    return ok;
}

Control* Control::FindControl(std::wstring_view name) {
    return EqualsIgnoringAsciiCase(name_, name) ? this : nullptr;
}

void Control::SetPos(const Rect& rect) { pos_ = rect; }

Size Control::EstimateSize(Size) const {
    Size size{width_, height_};
    if (autoCalcWidth_ && width_ == 0) {
        const int textWidth = window_ ? window_->MeasureText(DisplayText(), font_).cx : 0;
        size.cx = textWidth + textPadding_.left + textPadding_.right;
        if (minWidth_ > 0) size.cx = std::max(size.cx, minWidth_);
        if (maxWidth_ > 0) size.cx = std::min(size.cx, maxWidth_);
    }
    return size;
}

bool Control::Activate() { return false; }

void Control::NeedUpdate() {
    if (window_) window_->NeedUpdate();
}

void Control::Invalidate() {
    if (window_) window_->Invalidate();
}

void Control::AccessibleChanged(AccessibleChange change) {
    if (window_) window_->AccessibleChanged(change, *this);
}

bool Control::Notify(std::wstring_view type, std::uintptr_t wParam, std::intptr_t lParam) {
    if (window_ == nullptr) return true;
    const std::weak_ptr<const void> life = lifetime_;
    window_->SendNotify(this, type, wParam, lParam);
    return !life.expired();
}

// --- Container

void Container::SetWindow(Window* window, Container* parent) {
    Control::SetWindow(window, parent);
    for (auto& child : children_) child->SetWindow(window, this);
}

bool Container::SetAttribute(std::wstring_view name, std::wstring_view value) {
    Rect rect;
    int number = 0;
    if (EqualsIgnoringAsciiCase(name, L"inset")) {
        if (!ParseRect(value, rect)) return false;
        inset_ = rect;
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, L"childpadding")) {
        if (!ParseInt(value, number) || number < 0) return false;
        childPadding_ = number;
        return true;
    }
    return Control::SetAttribute(name, value);
}

Control* Container::FindControl(std::wstring_view name) {
    if (Control* self = Control::FindControl(name)) return self;
    for (auto& child : children_)
        if (Control* found = child->FindControl(name)) return found;
    return nullptr;
}

int Container::IndexOf(const Control* child) const {
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (children_[i].get() == child) return static_cast<int>(i);
    return -1;
}

Control* Container::Add(std::unique_ptr<Control> child) { return AddAt(std::move(child), children_.size()); }

Control* Container::AddAt(std::unique_ptr<Control> child, std::size_t index) {
    if (!child) return nullptr;
    Control* raw = child.get();
    raw->SetWindow(window_, this);
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(std::min(index, children_.size())),
                     std::move(child));
    NeedUpdate();
    return raw;
}

bool Container::Remove(Control* child) {
    const int index = IndexOf(child);
    if (index < 0) return false;
    children_.erase(children_.begin() + index);
    NeedUpdate();
    return true;
}

void Container::RemoveAll() {
    children_.clear();
    NeedUpdate();
}

Rect Container::InnerRect() const {
    return Rect{pos_.left + inset_.left, pos_.top + inset_.top, pos_.right - inset_.right, pos_.bottom - inset_.bottom};
}

void Container::SetPos(const Rect& rect) {
    Control::SetPos(rect);
    LayoutChildren(InnerRect(), true);
}

Size Container::EstimateSize(Size available) const { return Control::EstimateSize(available); }

void Container::LayoutChildren(const Rect& inner, bool vertical) {
    const std::vector<Rect> rects = ChildRects(inner, vertical);
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (children_[i]->IsVisible()) children_[i]->SetPos(rects[i]);
}

std::vector<Rect> Container::ChildRects(const Rect& inner, bool vertical) const {
    // Fixed sizes first; the space left is shared equally by the stretching
    // children, within their min and max.
    const int total = vertical ? inner.Height() : inner.Width();
    const Size available{inner.Width(), inner.Height()};
    int fixed = 0, stretching = 0, visible = 0;
    std::vector<Size> wanted(children_.size());
    for (std::size_t i = 0; i < children_.size(); ++i) {
        const Control& child = *children_[i];
        if (!child.IsVisible()) continue;
        ++visible;
        wanted[i] = child.EstimateSize(available);
        const Insets& pad = child.Padding();
        const int along = vertical ? wanted[i].cy : wanted[i].cx;
        fixed += vertical ? pad.top + pad.bottom : pad.left + pad.right;
        if (along > 0) fixed += along;
        else ++stretching;
    }
    if (visible > 1) fixed += childPadding_ * (visible - 1);
    const int share = stretching > 0 ? std::max(0, total - fixed) / stretching : 0;

    std::vector<Rect> rects(children_.size());
    int cursor = vertical ? inner.top : inner.left;
    for (std::size_t i = 0; i < children_.size(); ++i) {
        const Control& child = *children_[i];
        if (!child.IsVisible()) continue;
        const Insets& pad = child.Padding();
        int along = vertical ? wanted[i].cy : wanted[i].cx;
        if (along <= 0) {
            along = share;
            const int lo = vertical ? child.MinHeight() : child.MinWidth();
            const int hi = vertical ? child.MaxHeight() : child.MaxWidth();
            if (lo > 0) along = std::max(along, lo);
            if (hi > 0) along = std::min(along, hi);
        }
        if (vertical) {
            cursor += pad.top;
            int across = wanted[i].cx > 0 ? wanted[i].cx : inner.Width() - pad.left - pad.right;
            rects[i] = Rect{inner.left + pad.left, cursor, inner.left + pad.left + across, cursor + along};
            cursor += along + pad.bottom + childPadding_;
        } else {
            cursor += pad.left;
            int across = wanted[i].cy > 0 ? wanted[i].cy : inner.Height() - pad.top - pad.bottom;
            // Fixed heights in a row are centred vertically.
            const int top = inner.top + pad.top + std::max(0, (inner.Height() - pad.top - pad.bottom - across) / 2);
            rects[i] = Rect{cursor, top, cursor + along, top + across};
            cursor += along + pad.right + childPadding_;
        }
    }
    return rects;
}

void HorizontalLayout::SetPos(const Rect& rect) {
    Control::SetPos(rect);
    const Insets& in = Inset();
    LayoutChildren(Rect{rect.left + in.left, rect.top + in.top, rect.right - in.right, rect.bottom - in.bottom},
                   false);
}

Size HorizontalLayout::EstimateSize(Size available) const { return Control::EstimateSize(available); }

// --- TabLayout

bool TabLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (EqualsIgnoringAsciiCase(name, L"selectedid")) {
        int index = 0;
        if (!ParseInt(value, index) || index < 0) return false;
        current_ = index;
        return true;
    }
    return Container::SetAttribute(name, value);
}

bool TabLayout::SelectItem(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= children_.size()) return false;
    current_ = index;
    for (std::size_t i = 0; i < children_.size(); ++i) children_[i]->SetVisible(static_cast<int>(i) == index);
    NeedUpdate();
    return true;
}

void TabLayout::SetPos(const Rect& rect) {
    Control::SetPos(rect);
    const Insets& in = Inset();
    const Rect inner{rect.left + in.left, rect.top + in.top, rect.right - in.right, rect.bottom - in.bottom};
    for (auto& child : children_)
        if (child->IsVisible()) child->SetPos(inner);
}

// --- Leaves

Size Label::EstimateSize(Size available) const { return Control::EstimateSize(available); }

bool Button::Activate() {
    if (!IsEnabled() || !IsShown()) return false;
    Notify(L"click");
    return true;
}

bool Option::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (EqualsIgnoringAsciiCase(name, L"group")) {
        group_.assign(value);
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, L"selected")) {
        Selected(ParseBool(value), false);
        return true;
    }
    return Button::SetAttribute(name, value);
}

bool Option::Activate() {
    if (!IsEnabled() || !IsShown()) return false;
    // The page logic knows rows by their names, not the marks inside them
    // (every row's mark has the same name): the mark's click is the row's,
    // reported as "itemclick" only.
    if (ListContainerElement* row = MarkedRow()) return row->Activate();
    // The click is reported before the state changes, so a click handler
    // sees the state the user clicked on.
    if (!Notify(L"click")) return true;
    Selected(group_.empty() ? !selected_ : true);
    return true;
}

ListContainerElement* Option::MarkedRow() const {
    for (Container* up = parent_; up != nullptr; up = up->Parent())
        if (auto* row = dynamic_cast<ListContainerElement*>(up)) return row->RadioMark() == this ? row : nullptr;
    return nullptr;
}

void Option::Selected(bool selected, bool notify) {
    if (selected_ == selected) return;
    selected_ = selected;
    Invalidate();
    AccessibleChanged(AccessibleChange::State);
    // The whole group changes before anyone hears of it; each handler may
    // destroy options, this one included.
    std::vector<std::pair<Option*, std::weak_ptr<const void>>> deselected;
    if (selected_ && !group_.empty() && window_ != nullptr) {
        for (Option* other : window_->OptionsInGroup(group_))
            if (other != this && other->selected_) {
                other->selected_ = false;
                other->Invalidate();
                other->AccessibleChanged(AccessibleChange::State);
                deselected.emplace_back(other, other->Lifetime());
            }
    }
    if (!notify) return;
    const std::weak_ptr<const void> life = Lifetime();
    for (const auto& [other, otherLife] : deselected)
        if (!otherLife.expired()) other->Notify(L"selectchanged");
    if (!life.expired()) Notify(L"selectchanged");
}

Edit::~Edit() {
    if (peer_) peer_->Detach();
}

bool Edit::SetAttribute(std::wstring_view name, std::wstring_view value) {
    int number = 0;
    if (EqualsIgnoringAsciiCase(name, L"maxchar")) {
        if (!ParseInt(value, number) || number <= 0) return false;
        maxChar_ = number;
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, L"readonly")) {
        readOnly_ = ParseBool(value);
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, L"password")) {
        password_ = ParseBool(value);
        return true;
    }
    return Label::SetAttribute(name, value);
}

void Edit::SetText(std::wstring text) {
    Label::SetText(std::move(text));
    if (peer_) peer_->SetText(Text());
}

void Edit::UserChangedText(std::wstring text) {
    if (text == Text()) return;
    if (static_cast<int>(text.size()) > maxChar_) text.resize(static_cast<std::size_t>(maxChar_));
    Label::SetText(std::move(text));
    Notify(L"textchanged");
}

void Edit::SetSel(int start, int end) {
    const int length = static_cast<int>(Text().size());
    // -1 means the end, as EM_SETSEL has it.
    selStart_ = start < 0 || start > length ? length : start;
    selEnd_ = end < 0 || end > length ? length : end;
    if (peer_) peer_->SetSel(start, end);
}

RichEdit::~RichEdit() {
    if (peer_) peer_->Detach();
}

bool RichEdit::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (EqualsIgnoringAsciiCase(name, L"readonly")) {
        readOnly_ = ParseBool(value);
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, L"vscrollbar")) {
        vscroll_ = ParseBool(value);
        return true;
    }
    return Control::SetAttribute(name, value);
}

void RichEdit::SetText(std::wstring text) {
    runs_.clear();
    if (!text.empty()) runs_.push_back(TextRun{text, format_});
    scrolled_ = 0;
    if (peer_) peer_->SetText(text);
    Invalidate();
}

void RichEdit::SetSelectionCharFormat(const CharFormat& format) {
    format_ = format;
    if (peer_) peer_->SetSelectionCharFormat(format);
}

void RichEdit::AppendAtEnd(const std::wstring& text) {
    if (!runs_.empty() && runs_.back().format.colorRef == format_.colorRef &&
        runs_.back().format.heightTwips == format_.heightTwips && runs_.back().format.effects == format_.effects)
        runs_.back().text += text;
    else
        runs_.push_back(TextRun{text, format_});
    // A native peer paints its own text: repainting the window under it
    // would keep the UI thread from a worker's next log line.
    if (peer_) peer_->AppendAtEnd(text);
    else Invalidate();
}

void RichEdit::LineScroll(int lines) {
    scrolled_ += lines;
    if (peer_) peer_->LineScroll(lines);
}

std::wstring RichEdit::Content() const {
    std::wstring all;
    for (const TextRun& run : runs_) all += run.text;
    return all;
}

bool GifAnim::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (EqualsIgnoringAsciiCase(name, L"autoplay")) {
        playing_ = ParseBool(value);
        return true;
    }
    return Control::SetAttribute(name, value);
}

void GifAnim::Play() {
    playing_ = true;
    Invalidate();
}

void GifAnim::Stop() {
    playing_ = false;
    Invalidate();
}

// --- Lists

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
    if (EqualsIgnoringAsciiCase(name, L"checked")) {
        checked_ = ParseBool(value);
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, L"checkbox")) {
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
    if (EqualsIgnoringAsciiCase(name, L"itemheight")) {
        int number = 0;
        if (!ParseInt(value, number) || number <= 0) return false;
        itemHeight_ = number;
        return true;
    }
    if (EqualsIgnoringAsciiCase(name, L"header")) return true;  // lists never show a header row
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
