// The leaves of the control tree: labels, buttons, options, the native
// edits and the animation.
#include "ui/Controls.h"

#include "base/Strings.h"
#include "ui/Window.h"

#include <algorithm>

namespace ui {

Size Label::EstimateSize(Size available) const { return Control::EstimateSize(available); }

bool Button::Activate() {
    if (!IsEnabled() || !IsShown()) return false;
    Notify(L"click");
    return true;
}

bool Option::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (base::EqualNoCaseAscii(name, L"group")) {
        group_.assign(value);
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"selected")) {
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
    if (base::EqualNoCaseAscii(name, L"maxchar")) {
        if (!ParseInt(value, number) || number <= 0) return false;
        maxChar_ = number;
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"readonly")) {
        readOnly_ = ParseBool(value);
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"password")) {
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
    if (base::EqualNoCaseAscii(name, L"readonly")) {
        readOnly_ = ParseBool(value);
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"vscrollbar")) {
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
    if (base::EqualNoCaseAscii(name, L"autoplay")) {
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

}  // namespace ui
