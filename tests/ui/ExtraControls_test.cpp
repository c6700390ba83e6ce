// The four further controls on the headless host, built from a layout under
// the class names a program registers for them: what the attributes set,
// how the state moves, and what each one tells the window.
#include "ui/ExtraControls.h"
#include "ui/Toolkit.h"
#include "ui/Window.h"
#include "ui/headless/Desktop.h"

#include "support/TestPackage.h"

#include <gtest/gtest.h>

namespace {

const char* kLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300">
  <VerticalLayout name="root">
    <Circle name="circle" width="60" height="60" min="10" max="60" value="35" forecolor="#FF10B981" linewidth="6" showtext="true"/>
    <Combo name="combo" height="28" items="USB|Network|Bluetooth" selected="1"/>
    <Chart name="pie" height="80" values="3,5,2" labels="USB|Network|COM"/>
    <Chart name="bars" height="80" kind="histogram" values="1.5, 4" labels="a|b|c" colors="#FF000001|#FF000002"/>
    <NativeHost name="native" height="30" windowclass="BUTTON" windowtext="Native"/>
  </VerticalLayout>
</Window>)";

class TestWindow : public ui::Window {
public:
    std::vector<ui::Notification> seen;

protected:
    std::wstring GetWindowClassName() const override { return L"ExtraWnd"; }
    std::wstring GetSkinFile() const override { return L"extra.xml"; }
    void Notify(ui::Notification& n) override { seen.push_back(n); }
};

class ExtraControls : public ::testing::Test {
protected:
    void SetUp() override {
        ui::headless::Desktop::Instance().Reset();
        auto& toolkit = ui::Toolkit::Process();
        toolkit.RegisterControlClass(L"Circle", [] { return std::make_unique<ui::CircleProgress>(); });
        toolkit.RegisterControlClass(L"Combo", [] { return std::make_unique<ui::Combo>(); });
        toolkit.RegisterControlClass(L"Chart", [] { return std::make_unique<ui::Chart>(); });
        toolkit.RegisterControlClass(L"NativeHost", [] { return std::make_unique<ui::NativeWindowHost>(); });
        testing_support::UsePackage({{"extra.xml", kLayout}});
        ASSERT_TRUE(window.Create(ui::WindowCreation{}.Caption(L"extra").Size(400, 300)));
        window.UpdateLayout();
        window.seen.clear();
    }
    void TearDown() override {
        if (window.IsWindow()) window.Destroy();
    }

    template <class T>
    T& Get(const wchar_t* name) {
        T* control = window.Find<T>(name);
        EXPECT_NE(control, nullptr);
        return *control;
    }

    // The notifications since the last look, as "type wParam lParam".
    std::vector<std::string> Seen() {
        std::vector<std::string> out;
        for (const ui::Notification& n : window.seen)
            out.push_back(std::string(n.type.begin(), n.type.end()) + " " + std::to_string(n.wParam) + " " +
                          std::to_string(n.lParam));
        window.seen.clear();
        return out;
    }

    TestWindow window;
};

TEST_F(ExtraControls, CircleProgressKeepsItsValueInItsRange) {
    auto& circle = Get<ui::CircleProgress>(L"circle");
    EXPECT_EQ(circle.Min(), 10);
    EXPECT_EQ(circle.Max(), 60);
    EXPECT_EQ(circle.Value(), 35);
    EXPECT_DOUBLE_EQ(circle.Fraction(), 0.5);
    EXPECT_EQ(circle.ForeColor(), 0xFF10B981u);
    EXPECT_EQ(circle.LineWidth(), 6);
    EXPECT_TRUE(circle.ShowsText());

    const struct {
        int value;
        int expected;
        double fraction;
    } steps[] = {{60, 60, 1.0}, {75, 60, 1.0}, {-5, 10, 0.0}, {22, 22, 0.24}};
    for (const auto& step : steps) {
        circle.SetValue(step.value);
        EXPECT_EQ(circle.Value(), step.expected) << step.value;
        EXPECT_NEAR(circle.Fraction(), step.fraction, 1e-9) << step.value;
    }
    EXPECT_EQ(Seen(), (std::vector<std::string>{"valuechanged 60 0", "valuechanged 10 0", "valuechanged 22 0"}))
        << "only changes are told";

    // A range given backwards is the same range; the value moves into it.
    circle.SetRange(30, 20);
    EXPECT_EQ(circle.Min(), 20);
    EXPECT_EQ(circle.Max(), 30);
    EXPECT_EQ(circle.Value(), 22);
    circle.SetRange(5, 5);
    EXPECT_EQ(circle.Value(), 5);
    EXPECT_DOUBLE_EQ(circle.Fraction(), 1.0) << "an empty range is full";
    // As a busy indicator it plays like the animation it stands for.
    EXPECT_FALSE(circle.IsPlaying());
    circle.Play();
    EXPECT_TRUE(circle.IsPlaying());
}

TEST_F(ExtraControls, ComboDropsChoosesAndTells) {
    auto& combo = Get<ui::Combo>(L"combo");
    EXPECT_EQ(combo.Items(), (std::vector<std::wstring>{L"USB", L"Network", L"Bluetooth"}));
    EXPECT_EQ(combo.SelectedIndex(), 1);
    EXPECT_FALSE(combo.IsDropped());

    // The mouse finds it like a button.
    const ui::Rect& box = combo.Pos();
    EXPECT_EQ(ui::HitTest(*window.Root(), (box.left + box.right) / 2, (box.top + box.bottom) / 2), &combo);
    ASSERT_TRUE(ui::headless::Click(window, L"combo"));
    EXPECT_TRUE(combo.IsDropped());
    const ui::Rect drop = combo.DropRect();
    EXPECT_EQ(drop.top, combo.Pos().bottom);
    EXPECT_EQ(drop.Height(), 3 * 28);
    EXPECT_EQ(combo.ItemAt(drop.left + 5, drop.top + 28 * 2 + 3), 2);
    EXPECT_EQ(combo.ItemAt(drop.left + 5, drop.bottom + 1), -1);
    combo.Select(combo.ItemAt(drop.left + 5, drop.top + 1));
    EXPECT_EQ(combo.SelectedIndex(), 0);
    EXPECT_FALSE(combo.IsDropped()) << "a choice folds the list";

    combo.Step(false);
    combo.Step(false);
    combo.Step(false);  // stays on the last
    combo.Step(true);
    combo.Select(1);  // no change, nothing told
    combo.Select(7);  // out of range: no item
    EXPECT_EQ(combo.SelectedIndex(), -1);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"dropdown 0 0", "selectchanged 0 1", "selectchanged 1 0",
                                                "selectchanged 2 1", "selectchanged 1 2", "selectchanged 0 1"}));

    // An empty combo does not drop.
    combo.RemoveAll();
    ASSERT_TRUE(ui::headless::Click(window, L"combo"));
    EXPECT_FALSE(combo.IsDropped());
    // A layout's selection past the items is no selection.
    EXPECT_TRUE(combo.SetAttribute(L"items", L"a|b"));
    EXPECT_TRUE(combo.SetAttribute(L"selected", L"5"));
    EXPECT_EQ(combo.SelectedIndex(), -1);
    EXPECT_FALSE(combo.SetAttribute(L"dropheight", L"-1"));
}

TEST_F(ExtraControls, ChartSharesAndBars) {
    auto& pie = Get<ui::Chart>(L"pie");
    EXPECT_EQ(pie.GetKind(), ui::Chart::Kind::Pie);
    ASSERT_EQ(pie.Items().size(), 3u);
    EXPECT_EQ(pie.Items()[1].label, L"Network");
    EXPECT_DOUBLE_EQ(pie.Total(), 10);
    EXPECT_DOUBLE_EQ(pie.Share(1), 0.5);
    EXPECT_DOUBLE_EQ(pie.Share(9), 0);
    EXPECT_NE(pie.ColorOf(0), pie.ColorOf(1));

    auto& bars = Get<ui::Chart>(L"bars");
    EXPECT_EQ(bars.GetKind(), ui::Chart::Kind::Histogram);
    ASSERT_EQ(bars.Items().size(), 3u) << "a label without a value is an item of 0";
    EXPECT_DOUBLE_EQ(bars.Items()[0].value, 1.5);
    EXPECT_DOUBLE_EQ(bars.Items()[2].value, 0);
    EXPECT_DOUBLE_EQ(bars.Largest(), 4);
    EXPECT_EQ(bars.ColorOf(2), 0xFF000001u) << "the colours repeat";

    // Values a layout may not give.
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } bad[] = {{L"values", L"1,x"}, {L"values", L"2 apples"}, {L"kind", L"donut"}, {L"colors", L"red"}};
    for (const auto& b : bad) EXPECT_FALSE(bars.SetAttribute(b.name, b.value)) << std::wstring(b.value).size();
    EXPECT_DOUBLE_EQ(bars.Largest(), 4) << "a refused value changes nothing";
    bars.AddItem(L"negative", -3);
    EXPECT_DOUBLE_EQ(bars.Items().back().value, 0);
    pie.RemoveAll();
    EXPECT_DOUBLE_EQ(pie.Share(0), 0);
}

class FakeChild : public ui::NativeChildPeer {
public:
    explicit FakeChild(bool& detached) : detached_(detached) {}
    ui::WindowHandle Handle() const override { return reinterpret_cast<ui::WindowHandle>(0x4242); }
    void Detach() override { detached_ = true; }

private:
    bool& detached_;
};

TEST_F(ExtraControls, NativeHostDescribesItsChildAndLetsItGo) {
    auto& native = Get<ui::NativeWindowHost>(L"native");
    EXPECT_EQ(native.WindowClass(), L"BUTTON");
    EXPECT_EQ(native.WindowText(), L"Native");
    EXPECT_EQ(native.ChildHandle(), nullptr) << "the host makes it when it is first shown";
    EXPECT_FALSE(native.SetAttribute(L"windowclass", L""));

    bool detached = false;
    FakeChild child(detached);
    native.SetPeer(&child);
    EXPECT_EQ(native.ChildHandle(), reinterpret_cast<ui::WindowHandle>(0x4242));
    ASSERT_TRUE(Get<ui::VerticalLayout>(L"root").Remove(&native));
    EXPECT_TRUE(detached) << "the control's end is the child's";
}

}  // namespace
