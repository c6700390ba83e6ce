// The Bluetooth calls of the real os/win32 boundary and the operations built
// on them, run under Wine. Wine has no Bluetooth stack, so most answers are
// only printed for the record; what must hold on any system is checked.
#include <windows.h>

#include "bluetooth/Bluetooth.h"
#include "os/Bluetooth.h"
#include "os/DeviceWalk.h"
#include "os/Devices.h"
#include "os/System.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr os::Guid kBthPortInterface = {0x0850302a, 0xb344, 0x4fda, {0x9b, 0xe9, 0x90, 0x57, 0x6b, 0x8d, 0x46, 0xf0}};
constexpr os::Guid kBluetoothClass = {0xe0cbf06c, 0xcd8b, 0x4647, {0xbb, 0x8a, 0x26, 0x3b, 0x43, 0xf0, 0xf9, 0x74}};
constexpr os::Guid kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
constexpr os::Guid kSerialPortService = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5f, 0x9b, 0x34, 0xfb}};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string TextOf(const os::Guid& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned long>(guid.data1), guid.data2, guid.data3, guid.data4[0], guid.data4[1],
                  guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
    return text;
}

TEST(Adapter, PresentDevicesAndTheirClasses) {
    const os::DevInfoSet set = os::SetupDiGetClassDevsW(kBthPortInterface, os::kDigcfPresent | os::kDigcfAllClasses);
    ASSERT_NE(set, os::DevInfoSet::Invalid) << "error " << os::GetLastError();
    std::uint32_t count = 0;
    bool bluetoothClass = false;
    os::DevInfoData device;
    while (os::SetupDiEnumDeviceInfo(set, count, device)) {
        std::printf("device %u: class %s\n", count, TextOf(device.classGuid).c_str());
        bluetoothClass = bluetoothClass || device.classGuid == kBluetoothClass;
        ++count;
    }
    std::printf("present devices: %u, enumeration ended with %u\n", count, os::GetLastError());
    EXPECT_TRUE(os::SetupDiDestroyDeviceInfoList(set));
    const bool adapter = bluetooth::HasBluetoothAdapter();
    std::printf("HasBluetoothAdapter: %s\n", adapter ? "true" : "false");
    EXPECT_EQ(adapter, bluetoothClass);
}

TEST(Radio, FirstRadioAndHasBluetoothRadioAgree) {
    os::KernelHandle radio = os::KernelHandle::None;
    const os::BluetoothRadioFind find = os::BluetoothFindFirstRadio(radio);
    const std::uint32_t error = os::GetLastError();
    std::printf("BluetoothFindFirstRadio: %s, last error %u\n", find == os::BluetoothRadioFind::None ? "NULL" : "a radio",
                error);
    if (find != os::BluetoothRadioFind::None) {
        EXPECT_NE(radio, os::KernelHandle::None);
        EXPECT_TRUE(os::BluetoothFindRadioClose(find));
        EXPECT_TRUE(os::CloseHandle(radio));
    }
    const bool hasRadio = bluetooth::HasBluetoothRadio();
    std::printf("HasBluetoothRadio: %s\n", hasRadio ? "true" : "false");
    EXPECT_EQ(hasRadio, find != os::BluetoothRadioFind::None);
}

TEST(Devices, InquiryAndScan) {
    os::BluetoothSearchParams params;
    params.returnAuthenticated = params.returnRemembered = params.returnUnknown = params.returnConnected = true;
    params.issueInquiry = true;
    params.timeoutMultiplier = 1;
    os::BluetoothDeviceRecord record;
    const DWORD start = GetTickCount();
    const os::BluetoothDeviceFind find = os::BluetoothFindFirstDevice(params, record);
    std::printf("BluetoothFindFirstDevice: %s, last error %u, %lu ms\n",
                find == os::BluetoothDeviceFind::None ? "NULL" : "a device", os::GetLastError(),
                static_cast<unsigned long>(GetTickCount() - start));
    if (find != os::BluetoothDeviceFind::None) {
        std::printf("first device: %s, class 0x%06x\n", Narrow(record.name).c_str(), record.classOfDevice);
        while (os::BluetoothFindNextDevice(find, record))
            std::printf("next device: %s, class 0x%06x\n", Narrow(record.name).c_str(), record.classOfDevice);
        EXPECT_TRUE(os::BluetoothFindDeviceClose(find));
    }

    std::vector<bluetooth::BluetoothDeviceInfo> devices(1);
    bluetooth::ScanBluetoothPrinters(devices);
    std::printf("ScanBluetoothPrinters: %u printers\n", static_cast<unsigned>(devices.size()));
    for (const auto& device : devices) {
        EXPECT_FALSE(device.name.empty());
        EXPECT_TRUE(device.classOfDevice == 0x040680 || device.classOfDevice == 0x100680 ||
                    device.classOfDevice == 0x001F1F);
    }
}

bluetooth::BluetoothDeviceInfo NoSuchPrinter() {
    bluetooth::BluetoothDeviceInfo device;
    device.address = 0x001B35E40D7A;
    device.classOfDevice = 0x040680;
    device.name = L"A4 Printer BT";
    return device;
}

// Wine exports some Bluetooth entry points as stubs that raise this
// exception when called, which ends the process; so calls that may meet one
// run in a child process (a death test) and report through its exit code.
constexpr unsigned kWineStub = 0x80000100;
constexpr unsigned kMissing = 0xFFFFFFFE;

LONG CALLBACK EndOnStub(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code == kWineStub || code == EXCEPTION_ACCESS_VIOLATION) ::ExitProcess(code);
    return EXCEPTION_CONTINUE_SEARCH;
}

unsigned g_childStatus = 0;

bool KeepStatus(int status) {
    g_childStatus = static_cast<unsigned>(status);
    return true;
}

template <typename Body>
unsigned ExitStatusInChild(Body body) {
    g_childStatus = 0;
    EXPECT_EXIT(
        {
            ::AddVectoredExceptionHandler(1, EndOnStub);
            std::exit(static_cast<int>(body()));
        },
        KeepStatus, "");
    return g_childStatus;
}

std::string Describe(unsigned status) {
    if (status == kWineStub) return "ends the process: unimplemented stub (exception 0x80000100)";
    if (status == kMissing) return "missing";
    char text[32];
    std::snprintf(text, sizeof text, "returns %u (0x%08x)", status, status);
    return text;
}

unsigned Code(const std::optional<std::uint32_t>& result) { return result ? *result : kMissing; }

// The results are printed after the last child has run: a child runs the
// test's body up to its own call and would print the lines before it too.
TEST(Pairing, AuthenticateAnUnknownDevice) {
    const unsigned authenticate = ExitStatusInChild([] {
        os::BluetoothDeviceRecord record;
        record.address = 0x001B35E40D7A;
        return os::BluetoothAuthenticateDevice(record, L"5290");
    });
    const unsigned pair = ExitStatusInChild([] {
        std::wstring errorText;
        return bluetooth::PairBluetoothDevice(NoSuchPrinter(), errorText, L"5290") ? 1u : 0u;
    });
    std::printf("BluetoothAuthenticateDevice: %s\n", Describe(authenticate).c_str());
    std::printf("PairBluetoothDevice: %s\n", Describe(pair).c_str());
    if (authenticate != kWineStub) {
        EXPECT_EQ(pair, authenticate == 0 || authenticate == 259 ? 1u : 0u);
    }
}

TEST(LookedUpEntryPoints, SetServiceStateAndSetLocalServiceInfo) {
    const unsigned state = ExitStatusInChild([] {
        os::BluetoothDeviceRecord record;
        record.address = 0x001B35E40D7A;
        return Code(os::BluetoothSetServiceState(record, kSerialPortService, os::kBluetoothServiceEnable));
    });
    const unsigned local = ExitStatusInChild([] {
        os::BluetoothLocalServiceInfo info;
        info.enabled = true;
        info.address = 0x001B35E40D7A;
        info.name = L"SPP slave";
        info.deviceString = L"COM250";
        return Code(os::BluetoothSetLocalServiceInfo(kSerialPortService, 1, info));
    });
    // Whatever the system answers, both operations end: at most 41 attempts.
    const DWORD start = GetTickCount();
    const unsigned enable = ExitStatusInChild([] {
        bluetooth::EnableSerialPortService(NoSuchPrinter());
        return 0u;
    });
    const DWORD enableMs = GetTickCount() - start;
    const unsigned registered = ExitStatusInChild([] {
        bluetooth::RegisterSerialPortService(NoSuchPrinter(), L"COM250");
        return 0u;
    });
    std::printf("BluetoothSetServiceState: %s\n", Describe(state).c_str());
    std::printf("BluetoothSetLocalServiceInfo: %s\n", Describe(local).c_str());
    std::printf("EnableSerialPortService: %s, after %lu ms\n", Describe(enable).c_str(),
                static_cast<unsigned long>(enableMs));
    std::printf("RegisterSerialPortService: %s\n", Describe(registered).c_str());
    EXPECT_EQ(enable, state == kWineStub ? kWineStub : 0u);
    EXPECT_EQ(registered, local == kWineStub ? kWineStub : 0u);
}

TEST(ComPorts, InterfacesAndTheBluetoothPortSearch) {
    std::uint32_t count = 0;
    const bool walked = os::WalkDeviceInterfaces(kComPortInterface, [&](const os::DeviceInterfaceEntry& entry) {
        std::printf("COM port interface: %s, %s\n", Narrow(entry.instanceId).c_str(), Narrow(entry.devicePath).c_str());
        ++count;
        return true;
    });
    std::printf("COM port interface set made: %s, interfaces: %u\n", walked ? "yes" : "no", count);
    EXPECT_TRUE(walked);
    std::wstring port = L"unchanged";
    EXPECT_FALSE(bluetooth::FindBluetoothComPort(L"001B35E40D7A", port));
    EXPECT_EQ(port, L"unchanged");
}

}  // namespace
