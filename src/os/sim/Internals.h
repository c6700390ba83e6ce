// Shared by the simulated calls: the machine's handle table, registry and
// pending writes, and the helpers that follow Windows' conventions.
#pragma once

#include "os/sim/Machine.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace os::sim {

// File is a port or device (a WriteTarget); DiskFile a file on the disk,
// named by its host path.
enum class HandleKind {
    Printer, Xcv, ScManager, Service, DevInfoSet, RegKey, DeviceKey, File, Process, DiskFile,
    BluetoothRadioFind, BluetoothRadio, BluetoothDeviceFind, Mutex,
};

struct HandleObject {
    HandleKind kind;
    std::wstring name;                  // printer, monitor, service, key path (lower case), file path
    std::uint32_t access = 0;
    std::vector<std::size_t> members;   // a device set: indices into Machine::interfaces; a device
                                        // search: indices into the Bluetooth devices it reports
    std::size_t index = 0;              // a device key: interface; a process: shell run; a disk file:
                                        // share mode; a device search: the next member to report
};

struct PendingWrite {
    std::uintptr_t file;
    std::uint64_t completesAt;          // kNever while the device holds it
    WriteCompletion completion;
    std::uintptr_t tag;
    std::uint32_t error;
    std::uint32_t transferred;
};
inline constexpr std::uint64_t kNever = ~std::uint64_t{0};

struct Machine::Internals {
    std::map<std::uintptr_t, HandleObject> handles;
    std::uintptr_t nextHandle = 0x100;
    std::map<std::wstring, std::map<std::wstring, RegValue>> registry;  // lower-case key and value names
    std::vector<PendingWrite> writes;

    std::uintptr_t Open(HandleObject object);
    // The object of an open handle of that kind, or null.
    HandleObject* Find(std::uintptr_t handle, HandleKind kind);
    bool Close(std::uintptr_t handle, HandleKind kind);
};

// Sets the calling thread's last error (and returns false, for brevity).
bool Fail(std::uint32_t error);
void SetLastErrorCode(std::uint32_t error);

std::wstring Lower(const std::wstring& text);
bool EqualNoCase(const std::wstring& a, const std::wstring& b);

// Brings a service's state up to the virtual clock. A "Spooler" that has
// stopped releases the driver files it held.
void Settle(Machine& machine, Service& service);
// Spooler calls fail with RPC_S_SERVER_UNAVAILABLE while it is stopped.
bool SpoolerAvailable(Machine& machine);

// CreateFileW with CREATE_ALWAYS of a path on the disk: creates or truncates.
KernelHandle CreateDiskFile(Machine& machine, const std::wstring& path, std::uint32_t access, std::uint32_t share,
                            bool truncate = true);
// A certutil "-addstore TrustedPublisher <file>" run adds the file's bytes
// to the machine's store when its exit code is 0.
void ImportCertificateIfCertutil(Machine& machine, const ShellExecuteInfo& info);

// Bytes a list of records with these texts takes in a spooler buffer.
std::uint32_t RecordBytes(std::uint32_t fixedPart, std::initializer_list<const std::wstring*> texts);

namespace error {
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kDirNotEmpty = 145;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kInsufficientBuffer = 122;
inline constexpr std::uint32_t kInvalidLevel = 124;
inline constexpr std::uint32_t kBusy = 170;
inline constexpr std::uint32_t kBadExeFormat = 193;
inline constexpr std::uint32_t kExeMachineTypeMismatch = 216;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kFilenameExcedRange = 206;
inline constexpr std::uint32_t kMoreData = 234;
inline constexpr std::uint32_t kNoMoreItems = 259;
inline constexpr std::uint32_t kOperationAborted = 995;
inline constexpr std::uint32_t kDependentServicesRunning = 1051;
inline constexpr std::uint32_t kServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kServiceCannotAcceptControl = 1061;
inline constexpr std::uint32_t kServiceNotActive = 1062;
inline constexpr std::uint32_t kDeviceNotConnected = 1167;
inline constexpr std::uint32_t kNotFound = 1168;
inline constexpr std::uint32_t kNotAuthenticated = 1244;
inline constexpr std::uint32_t kRpcServerUnavailable = 1722;
inline constexpr std::uint32_t kUnknownPort = 1796;
inline constexpr std::uint32_t kUnknownPrinterDriver = 1797;
inline constexpr std::uint32_t kUnknownPrintProcessor = 1798;
inline constexpr std::uint32_t kInvalidPrinterName = 1801;
inline constexpr std::uint32_t kInvalidEnvironment = 1805;
inline constexpr std::uint32_t kPrinterAlreadyExists = 1802;
inline constexpr std::uint32_t kResourceLangNotFound = 1815;
inline constexpr std::uint32_t kMrMidNotFound = 317;
inline constexpr std::uint32_t kPrinterDriverInUse = 3001;
inline constexpr std::uint32_t kPrinterDriverPackageInUse = 3015;
}  // namespace error

}  // namespace os::sim
