// The Bluetooth path of the wizard on a simulated machine with an adapter:
// the adapter row, the scan worker, the list, the PIN check, and the steps
// the install takes before the driver.
#include "WizardFixture.h"
#include "support/SimTest.h"

namespace {

using testing_support::WizardFixture;
using wizard::ConnectionType;

constexpr std::uint64_t kAddress = 0x001B35E40D7A;
constexpr wchar_t kList[] = L"listex_install_show_blue";

class BluetoothWizard : public WizardFixture {
protected:
    os::sim::BluetoothDevice& AddPrinter(std::uint64_t address, const std::wstring& name, bool paired = false) {
        os::sim::BluetoothDevice& device = testing_support::AddBluetoothDevice(machine, address, name);
        device.record.authenticated = paired;
        return device;
    }
    std::wstring AdapterRow() { return Get<ui::Control>(L"label_bluetooth_adapter_info").Text(); }
    // Page 3 after a scan.
    void ScanToList() {
        ChooseConnection(L"option_port_bluetooth");
        ASSERT_TRUE(Next());
        ASSERT_TRUE(PumpUntil([this] { return Page() != 1; }));
        ASSERT_EQ(Page(), 3);
    }
    std::vector<std::wstring> LogLines() {
        std::vector<std::wstring> lines;
        std::wstring all = Get<ui::RichEdit>(L"wordedit_installInfo").Content();
        for (std::size_t start = 0; start < all.size();) {
            const std::size_t end = all.find(L"\r\n", start);
            std::wstring line = all.substr(start, end - start);
            lines.push_back(line.substr(line.find(L" : ") + 3));  // without the time stamp
            if (end == std::wstring::npos) break;
            start = end + 2;
        }
        return lines;
    }
    std::wstring Key(const wchar_t* key) { return common::TranslateKey(key); }
};

TEST_F(BluetoothWizard, AdapterRowAndBoxFollowTheAdapter) {
    struct Case {
        bool adapter;
        bool radioOn;
        const wchar_t* row;
        bool passes;
    };
    const Case cases[] = {
        {false, false, L"tip.btadapter.none", false},
        {true, false, L"tip.btadapter.off", false},
        {true, true, L"tip.btadapter.on", true},
    };
    for (const Case& c : cases) {
        machine.Reset();
        ui::headless::Desktop::Instance().Reset();
        if (c.adapter) machine.AddBluetoothAdapter(c.radioOn);
        state->GoHome();
        ChooseConnection(L"option_port_bluetooth");
        EXPECT_TRUE(Get<ui::Control>(L"hor_bluetooth_adapter").IsVisible());
        EXPECT_EQ(AdapterRow(), c.row);
        EXPECT_TRUE(Boxes().empty()) << "choosing the option shows no box";
        EXPECT_EQ(state->CheckBluetoothAdapter(true), c.passes);
        EXPECT_EQ(Boxes().size(), c.passes ? 0u : 1u);
        if (!c.passes) {
            EXPECT_EQ(Boxes()[0].text, Key(L"tip.btadapter.pleasechecked"));
        }
    }
}

TEST_F(BluetoothWizard, ScanListsPrintersWithoutChoosingOne) {
    machine.AddBluetoothAdapter(true);
    AddPrinter(kAddress, L"A4 Printer BT", true);
    AddPrinter(kAddress + 1, L"A4-300 Office");
    state->Request().portName = L"COM1:";
    ScanToList();
    EXPECT_EQ(FirstColumn(kList), (std::vector<std::wstring>{L"A4 Printer BT", L"A4-300 Office"}));
    EXPECT_EQ(Column(kList, 0, 2), L"00-1B-35-E4-0D-7A");
    EXPECT_TRUE(Row(kList, 0).FindControl(L"label1_icon")->IsVisible());
    EXPECT_FALSE(Row(kList, 1).FindControl(L"label1_icon")->IsVisible());
    EXPECT_TRUE(MarkedRows(kList).empty());
    EXPECT_FALSE(NextShown());
    // A scan forgets the port of another path and any earlier choice.
    EXPECT_EQ(state->Request().portName, L"");
    EXPECT_EQ(state->Request().bluetoothDevice, -1);

    ASSERT_TRUE(ClickRow(kList, 1));
    EXPECT_EQ(state->Request().bluetoothDevice, 1);
    ASSERT_TRUE(Type(L"edit_usecustom_pin", L""));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 3) << "an empty PIN keeps the list";
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, Key(L"tip.pinerror"));
    ASSERT_TRUE(Type(L"edit_usecustom_pin", L"0000"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 4);
    // Back to the list keeps it, back again and Next scans anew.
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Page(), 3);
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Page(), 0);
    machine.bluetooth.devices.pop_back();
    ASSERT_TRUE(Next());
    ASSERT_TRUE(PumpUntil([this] { return Page() == 3; }));
    EXPECT_EQ(FirstColumn(kList), std::vector<std::wstring>{L"A4 Printer BT"});
    EXPECT_EQ(state->Request().bluetoothDevice, -1);
}

TEST_F(BluetoothWizard, NothingInReachLeavesOnlyPrevious) {
    machine.AddBluetoothAdapter(true);
    ScanToList();
    EXPECT_EQ(ListOf(kList).Count(), 0u);
    EXPECT_FALSE(NextShown());
    EXPECT_TRUE(PreviousShown());
}

class BluetoothInstallSteps : public BluetoothWizard {
protected:
    void SetUp() override {
        BluetoothWizard::SetUp();
        machine.AddBluetoothAdapter(true);
        AddPrinter(kAddress, L"A4 Printer BT").pin = L"1234";
        ScanToList();
        ASSERT_TRUE(ClickRow(kList, 0));
        state->Request().pin = L"1234";
    }
    void AddItsComPort(const std::wstring& port) {
        machine.AddComPort(L"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f\\7&1a2b&0&001b35e40d7a_C00000000",
                           port);
    }
};

TEST_F(BluetoothInstallSteps, PairedAndOnItsComPort) {
    AddItsComPort(L"COM5");
    EXPECT_TRUE(state->ConnectBluetoothPrinter());
    EXPECT_EQ(state->Request().portName, L"COM5:");
    EXPECT_EQ(LogLines(), (std::vector<std::wstring>{Key(L"tip.startpairbluetooth"), Key(L"tip.pairbluetoothsuccess"),
                                                     common::FormatText(Key(L"tip.readbluetoothserialport"), L"COM5:")}));
    ASSERT_EQ(machine.bluetooth.localServiceCalls.size(), 1u) << "the spooler did not know COM5:";
    EXPECT_EQ(machine.bluetooth.localServiceCalls[0].info.name, L"SPP slave");
    EXPECT_EQ(machine.bluetooth.localServiceCalls[0].info.deviceString, L"COM5");
    EXPECT_EQ(machine.bluetooth.localServiceCalls[0].info.address, kAddress);
}

TEST_F(BluetoothInstallSteps, AKnownPortIsNotRegisteredAgain) {
    AddItsComPort(L"COM5");
    AddPort(L"COM5:");
    EXPECT_TRUE(state->ConnectBluetoothPrinter());
    EXPECT_TRUE(machine.bluetooth.localServiceCalls.empty());
}

TEST_F(BluetoothInstallSteps, ARefusedPinEndsTheInstallWithTheRedLine) {
    state->Request().pin = L"9999";
    EXPECT_FALSE(state->ConnectBluetoothPrinter());
    EXPECT_EQ(LogLines(), (std::vector<std::wstring>{Key(L"tip.startpairbluetooth"),
                                                     common::FormatText(Key(L"tip.pairbluetoothfailpinis"), L"9999")}));
    const auto& runs = Get<ui::RichEdit>(L"wordedit_installInfo").Runs();
    EXPECT_EQ(runs.back().format.colorRef, 0x000000FFu) << "the failure is red";
    EXPECT_TRUE(machine.bluetooth.serviceStateCalls.empty());
}

TEST_F(BluetoothInstallSteps, NoComPortAfterFortyOneLooksEndsTheInstall) {
    EXPECT_FALSE(state->ConnectBluetoothPrinter());
    EXPECT_EQ(LogLines().back(), Key(L"tip.getbluetoothserialportfail"));
    EXPECT_EQ(Get<ui::RichEdit>(L"wordedit_installInfo").Runs().back().format.colorRef, 0x000000FFu) << "red";
    EXPECT_EQ(state->Request().portName, L"");
}

TEST_F(BluetoothInstallSteps, AChoiceOutsideTheListIsAFailedPairingNotACrash) {
    state->Request().bluetoothDevice = 7;
    EXPECT_FALSE(state->ConnectBluetoothPrinter());
    EXPECT_EQ(LogLines().back(), common::FormatText(Key(L"tip.pairbluetoothfailpinis"), L"1234"));
}

}  // namespace
