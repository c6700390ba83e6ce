// The install worker on the simulated machine, started from the real main
// window: the whole install log line by line with its colours, and what the
// spooler, the disk and the shell hold afterwards.
#include "LogLines.h"
#include "WizardFixture.h"
#include "os/Errors.h"
#include "support/SimTest.h"

#include "support/ZipWriter.h"
#include "ui/TextManager.h"
#include "ui/ZipArchive.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>

namespace {

using Operation = os::sim::Operation;
using testing_support::WizardFixture;
using namespace testing_support;
using wizard::ConnectionType;

constexpr wchar_t kX64[] = L"Windows x64";
constexpr wchar_t kX86[] = L"Windows NT x86";

// The lines of a driver registered straight into the driver directory.
std::vector<Line> DirectDriver() {
    return {Tip(L"tip.startcopyfile"), Tip(L"tip.copyfilesuccess"), Tip(L"tip.startinstalldriver"),
            Tip(L"tip.installdriversuccess")};
}
std::vector<Line> Printer() { return {Tip(L"tip.startinstallprinter"), Tip(L"tip.installprintersuccess")}; }

class InstallProcedure : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        AddPort(L"USB001", L"USB Monitor");
        Request(ConnectionType::Usb, L"USB001");
    }

    void Request(ConnectionType type, const std::wstring& port, std::int32_t model = 0) {
        auto& request = state->Request();
        request.connectionType = type;
        request.portName = port;
        request.model = model;
        request.printerName = L"A4 Office";
        request.defaultPrinter = 0;
    }

    // Runs the install worker as page 9 does and waits for its end.
    void Install() {
        ASSERT_TRUE(state->StartInstall());
        ASSERT_TRUE(PumpUntil([this] { return machine.RunningThreads() == 0; }));
        ui::headless::ProcessPending();
    }

    std::vector<Line> Log() { return testing_support::LogLines(Get<ui::RichEdit>(L"wordedit_installInfo")); }

    const os::sim::Driver* DriverIn(const std::wstring& environment, const std::wstring& name) {
        for (const auto& driver : machine.spooler.drivers)
            if (driver.name == name && driver.environment == environment) return &driver;
        return nullptr;
    }

    std::vector<std::uint8_t> Entry(const std::string& name) {
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(ui::Toolkit::Process().Package().Archive().Read(name, wizard::kMaxDriverFileSize, bytes),
                  ui::ZipError::None);
        return bytes;
    }

    static std::vector<std::uint8_t> HostFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // printui as Windows runs it: it registers a driver from the INF it is
    // given, when that INF is on disk, for the architecture of the rundll32
    // that runs it: the SysWOW64 one from a 32-bit process on 64-bit Windows
    // (unless Sysnative names the native one), else the system's own.
    // forcedEnvironment stands for a printui that registers only that one.
    void FakePrintUi(const wchar_t* forcedEnvironment = nullptr) {
        machine.onShellExecute = [this, forcedEnvironment](const os::ShellExecuteInfo& info) {
            const auto inf = info.parameters.find(L"/f \"");
            const bool rundll32 = info.file.size() >= 12 &&
                                  info.file.compare(info.file.size() - 12, 12, L"rundll32.exe") == 0;
            if (!rundll32 || inf == std::wstring::npos) return;
            const std::wstring path = info.parameters.substr(inf + 4, info.parameters.size() - inf - 5);
            if (!std::filesystem::is_regular_file(machine.HostPath(path))) return;
            const bool redirected = machine.wow64 && !machine.program64Bit &&
                                    info.file.find(L"\\Sysnative\\") == std::wstring::npos;
            os::sim::Driver driver;
            driver.name = L"A4 Printer(203dpi)";
            driver.environment = forcedEnvironment ? forcedEnvironment
                                 : redirected      ? kX86
                                                   : machine.NativeEnvironment();
            driver.infPath = path;
            machine.spooler.drivers.push_back(driver);
        };
    }
};

// The port types the user names: nothing to prepare, the driver goes
// straight into the driver directory of the system's architecture.
TEST_F(InstallProcedure, PortTypesOn64And32BitWindows) {
    struct Case {
        const char* what;
        ConnectionType type;
        const wchar_t* port;
        bool windows64;
        std::int32_t model;
    };
    const Case cases[] = {
        {"USB, 64-bit", ConnectionType::Usb, L"USB001", true, 0},
        {"USB, 32-bit", ConnectionType::Usb, L"USB001", false, 0},
        {"USB, 64-bit, 300 dpi", ConnectionType::Usb, L"USB001", true, 1},
        {"LPT", ConnectionType::Lpt, L"LPT1:", true, 0},
        {"COM, 32-bit", ConnectionType::Com, L"COM1:", false, 1},
        {"custom", ConnectionType::Custom, L"FILE:", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.Reset();
        AddPort(L"USB001", L"USB Monitor");
        machine.wow64 = c.windows64;
        Request(c.type, c.port, c.model);
        Install();

        EXPECT_EQ(Log(), DirectDriver() + Printer());
        const wizard::DriverModel& model = state->Models()[static_cast<std::size_t>(c.model)];
        const std::wstring environment = c.windows64 ? kX64 : kX86;
        const os::sim::Driver* driver = DriverIn(environment, model.driverName);
        ASSERT_NE(driver, nullptr) << "registered for the system's environment";
        EXPECT_EQ(machine.spooler.drivers.size(), 1u);
        const std::wstring r = c.model == 0 ? L"203" : L"300";
        EXPECT_EQ(driver->dependentFiles, (std::vector<std::wstring>{L"QuorvelA4UI" + r + L".dll",
                                                                      L"QuorvelA4UNI" + r + L".dll",
                                                                      L"QuorvelA4" + r + L".pcd", L"plotuia4.hlp"}));
        EXPECT_EQ(driver->driverPath, model.driverFile);
        EXPECT_EQ(driver->version, 3u);
        EXPECT_EQ(driver->driverVersion, 11u);
        EXPECT_EQ(driver->manufacturer, L"NV");
        EXPECT_NE(driver->driverDate, 0u);
        // The DLLs are those of the system's architecture.
        const std::string folder = c.windows64 ? "Driver64" : "Driver32";
        const std::string dll = "QuorvelA4UNI" + std::string(r.begin(), r.end()) + ".dll";
        EXPECT_EQ(HostFile(machine.DriverDirectory(environment) / dll), Entry("driver/a4/" + folder + "/" + dll));

        const os::sim::Printer* printer = machine.FindPrinter(L"A4 Office");
        ASSERT_NE(printer, nullptr);
        EXPECT_EQ(printer->portName, c.port);
        EXPECT_EQ(printer->driverName, model.driverName);
        EXPECT_EQ(printer->printProcessor, L"WinPrint");
        EXPECT_EQ(printer->attributes, 0x40u);
        EXPECT_TRUE(Get<ui::Control>(L"btn_setup_testpage").IsVisible()) << "printerAdded";
        EXPECT_TRUE(machine.shellRuns.empty());
        EXPECT_EQ(machine.OpenHandleCount(), 0u);
    }
}

// The two records exactly as they reach the spooler, for both
// architectures: every field the program sets, and the ones it must leave
// empty (NULL at the boundary).
TEST_F(InstallProcedure, TheDriverAndPrinterRecordsFieldByField) {
    for (const bool windows64 : {true, false}) {
        SCOPED_TRACE(windows64 ? "64-bit" : "32-bit");
        machine.Reset();
        machine.wow64 = windows64;
        machine.SetLocalTime({2025, 3, 4, 10, 20, 30, 0});
        constexpr std::uint64_t kThen = 133855572300000000ull;  // that time as a FILETIME
        AddPort(L"USB001", L"USB Monitor");
        Request(ConnectionType::Usb, L"USB001", 0);
        Install();

        ASSERT_EQ(machine.spooler.addDriverCalls.size(), 1u);
        const auto& [driver, copyFlags] = machine.spooler.addDriverCalls[0];
        EXPECT_EQ(copyFlags, 0x4u);
        EXPECT_EQ(driver.version, 3u);
        EXPECT_EQ(driver.name, L"A4 Printer(203dpi)");
        EXPECT_EQ(driver.environment, windows64 ? kX64 : kX86);
        EXPECT_EQ(driver.driverPath, L"QuorvelA4UNI203.DLL");
        EXPECT_EQ(driver.dataFile, L"QuorvelA4203.pcd");
        EXPECT_EQ(driver.configFile, L"QuorvelA4UI203.DLL");
        EXPECT_EQ(driver.helpFile, L"plotuia4.hlp");
        EXPECT_EQ(driver.dependentFiles, (std::vector<std::wstring>{L"QuorvelA4UI203.dll", L"QuorvelA4UNI203.dll",
                                                                    L"QuorvelA4203.pcd", L"plotuia4.hlp"}));
        EXPECT_EQ(driver.monitorName, L"");
        EXPECT_EQ(driver.defaultDataType, L"");
        EXPECT_GE(driver.driverDate, kThen);
        EXPECT_LT(driver.driverDate, kThen + 60ull * 10000000ull);
        EXPECT_EQ(driver.driverVersion, 11u);
        EXPECT_EQ(driver.manufacturer, L"NV");
        EXPECT_EQ(driver.oemUrl, L"");
        EXPECT_EQ(driver.hardwareId, L"");
        EXPECT_EQ(driver.provider, L"NV");

        ASSERT_EQ(machine.spooler.addPrinterCalls.size(), 1u);
        const os::PrinterInfo2& printer = machine.spooler.addPrinterCalls[0];
        EXPECT_EQ(printer.printerName, L"A4 Office");
        EXPECT_EQ(printer.portName, L"USB001");
        EXPECT_EQ(printer.driverName, L"A4 Printer(203dpi)");
        EXPECT_EQ(printer.printProcessor, L"WinPrint");
        EXPECT_EQ(printer.attributes, 0x40u);
        EXPECT_EQ(printer.datatype, L"RAW");
    }
}

TEST_F(InstallProcedure, NetworkPortRefusedOrCreated) {
    AddPort(L"IP_10.0.0.9", L"Standard TCP/IP Port");
    Request(ConnectionType::Network, L"IP_10.0.0.9");
    state->Request().networkAddress = L"10.0.0.9";
    Install();
    EXPECT_EQ(Log(), (std::vector<Line>{Tip(L"tip.startaddlanport"), Error(L"tip.addlanportfail")}));
    EXPECT_TRUE(machine.spooler.drivers.empty());
    EXPECT_TRUE(machine.spooler.printers.empty());
    EXPECT_EQ(state->Request().portName, L"IP_10.0.0.9") << "kept for another try";
    EXPECT_EQ(state->Request().networkAddress, L"10.0.0.9");

    machine.Reset();
    Request(ConnectionType::Network, L"IP_10.0.0.7");
    state->Request().networkAddress = L"10.0.0.7";
    Install();
    EXPECT_EQ(Log(), (std::vector<Line>{Tip(L"tip.startaddlanport"), Tip(L"tip.addlanportsuccess")}) + DirectDriver() +
                         Printer());
    ASSERT_NE(machine.FindPort(L"IP_10.0.0.7"), nullptr);
    ASSERT_NE(machine.FindPrinter(L"A4 Office"), nullptr);
    EXPECT_EQ(machine.FindPrinter(L"A4 Office")->portName, L"IP_10.0.0.7");
    EXPECT_EQ(state->Request().portName, L"") << "tcpPortAdded frees the proposal";
    EXPECT_EQ(state->Request().networkAddress, L"");
}

TEST_F(InstallProcedure, ARefusedPairingEndsTheRunWithThePin) {
    machine.AddBluetoothAdapter(true);
    testing_support::AddBluetoothDevice(machine).pin = L"1234";
    bluetooth::ScanBluetoothPrinters(state->BluetoothDevices());
    ASSERT_EQ(state->BluetoothDevices().size(), 1u);
    Request(ConnectionType::Bluetooth, L"");
    state->Request().bluetoothDevice = 0;
    state->Request().pin = L"9999";
    Install();
    EXPECT_EQ(Log(), (std::vector<Line>{Tip(L"tip.startpairbluetooth"),
                                        {common::FormatText(Key(L"tip.pairbluetoothfailpinis"), L"9999"), true}}));
    EXPECT_TRUE(machine.spooler.drivers.empty());
}

TEST_F(InstallProcedure, ABluetoothPrinterGetsItsComPort) {
    machine.AddBluetoothAdapter(true);
    testing_support::AddBluetoothDevice(machine);
    machine.AddComPort(L"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f\\7&1a2b&0&001b35e40d7a_C00000000",
                       L"COM5");
    AddPort(L"COM5:");
    bluetooth::ScanBluetoothPrinters(state->BluetoothDevices());
    ASSERT_EQ(state->BluetoothDevices().size(), 1u);
    Request(ConnectionType::Bluetooth, L"");
    state->Request().bluetoothDevice = 0;
    Install();
    EXPECT_EQ(Log(), (std::vector<Line>{Tip(L"tip.startpairbluetooth"), Tip(L"tip.pairbluetoothsuccess"),
                                        {common::FormatText(Key(L"tip.readbluetoothserialport"), L"COM5:"), false}}) +
                         DirectDriver() + Printer());
    ASSERT_NE(machine.FindPrinter(L"A4 Office"), nullptr);
    EXPECT_EQ(machine.FindPrinter(L"A4 Office")->portName, L"COM5:");
}

// A package without one of the model's files: the path and the error, and
// the run goes on to the registration, which the spooler refuses.
TEST_F(InstallProcedure, AMissingPackageEntryIsReportedAndPassedOver) {
    const char* missing = "driver/a4/Driver64/QuorvelA4UI203.dll";
    std::vector<testing_support::ZipTestEntry> entries;
    const auto& archive = ui::Toolkit::Process().Package().Archive();
    for (const auto& entry : archive.Entries()) {
        if (entry.name == missing) continue;
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(archive.Read(entry, 64u << 20, bytes), ui::ZipError::None);
        entries.push_back({entry.name, bytes, false, true, false, 0x6d4a});
    }
    const std::vector<std::uint8_t> package = testing_support::BuildZip(entries);
    ASSERT_EQ(ui::Toolkit::Process().Package().Open(package.data(), package.size(), "wqm19990707"), ui::ZipError::None);

    Install();
    EXPECT_EQ(Log(), (std::vector<Line>{Tip(L"tip.startcopyfile"),
                                        {L"driver\\a4\\Driver64\\QuorvelA4UI203.dll", false},
                                        ErrorWith(L"tip.copyfilefail", 2), Tip(L"tip.copyfilesuccess"),
                                        Tip(L"tip.startinstalldriver"), ErrorWith(L"tip.installdriverfail", 2),
                                        Tip(L"tip.startcopyfile"), ErrorWith(L"tip.copyfilefail", 2)}));
    EXPECT_TRUE(machine.spooler.printers.empty());
    testing_support::UseBuiltPackage();
}

// The rarer failures of the install's first half, each with what it logs
// and how the run goes on.
TEST_F(InstallProcedure, RarerFailuresOfTheDriverSteps) {
    const std::wstring stage = L"C:\\Program Files (x86)\\PrinterDriver\\RMXTavrin\\";
    auto has = [](const std::vector<Line>& log, const Line& line) {
        return std::find(log.begin(), log.end(), line) != log.end();
    };
    const struct {
        const char* what;
        std::function<void()> prepare;
        std::function<void(const std::vector<Line>&)> check;
    } cases[] = {
        {"the driver directory cannot be read: logged, and the staging fallback runs",
         [&] { machine.FailCall(Operation::GetPrinterDriverDirectory, 5); },
         [&](const std::vector<Line>& log) {
             ASSERT_FALSE(log.empty());
             EXPECT_EQ(log[0], ErrorWith(L"tip.readdriverdirfail", 5));
             EXPECT_TRUE(has(log, Tip(L"tip.copyfilesuccess")));
             ASSERT_FALSE(machine.shellRuns.empty());
             EXPECT_NE(machine.shellRuns.back().info.parameters.find(L"PrintUIEntry /ia"), std::wstring::npos);
         }},
        // The lock's folder comes first: Program Files, PrinterDriver, Setup.
        {"the staging folder cannot be made",
         [&] {
             machine.FailCall(Operation::AddPrinterDriverEx, 5);
             machine.FailCall(Operation::CreateDirectory, 5, 4);
         },
         [&](const std::vector<Line>& log) {
             EXPECT_EQ(log.back(), (Line{L"Failed to create directory", true}));
             EXPECT_TRUE(machine.shellRuns.empty());
         }},
        {"a staging subfolder cannot be made",
         [&] {
             machine.FailCall(Operation::AddPrinterDriverEx, 5);
             machine.FailCall(Operation::CreateDirectory, 5, 5);
         },
         [&](const std::vector<Line>& log) {
             EXPECT_EQ(log.back(), (Line{L"Failed to create directory", true}));
             EXPECT_TRUE(std::filesystem::is_directory(machine.HostPath(stage)));
             EXPECT_TRUE(machine.shellRuns.empty());
         }},
        {"the version call fails: the certificate is imported all the same",
         [&] {
             machine.FailCall(Operation::AddPrinterDriverEx, 5);
             machine.FailCall(Operation::GetVersionEx, 5);
         },
         [&](const std::vector<Line>&) {
             ASSERT_FALSE(machine.shellRuns.empty());
             EXPECT_NE(machine.shellRuns.front().info.file.find(L"certutil.exe"), std::wstring::npos);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine.Reset();
        AddPort(L"USB001", L"USB Monitor");
        c.prepare();
        Request(ConnectionType::Usb, L"USB001", 0);
        Install();
        c.check(Log());
        EXPECT_EQ(machine.FindPrinter(L"A4 Office") != nullptr, machine.FindDriver(L"A4 Printer(203dpi)") != nullptr);
    }
}

// On ARM64 Windows the x86 program sees WOW64 as on x64; the install says
// there is no ARM64 driver and writes nothing. On x64 it goes ahead.
TEST_F(InstallProcedure, ArmWindowsGetsNothingAndIsToldWhy) {
    for (const std::uint16_t native : {std::uint16_t{0xAA64}, std::uint16_t{0x8664}}) {
        machine.Reset();
        machine.nativeMachine = native;
        AddPort(L"USB001", L"USB Monitor");
        Request(ConnectionType::Usb, L"USB001", 0);
        Install();
        if (native == 0x8664) {
            EXPECT_NE(machine.FindPrinter(L"A4 Office"), nullptr);
            continue;
        }
        EXPECT_EQ(Log(), (std::vector<Line>{Error(L"tip.arm64unsupported")}));
        EXPECT_TRUE(machine.spooler.drivers.empty());
        EXPECT_TRUE(machine.spooler.printers.empty());
        EXPECT_TRUE(machine.shellRuns.empty());
        EXPECT_TRUE(std::filesystem::is_empty(machine.DriverDirectory()));
    }
}

// Protected print mode on: the first and only line says so, and nothing is
// written on any connection (no port, no file, no driver, no printer). Off,
// or where Windows cannot tell, the install goes ahead.
TEST_F(InstallProcedure, ProtectedPrintModeStopsBeforeAnythingIsWritten) {
    struct Case {
        const char* what;
        ConnectionType type;
        const wchar_t* port;
    };
    const Case cases[] = {{"USB", ConnectionType::Usb, L"USB001"},
                          {"network", ConnectionType::Network, L"IP_10.0.0.9"},
                          {"COM", ConnectionType::Com, L"COM1:"}};
    for (const Case& c : cases) {
        for (const std::optional<bool> mode : {std::optional<bool>(true), std::optional<bool>(false),
                                               std::optional<bool>()}) {
            SCOPED_TRACE(std::string(c.what) + (mode ? (*mode ? " on" : " off") : " unknown"));
            machine.Reset();
            machine.protectedPrint = mode;
            AddPort(L"USB001", L"USB Monitor");
            const auto ports = machine.spooler.ports.size();
            Request(c.type, c.port, 0);
            if (c.type == ConnectionType::Network) state->Request().networkAddress = L"10.0.0.9";
            Install();
            if (mode.value_or(false)) {
                EXPECT_EQ(Log(), (std::vector<Line>{Error(L"tip.protectedprint")}));
                EXPECT_EQ(machine.spooler.ports.size(), ports);
                EXPECT_TRUE(machine.spooler.drivers.empty());
                EXPECT_TRUE(machine.spooler.addDriverCalls.empty());
                EXPECT_TRUE(machine.spooler.printers.empty());
                EXPECT_TRUE(machine.shellRuns.empty());
                EXPECT_TRUE(std::filesystem::is_empty(machine.DriverDirectory()));
            } else {
                EXPECT_NE(machine.FindPrinter(L"A4 Office"), nullptr);
            }
        }
    }
}

// A driver Windows blocks: the failure line explains instead of giving the
// bare code, and printui is not tried, since the same spooler decides.
TEST_F(InstallProcedure, ABlockedDriverIsExplainedAndNotRetriedThroughPrintUi) {
    for (const std::uint32_t code : {os::error::kPrinterDriverBlocked, os::error::kKmDriverBlocked}) {
        SCOPED_TRACE(code);
        machine.Reset();
        AddPort(L"USB001", L"USB Monitor");
        machine.FailCall(Operation::AddPrinterDriverEx, code);
        Request(ConnectionType::Usb, L"USB001", 0);
        Install();
        const Line blocked{common::FormatText(Key(L"tip.installdriverfail"),
                                              common::FormatText(Key(L"tip.driverblocked"), std::to_wstring(code))),
                           true};
        ASSERT_FALSE(Log().empty());
        EXPECT_EQ(Log().back(), blocked);
        EXPECT_TRUE(machine.shellRuns.empty());
        EXPECT_EQ(machine.FindPrinter(L"A4 Office"), nullptr);
    }
}

// A package whose x64 folder holds the x86 DLLs: the spooler refuses them
// as Windows does, the log says why, and no printer is added.
TEST_F(InstallProcedure, DllsOfTheWrongArchitectureAreRefused) {
    std::vector<testing_support::ZipTestEntry> entries;
    const auto& archive = ui::Toolkit::Process().Package().Archive();
    for (const auto& entry : archive.Entries()) {
        std::string name = entry.name;
        const auto folder = name.find("/Driver32/");
        if (name.find("/Driver64/") != std::string::npos) continue;
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(archive.Read(entry, 64u << 20, bytes), ui::ZipError::None);
        entries.push_back({name, bytes, false, true, false, 0x6d4a});
        if (folder != std::string::npos) {
            name.replace(folder, 10, "/Driver64/");
            entries.push_back({name, bytes, false, true, false, 0x6d4a});
        }
    }
    const std::vector<std::uint8_t> package = testing_support::BuildZip(entries);
    ASSERT_EQ(ui::Toolkit::Process().Package().Open(package.data(), package.size(), "wqm19990707"), ui::ZipError::None);

    machine.wow64 = true;
    Install();
    const std::vector<Line> log = Log();
    EXPECT_NE(std::find(log.begin(), log.end(), ErrorWith(L"tip.installdriverfail", 216)), log.end());
    EXPECT_TRUE(machine.spooler.drivers.empty());
    EXPECT_TRUE(machine.spooler.printers.empty());
    testing_support::UseBuiltPackage();
}

// The spooler refuses the driver: the staging folder and printui, which
// leave a driver of the system's environment, or none it can use.
TEST_F(InstallProcedure, AFallbackThatWorksAndOneThatDoesNot) {
    struct Case {
        const char* what;
        bool windows64;
        os::OsVersion version;
        bool printUiRuns;
        const wchar_t* printUiRegistersOnly;  // an environment, or the one printui runs in
        const wchar_t* infFolder;
        bool certificate;
        bool works;
    };
    const Case cases[] = {
        {"64-bit", true, {10, 0, 19045}, true, nullptr, L"Driver64", true, true},
        {"32-bit Windows 7", false, {6, 1, 7601}, true, nullptr, L"Driver32", false, true},
        {"printui adds nothing", true, {6, 2, 9200}, false, nullptr, L"Driver64", true, false},
        {"only an x86 driver on 64-bit Windows", true, {6, 2, 9200}, true, kX86, L"Driver64", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.Reset();
        AddPort(L"USB001", L"USB Monitor");
        machine.wow64 = c.windows64;
        machine.version = c.version;
        if (c.printUiRuns) FakePrintUi(c.printUiRegistersOnly);
        machine.FailCall(Operation::AddPrinterDriverEx, 5);
        Install();

        const std::vector<Line> start = {Tip(L"tip.startcopyfile"),        Tip(L"tip.copyfilesuccess"),
                                         Tip(L"tip.startinstalldriver"),   ErrorWith(L"tip.installdriverfail", 5),
                                         Tip(L"tip.startcopyfile"),        Tip(L"tip.copyfilesuccess"),
                                         Tip(L"tip.startinstalldriver")};
        const std::vector<Line> end =
            c.works ? std::vector<Line>{Tip(L"tip.installdriversuccess")} + Printer()
                    : std::vector<Line>{Error(L"tip.installdriverfail2")};
        EXPECT_EQ(Log(), start + end);
        EXPECT_EQ(machine.FindPrinter(L"A4 Office") != nullptr, c.works);

        const std::wstring stage = L"C:\\Program Files (x86)\\PrinterDriver\\RMXTavrin\\";
        const std::wstring inf = stage + c.infFolder + L"\\QuorvelA4.inf";
        ASSERT_EQ(machine.shellRuns.size(), c.certificate ? 2u : 1u);
        if (c.certificate) {
            EXPECT_EQ(machine.shellRuns[0].info.file,
                      c.windows64 ? L"C:\\Windows\\Sysnative\\certutil.exe" : L"C:\\Windows\\System32\\certutil.exe");
            EXPECT_EQ(machine.shellRuns[0].info.parameters, L"-addstore \"TrustedPublisher\" \"" + stage + L"kvtp.cer\"");
            EXPECT_TRUE(std::filesystem::is_regular_file(machine.HostPath(stage + L"kvtp.cer")));
        }
        // The signer once, however certutil fared.
        const auto signer = Entry("driver/a4/kvtp.cer");
        EXPECT_EQ(machine.trustedPublishers,
                  c.certificate ? std::vector<std::vector<std::uint8_t>>{signer}
                                : std::vector<std::vector<std::uint8_t>>{});
        const auto& printUi = machine.shellRuns.back();
        EXPECT_EQ(printUi.info.file, c.windows64 ? L"C:\\Windows\\Sysnative\\rundll32.exe" : L"C:\\Windows\\System32\\rundll32.exe");
        EXPECT_EQ(printUi.info.parameters, L"printui.dll, PrintUIEntry /ia /m \"A4 Printer(203dpi)\" /f \"" + inf + L"\"");
        EXPECT_TRUE(printUi.waitedFor);
        for (const auto& run : machine.shellRuns) EXPECT_TRUE(run.comInitialised) << "the worker has COM";
        EXPECT_TRUE(std::filesystem::is_regular_file(machine.HostPath(inf)));
    }
}

// A certutil that ends with 0 and imports nothing (Wine's): the signer is
// added through the store's API, so printui finds it trusted.
TEST_F(InstallProcedure, FallbackTrustsTheSignerWhenCertutilDidNot) {
    AddPort(L"USB001", L"USB Monitor");
    machine.version = {10, 0, 19045};
    FakePrintUi();
    const auto printUi = machine.onShellExecute;
    machine.onShellExecute = [&](const os::ShellExecuteInfo& info) {
        printUi(info);
        // The file gone before certutil reads it: an exit code of 0, nothing imported.
        const auto certificate = info.parameters.rfind(L"\" \"");
        if (info.file.find(L"certutil") != std::wstring::npos && certificate != std::wstring::npos)
            std::filesystem::remove(machine.HostPath(
                info.parameters.substr(certificate + 3, info.parameters.size() - certificate - 4)));
    };
    machine.FailCall(Operation::AddPrinterDriverEx, 5);
    Install();
    const auto signer = Entry("driver/a4/kvtp.cer");
    EXPECT_EQ(machine.trustedPublishers, (std::vector<std::vector<std::uint8_t>>{signer}));
}

TEST_F(InstallProcedure, APrinterTheSpoolerRefuses) {
    struct Case {
        const char* what;
        const wchar_t* port;
        std::uint32_t injected;  // 0: the spooler's own answer
        std::uint32_t error;
        bool box;
    };
    const Case cases[] = {
        {"unknown port, listed", L"COM1:", 1796, 1796, false},
        {"unknown port, not listed", L"USB009", 0, 1796, true},
        {"printer exists", L"USB001", 0, 1802, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.Reset();
        ui::headless::Desktop::Instance().Reset();
        AddPort(L"USB001", L"USB Monitor");
        if (c.error == 1802) machine.spooler.printers.push_back({L"A4 Office", L"Other", L"LPT1:"});
        if (c.injected) machine.FailCall(Operation::AddPrinter, c.injected);
        Request(ConnectionType::Usb, c.port);
        Install();

        const std::vector<Line> refused = {Tip(L"tip.startinstallprinter"), ErrorWith(L"tip.installprinterfail", c.error)};
        EXPECT_EQ(Log(), DirectDriver() + refused);
        ASSERT_EQ(Boxes().size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(Boxes()[0].text, Key(L"tip.port.unidentification"));
            EXPECT_EQ(Boxes()[0].caption, Key(L"tip.dlgtitle"));
            EXPECT_EQ(Boxes()[0].style, 0x40u);
            EXPECT_EQ(Boxes()[0].owner, window->Handle());
        }
        EXPECT_FALSE(Get<ui::Control>(L"btn_setup_testpage").IsVisible());
        EXPECT_NE(DriverIn(kX64, L"A4 Printer(203dpi)"), nullptr) << "the driver stays registered";
    }
}

// A staging folder a standard user made beforehand could have its INF,
// certificate or DLLs swapped before certutil and printui use them.
TEST_F(InstallProcedure, AStagingFolderOthersCanWriteIsRefusedBeforeAnythingRuns) {
    AddPort(L"USB001", L"USB Monitor");
    // The staging folder is on C:\ then (the lock's folder asked first).
    machine.FailCall(Operation::SHGetFolderPath, 1, 2);
    std::filesystem::create_directories(machine.HostPath(L"C:\\PrinterDriver"));
    machine.SetFolderSecurity(L"C:\\PrinterDriver", os::sim::UserFolderSecurity());
    machine.FailCall(Operation::AddPrinterDriverEx, 5);
    Install();
    EXPECT_EQ(Log(), (std::vector<Line>{Tip(L"tip.startcopyfile"), Tip(L"tip.copyfilesuccess"),
                                        Tip(L"tip.startinstalldriver"), ErrorWith(L"tip.installdriverfail", 5),
                                        {L"Failed to create directory", true}}));
    EXPECT_TRUE(machine.shellRuns.empty());
    EXPECT_FALSE(std::filesystem::exists(machine.HostPath(L"C:\\PrinterDriver\\RMXTavrin")));
}

TEST_F(InstallProcedure, OnlyAFlagOfOneMakesTheDefaultPrinter) {
    for (const std::int32_t flag : {1, 0, -1}) {
        SCOPED_TRACE(flag);
        machine.Reset();
        AddPort(L"USB001", L"USB Monitor");
        machine.spooler.defaultPrinter = L"Old Default";
        Request(ConnectionType::Usb, L"USB001");
        state->Request().defaultPrinter = flag;
        Install();
        EXPECT_EQ(Log(), DirectDriver() + Printer());
        EXPECT_EQ(machine.spooler.defaultPrinter, flag == 1 ? L"A4 Office" : L"Old Default");
    }
}

// The procedure on its own, as the unattended mode runs it: no window, its
// lines and its box through the sink, in order.
class ProcedureAlone : public testing_support::AppFixture {};

TEST_F(ProcedureAlone, ReportsThroughItsSinkWithoutAWindow) {
    struct RecordingSink : wizard::ProcedureSink {
        std::vector<std::wstring> said;
        void Log(const std::wstring& text, Line kind) override {
            said.push_back((kind == Line::Error ? L"error " : L"") + text);
        }
        void Clear() override { said.push_back(L"clear "); }
        void Inform(const std::wstring& text) override { said.push_back(L"box " + text); }
        os::WindowHandle Owner() const override { return os::WindowHandle::None; }
    } sink;
    ui::TextManager::Process().Load(L"lan_en.xml");
    wizard::InstallRequest request;
    request.connectionType = ConnectionType::Usb;
    request.portName = L"USB009";  // a port the spooler does not list
    request.model = 0;
    request.printerName = L"A4 Office";
    const wizard::InstallResult result = wizard::RunInstallProcedure(request, state->Models(), nullptr, sink);
    EXPECT_FALSE(result.printerAdded);
    const std::vector<std::wstring> expected = {
        L"clear ", Key(L"tip.startcopyfile"), Key(L"tip.copyfilesuccess"), Key(L"tip.startinstalldriver"),
        common::FormatText(Key(L"tip.installdriversuccess"), L""), Key(L"tip.startinstallprinter"),
        L"error " + common::FormatText(Key(L"tip.installprinterfail"), os::SystemErrorText(1796)),
        L"box " + Key(L"tip.port.unidentification")};
    EXPECT_EQ(sink.said, expected);
}

}  // namespace
