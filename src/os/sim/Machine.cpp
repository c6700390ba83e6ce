#include "os/sim/Machine.h"

#include "os/sim/Internals.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <system_error>

#include <unistd.h>

namespace os::sim {

namespace {

// English texts of the codes the program meets, as Windows words them.
const std::pair<std::uint32_t, const wchar_t*> kEnglishMessages[] = {
    {2, L"The system cannot find the file specified.\r\n"},
    {5, L"Access is denied.\r\n"},
    {6, L"The handle is invalid.\r\n"},
    {8, L"Not enough memory resources are available to process this command.\r\n"},
    {31, L"A device attached to the system is not functioning.\r\n"},
    {87, L"The parameter is incorrect.\r\n"},
    {122, L"The data area passed to a system call is too small.\r\n"},
    {170, L"The requested resource is in use.\r\n"},
    {193, L"%1 is not a valid Win32 application.\r\n"},
    {216, L"This version of %1 is not compatible with the version of Windows you're running. Check your computer's "
          L"system information and then contact the software publisher.\r\n"},
    {234, L"More data is available.\r\n"},
    {995, L"The I/O operation has been aborted because of either a thread exit or an application request.\r\n"},
    {1051, L"A stop control has been sent to a service that other running services are dependent on.\r\n"},
    {1056, L"An instance of the service is already running.\r\n"},
    {1060, L"The service does not exist as an installed service.\r\n"},
    {1062, L"The service has not been started.\r\n"},
    {1167, L"The device is not connected.\r\n"},
    {1168, L"Element not found.\r\n"},
    {1223, L"The operation was canceled by the user.\r\n"},
    {1244, L"The operation being requested was not performed because the user has not been authenticated.\r\n"},
    {1722, L"The RPC server is unavailable.\r\n"},
    {1796, L"The port is unknown.\r\n"},
    {1797, L"The printer driver is unknown.\r\n"},
    {1798, L"The print processor is unknown.\r\n"},
    {1801, L"The printer name is invalid.\r\n"},
    {1802, L"The printer already exists.\r\n"},
    {3001, L"The printer driver is currently in use.\r\n"},
    {3015, L"The printer driver package is currently in use.\r\n"},
};

constexpr wchar_t kUsbPrintClass[] = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
constexpr Guid kUsbPrintGuid = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
// GUID_BTHPORT_DEVICE_INTERFACE and GUID_DEVCLASS_BLUETOOTH: an adapter.
constexpr Guid kBthPortInterface = {0x0850302a, 0xb344, 0x4fda, {0x9b, 0xe9, 0x90, 0x57, 0x6b, 0x8d, 0x46, 0xf0}};
constexpr Guid kBluetoothClass = {0xe0cbf06c, 0xcd8b, 0x4647, {0xbb, 0x8a, 0x26, 0x3b, 0x43, 0xf0, 0xf9, 0x74}};
// GUID_DEVINTERFACE_COMPORT and GUID_DEVCLASS_PORTS: a serial port.
constexpr Guid kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
constexpr Guid kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

std::wstring Replace(std::wstring text, wchar_t from, wchar_t to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

}  // namespace

RegValue RegValue::Dword(std::uint32_t value) {
    return {kRegDword, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

RegValue RegValue::String(const std::wstring& value) {
    RegValue result{kRegSz, {}};
    for (wchar_t c : value + L'\0') {
        const auto unit = static_cast<std::uint32_t>(c);
        result.data.push_back(static_cast<std::uint8_t>(unit));
        result.data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return result;
}

Machine::Machine() : internals_(new Internals) { Reset(); }

Machine::~Machine() {
    std::error_code ignored;
    if (!driverDirectory_.empty()) std::filesystem::remove_all(driverDirectory_, ignored);
    if (!diskRoot_.empty()) std::filesystem::remove_all(diskRoot_, ignored);
    delete internals_;
}

std::size_t Machine::RunningThreads() const {
    std::lock_guard<std::mutex> lock(threadMutex_);
    return runningThreads_;
}

bool Machine::WaitForThreads(std::uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(threadMutex_);
    return threadsEnded_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return runningThreads_ == 0; });
}

void Machine::ThreadStarted() {
    std::lock_guard<std::mutex> lock(threadMutex_);
    ++runningThreads_;
}

void Machine::ThreadEnded() {
    {
        std::lock_guard<std::mutex> lock(threadMutex_);
        --runningThreads_;
    }
    threadsEnded_.notify_all();
}

void Machine::Reset() {
    spooler = Spooler{};
    spooler.ports = {{L"LPT1:", L"Local Port", L"Local Port", {}},
                     {L"COM1:", L"Local Port", L"Local Port", {}},
                     {L"FILE:", L"Local Port", L"Local Port", {}}};
    spooler.monitors = {{L"Local Port", {}, {}, 0}, {std::wstring(kTcpIpMonitor), {}, {}, 0}};
    services = {Service{L"Spooler", kServiceRunning, 0, {}, 0, 0, 0, 0, 0, {}}};
    interfaces.clear();
    writeTargets.clear();
    shellRuns.clear();
    bluetooth = Bluetooth{};
    onShellExecute = nullptr;
    shellExitCode = 0;
    trustedPublishers.clear();
    workLockHeldElsewhere = false;
    workLockHeld = false;
    workLockFile.clear();
    redirectionTrust = false;
    version = {10, 0, 19045};
    protectedPrint.reset();
    isAdministrator = true;
    uiLanguage = 1033;
    wow64 = true;
    program64Bit = false;
    programFilesFolder = L"C:\\Program Files (x86)";
    windowsFolder = L"C:\\Windows";
    currentDirectory = L"C:\\Users\\Admin\\Downloads";
    sleeps.clear();
    events.clear();
    now_ = 0;
    SetLocalTime({2024, 1, 1, 9, 0, 0, 0});
    injections_.clear();
    messages_.clear();
    for (const auto& [code, text] : kEnglishMessages) SetMessage(1033, code, text);
    *internals_ = Internals{};
    std::error_code ignored;
    if (!driverDirectory_.empty()) std::filesystem::remove_all(driverDirectory_, ignored);
    driverDirectory_.clear();
    if (!diskRoot_.empty()) std::filesystem::remove_all(diskRoot_, ignored);
    diskRoot_.clear();
    folderSecurity_.clear();
}

void Machine::SetRegistryValue(const std::wstring& keyPath, const std::wstring& valueName, RegValue value) {
    internals_->registry[Lower(keyPath)][Lower(valueName)] = std::move(value);
}

DeviceInterface& Machine::AddUsbPrinter(const std::wstring& instanceId, const std::wstring& devicePath,
                                        std::optional<std::uint32_t> portNumber) {
    DeviceInterface device;
    device.interfaceClass = kUsbPrintGuid;
    device.instanceId = instanceId;
    device.devicePath = devicePath;
    device.description = L"USB Printing Support";
    device.hardwareId = instanceId.substr(0, instanceId.rfind(L'\\')) + L'\0';
    if (portNumber) {
        const std::wstring key = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\") +
                                 kUsbPrintClass + L"\\##?#" + Replace(instanceId, L'\\', L'#') + L"#" +
                                 kUsbPrintClass + L"\\#\\Device Parameters";
        SetRegistryValue(key, L"Port Number", RegValue::Dword(*portNumber));
    }
    interfaces.push_back(device);
    return interfaces.back();
}

DeviceInterface& Machine::AddBluetoothAdapter(bool radioOn) {
    DeviceInterface adapter;
    adapter.interfaceClass = kBthPortInterface;
    adapter.deviceClass = kBluetoothClass;
    adapter.instanceId = L"USB\\VID_8087&PID_0A2B\\5&2B1C3D4E&0&10";
    adapter.devicePath = L"\\\\?\\usb#vid_8087&pid_0a2b#5&2b1c3d4e&0&10#{0850302a-b344-4fda-9be9-90576b8d46f0}";
    adapter.description = L"Intel(R) Wireless Bluetooth(R)";
    adapter.hardwareId = std::wstring(L"USB\\VID_8087&PID_0A2B") + L'\0';
    bluetooth.radioOn = radioOn;
    interfaces.push_back(adapter);
    return interfaces.back();
}

DeviceInterface& Machine::AddComPort(const std::wstring& instanceId, const std::wstring& portName) {
    DeviceInterface port;
    port.interfaceClass = kComPortInterface;
    port.deviceClass = kPortsClass;
    port.instanceId = instanceId;
    port.devicePath = L"\\\\?\\" + Replace(instanceId, L'\\', L'#') + L"#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
    port.description = L"Standard Serial over Bluetooth link (" + portName + L")";
    port.hardwareId = instanceId.substr(0, instanceId.rfind(L'\\')) + L'\0';
    port.deviceKey[L"PortName"] = RegValue::String(portName);
    interfaces.push_back(port);
    return interfaces.back();
}

BluetoothDevice* Bluetooth::Find(std::uint64_t address) {
    for (auto& device : devices)
        if (device.record.address == address) return &device;
    return nullptr;
}

void Machine::EndJobs(const std::wstring& printerName) {
    Printer* printer = FindPrinter(printerName);
    if (printer == nullptr) return;
    printer->jobs = 0;
    if (!printer->pendingDeletion) return;
    spooler.printers.erase(std::find_if(spooler.printers.begin(), spooler.printers.end(),
                                        [&](const Printer& p) { return &p == printer; }));
}

Printer* Machine::FindPrinter(const std::wstring& name) {
    for (auto& printer : spooler.printers)
        if (EqualNoCase(printer.name, name)) return &printer;
    return nullptr;
}

Driver* Machine::FindDriver(const std::wstring& name) {
    for (auto& driver : spooler.drivers)
        if (EqualNoCase(driver.name, name)) return &driver;
    return nullptr;
}

Port* Machine::FindPort(const std::wstring& name) {
    for (auto& port : spooler.ports)
        if (EqualNoCase(port.name, name)) return &port;
    return nullptr;
}

Service* Machine::FindService(const std::wstring& name) {
    for (auto& service : services)
        if (EqualNoCase(service.name, name)) return &service;
    return nullptr;
}

WriteTarget* Machine::FindWriteTarget(const std::wstring& path) {
    for (auto& target : writeTargets)
        if (EqualNoCase(target.path, path)) return &target;
    return nullptr;
}

std::filesystem::path Machine::DriverDirectory(const std::wstring& environment) {
    if (driverDirectory_.empty())
        driverDirectory_ = std::filesystem::temp_directory_path() / ("printsys-sim-" + std::to_string(getpid())) / "spool";
    // Windows' own folder names below spool\drivers.
    const auto folder = driverDirectory_ / (EqualNoCase(environment, L"Windows NT x86") ? "W32X86" : "x64");
    std::filesystem::create_directories(folder);
    return folder;
}

std::wstring Machine::NativeEnvironment() const {
    return program64Bit || wow64 ? L"Windows x64" : L"Windows NT x86";
}

std::wstring Machine::CallerEnvironment() const { return program64Bit ? L"Windows x64" : L"Windows NT x86"; }

std::filesystem::path Machine::DiskRoot() {
    if (diskRoot_.empty()) {
        diskRoot_ = std::filesystem::temp_directory_path() / ("printsys-sim-" + std::to_string(getpid())) / "disk";
        std::filesystem::create_directories(diskRoot_ / "C");
        std::filesystem::create_directories(HostPath(currentDirectory));
    }
    return diskRoot_;
}

namespace {

std::string HostName(const std::wstring& name) {
    std::string narrow;
    for (wchar_t c : name) narrow += static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '_';
    return narrow;
}

}  // namespace

void Machine::SetFolderSecurity(const std::wstring& path, FolderSecurity security) {
    folderSecurity_[HostPath(path).wstring()] = std::move(security);
}

FolderSecurity Machine::FolderSecurityOf(const std::wstring& path) {
    const auto found = folderSecurity_.find(HostPath(path).wstring());
    return found != folderSecurity_.end() ? found->second : AdministratorsFolderSecurity();
}

FolderSecurity AdminOnlySecurity() {
    constexpr std::uint32_t kInherit = 0x03;  // OBJECT_INHERIT | CONTAINER_INHERIT
    FolderSecurity security;
    security.isDirectory = true;
    security.owner = kSidAdministrators;
    security.entries = {{true, kSidSystem, 0x1F01FF, kInherit},
                        {true, kSidAdministrators, 0x1F01FF, kInherit},
                        {true, kSidUsers, 0x1200A9, kInherit}};
    return security;
}

FolderSecurity AdministratorsFolderSecurity() {
    FolderSecurity security;
    security.isDirectory = true;
    security.owner = kSidAdministrators;
    security.entries = {{true, kSidTrustedInstaller, 0x1F01FF, 0},
                        {true, kSidSystem, 0x1F01FF, 0x03},
                        {true, kSidAdministrators, 0x1301BF, 0x03},
                        {true, kSidUsers, 0x1200A9, 0x03},
                        {true, L"S-1-3-0", 0x10000000, 0x0B}};
    return security;
}

FolderSecurity UserFolderSecurity() {
    FolderSecurity security;
    security.isDirectory = true;
    security.owner = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    security.entries = {{true, kSidSystem, 0x1F01FF, 0x13},
                        {true, kSidAdministrators, 0x1F01FF, 0x13},
                        {true, kSidUsers, 0x1200A9, 0x13},
                        {true, kSidAuthenticatedUsers, 0x1301BF, 0x13}};
    return security;
}

std::filesystem::path Machine::HostPath(const std::wstring& path) {
    namespace fs = std::filesystem;
    if (!path.empty() && path[0] == L'/') return fs::path(HostName(Replace(path, L'\\', L'/')));
    std::wstring full = Replace(path, L'/', L'\\');
    const bool hasDrive = full.size() >= 2 && full[1] == L':';
    if (!hasDrive && !full.empty() && full[0] == L'\\') full = currentDirectory.substr(0, 2) + full;
    else if (!hasDrive) full = currentDirectory + L"\\" + full;
    if (std::towupper(static_cast<std::wint_t>(full[0])) != L'C') return fs::path();
    const fs::path drive = DiskRoot() / "C";
    fs::path host = drive;
    std::size_t start = 2;
    while (start <= full.size()) {
        std::size_t end = full.find(L'\\', start);
        if (end == std::wstring::npos) end = full.size();
        const std::wstring part = full.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == L".") continue;
        if (part == L"..") {
            if (host != drive) host = host.parent_path();
            continue;
        }
        std::string name = HostName(part);
        std::error_code ignored;
        if (fs::is_directory(host, ignored)) {
            for (const auto& entry : fs::directory_iterator(host, ignored)) {
                const std::string existing = entry.path().filename().string();
                if (EqualNoCase(std::wstring(existing.begin(), existing.end()), std::wstring(name.begin(), name.end()))) {
                    name = existing;
                    break;
                }
            }
        }
        host /= name;
    }
    return host;
}

void Machine::SetMessage(std::uint16_t langId, std::uint32_t code, const std::wstring& text) {
    messages_[{langId, code}] = text;
}

std::optional<std::wstring> Machine::Message(std::uint16_t langId, std::uint32_t code) const {
    const auto found = messages_.find({langId, code});
    if (found == messages_.end()) return std::nullopt;
    return found->second;
}

bool Machine::HasLanguage(std::uint16_t langId) const {
    return std::any_of(messages_.begin(), messages_.end(),
                       [langId](const auto& entry) { return entry.first.first == langId; });
}

void Machine::Advance(std::uint32_t milliseconds) { now_ += milliseconds; }

void Machine::SetLocalTime(const LocalTime& time) {
    const std::int64_t days = DaysFromCivil(time.year, static_cast<unsigned>(time.month),
                                            static_cast<unsigned>(time.day));
    localTimeAtZeroMs_ = ((days * 24 + time.hour) * 60 + time.minute) * 60000 + time.second * 1000 +
                         time.milliseconds - static_cast<std::int64_t>(now_);
}

std::uint64_t Machine::WallClockMs() const {
    return static_cast<std::uint64_t>(localTimeAtZeroMs_ + static_cast<std::int64_t>(now_));
}

LocalTime Machine::LocalTimeNow() const {
    const std::int64_t ms = localTimeAtZeroMs_ + static_cast<std::int64_t>(now_);
    const std::int64_t days = ms / 86400000;
    std::int64_t rest = ms % 86400000;
    LocalTime time{};
    CivilFromDays(days, time.year, time.month, time.day);
    time.hour = static_cast<int>(rest / 3600000);
    rest %= 3600000;
    time.minute = static_cast<int>(rest / 60000);
    rest %= 60000;
    time.second = static_cast<int>(rest / 1000);
    time.milliseconds = static_cast<int>(rest % 1000);
    return time;
}

void Machine::FailCall(Operation operation, std::uint32_t error, int nth) {
    injections_.push_back({operation, nth, error, nullptr});
}

void Machine::BeforeCall(Operation operation, int nth, std::function<void()> action) {
    injections_.push_back({operation, nth, 0, std::move(action)});
}

std::uint32_t Machine::TakeFailure(Operation operation) {
    std::uint32_t error = 0;
    std::vector<std::function<void()>> actions;
    for (auto it = injections_.begin(); it != injections_.end();) {
        if (it->operation == operation && --it->remaining == 0) {
            if (it->action) actions.push_back(std::move(it->action));
            else if (error == 0) error = it->error;
            it = injections_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& action : actions) action();
    return error;
}

std::size_t Machine::OpenHandleCount() const { return internals_->handles.size(); }

std::uintptr_t Machine::Internals::Open(HandleObject object) {
    const std::uintptr_t handle = nextHandle;
    nextHandle += 4;
    handles.emplace(handle, std::move(object));
    return handle;
}

HandleObject* Machine::Internals::Find(std::uintptr_t handle, HandleKind kind) {
    const auto found = handles.find(handle);
    return found != handles.end() && found->second.kind == kind ? &found->second : nullptr;
}

bool Machine::Internals::Close(std::uintptr_t handle, HandleKind kind) {
    if (!Find(handle, kind)) return Fail(error::kInvalidHandle);
    handles.erase(handle);
    return true;
}

namespace {
thread_local std::uint32_t t_lastError = 0;
}

void SetLastErrorCode(std::uint32_t error) { t_lastError = error == kFailWithoutError ? 0 : error; }

bool Fail(std::uint32_t error) {
    SetLastErrorCode(error);
    return false;
}

std::uint32_t RecordBytes(std::uint32_t fixedPart, std::initializer_list<const std::wstring*> texts) {
    std::uint32_t bytes = fixedPart;
    for (const auto* text : texts) bytes += static_cast<std::uint32_t>((text->size() + 1) * 2);
    return bytes;
}

Machine& TheMachine() {
    static Machine machine;
    return machine;
}

}  // namespace os::sim

namespace os {

std::uint32_t GetLastError() { return sim::t_lastError; }

}  // namespace os
