// The wizard's worker threads: a window closed under a running worker, and
// a worker that cannot be made.
#include "WizardFixture.h"

#include "os/ErrorText.h"

#include <future>

namespace {

using Operation = os::sim::Operation;
using testing_support::WizardFixture;

class Workers : public WizardFixture {};

TEST_F(Workers, ClosingTheWindowUnderARunningSearchIsHarmless) {
    machine.AddUsbPrinter(L"USB\\VID_0FE6&PID_811E\\SN1", L"\\\\?\\usb#sn1", 1);
    ChooseConnection(L"option_port_usb");
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    machine.BeforeCall(Operation::SetupDiGetClassDevs, 1, [&entered, released] {
        entered.set_value();
        released.wait();
    });
    ASSERT_TRUE(Next());
    entered.get_future().wait();
    ASSERT_TRUE(Click(L"closebtn"));
    EXPECT_FALSE(window->IsWindow());
    EXPECT_EQ(state->MainWindow(), nullptr);
    // What the window held goes with it, while the worker still runs.
    mainWindow.reset();
    release.set_value();
    ASSERT_TRUE(machine.WaitForThreads());
    ui::headless::ProcessPending();
    // The worker's list is whole and its late send reached nothing.
    EXPECT_EQ(state->UsbPrinters().size(), 1u);
    EXPECT_EQ(state->Position(), 1);
}

TEST_F(Workers, ASearchWithoutAThreadReturnsToTheConnectionPage) {
    ChooseConnection(L"option_port_usb");
    machine.FailCall(Operation::CreateThread, 8);
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 0);
    EXPECT_EQ(state->Position(), 0);
    EXPECT_TRUE(NextShown());
    EXPECT_TRUE(PreviousShown());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, os::SystemErrorText(8));
    EXPECT_EQ(Boxes()[0].style, 0x40u);
    EXPECT_EQ(Boxes()[0].owner, window->Handle());
    // The next try works.
    SearchUsb();
    EXPECT_EQ(Page(), 2);
}

TEST_F(Workers, AnInstallWithoutAThreadReturnsToTheSummary) {
    ChooseConnection(L"option_port_com");
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    ASSERT_EQ(Page(), 8);
    machine.FailCall(Operation::CreateThread, 1450);
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 8);
    EXPECT_TRUE(Get<ui::Control>(L"hor_btn_h2").IsVisible());
    EXPECT_FALSE(Get<ui::Control>(L"hor_btn_h1").IsVisible());
    EXPECT_TRUE(NextShown());
    EXPECT_TRUE(PreviousShown());
    EXPECT_FALSE(Get<ui::GifAnim>(L"ani_gif_install").IsVisible());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, os::SystemErrorText(1450));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 9);
    EXPECT_TRUE(PumpUntil([this] { return Get<ui::Control>(L"hor_btn_h1").IsVisible(); }));
}

TEST_F(Workers, AFinishedNetworkInstallThatAddedItsPortFreesTheProposal) {
    state->Request().networkAddress = L"10.1.2.3";
    state->Request().portName = L"IP_10.1.2.3";
    wizard::InstallResult result{true, true};
    state->OnInstallFinished(&result);
    EXPECT_TRUE(Get<ui::Control>(L"btn_setup_preferences").IsVisible());
    EXPECT_TRUE(Get<ui::Control>(L"btn_setup_testpage").IsVisible());
    EXPECT_TRUE(state->Request().networkAddress.empty());
    EXPECT_TRUE(state->Request().portName.empty());

    state->Request().portName = L"COM1:";
    result = {false, false};
    state->OnInstallFinished(&result);
    EXPECT_FALSE(Get<ui::Control>(L"btn_setup_properties").IsVisible());
    EXPECT_TRUE(Get<ui::Control>(L"hor_btn_h1").IsVisible());
    EXPECT_EQ(state->Request().portName, L"COM1:");
}

}  // namespace
