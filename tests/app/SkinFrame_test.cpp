// The skin chooser through the real main window on the headless host: where
// it opens, what a choice does to the main window's "root", and that it
// closes when the focus moves on.
#include "app/MainWnd.h"

#include "AppFixture.h"
#include "ui/WindowHost.h"

namespace {

using testing_support::AppFixture;
using ui::headless::Desktop;

class SkinChooser : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        main = &OpenMainWindow();
    }

    void TearDown() override {
        // Nothing owns a chooser: one still open goes with the test.
        while (ui::Window* chooser = Chooser()) chooser->Destroy();
        AppFixture::TearDown();
    }

    // The chooser as the user opens it from the skin button.
    ui::Window* Open() {
        EXPECT_TRUE(ui::headless::Click(*main, L"skinbtn"));
        return Chooser();
    }
    static ui::Window* Chooser() { return Desktop::Instance().FindWindowByClass(L"UISkinFrame"); }

    // The n-th control of a row of choices.
    static bool Choose(ui::Window& chooser, const wchar_t* row, std::size_t n) {
        auto* container = chooser.Find<ui::Container>(row);
        ui::Control* choice = container ? container->ItemAt(n) : nullptr;
        return choice != nullptr && choice->IsShown() && choice->Activate();
    }

    ui::Control& Root() { return Get<ui::Control>(L"root"); }

    app::CMainWnd* main = nullptr;
};

TEST_F(SkinChooser, OpensRightAlignedUnderTheSkinButton) {
    ui::Window* chooser = Open();
    ASSERT_NE(chooser, nullptr);
    int left = 0, top = 0;
    chooser->Host()->ClientToScreen(left, top);
    const ui::Rect& button = Get<ui::Control>(L"skinbtn").Pos();
    int right = button.right, bottom = button.bottom;
    main->Host()->ClientToScreen(right, bottom);
    EXPECT_EQ(left + chooser->Host()->ScreenSize().cx, right);
    EXPECT_EQ(top, bottom);
    EXPECT_EQ(chooser->Host()->ScreenSize().cx, 252) << "the layout's own size";
    EXPECT_EQ(chooser->Caption(), L"skinframe");
    EXPECT_EQ(chooser->Find<ui::TabLayout>(L"skin_tab")->CurrentSel(), 1) << "colours first";
}

TEST_F(SkinChooser, EachChoiceReplacesTheOtherOnTheRoot) {
    ui::Window* chooser = Open();
    ASSERT_NE(chooser, nullptr);
    const ui::Color white = Root().BkColor();

    // The headers only turn the page.
    ASSERT_TRUE(ui::headless::Click(*chooser, L"skin_image"));
    EXPECT_EQ(chooser->Find<ui::TabLayout>(L"skin_tab")->CurrentSel(), 0);
    ASSERT_TRUE(ui::headless::Click(*chooser, L"skin_color"));
    EXPECT_EQ(chooser->Find<ui::TabLayout>(L"skin_tab")->CurrentSel(), 1);
    EXPECT_EQ(Root().BkColor(), white);
    EXPECT_EQ(Root().Image(L"bkimage"), L"");

    struct Step {
        const char* what;
        const wchar_t* header;
        const wchar_t* row;
        std::size_t n;
        ui::Color color;
        const wchar_t* image;
    };
    const Step steps[] = {
        {"a colour", L"skin_color", L"skin_colors", 1, 0xFFEAF2FB, L""},
        {"an image after a colour", L"skin_image", L"skin_images", 2, 0, L"images/skin_dawn.png"},
        {"another image", L"skin_image", L"skin_images", 0, 0, L"images/skin_sky.png"},
        {"a colour after an image", L"skin_color", L"skin_colors_more", 2, 0xFFFFF8DC, L""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(ui::headless::Click(*chooser, step.header));
        ASSERT_TRUE(Choose(*chooser, step.row, step.n));
        EXPECT_EQ(Root().BkColor(), step.color);
        EXPECT_EQ(Root().Image(L"bkimage"), step.image);
        ui::headless::ProcessPending();
        EXPECT_EQ(Chooser(), chooser) << "it stays open for another choice";
    }
}

TEST_F(SkinChooser, ClosesWhenTheMainWindowIsClicked) {
    ASSERT_NE(Open(), nullptr);
    ui::headless::ProcessPending();
    ASSERT_NE(Chooser(), nullptr);
    ASSERT_TRUE(ui::headless::Click(*main, L"option_delete"));
    ui::headless::ProcessPending();
    EXPECT_EQ(Chooser(), nullptr);

    // Each click on the button makes a new one.
    ASSERT_NE(Open(), nullptr);
    ui::headless::ProcessPending();
    ASSERT_TRUE(ui::headless::Click(*main, L"skinbtn"));
    ui::headless::ProcessPending();
    EXPECT_EQ(Desktop::Instance().Windows().size(), 2u) << "the main window and the newest chooser";
}

TEST_F(SkinChooser, WithoutARootAChoiceChangesNothing) {
    ui::Window* chooser = Open();
    ASSERT_NE(chooser, nullptr);
    Root().SetName(L"renamed");
    const ui::Color before = Get<ui::Control>(L"renamed").BkColor();
    ASSERT_TRUE(Choose(*chooser, L"skin_colors", 3));
    EXPECT_EQ(Get<ui::Control>(L"renamed").BkColor(), before);
}

}  // namespace
