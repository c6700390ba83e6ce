#include "ui/Accessibility.h"

#include "ui/ExtraControls.h"
#include "ui/Window.h"
#include "ui/WindowHost.h"

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

using namespace accessible_state;

bool IsRoot(const Control& control) { return control.Parent() == nullptr; }

// Layouts only arrange their children; they say nothing a user could use.
bool IsPlainLayout(const Control& control) {
    const std::wstring_view name = control.ClassName();
    return name == L"VerticalLayout" || name == L"HorizontalLayout" || name == L"TabLayout";
}

const ListContainerElement* EnclosingRow(const Control& control) {
    for (const Container* up = control.Parent(); up != nullptr; up = up->Parent())
        if (auto* row = dynamic_cast<const ListContainerElement*>(up)) return row;
    return nullptr;
}

bool IsStaticLabel(const Control& control) {
    return dynamic_cast<const Label*>(&control) && !dynamic_cast<const Button*>(&control) &&
           !dynamic_cast<const Edit*>(&control);
}

bool IsCheckRow(const Control& control) {
    auto* row = dynamic_cast<const ListTextExtElement*>(&control);
    return row != nullptr && row->HasCheckBox();
}

AccessibleRole RoleOf(const Control& control) {
    if (IsRoot(control)) return AccessibleRole::Client;
    if (auto* option = dynamic_cast<const Option*>(&control))
        return option->Group().empty() && option->MarkedRow() == nullptr ? AccessibleRole::CheckBox
                                                                         : AccessibleRole::RadioButton;
    if (dynamic_cast<const Button*>(&control)) return AccessibleRole::PushButton;
    if (dynamic_cast<const Edit*>(&control) || dynamic_cast<const RichEdit*>(&control)) return AccessibleRole::Text;
    if (dynamic_cast<const Label*>(&control)) return AccessibleRole::StaticText;
    if (dynamic_cast<const CircleProgress*>(&control)) return AccessibleRole::ProgressBar;
    if (dynamic_cast<const GifAnim*>(&control)) return AccessibleRole::Animation;
    if (dynamic_cast<const Combo*>(&control)) return AccessibleRole::ComboBox;
    if (dynamic_cast<const Chart*>(&control)) return AccessibleRole::Chart;
    if (dynamic_cast<const NativeWindowHost*>(&control)) return AccessibleRole::Window;
    if (dynamic_cast<const List*>(&control)) return AccessibleRole::List;
    if (dynamic_cast<const ListContainerElement*>(&control)) return AccessibleRole::ListItem;
    if (dynamic_cast<const Container*>(&control)) return AccessibleRole::Grouping;
    return AccessibleRole::Graphic;
}

// A caption button's symbol ("×", "—", "?"): read aloud it says nothing
// of what the button does, its tooltip does.
bool IsSymbol(std::wstring_view text) {
    if (text.empty() || text.size() > 2) return false;
    for (const wchar_t c : text) {
        const bool punctuation = c < 0x80 && !((c >= L'0' && c <= L'9') || ((c | 0x20) >= L'a' && (c | 0x20) <= L'z'));
        const bool symbolBlock = (c >= 0x2000 && c <= 0x2BFF) || (c >= 0xE000 && c <= 0xF8FF) || c == 0x00D7;
        if (!punctuation && !symbolBlock) return false;
    }
    return true;
}

std::wstring TextOrToolTip(const Control& control) {
    std::wstring text = control.DisplayText();
    if (text.empty() || IsSymbol(text)) {
        std::wstring tip = control.DisplayToolTip();
        if (!tip.empty()) return tip;
    }
    return text;
}

// An edit is named by its tooltip, or like a dialog's edit by the label
// written just before it.
std::wstring EditName(const Control& edit) {
    std::wstring tip = edit.DisplayToolTip();
    if (!tip.empty() || edit.Parent() == nullptr) return tip;
    const Container& parent = *edit.Parent();
    for (int i = parent.IndexOf(&edit); i-- > 0;) {
        const Control& before = *parent.ItemAt(static_cast<std::size_t>(i));
        if (!IsStaticLabel(before)) continue;
        std::wstring text = before.DisplayText();
        if (!text.empty()) return text;
    }
    return {};
}

void AppendShownTexts(const Control& control, std::wstring& out) {
    if (!control.IsVisible()) return;
    if (IsStaticLabel(control)) {
        const std::wstring text = control.DisplayText();
        if (!text.empty()) out += (out.empty() ? L"" : L"    ") + text;
    }
    if (auto* container = dynamic_cast<const Container*>(&control))
        for (std::size_t i = 0; i < container->Count(); ++i) AppendShownTexts(*container->ItemAt(i), out);
}

// A row reads as its columns do on the screen.
std::wstring RowName(const ListContainerElement& row) {
    if (auto* ext = dynamic_cast<const ListTextExtElement*>(&row)) {
        std::wstring shown = ext->ShownText();
        if (!shown.empty()) return shown;
    }
    std::wstring texts;
    for (std::size_t i = 0; i < row.Count(); ++i) AppendShownTexts(*row.ItemAt(i), texts);
    return texts.empty() ? TextOrToolTip(row) : texts;
}

std::wstring NameOf(const Control& control, AccessibleRole role) {
    if (IsRoot(control)) return control.GetWindow() ? control.GetWindow()->Caption() : TextOrToolTip(control);
    if (std::wstring own = control.AccessibleName(); !own.empty()) return own;
    if (role == AccessibleRole::Text) return EditName(control);
    if (auto* row = dynamic_cast<const ListContainerElement*>(&control)) return RowName(*row);
    if (auto* host = dynamic_cast<const NativeWindowHost*>(&control))
        return host->WindowText().empty() ? TextOrToolTip(control) : host->WindowText();
    return TextOrToolTip(control);
}

std::wstring Percent(const CircleProgress& progress) {
    return std::to_wstring(static_cast<int>(std::lround(progress.Fraction() * 100))) + L"%";
}

std::wstring ChartValue(const Chart& chart) {
    std::wstring value;
    for (const Chart::Item& item : chart.Items()) {
        if (!value.empty()) value += L", ";
        std::wstring number = std::to_wstring(item.value);
        // "3.500000" reads as "3.5".
        if (number.find(L'.') != std::wstring::npos) {
            number.erase(number.find_last_not_of(L'0') + 1);
            if (number.back() == L'.') number.pop_back();
        }
        value += item.label + L": " + number;
    }
    return value;
}

std::wstring ValueOf(const Control& control) {
    if (auto* edit = dynamic_cast<const Edit*>(&control)) return edit->IsPassword() ? std::wstring() : edit->Text();
    if (auto* log = dynamic_cast<const RichEdit*>(&control)) return log->Content();
    if (auto* progress = dynamic_cast<const CircleProgress*>(&control))
        return progress->IsPlaying() ? std::wstring() : Percent(*progress);
    if (auto* combo = dynamic_cast<const Combo*>(&control)) {
        const int index = combo->SelectedIndex();
        return index >= 0 && static_cast<std::size_t>(index) < combo->Items().size()
                   ? combo->Items()[static_cast<std::size_t>(index)]
                   : std::wstring();
    }
    if (auto* chart = dynamic_cast<const Chart*>(&control)) return ChartValue(*chart);
    return {};
}

bool IsSelectedOption(const Control& control) {
    auto* option = dynamic_cast<const Option*>(&control);
    return option != nullptr && option->IsSelected();
}

std::uint32_t StatesOf(const Control& control, AccessibleRole role, const Rect& bounds) {
    std::uint32_t states = 0;
    if (!control.IsEnabled()) states |= kUnavailable;
    if (!control.IsShown()) states |= kInvisible;
    else if (bounds.Width() <= 0 || bounds.Height() <= 0) states |= kOffscreen;
    if (control.IsHot()) states |= kHotTracked;
    if (control.IsPushed()) states |= kPressed;
    auto* row = dynamic_cast<const ListContainerElement*>(&control);
    if (control.WantsFocus() || (row && row->RadioMark())) states |= kFocusable;
    if (const Window* window = control.GetWindow(); window && window->Host()) {
        Control* focused = window->Host()->FocusedControl();
        if (focused != nullptr && AccessibleObjectOf(*focused) == &control) states |= kFocused;
    }
    switch (role) {
        case AccessibleRole::RadioButton:
            states |= kSelectable;
            if (IsSelectedOption(control)) states |= kSelected | kChecked;
            break;
        case AccessibleRole::CheckBox:
            if (IsSelectedOption(control)) states |= kChecked;
            break;
        case AccessibleRole::ListItem:
            states |= kSelectable;
            if (row && row->IsSelected()) states |= kSelected;
            if (auto* ext = dynamic_cast<const ListTextExtElement*>(&control); ext && ext->HasCheckBox() && ext->IsChecked())
                states |= kChecked;
            break;
        case AccessibleRole::StaticText:
            states |= kReadOnly;
            break;
        case AccessibleRole::Text: {
            auto* edit = dynamic_cast<const Edit*>(&control);
            auto* log = dynamic_cast<const RichEdit*>(&control);
            if ((edit && edit->IsReadOnly()) || (log && log->IsReadOnly())) states |= kReadOnly;
            if (edit && edit->IsPassword()) states |= kProtected;
            break;
        }
        case AccessibleRole::ProgressBar:
        case AccessibleRole::Animation:
            if (static_cast<const GifAnim&>(control).IsPlaying()) states |= kAnimated;
            break;
        case AccessibleRole::ComboBox:
            states |= static_cast<const Combo&>(control).IsDropped() ? kExpanded : kCollapsed;
            break;
        default:
            break;
    }
    return states;
}

std::wstring DefaultActionOf(const Control& control, AccessibleRole role) {
    switch (role) {
        case AccessibleRole::PushButton:
            return L"Press";
        case AccessibleRole::CheckBox:
            return IsSelectedOption(control) ? L"Uncheck" : L"Check";
        case AccessibleRole::RadioButton:
            return L"Select";
        case AccessibleRole::ListItem:
            // A click in a row's check box column flips the mark: the one
            // thing a check list is for.
            if (IsCheckRow(control))
                return static_cast<const ListTextExtElement&>(control).IsChecked() ? L"Uncheck" : L"Check";
            return L"Select";
        case AccessibleRole::ComboBox:
            return static_cast<const Combo&>(control).IsDropped() ? L"Close" : L"Open";
        default:
            return {};
    }
}

Rect Intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) return Rect{};
    return r;
}

// Where the control can be seen: rows scrolled out of a list are not.
Rect VisibleBounds(const Control& control) {
    if (!control.IsShown()) return Rect{};
    Rect bounds = control.Pos();
    for (const Container* up = control.Parent(); up != nullptr; up = up->Parent())
        bounds = Intersect(bounds, up->VisibleArea());
    return bounds;
}

void CollectObjects(const Container& container, std::vector<Control*>& out) {
    for (std::size_t i = 0; i < container.Count(); ++i) {
        Control* child = container.ItemAt(i);
        if (IsAccessibleObject(*child)) out.push_back(child);
        else if (auto* inner = dynamic_cast<const Container*>(child)) CollectObjects(*inner, out);
    }
}

}  // namespace

bool IsAccessibleObject(const Control& control) {
    if (IsRoot(control)) return true;
    if (IsPlainLayout(control) || EnclosingRow(control) != nullptr) return false;
    const AccessibleRole role = RoleOf(control);
    if (role == AccessibleRole::Graphic || role == AccessibleRole::StaticText)
        return !TextOrToolTip(control).empty();
    return true;
}

AccessibleInfo DescribeAccessible(const Control& control) {
    AccessibleInfo info;
    info.role = RoleOf(control);
    info.name = NameOf(control, info.role);
    info.value = ValueOf(control);
    const std::wstring tip = control.DisplayToolTip();
    if (tip != info.name) info.description = tip;
    info.bounds = VisibleBounds(control);
    info.states = StatesOf(control, info.role, info.bounds);
    info.defaultAction = DefaultActionOf(control, info.role);
    return info;
}

std::vector<Control*> AccessibleChildren(const Control& object) {
    std::vector<Control*> children;
    // A row is read as one item; what it holds is in its name.
    if (dynamic_cast<const ListContainerElement*>(&object)) return children;
    if (auto* container = dynamic_cast<const Container*>(&object)) CollectObjects(*container, children);
    return children;
}

Control* AccessibleParent(const Control& control) {
    Container* up = control.Parent();
    while (up != nullptr && !IsAccessibleObject(*up)) up = up->Parent();
    return up;
}

Control* AccessibleObjectOf(Control& control) {
    if (const ListContainerElement* row = EnclosingRow(control)) {
        // The outermost row: rows never nest in practice, but a tree of
        // them must still map to an object.
        while (const ListContainerElement* outer = EnclosingRow(*row)) row = outer;
        return const_cast<ListContainerElement*>(row);
    }
    return IsAccessibleObject(control) ? &control : AccessibleParent(control);
}

Control* AccessibleAt(Control& root, int x, int y) {
    if (!root.IsShown() || !root.Pos().Contains(x, y)) return nullptr;
    Control* found = &root;
    for (;;) {
        const std::vector<Control*> children = AccessibleChildren(*found);
        Control* next = nullptr;
        // Later children are painted over earlier ones.
        for (auto it = children.rbegin(); it != children.rend() && next == nullptr; ++it)
            if (VisibleBounds(**it).Contains(x, y)) next = *it;
        if (next == nullptr) return found;
        found = next;
    }
}

bool DoDefaultAction(Control& object) {
    if (!object.IsShown() || !object.IsEnabled()) return false;
    const AccessibleRole role = RoleOf(object);
    if (DefaultActionOf(object, role).empty()) return false;
    if (role == AccessibleRole::ListItem && IsCheckRow(object)) {
        static_cast<ListTextExtElement&>(object).ClickCheckBox();
        return true;
    }
    return object.Activate();
}

}  // namespace ui
