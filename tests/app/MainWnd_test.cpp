#include "app/MainWnd.h"

#include "common/Messages.h"
#include "app/ProgressLog.h"
#include "app/CustomControls.h"
#include "common/Localisation.h"
#include "ui/Accessibility.h"
#include "ui/ExtraControls.h"

#include "AppFixture.h"
#include "support/TestPackage.h"

#include <chrono>
#include <future>
#include <thread>

namespace {

using common::UiTextRecord;
using testing_support::AppFixture;
using ui::headless::Desktop;

std::intptr_t Ptr(const UiTextRecord& record) { return reinterpret_cast<std::intptr_t>(&record); }

class MainWindow : public AppFixture {};

TEST_F(MainWindow, TitleIsTheTranslatedTitleAndTheVersion) {
    os::sim::TheMachine().uiLanguage = 2052;
    auto& window = OpenMainWindow();
    const std::wstring expected = common::TranslateKey(L"mainTitle") + L" - V1.0.7";
    EXPECT_NE(common::TranslateKey(L"mainTitle"), L"mainTitle");
    EXPECT_EQ(window.Caption(), expected);
    EXPECT_EQ(Get<ui::Label>(L"title_lb").Text(), expected);
    EXPECT_FALSE(Get<ui::Label>(L"title_lb").ResourceText()) << "the text is already translated";
    EXPECT_EQ(Get<ui::Label>(L"title_lb").DisplayText(), expected);
    EXPECT_EQ(os::MessageLanguage(), 2052);
    EXPECT_EQ(state->MainWindow(), window.Handle());
    EXPECT_EQ(state->OwnDriverNames(), (std::vector<std::wstring>{L"A4 Printer(203dpi)", L"A4 Printer(300dpi)"}));
}

TEST_F(MainWindow, MissingTitleKeyShowsTheKey) {
    testing_support::UsePackage({
        {"res.xml", "<Res><Xml id=\"XML_MAIN\" path=\"main.xml\"/></Res>"},
        {"main.xml", "<Window><VerticalLayout name=\"root\"><Label name=\"title_lb\"/></VerticalLayout></Window>"},
        {"lan_en.xml", "<Lang><Text id=\"other\" value=\"x\"/></Lang>"},
    });
    auto& window = OpenMainWindow();
    EXPECT_EQ(window.Caption(), L"mainTitle - V1.0.7");
}

TEST_F(MainWindow, TitleFontFollowsTheLanguagesSize) {
    const std::pair<std::uint16_t, int> cases[] = {{2052, 3}, {1033, 3}, {1034, 3}, {1041, 3},
                                                   {2070, 3}, {1042, 22}, {1054, 22}};
    for (const auto& [langId, font] : cases) {
        os::sim::TheMachine().uiLanguage = langId;
        auto& window = OpenMainWindow();
        EXPECT_EQ(Get<ui::Label>(L"title_lb").Font(), font) << langId;
        EXPECT_EQ(window.DefaultFont().face, L"\u5b8b\u4f53");
        EXPECT_EQ(window.DefaultFont().size, state->Languages().at(langId).fontSize);
        window.Destroy();
    }
}

TEST_F(MainWindow, StartsOnTheHomePageWithInstallChosen) {
    OpenMainWindow();
    EXPECT_EQ(Get<ui::TabLayout>(L"tab_switch").CurrentSel(), 0);
    EXPECT_EQ(state->CurrentTask(), wizard::Task::Install);
    EXPECT_FALSE(Get<ui::Option>(L"option_delete").IsSelected());
    EXPECT_FALSE(Get<ui::Control>(L"hor_btn_h1").IsVisible());
    EXPECT_TRUE(Get<ui::Control>(L"hor_btn_h2").IsVisible());
    EXPECT_FALSE(Get<ui::Control>(L"btn_setup_previous").IsVisible());
    EXPECT_TRUE(Get<ui::Control>(L"btn_setup_next").IsShown());
}

TEST_F(MainWindow, NextAndPreviousMoveBetweenHomeAndTheFirstPages) {
    auto& window = OpenMainWindow();
    ASSERT_TRUE(ui::headless::Click(window, L"btn_setup_next"));
    EXPECT_EQ(state->OuterPage(), 1);
    EXPECT_EQ(state->Flow(), wizard::WizardFlow::Install);
    EXPECT_EQ(Get<ui::TabLayout>(L"tab_switch").CurrentSel(), 1);
    EXPECT_TRUE(Get<ui::Option>(L"option_port_usb").IsSelected());
    EXPECT_EQ(state->Request().connectionType, wizard::ConnectionType::Usb);
    EXPECT_TRUE(Get<ui::Control>(L"btn_setup_previous").IsShown());

    ASSERT_TRUE(ui::headless::Click(window, L"btn_setup_previous"));
    EXPECT_EQ(state->OuterPage(), 0);
    EXPECT_EQ(Get<ui::TabLayout>(L"tab_switch").CurrentSel(), 0);

    ASSERT_TRUE(ui::headless::Click(window, L"option_delete"));
    EXPECT_EQ(state->CurrentTask(), wizard::Task::Remove);
    ASSERT_TRUE(ui::headless::Click(window, L"btn_setup_next"));
    EXPECT_EQ(state->OuterPage(), 2);
    EXPECT_EQ(state->Flow(), wizard::WizardFlow::Remove);
    EXPECT_EQ(Get<ui::Control>(L"btn_setup_next").Text(), L"main.btn.next");
    // The home button's row stays hidden until an install has ended.
    EXPECT_FALSE(ui::headless::Click(window, L"btn_setup_index"));
    ASSERT_TRUE(ui::headless::Click(window, L"btn_setup_previous"));
    EXPECT_EQ(state->OuterPage(), 0);

    // Remove, then Install again: Next opens the install's first page.
    ASSERT_TRUE(ui::headless::Click(window, L"option_install"));
    ASSERT_TRUE(ui::headless::Click(window, L"btn_setup_next"));
    EXPECT_EQ(state->OuterPage(), 1);
    EXPECT_EQ(Get<ui::TabLayout>(L"tab_switch_install").CurrentSel(), 0);
}

// A move to a screen of another scale lays the window out at that scale.
TEST_F(MainWindow, ADpiChangeTakesTheNewScale) {
    auto& window = OpenMainWindow();
    ASSERT_EQ(window.Dpi(), 96);
    const int suggested[4] = {0, 0, 840, 600};
    window.SendMessage(ui::wm::kDpiChanged, 144 | 144 << 16, reinterpret_cast<std::intptr_t>(suggested));
    EXPECT_EQ(window.Dpi(), 144);
}

TEST_F(MainWindow, MessageTableEdgeCases) {
    auto& window = OpenMainWindow();
    auto& next = Get<ui::Control>(L"btn_setup_next");
    next.SetText(L"caption");
    // Empty text keeps the caption but applies visibility and enable.
    UiTextRecord keep{L"", false, false, false};
    window.SendMessage(common::UM_NEXT_BUTTON_STATE, 0, Ptr(keep));
    EXPECT_EQ(next.Text(), L"caption");
    EXPECT_FALSE(next.IsVisible());
    EXPECT_FALSE(next.IsEnabled());
    UiTextRecord label{L"main.btn.startDelete", false, false, true};
    window.SendMessage(common::UM_NEXT_BUTTON_STATE, 1, Ptr(label));
    EXPECT_EQ(next.Text(), L"main.btn.startDelete");
    EXPECT_TRUE(next.IsVisible());
    EXPECT_TRUE(next.IsEnabled());

    // Only 1 means on.
    window.SendMessage(common::UM_SHOW_ROW_H1, 1);
    EXPECT_TRUE(Get<ui::Control>(L"hor_btn_h1").IsVisible());
    window.SendMessage(common::UM_SHOW_ROW_H1, 2);
    EXPECT_FALSE(Get<ui::Control>(L"hor_btn_h1").IsVisible());

    window.SendMessage(common::UM_SHOW_PRINTER_BUTTONS, 1);
    for (const wchar_t* name : {L"btn_setup_preferences", L"btn_setup_properties", L"btn_setup_testpage"})
        EXPECT_TRUE(Get<ui::Control>(name).IsVisible());

    auto& info = Get<ui::Control>(L"label_show_printername_info");
    UiTextRecord bad{L"name in use", true, false, true};
    window.SendMessage(common::UM_PRINTER_NAME_INFO, 0, Ptr(bad));
    EXPECT_EQ(info.TextColor(), 0xFFFF0000u);
    EXPECT_EQ(info.Text(), L"name in use");
    UiTextRecord good{L"ok", false, false, true};
    window.SendMessage(common::UM_PRINTER_NAME_INFO, 0, Ptr(good));
    EXPECT_EQ(info.TextColor(), 0xFF0EED1Eu);

    window.SendMessage(common::UM_INSTALL_BUSY, 1);
    EXPECT_TRUE(Get<ui::GifAnim>(L"ani_gif_install").IsPlaying());
    EXPECT_TRUE(Get<ui::GifAnim>(L"ani_gif_install").IsVisible());
    window.SendMessage(common::UM_INSTALL_BUSY, 0);
    EXPECT_FALSE(Get<ui::GifAnim>(L"ani_gif_install").IsPlaying());
    EXPECT_FALSE(Get<ui::GifAnim>(L"ani_gif_install").IsVisible());

    // The adapter row: an empty text only changes visibility.
    state->ShowBluetoothAdapterInfo(true, L"tip.btadapter.on");
    auto& adapter = Get<ui::Control>(L"label_bluetooth_adapter_info");
    EXPECT_EQ(adapter.Text(), L"tip.btadapter.on");
    EXPECT_TRUE(Get<ui::Control>(L"hor_bluetooth_adapter").IsVisible());
    state->ShowBluetoothAdapterInfo(false, L"");
    EXPECT_EQ(adapter.Text(), L"tip.btadapter.on");
    EXPECT_FALSE(Get<ui::Control>(L"hor_bluetooth_adapter").IsVisible());
}

// A message that should carry a record but comes without one is dropped,
// not read through a null pointer; the Next button still takes its
// visibility.
TEST_F(MainWindow, RecordMessagesWithoutARecord) {
    auto& window = OpenMainWindow();
    auto& next = Get<ui::Control>(L"btn_setup_next");
    next.SetText(L"caption");
    for (const unsigned message : {common::UM_DELETE_LOG_LINE, common::UM_INSTALL_LOG_LINE,
                                   common::UM_PRINTER_NAME_INFO, common::UM_NEXT_BUTTON_STATE})
        EXPECT_EQ(window.SendMessage(message, 0, 0), 0) << message;
    EXPECT_TRUE(Get<ui::RichEdit>(L"wordedit_installInfo").Runs().empty());
    EXPECT_TRUE(Get<ui::RichEdit>(L"wordedit_deleteInfo_start").Runs().empty());
    EXPECT_FALSE(next.IsVisible());
    EXPECT_TRUE(next.IsEnabled());
    EXPECT_EQ(next.Text(), L"caption");
    window.SendMessage(common::UM_NEXT_BUTTON_STATE, 1, 0);
    EXPECT_TRUE(next.IsVisible());
}

TEST_F(MainWindow, LogLinesCarryTimeStampColourAndLineEnd) {
    OpenMainWindow();
    os::sim::TheMachine().SetLocalTime(os::LocalTime{2026, 12, 7, 9, 5, 3, 7});
    auto& log = Get<ui::RichEdit>(L"wordedit_installInfo");
    auto& other = Get<ui::RichEdit>(L"wordedit_deleteInfo_start");
    state->PostDeleteLog(L"kept");
    state->PostInstallLog(L"failed: 100% %s", wizard::ProcedureSink::Line::Error);
    state->PostInstallLog(L"");
    EXPECT_EQ(log.Content(), L"09:05:03.007 : failed: 100% %s\r\n09:05:03.007 : \r\n");
    ASSERT_EQ(log.Runs().size(), 2u);
    EXPECT_EQ(log.Runs()[0].format.colorRef, 0x000000FFu);
    EXPECT_EQ(log.Runs()[1].format.colorRef, 0x00FF0000u);
    EXPECT_EQ(log.Runs()[0].format.heightTwips, 225);
    EXPECT_EQ(log.Runs()[0].format.mask, 0xE0000007u);
    EXPECT_EQ(log.ScrolledLines(), 4);

    state->ClearInstallLog();
    EXPECT_EQ(log.Content(), L"");
    EXPECT_EQ(other.Content(), L"09:05:03.007 : kept\r\n");
}

TEST_F(MainWindow, InformationBoxAndQuestion) {
    auto& window = OpenMainWindow();
    Desktop::Instance().ScriptAnswers({ui::mb::kIdOk, ui::mb::kIdCancel});
    EXPECT_TRUE(state->AskOkCancel(L"delete?"));
    EXPECT_FALSE(state->AskOkCancel(L"delete?"));
    state->ShowInformation(L"done");
    const auto boxes = Desktop::Instance().MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].style, 0x41u);
    EXPECT_EQ(boxes[2].style, 0x40u);
    EXPECT_EQ(boxes[2].text, L"done");
    EXPECT_EQ(boxes[2].owner, window.Handle());
    EXPECT_EQ(boxes[2].caption, common::TranslateKey(L"tip.dlgtitle"));
    EXPECT_NE(boxes[2].caption, L"tip.dlgtitle");
}

TEST_F(MainWindow, CloseButtonEndsTheProgram) {
    auto& window = OpenMainWindow();
    ASSERT_TRUE(ui::headless::Click(window, L"closebtn"));
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

TEST_F(MainWindow, TheFinishButtonEndsTheProgram) {
    auto& window = OpenMainWindow();
    window.SendMessage(common::UM_SHOW_ROW_H1, 1);
    ASSERT_TRUE(ui::headless::Click(window, L"btn_setup_cancel"));
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

// At the end of an install or a removal the keyboard is on Finish; the
// removal's row shows early, and the focus waits for its end. A screen
// reader names each log by its page's title.
TEST_F(MainWindow, RunsEndWithTheFocusOnFinishAndLogsHaveNames) {
    auto& window = OpenMainWindow();
    auto& finish = Get<ui::Control>(L"btn_setup_cancel");
    window.SendMessage(common::UM_INSTALL_BUSY, 1);
    window.SendMessage(common::UM_SHOW_ROW_H1, 0);
    window.SendMessage(common::UM_INSTALL_BUSY, 0);
    window.SendMessage(common::UM_SHOW_ROW_H1, 1);
    EXPECT_TRUE(finish.IsFocused());

    Get<ui::Control>(L"btn_setup_next").SetFocus();
    window.SendMessage(common::UM_DELETE_BUSY, 1);
    window.SendMessage(common::UM_SHOW_ROW_H1, 1);
    EXPECT_FALSE(finish.IsFocused());
    window.SendMessage(common::UM_DELETE_BUSY, 0);
    EXPECT_TRUE(finish.IsFocused());

    const std::pair<const wchar_t*, const wchar_t*> logs[] = {{L"wordedit_installInfo", L"page.install.title"},
                                                              {L"wordedit_deleteInfo", L"delete.summary.title"},
                                                              {L"wordedit_deleteInfo_start", L"delete.progress.title"}};
    for (const auto& [log, title] : logs) {
        EXPECT_EQ(ui::DescribeAccessible(Get<ui::Control>(log)).name, common::TranslateKey(title)) << log;
        EXPECT_NE(common::TranslateKey(title), title);
    }
}

TEST_F(MainWindow, CaptionButtonsMinimiseMaximiseAndRestore) {
    auto& window = OpenMainWindow();
    ASSERT_TRUE(ui::headless::Click(window, L"minbtn"));
    EXPECT_TRUE(ui::headless::IsMinimized(window));
    Get<ui::Control>(L"maxbtn").SetVisible(true);
    ASSERT_TRUE(ui::headless::Click(window, L"maxbtn"));
    EXPECT_TRUE(window.IsMaximized());
    EXPECT_FALSE(ui::headless::IsMinimized(window));
    Get<ui::Control>(L"restorebtn").SetVisible(true);
    ASSERT_TRUE(ui::headless::Click(window, L"restorebtn"));
    EXPECT_FALSE(window.IsMaximized());
    EXPECT_TRUE(window.IsWindow());
}

TEST_F(MainWindow, BusyAndPreviousButtonMessages) {
    auto& window = OpenMainWindow();
    auto& busy = Get<ui::GifAnim>(L"ani_gif_delete");
    auto& home = Get<ui::Control>(L"btn_setup_index");
    window.SendMessage(common::UM_DELETE_BUSY, 1);
    EXPECT_TRUE(busy.IsVisible());
    EXPECT_TRUE(busy.IsPlaying());
    EXPECT_FALSE(home.IsEnabled()) << "no way home while the removal runs";
    window.SendMessage(common::UM_DELETE_BUSY, 0);
    EXPECT_FALSE(busy.IsVisible());
    EXPECT_FALSE(busy.IsPlaying());
    EXPECT_TRUE(home.IsEnabled());

    auto& previous = Get<ui::Control>(L"btn_setup_previous");
    window.SendMessage(common::UM_PREVIOUS_BUTTON_STATE, 1);
    EXPECT_TRUE(previous.IsVisible());
    window.SendMessage(common::UM_PREVIOUS_BUTTON_STATE, 0);
    EXPECT_FALSE(previous.IsVisible());
}

TEST_F(MainWindow, SkinChoiceRepaintsTheRoot) {
    OpenMainWindow();
    app::SkinBroadcaster::Process().Broadcast({false, 0, L"images/bg.png"});
    EXPECT_EQ(Get<ui::Control>(L"root").Image(L"bkimage"), L"images/bg.png");
    EXPECT_EQ(Get<ui::Control>(L"root").BkColor(), 0u);
    app::SkinBroadcaster::Process().Broadcast({true, 0xFF336699, L"ignored"});
    EXPECT_EQ(Get<ui::Control>(L"root").Image(L"bkimage"), L"");
    EXPECT_EQ(Get<ui::Control>(L"root").BkColor(), 0xFF336699u);
}

// Workers post through synchronous sends; the UI thread runs its own loop.
class MainWindowThreads : public AppFixture {
protected:
    void TearDown() override {
        if (ui_) ui_->Run([this] { AppFixture::TearDown(); });
        ui_.reset();
    }
    // Opens the window and starts an install on USB001 whose worker stops
    // inside AddPrinterDriverEx until `released` is ready; returns once it
    // is there.
    void StartHeldInstall(const std::shared_future<void>& released) {
        auto& machine = os::sim::TheMachine();
        machine.spooler.ports.push_back(os::sim::Port{L"USB001", L"Local Port", L"USB Monitor", {}});
        std::promise<void> entered;
        machine.BeforeCall(os::sim::Operation::AddPrinterDriverEx, 1, [&entered, released] {
            entered.set_value();
            released.wait();
        });
        ui_->Run([this] {
            OpenMainWindow();
            auto& request = state->Request();
            request.connectionType = wizard::ConnectionType::Usb;
            request.portName = L"USB001";
            request.model = 0;
            request.printerName = L"A4 Office";
            request.defaultPrinter = 0;
            state->StartInstall();
        });
        entered.get_future().wait();
    }
    std::unique_ptr<ui::headless::UiThread> ui_ = std::make_unique<ui::headless::UiThread>();
};

TEST_F(MainWindowThreads, AThousandLinesFromAWorkerArriveCompleteAndInOrder) {
    ui_->Run([this] { OpenMainWindow(); });
    ui_->Post([] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); });
    std::thread worker([this] {
        for (int i = 0; i < 1000; ++i)
            state->PostInstallLog(L"line " + std::to_wstring(i),
                                  i % 2 == 0 ? wizard::ProcedureSink::Line::Error : wizard::ProcedureSink::Line::Info);
    });
    worker.join();
    std::wstring content;
    std::size_t runs = 0;
    ui_->Run([&] {
        content = Get<ui::RichEdit>(L"wordedit_installInfo").Content();
        runs = Get<ui::RichEdit>(L"wordedit_installInfo").Runs().size();
    });
    std::size_t at = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::wstring line = L" : line " + std::to_wstring(i) + L"\r\n";
        const std::size_t found = content.find(line, at);
        ASSERT_NE(found, std::wstring::npos) << i;
        at = found + line.size();
    }
    EXPECT_EQ(at, content.size());
    EXPECT_EQ(runs, 1000u);  // colours alternate line by line
}

TEST_F(MainWindowThreads, AWorkerMovesThePagesForwardAndBack) {
    ui_->Run([this] { OpenMainWindow(); });
    const ui::WindowHandle handle = mainWindow->Handle();
    auto sendFromWorker = [&](unsigned message) {
        std::thread worker([&] { ui::SendMessageTo(handle, message, 0, 0); });
        worker.join();
        int page = -1;
        ui_->Run([&] { page = Get<ui::TabLayout>(L"tab_switch").CurrentSel(); });
        return page;
    };
    EXPECT_EQ(sendFromWorker(common::UM_GO_NEXT), 1);
    EXPECT_EQ(state->Flow(), wizard::WizardFlow::Install);
    EXPECT_EQ(sendFromWorker(common::UM_GO_PREVIOUS), 0);
    EXPECT_EQ(state->OuterPage(), 0);
}

// What a clipboard tool sends to the focused window is not ours: the page
// stays where it is.
TEST_F(MainWindowThreads, ClipboardMessagesFromOutsideChangeNothing) {
    ui_->Run([this] { OpenMainWindow(); });
    const ui::WindowHandle handle = mainWindow->Handle();
    std::thread([&] { ui::SendMessageTo(handle, common::UM_GO_NEXT, 0, 0); }).join();
    constexpr unsigned kCut = 0x0300, kCopy = 0x0301, kPaste = 0x0302, kClear = 0x0303;
    for (const unsigned message : {kCut, kCopy, kPaste, kClear}) {
        std::thread([&] { ui::SendMessageTo(handle, message, 0, 0); }).join();
        ui_->Run([&] { EXPECT_EQ(Get<ui::TabLayout>(L"tab_switch").CurrentSel(), 1) << message; });
        EXPECT_EQ(state->Flow(), wizard::WizardFlow::Install) << message;
    }
}

// Every way to close the program while the install worker is inside the
// spooler waits for the worker: the user is told once, the session may not
// end, and the window closes once the driver and the printer are both in.
TEST_F(MainWindowThreads, ClosingDuringAnInstallWaitsForTheWorker) {
    auto& machine = os::sim::TheMachine();
    std::promise<void> release;
    StartHeldInstall(release.get_future().share());
    std::intptr_t sessionAnswer = 1;
    ui_->Run([&] {
        ui::headless::Click(*mainWindow, L"closebtn");
        mainWindow->SendMessage(ui::wm::kClose);
        sessionAnswer = mainWindow->SendMessage(ui::wm::kQueryEndSession);
    });
    ui_->Run([&] { EXPECT_TRUE(mainWindow->IsWindow()); });
    EXPECT_EQ(sessionAnswer, 0);
    const auto boxes = Desktop::Instance().MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, common::TranslateKey(L"tip.closeafterwork"));

    release.set_value();
    // The window's end ends the UI thread's message loop.
    for (int i = 0; i < 500 && !ui_->Finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(ui_->Finished());
    EXPECT_NE(machine.FindDriver(L"A4 Printer(203dpi)"), nullptr);
    EXPECT_NE(machine.FindPrinter(L"A4 Office"), nullptr);
}

// A shutdown that is cancelled (WM_ENDSESSION with FALSE) forgets the close
// its query remembered: the window stays with its log after the worker.
TEST_F(MainWindowThreads, ACancelledShutdownKeepsTheWindow) {
    auto& machine = os::sim::TheMachine();
    std::promise<void> release;
    StartHeldInstall(release.get_future().share());
    ui_->Run([&] {
        EXPECT_EQ(mainWindow->SendMessage(ui::wm::kQueryEndSession), 0);
        mainWindow->SendMessage(ui::wm::kEndSession, 0);
    });
    release.set_value();
    for (int i = 0; i < 200 && machine.RunningThreads() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ui_->Run([&] {});
    ui_->Run([&] { EXPECT_TRUE(mainWindow->IsWindow()); });
    EXPECT_FALSE(ui_->Finished());
    EXPECT_NE(machine.FindPrinter(L"A4 Office"), nullptr);
}

TEST_F(MainWindowThreads, LanguagePopupListsLanguagesAndSwitchesTheWindow) {
    os::sim::TheMachine().uiLanguage = 2052;
    ui_->Run([this] { OpenMainWindow(); });
    ui_->Run([this] { ui::headless::Click(*mainWindow, L"btnLan"); });
    ui::Window* popup = Desktop::Instance().FindWindowByClass(L"PopAbout");
    ASSERT_NE(popup, nullptr);

    std::vector<std::wstring> order;
    std::wstring selected;
    ui_->Run([&] {
        auto* list = dynamic_cast<ui::Container*>(popup->FindControl(L"verLanList"));
        for (std::size_t i = 0; i < list->Count(); ++i) {
            auto* option = dynamic_cast<ui::Option*>(list->ItemAt(i));
            order.push_back(option->Text());
            if (option->IsSelected()) selected = option->UserData();
            EXPECT_TRUE(option->ResourceText());
            EXPECT_EQ(option->Group(), L"lanGroup");
        }
    });
    EXPECT_EQ(order, (std::vector<std::wstring>{L"lan.en", L"lan.es", L"lan.ja", L"lan.ko", L"lan.th", L"lan.cn",
                                                L"lan.pt"}));
    EXPECT_EQ(selected, L"2052");

    std::wstring before, after;
    ui_->Run([&] {
        before = mainWindow->Caption();
        // Choosing the current language again changes nothing visible.
        auto* list = dynamic_cast<ui::Container*>(popup->FindControl(L"verLanList"));
        list->ItemAt(5)->Activate();
        after = mainWindow->Caption();
    });
    EXPECT_EQ(before, after);

    // Korean: the title, its font and the message language follow.
    ui_->Run([&] {
        auto* list = dynamic_cast<ui::Container*>(popup->FindControl(L"verLanList"));
        list->ItemAt(3)->Activate();
        after = mainWindow->Caption();
    });
    EXPECT_NE(after, before);
    EXPECT_EQ(state->CurrentLangId(), 1042);
    EXPECT_EQ(os::MessageLanguage(), 1042);
    int font = 0;
    ui_->Run([&] { font = Get<ui::Label>(L"title_lb").Font(); });
    EXPECT_EQ(font, 22);

    ui_->Run([&] { ui::headless::Click(*popup, L"closebtn"); });
    EXPECT_EQ(Desktop::Instance().FindWindowByClass(L"PopAbout"), nullptr);
}

TEST_F(MainWindowThreads, AboutPopupShowsVersionAndDateAndCloses) {
    ui_->Run([this] { OpenMainWindow(); });
    ui_->Run([this] { ui::headless::Click(*mainWindow, L"btnAbout"); });
    ui::Window* popup = Desktop::Instance().FindWindowByClass(L"PopAbout");
    ASSERT_NE(popup, nullptr);
    std::wstring version, date;
    bool ownerClickable = true;
    ui_->Run([&] {
        version = popup->FindControl(L"app_version")->Text();
        date = popup->FindControl(L"app_time")->Text();
        ownerClickable = ui::headless::Click(*mainWindow, L"btn_setup_next");
    });
    EXPECT_EQ(version, L"Version:    V1.0.7");
    EXPECT_EQ(date, L"BuildDate:  2024-12-04 ");
    EXPECT_FALSE(ownerClickable);
    ui_->Run([&] { ui::headless::Click(*popup, L"closebtn"); });
    EXPECT_EQ(Desktop::Instance().FindWindowByClass(L"PopAbout"), nullptr);
}

// Each pop-up shows at the scale of the window it opened from.
TEST_F(MainWindowThreads, PopupsTakeTheMainWindowsScale) {
    ui_->Run([this] {
        OpenMainWindow();
        mainWindow->SetDpi(144);
    });
    for (const wchar_t* button : {L"btnAbout", L"btnLan"}) {
        ui_->Run([&] { ui::headless::Click(*mainWindow, button); });
        ui::Window* popup = Desktop::Instance().FindWindowByClass(L"PopAbout");
        ASSERT_NE(popup, nullptr) << button;
        EXPECT_EQ(popup->Dpi(), 144) << button;
        ui_->Run([&] { popup->Close(0); });
        ASSERT_EQ(Desktop::Instance().FindWindowByClass(L"PopAbout"), nullptr) << button;
    }
    ui_->Run([&] { ui::headless::Click(*mainWindow, L"skinbtn"); });
    ui::Window* chooser = Desktop::Instance().FindWindowByClass(L"UISkinFrame");
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->Dpi(), 144);
    ui_->Run([&] { chooser->Destroy(); });  // it deletes itself
}

TEST_F(MainWindowThreads, SystemCloseOnAPopupEndsTheProgram) {
    ui_->Run([this] { OpenMainWindow(); });
    ui_->Run([this] { ui::headless::Click(*mainWindow, L"btnLan"); });
    ui::Window* popup = Desktop::Instance().FindWindowByClass(L"PopAbout");
    ASSERT_NE(popup, nullptr);
    // The quit message ends the modal loop and then the UI thread's loop;
    // the process would end here with both windows still up.
    ui_->Run([&] { popup->SendMessage(ui::wm::kSysCommand, ui::sc::kClose); });
    EXPECT_TRUE(ui_->Finished());
    ui_.reset();
    EXPECT_EQ(Desktop::Instance().FindWindowByClass(L"PopAbout"), popup);
    popup->Destroy();
    mainWindow->Destroy();
}

}  // namespace

namespace {

class DemoWindow : public ui::Window {
protected:
    std::wstring GetWindowClassName() const override { return L"DemoWnd"; }
    std::wstring GetSkinFile() const override { return L"demo.xml"; }
};

// The four class names start-up registers build the package's demonstration
// layout; the main window's busy indicators are the circular progress.
TEST_F(MainWindow, TheFourControlClassesAndTheBusyIndicators) {
    app::RegisterCustomControls();
    DemoWindow demo;
    ASSERT_TRUE(demo.Create(ui::WindowCreation{}.Caption(L"Controls").Size(520, 330)));
    EXPECT_EQ(demo.Find<ui::CircleProgress>(L"demo_circle")->Value(), 65);
    EXPECT_TRUE(demo.Find<ui::CircleProgress>(L"demo_busy")->IsPlaying());
    EXPECT_EQ(demo.Find<ui::Combo>(L"demo_combo")->Items().size(), 5u);
    EXPECT_EQ(demo.Find<ui::Chart>(L"demo_bars")->GetKind(), ui::Chart::Kind::Histogram);
    EXPECT_EQ(demo.Find<ui::NativeWindowHost>(L"demo_native")->WindowClass(), L"BUTTON");
    demo.Destroy();

    OpenMainWindow();
    for (const wchar_t* name : {L"ani_gif_search", L"ani_gif_install", L"ani_gif_delete"})
        EXPECT_NE(mainWindow->Find<ui::CircleProgress>(name), nullptr) << std::wstring(name).size();
}

}  // namespace
