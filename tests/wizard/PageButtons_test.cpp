// The page buttons and the dispatch of the pages' events, through the real
// main window on the headless host and the simulated machine.
#include "WizardFixture.h"

#include "os/System.h"
#include "os/ErrorText.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Operation = os::sim::Operation;
using testing_support::WizardFixture;
using ui::headless::Desktop;
using wizard::ConnectionType;

constexpr wchar_t kPortList[] = L"listex_install_driver_port";

std::string Narrow(const std::wstring& text) { return os::WideToAnsi(text); }

class PageDispatch : public WizardFixture {
protected:
    static inline int addPortDialogs = 0;
    static void CountAddPortDialog(ui::WindowHandle) { ++addPortDialogs; }

    std::wstring ParametersOfLastShellRun() {
        return machine.shellRuns.empty() ? L"<none>" : machine.shellRuns.back().info.parameters;
    }
};

// Every row is reached by a name that differs from it only in letter case.
TEST_F(PageDispatch, EveryClickRowActsWhateverTheNamesCase) {
    addPortDialogs = 0;
    state->SetAddPortDialog(&CountAddPortDialog);
    state->Request().printerName = L"Front desk";
    AddPrinter(L"Front desk");
    const auto owner = static_cast<os::WindowHandle>(reinterpret_cast<std::uintptr_t>(window->Handle()));

    struct Case {
        const wchar_t* name;
        bool option;
        std::function<bool()> acted;
    };
    auto& request = state->Request();
    const Case cases[] = {
        {L"Option_ShowAll_DeletePrinter", true, [&] { return state->Filters().showAllPrinters == 1; }},
        {L"OPTION_SHOWALL_DELETEDRIVER", true, [&] { return state->Filters().showAllDrivers == 1; }},
        {L"Option_Port_USB", true, [&] { return request.connectionType == ConnectionType::Usb; }},
        {L"option_port_NET", true, [&] { return request.connectionType == ConnectionType::Network; }},
        {L"Option_Port_Bluetooth", true, [&] { return request.connectionType == ConnectionType::Bluetooth; }},
        {L"OPTION_PORT_LPT", true, [&] { return request.connectionType == ConnectionType::Lpt; }},
        {L"option_Port_Com", true, [&] { return request.connectionType == ConnectionType::Com; }},
        {L"Option_Port_Custom", true, [&] { return request.connectionType == ConnectionType::Custom; }},
        {L"Option_UseCustom_PIN", true, [&] { return request.useCustomPin == 1; }},
        {L"BTN_Checked_IP", false,
         [&] { return !Boxes().empty() && Boxes().back().text == common::TranslateKey(L"tip.lancheckedfail"); }},
        {L"Btn_Test_USB", false,
         [&] { return !Boxes().empty() && Boxes().back().text == common::TranslateKey(L"tip.notselectusbport"); }},
        {L"BTN_PORT_ADD", false, [&] { return addPortDialogs == 1; }},
        {L"btn_Port_Delete", false, [&] { return !Boxes().empty() && Boxes().back().style == 0x41u; }},
        {L"Btn_Port_Configure", false,
         [&] { return machine.spooler.configuredPorts == std::vector<std::wstring>{L"COM1:"}; }},
        {L"Option_Selected_DefaultPrinter", true, [&] { return request.defaultPrinter == 1; }},
        {L"BTN_Setup_Preferences", false,
         [&] { return ParametersOfLastShellRun().find(L"/e /n\"Front desk\"") != std::wstring::npos; }},
        {L"btn_setup_PROPERTIES", false,
         [&] { return ParametersOfLastShellRun().find(L"/p /n\"Front desk\"") != std::wstring::npos; }},
        {L"Btn_Setup_TestPage", false,
         [&] { return ParametersOfLastShellRun().find(L"/k /n\"Front desk\"") != std::wstring::npos; }},
        {L"BTN_checked_printer_name", false,
         [&] { return !Get<ui::Control>(L"label_show_printername_info").Text().empty(); }},
    };
    Get<ui::Edit>(L"edit_install_lan_ip").SetText(L"no address");
    request.portName = L"COM1:";
    // The two tests' boxes, then the delete question.
    Desktop::Instance().ScriptAnswers({ui::mb::kIdOk, ui::mb::kIdOk, ui::mb::kIdCancel});
    for (const Case& c : cases) {
        ui::Option option;
        ui::Button button;
        ui::Control& control = c.option ? static_cast<ui::Control&>(option) : button;
        control.SetName(c.name);
        EXPECT_FALSE(c.acted()) << "before: " << Narrow(c.name);
        state->OnPageClick(control);
        EXPECT_TRUE(c.acted()) << Narrow(c.name);
    }
    // The printer's dialogs belong to the main window.
    ASSERT_EQ(machine.shellRuns.size(), 3u);
    for (const os::sim::ShellRun& run : machine.shellRuns) EXPECT_EQ(run.info.owner, owner);
    // The delete question was cancelled: the port is still there.
    EXPECT_NE(machine.FindPort(L"COM1:"), nullptr);
}

TEST_F(PageDispatch, ATickedOptionTurnsItsFlagOff) {
    ui::Option option;
    option.Selected(true);
    for (const wchar_t* name : {L"option_showall_deleteprinter", L"Option_ShowAll_DeleteDriver",
                                L"option_usecustom_pin", L"Option_Selected_DefaultPrinter"}) {
        option.SetName(name);
        state->OnPageClick(option);
    }
    const wizard::InstallRequest& request = state->Request();
    EXPECT_EQ(state->Filters().showAllPrinters, 0);
    EXPECT_EQ(state->Filters().showAllDrivers, 0);
    EXPECT_EQ(request.useCustomPin, 0);
    EXPECT_EQ(request.defaultPrinter, 0);
}

TEST_F(PageDispatch, EveryNotifyRowActsWhateverTheNamesCase) {
    auto& request = state->Request();
    struct Case {
        const wchar_t* name;
        const wchar_t* type;
        std::wstring text;      // an edit's text, or a row's user data
        bool row;
        std::function<bool()> acted;
    };
    request.bluetoothDevice = 5;
    request.usbDevice = 5;
    const Case cases[] = {
        {L"Edit_Find_DeletePrinter", L"textchanged", L"A4", false, [&] { return state->Filters().printerSearchText == L"A4"; }},
        // A row without a list reports no position.
        {L"ListEx_Install_Show_Blue_Item", L"itemclick", L"", true, [&] { return request.bluetoothDevice == -1; }},
        {L"LISTEX_INSTALL_SHOW_USB_ITEM", L"itemclick", L"", true, [&] { return request.usbDevice == -1; }},
        {L"listex_Install_Driver_Item", L"itemclick", L"0", true, [&] { return request.model == 0; }},
        {L"Listex_Install_Port_Item", L"itemclick", L"COM9:", true, [&] { return request.portName == L"COM9:"; }},
        {L"Edit_Install_Printer_Name", L"textchanged", L"Desk", false, [&] { return request.printerName == L"Desk"; }},
        {L"EDIT_INSTALL_LAN_IP", L"textchanged", L"10.1.1.1", false,
         [&] { return request.networkAddress == L"10.1.1.1"; }},
        {L"Edit_UseCustom_Pin", L"textchanged", L"12-ab", false, [&] { return request.pin == L"12ab"; }},
        {L"edit_install_LAN_portname", L"textchanged", L"IP_1", false, [&] { return request.portName == L"IP_1"; }},
    };
    for (const Case& c : cases) {
        ui::Edit edit;
        ui::ListContainerElement row;
        ui::Control& sender = c.row ? static_cast<ui::Control&>(row) : edit;
        sender.SetName(c.name);
        if (c.row) sender.SetUserData(c.text);
        else edit.SetText(c.text);
        ASSERT_FALSE(c.acted()) << "before: " << Narrow(c.name);
        // An edit takes only a change of its text.
        if (!c.row) {
            ui::Notification focus{L"setfocus", &sender, 0, 0};
            state->OnPageNotify(focus);
            EXPECT_FALSE(c.acted()) << "setfocus: " << Narrow(c.name);
        }
        ui::Notification notification{c.type, &sender, 0, 0};
        state->OnPageNotify(notification);
        EXPECT_TRUE(c.acted()) << Narrow(c.name);
    }
}

class UsbTestPrint : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        for (int i = 1; i <= 2; ++i) {
            const std::wstring path = L"\\\\?\\usb#sn" + std::to_wstring(i);
            machine.AddUsbPrinter(L"USB\\VID_0FE6&PID_811E\\SN" + std::to_wstring(i), path,
                                  static_cast<std::uint32_t>(i));
            os::sim::WriteTarget target;
            target.path = path;
            machine.writeTargets.push_back(target);
        }
        ChooseConnection(L"option_port_usb");
        SearchUsb();
        ASSERT_EQ(Page(), 2);
    }
};

TEST_F(UsbTestPrint, SendsThePortNameAndAFeedToTheChosenPrintersDevicePath) {
    ASSERT_TRUE(ClickRow(L"listex_install_show_usb", 1));
    ASSERT_EQ(state->Request().portName, L"USB002");
    ASSERT_TRUE(Click(L"btn_test_usb"));
    const std::wstring intro = common::TranslateKey(L"tip.currentportis");
    ASSERT_NE(intro, L"tip.currentportis");
    std::string expected = os::WideToAnsi(intro) + "USB002";
    expected += "\x1B\x4A\x78";
    EXPECT_EQ(std::string(machine.writeTargets[1].written.begin(), machine.writeTargets[1].written.end()), expected);
    EXPECT_TRUE(machine.writeTargets[0].written.empty());
    EXPECT_TRUE(Boxes().empty());

    // Each test sends the same bytes again, not appended to the last ones.
    machine.writeTargets[1].written.clear();
    ASSERT_TRUE(Click(L"btn_test_usb"));
    EXPECT_EQ(machine.writeTargets[1].written.size(), expected.size());
}

TEST_F(UsbTestPrint, NoChoiceSaysSoAndAChoicePastTheListIsIgnored) {
    state->Request().usbDevice = -1;
    ASSERT_TRUE(Click(L"btn_test_usb"));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, common::TranslateKey(L"tip.notselectusbport"));
    EXPECT_EQ(Boxes()[0].style, 0x40u);

    state->Request().usbDevice = 2;
    ASSERT_TRUE(Click(L"btn_test_usb"));
    EXPECT_EQ(Boxes().size(), 1u);
    for (const os::sim::WriteTarget& target : machine.writeTargets) EXPECT_TRUE(target.written.empty());
}

class PortButtons : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        AddPort(L"COM3:");
        ChooseConnection(L"option_port_com");
        ASSERT_TRUE(Next());
        ASSERT_TRUE(Next());
        ASSERT_EQ(Page(), 5);
        ASSERT_TRUE(ClickRow(kPortList, 1));
        ASSERT_EQ(state->Request().portName, L"COM3:");
    }
    std::wstring Question() { return common::FormatText(common::TranslateKey(L"tip.isdeleteport"), L"COM3:"); }
};

TEST_F(PortButtons, ConfirmedDeletionRebuildsTheListAndChoosesCom1Again) {
    Desktop::Instance().ScriptAnswers({ui::mb::kIdOk});
    ASSERT_TRUE(Click(L"btn_port_delete"));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, Question());
    EXPECT_EQ(Boxes()[0].style, 0x41u);
    EXPECT_EQ(Boxes()[0].owner, window->Handle());
    EXPECT_EQ(machine.FindPort(L"COM3:"), nullptr);
    EXPECT_EQ(FirstColumn(kPortList), std::vector<std::wstring>{L"COM1:"});
    EXPECT_EQ(MarkedRows(kPortList), std::vector<std::size_t>{0});
    EXPECT_EQ(state->Request().portName, L"COM1:");
    EXPECT_TRUE(NextShown());
}

TEST_F(PortButtons, CancelledDeletionChangesNothing) {
    Desktop::Instance().ScriptAnswers({ui::mb::kIdCancel});
    ASSERT_TRUE(Click(L"btn_port_delete"));
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_NE(machine.FindPort(L"COM3:"), nullptr);
    EXPECT_EQ(FirstColumn(kPortList), (std::vector<std::wstring>{L"COM1:", L"COM3:"}));
    EXPECT_EQ(MarkedRows(kPortList), std::vector<std::size_t>{1});
    EXPECT_EQ(state->Request().portName, L"COM3:");
}

TEST_F(PortButtons, RefusedDeletionShowsTheSystemsReason) {
    machine.FailCall(Operation::DeletePort, 5);  // ERROR_ACCESS_DENIED
    Desktop::Instance().ScriptAnswers({ui::mb::kIdOk});
    ASSERT_TRUE(Click(L"btn_port_delete"));
    ASSERT_EQ(Boxes().size(), 2u);
    const std::wstring reason = os::SystemErrorText(5);
    EXPECT_EQ(reason.rfind(L"Code: 5", 0), 0u);
    EXPECT_EQ(Boxes()[1].text, common::FormatText(common::TranslateKey(L"tip.deletefailreason"), reason));
    EXPECT_EQ(Boxes()[1].style, 0x40u);
    EXPECT_NE(machine.FindPort(L"COM3:"), nullptr);
    EXPECT_EQ(state->Request().portName, L"COM3:");
    EXPECT_EQ(MarkedRows(kPortList), std::vector<std::size_t>{1});
}

// Port 9100 of a loopback address of this process only (127.16x.x.y from
// the process id), so that test processes running side by side never meet.
class Listener {
public:
    explicit Listener(const std::string& address) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        const int yes = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in endpoint{};
        endpoint.sin_family = AF_INET;
        endpoint.sin_port = htons(9100);
        endpoint.sin_addr.s_addr = inet_addr(address.c_str());
        bound_ = bind(fd_, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) == 0 && listen(fd_, 8) == 0;
    }
    ~Listener() { close(fd_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    bool Bound() const { return bound_; }

private:
    int fd_;
    bool bound_;
};

std::string LoopbackAddress(int host) {
    const int pid = static_cast<int>(getpid());
    return "127." + std::to_string(160 + host) + "." + std::to_string((pid >> 8) & 0xFF) + "." +
           std::to_string(pid & 0xFF);
}

class NetworkTest : public WizardFixture {};

TEST_F(NetworkTest, TheTypedAddressIsCheckedAndTheAnswerShown) {
    ChooseConnection(L"option_port_net");
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    ASSERT_EQ(Page(), 6);
    const std::string answering = LoopbackAddress(0);
    const std::string silent = LoopbackAddress(1);
    Listener printer(answering);
    ASSERT_TRUE(printer.Bound());

    ASSERT_TRUE(Type(L"edit_install_lan_ip", std::wstring(answering.begin(), answering.end())));
    ASSERT_TRUE(Click(L"btn_checked_ip"));
    // The request is left stale: the edit is what counts.
    state->Request().networkAddress = std::wstring(silent.begin(), silent.end());
    ASSERT_TRUE(Type(L"edit_install_lan_ip", std::wstring(silent.begin(), silent.end())));
    state->Request().networkAddress = std::wstring(answering.begin(), answering.end());
    ASSERT_TRUE(Click(L"btn_checked_ip"));

    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].text, common::TranslateKey(L"tip.lancheckedok"));
    EXPECT_EQ(Boxes()[1].text, common::TranslateKey(L"tip.lancheckedfail"));
    EXPECT_NE(Boxes()[0].text, Boxes()[1].text);
    for (const auto& box : Boxes()) {
        EXPECT_EQ(box.style, 0x40u);
        EXPECT_EQ(box.caption, common::TranslateKey(L"tip.dlgtitle"));
    }
}

// The pop-up runs modally, so the window lives on a UI thread of its own.
class AddPortPopup : public testing_support::AppFixture {
protected:
    void TearDown() override {
        // A pop-up left open by a failed test closes first: its modal loop
        // runs inside the main window's click.
        if (ui::Window* popup = Popup(); popup && ui_) ui_->Run([popup] { popup->Close(0); });
        if (ui_) ui_->Run([this] { AppFixture::TearDown(); });
        ui_.reset();
    }
    // A click that opens the pop-up returns only when it closes.
    void OpenPopupWith(const wchar_t* name) {
        ui_->Run([this, name] { ui::headless::Click(*mainWindow, name); });
    }
    bool ClickMain(const wchar_t* name) {
        bool clicked = false;
        ui_->Run([&] { clicked = ui::headless::Click(*mainWindow, name); });
        return clicked;
    }
    ui::Window* Popup() { return Desktop::Instance().FindWindowByClass(L"PopAddPort"); }

    std::unique_ptr<ui::headless::UiThread> ui_ = std::make_unique<ui::headless::UiThread>();
    os::sim::Machine& machine = os::sim::TheMachine();
};

TEST_F(AddPortPopup, ListsTheMonitorsAddsPortsAndRefreshesThePortListWhenClosed) {
    for (os::sim::Monitor& monitor : machine.spooler.monitors)
        if (monitor.name == L"Local Port") monitor.addPortDialog.portToAdd = L"COM7:";
    machine.uiLanguage = 1054;  // Thai: a larger type than the layout's own
    ui_->Run([this] { OpenMainWindow(); });
    ASSERT_TRUE(ClickMain(L"btn_setup_next"));
    ASSERT_TRUE(ClickMain(L"option_port_com"));
    ASSERT_TRUE(ClickMain(L"btn_setup_next"));
    ASSERT_TRUE(ClickMain(L"btn_setup_next"));
    OpenPopupWith(L"btn_port_add");
    ui::Window* popup = Popup();
    ASSERT_NE(popup, nullptr);
    ui_->Run([&] {
        EXPECT_EQ(popup->DefaultFont().size, mainWindow->DefaultFont().size);
        EXPECT_EQ(popup->DefaultFont().size, 20);
    });

    std::vector<std::wstring> rows;
    ui_->Run([&] {
        auto* list = popup->Find<ui::List>(L"listex_addport_type");
        for (std::size_t i = 0; list && i < list->Count(); ++i) {
            auto* row = dynamic_cast<ui::ListTextExtElement*>(list->ItemAt(i));
            if (row == nullptr) continue;
            rows.push_back(row->ColumnText(0) + L" " + row->ColumnText(1));
            EXPECT_EQ(row->Name(), L"listex_addport_type_item");
            EXPECT_EQ(row->FixedHeight(), 30);
            EXPECT_FALSE(row->HasCheckBox()) << "a list of choices, not of marks";
        }
    });
    EXPECT_EQ(rows, (std::vector<std::wstring>{L"1 WSD Port", L"2 Standard TCP/IP Port", L"3 Local Port",
                                               L"4 Appmon"}));

    // Nothing chosen: the monitor is unknown and nothing is shown.
    ui_->Run([&] { EXPECT_TRUE(ui::headless::Click(*popup, L"btn_port_add")); });
    // Choose "Local Port", then add twice: its dialog runs each time.
    ui_->Run([&] {
        popup->Find<ui::List>(L"listex_addport_type")->ItemAt(2)->Activate();
        EXPECT_TRUE(ui::headless::Click(*popup, L"BTN_PORT_ADD"));
    });
    for (os::sim::Monitor& monitor : machine.spooler.monitors)
        if (monitor.name == L"Local Port") monitor.addPortDialog.portToAdd = L"COM8:";
    ui_->Run([&] { EXPECT_TRUE(ui::headless::Click(*popup, L"btn_port_add")); });
    EXPECT_NE(machine.FindPort(L"COM7:"), nullptr);
    EXPECT_NE(machine.FindPort(L"COM8:"), nullptr);
    EXPECT_TRUE(Desktop::Instance().MessageBoxes().empty());

    // The system's close command does not close it; its own buttons do.
    ui_->Run([&] { popup->SendMessage(ui::wm::kSysCommand, ui::sc::kClose); });
    ASSERT_EQ(Popup(), popup);
    std::vector<std::wstring> listed;
    ui_->Run([&] {
        auto& ports = Get<ui::List>(kPortList);
        for (std::size_t i = 0; i < ports.Count(); ++i) listed.push_back(ports.ItemAt(i)->UserData());
    });
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"COM1:"}));

    ui_->Run([&] { EXPECT_TRUE(ui::headless::Click(*popup, L"closebtn")); });
    EXPECT_EQ(Popup(), nullptr);
    listed.clear();
    ui_->Run([&] {
        auto& ports = Get<ui::List>(kPortList);
        for (std::size_t i = 0; i < ports.Count(); ++i) listed.push_back(ports.ItemAt(i)->UserData());
    });
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"COM1:", L"COM7:", L"COM8:"}));
    EXPECT_EQ(state->Request().portName, L"COM1:");
}

TEST_F(AddPortPopup, CancelClosesIt) {
    ui_->Run([this] { OpenMainWindow(); });
    ui_->Run([this] { state->OnPageClick(*mainWindow->FindControl(L"btn_port_add")); });
    ui::Window* popup = Popup();
    ASSERT_NE(popup, nullptr);
    ui_->Run([&] { EXPECT_TRUE(ui::headless::Click(*popup, L"Btn_Port_Cancel")); });
    EXPECT_EQ(Popup(), nullptr);
}

}  // namespace
