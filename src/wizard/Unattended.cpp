// The unattended run: the log file, the lock, the request built and checked
// as the wizard's pages would, the procedure, and the exit code.
#include "wizard/Unattended.h"

#include "base/Strings.h"
#include "bluetooth/Bluetooth.h"
#include "os/ErrorText.h"
#include "os/Files.h"
#include "os/System.h"
#include "printsys/NetworkCheck.h"
#include "printsys/SpoolerInventory.h"
#include "printsys/UsbDiscovery.h"
#include "ui/TextManager.h"
#include "ui/Utf.h"
#include "wizard/Procedures.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace wizard {
namespace {

constexpr wchar_t kLogName[] = L"QuorvelA4Setup.log";

#define PROGRAM_VERSION_WIDE2(text) L##text
#define PROGRAM_VERSION_WIDE(text) PROGRAM_VERSION_WIDE2(text)
#define PROGRAM_VERSION_TEXT PROGRAM_VERSION_WIDE(PROGRAM_VERSION)

std::wstring TimeStamp() {
    const os::LocalTime t = os::GetLocalTime();
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds);
    return text;
}

// Each line as it happens, UTF-8, appended and written through at once, so
// a run that is killed leaves what it did. Red lines of the window are
// marked ERROR; the procedures' boxes become lines.
class LogFile : public ProcedureSink {
public:
    explicit LogFile(os::KernelHandle file) : file_(file) {}
    ~LogFile() override { os::CloseHandle(file_); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void Log(const std::wstring& text, Line kind) override {
        if (text.empty()) return;
        std::wstring line = TimeStamp() + (kind == Line::Error ? L" ERROR " : L" INFO  ");
        // A system message may end in a line break; one entry is one line.
        for (const wchar_t c : text) line += (c == L'\r' || c == L'\n') ? L' ' : c;
        while (!line.empty() && line.back() == L' ') line.pop_back();
        const std::string bytes = ui::WideToUtf8(line) + "\r\n";
        std::uint32_t written = 0;
        if (!os::WriteFile(file_, bytes.data(), static_cast<std::uint32_t>(bytes.size()), written) ||
            written != bytes.size())
            failed_ = true;
    }
    void Clear() override {}
    void Inform(const std::wstring& text) override { Info(text); }
    os::WindowHandle Owner() const override { return os::WindowHandle::None; }
    bool Failed() const { return failed_; }

private:
    os::KernelHandle file_;
    bool failed_ = false;
};

ConnectionType PortConnection(const std::wstring& port) {
    const std::wstring head = port.substr(0, 3);
    if (base::EqualNoCase(head, L"COM")) return ConnectionType::Com;
    if (base::EqualNoCase(head, L"LPT")) return ConnectionType::Lpt;
    if (base::EqualNoCase(head, L"USB")) return ConnectionType::Usb;
    return ConnectionType::Custom;
}

// The spooler's own spelling of a listed port.
std::optional<std::wstring> ListedPort(const std::wstring& name) {
    std::vector<printsys::SpoolerEntry> ports;
    printsys::ListPorts(ports);
    for (const printsys::SpoolerEntry& port : ports)
        if (base::EqualNoCase(port.first, name)) return port.first;
    return std::nullopt;
}

// The printer of that name (any case) as the spooler lists it.
std::optional<printsys::SpoolerEntry> ListedPrinter(const std::wstring& name) {
    std::vector<printsys::SpoolerEntry> printers;
    printsys::ListPrinters(printers);
    for (const printsys::SpoolerEntry& printer : printers)
        if (base::EqualNoCase(printer.first, name)) return printer;
    return std::nullopt;
}

struct Refusal {
    int exitCode;
    std::wstring reason;
};

// The install request as the wizard's pages would make it, checked by the
// same rules; a refusal says why.
std::optional<Refusal> BuildInstallRequest(const CommandLine& command, const std::vector<DriverModel>& models,
                                           InstallRequest& request,
                                           std::optional<bluetooth::BluetoothDeviceInfo>& device) {
    request.model = command.modelDpi == 203 ? 0 : 1;
    if (static_cast<std::size_t>(request.model) >= models.size()) return Refusal{kExitFailed, L"No such model."};
    request.defaultPrinter = command.makeDefault ? 1 : 0;
    if (!command.port.empty()) {
        const std::optional<std::wstring> port = ListedPort(command.port);
        if (!port) return Refusal{kExitBadCommandLine, L"The port " + command.port + L" does not exist."};
        request.portName = *port;
        request.connectionType = PortConnection(*port);
    } else if (!command.address.empty()) {
        std::uint32_t address = 0;
        if (!printsys::ParseIPv4(command.address, address))
            return Refusal{kExitBadCommandLine, command.address + L" is not an IPv4 address (four numbers 0-255)."};
        request.connectionType = ConnectionType::Network;
        request.networkAddress = command.address;
        request.portName = FreeNetworkPortName(command.address);
    } else if (command.usb) {
        request.connectionType = ConnectionType::Usb;
        std::vector<printsys::SpoolerEntry> found;
        printsys::ListUsbPrinters(found);
        for (const printsys::SpoolerEntry& printer : found)
            if (!printer.second.empty() &&
                (command.usbPort.empty() || base::EqualNoCase(printer.second, command.usbPort))) {
                request.portName = printer.second;
                break;
            }
        if (request.portName.empty())
            return command.usbPort.empty()
                       ? Refusal{kExitFailed, L"No USB printer was found."}
                       : Refusal{kExitBadCommandLine, L"No USB printer is on the port " + command.usbPort + L"."};
    } else {
        const std::optional<std::uint64_t> address = bluetooth::ParseBluetoothAddress(command.bluetooth);
        if (!address)
            return Refusal{kExitBadCommandLine,
                           command.bluetooth + L" is not a Bluetooth address (such as 00-11-22-33-44-55)."};
        request.connectionType = ConnectionType::Bluetooth;
        if (!command.pin.empty()) request.pin = command.pin;
        if (!bluetooth::HasBluetoothAdapter() || !bluetooth::HasBluetoothRadio())
            return Refusal{kExitFailed, L"This computer has no Bluetooth adapter that is switched on."};
        std::vector<bluetooth::BluetoothDeviceInfo> found;
        bluetooth::ScanBluetoothPrinters(found);
        for (const bluetooth::BluetoothDeviceInfo& candidate : found)
            if (candidate.address == *address) device = candidate;
        if (!device) return Refusal{kExitFailed, L"No Bluetooth printer " + command.bluetooth + L" is in reach."};
    }
    if (command.printerName.empty()) {
        request.printerName = FreePrinterName(models[static_cast<std::size_t>(request.model)].displayName);
    } else {
        request.printerName = command.printerName;
        if (!printsys::IsValidPrinterName(request.printerName))
            return Refusal{kExitBadCommandLine,
                           common::FormatKey(L"tip.printernameinvalid", request.printerName)};
        if (printsys::PrinterExists(request.printerName))
            return Refusal{kExitBadCommandLine,
                           common::FormatKey(L"tip.printernametaken", request.printerName)};
    }
    return std::nullopt;
}

// Whether a printer's port is the one the request asks for: the same name,
// or for a network printer a port named after the same address (the
// address, or it with "_1", "_2"...).
bool SamePort(const std::wstring& port, const InstallRequest& request) {
    if (request.connectionType != ConnectionType::Network) return base::EqualNoCase(port, request.portName);
    const std::wstring& address = request.networkAddress;
    if (base::EqualNoCase(port, address)) return true;
    if (port.size() <= address.size() + 1 || port.compare(0, address.size() + 1, address + L"_") != 0) return false;
    return std::all_of(port.begin() + static_cast<std::ptrdiff_t>(address.size() + 1), port.end(),
                       [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// A printer that already is what the install asks for: the model's driver
// on the requested port, under the requested name, or under any name when
// none is given. Deployment tools run an install again when their
// detection fails, and that must not fail or add a "(1)" printer each time.
std::optional<std::wstring> AlreadyInstalled(const CommandLine& command, const DriverModel& model,
                                             const InstallRequest& request) {
    if (request.connectionType == ConnectionType::Bluetooth) return std::nullopt;  // its port is known only later
    std::vector<printsys::SpoolerEntry> printers;
    printsys::ListPrinterPorts(printers);
    for (const printsys::SpoolerEntry& printer : printers) {
        const bool named = command.printerName.empty() || base::EqualNoCase(printer.first, command.printerName);
        if (named && base::EqualNoCase(printer.second, model.driverName) && SamePort(printer.third, request))
            return printer.first;
    }
    return std::nullopt;
}

std::wstring YesNo(bool yes) { return yes ? L"yes" : L"no"; }

std::wstring ConnectionText(const CommandLine& command) {
    if (!command.port.empty()) return L"port " + command.port;
    if (!command.address.empty()) return L"network address " + command.address;
    if (command.usb) return command.usbPort.empty() ? L"the first USB printer" : L"USB port " + command.usbPort;
    return L"Bluetooth printer " + command.bluetooth;
}

// The request as understood, for the administrator reading the log.
std::wstring RequestText(const CommandLine& command) {
    switch (command.mode) {
    case CommandMode::Install:
        return L"Request: install model " + std::to_wstring(command.modelDpi) + L" dpi on " + ConnectionText(command) +
               L", name " + (command.printerName.empty() ? L"proposed" : L"\"" + command.printerName + L"\"") +
               L", default printer " + YesNo(command.makeDefault) + L".";
    case CommandMode::Remove:
        return L"Request: remove the printer \"" + command.printer + L"\"" +
               (command.removeDriver ? L" and its driver, unless other printers use it." : L"; keep its driver.");
    default:
        return L"Request: check the printer \"" + command.printer + L"\".";
    }
}

// The arguments as given, quoted where they hold blanks, a PIN hidden.
std::wstring ArgumentsText(const CommandLine& command) {
    std::wstring text;
    for (const std::wstring& argument : command.arguments) {
        std::wstring shown = argument;
        if (shown.size() > 4 && base::EqualNoCaseAscii(shown.substr(1, 3), L"pin") &&
            (shown[4] == L':' || shown[4] == L'='))
            shown = shown.substr(0, 5) + L"****";
        if (shown.find_first_of(L" \t") != std::wstring::npos) shown = L"\"" + shown + L"\"";
        text += (text.empty() ? L"" : L" ") + shown;
    }
    return text;
}

int Install(const CommandLine& command, const std::vector<DriverModel>& models, ProcedureSink& log,
            std::wstring& reason) {
    InstallRequest request;
    std::optional<bluetooth::BluetoothDeviceInfo> device;
    if (const std::optional<Refusal> refusal = BuildInstallRequest(command, models, request, device)) {
        // A name that is taken is no refusal when it is this very printer.
        const std::optional<std::wstring> existing =
            refusal->exitCode == kExitBadCommandLine && !command.printerName.empty() && !request.portName.empty()
                ? AlreadyInstalled(command, models[static_cast<std::size_t>(request.model)], request)
                : std::nullopt;
        if (!existing) {
            reason = refusal->reason;
            log.Error(refusal->reason);
            return refusal->exitCode;
        }
    }
    const DriverModel& model = models[static_cast<std::size_t>(request.model)];
    if (const std::optional<std::wstring> existing = AlreadyInstalled(command, model, request)) {
        log.Info(L"The printer " + *existing + L" is already installed on " + model.driverName + L" at " +
                 request.portName + L"; nothing was changed.");
        return kExitSuccess;
    }
    const InstallResult result = RunInstallProcedure(request, models, device ? &*device : nullptr, log);
    return result.printerAdded ? kExitSuccess : kExitFailed;
}

int Remove(const CommandLine& command, const std::vector<DriverModel>& models, ProcedureSink& log) {
    const std::optional<printsys::SpoolerEntry> printer = ListedPrinter(command.printer);
    // Only printers of this driver: the command line must not become a way
    // to delete any printer on the machine.
    // A printer that is gone is what a removal wants: a deployment tool may
    // run it after a user removed the printer.
    if (!printer) {
        log.Info(L"There is no printer " + command.printer + L"; nothing to remove.");
        return kExitSuccess;
    }
    if (!IsOwnDriver(models, printer->second)) {
        log.Error(L"The printer " + printer->first + L" does not use this driver; it is not removed.");
        return kExitFailed;
    }
    RemovalRequest request{{printer->first}, {}};
    if (command.removeDriver) {
        std::vector<printsys::SpoolerEntry> printers;
        printsys::ListPrinters(printers);
        std::vector<std::wstring> others;
        for (const printsys::SpoolerEntry& other : printers)
            if (!base::EqualNoCase(other.first, printer->first) && base::EqualNoCase(other.second, printer->second))
                others.push_back(other.first);
        if (!others.empty()) {
            std::wstring names;
            for (std::size_t i = 0; i < others.size(); ++i)
                names += (i == 0 ? L"" : i + 1 == others.size() ? L" and " : L", ") + others[i];
            log.Info(L"The driver " + printer->second + L" stays: " + names +
                     (others.size() == 1 ? L" still uses it." : L" still use it."));
        } else {
            std::vector<printsys::SpoolerEntry> drivers;
            printsys::ListDrivers(drivers);
            for (const printsys::SpoolerEntry& driver : drivers)
                if (base::EqualNoCase(driver.second, printer->second)) request.drivers.push_back(driver);
        }
    }
    return RunRemovalProcedure(request, models, log).failures == 0 ? kExitSuccess : kExitFailed;
}

int Check(const CommandLine& command, const std::vector<DriverModel>& models, ProcedureSink& log,
          std::wstring& output) {
    const std::optional<printsys::SpoolerEntry> printer = ListedPrinter(command.printer);
    const bool ours = printer && IsOwnDriver(models, printer->second);
    log.Info(ours ? L"The printer " + printer->first + L" is installed on " + printer->second + L"."
                  : L"No printer " + command.printer + L" on this driver is installed.");
    output = ours ? L"Installed" : L"Not installed";
    return ours ? kExitSuccess : kExitCheckFailed;
}

std::wstring ModeName(CommandMode mode) {
    switch (mode) {
        case CommandMode::Install: return L"install";
        case CommandMode::Remove: return L"removal";
        default: return L"check";
    }
}

bool IsDriveLetterPath(const std::wstring& path) {
    return path.size() > 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

// Why a run as SYSTEM must not write its log at `path`, or "": every folder
// on the way a real folder (a junction could send the append anywhere), the
// file itself no link, no second name of another file, and owned by whom
// SYSTEM trusts when it was there before.
std::wstring RefuseLogPath(const std::wstring& path) {
    if (!IsDriveLetterPath(path)) return L"The log must be a full path such as C:\\Logs\\setup.log.";
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
        const std::wstring folder = path.substr(0, at);
        const std::wstring name = folder.substr(folder.rfind(L'\\') + 1);
        if (name.empty() || name == L"." || name == L"..") return L"The log's path " + path + L" is not plain.";
        const std::uint32_t attributes = os::GetFileAttributesW(folder);
        if (attributes == os::kInvalidFileAttributes || !(attributes & os::kFileAttributeDirectory))
            return L"The folder " + folder + L" does not exist.";
        if (attributes & os::kFileAttributeReparsePoint)
            return L"The folder " + folder + L" is a junction or link; the log is not written through it.";
    }
    return std::wstring();
}

std::wstring RefuseLogFile(const std::wstring& path, const os::LogFileFacts& facts) {
    if (facts.isDirectory) return path + L" is a folder.";
    if (facts.isReparsePoint) return path + L" is a link; the log is not written through it.";
    if (facts.links > 1) return path + L" has other names (hard links); the log is not written to it.";
    if (facts.existed && !IsTrustedOwner(facts.owner))
        return path + L" belongs to " + facts.owner + L", not to SYSTEM or the Administrators.";
    return std::wstring();
}

// The log, opened as the rules above say; the reason when it is not.
os::KernelHandle OpenLog(const std::wstring& path, bool isDefault, std::wstring& reason) {
    if (isDefault && !CreateDirectoryTree(SetupFolder())) {
        reason = L"The folder " + SetupFolder() + L" cannot be made: " + os::SystemErrorText(os::GetLastError());
        return os::KernelHandle::Invalid;
    }
    reason = RefuseLogPath(path);
    if (!reason.empty()) return os::KernelHandle::Invalid;
    os::LogFileFacts facts;
    os::KernelHandle file = os::OpenLogFile(path, facts);
    // Another run writing the same log: wait for it a while.
    for (int tries = 0; file == os::KernelHandle::Invalid && os::GetLastError() == os::error::kSharingViolation &&
                        tries < 40;
         ++tries) {
        os::Sleep(250);
        file = os::OpenLogFile(path, facts);
    }
    if (file == os::KernelHandle::Invalid) {
        reason = L"The log " + path + L" cannot be written: " + os::SystemErrorText(os::GetLastError());
        return file;
    }
    reason = RefuseLogFile(path, facts);
    if (!reason.empty()) {
        os::CloseHandle(file);
        return os::KernelHandle::Invalid;
    }
    return file;
}

}  // namespace

std::wstring DefaultLogPath() { return SetupFolder() + kLogName; }

UnattendedOutcome RunUnattended(const CommandLine& command, const std::vector<DriverModel>& models,
                                const common::LanguageTable& languages) {
    if (command.mode == CommandMode::Help) return {kExitSuccess, UsageText(DefaultLogPath())};
    if (!command.error.empty()) return {kExitBadCommandLine, command.error};

    const std::uint16_t langId = command.langId;
    if (langId != 0 && languages.count(langId) == 0) {
        std::wstring known;
        for (const auto& [id, entry] : languages) known += (known.empty() ? L"" : L", ") + std::to_wstring(id);
        return {kExitBadCommandLine, L"/lang:" + std::to_wstring(langId) + L" is not one of " + known + L"."};
    }
    // English unless /lang says otherwise: the log is read by administrators
    // and tools, not by the user whose UI language SYSTEM happens to have.
    ui::TextManager::Process().Load(common::LanguageOrEnglish(languages, langId != 0 ? langId : common::kEnglish).file);

    // SYSTEM follows no junction a user made, where Windows can see to it.
    os::EnableRedirectionTrust();
    const std::wstring logPath = command.logPath.empty() ? DefaultLogPath() : command.logPath;
    std::wstring refused;
    const os::KernelHandle file = OpenLog(logPath, command.logPath.empty(), refused);
    if (file == os::KernelHandle::Invalid) return {kExitBadCommandLine, refused};
    LogFile log(file);
    log.Info(L"Unattended " + ModeName(command.mode) + L" started: PrinterDriverSetup " PROGRAM_VERSION_TEXT
             L", command line: " + ArgumentsText(command));
    if (log.Failed()) return {kExitBadCommandLine, L"The log " + logPath + L" cannot be written."};
    log.Info(RequestText(command));

    UnattendedOutcome outcome;
    if (command.mode == CommandMode::Check) {
        outcome.exitCode = Check(command, models, log, outcome.output);
    } else {
        // One install or removal at a time on the machine, whichever copy runs it.
        WorkLock lock = TakeWorkLock();
        if (lock.state == WorkLockState::Busy) {
            outcome = {kExitAnotherInstall, L"Another copy of the program is installing or removing a printer."};
            log.Error(outcome.message);
        } else if (lock.state == WorkLockState::Failed) {
            outcome = {kExitFailed, L"The lock in " + SetupFolder() + L" cannot be taken: " +
                                        os::SystemErrorText(os::GetLastError())};
            log.Error(outcome.message);
        } else {
            outcome.exitCode = command.mode == CommandMode::Install ? Install(command, models, log, outcome.message)
                                                                    : Remove(command, models, log);
            ReleaseWorkLock(lock);
        }
    }
    const bool failed = outcome.exitCode != kExitSuccess && outcome.exitCode != kExitCheckFailed;
    log.Log(L"Exit code " + std::to_wstring(outcome.exitCode) + L".",
            failed ? ProcedureSink::Line::Error : ProcedureSink::Line::Info);
    // The console gets the reason of a refusal, and for a failure where to
    // look: the log says which step it was.
    if (outcome.exitCode == kExitFailed) {
        outcome.message = L"The " + ModeName(command.mode) + L" failed; " + logPath + L" says where.";
    } else if (outcome.exitCode == kExitSuccess || outcome.exitCode == kExitCheckFailed) {
        outcome.message.clear();
    }
    return outcome;
}

}  // namespace wizard
