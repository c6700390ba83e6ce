// The disk, the current directory, the shell's folders and WOW64 of the
// simulated machine.
#include "os/Files.h"
#include "os/System.h"
#include "os/sim/Internals.h"
#include "os/sim/Machine.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace os {

using sim::Fail;
using sim::HandleKind;
using sim::Operation;
using sim::TheMachine;
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

KernelHandle CreateDiskFile(Machine& machine, const std::wstring& path, std::uint32_t access, std::uint32_t share,
                            bool truncate) {
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
    std::ofstream file(host, std::ios::binary | (truncate ? std::ios::trunc : std::ios::app));
    if (!file) {
        Fail(error::kAccessDenied);
        return KernelHandle::Invalid;
    }
    return static_cast<KernelHandle>(
        machine.internals().Open({HandleKind::DiskFile, host.wstring(), access, {}, share}));
}

void ImportCertificateIfCertutil(Machine& machine, const ShellExecuteInfo& info) {
    const std::wstring prefix = L"-addstore \"TrustedPublisher\" \"";
    const std::wstring tool = L"\\certutil.exe";
    if (machine.shellExitCode != 0 || info.file.size() < tool.size() ||
        !EqualNoCase(info.file.substr(info.file.size() - tool.size()), tool) ||
        info.parameters.rfind(prefix, 0) != 0 || info.parameters.back() != L'"')
        return;
    const std::wstring path = info.parameters.substr(prefix.size(), info.parameters.size() - prefix.size() - 1);
    std::ifstream file(machine.HostPath(path), std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.is_open() && !bytes.empty()) machine.trustedPublishers.push_back(std::move(bytes));
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

KernelHandle OpenLogFile(const std::wstring& path, LogFileFacts& facts) {
    auto& machine = TheMachine();
    facts = LogFileFacts{};
    if (const auto error = machine.TakeFailure(Operation::CreateFile)) {
        Fail(error);
        return KernelHandle::Invalid;
    }
    const fs::path host = machine.HostPath(path);
    std::error_code ignored;
    // The name itself: a link is opened as the link (here: not followed).
    const fs::file_status status = fs::symlink_status(host, ignored);
    facts.existed = fs::exists(status);
    facts.isReparsePoint = fs::is_symlink(status);
    facts.isDirectory = fs::is_directory(status);
    if (facts.isReparsePoint || facts.isDirectory) {
        facts.links = 1;
        facts.owner = machine.FolderSecurityOf(path).owner;
        return static_cast<KernelHandle>(machine.internals().Open({HandleKind::DiskFile, host.wstring(), 0, {}, 0}));
    }
    // Others may read while it is written, not write.
    const KernelHandle file = sim::CreateDiskFile(machine, path, kGenericWrite, 0, false);
    if (file == KernelHandle::Invalid) return file;
    facts.links = static_cast<std::uint32_t>(fs::hard_link_count(host, ignored));
    if (!facts.existed) machine.SetFolderSecurity(path, sim::AdminOnlySecurity());
    facts.owner = machine.FolderSecurityOf(path).owner;
    return file;
}

std::uint32_t GetFileAttributesW(const std::wstring& path) {
    const fs::path host = TheMachine().HostPath(path);
    std::error_code ignored;
    const fs::file_status status = fs::symlink_status(host, ignored);
    if (host.empty() || !fs::exists(status)) return kInvalidFileAttributes;
    if (fs::is_symlink(status)) return kFileAttributeReparsePoint | (fs::is_directory(host, ignored) ? kFileAttributeDirectory : 0);
    return fs::is_directory(status) ? kFileAttributeDirectory : kFileAttributeNormal;
}

bool EnableRedirectionTrust() {
    TheMachine().redirectionTrust = true;
    return true;
}

bool FolderExists(const std::wstring& path) {
    const fs::path host = TheMachine().HostPath(path);
    std::error_code ignored;
    return !host.empty() && fs::is_directory(host, ignored);
}

bool RemoveFolderTree(const std::wstring& path) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::RemoveFolder)) return Fail(error);
    const fs::path host = machine.HostPath(path);
    std::error_code failed;
    if (host.empty() || !fs::is_directory(host, failed)) return Fail(error::kPathNotFound);
    // std::filesystem removes a symbolic link itself, as Windows does a junction.
    fs::remove_all(host, failed);
    if (failed) return Fail(error::kAccessDenied);
    machine.events.push_back(L"RemoveFolderTree " + path);
    return true;
}

bool RemoveEmptyFolder(const std::wstring& path) {
    auto& machine = TheMachine();
    const fs::path host = machine.HostPath(path);
    std::error_code failed;
    if (host.empty() || !fs::is_directory(host, failed) || !fs::is_empty(host, failed)) return Fail(error::kDirNotEmpty);
    if (!fs::remove(host, failed)) return Fail(error::kAccessDenied);
    machine.events.push_back(L"RemoveFolder " + path);
    return true;
}

bool TrustedPublisherHolds(const std::vector<std::uint8_t>& certificate, bool& holds) {
    auto& machine = TheMachine();
    holds = false;
    if (const auto error = machine.TakeFailure(Operation::CertificateStore)) return Fail(error);
    for (const auto& held : machine.trustedPublishers) holds = holds || held == certificate;
    return true;
}

bool AddToTrustedPublisher(const std::vector<std::uint8_t>& certificate) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::CertificateStore)) return Fail(error);
    auto& store = machine.trustedPublishers;
    if (std::find(store.begin(), store.end(), certificate) == store.end()) store.push_back(certificate);
    machine.events.push_back(L"AddToTrustedPublisher");
    return true;
}

bool RemoveFromTrustedPublisher(const std::vector<std::uint8_t>& certificate) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::CertificateStore)) return Fail(error);
    auto& store = machine.trustedPublishers;
    store.erase(std::remove(store.begin(), store.end(), certificate), store.end());
    machine.events.push_back(L"RemoveFromTrustedPublisher");
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
    // A symbolic link on the host stands for a junction: the call describes
    // the link itself.
    security.isReparsePoint = security.isReparsePoint || fs::is_symlink(fs::symlink_status(host, ignored));
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
