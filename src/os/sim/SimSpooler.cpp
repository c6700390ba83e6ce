// The print spooler of the simulated machine. Record sizes are those of the
// x64 structures; only their sum matters, as the size a probe reports.
#include "os/Spooler.h"
#include "os/sim/Internals.h"
#include "os/sim/Machine.h"
#include "os/sim/PeImage.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

namespace os {

using sim::Fail;
using sim::HandleKind;
using sim::Operation;
using sim::TheMachine;

namespace {

constexpr std::uint32_t kPrinterInfo2Bytes = 136;
constexpr std::uint32_t kDriverInfo1Bytes = 8;
constexpr std::uint32_t kDriverInfo6Bytes = 112;
constexpr std::uint32_t kDriverInfo8Bytes = 168;
constexpr std::uint32_t kPortInfo2Bytes = 32;
constexpr std::uint32_t kDelete = 0x10000;
constexpr std::uint32_t kPrinterAccessAdminister = 0x4;

// Entry checks that every spooler call makes: an injected failure, then the
// spooler service, which must be running for any call to reach it.
bool Enter(sim::Machine& machine, Operation operation) {
    if (const auto injected = machine.TakeFailure(operation)) return Fail(injected);
    if (!sim::SpoolerAvailable(machine)) return Fail(error::kRpcServerUnavailable);
    return true;
}

bool RequireAdministrator(const sim::Machine& machine) {
    return machine.isAdministrator || Fail(error::kAccessDenied);
}

bool HasPrefix(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Names are matched without regard to case, as Windows does: the spooler
// finds "X.DLL" when "X.dll" was copied.
// The file of that name, in any case, as Windows' file names go; empty if
// there is none.
std::filesystem::path FileInDriverDirectory(sim::Machine& machine, const std::wstring& environment,
                                            const std::wstring& name) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(machine.DriverDirectory(environment), ignored))
        if (entry.is_regular_file(ignored) && sim::EqualNoCase(entry.path().filename().wstring(), name))
            return entry.path();
    return {};
}

// Windows' checks of the two DLLs before it registers a driver: each must
// be a PE image built for the environment's machine, and the rendering DLL
// one the spooler can ask its version (DrvQueryDriverInfo). 0, or the error.
std::uint32_t CheckDriverImages(sim::Machine& machine, const std::wstring& environment, const DriverInfo6& info) {
    const std::uint16_t expected = sim::EqualNoCase(environment, L"Windows x64") ? sim::kMachineAmd64 : sim::kMachineI386;
    for (const std::wstring* file : {&info.driverPath, &info.configFile}) {
        if (file->empty()) continue;
        std::ifstream in(FileInDriverDirectory(machine, environment, *file), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        sim::PeImage image;
        if (!sim::ReadPeImage(bytes, image)) return error::kBadExeFormat;
        if (image.machine != expected) return error::kExeMachineTypeMismatch;
        if (file == &info.driverPath &&
            std::find(image.exports.begin(), image.exports.end(), "DrvQueryDriverInfo") == image.exports.end())
            return error::kUnknownPrinterDriver;
    }
    return 0;
}

// The environment a call means: NULL is the caller's. False, with the
// spooler's error, for one it does not know.
bool ResolveEnvironment(const sim::Machine& machine, const std::wstring& given, std::wstring& environment) {
    if (given.empty()) {
        environment = machine.CallerEnvironment();
        return true;
    }
    for (const wchar_t* known : {L"Windows x64", L"Windows NT x86"}) {
        if (sim::EqualNoCase(given, known)) {
            environment = known;
            return true;
        }
    }
    return Fail(error::kInvalidEnvironment);
}

const sim::Monitor* FindMonitor(sim::Machine& machine, const std::wstring& name) {
    for (const auto& monitor : machine.spooler.monitors)
        if (sim::EqualNoCase(monitor.name, name)) return &monitor;
    return nullptr;
}

std::int32_t HResultFromWin32(std::uint32_t code) {
    return static_cast<std::int32_t>(0x80070000u | (code & 0xFFFFu));
}

}  // namespace

// Level 2. PRINTER_ENUM_LOCAL lists the printers of this machine,
// PRINTER_ENUM_CONNECTIONS those the user connected to (PRINTER_ATTRIBUTE_
// NETWORK); PRINTER_ENUM_NETWORK and _REMOTE browse the domain, which the
// print protocol allows at level 1 only.
bool EnumPrintersW(std::uint32_t flags, std::uint32_t bufferSize, std::uint32_t& needed,
                   std::vector<PrinterInfo2>& printers) {
    constexpr std::uint32_t kEnumRemote = 0x10, kAttributeNetwork = 0x10;
    printers.clear();
    needed = 0;
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::EnumPrinters)) return false;
    if (flags & (kPrinterEnumNetwork | kEnumRemote)) return Fail(error::kInvalidLevel);
    std::vector<const sim::Printer*> listed;
    for (const auto& p : machine.spooler.printers) {
        const bool connection = (p.attributes & kAttributeNetwork) != 0;
        if ((flags & (connection ? kPrinterEnumConnections : kPrinterEnumLocal)) != 0) listed.push_back(&p);
    }
    for (const auto* p : listed)
        needed += sim::RecordBytes(kPrinterInfo2Bytes, {&p->name, &p->portName, &p->driverName, &p->printProcessor});
    if (bufferSize < needed) return Fail(error::kInsufficientBuffer);
    for (const auto* p : listed) printers.push_back({p->name, p->portName, p->driverName, p->printProcessor, p->attributes});
    return true;
}

bool EnumPrinterDriversW(const std::wstring& environmentGiven, std::uint32_t level, std::uint32_t bufferSize,
                         std::uint32_t& needed, std::vector<DriverInfo>& drivers) {
    drivers.clear();
    needed = 0;
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::EnumPrinterDrivers)) return false;
    if (level != 1 && level != 6 && level != 8) return Fail(error::kInvalidLevel);
    std::wstring environment;
    if (!ResolveEnvironment(machine, environmentGiven, environment)) return false;
    std::vector<sim::Driver> found;
    for (const auto& d : machine.spooler.drivers)
        if (sim::EqualNoCase(d.environment, environment)) found.push_back(d);
    for (const auto& d : found) {
        if (level == 1) needed += sim::RecordBytes(kDriverInfo1Bytes, {&d.name});
        const std::uint32_t fixed = level == 6 ? kDriverInfo6Bytes : kDriverInfo8Bytes;
        if (level != 1)
            needed += sim::RecordBytes(fixed, {&d.name, &d.environment, &d.driverPath, &d.dataFile, &d.configFile,
                                               &d.helpFile, &d.manufacturer, &d.provider}) +
                      (level == 8 ? sim::RecordBytes(0, {&d.infPath}) : 0);
    }
    if (bufferSize < needed) return Fail(error::kInsufficientBuffer);
    for (const auto& d : found) {
        DriverInfo info;
        info.name = d.name;
        if (level != 1) {
            info.version = d.version;
            info.environment = d.environment;
            info.driverPath = d.driverPath;
        }
        if (level == 8) info.infPath = d.infPath;
        drivers.push_back(info);
    }
    return true;
}

bool EnumPortsW(std::uint32_t bufferSize, std::uint32_t& needed, std::vector<PortInfo2>& ports) {
    ports.clear();
    needed = 0;
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::EnumPorts)) return false;
    for (const auto& p : machine.spooler.ports)
        needed += sim::RecordBytes(kPortInfo2Bytes, {&p.name, &p.monitor, &p.description});
    if (bufferSize < needed) return Fail(error::kInsufficientBuffer);
    for (const auto& p : machine.spooler.ports) ports.push_back({p.name, p.monitor, p.description, 0});
    return true;
}

bool GetPrinterDriverDirectoryW(const std::wstring& environmentGiven, std::uint32_t bufferSize,
                                std::uint32_t& needed, std::wstring& directory) {
    needed = 0;
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::GetPrinterDriverDirectory)) return false;
    std::wstring environment;
    if (!ResolveEnvironment(machine, environmentGiven, environment)) return false;
    const std::wstring path = machine.DriverDirectory(environment).wstring();
    needed = sim::RecordBytes(0, {&path});
    if (bufferSize < needed) return Fail(error::kInsufficientBuffer);
    directory = path;
    return true;
}

PrinterHandle OpenPrinterW(const std::wstring& name, std::uint32_t access) {
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::OpenPrinter)) return PrinterHandle::None;
    const std::wstring xcvMonitor = L",XcvMonitor ";
    sim::HandleObject object{HandleKind::Printer, name, access, {}, 0};
    if (HasPrefix(name, xcvMonitor)) {
        const std::wstring monitor = name.substr(xcvMonitor.size());
        const auto& monitors = machine.spooler.monitors;
        if (std::none_of(monitors.begin(), monitors.end(),
                         [&](const auto& m) { return sim::EqualNoCase(m.name, monitor); })) {
            Fail(error::kInvalidPrinterName);
            return PrinterHandle::None;
        }
        if ((access & kServerAccessAdminister) && !RequireAdministrator(machine)) return PrinterHandle::None;
        object = {HandleKind::Xcv, monitor, access, {}, 0};
    } else {
        const auto* printer = machine.FindPrinter(name);
        if (!printer) {
            Fail(error::kInvalidPrinterName);
            return PrinterHandle::None;
        }
        if ((access & kPrinterAccessAdminister) && !RequireAdministrator(machine)) return PrinterHandle::None;
        object.name = printer->name;
    }
    return static_cast<PrinterHandle>(machine.internals().Open(object));
}

bool ClosePrinter(PrinterHandle printer) {
    auto& internals = TheMachine().internals();
    const auto value = static_cast<std::uintptr_t>(printer);
    if (internals.Find(value, HandleKind::Xcv)) return internals.Close(value, HandleKind::Xcv);
    return internals.Close(value, HandleKind::Printer);
}

bool DeletePrinter(PrinterHandle printer) {
    auto& machine = TheMachine();
    const auto* object = machine.internals().Find(static_cast<std::uintptr_t>(printer), HandleKind::Printer);
    if (!object) return Fail(error::kInvalidHandle);
    if (!Enter(machine, Operation::DeletePrinter)) return false;
    if (!(object->access & kDelete)) return Fail(error::kAccessDenied);
    auto& printers = machine.spooler.printers;
    const auto found = std::find_if(printers.begin(), printers.end(),
                                    [&](const auto& p) { return sim::EqualNoCase(p.name, object->name); });
    if (found == printers.end()) return Fail(error::kInvalidPrinterName);
    if (sim::EqualNoCase(machine.spooler.defaultPrinter, found->name)) machine.spooler.defaultPrinter.clear();
    machine.events.push_back(L"DeletePrinter " + found->name);
    if (found->jobs > 0) found->pendingDeletion = true;  // it goes with its last job
    else printers.erase(found);
    return true;
}

PrinterHandle AddPrinterW(const PrinterInfo2& info) {
    auto& machine = TheMachine();
    const auto refuse = [](std::uint32_t code) {
        Fail(code);
        return PrinterHandle::None;
    };
    machine.spooler.addPrinterCalls.push_back(info);
    if (!Enter(machine, Operation::AddPrinter) || !RequireAdministrator(machine)) return PrinterHandle::None;
    if (info.printerName.empty() || info.printerName.find_first_of(L"\\,") != std::wstring::npos)
        return refuse(error::kInvalidPrinterName);
    if (machine.FindPrinter(info.printerName)) return refuse(error::kPrinterAlreadyExists);
    if (!machine.FindPort(info.portName)) return refuse(error::kUnknownPort);
    // A printer runs on the driver of the system's own environment; one of
    // another environment only serves clients of that architecture.
    const auto& drivers = machine.spooler.drivers;
    if (std::none_of(drivers.begin(), drivers.end(), [&](const auto& d) {
            return sim::EqualNoCase(d.name, info.driverName) && sim::EqualNoCase(d.environment, machine.NativeEnvironment());
        }))
        return refuse(error::kUnknownPrinterDriver);
    if (!sim::EqualNoCase(info.printProcessor, L"WinPrint")) return refuse(error::kUnknownPrintProcessor);
    machine.spooler.printers.push_back(
        {info.printerName, info.driverName, info.portName, info.printProcessor, info.attributes});
    machine.events.push_back(L"AddPrinter " + info.printerName);
    return static_cast<PrinterHandle>(
        machine.internals().Open({HandleKind::Printer, info.printerName, kPrinterAllAccess, {}, 0}));
}

bool SetDefaultPrinterW(const std::wstring& printerName) {
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::SetDefaultPrinter)) return false;
    const auto* printer = machine.FindPrinter(printerName);
    if (!printer) return Fail(error::kInvalidPrinterName);
    machine.spooler.defaultPrinter = printer->name;
    machine.events.push_back(L"SetDefaultPrinter " + printer->name);
    return true;
}

bool AddPrinterDriverExW(const DriverInfo6& info, std::uint32_t copyFlags) {
    auto& machine = TheMachine();
    machine.spooler.addDriverCalls.push_back({info, copyFlags});
    if (!Enter(machine, Operation::AddPrinterDriverEx) || !RequireAdministrator(machine)) return false;
    if (info.name.empty() || info.driverPath.empty()) return Fail(error::kInvalidParameter);
    std::wstring environment;
    if (!ResolveEnvironment(machine, info.environment, environment)) return false;
    std::vector<std::wstring> files = {info.driverPath, info.dataFile, info.configFile, info.helpFile};
    files.insert(files.end(), info.dependentFiles.begin(), info.dependentFiles.end());
    for (const auto& file : files)
        if (!file.empty() && FileInDriverDirectory(machine, environment, file).empty())
            return Fail(error::kFileNotFound);
    if (const std::uint32_t refused = CheckDriverImages(machine, environment, info)) return Fail(refused);
    // Protected print mode refuses every third-party driver. Its code is not
    // documented; ERROR_PRINTER_DRIVER_BLOCKED is the documented one for a
    // driver Windows will not let in.
    if (machine.protectedPrint.value_or(false)) return Fail(error::kPrinterDriverBlocked);
    sim::Driver driver;
    driver.name = info.name;
    driver.version = info.version;
    driver.environment = environment;
    driver.driverPath = info.driverPath;
    driver.dataFile = info.dataFile;
    driver.configFile = info.configFile;
    driver.helpFile = info.helpFile;
    driver.dependentFiles = info.dependentFiles;
    driver.manufacturer = info.manufacturer;
    driver.provider = info.provider;
    driver.driverDate = info.driverDate;
    driver.driverVersion = info.driverVersion;
    auto& drivers = machine.spooler.drivers;
    const auto existing = std::find_if(drivers.begin(), drivers.end(), [&](const auto& d) {
        return sim::EqualNoCase(d.name, driver.name) && sim::EqualNoCase(d.environment, environment);
    });
    if (existing != drivers.end()) *existing = driver;
    else drivers.push_back(driver);
    machine.events.push_back(L"AddPrinterDriverEx " + info.name);
    return true;
}

bool DeletePrinterDriverExW(const std::wstring& givenEnvironment, const std::wstring& driverName,
                            std::uint32_t deleteFlags, std::uint32_t version) {
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::DeletePrinterDriverEx) || !RequireAdministrator(machine)) return false;
    std::wstring environment;
    if (!ResolveEnvironment(machine, givenEnvironment, environment)) return false;
    auto& drivers = machine.spooler.drivers;
    const auto found = std::find_if(drivers.begin(), drivers.end(), [&](const auto& d) {
        return sim::EqualNoCase(d.name, driverName) && sim::EqualNoCase(d.environment, environment) &&
               (!(deleteFlags & kDpdDeleteSpecificVersion) || d.version == version);
    });
    if (found == drivers.end()) return Fail(error::kUnknownPrinterDriver);
    const auto& printers = machine.spooler.printers;
    const bool used = std::any_of(printers.begin(), printers.end(),
                                  [&](const auto& p) { return sim::EqualNoCase(p.driverName, driverName); });
    if (used || found->loadedBySpooler) return Fail(error::kPrinterDriverInUse);
    machine.events.push_back(L"DeletePrinterDriverEx " + found->name);
    drivers.erase(found);
    return true;
}

std::optional<std::int32_t> DeletePrinterDriverPackageW(const std::wstring& infPath, const std::wstring& givenEnvironment) {
    auto& machine = TheMachine();
    if (!machine.spooler.hasDriverPackageApi) return std::nullopt;
    if (!Enter(machine, Operation::DeletePrinterDriverPackage)) return HResultFromWin32(os::GetLastError());
    if (const std::int32_t result = std::exchange(machine.spooler.packageResultWithoutLastError, 0)) {
        os::SetLastError(0);
        return result;
    }
    std::wstring environment;
    if (!ResolveEnvironment(machine, givenEnvironment, environment)) return HResultFromWin32(os::GetLastError());
    const auto& drivers = machine.spooler.drivers;
    if (std::any_of(drivers.begin(), drivers.end(), [&](const auto& d) {
            return sim::EqualNoCase(d.infPath, infPath) && sim::EqualNoCase(d.environment, environment);
        })) {
        Fail(error::kPrinterDriverPackageInUse);
        return HResultFromWin32(error::kPrinterDriverPackageInUse);
    }
    auto& packages = machine.spooler.driverPackages;
    const auto found = std::find_if(packages.begin(), packages.end(), [&](const auto& p) {
        return sim::EqualNoCase(p.infPath, infPath) && sim::EqualNoCase(p.environment, environment);
    });
    if (found == packages.end()) {
        Fail(error::kFileNotFound);
        return HResultFromWin32(error::kFileNotFound);
    }
    machine.events.push_back(L"DeletePrinterDriverPackage " + found->infPath);
    packages.erase(found);
    return 0;
}

bool XcvDataAddPort(PrinterHandle xcv, const TcpIpPortData& port, std::uint32_t /*outputSize*/,
                    std::uint32_t& needed, std::uint32_t& status) {
    auto& machine = TheMachine();
    needed = 0;
    const auto* object = machine.internals().Find(static_cast<std::uintptr_t>(xcv), HandleKind::Xcv);
    if (!object) return Fail(error::kInvalidHandle);
    if (!Enter(machine, Operation::XcvData)) return false;
    // The record's fixed arrays, terminator included.
    if (port.portName.size() > 63 || port.hostAddress.size() > 48 || port.snmpCommunity.size() > 32 ||
        port.queue.size() > 32 || port.ipAddress.size() > 15)
        return Fail(error::kInvalidParameter);
    status = 0;
    if (!(object->access & kServerAccessAdminister)) status = error::kAccessDenied;
    else if (!sim::EqualNoCase(object->name, std::wstring(sim::kTcpIpMonitor)) || port.portName.empty())
        status = error::kInvalidParameter;
    else if (machine.FindPort(port.portName)) status = error::kAlreadyExists;
    else if (const auto* monitor = FindMonitor(machine, object->name)) status = monitor->xcvAddPortStatus;
    if (status != 0) return true;
    machine.spooler.ports.push_back({port.portName, std::wstring(sim::kTcpIpMonitor), object->name, port});
    machine.events.push_back(L"XcvData AddPort " + port.portName);
    return true;
}

bool AddPortW(WindowHandle /*owner*/, const std::wstring& monitorName) {
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::AddPort)) return false;
    const auto& monitors = machine.spooler.monitors;
    const auto monitor = std::find_if(monitors.begin(), monitors.end(),
                                      [&](const auto& m) { return sim::EqualNoCase(m.name, monitorName); });
    if (monitor == monitors.end()) return Fail(error::kInvalidParameter);
    const auto outcome = monitor->addPortDialog;
    if (outcome.error != 0) return Fail(outcome.error);
    if (machine.FindPort(outcome.portToAdd)) return Fail(error::kAlreadyExists);
    machine.spooler.ports.push_back({outcome.portToAdd, monitor->name, monitor->name, {}});
    machine.events.push_back(L"AddPort " + outcome.portToAdd);
    return true;
}

bool DeletePortW(WindowHandle /*owner*/, const std::wstring& portName) {
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::DeletePort)) return false;
    auto& ports = machine.spooler.ports;
    const auto port = std::find_if(ports.begin(), ports.end(),
                                   [&](const auto& p) { return sim::EqualNoCase(p.name, portName); });
    if (port == ports.end()) return Fail(error::kUnknownPort);
    const auto& printers = machine.spooler.printers;
    if (std::any_of(printers.begin(), printers.end(),
                    [&](const auto& p) { return sim::EqualNoCase(p.portName, portName); }))
        return Fail(error::kBusy);
    machine.events.push_back(L"DeletePort " + port->name);
    ports.erase(port);
    return true;
}

bool ConfigurePortW(WindowHandle /*owner*/, const std::wstring& portName) {
    auto& machine = TheMachine();
    if (!Enter(machine, Operation::ConfigurePort)) return false;
    const auto* port = machine.FindPort(portName);
    if (!port) return Fail(error::kUnknownPort);
    for (const auto& monitor : machine.spooler.monitors)
        if (sim::EqualNoCase(monitor.name, port->monitor) && monitor.configurePortDialog.error != 0)
            return Fail(monitor.configurePortDialog.error);
    machine.spooler.configuredPorts.push_back(port->name);
    return true;
}

}  // namespace os
