#include "ui/Controls.h"
#include "ui/TextManager.h"
#include "ui/Utf.h"
#include "ui/Window.h"
#include "ui/headless/Desktop.h"

#include "support/TestPackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using ui::headless::Desktop;

// The layout values as written, malformed and at the edges of their range.
TEST(LayoutValues, ParsersTakeWhatIsWrittenAndRefuseTheRest) {
    const struct {
        const wchar_t* text;
        bool ok;
        ui::Color value;
    } colours[] = {
        {L"#FF112233", true, 0xFF112233u}, {L"FF112233", true, 0xFF112233u}, {L"#112233", true, 0xFF112233u},
        {L"#ffffffff", true, 0xFFFFFFFFu}, {L"#FF11223", false, 0}, {L"#FF1122334", false, 0},
        {L"#GG112233", false, 0},          {L"", false, 0},              {L"# FF11223", false, 0},
    };
    for (const auto& c : colours) {
        ui::Color out = 0;
        EXPECT_EQ(ui::ParseColor(c.text, out), c.ok) << ui::WideToUtf8(c.text);
        if (c.ok) {
            EXPECT_EQ(out, c.value) << ui::WideToUtf8(c.text);
        }
    }
    const struct {
        const wchar_t* text;
        bool ok;
        int value;
    } integers[] = {
        {L"0", true, 0},           {L"-12", true, -12},   {L"2147483647", true, 2147483647},
        {L"2147483648", false, 0}, {L"-2147483648", true, -2147483647 - 1},   {L"-2147483649", false, 0},
        {L"", false, 0},           {L"-", false, 0},      {L"12px", false, 0}, {L" 12 ", true, 12},
    };
    for (const auto& c : integers) {
        int out = 0;
        EXPECT_EQ(ui::ParseInt(c.text, out), c.ok) << ui::WideToUtf8(c.text);
        if (c.ok) {
            EXPECT_EQ(out, c.value) << ui::WideToUtf8(c.text);
        }
    }
    ui::Rect rect;
    EXPECT_TRUE(ui::ParseRect(L"1,-2,3,4", rect));
    EXPECT_EQ(rect.left + rect.top + rect.right + rect.bottom, 6);
    for (const wchar_t* bad : {L"1,2,3", L"1,2,3,4,5", L"1,,3,4", L"a,b,c,d", L"1,2,3,99999999999", L""})
        EXPECT_FALSE(ui::ParseRect(bad, rect)) << ui::WideToUtf8(bad);
    ui::Size size;
    EXPECT_TRUE(ui::ParseSize(L"560,400", size));
    EXPECT_EQ(size.cx * 1000 + size.cy, 560400);
    for (const wchar_t* bad : {L"560", L"560,400,1", L"560,x", L",400", L""})
        EXPECT_FALSE(ui::ParseSize(bad, size)) << ui::WideToUtf8(bad);
}

const char* kLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,30">
  <Font id="3" name="Segoe UI" size="14"/>
  <Font id="4" name="Segoe UI" size="+2" bold="true"/>
  <Style name="big" value="height=&quot;40&quot; textcolor=&quot;#FF112233&quot;"/>
  <VerticalLayout name="root" inset="10,10,10,10" childpadding="5">
    <Label name="Title_Lb" text="mainTitle" resourcetext="true" font="3" height="30"/>
    <HorizontalLayout name="hor_options" height="30">
      <Option name="option_a" group="g" selected="true" width="100"/>
      <Option name="option_b" group="g" width="100"/>
      <Option name="check" width="100"/>
    </HorizontalLayout>
    <TabLayout name="tab" selectedid="1">
      <VerticalLayout name="page0"><Button name="btn_page0"/></VerticalLayout>
      <VerticalLayout name="page1"><Edit name="edit_name"/><Button name="btn_styled" style="big"/></VerticalLayout>
    </TabLayout>
    <List name="list" itemheight="30"/>
    <RichEdit name="log" height="60"/>
    <GifAnim name="busy" visible="false" width="20" height="20"/>
  </VerticalLayout>
</Window>)";

class TestWindow : public ui::Window {
public:
    explicit TestWindow(std::wstring layout = L"test.xml") : layout_(std::move(layout)) {}
    std::vector<std::pair<std::wstring, std::wstring>> seen;  // type, sender name
    // Runs inside each notification, as the program's handlers do.
    std::function<void(ui::Notification&)> onNotify;

protected:
    std::wstring GetWindowClassName() const override { return L"TestWnd"; }
    std::wstring GetSkinFile() const override { return layout_; }
    void Notify(ui::Notification& n) override {
        seen.emplace_back(n.type, n.sender ? n.sender->Name() : L"");
        if (onNotify) onNotify(n);
        ui::Window::Notify(n);
    }

private:
    std::wstring layout_;
};

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        Desktop::Instance().Reset();
        ui::TextManager::Process().Clear();
        testing_support::UsePackage({
            {"test.xml", kLayout},
            {"bad_element.xml", "<Window><VerticalLayout><Blink/></VerticalLayout></Window>"},
            {"bad_attribute.xml", "<Window><Label width=\"wide\"/></Window>"},
            {"bad_style.xml", "<Window><Label style=\"nope\"/></Window>"},
            // Styles that name themselves, directly or in a ring of two.
            {"self_style.xml",
             "<Window><Style name=\"a\" value=\"height=&quot;3&quot; style=&quot;A&quot;\"/><Label style=\"a\"/></Window>"},
            {"ring_style.xml",
             "<Window><Style name=\"a\" value=\"style=&quot;b&quot;\"/>"
             "<Style name=\"b\" value=\"style=&quot;a&quot;\"/><Label style=\"b\"/></Window>"},
            {"leaf_children.xml", "<Window><Label><Label/></Label></Window>"},
            {"broken.xml", "<Window><Label></Window>"},
        });
        ASSERT_TRUE(window.Create(ui::WindowCreation{}.Caption(L"test").Size(10, 10)));
    }
    void TearDown() override { window.Destroy(); }
    TestWindow window;
};

TEST_F(Controls, LayoutBuildsTheTreeAndFindsNamesIgnoringCase) {
    EXPECT_NE(window.FindControl(L"title_lb"), nullptr);
    EXPECT_EQ(window.FindControl(L"TITLE_LB"), window.FindControl(L"Title_Lb"));
    EXPECT_EQ(window.FindControl(L"missing"), nullptr);
    auto* styled = window.Find<ui::Button>(L"btn_styled");
    ASSERT_NE(styled, nullptr);
    EXPECT_EQ(styled->FixedHeight(), 40);
    EXPECT_EQ(styled->TextColor(), 0xFF112233u);
    EXPECT_EQ(window.GetFont(3)->face, L"Segoe UI");
    EXPECT_EQ(window.Find<ui::Label>(L"title_lb")->Font(), 3);
    // windowinit is the first notification, from the root.
    ASSERT_FALSE(window.seen.empty());
    EXPECT_EQ(window.seen.front().first, L"windowinit");
}

TEST_F(Controls, RelativeFontsFollowTheDefaultFont) {
    window.SetDefaultFont(L"SimSun", 14, false, false, false);
    EXPECT_EQ(window.EffectiveFont(4).size, 16);
    EXPECT_TRUE(window.EffectiveFont(4).bold);
    EXPECT_EQ(window.EffectiveFont(3).size, 14);
    window.SetDefaultFont(L"SimSun", 20, false, false, false);
    EXPECT_EQ(window.EffectiveFont(4).size, 22);
    EXPECT_EQ(window.EffectiveFont(3).size, 14);
    EXPECT_EQ(window.EffectiveFont(99).face, L"SimSun");  // no such font: the default
}

TEST_F(Controls, LayoutErrorsAreReportedAsTheToolkitsBox) {
    for (const wchar_t* name : {L"bad_element.xml", L"bad_attribute.xml", L"bad_style.xml", L"self_style.xml",
                                L"ring_style.xml", L"leaf_children.xml", L"broken.xml", L"missing.xml"}) {
        Desktop::Instance().Reset();
        TestWindow broken(name);
        EXPECT_FALSE(broken.Create(ui::WindowCreation{}.Caption(L"x").Size(10, 10))) << name;
        EXPECT_FALSE(broken.IsWindow());
        EXPECT_EQ(Desktop::Instance().LayoutErrorExitCode(), 1);
        const auto boxes = Desktop::Instance().MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, std::wstring(L"\u52a0\u8f7d\u8d44\u6e90\u6587\u4ef6\u5931\u8d25\uff1a") + name);
        EXPECT_EQ(boxes[0].caption, L"Skin UI");
        EXPECT_EQ(boxes[0].style, ui::mb::kIconError);
        EXPECT_EQ(boxes[0].owner, nullptr);
    }
}

TEST_F(Controls, ResourceTextShowsTheTranslation) {
    auto* title = window.Find<ui::Label>(L"title_lb");
    EXPECT_EQ(title->DisplayText(), L"mainTitle");
    ASSERT_TRUE(ui::TextManager::Process().Load(L"<L><Text id=\"mainTitle\" value=\"Setup\"/></L>"));
    EXPECT_EQ(title->Text(), L"mainTitle");
    EXPECT_EQ(title->DisplayText(), L"Setup");
    title->SetResourceText(false);
    EXPECT_EQ(title->DisplayText(), L"mainTitle");
}

TEST_F(Controls, OptionGroupsSelectOneAndReportClickBeforeTheChange) {
    auto* a = window.Find<ui::Option>(L"option_a");
    auto* b = window.Find<ui::Option>(L"option_b");
    auto* check = window.Find<ui::Option>(L"check");
    EXPECT_TRUE(a->IsSelected());
    window.seen.clear();
    ASSERT_TRUE(ui::headless::Click(window, L"option_b"));
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(a->IsSelected());
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"click", L"option_b"}, {L"selectchanged", L"option_a"}, {L"selectchanged", L"option_b"}};
    EXPECT_EQ(window.seen, expected);

    // Clicking the selected radio button changes nothing; a check box toggles.
    window.seen.clear();
    ASSERT_TRUE(ui::headless::Click(window, L"option_b"));
    EXPECT_EQ(window.seen.size(), 1u);
    ASSERT_TRUE(ui::headless::Click(window, L"check"));
    EXPECT_TRUE(check->IsSelected());
    ASSERT_TRUE(ui::headless::Click(window, L"check"));
    EXPECT_FALSE(check->IsSelected());

    // Selecting without notification is silent.
    window.seen.clear();
    a->Selected(true, false);
    EXPECT_TRUE(a->IsSelected());
    EXPECT_FALSE(b->IsSelected());
    EXPECT_TRUE(window.seen.empty());
}

TEST_F(Controls, TabLayoutShowsOnePageAndHiddenControlsCannotBeClicked) {
    auto* tab = window.Find<ui::TabLayout>(L"tab");
    EXPECT_EQ(tab->CurrentSel(), 1);
    EXPECT_FALSE(window.FindControl(L"btn_page0")->IsShown());
    EXPECT_FALSE(ui::headless::Click(window, L"btn_page0"));
    EXPECT_TRUE(tab->SelectItem(0));
    EXPECT_TRUE(window.FindControl(L"btn_page0")->IsShown());
    EXPECT_FALSE(window.FindControl(L"btn_styled")->IsShown());
    EXPECT_TRUE(ui::headless::Click(window, L"btn_page0"));
    EXPECT_FALSE(tab->SelectItem(2));
    EXPECT_FALSE(tab->SelectItem(-1));
    EXPECT_EQ(tab->CurrentSel(), 0);
    window.FindControl(L"btn_page0")->SetEnabled(false);
    EXPECT_FALSE(ui::headless::Click(window, L"btn_page0"));
}

TEST_F(Controls, EditReportsOnlyTheUsersChanges) {
    auto* edit = window.Find<ui::Edit>(L"edit_name");
    window.seen.clear();
    edit->SetText(L"set by the program");
    EXPECT_TRUE(window.seen.empty());
    ASSERT_TRUE(ui::headless::Type(window, L"edit_name", L"typed"));
    EXPECT_EQ(edit->Text(), L"typed");
    ASSERT_EQ(window.seen.size(), 1u);
    EXPECT_EQ(window.seen[0].first, L"textchanged");
    EXPECT_TRUE(edit->IsFocused());
    edit->SetSel(-1, -1);
    EXPECT_EQ(edit->SelStart(), 5);
}

TEST_F(Controls, CheckableRowsReportCheckThenClick) {
    auto* list = window.Find<ui::List>(L"list");
    for (int i = 0; i < 3; ++i) {
        auto row = std::make_unique<ui::ListTextExtElement>();
        row->SetName(L"row_item");
        row->SetColumnText(0, L"printer " + std::to_wstring(i));
        list->Add(std::move(row));
    }
    auto* second = dynamic_cast<ui::ListTextExtElement*>(list->ItemAt(1));
    window.seen.clear();
    ASSERT_TRUE(ui::headless::ClickCheckBox(window, L"list", 1));
    EXPECT_TRUE(second->IsChecked());
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"listitemchecked", L"row_item"}, {L"itemselect", L"row_item"}, {L"itemclick", L"row_item"}};
    EXPECT_EQ(window.seen, expected);
    EXPECT_EQ(list->CurSel(), 1);
    second->SetCheck(false);
    EXPECT_FALSE(second->IsChecked());
    EXPECT_EQ(second->ColumnText(0), L"printer 1");
    EXPECT_EQ(second->ColumnText(5), L"");
    // What the row shows: its columns that have text, a first empty one too.
    second->SetColumnText(0, L"");
    second->SetColumnText(1, L"A4 Office");
    second->SetColumnText(3, L"COM1:");
    EXPECT_EQ(second->ShownText(), L"A4 Office    COM1:");
    list->RemoveAll();
    EXPECT_EQ(list->Count(), 0u);
    EXPECT_EQ(list->CurSel(), -1);
}

TEST_F(Controls, GenericAttributesByName) {
    auto* label = window.Find<ui::Label>(L"title_lb");
    EXPECT_TRUE(label->SetAttribute(L"textcolor", L"ffff0000"));
    EXPECT_EQ(label->TextColor(), 0xFFFF0000u);
    EXPECT_TRUE(label->SetAttribute(L"minWidth", L"180"));
    EXPECT_EQ(label->MinWidth(), 180);
    EXPECT_TRUE(label->SetAttribute(L"align", L"left"));
    EXPECT_TRUE(label->SetAttribute(L"textpadding", L"20,0,6,0"));
    EXPECT_EQ(label->TextPadding().left, 20);
    EXPECT_FALSE(label->SetAttribute(L"textcolor", L"red"));
    EXPECT_EQ(label->TextColor(), 0xFFFF0000u);
    EXPECT_FALSE(label->SetAttribute(L"align", L"middle"));
    EXPECT_FALSE(label->SetAttribute(L"nonsense", L"1"));
    EXPECT_TRUE(label->ApplyAttributeList(L"width=\"50\" height='20'"));
    EXPECT_EQ(label->FixedWidth(), 50);
    EXPECT_FALSE(label->ApplyAttributeList(L"width=\"50"));
    EXPECT_EQ(label->GetAttribute(L"TEXTCOLOR"), L"ffff0000");
}

TEST_F(Controls, RichEditKeepsRunsInTheirFormat) {
    auto* log = window.Find<ui::RichEdit>(L"log");
    ui::CharFormat red;
    red.colorRef = 0xFF;
    ui::CharFormat blue;
    blue.colorRef = 0xFF0000;
    log->SetSelectionCharFormat(red);
    log->AppendAtEnd(L"a");
    log->AppendAtEnd(L"b");
    log->SetSelectionCharFormat(blue);
    log->AppendAtEnd(L"c");
    ASSERT_EQ(log->Runs().size(), 2u);
    EXPECT_EQ(log->Runs()[0].text, L"ab");
    EXPECT_EQ(log->Runs()[1].format.colorRef, 0xFF0000u);
    EXPECT_EQ(log->Content(), L"abc");
    log->SetText(L"");
    EXPECT_TRUE(log->Runs().empty());
}

TEST_F(Controls, LayoutPlacesChildrenInsideTheClientArea) {
    window.UpdateLayout();
    const ui::Rect root = window.Root()->Pos();
    EXPECT_EQ(root, (ui::Rect{0, 0, 400, 300}));  // the layout's size replaced the one given
    const ui::Rect title = window.FindControl(L"title_lb")->Pos();
    EXPECT_EQ(title, (ui::Rect{10, 10, 390, 40}));
    const ui::Rect options = window.FindControl(L"hor_options")->Pos();
    EXPECT_EQ(options.top, 45);
    const ui::Rect b = window.FindControl(L"option_b")->Pos();
    EXPECT_EQ(b.left, 110);
    EXPECT_EQ(b.Width(), 100);
    // The stretching tab and list share what the fixed children leave.
    const ui::Rect tab = window.FindControl(L"tab")->Pos();
    const ui::Rect list = window.FindControl(L"list")->Pos();
    EXPECT_EQ(tab.Height(), list.Height());
    EXPECT_EQ(window.FindControl(L"log")->Pos().bottom, 290);
}

// --- Lists

const char* kListsLayout = R"(<Window size="400,300"><VerticalLayout>
  <Option name="outside_check" selected="true"/><Option name="outside_radio" group="g" selected="true"/>
  <List name="list"/><List name="other_list"/>
  <List name="scroll_list" height="122" inset="1,1,1,1"/>
</VerticalLayout></Window>)";

// The mark sits deep in the row, after a label; a second option is not the mark.
const char* kItemLayout = R"(<ListContainerElement><Label/><HorizontalLayout>
  <VerticalLayout><Label/><Option name="option_item"/></VerticalLayout><Option name="extra_option"/>
</HorizontalLayout></ListContainerElement>)";

const char* kFixedItemLayout = R"(<ListContainerElement height="30">
  <Option name="option_item" width="20"/><Label name="label1"/>
</ListContainerElement>)";

using Seen = std::vector<std::pair<std::wstring, std::wstring>>;

class Lists : public ::testing::Test {
protected:
    void SetUp() override {
        Desktop::Instance().Reset();
        testing_support::UsePackage(
            {{"lists.xml", kListsLayout}, {"item.xml", kItemLayout}, {"fixed_item.xml", kFixedItemLayout}});
        ASSERT_TRUE(window.Create(ui::WindowCreation{}.Caption(L"lists").Size(10, 10)));
        list = window.Find<ui::List>(L"list");
        otherList = window.Find<ui::List>(L"other_list");
        scrollList = window.Find<ui::List>(L"scroll_list");
    }
    void TearDown() override { window.Destroy(); }

    // As the program shows a list: rows from the item layout, named, marks grouped.
    void Fill(ui::List* target, int rows, const std::wstring& group) {
        target->RemoveAll();
        for (int i = 0; i < rows; ++i) {
            auto* row = static_cast<ui::ListContainerElement*>(target->Add(window.BuildSubLayout(L"item.xml")));
            row->SetName(L"row" + std::to_wstring(i));
            row->RadioMark()->SetGroup(group);
        }
    }
    ui::ListContainerElement* Row(int i, ui::List* in = nullptr) {
        return static_cast<ui::ListContainerElement*>((in ? in : list)->ItemAt(static_cast<std::size_t>(i)));
    }
    std::vector<bool> Marks(ui::List* in = nullptr) {
        std::vector<bool> marks;
        for (int i = 0; Row(i, in); ++i) marks.push_back(Row(i, in)->RadioMark()->IsSelected());
        return marks;
    }

    // Rows of 30 pixels in a list with room for four of them.
    void FillScrolling(int rows) {
        scrollList->RemoveAll();
        for (int i = 0; i < rows; ++i) scrollList->Add(window.BuildSubLayout(L"fixed_item.xml"));
    }

    TestWindow window{L"lists.xml"};
    ui::List* list = nullptr;
    ui::List* otherList = nullptr;
    ui::List* scrollList = nullptr;
};

TEST_F(Lists, EveryWayOfSelectingARowMovesTheMarkWithinItsListOnly) {
    struct Way {
        const char* name;
        bool isClick;
        void (*select)(ui::ListContainerElement*);
    };
    const Way ways[] = {{"row click", true, [](ui::ListContainerElement* row) { row->Activate(); }},
                        {"mark click", true, [](ui::ListContainerElement* row) { row->RadioMark()->Activate(); }},
                        {"Select", false, [](ui::ListContainerElement* row) { row->Select(true); }}};
    const auto times = [this](const wchar_t* type, const wchar_t* sender) {
        return std::count(window.seen.begin(), window.seen.end(), Seen::value_type{type, sender});
    };
    for (const Way& way : ways)
        for (const wchar_t* group : {L"", L"usb_group"}) {
            SCOPED_TRACE(testing::Message() << way.name << ", group " << ui::WideToUtf8(group));
            Fill(list, 3, group);
            Fill(otherList, 2, L"");
            Row(1, otherList)->Select(true);
            way.select(Row(0));
            window.seen.clear();
            way.select(Row(2));
            way.select(Row(2));  // again: an ungrouped mark must not toggle off
            EXPECT_EQ(Marks(), (std::vector<bool>{false, false, true}));
            EXPECT_EQ(list->CurSel(), 2);
            EXPECT_FALSE(Row(0)->IsSelected());
            EXPECT_EQ(times(L"itemselect", L"row2"), 1);
            EXPECT_EQ(times(L"itemclick", L"row2"), way.isClick ? 2 : 0);
            EXPECT_EQ(Marks(otherList), (std::vector<bool>{false, true}));
            EXPECT_TRUE(window.Find<ui::Option>(L"outside_check")->IsSelected());
            EXPECT_TRUE(window.Find<ui::Option>(L"outside_radio")->IsSelected());
        }
}

TEST_F(Lists, AClickOnTheMarkIsTheRowsClickOnly) {
    Fill(list, 2, L"");
    Row(0)->Select(true);
    window.seen.clear();
    ASSERT_TRUE(Row(1)->RadioMark()->Activate());
    const Seen expected = {{L"selectchanged", L"option_item"}, {L"selectchanged", L"option_item"},
                           {L"itemselect", L"row1"}, {L"itemclick", L"row1"}};
    EXPECT_EQ(window.seen, expected);
    // The row's other options stay ordinary ones.
    window.seen.clear();
    ASSERT_TRUE(Row(0)->FindControl(L"extra_option")->Activate());
    EXPECT_EQ(window.seen, (Seen{{L"click", L"extra_option"}, {L"selectchanged", L"extra_option"}}));
    EXPECT_EQ(list->CurSel(), 1);
}

TEST_F(Lists, CurSelAndNextRowFollowTheRows) {
    Fill(list, 5, L"");
    Row(3)->Select(true);
    list->Remove(Row(0));
    EXPECT_EQ(list->CurSel(), 2);
    Row(2)->Select(false);
    EXPECT_EQ(list->CurSel(), -1);
    EXPECT_EQ(Marks(), (std::vector<bool>(4, false)));
    Row(1)->SetVisible(false);
    Row(2)->SetEnabled(false);
    EXPECT_EQ(list->NextRow(Row(0), false), Row(3));
    EXPECT_EQ(list->NextRow(Row(3), true), Row(0));
    EXPECT_EQ(list->NextRow(Row(3), false), nullptr);
}

// A handler rebuilds the list while the toolkit is still inside the row or
// mark that raised the notification: AddressSanitizer fails any use of them,
// and nothing more may be raised by controls that are gone.
TEST_F(Lists, AHandlerMayRebuildTheListFromAnyNotification) {
    struct Case {
        const wchar_t* rebuildOn;
        int occurrence;
        const wchar_t* group;
        std::function<void()> act;
    };
    const auto clickMark = [this] { Row(1)->RadioMark()->Activate(); };
    const auto clickCheckBox = [this] {
        auto* row = list->AddAt(std::make_unique<ui::ListTextExtElement>(), 1);
        static_cast<ui::ListTextExtElement*>(row)->ClickCheckBox();
    };
    const Case cases[] = {
        {L"itemselect", 1, L"", [this] { Row(1)->Select(true); }},
        {L"itemclick", 1, L"", [this] { Row(1)->Activate(); }},
        {L"itemclick", 1, L"g", clickMark},
        {L"listitemchecked", 1, L"", clickCheckBox},
        {L"itemselect", 1, L"", clickCheckBox},
        {L"selectchanged", 1, L"", clickMark},  // the old mark going off
        {L"selectchanged", 2, L"", clickMark},  // the new mark coming on
        {L"selectchanged", 1, L"g", clickMark},  // the outside radio of g, from the group's loop
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << ui::WideToUtf8(c.rebuildOn) << " #" << c.occurrence << ", group "
                                        << ui::WideToUtf8(c.group));
        Fill(list, 3, c.group);
        Row(0)->Select(true);
        window.Find<ui::Option>(L"outside_radio")->Selected(true, false);
        window.seen.clear();
        int count = 0;
        window.onNotify = [&](ui::Notification& n) {
            if (n.type == c.rebuildOn && ++count == c.occurrence) Fill(list, 2, c.group);
        };
        c.act();
        window.onNotify = nullptr;
        ASSERT_EQ(count, c.occurrence);
        EXPECT_EQ(window.seen.back().first, c.rebuildOn);
        EXPECT_EQ(Marks(), (std::vector<bool>{false, false}));
    }
}

// --- Scrolling lists: rows of 30 pixels, room for four (120 pixels)

TEST_F(Lists, ScrollingStaysBetweenTheTopAndTheLastRow) {
    struct Case {
        int rows, scrollBy, offset, max;
    };
    for (const Case& c : {Case{8, -10, 0, 120}, Case{8, 50, 50, 120}, Case{8, 1000, 120, 120}, Case{4, 10, 0, 0},
                          Case{0, 10, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, by " << c.scrollBy);
        FillScrolling(c.rows);
        window.UpdateLayout();
        EXPECT_EQ(scrollList->MaxScrollOffset(), c.max);
        EXPECT_EQ(scrollList->ScrollBy(c.scrollBy), c.offset != 0);
        EXPECT_EQ(scrollList->ScrollOffset(), c.offset);
    }
    // Rows going away leave no offset past the end; rebuilding starts at the top.
    FillScrolling(8);
    window.UpdateLayout();
    scrollList->ScrollTo(120);
    scrollList->Remove(scrollList->ItemAt(7));
    window.UpdateLayout();
    EXPECT_EQ(scrollList->ScrollOffset(), 90);
    FillScrolling(8);
    EXPECT_EQ(scrollList->ScrollOffset(), 0);
}

TEST_F(Lists, EnsureVisibleScrollsTheLeastInEitherDirection) {
    struct Case {
        int from, row, offset;
    };
    const Case cases[] = {
        {0, 5, 60},    // below: it comes up to the bottom edge
        {120, 1, 30},  // above: it comes down to the top edge
        {50, 1, 30},   // partly above
        {40, 2, 40},   // wholly inside: nothing moves
        {0, 7, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from << ", row " << c.row);
        FillScrolling(8);
        window.UpdateLayout();
        scrollList->ScrollTo(c.from);
        scrollList->EnsureVisible(scrollList->ItemAt(static_cast<std::size_t>(c.row)));
        EXPECT_EQ(scrollList->ScrollOffset(), c.offset);
        window.UpdateLayout();
        EXPECT_EQ(scrollList->ScrollOffset(), c.offset);
    }
}

TEST_F(Lists, SelectingAFarRowScrollsItIntoView) {
    const auto row = [this](int i) { return Row(i, scrollList); };
    const std::function<void(ui::ListContainerElement*)> ways[] = {
        [](ui::ListContainerElement* r) { r->Select(true); }, [](ui::ListContainerElement* r) { r->Activate(); },
        [](ui::ListContainerElement* r) { r->RadioMark()->Activate(); }};
    for (const auto& select : ways) {
        FillScrolling(8);
        window.UpdateLayout();
        select(row(6));
        window.UpdateLayout();
        EXPECT_EQ(row(6)->Pos().bottom, scrollList->VisibleArea().bottom);
    }
    // As the program fills a list on a page not yet laid out: the selected
    // row shows once the list has its size.
    FillScrolling(8);
    scrollList->SetPos(ui::Rect{});
    row(5)->Select(true);
    window.UpdateLayout();
    EXPECT_EQ(scrollList->ScrollOffset(), 60);
    // The user scrolling before the next layout is not undone by it.
    row(1)->Select(true);
    ASSERT_EQ(scrollList->ScrollOffset(), 30);
    scrollList->ScrollBy(60);
    window.UpdateLayout();
    EXPECT_EQ(scrollList->ScrollOffset(), 90);
}

TEST_F(Lists, ScrolledRowsMoveUpAndMakeRoomForTheBar) {
    FillScrolling(8);
    scrollList->ScrollTo(45);
    window.UpdateLayout();
    const ui::Rect inner = scrollList->VisibleArea();
    const int barLeft = inner.right - ui::List::kScrollBarWidth;
    EXPECT_EQ(Row(0, scrollList)->Pos(), (ui::Rect{inner.left, inner.top - 45, barLeft, inner.top - 15}));
    EXPECT_EQ(Row(7, scrollList)->Pos(), (ui::Rect{inner.left, inner.top + 165, barLeft, inner.top + 195}));
    EXPECT_EQ(Row(2, scrollList)->RadioMark()->Pos().top, inner.top + 15);
    EXPECT_EQ(scrollList->ScrollBarRect(), (ui::Rect{barLeft, inner.top, inner.right, inner.bottom}));
    // Half the rows show: a thumb half the track, 60 pixels of travel.
    for (const auto& [offset, thumbTop] : {std::pair{0, 0}, {60, 30}, {120, 60}}) {
        scrollList->ScrollTo(offset);
        EXPECT_EQ(scrollList->ScrollThumbRect(), (ui::Rect{barLeft, inner.top + thumbTop, inner.right,
                                                           inner.top + thumbTop + 60}));
        EXPECT_EQ(scrollList->OffsetForThumbTop(inner.top + thumbTop), offset);
    }
    // Rows that fit take the whole width.
    FillScrolling(4);
    window.UpdateLayout();
    EXPECT_EQ(Row(3, scrollList)->Pos().right, inner.right);
    EXPECT_EQ(scrollList->ScrollBarRect(), ui::Rect{});
}

TEST_F(Lists, RowsScrolledOutOfTheListAreNotHit) {
    FillScrolling(8);
    scrollList->ScrollTo(45);
    window.UpdateLayout();
    const ui::Rect inner = scrollList->VisibleArea();
    const auto rowHit = [this](int x, int y) {
        for (ui::Control* c = ui::HitTest(*window.Root(), x, y); c != nullptr; c = c->Parent())
            if (c->Parent() == scrollList) return scrollList->IndexOf(c);
        return -1;
    };
    const int x = inner.left + 40;
    EXPECT_EQ(rowHit(x, inner.top), 1);         // row 1's visible lower half
    EXPECT_EQ(rowHit(x, inner.bottom - 1), 5);  // row 5's visible upper half
    EXPECT_EQ(rowHit(x, inner.top - 1), -1);    // the border, over row 1's hidden half
    for (int hidden : {0, 6, 7}) {
        const ui::Rect r = Row(hidden, scrollList)->Pos();
        EXPECT_NE(rowHit(x, (r.top + r.bottom) / 2), hidden) << hidden;
    }
    EXPECT_EQ(rowHit(inner.right - 2, inner.top + 30), -1);  // the scroll bar
    EXPECT_EQ(ui::ListAt(*window.Root(), inner.right - 2, inner.top + 30), scrollList);
}

}  // namespace

namespace {

// Keyboard activation reaches controls the mouse cannot: a hidden or
// disabled one, or one on a page that is not shown, must not click.
TEST_F(Controls, HiddenOrDisabledControlsDoNotClick) {
    struct Case {
        const char* what;
        const wchar_t* name;
        std::function<void(ui::Control&)> make;
    };
    const Case cases[] = {
        {"disabled button", L"btn_styled", [](ui::Control& c) { c.SetEnabled(false); }},
        {"hidden button", L"btn_styled", [](ui::Control& c) { c.SetVisible(false); }},
        {"button on a page not shown", L"btn_page0", [](ui::Control&) {}},
        {"disabled option", L"option_b", [](ui::Control& c) { c.SetEnabled(false); }},
        {"hidden option", L"check", [](ui::Control& c) { c.SetVisible(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui::Control* control = window.FindControl(c.name);
        ASSERT_NE(control, nullptr);
        c.make(*control);
        window.seen.clear();
        EXPECT_FALSE(control->Activate());
        EXPECT_TRUE(window.seen.empty());
        control->SetEnabled(true);
        control->SetVisible(true);
    }
    auto* option = window.Find<ui::Option>(L"option_b");
    EXPECT_FALSE(option->IsSelected()) << "a refused click changes nothing";
}

}  // namespace
