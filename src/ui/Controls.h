// The portable control tree of the skin toolkit.
//
// A window's layout becomes a tree of these objects. They hold the state the
// program reads and writes (texts, visibility, selection, list rows, log
// contents); the window host (Win32 or headless) paints them and turns user
// input into calls of Activate, Type and friends. Every control belongs to
// one Window and must only be touched on that window's UI thread.
#pragma once

#include "ui/Geometry.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class Window;
class Container;

// What changed about a control that assistive technology should hear of:
// a state (enabled, selected, checked), its text, its value (an edit's
// text, a combo's choice), or which controls are shown.
enum class AccessibleChange { State, Name, Value, Structure };

class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // The layout element name ("Label", "Button", ...).
    virtual std::wstring_view ClassName() const = 0;
    virtual Container* AsContainer() { return nullptr; }

    Window* GetWindow() const { return window_; }
    Container* Parent() const { return parent_; }
    // Attaches this control (and its children) to a window.
    virtual void SetWindow(Window* window, Container* parent);

    const std::wstring& Name() const { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }

    // The text as stored; with resource-text mode on it is a language key.
    const std::wstring& Text() const { return text_; }
    virtual void SetText(std::wstring text);
    // What the user sees: the translation of Text() in resource-text mode.
    std::wstring DisplayText() const;
    std::wstring DisplayToolTip() const;
    bool ResourceText() const { return resourceText_; }
    void SetResourceText(bool on);

    const std::wstring& ToolTip() const { return toolTip_; }
    // The "accessiblename" attribute's key in the current language; empty
    // when the layout gives none.
    std::wstring AccessibleName() const;
    void SetToolTip(std::wstring text) { toolTip_ = std::move(text); }
    const std::wstring& UserData() const { return userData_; }
    void SetUserData(std::wstring data) { userData_ = std::move(data); }

    bool IsVisible() const { return visible_; }
    // Visible and every ancestor visible too.
    bool IsShown() const;
    virtual void SetVisible(bool visible);
    bool IsEnabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool IsFocused() const { return focused_; }
    // The program's move of the focus to this control.
    void SetFocus();
    // Another control took the focus.
    void KillFocus();

    // Generic attribute by layout name. Returns false for an unknown name or
    // a value that does not parse; the control is then unchanged.
    virtual bool SetAttribute(std::wstring_view name, std::wstring_view value);
    // An attribute list as written in a tag: name="value" name2='value2'.
    bool ApplyAttributeList(std::wstring_view list);
    // The value last set for an attribute the program may read back ("" if none).
    std::wstring GetAttribute(std::wstring_view name) const;

    // Depth-first search of this control and its descendants; names compare
    // without regard to ASCII case, first match wins.
    virtual Control* FindControl(std::wstring_view name);

    // Geometry, in pixels of the window's current scale.
    const Rect& Pos() const { return pos_; }
    virtual void SetPos(const Rect& rect);
    // Size wanted inside `available`: fixed sizes, text width for
    // autocalcwidth; 0 in a dimension means "stretch".
    virtual Size EstimateSize(Size available) const;

    int FixedWidth() const { return width_; }
    int FixedHeight() const { return height_; }
    void SetFixedWidth(int width);
    void SetFixedHeight(int height);
    int MinWidth() const { return minWidth_; }
    int MaxWidth() const { return maxWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxHeight() const { return maxHeight_; }
    const Insets& Padding() const { return padding_; }
    const Insets& TextPadding() const { return textPadding_; }
    bool AutoCalcWidth() const { return autoCalcWidth_; }

    Color BkColor() const { return bkColor_; }
    void SetBkColor(Color color);
    Color BorderColor() const { return borderColor_; }
    int BorderSize() const { return borderSize_; }
    Size BorderRound() const { return borderRound_; }
    Color TextColor() const { return textColor_; }
    void SetTextColor(Color color);
    Color HotTextColor() const { return hotTextColor_; }
    Color DisabledTextColor() const { return disabledTextColor_; }
    Color SelectedTextColor() const { return selectedTextColor_; }
    int Font() const { return font_; }
    void SetFont(int id);
    enum class Align { Left, Center, Right };
    enum class VAlign { Top, Center, Bottom };
    Align TextAlign() const { return align_; }
    VAlign TextVAlign() const { return valign_; }
    // Image entry names by attribute ("bkimage", "normalimage", ...).
    std::wstring Image(std::wstring_view which) const;
    void SetImage(std::wstring_view which, std::wstring image);

    // Hover and pressed states, set by the window host.
    bool IsHot() const { return hot_; }
    void SetHot(bool hot);
    bool IsPushed() const { return pushed_; }
    void SetPushed(bool pushed);

    // A user action: a click with the mouse or the keyboard. Controls that
    // react to clicks override it; false when the control ignores it.
    virtual bool Activate();
    // Whether Tab stops at this control.
    virtual bool WantsFocus() const { return false; }

    // Asks the window to lay out and repaint.
    void NeedUpdate();
    void Invalidate();
    // Tells the window, which tells assistive technology when it is shown.
    void AccessibleChanged(AccessibleChange change);

    // Expires when the control is destroyed. A handler may rebuild the tree
    // while a control is still raising notifications; the control checks
    // this before touching anything afterwards.
    std::weak_ptr<const void> Lifetime() const { return lifetime_; }

protected:
    // False when a handler destroyed this control: the caller must return
    // at once without using `this`.
    bool Notify(std::wstring_view type, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    Window* window_ = nullptr;
    Container* parent_ = nullptr;
    Rect pos_;

private:
    std::wstring name_, text_, toolTip_, userData_, accessibleName_;
    bool resourceText_ = false;
    bool visible_ = true, enabled_ = true, focused_ = false, hot_ = false, pushed_ = false;
    int width_ = 0, height_ = 0;
    int minWidth_ = 0, maxWidth_ = 0, minHeight_ = 0, maxHeight_ = 0;
    Insets padding_, textPadding_;
    bool autoCalcWidth_ = false;
    Color bkColor_ = 0, borderColor_ = 0, textColor_ = 0xFF000000u;
    Color hotTextColor_ = 0, disabledTextColor_ = 0xFFA0A0A0u, selectedTextColor_ = 0;
    int borderSize_ = 0;
    Size borderRound_;
    int font_ = -1;
    Align align_ = Align::Left;
    VAlign valign_ = VAlign::Center;
    std::map<std::wstring, std::wstring, std::less<>> images_;
    std::map<std::wstring, std::wstring, std::less<>> rawAttributes_;
    std::shared_ptr<const void> lifetime_ = std::make_shared<char>(0);
};

class Container : public Control {
public:
    Container* AsContainer() override { return this; }
    void SetWindow(Window* window, Container* parent) override;
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    Control* FindControl(std::wstring_view name) override;

    std::size_t Count() const { return children_.size(); }
    Control* ItemAt(std::size_t index) const { return index < children_.size() ? children_[index].get() : nullptr; }
    int IndexOf(const Control* child) const;
    Control* Add(std::unique_ptr<Control> child);
    Control* AddAt(std::unique_ptr<Control> child, std::size_t index);
    bool Remove(Control* child);
    virtual void RemoveAll();

    const Insets& Inset() const { return inset_; }
    int ChildPadding() const { return childPadding_; }
    // The box less the inset.
    Rect InnerRect() const;
    // Where the children show and take clicks: the whole box, or for a
    // list only its inside, where the rows scroll.
    virtual Rect VisibleArea() const { return pos_; }

    void SetPos(const Rect& rect) override;
    Size EstimateSize(Size available) const override;

protected:
    // Vertical or horizontal flow of the visible children inside `inner`.
    void LayoutChildren(const Rect& inner, bool vertical);
    // The rectangles LayoutChildren would give the children (empty for
    // hidden ones), without moving anything.
    std::vector<Rect> ChildRects(const Rect& inner, bool vertical) const;
    std::vector<std::unique_ptr<Control>> children_;

private:
    Insets inset_;
    int childPadding_ = 0;
};

class VerticalLayout : public Container {
public:
    std::wstring_view ClassName() const override { return L"VerticalLayout"; }
};

class HorizontalLayout : public Container {
public:
    std::wstring_view ClassName() const override { return L"HorizontalLayout"; }
    void SetPos(const Rect& rect) override;
    Size EstimateSize(Size available) const override;
};

// Shows one child (page) at a time.
class TabLayout : public Container {
public:
    std::wstring_view ClassName() const override { return L"TabLayout"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    int CurrentSel() const { return current_; }
    // Shows page `index`, hides the others; false when there is no such page.
    bool SelectItem(int index);
    void SetPos(const Rect& rect) override;

private:
    int current_ = 0;
};

class Label : public Control {
public:
    std::wstring_view ClassName() const override { return L"Label"; }
    Size EstimateSize(Size available) const override;
};

// A label whose text wraps over several lines.
class TextControl : public Label {
public:
    std::wstring_view ClassName() const override { return L"Text"; }
};

class Button : public Label {
public:
    std::wstring_view ClassName() const override { return L"Button"; }
    bool Activate() override;
    bool WantsFocus() const override { return true; }
};

class ListContainerElement;

// A radio button when it has a group, a check box without one. The first
// Option inside a list row is the row's radio mark instead: a radio button
// whatever its group, and a click on it is a click on the row.
class Option : public Button {
public:
    std::wstring_view ClassName() const override { return L"Option"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool Activate() override;
    // The list row whose radio mark this is, or null.
    ListContainerElement* MarkedRow() const;

    const std::wstring& Group() const { return group_; }
    void SetGroup(std::wstring group) { group_ = std::move(group); }
    bool IsSelected() const { return selected_; }
    // Selecting one option of a group deselects the others of the window's
    // group. With `notify`, a change of state raises "selectchanged".
    void Selected(bool selected, bool notify = true);

private:
    std::wstring group_;
    bool selected_ = false;
};

// Receives the changes of an Edit made by the program, on hosts that show a
// native edit control.
class EditPeer {
public:
    virtual ~EditPeer() = default;
    virtual void SetText(const std::wstring& text) = 0;
    virtual void SetSel(int start, int end) = 0;
    virtual void SetFocus() = 0;
    // The control is being destroyed: let go of it.
    virtual void Detach() = 0;
};

class Edit : public Label {
public:
    ~Edit() override;
    std::wstring_view ClassName() const override { return L"Edit"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool WantsFocus() const override { return true; }

    // Set by the program: no "textchanged".
    void SetText(std::wstring text) override;
    // The user changed the text (typing, pasting): "textchanged".
    void UserChangedText(std::wstring text);
    void SetSel(int start, int end);
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }
    int MaxChar() const { return maxChar_; }
    bool IsReadOnly() const { return readOnly_; }
    bool IsPassword() const { return password_; }
    void SetPeer(EditPeer* peer) { peer_ = peer; }

private:
    int selStart_ = 0, selEnd_ = 0;
    int maxChar_ = 255;
    bool readOnly_ = false, password_ = false;
    EditPeer* peer_ = nullptr;
};

// The rich-edit character format the program applies before each log line.
struct CharFormat {
    std::uint32_t mask = 0;
    std::uint32_t effects = 0;
    int heightTwips = 0;
    std::uint32_t colorRef = 0;  // 0x00BBGGRR, as Windows has it
    std::wstring faceName;
};

// A stretch of log text in one format.
struct TextRun {
    std::wstring text;
    CharFormat format;
};

class RichEditPeer {
public:
    virtual ~RichEditPeer() = default;
    virtual void SetText(const std::wstring& text) = 0;
    virtual void SetSelectionCharFormat(const CharFormat& format) = 0;
    virtual void AppendAtEnd(const std::wstring& text) = 0;
    virtual void LineScroll(int lines) = 0;
    // The control is being destroyed: let go of it.
    virtual void Detach() = 0;
};

class RichEdit : public Control {
public:
    ~RichEdit() override;
    std::wstring_view ClassName() const override { return L"RichEdit"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool WantsFocus() const override { return true; }

    // Replaces the whole content; the format of later text stays.
    void SetText(std::wstring text) override;
    // The format for text appended from now on (the selection's format).
    void SetSelectionCharFormat(const CharFormat& format);
    // Moves the selection to the end and replaces it with `text`.
    void AppendAtEnd(const std::wstring& text);
    void LineScroll(int lines);

    const std::vector<TextRun>& Runs() const { return runs_; }
    std::wstring Content() const;
    int ScrolledLines() const { return scrolled_; }
    bool IsReadOnly() const { return readOnly_; }
    bool HasVScrollBar() const { return vscroll_; }
    void SetPeer(RichEditPeer* peer) { peer_ = peer; }

private:
    std::vector<TextRun> runs_;
    CharFormat format_;
    int scrolled_ = 0;
    bool readOnly_ = true, vscroll_ = true;
    RichEditPeer* peer_ = nullptr;
};

class GifAnim : public Control {
public:
    std::wstring_view ClassName() const override { return L"GifAnim"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool IsPlaying() const { return playing_; }
    void Play();
    void Stop();

private:
    bool playing_ = false;
};

// Empty space or a plain box.
class Spacer : public Control {
public:
    std::wstring_view ClassName() const override { return L"Control"; }
};

class List;

// One row of a List built from an item layout.
class ListContainerElement : public HorizontalLayout {
public:
    std::wstring_view ClassName() const override { return L"ListContainerElement"; }
    // A click on the row: selects it, then raises "itemclick".
    bool Activate() override;
    List* OwnerList() const;
    int Index() const;
    bool IsSelected() const { return selected_; }
    // The first Option in the row's subtree, depth-first: the radio mark.
    Option* RadioMark() const;
    // Selecting a row deselects the list's other rows; the radio marks
    // follow (each change raises "selectchanged"), then a newly selected row
    // raises "itemselect". Deselecting turns the row's mark off.
    virtual void Select(bool select = true);

protected:
    bool selected_ = false;
};

// A row with text columns and a check mark.
class ListTextExtElement : public ListContainerElement {
public:
    std::wstring_view ClassName() const override { return L"ListTextExtElement"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    // Columns are numbered from 0.
    std::wstring ColumnText(std::size_t column) const;
    std::size_t ColumnCount() const { return columns_.size(); }
    // The texts of the columns that have one, as the row shows them.
    std::wstring ShownText() const;
    void SetColumnText(std::size_t column, std::wstring text);
    bool IsChecked() const { return checked_; }
    // Sets the check mark silently (the program's own change).
    void SetCheck(bool checked);
    // The user clicked the check box: the mark flips, "listitemchecked" with
    // lParam 1 or 0 is raised, then the click goes on as "itemclick".
    void ClickCheckBox();
    // Whether the row shows a check box ("checkbox" attribute, default on);
    // a plain list of choices has none.
    bool HasCheckBox() const { return checkBox_; }
    Size EstimateSize(Size available) const override;

private:
    std::vector<std::wstring> columns_;
    bool checked_ = false;
    bool checkBox_ = true;
};

// Rows one below the other, scrolled vertically when they do not fit.
// Scroll positions are layout pixels from the top of the first row.
class List : public VerticalLayout {
public:
    // The scroll bar's width inside the right edge, in layout pixels; the
    // rows give it up while it shows.
    static constexpr int kScrollBarWidth = 6;

    std::wstring_view ClassName() const override { return L"List"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    // The index of the selected row, -1 if none. Read from the rows, so it
    // stays right when the program adds or removes rows.
    int CurSel() const;
    int ItemHeight() const { return itemHeight_; }
    // The nearest shown, enabled row before or after `row`, or null: where
    // the arrow keys go.
    ListContainerElement* NextRow(const ListContainerElement* row, bool backwards) const;

    // Rebuilding the list starts again at the top.
    void RemoveAll() override;
    void SetPos(const Rect& rect) override;
    Rect VisibleArea() const override { return InnerRect(); }

    int ScrollOffset() const { return offset_; }
    // How far the rows reach below the inside, 0 when they fit.
    int MaxScrollOffset() const;
    // Scrolls to `offset`, clamped to 0..MaxScrollOffset(); false when the
    // rows did not move.
    bool ScrollTo(int offset);
    bool ScrollBy(int pixels) { return ScrollTo(offset_ + pixels); }
    // Scrolls the least amount that shows `row` wholly (its top when it is
    // taller than the list). It is applied again when the list is next laid
    // out: rows are often filled and selected before the list has its size.
    void EnsureVisible(const Control* row);

    // The height of one row with its spacing, and of the inside: the wheel's
    // and the track's steps.
    int LineHeight() const;
    int PageHeight() const;

    bool HasScrollBar() const { return MaxScrollOffset() > 0; }
    // The track and its thumb; empty when the rows fit.
    Rect ScrollBarRect() const;
    Rect ScrollThumbRect() const;
    // The offset that puts the thumb's top at `thumbTop`: dragging it.
    int OffsetForThumbTop(int thumbTop) const;

private:
    int ContentHeight() const;
    // The offset that shows `row` wholly, starting from `from`.
    int RevealOffset(const Control& row, int from) const;

    int itemHeight_ = 28;
    int offset_ = 0;
    // The row EnsureVisible still shows at the next layout.
    const Control* reveal_ = nullptr;
    std::weak_ptr<const void> revealLife_;
};

// The deepest shown control under (x, y), in layout pixels, that takes
// clicks: a button (options included) or a list row. Children count only
// inside their container's visible area, so rows scrolled out of a list
// are not hit.
Control* HitTest(Control& root, int x, int y);
// The innermost shown list under (x, y): what the wheel scrolls.
List* ListAt(Control& root, int x, int y);

}  // namespace ui
