// The simulated Windows machine that stands behind the os/ boundary in host
// tests: a spooler with printers, drivers, ports and monitors; services with
// states, check points, wait hints and dependants; device interfaces and a
// registry; a Bluetooth radio and remote devices; devices that take writes;
// the shell; a message table; and a virtual clock that every wait advances
// at once.
//
// It follows Windows' own rules (error codes, access rights, what a call
// refuses), not Wine's more lenient ones, so a test that passes here expects
// what a real machine does. Tests call TheMachine().Reset() first, set the
// machine up through its public members, run the code under test and then
// inspect the machine. Failure injection makes the next call (or the n-th
// next call) of an operation fail with a chosen error code.
//
// One test thread at a time; the machine has no locks.
#pragma once

#include "os/Bluetooth.h"
#include "os/Devices.h"
#include "os/Files.h"
#include "os/Services.h"
#include "os/Spooler.h"
#include "os/System.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace os::sim {

enum class Operation {
    EnumPrinters, EnumPrinterDrivers, EnumPorts, GetPrinterDriverDirectory,
    OpenPrinter, DeletePrinter, AddPrinter, SetDefaultPrinter,
    AddPrinterDriverEx, DeletePrinterDriverEx, DeletePrinterDriverPackage,
    XcvData, AddPort, DeletePort, ConfigurePort,
    OpenSCManager, OpenService, QueryServiceStatus, ControlService, EnumDependentServices, StartService,
    SetupDiGetClassDevs, SetupDiEnumDeviceInterfaces, SetupDiGetDeviceInterfaceDetail,
    SetupDiGetDeviceInstanceId, SetupDiGetDeviceRegistryProperty, SetupDiOpenDevRegKey,
    RegOpenKey, RegQueryValue,
    CreateFile, WriteFileEx, ShellExecuteEx, GetVersionEx, FormatMessage,
    WriteFile, CreateDirectory, GetFolderSecurity, GetCurrentDirectory, SHGetFolderPath, IsWow64Process, CreateThread,
    SetupDiEnumDeviceInfo, RemoveFolder, CertificateStore,
    BluetoothFindFirstRadio, BluetoothFindFirstDevice, BluetoothFindNextDevice, BluetoothAuthenticateDevice,
    BluetoothSetServiceState, BluetoothSetLocalServiceInfo,
};

struct Printer {
    std::wstring name;
    std::wstring driverName;
    std::wstring portName;
    std::wstring printProcessor = L"WinPrint";
    std::uint32_t attributes = 0x40;
    // Jobs in its queue. Deleting a printer with jobs only marks it: it
    // stays listed, its driver in use, until Machine::EndJobs.
    std::uint32_t jobs = 0;
    bool pendingDeletion = false;
};

struct Driver {
    std::wstring name;
    std::uint32_t version = 3;
    std::wstring environment = L"Windows x64";
    std::wstring driverPath;
    std::wstring dataFile;
    std::wstring configFile;
    std::wstring helpFile;
    std::vector<std::wstring> dependentFiles;
    std::wstring infPath;
    std::wstring manufacturer;
    std::wstring provider;
    std::uint64_t driverDate = 0;
    std::uint64_t driverVersion = 0;
    // The running spooler has the driver's files loaded: deleting the driver
    // fails as "in use" until the "Spooler" service has stopped once.
    bool loadedBySpooler = false;
};

struct Port {
    std::wstring name;
    std::wstring description;
    std::wstring monitor;
    std::optional<TcpIpPortData> tcpIp;  // the request a Standard TCP/IP port was made from
};

// What a port monitor's dialog does when the user works through it.
struct DialogOutcome {
    std::uint32_t error = 0;     // e.g. 1223 when the user cancels
    std::wstring portToAdd;      // the add dialog's new port, when error is 0
};

struct Monitor {
    std::wstring name;
    DialogOutcome addPortDialog;
    DialogOutcome configurePortDialog;
    // The status XcvData "AddPort" reports for a request it would otherwise
    // carry out (0: it makes the port); the call itself still succeeds.
    std::uint32_t xcvAddPortStatus = 0;
};

inline constexpr std::wstring_view kTcpIpMonitor = L"Standard TCP/IP Port";

struct Spooler {
    std::vector<Printer> printers;
    std::vector<Driver> drivers;
    std::vector<Port> ports;
    std::vector<Monitor> monitors;
    std::wstring defaultPrinter;
    struct DriverPackage {
        std::wstring infPath;  // in the driver store
        std::wstring environment = L"Windows x64";
    };
    std::vector<DriverPackage> driverPackages;
    // Non-zero: DeletePrinterDriverPackageW answers this HRESULT once, with
    // the last error left at 0, as the call may do.
    std::int32_t packageResultWithoutLastError = 0;
    bool hasDriverPackageApi = true;           // false: Windows XP, or Wine
    std::vector<std::wstring> configuredPorts; // each run of a configure dialog
    // Each record as the program passed it, refused or not.
    struct DriverCall {
        DriverInfo6 driver;
        std::uint32_t copyFlags = 0;
    };
    std::vector<DriverCall> addDriverCalls;
    std::vector<PrinterInfo2> addPrinterCalls;
};

inline constexpr std::uint32_t kForever = 0xFFFFFFFF;

struct Service {
    std::wstring name;
    std::uint32_t state = kServiceRunning;
    std::uint32_t waitHint = 0;
    std::vector<std::wstring> dependsOn;
    // How it behaves: time spent pending after a stop or start (kForever:
    // stays pending), how often its check point grows while pending (0:
    // never), and the error a stop or start control is refused with (0: none).
    std::uint32_t stopTakesMs = 0;
    std::uint32_t startTakesMs = 0;
    std::uint32_t checkPointEveryMs = 0;
    std::uint32_t refuseStop = 0;
    std::uint32_t refuseStart = 0;
    // Kept by the machine: when the pending state began (set on first look
    // for a service a test puts into a pending state).
    std::optional<std::uint64_t> pendingSince;
};

struct RegValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    static RegValue Dword(std::uint32_t value);
    static RegValue String(const std::wstring& value);  // REG_SZ, UTF-16LE with terminator
};

struct DeviceInterface {
    Guid interfaceClass{};
    // The setup class of the device the interface belongs to (what
    // SetupDiEnumDeviceInfo reports as its ClassGuid).
    Guid deviceClass{};
    std::wstring instanceId;
    std::wstring devicePath;
    std::optional<std::wstring> description;
    std::optional<std::wstring> hardwareId;
    // Values of the device's hardware key (DIREG_DEV), such as "PortName".
    std::map<std::wstring, RegValue> deviceKey;
    // A size probe of the detail record that succeeds (some drivers do).
    bool detailProbeSucceeds = false;
    // Present from this time of the virtual clock on (a serial port that
    // Windows makes a while after a Bluetooth device was paired, say).
    std::uint64_t presentFromMs = 0;
};

// A remote Bluetooth device as the system knows it.
struct BluetoothDevice {
    BluetoothDeviceRecord record;
    // Answers an inquiry; remembered and paired devices are reported from
    // the system's list even when out of reach.
    bool inReach = true;
    // The passkey it pairs with (empty: any). A wrong one is refused with
    // ERROR_NOT_AUTHENTICATED.
    std::wstring pin;
    // What BluetoothSetServiceState answers for it (0: the service is
    // enabled).
    std::uint32_t serviceStateResult = 0;
    std::vector<Guid> enabledServices;
};

struct BluetoothServiceStateCall {
    std::uint64_t address;
    Guid service;
    std::uint32_t flags;
};

struct BluetoothLocalServiceCall {
    Guid serviceClass;
    std::uint32_t instance;
    BluetoothLocalServiceInfo info;
};

struct Bluetooth {
    // The adapter's radio is switched on. A radio answers only where an
    // adapter (a present device of the Bluetooth setup class) exists.
    bool radioOn = false;
    // bthprops.cpl and its two entry points that are looked up when called.
    bool hasLibrary = true;
    bool hasSetServiceState = true;
    bool hasSetLocalServiceInfo = true;
    std::vector<BluetoothDevice> devices;     // in the order an inquiry reports them
    std::uint32_t localServiceResult = 0;     // what BluetoothSetLocalServiceInfo answers
    // Recorded: each search's parameters, each passkey handed to pairing
    // (with the device's address), each service state and local service call.
    std::vector<BluetoothSearchParams> searches;
    std::vector<std::pair<std::uint64_t, std::wstring>> pairings;
    std::vector<BluetoothServiceStateCall> serviceStateCalls;
    std::vector<BluetoothLocalServiceCall> localServiceCalls;

    BluetoothDevice* Find(std::uint64_t address);
};

enum class WriteBehaviour {
    Accept,         // the whole write completes at once
    AcceptLater,    // the whole write completes after delayMs
    AcceptPart,     // completes at once with acceptBytes transferred
    Stall,          // never completes
};

// A path that CreateFileW opens: a port or a device interface.
struct WriteTarget {
    std::wstring path;
    std::uint32_t openError = 0;  // CreateFileW fails with this when not 0
    WriteBehaviour behaviour = WriteBehaviour::Accept;
    std::uint32_t delayMs = 0;
    std::uint32_t acceptBytes = 0;
    std::vector<std::uint8_t> written;
};

struct ShellRun {
    ShellExecuteInfo info;
    bool comInitialised = false;  // on the calling thread, as the shell asks
    bool waitedFor = false;
    bool handleClosed = false;
    std::uint32_t exitCode = 0;
};

// FailCall's error for a failure that leaves no reason.
inline constexpr std::uint32_t kFailWithoutError = 0xFFFFFFFFu;

class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // A freshly installed Windows 10, run by an administrator: the ports
    // LPT1:, COM1: and FILE: of the "Local Port" monitor, the "Local Port"
    // and "Standard TCP/IP Port" monitors, a running "Spooler" service,
    // English UI, tick count 0, nothing injected.
    void Reset();

    Spooler spooler;
    std::vector<Service> services;
    std::vector<DeviceInterface> interfaces;
    std::vector<WriteTarget> writeTargets;
    std::vector<ShellRun> shellRuns;
    Bluetooth bluetooth;
    // Runs for each program started through the shell (a fake printui, say).
    std::function<void(const ShellExecuteInfo&)> onShellExecute;
    // The exit code of every program started through the shell.
    std::uint32_t shellExitCode = 0;
    // The machine's TrustedPublisher store (DER certificates). A certutil
    // "-addstore TrustedPublisher <file>" run through the shell adds the
    // file's bytes when it ends with 0.
    std::vector<std::vector<std::uint8_t>> trustedPublishers;
    // Another process holds the install-and-removal lock.
    bool workLockHeldElsewhere = false;
    // The process turned on its redirection trust.
    bool redirectionTrust = false;
    // This process holds it, and the file it took it by.
    bool workLockHeld = false;
    std::wstring workLockFile;

    OsVersion version{10, 0, 19045};
    // Windows protected print mode: on or off on Windows 11 24H2 and later;
    // nullopt where the class that tells is missing (older Windows, Wine).
    std::optional<bool> protectedPrint;
    bool isAdministrator = true;
    // The user the process runs as: an administrator's account.
    std::wstring processUserSid = L"S-1-5-21-1004336348-1177238915-682003330-500";
    std::uint16_t uiLanguage = 1033;
    // The 32-bit program on 64-bit Windows: WOW64 says so, and the shell's
    // Program Files folder for it is the x86 one.
    bool wow64 = true;
    // What IsWow64Process2 says Windows runs on; 0: a Windows without it.
    std::uint16_t nativeMachine = 0;
    // The program under test is the shipped 32-bit one; true models a
    // 64-bit build (which Windows runs without WOW64).
    bool program64Bit = false;
    std::wstring programFilesFolder = L"C:\\Program Files (x86)";
    std::wstring windowsFolder = L"C:\\Windows";
    std::wstring currentDirectory = L"C:\\Users\\Admin\\Downloads";

    // The disk: drive C: (with the current directory) on a private folder,
    // created on first use and removed by Reset and at exit. Files and
    // folders made through CreateFileW (CREATE_ALWAYS), WriteFile and
    // CreateDirectoryA land here. Names are matched without regard to case,
    // as Windows does; "." and ".." are resolved; a relative path starts at
    // currentDirectory. A path the machine handed out itself (the driver
    // directory, a host path) is taken as it is, with "\\" read as "/".
    std::filesystem::path DiskRoot();
    // Where a Windows path lies on the host; empty for a drive other than C:.
    std::filesystem::path HostPath(const std::wstring& path);
    // Owner and access list of a file or folder on the disk. One made by
    // CreateAdminOnlyDirectoryA gets AdminOnlySecurity(); one the test made
    // otherwise, and has not set, has what an administrator's folder under
    // Program Files has (AdministratorsFolderSecurity()).
    void SetFolderSecurity(const std::wstring& path, FolderSecurity security);
    FolderSecurity FolderSecurityOf(const std::wstring& path);

    // Registry values under HKEY_LOCAL_MACHINE; key paths and value names
    // are compared without regard to case, as Windows does.
    void SetRegistryValue(const std::wstring& keyPath, const std::wstring& valueName, RegValue value);

    // A USB printer interface as Windows' usbprint driver presents it; a
    // port number is stored under the interface's "Device Parameters" key.
    DeviceInterface& AddUsbPrinter(const std::wstring& instanceId, const std::wstring& devicePath,
                                   std::optional<std::uint32_t> portNumber);

    // A Bluetooth adapter (a present device of the Bluetooth setup class with
    // the radio interface), its radio switched on or off.
    DeviceInterface& AddBluetoothAdapter(bool radioOn);
    // The serial port Windows makes for a paired device's serial service: a
    // COM port interface whose hardware key holds "PortName".
    DeviceInterface& AddComPort(const std::wstring& instanceId, const std::wstring& portName);

    Printer* FindPrinter(const std::wstring& name);
    // The printer's jobs end; a printer marked for deletion goes.
    void EndJobs(const std::wstring& printerName);
    Driver* FindDriver(const std::wstring& name);
    Port* FindPort(const std::wstring& name);
    Service* FindService(const std::wstring& name);
    WriteTarget* FindWriteTarget(const std::wstring& path);

    // The spooler's driver directory of an environment ("Windows x64", the
    // default, or "Windows NT x86"): a private folder each, created on first
    // use and removed by Reset and at exit. Its files are what
    // AddPrinterDriverExW of that environment finds there.
    std::filesystem::path DriverDirectory(const std::wstring& environment = L"Windows x64");
    // The environments as the spooler sees them: the system's own, and the
    // caller's (what a NULL environment means), which is x86 for a 32-bit
    // program even on 64-bit Windows.
    std::wstring NativeEnvironment() const;
    std::wstring CallerEnvironment() const;

    // Messages of FormatMessageW by language; English texts of the codes the
    // program meets are there after Reset.
    void SetMessage(std::uint16_t langId, std::uint32_t code, const std::wstring& text);

    // Virtual clock in milliseconds. GetTickCount is its low 32 bits. Sleep
    // and SleepEx advance it at once; Sleep(0) takes one millisecond, a time
    // slice's stand-in, so a loop that polls without waiting still sees time
    // pass. A write's completion ends an alertable wait at its due time.
    std::uint64_t Now() const { return now_; }
    void SetTickCount(std::uint32_t tick) { now_ = tick; }
    void Advance(std::uint32_t milliseconds);
    // Every Sleep and SleepEx in order, with the time asked for.
    std::vector<std::uint32_t> sleeps;
    // The wall clock at tick 0; GetLocalTime follows the virtual clock.
    void SetLocalTime(const LocalTime& time);

    // `error` kFailWithoutError: the call fails and GetLastError says 0,
    // as some of Windows' calls do.
    void FailCall(Operation operation, std::uint32_t error, int nth = 1);
    void BeforeCall(Operation operation, int nth, std::function<void()> action);

    // "ControlService Spooler 1" (each stop control that reaches a service,
    // refused or not), "StartService Spooler", "DeletePrinter X", ...: the
    // calls that change the machine, in order.
    std::vector<std::wstring> events;

    // Threads that StartThread made and that have not ended yet; a test
    // waits for them before it inspects or resets the machine. Reset leaves
    // the count alone: a thread outlives it.
    std::size_t RunningThreads() const;
    // True when every thread has ended within `milliseconds` of real time.
    bool WaitForThreads(std::uint32_t milliseconds = 10000);
    void ThreadStarted();
    void ThreadEnded();

    // Handles of the spooler, the service manager, SetupAPI, the registry,
    // the Bluetooth searches and radios, and the kernel that are open now: a
    // leak shows here.
    std::size_t OpenHandleCount() const;

    // Used by the simulated calls.
    struct Internals;
    Internals& internals() { return *internals_; }
    std::uint32_t TakeFailure(Operation operation);
    std::optional<std::wstring> Message(std::uint16_t langId, std::uint32_t code) const;
    bool HasLanguage(std::uint16_t langId) const;
    LocalTime LocalTimeNow() const;
    std::uint64_t WallClockMs() const;  // milliseconds since 1970 now

private:
    struct Injection {
        Operation operation;
        int remaining;
        std::uint32_t error;
        std::function<void()> action;
    };
    std::uint64_t now_ = 0;
    std::int64_t localTimeAtZeroMs_ = 0;  // milliseconds since 1970 at tick 0
    std::vector<Injection> injections_;
    std::map<std::pair<std::uint16_t, std::uint32_t>, std::wstring> messages_;
    std::filesystem::path driverDirectory_;
    std::filesystem::path diskRoot_;
    std::map<std::wstring, FolderSecurity> folderSecurity_;  // by host path
    Internals* internals_;
    mutable std::mutex threadMutex_;
    std::condition_variable threadsEnded_;
    std::size_t runningThreads_ = 0;
};

// The process's machine; host tests reset it first.
Machine& TheMachine();

// What CreateAdminOnlyDirectoryA gives a folder: owner Administrators, full
// control for SYSTEM and Administrators, read and execute for Users.
FolderSecurity AdminOnlySecurity();
// A folder an administrator made under Program Files: owner Administrators,
// TrustedInstaller and SYSTEM full control, Administrators modify, Users
// read, CREATOR OWNER full control on what is made inside (inherit-only).
FolderSecurity AdministratorsFolderSecurity();
// A folder a standard user made on C:\ : owned by that user, inheriting
// Authenticated Users' modify right from the drive's root.
FolderSecurity UserFolderSecurity();

}  // namespace os::sim
