// The simulated machine keeps Windows' rules, which later tests rely on.
#include "os/sim/Machine.h"

#include "support/PeImageWriter.h"
#include "support/SimTest.h"

#include <fstream>

namespace {

using Operation = os::sim::Operation;

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

const std::vector<std::uint8_t> kRenderingDll64 = testing_support::MinimalDll(0x8664, {"DrvEnableDriver", "DrvQueryDriverInfo"});
const std::vector<std::uint8_t> kRenderingDll32 = testing_support::MinimalDll(0x014C, {"DrvEnableDriver", "DrvQueryDriverInfo"});

class Machine : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        os::sim::Driver driver;
        driver.name = L"A4 Printer(203dpi)";
        driver.infPath = L"C:\\store\\a4.inf";
        machine.spooler.drivers.push_back(driver);
        machine.spooler.driverPackages.push_back({L"C:\\store\\a4.inf"});
    }
    std::uint32_t AddPrinterError(const os::PrinterInfo2& info) {
        const auto handle = os::AddPrinterW(info);
        if (handle == os::PrinterHandle::None) return os::GetLastError();
        os::ClosePrinter(handle);
        return 0;
    }
};

TEST_F(Machine, AddPrinterRefusesWhatWindowsRefuses) {
    struct Case {
        os::PrinterInfo2 info;
        std::uint32_t error;
    };
    const std::wstring driver = L"A4 Printer(203dpi)";
    const Case cases[] = {
        {{L"Office", L"LPT1:", driver, L"WinPrint", 0x40}, 0},
        {{L"OFFICE", L"LPT1:", driver, L"WinPrint", 0x40}, 1802},
        {{L"Other", L"USB001", driver, L"WinPrint", 0x40}, 1796},
        {{L"Other", L"LPT1:", L"Unknown", L"WinPrint", 0x40}, 1797},
        {{L"Other", L"LPT1:", driver, L"NoSuch", 0x40}, 1798},
        {{L"a\\b", L"LPT1:", driver, L"WinPrint", 0x40}, 1801},
        {{L"", L"LPT1:", driver, L"WinPrint", 0x40}, 1801},
    };
    for (const Case& c : cases) EXPECT_EQ(AddPrinterError(c.info), c.error) << c.info.printerName;
    EXPECT_EQ(machine.spooler.printers.size(), 1u);
}

TEST_F(Machine, DriversInUseOrLoadedCannotBeDeleted) {
    machine.spooler.printers.push_back({L"Office", L"A4 Printer(203dpi)", L"LPT1:"});
    EXPECT_FALSE(os::DeletePrinterDriverExW(L"Windows x64", L"A4 Printer(203dpi)", 3, 3));
    EXPECT_EQ(os::GetLastError(), 3001u);
    EXPECT_FALSE(os::DeletePrinterDriverExW(L"Windows x64", L"Unknown", 3, 3));
    EXPECT_EQ(os::GetLastError(), 1797u);

    const auto printer = os::OpenPrinterW(L"Office", os::kPrinterAllAccess);
    ASSERT_NE(printer, os::PrinterHandle::None);
    EXPECT_TRUE(os::DeletePrinter(printer));
    os::ClosePrinter(printer);

    // The spooler still holds the files until it has been stopped.
    machine.spooler.drivers[0].loadedBySpooler = true;
    EXPECT_FALSE(os::DeletePrinterDriverExW(L"Windows x64", L"A4 Printer(203dpi)", 3, 3));
    machine.FindService(L"Spooler")->state = os::kServiceStopped;
    EXPECT_FALSE(os::DeletePrinterDriverExW(L"Windows x64", L"A4 Printer(203dpi)", 3, 3));
    EXPECT_EQ(os::GetLastError(), 1722u);
    machine.FindService(L"Spooler")->state = os::kServiceRunning;
    EXPECT_TRUE(os::DeletePrinterDriverExW(L"Windows x64", L"A4 Printer(203dpi)", 3, 3));
}

TEST_F(Machine, DriverFilesMustBeInTheDriverDirectory) {
    os::DriverInfo6 info;
    info.version = 3;
    info.name = L"A4 Printer(300dpi)";
    info.driverPath = L"a4.dll";
    info.dependentFiles = {L"a4.pcd"};
    info.environment = L"Windows x64";
    WriteFile(machine.DriverDirectory() / "a4.dll", kRenderingDll64);
    EXPECT_FALSE(os::AddPrinterDriverExW(info, os::kApdCopyAllFiles));
    EXPECT_EQ(os::GetLastError(), 2u);
    std::ofstream(machine.DriverDirectory() / "a4.pcd") << "x";
    EXPECT_TRUE(os::AddPrinterDriverExW(info, os::kApdCopyAllFiles));
    ASSERT_NE(machine.FindDriver(L"a4 printer(300dpi)"), nullptr);
    EXPECT_EQ(machine.FindDriver(L"a4 printer(300dpi)")->environment, L"Windows x64");
}

// Windows reads both DLLs before it registers: the environment's machine,
// and a rendering DLL it can ask its version.
TEST_F(Machine, DriverDllsMustSuitTheEnvironment) {
    const std::vector<std::uint8_t> interface64 = testing_support::MinimalDll(0x8664, {"DrvDeviceCapabilities"});
    const struct {
        const char* what;
        std::vector<std::uint8_t> rendering, interface;
        std::uint32_t error;
    } cases[] = {
        {"both x64", kRenderingDll64, interface64, 0},
        {"x86 rendering DLL", kRenderingDll32, interface64, 216},
        {"x86 interface DLL", kRenderingDll64, testing_support::MinimalDll(0x014C, {}), 216},
        {"no version entry point", testing_support::MinimalDll(0x8664, {"DrvEnableDriver"}), interface64, 1797},
        {"not an image", {'t', 'e', 'x', 't'}, interface64, 193},
        {"export table past the end", {kRenderingDll64.begin(), kRenderingDll64.end() - 30}, interface64, 193},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine.spooler.drivers.clear();
        WriteFile(machine.DriverDirectory() / "a4.dll", c.rendering);
        WriteFile(machine.DriverDirectory() / "a4ui.dll", c.interface);
        os::DriverInfo6 info;
        info.version = 3;
        info.name = L"A4 Printer(300dpi)";
        info.driverPath = L"a4.dll";
        info.configFile = L"a4ui.dll";
        info.environment = L"Windows x64";
        EXPECT_EQ(os::AddPrinterDriverExW(info, os::kApdCopyAllFiles), c.error == 0);
        if (c.error != 0) {
            EXPECT_EQ(os::GetLastError(), c.error);
            EXPECT_TRUE(machine.spooler.drivers.empty());
        }
    }
}

// NULL is the caller's environment: the 32-bit program on 64-bit Windows
// reaches the x86 driver directory and drivers, which its printers cannot use.
TEST_F(Machine, ANullEnvironmentIsTheCallersNotTheSystems) {
    std::uint32_t needed = 0;
    std::wstring directory;
    ASSERT_TRUE(os::GetPrinterDriverDirectoryW(L"", 1024, needed, directory));
    EXPECT_EQ(directory, machine.DriverDirectory(L"Windows NT x86").wstring());
    ASSERT_TRUE(os::GetPrinterDriverDirectoryW(L"Windows x64", 1024, needed, directory));
    EXPECT_EQ(directory, machine.DriverDirectory().wstring());
    EXPECT_FALSE(os::GetPrinterDriverDirectoryW(L"Windows IA64", 1024, needed, directory));
    EXPECT_EQ(os::GetLastError(), 1805u);

    os::DriverInfo6 info;
    info.version = 3;
    info.name = L"Office Laser";
    info.driverPath = L"a4.dll";
    WriteFile(machine.DriverDirectory(L"Windows NT x86") / "a4.dll", kRenderingDll32);
    ASSERT_TRUE(os::AddPrinterDriverExW(info, os::kApdCopyAllFiles));
    EXPECT_EQ(machine.spooler.drivers.back().environment, L"Windows NT x86");
    std::vector<os::DriverInfo> drivers;
    ASSERT_TRUE(os::EnumPrinterDriversW(L"Windows x64", 1, 4096, needed, drivers));
    for (const auto& d : drivers) EXPECT_NE(d.name, info.name);
    EXPECT_EQ(os::AddPrinterW({L"P", L"LPT1:", info.name, L"WinPrint", 0x40}), os::PrinterHandle::None);
    EXPECT_EQ(os::GetLastError(), 1797u);

    // On 32-bit Windows x86 is the system's own environment.
    machine.wow64 = false;
    const auto printer = os::AddPrinterW({L"P", L"LPT1:", info.name, L"WinPrint", 0x40});
    EXPECT_NE(printer, os::PrinterHandle::None);
    os::ClosePrinter(printer);
}

TEST_F(Machine, DriverPackagesGoOnlyWhenNoDriverUsesThem) {
    EXPECT_EQ(os::DeletePrinterDriverPackageW(L"C:\\store\\a4.inf", L"Windows x64"), static_cast<std::int32_t>(0x80070BC7));
    EXPECT_EQ(os::GetLastError(), 3015u);
    machine.spooler.drivers.clear();
    EXPECT_EQ(os::DeletePrinterDriverPackageW(L"C:\\store\\a4.inf", L"Windows x64"), 0);
    EXPECT_TRUE(machine.spooler.driverPackages.empty());

    machine.spooler.hasDriverPackageApi = false;
    EXPECT_FALSE(os::DeletePrinterDriverPackageW(L"C:\\store\\a4.inf", L"Windows x64").has_value());
}

// Deleting names the environment too: the 32-bit program that passes NULL
// reaches only x86 drivers and packages, not the x64 ones the install made.
TEST_F(Machine, DeletionsReachOnlyTheirEnvironment) {
    machine.spooler.drivers[0].infPath.clear();  // the package is free to go
    EXPECT_EQ(os::DeletePrinterDriverPackageW(L"C:\\store\\a4.inf", L""), static_cast<std::int32_t>(0x80070002));
    EXPECT_EQ(os::DeletePrinterDriverPackageW(L"C:\\store\\a4.inf", L"Windows NT x86"),
              static_cast<std::int32_t>(0x80070002));
    EXPECT_FALSE(os::DeletePrinterDriverExW(L"", L"A4 Printer(203dpi)", 3, 3));
    EXPECT_EQ(os::GetLastError(), 1797u);
    EXPECT_TRUE(os::DeletePrinterDriverExW(L"Windows x64", L"A4 Printer(203dpi)", 3, 3));
    EXPECT_EQ(os::DeletePrinterDriverPackageW(L"C:\\store\\a4.inf", L"Windows x64"), 0);

    // A failure the call reports only through its result.
    machine.spooler.driverPackages.push_back({L"C:\\store\\b.inf"});
    machine.spooler.packageResultWithoutLastError = static_cast<std::int32_t>(0x80070005);
    os::SetLastError(0);
    EXPECT_EQ(os::DeletePrinterDriverPackageW(L"C:\\store\\b.inf", L"Windows x64"),
              static_cast<std::int32_t>(0x80070005));
    EXPECT_EQ(os::GetLastError(), 0u);
    EXPECT_EQ(machine.spooler.driverPackages.size(), 1u);
}

TEST_F(Machine, MessagesInInstalledLanguagesOnly) {
    std::wstring text;
    EXPECT_FALSE(os::FormatMessageW(5, 1041, text));
    EXPECT_EQ(os::GetLastError(), 1815u);
    machine.SetMessage(1041, 5, L"ja-5");
    machine.uiLanguage = 1041;
    EXPECT_EQ(os::GetUserDefaultUILanguage(), 1041);
    EXPECT_FALSE(os::FormatMessageW(6, 1041, text));
    EXPECT_EQ(os::GetLastError(), 317u);
    ASSERT_TRUE(os::FormatMessageW(5, 0, text));
    EXPECT_EQ(text, L"ja-5");
    ASSERT_TRUE(os::FormatMessageW(6, 0, text));
    EXPECT_EQ(text, L"The handle is invalid.\r\n");
}

TEST_F(Machine, LocalTimeFollowsTheVirtualClock) {
    machine.SetLocalTime({2024, 2, 28, 23, 59, 59, 500});
    os::Sleep(86400000 + 700);
    const os::LocalTime time = os::GetLocalTime();
    EXPECT_EQ(time.year, 2024);
    EXPECT_EQ(time.month, 3);
    EXPECT_EQ(time.day, 1);
    EXPECT_EQ(time.hour, 0);
    EXPECT_EQ(time.minute, 0);
    EXPECT_EQ(time.second, 0);
    EXPECT_EQ(time.milliseconds, 200);
    EXPECT_EQ(os::GetTickCount(), 86400700u);
}

TEST_F(Machine, FailuresAreInjectedIntoTheNthCall) {
    std::uint32_t needed = 0;
    std::vector<os::PortInfo2> ports;
    machine.FailCall(Operation::EnumPorts, 1722, 2);
    EXPECT_FALSE(os::EnumPortsW(0, needed, ports));
    EXPECT_EQ(os::GetLastError(), 122u);
    EXPECT_FALSE(os::EnumPortsW(needed, needed, ports));
    EXPECT_EQ(os::GetLastError(), 1722u);
    EXPECT_TRUE(os::EnumPortsW(1000, needed, ports));
    EXPECT_EQ(ports.size(), 3u);
}

}  // namespace
