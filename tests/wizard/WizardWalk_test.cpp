// The install wizard walked through the main window, path by path.
#include "WizardFixture.h"

#include "os/ErrorText.h"

#include <future>

namespace {

using Operation = os::sim::Operation;
using testing_support::WizardFixture;
using wizard::ConnectionType;

constexpr wchar_t kUsbList[] = L"listex_install_show_usb";
constexpr wchar_t kModelList[] = L"listex_install_driver_moudel";
constexpr wchar_t kPortList[] = L"listex_install_driver_port";

class UsbPath : public WizardFixture {
protected:
    void Attach(int count) {
        for (int i = 1; i <= count; ++i)
            machine.AddUsbPrinter(L"USB\\VID_0FE6&PID_811E\\SN" + std::to_wstring(i),
                                  L"\\\\?\\usb#sn" + std::to_wstring(i), static_cast<std::uint32_t>(i));
    }
};

TEST_F(UsbPath, FirstNextShowsTheConnectionPageWithUsbChosen) {
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 0);
    EXPECT_TRUE(Get<ui::Option>(L"option_port_usb").IsSelected());
    EXPECT_EQ(state->Request().connectionType, ConnectionType::Usb);
    EXPECT_FALSE(Get<ui::Control>(L"hor_bluetooth_adapter").IsVisible());
    EXPECT_TRUE(NextShown());
    EXPECT_TRUE(PreviousShown());

    // Home and back keeps the connection chosen before.
    ASSERT_TRUE(Click(L"option_port_com"));
    ASSERT_TRUE(Previous());
    EXPECT_EQ(state->OuterPage(), 0);
    ASSERT_TRUE(Next());
    EXPECT_TRUE(Get<ui::Option>(L"option_port_com").IsSelected());
    EXPECT_EQ(state->Request().connectionType, ConnectionType::Com);
}

TEST_F(UsbPath, SearchingPageHidesTheButtonsUntilTheSearchEnds) {
    Attach(1);
    ChooseConnection(L"option_port_usb");
    // Hold the search inside the system call so the page can be looked at.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    machine.BeforeCall(Operation::SetupDiGetClassDevs, 1, [released] { released.wait(); });
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 1);
    EXPECT_FALSE(NextShown());
    EXPECT_FALSE(PreviousShown());
    EXPECT_TRUE(Get<ui::GifAnim>(L"ani_gif_search").IsPlaying());
    release.set_value();
    ASSERT_TRUE(PumpUntil([this] { return Page() == 2; }));
    EXPECT_TRUE(NextShown());
}

TEST_F(UsbPath, NoPrinterLeavesOnlyPrevious) {
    ChooseConnection(L"option_port_usb");
    SearchUsb();
    EXPECT_EQ(Page(), 2);
    EXPECT_EQ(ListOf(kUsbList).Count(), 0u);
    EXPECT_FALSE(NextShown());
    EXPECT_TRUE(PreviousShown());
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Page(), 0);
    EXPECT_TRUE(NextShown());
}

TEST_F(UsbPath, OnePrinterIsChosenAndTheModelPageFollows) {
    Attach(1);
    ChooseConnection(L"option_port_usb");
    SearchUsb();
    ASSERT_EQ(ListOf(kUsbList).Count(), 1u);
    EXPECT_EQ(Column(kUsbList, 0, 1), L"USB001");
    EXPECT_EQ(Column(kUsbList, 0, 2), L"VID_0FE6 PID_811E");
    EXPECT_EQ(Row(kUsbList, 0).Name(), L"listex_install_show_usb_item");
    EXPECT_EQ(Find<ui::Option>(Row(kUsbList, 0))->Group(), L"listex_install_show_usb_group");
    EXPECT_EQ(MarkedRows(kUsbList), std::vector<std::size_t>{0});
    EXPECT_EQ(state->Request().usbDevice, 0);
    EXPECT_EQ(state->Request().portName, L"USB001");
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 4);
}

TEST_F(UsbPath, TwoPrintersBackAndForthAndANewSearch) {
    Attach(2);
    ChooseConnection(L"option_port_usb");
    SearchUsb();
    EXPECT_EQ(FirstColumn(kUsbList), (std::vector<std::wstring>{L"USB001", L"USB002"}));
    EXPECT_EQ(MarkedRows(kUsbList), std::vector<std::size_t>{0});

    ASSERT_TRUE(ClickRow(kUsbList, 1));
    EXPECT_EQ(MarkedRows(kUsbList), std::vector<std::size_t>{1});
    EXPECT_EQ(state->Request().usbDevice, 1);
    EXPECT_EQ(state->Request().portName, L"USB002");

    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 4);
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Page(), 2);
    EXPECT_EQ(MarkedRows(kUsbList), std::vector<std::size_t>{1});
    EXPECT_EQ(state->Request().portName, L"USB002");

    // Back from the list skips the searching page.
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Page(), 0);
    EXPECT_EQ(state->Position(), 0);
    SearchUsb();
    EXPECT_EQ(Page(), 2);
    EXPECT_EQ(MarkedRows(kUsbList), std::vector<std::size_t>{0});
    EXPECT_EQ(state->Request().usbDevice, 0);
    EXPECT_EQ(state->Request().portName, L"USB001");
}

TEST_F(UsbPath, ThroughToTheInstallAndHome) {
    Attach(1);
    ChooseConnection(L"option_port_usb");
    SearchUsb();
    ASSERT_TRUE(Next());  // model
    ASSERT_TRUE(Next());  // name
    EXPECT_EQ(Page(), 7);
    ASSERT_TRUE(Next());  // summary
    EXPECT_EQ(Page(), 8);
    EXPECT_EQ(Get<ui::Control>(L"label_ready_driverName").Text(), L"A4 Printer(300dpi)");
    EXPECT_EQ(Get<ui::Control>(L"label_ready_portName").Text(), L"USB001");
    EXPECT_EQ(Get<ui::Control>(L"label_ready_printerName").Text(), L"A4 Printer(300dpi)");
    EXPECT_EQ(Get<ui::Control>(L"label_ready_printerName").ToolTip(), L"A4 Printer(300dpi)");
    EXPECT_EQ(Get<ui::Control>(L"label_ready_prinerDefault").Text(), common::TranslateKey(L"tip.yes"));

    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 9);
    ASSERT_TRUE(PumpUntil([this] { return Get<ui::Control>(L"hor_btn_h1").IsVisible(); }));
    EXPECT_FALSE(Get<ui::Control>(L"hor_btn_h2").IsVisible());
    EXPECT_FALSE(Get<ui::GifAnim>(L"ani_gif_install").IsVisible());
    // Nothing was added, so the printer's own dialogs stay out of reach.
    EXPECT_FALSE(Get<ui::Control>(L"btn_setup_preferences").IsVisible());

    ASSERT_TRUE(Click(L"btn_setup_index"));
    EXPECT_EQ(state->OuterPage(), 0);
    EXPECT_EQ(Get<ui::TabLayout>(L"tab_switch").CurrentSel(), 0);
    EXPECT_TRUE(Get<ui::Control>(L"hor_btn_h2").IsVisible());
    EXPECT_FALSE(Get<ui::Control>(L"hor_btn_h1").IsVisible());
    // Coming back finds the earlier choices.
    ASSERT_TRUE(Next());
    EXPECT_TRUE(Get<ui::Option>(L"option_port_usb").IsSelected());
    EXPECT_EQ(state->Request().model, 1);
}

TEST_F(UsbPath, PageEventsMatchNamesWhateverTheirCase) {
    ui::Option option;
    option.SetName(L"Option_Port_NET");
    state->OnPageClick(option);
    EXPECT_EQ(state->Request().connectionType, ConnectionType::Network);
    ui::Edit edit;
    edit.SetName(L"EDIT_install_lan_ip");
    edit.SetText(L"10.0.0.1");
    ui::Notification changed{L"textchanged", &edit, 0, 0};
    state->OnPageNotify(changed);
    EXPECT_EQ(state->Request().networkAddress, L"10.0.0.1");
    // Only a change of text is an edit's news.
    edit.SetText(L"10.0.0.2");
    ui::Notification other{L"setfocus", &edit, 0, 0};
    state->OnPageNotify(other);
    EXPECT_EQ(state->Request().networkAddress, L"10.0.0.1");
}

class ModelPage : public WizardFixture {};

TEST_F(ModelPage, ThreeHundredDpiFirstThenTheUsersChoice) {
    ChooseConnection(L"option_port_lpt");
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 4);
    EXPECT_EQ(FirstColumn(kModelList), (std::vector<std::wstring>{L"A4 Printer(203dpi)", L"A4 Printer(300dpi)"}));
    EXPECT_EQ(MarkedRows(kModelList), std::vector<std::size_t>{1});
    EXPECT_EQ(state->Request().model, 1);
    EXPECT_TRUE(NextShown());

    ASSERT_TRUE(ClickRow(kModelList, 0));
    EXPECT_EQ(state->Request().model, 0);
    EXPECT_EQ(MarkedRows(kModelList), std::vector<std::size_t>{0});
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 5);
    ASSERT_TRUE(Previous());
    EXPECT_EQ(MarkedRows(kModelList), std::vector<std::size_t>{0});
    // The choice also survives a change of path.
    ASSERT_TRUE(Previous());
    ASSERT_TRUE(Click(L"option_port_net"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(MarkedRows(kModelList), std::vector<std::size_t>{0});
}

class PortPaths : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        // Reset gives LPT1:, COM1:, FILE:.
        AddPort(L"COM3:");
        AddPort(L"USB001", L"USB Monitor");
    }
    // Page 5 of a port path.
    void OpenPortList(const wchar_t* option) {
        ChooseConnection(option);
        ASSERT_TRUE(Next());
        ASSERT_TRUE(Next());
        ASSERT_EQ(Page(), 5);
    }
};

TEST_F(PortPaths, EachPathListsItsPortsAndPreselectsItsDefault) {
    struct Case {
        const wchar_t* option;
        std::vector<std::wstring> listed;
        std::size_t marked;
        const wchar_t* portName;
    };
    const Case cases[] = {
        {L"option_port_com", {L"COM1:", L"COM3:"}, 0, L"COM1:"},
        {L"option_port_lpt", {L"LPT1:"}, 0, L"LPT1:"},
        {L"option_port_custom", {L"LPT1:", L"COM1:", L"FILE:", L"COM3:", L"USB001"}, 1, L"COM1:"},
    };
    for (const Case& c : cases) {
        state->Request().portName.clear();
        OpenPortList(c.option);
        EXPECT_EQ(FirstColumn(kPortList), c.listed);
        EXPECT_EQ(MarkedRows(kPortList), std::vector<std::size_t>{c.marked});
        EXPECT_EQ(state->Request().portName, c.portName);
        EXPECT_TRUE(NextShown());
        ASSERT_TRUE(Previous() && Previous() && Previous());
    }
}

TEST_F(PortPaths, ColumnsArePortMonitorAndDescription) {
    OpenPortList(L"option_port_custom");
    EXPECT_EQ(Column(kPortList, 4, 1), L"USB001");
    EXPECT_EQ(Column(kPortList, 4, 2), L"USB Monitor");
    EXPECT_EQ(Column(kPortList, 4, 3), L"Local Port");
    EXPECT_EQ(Row(kPortList, 4).UserData(), L"USB001");
}

TEST_F(PortPaths, AStalePortNameFromAnotherPathSelectsNothing) {
    state->Request().portName = L"USB001";  // left by a USB pass
    OpenPortList(L"option_port_com");
    EXPECT_TRUE(MarkedRows(kPortList).empty());
    EXPECT_FALSE(NextShown());
    ASSERT_TRUE(ClickRow(kPortList, 1));
    EXPECT_EQ(state->Request().portName, L"COM3:");
    EXPECT_TRUE(NextShown());
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 7);
    ASSERT_TRUE(Previous());
    EXPECT_EQ(MarkedRows(kPortList), std::vector<std::size_t>{1});
}

TEST_F(PortPaths, NoPortsAtAllLeavesNextHidden) {
    machine.FailCall(Operation::EnumPorts, 5);
    OpenPortList(L"option_port_lpt");
    EXPECT_EQ(ListOf(kPortList).Count(), 0u);
    EXPECT_FALSE(NextShown());
}

class NetworkPath : public WizardFixture {
protected:
    void OpenNetworkPage() {
        ChooseConnection(L"option_port_net");
        ASSERT_TRUE(Next());
        ASSERT_TRUE(Next());
        ASSERT_EQ(Page(), 6);
    }
    std::wstring Verdict() { return Get<ui::Control>(L"label_show_lanPort_info").Text(); }
};

TEST_F(NetworkPath, ProposalSkipsPortsInUse) {
    AddPort(L"192.168.1.100", L"Standard TCP/IP Port");
    AddPort(L"192.168.1.100_1", L"Standard TCP/IP Port");
    OpenNetworkPage();
    EXPECT_EQ(Get<ui::Edit>(L"edit_install_lan_ip").Text(), L"192.168.1.100");
    EXPECT_EQ(Get<ui::Edit>(L"edit_install_lan_portName").Text(), L"192.168.1.100_2");
    EXPECT_EQ(state->Request().networkAddress, L"192.168.1.100");
    EXPECT_EQ(state->Request().portName, L"192.168.1.100_2");
    EXPECT_TRUE(NextShown());
}

// Until the user types a port name, it follows the typed address by the
// same proposal rule; one the user typed is never overwritten.
TEST_F(NetworkPath, ThePortNameFollowsTheAddressUntilTyped) {
    AddPort(L"10.0.0.7", L"Standard TCP/IP Port");
    OpenNetworkPage();
    const auto port = [this] { return Get<ui::Edit>(L"edit_install_lan_portName").Text(); };
    ASSERT_TRUE(Type(L"edit_install_lan_ip", L"10.0.0.8"));
    EXPECT_EQ(port(), L"10.0.0.8");
    ASSERT_TRUE(Type(L"edit_install_lan_ip", L"10.0.0.7"));
    EXPECT_EQ(port(), L"10.0.0.7_1");
    EXPECT_EQ(state->Request().portName, L"10.0.0.7_1");
    ASSERT_TRUE(Type(L"edit_install_lan_portName", L"Front desk port"));
    ASSERT_TRUE(Type(L"edit_install_lan_ip", L"10.0.0.9"));
    EXPECT_EQ(port(), L"Front desk port");
    EXPECT_EQ(state->Request().portName, L"Front desk port");
    EXPECT_EQ(state->Request().networkAddress, L"10.0.0.9");
}

TEST_F(NetworkPath, InvalidAddressAndTakenPortKeepThePage) {
    OpenNetworkPage();
    ASSERT_TRUE(Type(L"edit_install_lan_ip", L"10.0.0.256"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 6);
    EXPECT_EQ(Verdict(), L"The IP address is not valid");
    EXPECT_TRUE(Get<ui::Edit>(L"edit_install_lan_ip").IsFocused());
    EXPECT_EQ(state->Request().networkAddress, L"10.0.0.256");

    ASSERT_TRUE(Type(L"edit_install_lan_ip", L"10.0.0.25"));
    ASSERT_TRUE(Type(L"edit_install_lan_portName", L"COM1:"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 6);
    EXPECT_EQ(Verdict(), L"The port already exists. Please enter another name.");
    EXPECT_TRUE(Get<ui::Edit>(L"edit_install_lan_portName").IsFocused());

    ASSERT_TRUE(Type(L"edit_install_lan_portName", L"IP_10.0.0.25"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 7);
    EXPECT_EQ(state->Request().portName, L"IP_10.0.0.25");
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Verdict(), L"");
    EXPECT_EQ(Get<ui::Edit>(L"edit_install_lan_ip").Text(), L"10.0.0.25");
}

TEST_F(NetworkPath, StoredAddressKeepsWhateverPortNameTheRequestHolds) {
    OpenNetworkPage();
    // A USB pass in between leaves its port name in the request.
    ASSERT_TRUE(Click(L"btn_setup_previous"));
    ASSERT_TRUE(Click(L"btn_setup_previous"));
    state->Request().portName = L"USB001";
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    EXPECT_EQ(Get<ui::Edit>(L"edit_install_lan_ip").Text(), L"192.168.1.100");
    EXPECT_EQ(Get<ui::Edit>(L"edit_install_lan_portName").Text(), L"USB001");
}

class ProtectedPrintHome : public WizardFixture {};

// With the mode on, Install stops on the home page with the log's words;
// the delete tab opens as ever.
TEST_F(ProtectedPrintHome, InstallIsRefusedAtHomeAndRemovalStillOpens) {
    machine.protectedPrint = true;
    ASSERT_TRUE(Next());
    EXPECT_EQ(state->OuterPage(), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, common::TranslateKey(L"tip.protectedprint"));
    ASSERT_TRUE(Click(L"option_delete"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(state->OuterPage(), 2);
}

class BluetoothPath : public WizardFixture {};

TEST_F(BluetoothPath, WithoutAnAdapterTheWizardStaysAndSaysSo) {
    ChooseConnection(L"option_port_bluetooth");
    EXPECT_EQ(state->Request().connectionType, ConnectionType::Bluetooth);
    EXPECT_TRUE(Get<ui::Control>(L"hor_bluetooth_adapter").IsVisible());
    EXPECT_EQ(Get<ui::Control>(L"label_bluetooth_adapter_info").Text(), L"tip.btadapter.none");
    EXPECT_TRUE(Boxes().empty());
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 0);
    EXPECT_EQ(state->Position(), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, common::TranslateKey(L"tip.btadapter.pleasechecked"));
    // Another connection hides the row again.
    ASSERT_TRUE(Click(L"option_port_usb"));
    EXPECT_FALSE(Get<ui::Control>(L"hor_bluetooth_adapter").IsVisible());
}

TEST_F(BluetoothPath, DeviceListNeverPreselectsAndShowsPairedDevices) {
    ASSERT_TRUE(Next());
    bluetooth::BluetoothDeviceInfo paired;
    paired.name = L"A4 BT";
    paired.address = 0x001B35E40D7A;
    paired.authenticated = true;
    bluetooth::BluetoothDeviceInfo other = paired;
    other.name = L"Other";
    other.authenticated = false;
    state->BluetoothDevices() = {paired, other};
    state->Request().bluetoothDevice = 1;
    Get<ui::TabLayout>(L"tab_switch_install").SelectItem(3);
    state->ShowBluetoothList();
    const wchar_t* list = L"listex_install_show_blue";
    EXPECT_EQ(FirstColumn(list), (std::vector<std::wstring>{L"A4 BT", L"Other"}));
    EXPECT_EQ(Column(list, 0, 2), L"00-1B-35-E4-0D-7A");
    EXPECT_TRUE(Row(list, 0).FindControl(L"label1_icon")->IsVisible());
    EXPECT_FALSE(Row(list, 1).FindControl(L"label1_icon")->IsVisible());
    EXPECT_TRUE(MarkedRows(list).empty());
    EXPECT_FALSE(NextShown());
    EXPECT_EQ(Get<ui::Edit>(L"edit_usecustom_pin").Text(), L"5290");
    ASSERT_TRUE(ClickRow(list, 1));
    EXPECT_EQ(state->Request().bluetoothDevice, 1);
    EXPECT_TRUE(NextShown());
}

TEST_F(BluetoothPath, PinKeepsOnlyLettersAndDigits) {
    ASSERT_TRUE(Next());
    Get<ui::TabLayout>(L"tab_switch_install").SelectItem(3);
    ASSERT_TRUE(Type(L"edit_usecustom_pin", L"12-3 4"));
    auto& edit = Get<ui::Edit>(L"edit_usecustom_pin");
    EXPECT_EQ(edit.Text(), L"1234");
    EXPECT_EQ(edit.SelStart(), 4);
    EXPECT_EQ(edit.SelEnd(), 4);
    EXPECT_TRUE(edit.IsFocused());
    EXPECT_EQ(state->Request().pin, L"1234");
    ASSERT_TRUE(Type(L"edit_usecustom_pin", L"ab\u00e9C"));
    EXPECT_EQ(state->Request().pin, L"abC");

    EXPECT_TRUE(state->CheckPin());
    ASSERT_TRUE(Type(L"edit_usecustom_pin", L"--"));
    EXPECT_EQ(state->Request().pin, L"");
    EXPECT_FALSE(state->CheckPin());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, common::TranslateKey(L"tip.pinerror"));

    EXPECT_EQ(state->Request().useCustomPin, 0);
    ASSERT_TRUE(Click(L"option_usecustom_pin"));
    EXPECT_EQ(state->Request().useCustomPin, 1);
    ASSERT_TRUE(Click(L"option_usecustom_pin"));
    EXPECT_EQ(state->Request().useCustomPin, 0);
}

}  // namespace

namespace {

class HomePage : public WizardFixture {};

// The way home forgets the printer list; the spooler is asked when the list
// is first read, so the window's first paint does not wait for it.
TEST_F(HomePage, ThePrinterListIsTakenWhenFirstReadAfterTheWayHome) {
    const auto names = [this] {
        std::vector<std::wstring> listed;
        for (const auto& printer : state->InstalledPrinters()) listed.push_back(printer.first);
        return listed;
    };
    AddPrinter(L"After the first paint");
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"After the first paint"}));
    AddPrinter(L"Later");
    EXPECT_EQ(names().size(), 1u) << "kept until the next way home";
    state->GoHome();
    EXPECT_EQ(names(), (std::vector<std::wstring>{L"After the first paint", L"Later"}));
}

}  // namespace
