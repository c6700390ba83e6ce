// Four further controls of the toolkit, configured from layout attributes
// and drawn by the hosts: a circular progress indicator, a drop-down combo
// box, a pie or bar chart, and a place that holds a native child window.
#pragma once

#include "ui/Controls.h"
#include "ui/Window.h"

#include <string>
#include <vector>

namespace ui {

// A ring that fills clockwise from the top as the value goes from min to
// max. While playing (the GifAnim side) it is a busy indicator instead: an
// arc that turns. Attributes: value, min, max, forecolor, linewidth,
// showtext (the percentage in the middle), autoplay.
class CircleProgress : public GifAnim {
public:
    std::wstring_view ClassName() const override { return L"CircleProgress"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Value() const { return value_; }
    // A range with max below min is taken as [max, min]; the value is kept
    // inside the range.
    void SetRange(int min, int max);
    // Clamped into the range; "valuechanged" (wParam the new value) when it
    // changes.
    void SetValue(int value);
    // 0..1 of the range; an empty range counts as full.
    double Fraction() const;
    Color ForeColor() const { return foreColor_; }
    int LineWidth() const { return lineWidth_; }
    bool ShowsText() const { return showText_; }

private:
    int min_ = 0, max_ = 100, value_ = 0;
    Color foreColor_ = 0xFF1E6FD9u;
    int lineWidth_ = 4;
    bool showText_ = false;
};

// A box that shows the chosen item and drops a list of all of them below it.
// Attributes: items ("a|b|c"), selected (an index, -1 for none), dropheight
// (the most the list may take; 0: all rows).
class Combo : public Control {
public:
    std::wstring_view ClassName() const override { return L"Combo"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool WantsFocus() const override { return true; }
    // A click: drops the list, or folds it when it is down.
    bool Activate() override;

    const std::vector<std::wstring>& Items() const { return items_; }
    void AddItem(std::wstring text);
    void RemoveAll();
    int SelectedIndex() const { return selected_; }
    // Out of range: -1, no item. A change raises "selectchanged" with the
    // new index in wParam and the old one in lParam. The list folds up.
    void Select(int index);
    // Up or Down from the keyboard: the item before or after the chosen one.
    void Step(bool up);
    bool IsDropped() const { return dropped_; }
    void Fold();

    // Geometry of the dropped list, in layout pixels below the box.
    int RowHeight() const;
    Rect DropRect() const;
    // The item under a point of the dropped list, or -1.
    int ItemAt(int x, int y) const;

private:
    std::vector<std::wstring> items_;
    int selected_ = -1;
    int dropHeight_ = 0;
    bool dropped_ = false;
};

// Values with labels, drawn as a pie (each slice its share of the total) or
// as bars (each as high as its value against the largest). Attributes:
// kind ("pie" or "histogram"), values ("3,5,2"; negative values count as 0),
// labels ("a|b|c"), colors ("#FF1E6FD9|#FF10B981|..."; a default palette
// otherwise).
class Chart : public Control {
public:
    enum class Kind { Pie, Histogram };
    struct Item {
        std::wstring label;
        double value = 0;
    };

    std::wstring_view ClassName() const override { return L"Chart"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;

    Kind GetKind() const { return kind_; }
    void SetKind(Kind kind);
    const std::vector<Item>& Items() const { return items_; }
    void AddItem(std::wstring label, double value);
    void RemoveAll();
    double Total() const;
    double Largest() const;
    // The item's share of the total, 0 when the total is 0.
    double Share(std::size_t index) const;
    Color ColorOf(std::size_t index) const;

private:
    Kind kind_ = Kind::Pie;
    std::vector<Item> items_;
    std::vector<Color> colors_;
};

// What a host keeps for a native child window.
class NativeChildPeer {
public:
    virtual ~NativeChildPeer() = default;
    virtual WindowHandle Handle() const = 0;
    // The control is being destroyed: let go of it.
    virtual void Detach() = 0;
};

// A place in the layout for a native child window of the host: one it makes
// from the attributes "windowclass" and "windowtext" when the control is
// first shown, which then follows the control's place and visibility.
class NativeWindowHost : public Control {
public:
    ~NativeWindowHost() override;
    std::wstring_view ClassName() const override { return L"NativeWindowHost"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;

    const std::wstring& WindowClass() const { return windowClass_; }
    const std::wstring& WindowText() const { return windowText_; }
    // The native window, once the host has made it; null before.
    WindowHandle ChildHandle() const { return peer_ ? peer_->Handle() : nullptr; }
    void SetPeer(NativeChildPeer* peer) { peer_ = peer; }

private:
    std::wstring windowClass_ = L"STATIC";
    std::wstring windowText_;
    NativeChildPeer* peer_ = nullptr;
};

}  // namespace ui
