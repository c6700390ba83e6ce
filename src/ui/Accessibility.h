// What assistive technology is told about the control tree, worked out
// without any platform: which controls are objects of their own, what each
// one is called and is, where it sits, and what its default action does.
//
// The window's root stands for the client area. Plain layouts (vertical,
// horizontal, tab) are left out of the tree and their children move up to
// the nearest object; so are empty spacers and labels without any text.
// A list's rows are its children, each one object whose name is the row's
// text. The Win32 host wraps these answers in IAccessible objects; the
// functions must run on the window's UI thread. Once a window is shown, the
// changes of its controls are announced to the host (Window::AccessibleChanged).
#pragma once

#include "ui/Controls.h"
#include "ui/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

enum class AccessibleRole {
    Client,
    Grouping,
    PushButton,
    RadioButton,
    CheckBox,
    List,
    ListItem,
    Text,
    StaticText,
    ProgressBar,
    Animation,
    ComboBox,
    Chart,
    Graphic,
    Window,
};

// State bits, one per state a host can report.
namespace accessible_state {
constexpr std::uint32_t kUnavailable = 1u << 0;
constexpr std::uint32_t kInvisible = 1u << 1;
constexpr std::uint32_t kOffscreen = 1u << 2;
constexpr std::uint32_t kFocusable = 1u << 3;
constexpr std::uint32_t kFocused = 1u << 4;
constexpr std::uint32_t kSelectable = 1u << 5;
constexpr std::uint32_t kSelected = 1u << 6;
constexpr std::uint32_t kChecked = 1u << 7;
constexpr std::uint32_t kReadOnly = 1u << 8;
constexpr std::uint32_t kProtected = 1u << 9;
constexpr std::uint32_t kHotTracked = 1u << 10;
constexpr std::uint32_t kPressed = 1u << 11;
constexpr std::uint32_t kAnimated = 1u << 12;
constexpr std::uint32_t kExpanded = 1u << 13;
constexpr std::uint32_t kCollapsed = 1u << 14;
}  // namespace accessible_state

struct AccessibleInfo {
    AccessibleRole role = AccessibleRole::Client;
    std::wstring name;
    // An edit's text, the chosen item of a combo, a progress percentage.
    std::wstring value;
    // The tooltip, when it is not already the name.
    std::wstring description;
    // What DoDefaultAction does, as a verb ("Press"); empty when nothing.
    std::wstring defaultAction;
    std::uint32_t states = 0;
    // In layout pixels, cut to what the containers show; empty when hidden.
    Rect bounds;
};

// Whether `control` is an object of the tree (the root always is).
bool IsAccessibleObject(const Control& control);
AccessibleInfo DescribeAccessible(const Control& control);
// The objects directly below `object`, in layout order.
std::vector<Control*> AccessibleChildren(const Control& object);
// The object above `control`, or null for the root.
Control* AccessibleParent(const Control& control);
// The object that stands for `control`: itself, or the nearest object
// above it (the row for a row's radio mark).
Control* AccessibleObjectOf(Control& control);
// The deepest shown object under a point of the root (layout pixels), the
// root itself when no other is there, or null outside the root.
Control* AccessibleAt(Control& root, int x, int y);
// Performs the default action as a click of the user would, if the object
// has one and is shown and enabled; false otherwise. Handlers may destroy
// `object` on the way.
bool DoDefaultAction(Control& object);

}  // namespace ui
