#include "ui/Controls.h"

#include "base/Strings.h"
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
    const std::wstring name = base::LowerAscii(rawName);
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
                        [&](const std::wstring& style) { return base::EqualNoCaseAscii(style, value); }))
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
    const auto it = rawAttributes_.find(base::LowerAscii(name));
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
    return base::EqualNoCaseAscii(name_, name) ? this : nullptr;
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
    if (base::EqualNoCaseAscii(name, L"inset")) {
        if (!ParseRect(value, rect)) return false;
        inset_ = rect;
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"childpadding")) {
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
    if (base::EqualNoCaseAscii(name, L"selectedid")) {
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

}  // namespace ui
