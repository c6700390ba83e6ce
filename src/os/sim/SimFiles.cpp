// The disk, the current directory, the shell's folders and WOW64 of the
// simulated machine.
#include "os/Files.h"
#include "os/System.h"
#include "os/sim/Internals.h"
#include "os/sim/Machine.h"

#include <filesystem>
#include <fstream>

namespace os {

using sim::Fail;
using sim::HandleKind;
using sim::Operation;
using sim::TheMachine;
namespace error = sim::error;
namespace fs = std::filesystem;

namespace {

// The sim's ANSI code page is ASCII, as its WideToAnsi is.
std::wstring FromAnsi(const std::string& text) {
    std::wstring wide;
    for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

// CreateDirectoryA takes at most MAX_PATH - 12 characters with its terminator.
constexpr std::size_t kMaxDirectoryPath = 247;

}  // namespace

namespace sim {

KernelHandle CreateDiskFile(Machine& machine, const std::wstring& path, std::uint32_t access, std::uint32_t share) {
    const fs::path host = machine.HostPath(path);
    std::error_code ignored;
    if (host.empty() || !fs::is_directory(host.parent_path(), ignored)) {
        Fail(error::kPathNotFound);
        return KernelHandle::Invalid;
    }
    if (fs::is_directory(host, ignored)) {
        Fail(error::kAccessDenied);
        return KernelHandle::Invalid;
    }
    // Both opens must allow writing by others, or the second is refused.
    for (const auto& entry : machine.internals().handles) {
        const auto& object = entry.second;
        if (object.kind == HandleKind::DiskFile && object.name == host.wstring() &&
            (!(share & kFileShareWrite) || !(object.index & kFileShareWrite))) {
            Fail(error::kSharingViolation);
            return KernelHandle::Invalid;
        }
    }
    std::ofstream file(host, std::ios::binary | std::ios::trunc);
    if (!file) {
        Fail(error::kAccessDenied);
        return KernelHandle::Invalid;
    }
    return static_cast<KernelHandle>(
        machine.internals().Open({HandleKind::DiskFile, host.wstring(), access, {}, share}));
}

}  // namespace sim

void SetLastError(std::uint32_t error) { sim::SetLastErrorCode(error); }

bool IsProgram64Bit() { return TheMachine().program64Bit; }

bool IsWow64Process(bool& wow64) {
    auto& machine = TheMachine();
    wow64 = false;
    if (const auto error = machine.TakeFailure(Operation::IsWow64Process)) return Fail(error);
    // A 64-bit program runs natively; only the 32-bit one sees WOW64.
    wow64 = machine.wow64 && !machine.program64Bit;
    return true;
}

bool NativeMachine(std::uint16_t& native) {
    native = TheMachine().nativeMachine;
    return native != 0;
}

bool WriteFile(KernelHandle file, const void* bytes, std::uint32_t length, std::uint32_t& written) {
    auto& machine = TheMachine();
    written = 0;
    if (const auto error = machine.TakeFailure(Operation::WriteFile)) return Fail(error);
    const auto* object = machine.internals().Find(static_cast<std::uintptr_t>(file), HandleKind::DiskFile);
    if (!object) return Fail(error::kInvalidHandle);
    if (!(object->access & kGenericWrite)) return Fail(error::kAccessDenied);
    std::ofstream out(fs::path(object->name), std::ios::binary | std::ios::app);
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(length));
    if (!out.flush()) return Fail(error::kAccessDenied);
    written = length;
    return true;
}

bool CreateAdminOnlyDirectoryA(const std::string& path) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::CreateDirectory)) return Fail(error);
    if (path.size() > kMaxDirectoryPath) return Fail(error::kFilenameExcedRange);
    const fs::path host = machine.HostPath(FromAnsi(path));
    std::error_code ignored;
    if (host.empty()) return Fail(error::kPathNotFound);
    if (fs::exists(host, ignored)) return Fail(error::kAlreadyExists);
    if (!fs::is_directory(host.parent_path(), ignored)) return Fail(error::kPathNotFound);
    if (!fs::create_directory(host, ignored)) return Fail(error::kAccessDenied);
    machine.SetFolderSecurity(FromAnsi(path), sim::AdminOnlySecurity());
    machine.events.push_back(L"CreateDirectory " + FromAnsi(path));
    return true;
}

bool GetFolderSecurityA(const std::string& path, FolderSecurity& security) {
    auto& machine = TheMachine();
    security = FolderSecurity{};
    if (const auto error = machine.TakeFailure(Operation::GetFolderSecurity)) return Fail(error);
    const fs::path host = machine.HostPath(FromAnsi(path));
    std::error_code ignored;
    if (host.empty() || !fs::exists(host, ignored)) return Fail(error::kFileNotFound);
    security = machine.FolderSecurityOf(FromAnsi(path));
    security.isDirectory = fs::is_directory(host, ignored);
    return true;
}

bool PathExistsA(const std::string& path) {
    const fs::path host = TheMachine().HostPath(FromAnsi(path));
    std::error_code ignored;
    return !host.empty() && fs::exists(host, ignored);
}

bool GetCurrentDirectoryA(std::string& directory) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::GetCurrentDirectory)) return Fail(error);
    directory = WideToAnsi(machine.currentDirectory);
    return true;
}

bool SHGetFolderPathW(int folder, std::wstring& path) {
    auto& machine = TheMachine();
    if (machine.TakeFailure(Operation::SHGetFolderPath) != 0) return false;
    if (folder == kCsidlProgramFiles) path = machine.programFilesFolder;
    else if (folder == kCsidlWindows) path = machine.windowsFolder;
    else return false;
    return true;
}

}  // namespace os
