// What assistive technology is told about a window built from a layout on
// the headless host: the tree, roles, names in the current language,
// states, places, and default actions that act as a user's click does.
#include "ui/Accessibility.h"
#include "ui/ExtraControls.h"
#include "ui/TextManager.h"
#include "ui/Toolkit.h"
#include "ui/Window.h"
#include "ui/headless/Desktop.h"

#include "support/TestPackage.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace ui::accessible_state;
using ui::AccessibleRole;

const char* kLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,520">
  <VerticalLayout name="root">
    <HorizontalLayout height="30">
      <Label name="title" text="t.title" resourcetext="true"/>
      <Button name="ok" text="t.ok" resourcetext="true" tooltip="t.ok.tip"/>
      <Button name="close" width="30" tooltip="t.close" resourcetext="true"/>
      <Button name="off" width="30" text="Off" enabled="false"/>
    </HorizontalLayout>
    <HorizontalLayout height="30">
      <Option name="radio_a" group="g" selected="true" text="A"/>
      <Option name="radio_b" group="g" text="B"/>
      <Option name="check" text="Keep"/>
    </HorizontalLayout>
    <HorizontalLayout height="30">
      <Label name="field" text="Printer name"/>
      <Edit name="edit" text="A4"/>
      <Edit name="secret" password="true" text="1234" tooltip="PIN"/>
    </HorizontalLayout>
    <TabLayout name="tab" height="40" selectedid="0">
      <VerticalLayout><Button name="page0_btn" text="Zero"/></VerticalLayout>
      <VerticalLayout><Button name="page1_btn" text="One"/></VerticalLayout>
    </TabLayout>
    <List name="list" height="62" itemheight="30" inset="1,1,1,1"/>
    <RichEdit name="log" height="40"/>
    <Control name="spacer" height="4"/>
    <Label name="empty" height="4"/>
    <Text name="wrapped" height="20" text="Long text"/>
    <GifAnim name="anim" height="20" autoplay="true"/>
    <Circle name="progress" height="20" value="25"/>
    <Combo name="combo" height="28" items="USB|Network"/>
    <Chart name="chart" height="40" values="3,1.5" labels="a|b"/>
    <NativeHost name="native" height="20" windowtext="Native"/>
  </VerticalLayout>
</Window>)";

const char* kRow = R"(<ListContainerElement height="30">
  <HorizontalLayout>
    <Option name="mark" width="24"/>
    <Label name="port" text="USB001"/>
    <Label name="model" text="A4 Printer"/>
    <Label name="hidden" text="never read" visible="false"/>
  </HorizontalLayout>
</ListContainerElement>)";

class TestWindow : public ui::Window {
public:
    std::vector<std::pair<std::wstring, std::wstring>> seen;  // type, sender name
    std::function<void(ui::Notification&)> onNotify;
    std::function<void(TestWindow&)> onInit;

protected:
    void InitWindow() override {
        if (onInit) onInit(*this);
    }
    std::wstring GetWindowClassName() const override { return L"AccWnd"; }
    std::wstring GetSkinFile() const override { return L"acc.xml"; }
    void Notify(ui::Notification& n) override {
        seen.emplace_back(n.type, n.sender ? n.sender->Name() : L"");
        if (onNotify) onNotify(n);
    }
};

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override {
        ui::headless::Desktop::Instance().Reset();
        ui::TextManager::Process().Clear();
        auto& toolkit = ui::Toolkit::Process();
        toolkit.RegisterControlClass(L"Circle", [] { return std::make_unique<ui::CircleProgress>(); });
        toolkit.RegisterControlClass(L"Combo", [] { return std::make_unique<ui::Combo>(); });
        toolkit.RegisterControlClass(L"Chart", [] { return std::make_unique<ui::Chart>(); });
        toolkit.RegisterControlClass(L"NativeHost", [] { return std::make_unique<ui::NativeWindowHost>(); });
        testing_support::UsePackage({{"acc.xml", kLayout}, {"row.xml", kRow}});
        ASSERT_TRUE(window.Create(ui::WindowCreation{}.Caption(L"Printer setup").Size(400, 520)));
        list = window.Find<ui::List>(L"list");
        list->Add(window.BuildSubLayout(L"row.xml"));
        list->Add(window.BuildSubLayout(L"row.xml"));
        auto checkRow = std::make_unique<ui::ListTextExtElement>();
        checkRow->SetName(L"check_row");
        checkRow->SetColumnText(0, L"HP");
        checkRow->SetColumnText(2, L"LPT1:");
        list->Add(std::move(checkRow));
        window.UpdateLayout();
        window.seen.clear();
    }
    void TearDown() override {
        if (window.IsWindow()) window.Destroy();
    }

    ui::Control& Get(const wchar_t* name) {
        ui::Control* control = window.FindControl(name);
        EXPECT_NE(control, nullptr) << name;
        return *control;
    }
    ui::Control& Row(std::size_t index) { return *list->ItemAt(index); }
    ui::AccessibleInfo Info(const wchar_t* name) { return ui::DescribeAccessible(Get(name)); }

    TestWindow window;
    ui::List* list = nullptr;
};

std::vector<std::wstring> Names(const std::vector<ui::Control*>& controls) {
    std::vector<std::wstring> names;
    for (const ui::Control* control : controls) names.push_back(control->Name());
    return names;
}

TEST_F(Accessibility, LayoutsAreFlattenedAndEmptyControlsLeftOut) {
    const std::vector<std::wstring> expected = {L"title", L"ok",   L"close",  L"off",     L"radio_a", L"radio_b",
                                                L"check", L"field", L"edit",   L"secret",  L"page0_btn",
                                                L"page1_btn", L"list", L"log", L"wrapped", L"anim", L"progress",
                                                L"combo", L"chart", L"native"};
    ui::Control& root = *window.Root();
    EXPECT_EQ(Names(ui::AccessibleChildren(root)), expected);
    EXPECT_EQ(ui::AccessibleParent(root), nullptr);
    EXPECT_EQ(ui::AccessibleParent(Get(L"page1_btn")), &root);
    EXPECT_FALSE(ui::IsAccessibleObject(Get(L"spacer")));
    EXPECT_FALSE(ui::IsAccessibleObject(Get(L"empty")));

    // Rows are the list's children and leaves themselves; what a row holds
    // stands for the row.
    const auto rows = ui::AccessibleChildren(*list);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], &Row(0));
    EXPECT_EQ(ui::AccessibleParent(Row(0)), list);
    EXPECT_TRUE(ui::AccessibleChildren(Row(0)).empty());
    ui::Control* mark = static_cast<ui::ListContainerElement&>(Row(1)).RadioMark();
    ASSERT_NE(mark, nullptr);
    EXPECT_FALSE(ui::IsAccessibleObject(*mark));
    EXPECT_EQ(ui::AccessibleObjectOf(*mark), &Row(1));
    EXPECT_EQ(ui::AccessibleObjectOf(Get(L"ok")), &Get(L"ok"));
}

TEST_F(Accessibility, EachControlClassHasItsRoleAndDefaultAction) {
    struct Case {
        const wchar_t* name;
        AccessibleRole role;
        const wchar_t* action;
    };
    const Case cases[] = {
        {L"root", AccessibleRole::Client, L""},
        {L"title", AccessibleRole::StaticText, L""},
        {L"ok", AccessibleRole::PushButton, L"Press"},
        {L"radio_a", AccessibleRole::RadioButton, L"Select"},
        {L"check", AccessibleRole::CheckBox, L"Check"},
        {L"edit", AccessibleRole::Text, L""},
        {L"log", AccessibleRole::Text, L""},
        {L"wrapped", AccessibleRole::StaticText, L""},
        {L"list", AccessibleRole::List, L""},
        {L"anim", AccessibleRole::Animation, L""},
        {L"progress", AccessibleRole::ProgressBar, L""},
        {L"combo", AccessibleRole::ComboBox, L"Open"},
        {L"chart", AccessibleRole::Chart, L""},
        {L"native", AccessibleRole::Window, L""},
        {L"check_row", AccessibleRole::ListItem, L"Check"},
    };
    for (const Case& c : cases) {
        const ui::AccessibleInfo info = Info(c.name);
        EXPECT_EQ(info.role, c.role) << c.name;
        EXPECT_EQ(info.defaultAction, c.action) << c.name;
    }
    const ui::AccessibleInfo row = ui::DescribeAccessible(Row(0));
    EXPECT_EQ(row.role, AccessibleRole::ListItem);
    EXPECT_EQ(row.defaultAction, L"Select");
    // A row's radio mark is a radio button even without a group.
    EXPECT_EQ(ui::DescribeAccessible(*static_cast<ui::ListContainerElement&>(Row(0)).RadioMark()).role,
              AccessibleRole::RadioButton);
}

TEST_F(Accessibility, NamesAreWhatTheUserReadsInTheCurrentLanguage) {
    ASSERT_TRUE(ui::TextManager::Process().Load(
        L"<L><Text id=\"t.title\" value=\"Setup\"/><Text id=\"t.ok\" value=\"Next\"/>"
        L"<Text id=\"t.ok.tip\" value=\"Go on\"/><Text id=\"t.close\" value=\"Close\"/></L>"));
    EXPECT_EQ(Info(L"root").name, L"Printer setup");  // the window's caption
    EXPECT_EQ(Info(L"title").name, L"Setup");
    EXPECT_EQ(Info(L"ok").name, L"Next");
    EXPECT_EQ(Info(L"ok").description, L"Go on");
    EXPECT_EQ(Info(L"close").name, L"Close");  // no text: the tooltip
    EXPECT_EQ(Info(L"close").description, L"");
    // A symbol says nothing read aloud: its tooltip names the button. Words
    // in any script stay the name.
    const std::pair<const wchar_t*, const wchar_t*> symbols[] = {
        {L"\u00d7", L"Close"}, {L"\u2014", L"Close"}, {L"?", L"Close"}, {L"\ue711", L"Close"},
        {L"\u4e0b\u4e00\u6b65", L"\u4e0b\u4e00\u6b65"}, {L"OK", L"OK"}, {L"1", L"1"}};
    for (const auto& [text, name] : symbols) {
        Get(L"close").SetResourceText(false);
        Get(L"close").SetToolTip(L"Close");
        Get(L"close").SetText(text);
        EXPECT_EQ(Info(L"close").name, name) << text;
    }
    // Edits are named by the label before them; the text is the value,
    // which a password field keeps to itself.
    EXPECT_EQ(Info(L"edit").name, L"Printer name");
    EXPECT_EQ(Info(L"edit").value, L"A4");
    EXPECT_EQ(Info(L"secret").name, L"PIN");
    EXPECT_EQ(Info(L"secret").value, L"");
    EXPECT_EQ(ui::DescribeAccessible(Row(0)).name, L"USB001    A4 Printer");
    EXPECT_EQ(ui::DescribeAccessible(Row(2)).name, L"HP    LPT1:");
    EXPECT_EQ(Info(L"progress").value, L"25%");
    EXPECT_EQ(Info(L"chart").value, L"a: 3, b: 1.5");
    EXPECT_EQ(Info(L"native").name, L"Native");

    ASSERT_TRUE(ui::TextManager::Process().Load(L"<L><Text id=\"t.ok\" value=\"Weiter\"/></L>"));
    EXPECT_EQ(Info(L"ok").name, L"Weiter");
}

TEST_F(Accessibility, StatesFollowTheControls) {
    auto states = [&](ui::Control& control) { return ui::DescribeAccessible(control).states; };
    EXPECT_EQ(states(Get(L"off")) & kUnavailable, kUnavailable);
    EXPECT_EQ(states(Get(L"ok")) & (kUnavailable | kInvisible), 0u);
    EXPECT_EQ(states(Get(L"ok")) & kFocusable, kFocusable);
    EXPECT_EQ(states(Get(L"title")) & (kFocusable | kReadOnly), kReadOnly);
    EXPECT_EQ(states(Get(L"radio_a")) & (kSelectable | kSelected | kChecked), kSelectable | kSelected | kChecked);
    EXPECT_EQ(states(Get(L"radio_b")) & (kSelected | kChecked), 0u);
    EXPECT_EQ(states(Get(L"check")) & kChecked, 0u);
    EXPECT_EQ(states(Get(L"secret")) & kProtected, kProtected);
    EXPECT_EQ(states(Get(L"log")) & kReadOnly, kReadOnly);
    EXPECT_EQ(states(Get(L"anim")) & kAnimated, kAnimated);
    EXPECT_EQ(states(Get(L"combo")) & (kExpanded | kCollapsed), kCollapsed);

    // A hidden tab page hides what is on it, and its place with it.
    EXPECT_EQ(states(Get(L"page1_btn")) & kInvisible, kInvisible);
    EXPECT_EQ(Info(L"page1_btn").bounds, ui::Rect{});
    window.Find<ui::TabLayout>(L"tab")->SelectItem(1);
    EXPECT_EQ(states(Get(L"page0_btn")) & kInvisible, kInvisible);
    EXPECT_EQ(states(Get(L"page1_btn")) & kInvisible, 0u);

    // The focus: on an edit, and on a row through its radio mark.
    Get(L"edit").SetFocus();
    EXPECT_EQ(states(Get(L"edit")) & kFocused, kFocused);
    static_cast<ui::ListContainerElement&>(Row(1)).RadioMark()->SetFocus();
    EXPECT_EQ(states(Get(L"edit")) & kFocused, 0u);
    EXPECT_EQ(states(Row(1)) & (kFocused | kFocusable), kFocused | kFocusable);

    static_cast<ui::ListContainerElement&>(Row(1)).Select();
    static_cast<ui::ListTextExtElement&>(Row(2)).SetCheck(true);
    EXPECT_EQ(states(Row(0)) & (kSelectable | kSelected), kSelectable);
    EXPECT_EQ(states(Row(1)) & kSelected, kSelected);
    EXPECT_EQ(states(Row(2)) & kChecked, kChecked);
    EXPECT_EQ(ui::DescribeAccessible(Row(2)).defaultAction, L"Uncheck");
}

TEST_F(Accessibility, RowsScrolledOutOfTheListAreOffscreen) {
    // 60 pixels inside the list, three rows of 30.
    window.UpdateLayout();
    EXPECT_EQ(ui::DescribeAccessible(Row(2)).bounds, ui::Rect{});
    EXPECT_EQ(ui::DescribeAccessible(Row(2)).states & (kOffscreen | kInvisible), kOffscreen);
    ASSERT_TRUE(list->ScrollBy(30));
    window.UpdateLayout();
    EXPECT_EQ(ui::DescribeAccessible(Row(0)).states & kOffscreen, kOffscreen);
    const ui::Rect inner = list->InnerRect();
    EXPECT_EQ(ui::DescribeAccessible(Row(2)).bounds.bottom, inner.bottom);
}

TEST_F(Accessibility, HitTestFindsTheDeepestShownObject) {
    ui::Control& root = *window.Root();
    auto centre = [&](ui::Control& control) {
        const ui::Rect& r = control.Pos();
        return ui::AccessibleAt(root, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    EXPECT_EQ(centre(Get(L"ok")), &Get(L"ok"));
    EXPECT_EQ(centre(Get(L"page0_btn")), &Get(L"page0_btn"));  // not the hidden page's button
    EXPECT_EQ(centre(Row(1)), &Row(1));  // the row, not its label
    EXPECT_EQ(centre(Get(L"spacer")), &root);
    EXPECT_EQ(ui::AccessibleAt(root, -5, 10), nullptr);
    // The third row lies below the list's inside, over the log: it is not
    // there for the user, and neither is it for a hit.
    const ui::Rect rows = list->InnerRect();
    EXPECT_EQ(ui::AccessibleAt(root, rows.left + 5, rows.bottom - 1), &Row(1));
    EXPECT_EQ(ui::AccessibleAt(root, rows.left + 5, rows.bottom), list);
    EXPECT_EQ(ui::AccessibleAt(root, rows.left + 5, Row(2).Pos().top + 5), &Get(L"log"));
}

TEST_F(Accessibility, DefaultActionsClickAsTheUserWould) {
    ASSERT_TRUE(ui::DoDefaultAction(Get(L"ok")));
    ASSERT_TRUE(ui::DoDefaultAction(Get(L"radio_b")));
    ASSERT_TRUE(ui::DoDefaultAction(Get(L"check")));
    ASSERT_TRUE(ui::DoDefaultAction(Row(1)));
    ASSERT_TRUE(ui::DoDefaultAction(Row(2)));
    ASSERT_TRUE(ui::DoDefaultAction(Get(L"combo")));
    EXPECT_TRUE(static_cast<ui::Option&>(Get(L"radio_b")).IsSelected());
    EXPECT_FALSE(static_cast<ui::Option&>(Get(L"radio_a")).IsSelected());
    EXPECT_TRUE(static_cast<ui::Option&>(Get(L"check")).IsSelected());
    EXPECT_EQ(list->CurSel(), 2);  // the check row's click goes on to select it
    EXPECT_TRUE(static_cast<ui::ListTextExtElement&>(Row(2)).IsChecked());
    EXPECT_TRUE(static_cast<ui::Combo&>(Get(L"combo")).IsDropped());
    EXPECT_EQ(ui::DescribeAccessible(Get(L"check")).defaultAction, L"Uncheck");
    const std::vector<std::pair<std::wstring, std::wstring>> clicks = {
        {L"click", L"ok"}, {L"click", L"radio_b"}, {L"click", L"check"}};
    std::vector<std::pair<std::wstring, std::wstring>> seenClicks;
    for (const auto& seen : window.seen)
        if (seen.first == L"click") seenClicks.push_back(seen);
    EXPECT_EQ(seenClicks, clicks);
}

TEST_F(Accessibility, DefaultActionsRefuseWhatTheUserCouldNotClick) {
    Get(L"progress").SetEnabled(false);
    for (const wchar_t* name : {L"off", L"page1_btn", L"title", L"edit", L"list", L"root", L"progress"}) {
        EXPECT_FALSE(ui::DoDefaultAction(Get(name))) << name;
    }
    Row(0).SetEnabled(false);
    EXPECT_FALSE(ui::DoDefaultAction(Row(0)));
    EXPECT_EQ(list->CurSel(), -1);
    EXPECT_TRUE(window.seen.empty());
}

TEST_F(Accessibility, ADefaultActionMayRebuildTheList) {
    // The program refills a list when a row is chosen: the row goes away
    // in the middle of its own action.
    window.onNotify = [&](ui::Notification& n) {
        if (n.type == L"itemselect") list->RemoveAll();
    };
    const std::weak_ptr<const void> life = Row(1).Lifetime();
    EXPECT_TRUE(ui::DoDefaultAction(Row(1)));
    EXPECT_TRUE(life.expired());
    EXPECT_EQ(list->Count(), 0u);
    EXPECT_TRUE(ui::AccessibleChildren(*list).empty());
}

TEST_F(Accessibility, ChangesAreAnnouncedOnceTheWindowIsShown) {
    using Change = ui::AccessibleChange;
    using Heard = std::vector<std::pair<Change, const ui::Control*>>;
    const auto heard = [&] {
        Heard out;
        for (const auto& announcement : ui::headless::TakeAnnouncements(window))
            out.emplace_back(announcement.change, announcement.object);
        return out;
    };
    {
        // Building and initialising a window sets every attribute of the
        // layout and more: none of it is news, as nobody could have seen
        // the window yet.
        TestWindow fresh;
        fresh.onInit = [](TestWindow& w) {
            w.FindControl(L"title")->SetText(L"Set while the window is made");
            w.FindControl(L"ok")->SetEnabled(false);
            w.Find<ui::TabLayout>(L"tab")->SelectItem(1);
        };
        ASSERT_TRUE(fresh.Create(ui::WindowCreation{}.Caption(L"Fresh").Size(400, 520)));
        EXPECT_TRUE(ui::headless::TakeAnnouncements(fresh).empty());
        fresh.Destroy();
    }
    heard();  // what the fixture did after creating its window

    auto& rowOne = static_cast<ui::ListContainerElement&>(Row(1));
    const ui::Control* root = window.Root();
    struct Case {
        const char* what;
        std::function<void()> act;
        Heard expected;
    };
    const Case cases[] = {
        {"the new choice of a group, then the one it replaced",
         [&] { ASSERT_TRUE(ui::headless::Click(window, L"radio_b")); },
         {{Change::State, &Get(L"radio_b")}, {Change::State, &Get(L"radio_a")}}},
        {"a button disabled", [&] { Get(L"ok").SetEnabled(false); }, {{Change::State, &Get(L"ok")}}},
        {"the same state again is no news", [&] { Get(L"ok").SetEnabled(false); }, {}},
        {"a label's text is its name", [&] { Get(L"title").SetText(L"Ready"); }, {{Change::Name, &Get(L"title")}}},
        {"an edit's text is its value", [&] { Get(L"edit").SetText(L"B5"); }, {{Change::Value, &Get(L"edit")}}},
        {"a combo's choice is its value", [&] { static_cast<ui::Combo&>(Get(L"combo")).Select(1); },
         {{Change::Value, &Get(L"combo")}}},
        {"a row's label names the row", [&] { rowOne.FindControl(L"port")->SetText(L"USB002"); },
         {{Change::Name, &Row(1)}}},
        {"a row selected, then its radio mark, which is part of the row", [&] { rowOne.Select(); },
         {{Change::State, &Row(1)}, {Change::State, &Row(1)}}},
        {"a row checked", [&] { static_cast<ui::ListTextExtElement&>(Row(2)).SetCheck(true); },
         {{Change::State, &Row(2)}}},
        {"nothing on a hidden page", [&] { Get(L"page1_btn").SetText(L"Uno"); }, {}},
        {"a label emptied leaves the tree", [&] { Get(L"field").SetText(L""); }, {{Change::Structure, root}}},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(heard(), c.expected) << c.what;
    }

    // A page switch hides one page and shows another: the tree changed.
    window.Find<ui::TabLayout>(L"tab")->SelectItem(1);
    const Heard switched = heard();
    ASSERT_FALSE(switched.empty());
    for (const auto& [change, object] : switched) {
        EXPECT_EQ(change, Change::Structure);
        EXPECT_EQ(object, root);
    }
}

}  // namespace
