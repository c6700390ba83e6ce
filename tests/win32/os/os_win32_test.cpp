// The print-system services on the real os/win32 boundary, run under Wine.
// Where Wine's answer is only worth recording (the spooler service), the
// test prints it rather than insisting on Windows' behaviour.
#include <winsock2.h>
#include <windows.h>

#include "os/Services.h"
#include "os/Spooler.h"
#include "printsys/NetworkCheck.h"
#include "printsys/PortManagement.h"
#include "printsys/SpoolerInventory.h"
#include "printsys/SpoolerService.h"
#include "os/ErrorText.h"
#include "printsys/UsbDiscovery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

TEST(SpoolerInventory, ListsWinesSerialAndParallelPorts) {
    std::vector<printsys::SpoolerEntry> ports;
    printsys::ListPorts(ports);
    bool com1 = false;
    bool lpt1 = false;
    for (const auto& port : ports) {
        std::printf("port %s | %s | %s\n", Narrow(port.first).c_str(), Narrow(port.second).c_str(),
                    Narrow(port.third).c_str());
        if (port.first == L"COM1:" || port.first == L"LPT1:") {
            EXPECT_FALSE(port.second.empty()) << Narrow(port.first);
            EXPECT_FALSE(port.third.empty()) << Narrow(port.first);
        }
        com1 = com1 || port.first == L"COM1:";
        lpt1 = lpt1 || port.first == L"LPT1:";
    }
    EXPECT_TRUE(com1);
    EXPECT_TRUE(lpt1);
    EXPECT_TRUE(printsys::PortExists(L"COM1:"));
    EXPECT_TRUE(printsys::PortExists(L"com1:")) << "without case, as the spooler compares";
    EXPECT_FALSE(printsys::PortExists(L"NoSuchPort:"));
}

TEST(SpoolerInventory, DriverDirectoryAndLists) {
    const std::wstring directory = printsys::GetDriverDirectory();
    std::printf("driver directory: %s\n", Narrow(directory).c_str());
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), L'\\');

    std::vector<printsys::SpoolerEntry> printers, drivers;
    printsys::ListPrinters(printers);
    printsys::ListDrivers(drivers);
    std::printf("printers: %u, drivers: %u\n", static_cast<unsigned>(printers.size()),
                static_cast<unsigned>(drivers.size()));
    for (const auto& driver : drivers) EXPECT_TRUE(printsys::DriverExists(driver.second)) << Narrow(driver.second);
    for (const auto& printer : printers) EXPECT_TRUE(printsys::PrinterExists(printer.first)) << Narrow(printer.first);
    EXPECT_FALSE(printsys::DriverExists(L"No Such Driver 4711"));
    EXPECT_FALSE(printsys::PrinterExists(L"No Such Printer 4711"));
}

TEST(SystemError, AccessDeniedInTheSystemsWords) {
    const std::wstring text = os::SystemErrorText(5);
    std::printf("%s", Narrow(text).c_str());
    EXPECT_TRUE(StartsWith(text, L"Code: 5 - "));
    EXPECT_GT(text.size(), std::wstring(L"Code: 5 - ").size());
}

TEST(PortManagement, DeletingAMissingPortFailsWithAnErrorText) {
    std::wstring error;
    EXPECT_FALSE(printsys::DeletePortByName(L"NoSuchPort_4711", os::WindowHandle::None, error));
    std::printf("%s", Narrow(error).c_str());
    EXPECT_TRUE(StartsWith(error, L"Code: "));
}

TEST(PortManagement, WritesToAFile) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameW(folder, L"wtp", 0, path), 0u);
    const std::uint8_t bytes[] = {'r', 'a', 'w', '\n'};
    EXPECT_TRUE(printsys::WriteToPort(path, bytes, sizeof bytes));

    char read[8] = {};
    DWORD count = 0;
    const HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ReadFile(file, read, sizeof read, &count, nullptr);
    CloseHandle(file);
    DeleteFileW(path);
    EXPECT_EQ(std::string(read, count), "raw\n");
    EXPECT_FALSE(printsys::WriteToPort(std::wstring(folder) + L"missing\\file.prn", bytes, sizeof bytes));
}

TEST(UsbDiscovery, NoUsbPrintersUnderWine) {
    std::vector<printsys::SpoolerEntry> printers{{L"stale", L"", L""}};
    printsys::ListUsbPrinters(printers);
    EXPECT_TRUE(printers.empty());
}

TEST(NetworkCheck, ALoopbackListenerIsReachable) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    // An address of this process's own, so that nothing else meets it.
    const DWORD pid = GetCurrentProcessId();
    const std::string address =
        "127.97." + std::to_string((pid >> 8) & 0xFF) + "." + std::to_string(pid & 0xFF);
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(9100);
    endpoint.sin_addr.s_addr = inet_addr(address.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint), 0);
    ASSERT_EQ(listen(listener, 4), 0);

    EXPECT_TRUE(printsys::CheckNetworkPrinter(std::wstring(address.begin(), address.end())));
    closesocket(listener);
    EXPECT_FALSE(printsys::CheckNetworkPrinter(std::wstring(address.begin(), address.end())));
    EXPECT_FALSE(printsys::CheckNetworkPrinter(L"printer.local"));
    WSACleanup();
}

// Wine's winspool does not export it: the run-time lookup must report that
// instead of failing to load the program.
TEST(DriverPackages, DeletePrinterDriverPackageIsLookedUpAtRunTime) {
    const auto result = os::DeletePrinterDriverPackageW(L"C:\\windows\\inf\\none.inf", L"Windows x64");
    EXPECT_FALSE(result.has_value()) << "DeletePrinterDriverPackageW exists here and answered " << *result;
}

// Wine starts its spooler on demand and lets it be stopped and started. What
// each call answers must agree with the state the service manager reports
// before and after it; the states are printed for the record.
std::uint32_t SpoolerState() {
    const os::ScHandle manager = os::OpenSCManagerW(os::kScManagerAllAccess);
    const os::ScHandle spooler = os::OpenServiceW(manager, L"Spooler", os::kServiceQueryStatus);
    os::ServiceStatus status;
    const bool known = os::QueryServiceStatusEx(spooler, status);
    os::CloseServiceHandle(spooler);
    os::CloseServiceHandle(manager);
    return known ? status.currentState : 0;
}

TEST(SpoolerService, StopAndStartAgreeWithTheServiceManager) {
    for (int round = 1; round <= 2; ++round) {
        const std::uint32_t before = SpoolerState();
        std::vector<os::ServiceEntry> dependants;
        const printsys::SpoolerStop stopped = printsys::StopSpoolerService(dependants);
        const std::uint32_t afterStop = SpoolerState();
        const printsys::SpoolerStart started = printsys::StartSpoolerService();
        const std::uint32_t afterStart = SpoolerState();
        std::printf("round %d: state %u, StopSpoolerService %d, state %u, StartSpoolerService %d, state %u\n", round,
                    before, static_cast<int>(stopped), afterStop, static_cast<int>(started), afterStart);
        ASSERT_NE(before, 0u) << "the spooler's state is known";
        if (before == os::kServiceStopped) {
            EXPECT_EQ(stopped, printsys::SpoolerStop::NotStopped) << "a stopped spooler is not stopped again";
        }
        if (stopped == printsys::SpoolerStop::Stopped) {
            EXPECT_EQ(afterStop, os::kServiceStopped) << round;
        }
        if (afterStop == os::kServiceStopped) {
            EXPECT_EQ(started, printsys::SpoolerStart::Running) << round;
        }
        if (started == printsys::SpoolerStart::Running) {
            EXPECT_EQ(afterStart, os::kServiceRunning) << round;
        }
        if (afterStop == os::kServiceRunning) {
            EXPECT_EQ(started, printsys::SpoolerStart::Failed) << "a running spooler is not started again";
        }
    }
    EXPECT_TRUE(printsys::PortExists(L"COM1:")) << "the spooler answers again";
}

}  // namespace
