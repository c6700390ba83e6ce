#include "printsys/UsbDiscovery.h"

#include "support/SimTest.h"

namespace {

using printsys::SpoolerEntry;
using Operation = os::sim::Operation;

class UsbDiscovery : public SimTest {
protected:
    std::vector<SpoolerEntry> List() {
        std::vector<SpoolerEntry> printers{{L"stale", L"", L""}};
        printsys::ListUsbPrinters(printers);
        return printers;
    }
};

TEST_F(UsbDiscovery, NothingAttachedGivesAnEmptyListAfterTheSettlingSecond) {
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(machine.sleeps, std::vector<std::uint32_t>{1000});
}

TEST_F(UsbDiscovery, PortNamesHaveAtLeastThreeDigits) {
    struct Case {
        std::optional<std::uint32_t> portNumber;
        const wchar_t* portName;
    };
    const Case cases[] = {{1, L"USB001"}, {12, L"USB012"}, {1000, L"USB1000"}, {0, L""}, {std::nullopt, L""}};
    for (const Case& c : cases) {
        machine.Reset();
        machine.AddUsbPrinter(L"USB\\VID_0FE6&PID_811E\\A1", L"\\\\?\\usb#a1", c.portNumber);
        const auto printers = List();
        ASSERT_EQ(printers.size(), 1u);
        EXPECT_EQ(printers[0], (SpoolerEntry{L"VID_0FE6 PID_811E", c.portName, L"\\\\?\\usb#a1"}));
    }
}

TEST_F(UsbDiscovery, ThePortNumberIsReadWhereWindowsKeepsIt) {
    machine.SetRegistryValue(
        L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\"
        L"##?#USB#VID_0FE6&PID_811E#5&1a2b&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Device Parameters",
        L"Port Number", os::sim::RegValue::Dword(7));
    std::wstring portName = L"unchanged";
    EXPECT_TRUE(printsys::GetUsbPortName(L"USB#VID_0FE6&PID_811E#5&1a2b&0&1", portName));
    EXPECT_EQ(portName, L"USB007");

    portName = L"unchanged";
    EXPECT_FALSE(printsys::GetUsbPortName(L"USB#VID_0FE6&PID_811E#other", portName));
    EXPECT_FALSE(printsys::GetUsbPortName(std::wstring(1000, L'x'), portName));
    EXPECT_EQ(portName, L"unchanged");
}

TEST_F(UsbDiscovery, DisplayIdIsTheSecondComponentOrTheWholeId) {
    machine.AddUsbPrinter(L"ROOT_PRINTER_0001", L"p1", 1);
    machine.AddUsbPrinter(L"USB\\VID_1&PID_2&MI_00\\x", L"p2", 2);
    const auto printers = List();
    ASSERT_EQ(printers.size(), 2u);
    EXPECT_EQ(printers[0].first, L"ROOT_PRINTER_0001");
    EXPECT_EQ(printers[1].first, L"VID_1 PID_2 MI_00");
}

TEST_F(UsbDiscovery, InterfacesWithoutDescriptionOrHardwareIdAreLeftOut) {
    machine.AddUsbPrinter(L"USB\\VID_1&PID_1\\a", L"a", 1).hardwareId.reset();
    machine.AddUsbPrinter(L"USB\\VID_1&PID_1\\b", L"b", 2).description.reset();
    machine.AddUsbPrinter(L"USB\\VID_1&PID_1\\c", L"c", 3);
    machine.AddUsbPrinter(L"USB\\VID_1&PID_1\\d", L"d", 4);
    machine.FailCall(Operation::SetupDiGetDeviceInstanceId, 13, 4);  // of d
    const auto printers = List();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].third, L"c");
}

TEST_F(UsbDiscovery, TwoPrintersOfOneModelShareTheDisplayIdOnly) {
    machine.AddUsbPrinter(L"USB\\VID_0FE6&PID_811E\\1", L"path1", 1);
    machine.AddUsbPrinter(L"USB\\VID_0FE6&PID_811E\\2", L"path2", 2);
    EXPECT_EQ(List(), (std::vector<SpoolerEntry>{{L"VID_0FE6 PID_811E", L"USB001", L"path1"},
                                                 {L"VID_0FE6 PID_811E", L"USB002", L"path2"}}));
}

TEST_F(UsbDiscovery, AFailedDetailStopsTheWalkKeepingWhatWasFound) {
    machine.AddUsbPrinter(L"USB\\V\\1", L"first", 1);
    machine.AddUsbPrinter(L"USB\\V\\2", L"second", 2).detailProbeSucceeds = true;
    machine.AddUsbPrinter(L"USB\\V\\3", L"third", 3);
    auto printers = List();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].third, L"first");

    machine.interfaces[1].detailProbeSucceeds = false;
    machine.FailCall(Operation::SetupDiGetDeviceInterfaceDetail, 8, 4);  // fetch of the second
    printers = List();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].third, L"first");
}

TEST_F(UsbDiscovery, OnlyUsbPrinterInterfacesAndOnlyWhenTheSetOpens) {
    os::sim::DeviceInterface comPort;
    comPort.interfaceClass = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
    comPort.instanceId = L"BTHENUM\\{x}\\1";
    comPort.description = comPort.hardwareId = L"x";
    machine.interfaces.push_back(comPort);
    machine.AddUsbPrinter(L"USB\\V\\1", L"usb", 1);
    EXPECT_EQ(List().size(), 1u);

    machine.FailCall(Operation::SetupDiGetClassDevs, 5);
    EXPECT_TRUE(List().empty());
}

}  // namespace
