#include "bluetooth/Bluetooth.h"

#include "support/SimTest.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using bluetooth::BluetoothDeviceInfo;
using os::sim::Operation;

constexpr os::Guid kSerialPortService = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5f, 0x9b, 0x34, 0xfb}};
constexpr std::uint64_t kAddress = 0x001B35E40D7A;
constexpr std::uint32_t kRendering = 0x040680;

// A serial port of a Bluetooth link to the device with that address.
std::wstring LinkInstanceId(const std::wstring& address) {
    return L"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f\\7&1a2b3c4d&0&" + address + L"_C00000000";
}

class Bluetooth : public SimTest {
protected:
    os::sim::BluetoothDevice& AddDevice(std::uint64_t address, std::uint32_t classOfDevice, const std::wstring& name) {
        return testing_support::AddBluetoothDevice(machine, address, name, classOfDevice);
    }

    // The record as a scan hands it to the wizard.
    BluetoothDeviceInfo Device(std::uint64_t address = kAddress) {
        BluetoothDeviceInfo device;
        device.address = address;
        device.classOfDevice = kRendering;
        device.name = L"A4 Printer BT";
        return device;
    }

    std::vector<BluetoothDeviceInfo> Scan() {
        std::vector<BluetoothDeviceInfo> devices(1);  // a stale entry the scan must drop
        bluetooth::ScanBluetoothPrinters(devices);
        return devices;
    }

    static std::vector<std::wstring> Names(const std::vector<BluetoothDeviceInfo>& devices) {
        std::vector<std::wstring> names;
        for (const auto& device : devices) names.push_back(device.name);
        return names;
    }
};

TEST_F(Bluetooth, AdapterAndRadioStates) {
    enum class Setup { Nothing, OtherDevicesOnly, AdapterOff, AdapterOn, AdapterOnAfterOthers, AdapterNotYetPresent };
    struct Case {
        Setup setup;
        bool adapter;
        bool radio;
    };
    const Case cases[] = {
        {Setup::Nothing, false, false},          {Setup::OtherDevicesOnly, false, false},
        {Setup::AdapterOff, true, false},        {Setup::AdapterOn, true, true},
        {Setup::AdapterOnAfterOthers, true, true}, {Setup::AdapterNotYetPresent, false, false},
    };
    for (const Case& c : cases) {
        machine.Reset();
        if (c.setup == Setup::OtherDevicesOnly || c.setup == Setup::AdapterOnAfterOthers) {
            machine.AddUsbPrinter(L"USB\\VID_0FE6&PID_811E\\1", L"usb", 1);
            machine.AddComPort(LinkInstanceId(L"001B35E40D7A"), L"COM5");
        }
        if (c.setup == Setup::AdapterOff) machine.AddBluetoothAdapter(false);
        if (c.setup == Setup::AdapterOn || c.setup == Setup::AdapterOnAfterOthers) machine.AddBluetoothAdapter(true);
        if (c.setup == Setup::AdapterNotYetPresent) machine.AddBluetoothAdapter(true).presentFromMs = 5000;
        const int setup = static_cast<int>(c.setup);
        EXPECT_EQ(bluetooth::HasBluetoothAdapter(), c.adapter) << "setup " << setup;
        EXPECT_EQ(bluetooth::HasBluetoothRadio(), c.radio) << "setup " << setup;
        EXPECT_EQ(machine.OpenHandleCount(), 0u) << "setup " << setup;
    }
}

TEST_F(Bluetooth, NoAdapterWhenTheDeviceSetCannotBeMadeOrRead) {
    machine.AddBluetoothAdapter(true);
    machine.FailCall(Operation::SetupDiGetClassDevs, 5);
    EXPECT_FALSE(bluetooth::HasBluetoothAdapter());
    machine.FailCall(Operation::SetupDiEnumDeviceInfo, 13);
    EXPECT_FALSE(bluetooth::HasBluetoothAdapter());
    EXPECT_TRUE(bluetooth::HasBluetoothAdapter());
}

TEST_F(Bluetooth, ScanListsNamedPrintersOfTheThreeClassesInTheSystemsOrder) {
    machine.AddBluetoothAdapter(true);
    AddDevice(0x01, 0x100680, L"object transfer");
    AddDevice(0x02, 0x040681, L"one bit more");
    AddDevice(0x03, kRendering, L"");
    AddDevice(0x04, 0x001F1F, L"uncategorised");
    AddDevice(0x05, 0x0C0680, L"more service bits");
    AddDevice(0x06, 0x040280, L"another minor class");
    AddDevice(0x07, 0x001F1E, L"almost uncategorised");
    AddDevice(0x08, kRendering, L"rendering");
    AddDevice(0x09, 0x5A020C, L"a phone");
    EXPECT_EQ(Names(Scan()), (std::vector<std::wstring>{L"object transfer", L"uncategorised", L"rendering"}));
}

TEST_F(Bluetooth, ScanInquiresAllRadiosForEveryKindOfDeviceAndKeepsWholeRecords) {
    machine.AddBluetoothAdapter(true);
    auto& paired = AddDevice(kAddress, kRendering, L"A4 Printer BT");
    paired.record.authenticated = paired.record.remembered = true;
    paired.record.lastSeen = {2024, 3, 5, 7, 9, 30, 15, 250};
    paired.record.lastUsed = {2024, 2, 1, 1, 8, 0, 0, 0};
    paired.inReach = false;  // known to the system, so reported anyway
    AddDevice(0x00AABBCCDDEE, 0x100680, L"New printer").record.connected = true;

    const auto devices = Scan();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(bluetooth::FormatBluetoothAddress(devices[0].address, false), L"001B35E40D7A");
    EXPECT_TRUE(devices[0].authenticated);
    EXPECT_TRUE(devices[0].remembered);
    EXPECT_FALSE(devices[0].connected);
    EXPECT_EQ(devices[0].lastSeen, (os::SystemTime{2024, 3, 5, 7, 9, 30, 15, 250}));
    EXPECT_EQ(devices[0].lastUsed, (os::SystemTime{2024, 2, 1, 1, 8, 0, 0, 0}));
    EXPECT_EQ(devices[1].classOfDevice, 0x100680u);
    EXPECT_TRUE(devices[1].connected);
    EXPECT_FALSE(devices[1].authenticated);

    ASSERT_EQ(machine.bluetooth.searches.size(), 1u);
    const os::BluetoothSearchParams& params = machine.bluetooth.searches[0];
    EXPECT_TRUE(params.returnAuthenticated && params.returnRemembered && params.returnUnknown &&
                params.returnConnected && params.issueInquiry);
    EXPECT_EQ(params.timeoutMultiplier, 10);
    EXPECT_EQ(machine.Now(), 12800u) << "ten inquiry periods of 1.28 s";
}

TEST_F(Bluetooth, ScanWithoutRadioOrDevicesOrWithAFailedNextGivesWhatWasFound) {
    AddDevice(0x01, kRendering, L"first");
    AddDevice(0x02, kRendering, L"second");
    EXPECT_TRUE(Scan().empty()) << "no adapter";
    machine.AddBluetoothAdapter(false);
    EXPECT_TRUE(Scan().empty()) << "radio off";
    machine.bluetooth.radioOn = true;
    machine.FailCall(Operation::BluetoothFindNextDevice, 1167);
    EXPECT_EQ(Names(Scan()), std::vector<std::wstring>{L"first"});
    machine.bluetooth.devices.clear();
    EXPECT_TRUE(Scan().empty());
}

TEST_F(Bluetooth, AddressTextMostSignificantByteFirst) {
    struct Case {
        std::uint64_t address;
        const wchar_t* withSeparators;
        const wchar_t* without;
    };
    const Case cases[] = {
        {0x001B35E40D7A, L"00-1B-35-E4-0D-7A", L"001B35E40D7A"},
        {0, L"00-00-00-00-00-00", L"000000000000"},
        {0x0AA01001EEFF, L"0A-A0-10-01-EE-FF", L"0AA01001EEFF"},
        // Only the six bytes of the address count, not the top of the word.
        {0xFFFF001B35E40D7A, L"00-1B-35-E4-0D-7A", L"001B35E40D7A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bluetooth::FormatBluetoothAddress(c.address, true), c.withSeparators);
        EXPECT_EQ(bluetooth::FormatBluetoothAddress(c.address, false), c.without);
        // Read back, the text gives the six bytes it shows.
        EXPECT_EQ(bluetooth::ParseBluetoothAddress(c.withSeparators), c.address & 0xFFFFFFFFFFFF);
        EXPECT_EQ(bluetooth::ParseBluetoothAddress(c.without), c.address & 0xFFFFFFFFFFFF);
    }
    for (const wchar_t* refused : {L"00-1B-35-E4-0D", L"001B35E40D7G", L"00-1B35-E4-0D-7A-", L"0x1B35E40D7A"})
        EXPECT_EQ(bluetooth::ParseBluetoothAddress(refused), std::nullopt) << refused;
}

TEST_F(Bluetooth, PairingResults) {
    struct Case {
        const char* what;
        bool alreadyPaired;
        std::wstring devicePin;
        std::wstring pin;
        std::uint32_t injected;
        bool paired;
        std::wstring errorText;
    };
    const Case cases[] = {
        {"new device", false, L"5290", L"5290", 0, true, L"unchanged"},
        {"already paired", true, L"5290", L"0000", 0, true, L"unchanged"},
        {"wrong PIN", false, L"5290", L"1234", 0, false,
         L"Code: 1244 - The operation being requested was not performed because the user has not been "
         L"authenticated.\r\n"},
        {"user cancelled", false, L"", L"5290", 1223, false, L"Code: 1223 - The operation was canceled by the user.\r\n"},
        {"20 characters pair with their first 16", false, L"ABCDEFGHIJ123456", L"ABCDEFGHIJ123456WXYZ", 0, true,
         L"unchanged"},
    };
    for (const Case& c : cases) {
        machine.Reset();
        machine.AddBluetoothAdapter(true);
        auto& device = AddDevice(kAddress, kRendering, L"A4 Printer BT");
        device.pin = c.devicePin;
        device.record.authenticated = c.alreadyPaired;
        if (c.injected) machine.FailCall(Operation::BluetoothAuthenticateDevice, c.injected);
        std::wstring errorText = L"unchanged";
        EXPECT_EQ(bluetooth::PairBluetoothDevice(Device(), errorText, c.pin), c.paired) << c.what;
        EXPECT_EQ(errorText, c.errorText) << c.what;
        ASSERT_EQ(machine.bluetooth.pairings.size(), 1u) << c.what;
        EXPECT_EQ(machine.bluetooth.pairings[0].first, kAddress) << c.what;
        EXPECT_EQ(machine.bluetooth.pairings[0].second, c.pin.substr(0, 16)) << c.what;
    }
}

TEST_F(Bluetooth, PortFoundOnALaterAttemptWhenWindowsMakesItLate) {
    machine.AddComPort(L"ACPI\\PNP0501\\1", L"COM1");
    machine.AddComPort(LinkInstanceId(L"001B35E40D7A"), L"COM5").presentFromMs = 2000;
    std::wstring port = L"unchanged";
    EXPECT_FALSE(bluetooth::FindBluetoothComPort(L"001B35E40D7A", port));
    EXPECT_EQ(port, L"unchanged");
    EXPECT_TRUE(bluetooth::WaitForBluetoothComPort(L"001B35E40D7A", port));
    EXPECT_EQ(port, L"COM5");
    EXPECT_EQ(machine.sleeps, std::vector<std::uint32_t>(8, 250)) << "found on the ninth attempt";
}

TEST_F(Bluetooth, PortSearchGivesUpAfter41Attempts) {
    machine.AddComPort(LinkInstanceId(L"001B35E40D7B"), L"COM6");
    std::wstring port = L"unchanged";
    EXPECT_FALSE(bluetooth::WaitForBluetoothComPort(L"001B35E40D7A", port));
    EXPECT_EQ(port, L"unchanged");
    EXPECT_EQ(machine.sleeps, std::vector<std::uint32_t>(41, 250)) << "41 attempts, a wait after each";
}

TEST_F(Bluetooth, PortMatchesTheAddressAtTheEndOfTheNextToLastPieceInAnyCase) {
    struct Case {
        std::wstring instanceId;
        bool matches;
    };
    const Case cases[] = {
        {LinkInstanceId(L"001B35E40D7A"), true},
        {LinkInstanceId(L"001b35e40d7a"), true},
        {L"X_001B35E40D7A_", false},                              // a trailing "_" adds no piece
        {L"BTHENUM\\001B35E40D7A", false},                       // no "_"
        {L"BTHENUM\\{x}_E40D7A_C00000000", false},                // piece shorter than 12
        {L"BTHENUM\\{x}_LOCALMFG&0&001B35E40D7A0_C0", false},     // address not at its end
        {L"BTHENUM\\{x}_LOCALMFG&0&C0_001B35E40D7A", false},      // address in the last piece
        {L"A_001B35E40D7A_B_C", false},                          // in an earlier piece only
        {L"001B35E40D7A_", false},                               // a single piece
    };
    for (const Case& c : cases) {
        machine.Reset();
        machine.AddComPort(c.instanceId, L"COM7");
        std::wstring port;
        const bool found = bluetooth::FindBluetoothComPort(L"001B35E40D7A", port);
        const std::string id(c.instanceId.begin(), c.instanceId.end());
        EXPECT_EQ(found, c.matches) << id;
        EXPECT_EQ(port, found ? L"COM7" : L"") << id;
        EXPECT_EQ(machine.OpenHandleCount(), 0u) << id;
    }
}

TEST_F(Bluetooth, PortOfTheMatchingLinkAmongOthersAndNeverOneWithoutAName) {
    machine.AddComPort(L"ACPI\\PNP0501\\1", L"COM1");
    machine.AddComPort(LinkInstanceId(L"00AABBCCDDEE"), L"COM4");
    machine.AddComPort(LinkInstanceId(L"001B35E40D7A"), L"COM5").deviceKey.clear();
    machine.AddComPort(LinkInstanceId(L"001B35E40D7A"), L"COM6");
    std::wstring port;
    EXPECT_TRUE(bluetooth::FindBluetoothComPort(L"001B35E40D7A", port));
    EXPECT_EQ(port, L"COM6");

    // A name longer than the 255 bytes read is no name either.
    machine.interfaces[3].deviceKey[L"PortName"] = os::sim::RegValue::String(std::wstring(130, L'C'));
    port.clear();
    EXPECT_FALSE(bluetooth::FindBluetoothComPort(L"001B35E40D7A", port));
    machine.interfaces[3].deviceKey[L"PortName"] = os::sim::RegValue::String(L"COM6");
    machine.FailCall(Operation::SetupDiOpenDevRegKey, 5, 4);
    EXPECT_FALSE(bluetooth::FindBluetoothComPort(L"001B35E40D7A", port));
    machine.FailCall(Operation::SetupDiGetClassDevs, 5);
    EXPECT_FALSE(bluetooth::FindBluetoothComPort(L"001B35E40D7A", port));
    EXPECT_TRUE(port.empty());
}

TEST_F(Bluetooth, SerialServiceEnablingRetriesUntilDoneOrGivesUpAfter41) {
    struct Case {
        const char* what;
        bool entryPoint;
        bool library;
        std::uint32_t result;     // every call's answer
        int failuresFirst;        // calls refused with 1167 before that
        std::size_t calls;
    };
    const Case cases[] = {
        {"enabled", true, true, 0, 0, 1},
        {"invalid parameter counts as done", true, true, 87, 0, 1},
        {"enabled on the fourth attempt", true, true, 0, 3, 4},
        {"refused every time", true, true, 1167, 0, 41},
        {"no entry point", false, true, 1167, 0, 0},
        {"no library", true, false, 1167, 0, 0},
    };
    for (const Case& c : cases) {
        machine.Reset();
        machine.AddBluetoothAdapter(true);
        AddDevice(kAddress, kRendering, L"A4 Printer BT").serviceStateResult = c.result;
        machine.bluetooth.hasSetServiceState = c.entryPoint;
        machine.bluetooth.hasLibrary = c.library;
        for (int i = 1; i <= c.failuresFirst; ++i) machine.FailCall(Operation::BluetoothSetServiceState, 1167, i);
        bluetooth::EnableSerialPortService(Device());
        const auto& calls = machine.bluetooth.serviceStateCalls;
        ASSERT_EQ(calls.size(), c.calls) << c.what;
        // A wait after each refusal; none once it worked or cannot be asked.
        const std::size_t refusals = c.calls == 41 ? 41 : (c.calls > 0 ? c.calls - 1 : 0);
        EXPECT_EQ(machine.sleeps, std::vector<std::uint32_t>(refusals, 250)) << c.what;
        for (const auto& call : calls) {
            EXPECT_EQ(call.address, kAddress) << c.what;
            EXPECT_EQ(call.service, kSerialPortService) << c.what;
            EXPECT_EQ(call.flags, 1u) << c.what;
        }
    }
    machine.Reset();
    AddDevice(kAddress, kRendering, L"A4 Printer BT");
    bluetooth::EnableSerialPortService(Device());
    EXPECT_EQ(machine.bluetooth.devices[0].enabledServices, std::vector<os::Guid>{kSerialPortService});
}

TEST_F(Bluetooth, LocalSerialServiceIsRegisteredForTheDeviceOnItsPort) {
    bluetooth::RegisterSerialPortService(Device(), L"COM5");
    ASSERT_EQ(machine.bluetooth.localServiceCalls.size(), 1u);
    const auto& call = machine.bluetooth.localServiceCalls[0];
    EXPECT_EQ(call.serviceClass, kSerialPortService);
    EXPECT_EQ(call.instance, 1u);
    EXPECT_TRUE(call.info.enabled);
    EXPECT_EQ(call.info.address, kAddress);
    EXPECT_EQ(call.info.name, L"SPP slave");
    EXPECT_EQ(call.info.deviceString, L"COM5");

    machine.bluetooth.localServiceResult = 5;
    bluetooth::RegisterSerialPortService(Device(), std::wstring(300, L'P'));
    ASSERT_EQ(machine.bluetooth.localServiceCalls.size(), 2u);
    EXPECT_EQ(machine.bluetooth.localServiceCalls[1].info.deviceString, std::wstring(255, L'P'));

    machine.bluetooth.hasSetLocalServiceInfo = false;
    bluetooth::RegisterSerialPortService(Device(), L"COM5");
    EXPECT_EQ(machine.bluetooth.localServiceCalls.size(), 2u);
}

}  // namespace
