// Shared by the simulated calls: the machine's handle table, registry and
// pending writes, and the helpers that follow Windows' conventions.
#pragma once

#include "base/Strings.h"
#include "os/Errors.h"
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

using base::EqualNoCase;
using base::Lower;

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

namespace error = ::os::error;

}  // namespace os::sim
