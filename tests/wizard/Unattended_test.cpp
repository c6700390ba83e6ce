// The unattended mode on the simulated machine: an install on each kind of
// connection writes to its log file what the wizard's window shows for the
// same request, line by line; and every way it can end has its exit code.
#include "LogLines.h"
#include "WizardFixture.h"
#include "support/SimTest.h"

#include "ui/Utf.h"
#include "wizard/Unattended.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using testing_support::WizardFixture;
using namespace testing_support;
using wizard::ConnectionType;

constexpr wchar_t kLog[] = L"C:\\Temp\\setup.log";

class Unattended : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        std::filesystem::create_directories(machine.HostPath(L"C:\\Temp"));
    }

    // Runs the arguments (the log added) and returns the exit code; `lines`
    // gets the log's lines between the run's own (its start and the request
    // it understood, and its exit code); `whole` every line.
    int Run(std::vector<std::wstring> arguments, std::vector<Line>* lines = nullptr,
            std::vector<Line>* whole = nullptr) {
        std::filesystem::remove(machine.HostPath(kLog));
        arguments.push_back(std::wstring(L"/log:") + kLog);
        outcome = wizard::RunUnattended(wizard::ParseCommandLine(arguments), state->Models(), state->Languages());
        std::ifstream file(machine.HostPath(kLog), std::ios::binary);
        std::vector<Line> all;
        for (std::string line; std::getline(file, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            // "YYYY-MM-DD hh:mm:ss.mmm INFO  text" or "... ERROR text"
            all.push_back({ui::Utf8ToWide(line.substr(30)), line.compare(24, 5, "ERROR") == 0});
        }
        if (lines != nullptr && all.size() >= 3) *lines = std::vector<Line>(all.begin() + 2, all.end() - 1);
        if (whole != nullptr) *whole = all;
        return outcome.exitCode;
    }

    // The wizard's install of the same request, from a fresh machine.
    std::vector<Line> WizardInstall(const std::function<void()>& prepare, const wizard::InstallRequest& request,
                                    const std::vector<os::BluetoothDeviceRecord>& devices = {}) {
        TearDown();
        SetUp();
        prepare();
        state->Request() = request;
        state->BluetoothDevices() = devices;
        EXPECT_TRUE(state->StartInstall());
        EXPECT_TRUE(PumpUntil([this] { return machine.RunningThreads() == 0; }));
        ui::headless::ProcessPending();
        return OneLineEach(LogLines(Get<ui::RichEdit>(L"wordedit_installInfo")));
    }

    wizard::UnattendedOutcome outcome;
};

wizard::InstallRequest Request(ConnectionType type, const std::wstring& port, const std::wstring& address = L"") {
    wizard::InstallRequest request;
    request.connectionType = type;
    request.portName = port;
    request.networkAddress = address;
    request.model = 1;
    request.printerName = L"Front desk";
    request.defaultPrinter = 0;
    return request;
}

TEST_F(Unattended, InstallsWriteTheWizardsLogOnEachConnection) {
    auto bluetoothPrinter = [this] {
        machine.AddBluetoothAdapter(true);
        testing_support::AddBluetoothDevice(machine).pin = L"0000";
        machine.AddComPort(L"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f\\7&1a2b&0&001b35e40d7a_C00000000",
                           L"COM5");
        AddPort(L"COM5:");
    };
    auto usbPrinter = [this] {
        machine.AddUsbPrinter(L"USB\\VID_1234&PID_5678\\A4", L"\\\\?\\usb#vid_1234&pid_5678#a4#{28d78fad}", 1);
        AddPort(L"USB001", L"USB Monitor");
    };
    wizard::InstallRequest bluetoothRequest = Request(ConnectionType::Bluetooth, L"");
    bluetoothRequest.bluetoothDevice = 0;
    bluetoothRequest.pin = L"0000";
    struct Case {
        const char* what;
        std::vector<std::wstring> arguments;
        std::function<void()> prepare;
        wizard::InstallRequest request;
        const wchar_t* port;
    };
    const Case cases[] = {
        {"COM", {L"/install", L"/model:300", L"/port:com1:", L"/name:Front desk"}, [] {},
         Request(ConnectionType::Com, L"COM1:"), L"COM1:"},
        {"network", {L"/install", L"/model:300", L"/ip:192.168.1.50", L"/name:Front desk"}, [] {},
         Request(ConnectionType::Network, L"192.168.1.50", L"192.168.1.50"), L"192.168.1.50"},
        {"USB", {L"/install", L"/model:300", L"/usb", L"/name:Front desk"}, usbPrinter,
         Request(ConnectionType::Usb, L"USB001"), L"USB001"},
        {"Bluetooth", {L"/install", L"/model:300", L"/bluetooth:00-1b-35-e4-0d-7a", L"/pin:0000", L"/name:Front desk"},
         bluetoothPrinter, bluetoothRequest, L"COM5:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.prepare();
        std::vector<Line> unattended;
        EXPECT_EQ(Run(c.arguments, &unattended), wizard::kExitSuccess) << testing::PrintToString(unattended);
        ASSERT_NE(machine.FindPrinter(L"Front desk"), nullptr);
        EXPECT_EQ(machine.FindPrinter(L"Front desk")->portName, c.port);
        const std::vector<Line> shown = WizardInstall(c.prepare, c.request, {testing_support::BluetoothRecord()});
        EXPECT_EQ(unattended, shown);
    }
}

TEST_F(Unattended, ExitCodesSayHowItEnded) {
    struct Case {
        const char* what;
        std::vector<std::wstring> arguments;
        std::function<void()> prepare;
        int exitCode;
        bool printerAdded;
    };
    const std::vector<std::wstring> install = {L"/install", L"/model:203", L"/port:LPT1:"};
    const auto with = [&](std::vector<std::wstring> more) {
        more.insert(more.begin(), install.begin(), install.end());
        return more;
    };
    const Case cases[] = {
        {"a proposed name", install, [] {}, wizard::kExitSuccess, true},
        {"a port that is not there", {L"/install", L"/model:203", L"/port:COM9:"}, [] {}, 87, false},
        {"an address that is no IPv4", {L"/install", L"/model:203", L"/ip:192.168.01.5"}, [] {}, 87, false},
        {"a name that is taken", with({L"/name:Laser"}), [this] { AddPrinter(L"Laser"); }, 87, false},
        {"a name with a comma", with({L"/name:a,b"}), [] {}, 87, false},
        {"a language it lacks", with({L"/lang:1031"}), [] {}, 87, false},
        {"another copy at work", install, [this] { machine.workLockHeldElsewhere = true; }, 1618, false},
        {"a spooler that refuses the printer", install,
         [this] { machine.FailCall(os::sim::Operation::AddPrinter, 5); }, 1603, false},
        {"no USB printer", {L"/install", L"/model:203", L"/usb"}, [] {}, 1603, false},
        {"protected print mode", install, [this] { machine.protectedPrint = true; }, 1603, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.prepare();
        const std::size_t before = machine.spooler.printers.size();
        EXPECT_EQ(Run(c.arguments), c.exitCode);
        EXPECT_EQ(machine.spooler.printers.size(), before + (c.printerAdded ? 1 : 0));
        EXPECT_EQ(outcome.message.empty(), c.exitCode == 0);
        EXPECT_FALSE(machine.workLockHeld) << "the lock is given back";
    }
    EXPECT_EQ(machine.FindPrinter(L"A4 Printer(203dpi)"), nullptr);
    // A log that cannot be written stops the run before anything happens.
    EXPECT_EQ(wizard::RunUnattended(wizard::ParseCommandLine(with({L"/log:C:\\NoSuchFolder\\x.log"})), state->Models(),
                                    state->Languages())
                  .exitCode,
              87);
    EXPECT_TRUE(machine.spooler.printers.empty());
}

// The spooler compares names without case: a name taken in another case is
// refused before anything (here a TCP/IP port) is added.
TEST_F(Unattended, ANameTakenInAnotherCaseChangesNothing) {
    AddPrinter(L"Laser");
    const std::size_t ports = machine.spooler.ports.size();
    EXPECT_EQ(Run({L"/install", L"/model:203", L"/ip:10.0.0.5", L"/name:LASER"}), 87);
    EXPECT_EQ(machine.spooler.ports.size(), ports);
    EXPECT_EQ(machine.FindDriver(L"A4 Printer(203dpi)"), nullptr);
}

// The lock is a file in an administrators' folder beside the staging
// folder, which no user can make first; the folder goes again when empty.
// Where it is not kept to the staging rule, the run fails with the reason
// instead of waiting for ever for "another copy".
TEST_F(Unattended, TheLockIsAFileNoUserCanHold) {
    const std::wstring setup = L"C:\\Program Files (x86)\\PrinterDriver\\Setup";
    ASSERT_EQ(Run({L"/install", L"/model:203", L"/port:LPT1:"}), 0);
    EXPECT_EQ(machine.workLockFile, setup + L"\\QuorvelA4Setup.lock");
    EXPECT_FALSE(std::filesystem::exists(machine.HostPath(setup))) << "the empty folder is removed again";

    std::filesystem::create_directories(machine.HostPath(setup));
    machine.SetFolderSecurity(setup, os::sim::UserFolderSecurity());
    std::vector<Line> log;
    EXPECT_EQ(Run({L"/remove", L"/printer:A4 Printer(203dpi)"}, &log), 1603);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().text.rfind(L"The lock in " + setup + L"\\ cannot be taken: Code: 5", 0), 0u)
        << testing::PrintToString(log.back().text);
    EXPECT_NE(machine.FindPrinter(L"A4 Printer(203dpi)"), nullptr);
}

// SYSTEM appends to its log: a path a user could bend elsewhere is refused
// with 87 before anything runs, and what it points to is left as it was.
TEST_F(Unattended, ALogAUserCouldRedirectIsRefused) {
    namespace fs = std::filesystem;
    const auto host = [this](const wchar_t* path) { return machine.HostPath(path); };
    fs::create_directories(host(L"C:\\Users\\Public"));
    std::ofstream(host(L"C:\\Users\\Public\\target.txt")) << "theirs";
    fs::create_directory_symlink(host(L"C:\\Users\\Public"), host(L"C:\\Temp\\junction"));
    fs::create_symlink(host(L"C:\\Users\\Public\\target.txt"), host(L"C:\\Temp\\link.log"));
    fs::create_hard_link(host(L"C:\\Users\\Public\\target.txt"), host(L"C:\\Temp\\second.log"));
    std::ofstream(host(L"C:\\Temp\\users.log")) << "made by a user";
    machine.SetFolderSecurity(L"C:\\Temp\\users.log", os::sim::UserFolderSecurity());
    fs::create_directories(host(L"C:\\Temp\\folder.log"));
    const struct {
        const wchar_t* log;
        const wchar_t* reason;
    } cases[] = {
        {L"setup.log", L"The log must be a full path"},
        {L"C:\\Temp\\junction\\setup.log", L"The folder C:\\Temp\\junction is a junction or link"},
        {L"C:\\Temp\\link.log", L"C:\\Temp\\link.log is a link"},
        {L"C:\\Temp\\second.log", L"C:\\Temp\\second.log has other names"},
        {L"C:\\Temp\\users.log", L"C:\\Temp\\users.log belongs to S-1-5-21-"},
        {L"C:\\Temp\\folder.log", L"C:\\Temp\\folder.log is a folder"},
        {L"C:\\Temp\\..\\Temp\\x.log", L"is not plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.log)));
        const wizard::UnattendedOutcome refused = wizard::RunUnattended(
            wizard::ParseCommandLine({L"/install", L"/model:203", L"/port:LPT1:", std::wstring(L"/log:") + c.log}),
            state->Models(), state->Languages());
        EXPECT_EQ(refused.exitCode, 87);
        EXPECT_EQ(refused.message.rfind(c.reason, 0) == 0 || refused.message.find(c.reason) != std::wstring::npos, true)
            << testing::PrintToString(refused.message);
    }
    EXPECT_TRUE(machine.spooler.printers.empty());
    std::ifstream target(host(L"C:\\Users\\Public\\target.txt"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(target), {}), "theirs");
    EXPECT_TRUE(machine.redirectionTrust) << "turned on before the log is opened";
}

// Without /log the log goes to the program's own administrators' folder.
TEST_F(Unattended, TheDefaultLogIsInTheAdministratorsFolder) {
    const std::wstring log = L"C:\\Program Files (x86)\\PrinterDriver\\Setup\\QuorvelA4Setup.log";
    EXPECT_EQ(wizard::DefaultLogPath(), log);
    EXPECT_EQ(wizard::RunUnattended(wizard::ParseCommandLine({L"/check", L"/printer:x"}), state->Models(),
                                    state->Languages())
                  .exitCode,
              1);
    EXPECT_TRUE(std::filesystem::exists(machine.HostPath(log)));
    EXPECT_EQ(machine.FolderSecurityOf(L"C:\\Program Files (x86)\\PrinterDriver\\Setup").owner,
              os::kSidAdministrators);
}

// Deployment tools run an install again when their detection fails, and a
// removal after a user removed the printer: both end in success and change
// nothing. A name taken by another driver or port is still refused.
TEST_F(Unattended, ReRunsSucceedAndChangeNothing) {
    const std::vector<std::wstring> named = {L"/install", L"/model:300", L"/port:COM1:", L"/name:Front desk"};
    ASSERT_EQ(Run(named), 0);
    std::vector<Line> log;
    EXPECT_EQ(Run(named, &log), 0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, L"The printer Front desk is already installed on A4 Printer(300dpi) at COM1:; nothing "
                           L"was changed.");
    EXPECT_EQ(Run({L"/install", L"/model:300", L"/port:com1:"}), 0) << "no name: the printer on that port";
    EXPECT_EQ(machine.spooler.printers.size(), 1u);
    EXPECT_EQ(Run({L"/install", L"/model:300", L"/port:LPT1:", L"/name:FRONT DESK"}), 87) << "another port";
    EXPECT_EQ(Run({L"/install", L"/model:203", L"/port:COM1:", L"/name:Front desk"}), 87) << "another model";
    EXPECT_EQ(machine.spooler.printers.size(), 1u);

    // A network printer's port is named after its address.
    const std::vector<std::wstring> network = {L"/install", L"/model:300", L"/ip:10.0.0.5"};
    ASSERT_EQ(Run(network), 0);
    const std::size_t ports = machine.spooler.ports.size();
    EXPECT_EQ(Run(network), 0);
    EXPECT_EQ(machine.spooler.ports.size(), ports);
    EXPECT_EQ(machine.spooler.printers.size(), 2u);

    EXPECT_EQ(Run({L"/remove", L"/printer:Front desk"}), 0);
    EXPECT_EQ(Run({L"/remove", L"/printer:Front desk"}, &log), 0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, L"There is no printer Front desk; nothing to remove.");
}

// The log says what ran and what was understood, in English unless /lang
// says otherwise, with a PIN hidden; /check says its word on the output.
TEST_F(Unattended, TheLogSaysWhatRanAndWhatWasUnderstood) {
    machine.uiLanguage = 1041;
    std::vector<Line> all;
    EXPECT_EQ(Run({L"/check", L"/printer:Front desk"}, nullptr, &all), 1);
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0].text, L"Unattended check started: PrinterDriverSetup " + std::wstring(PROGRAM_VERSION_W) +
                               L", command line: /check \"/printer:Front desk\" /log:C:\\Temp\\setup.log");
    EXPECT_EQ(all[1].text, L"Request: check the printer \"Front desk\".");
    EXPECT_EQ(outcome.output, L"Not installed");
    ASSERT_EQ(Run({L"/install", L"/model:203", L"/port:LPT1:", L"/name:Front desk", L"/default"}, nullptr, &all), 0);
    EXPECT_EQ(all[1].text, L"Request: install model 203 dpi on port LPT1:, name \"Front desk\", default printer yes.");
    EXPECT_EQ(all[2].text, L"Copying the driver files\u2026") << "English, whatever SYSTEM's UI language";
    EXPECT_EQ(Run({L"/check", L"/printer:front desk"}), 0);
    EXPECT_EQ(outcome.output, L"Installed");
    Run({L"/install", L"/model:203", L"/bluetooth:00-11-22-33-44-55", L"/pin:1234"}, nullptr, &all);
    ASSERT_FALSE(all.empty());
    EXPECT_NE(all[0].text.find(L"/pin:****"), std::wstring::npos);
    EXPECT_EQ(all[0].text.find(L"1234"), std::wstring::npos);
}

TEST_F(Unattended, CheckAndRemove) {
    ASSERT_EQ(Run({L"/install", L"/model:300", L"/port:COM1:", L"/name:Front desk"}), 0);
    AddPrinter(L"Other");  // on the same driver
    machine.spooler.printers.push_back(os::sim::Printer{L"Laser", L"HP Universal Printing PCL 6", L"LPT1:"});
    EXPECT_EQ(Run({L"/check", L"/printer:front desk"}), 0);
    EXPECT_EQ(Run({L"/check", L"/printer:Back office"}), 1);
    EXPECT_EQ(Run({L"/check", L"/printer:Laser"}), 1) << "not on our driver";
    EXPECT_EQ(Run({L"/remove", L"/printer:Laser"}), 1603) << "not ours to remove";
    ASSERT_NE(machine.FindPrinter(L"Laser"), nullptr);
    // The driver stays while another printer uses it, and that is no failure.
    std::vector<Line> log;
    EXPECT_EQ(Run({L"/remove", L"/printer:Front desk", L"/driver"}, &log), 0);
    EXPECT_EQ(machine.FindPrinter(L"Front desk"), nullptr);
    ASSERT_NE(machine.FindDriver(L"A4 Printer(300dpi)"), nullptr);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().text, L"The driver A4 Printer(300dpi) stays: Other still uses it.");
    EXPECT_EQ(Run({L"/remove", L"/printer:Other", L"/driver"}), 0);
    EXPECT_EQ(machine.FindDriver(L"A4 Printer(300dpi)"), nullptr);
    EXPECT_EQ(Run({L"/check", L"/printer:Other"}), 1);
}

}  // namespace
