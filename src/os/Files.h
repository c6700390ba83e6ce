// Files and devices opened for overlapped writes, and programs started
// through the shell.
#pragma once

#include "os/System.h"

#include <cstdint>
#include <string>
#include <vector>

namespace os {

inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileFlagOverlapped = 0x40000000;

// No security attributes, no template. KernelHandle::Invalid on failure.
KernelHandle CreateFileW(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition, std::uint32_t flagsAndAttributes);

// Called on the writing thread during one of its alertable waits, with the
// tag given to WriteFileEx. A write abandoned by closing its handle still
// completes later (ERROR_OPERATION_ABORTED).
using WriteCompletion = void (*)(std::uintptr_t tag, std::uint32_t error, std::uint32_t transferred);

// Starts an overlapped write at offset 0. The boundary keeps its own copy
// of the bytes and of the write's bookkeeping until the completion routine
// has run, so the caller may return while the write is still pending.
bool WriteFileEx(KernelHandle file, const void* bytes, std::uint32_t length, WriteCompletion completion,
                 std::uintptr_t tag);

// WriteFile on a handle opened without kFileFlagOverlapped: returns once the
// bytes are written, with the count the system reports.
bool WriteFile(KernelHandle file, const void* bytes, std::uint32_t length, std::uint32_t& written);

// Folders are made through the narrow calls: paths in the ANSI code page.
// CreateDirectoryA with a protected access list that lets only SYSTEM and
// the Administrators group (its owner) write: the program runs elevated, and
// a folder a standard user could write would let them swap what it then
// installs. Users may read; what is made inside inherits the list.
bool CreateAdminOnlyDirectoryA(const std::string& path);

inline constexpr wchar_t kSidSystem[] = L"S-1-5-18";
inline constexpr wchar_t kSidAdministrators[] = L"S-1-5-32-544";
inline constexpr wchar_t kSidTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
inline constexpr wchar_t kSidUsers[] = L"S-1-5-32-545";
inline constexpr wchar_t kSidAuthenticatedUsers[] = L"S-1-5-11";

inline constexpr std::uint32_t kAceInheritOnly = 0x08;

// One entry of an access list; `sid` is empty for an entry whose trustee
// the boundary cannot name (an object entry).
struct AccessEntry {
    bool allow = true;
    std::wstring sid;
    std::uint32_t mask = 0;
    std::uint32_t flags = 0;
};
// The owner and the access list of a file or folder itself, not of what a
// junction on it points to.
struct FolderSecurity {
    bool isDirectory = false;
    bool isReparsePoint = false;
    std::wstring owner;
    bool hasDacl = true;  // false: a NULL list, which lets everybody do anything
    std::vector<AccessEntry> entries;
};
// CreateFileA (backup semantics, the reparse point itself), then
// GetFileInformationByHandle and GetSecurityInfo (owner and DACL).
bool GetFolderSecurityA(const std::string& path, FolderSecurity& security);
// _access(path, 0) == 0: a file or folder of that name exists.
bool PathExistsA(const std::string& path);
// GetCurrentDirectoryA, of whatever length; false when the call fails.
bool GetCurrentDirectoryA(std::string& directory);

// What OpenLogFile found at the path, before the caller trusts it.
struct LogFileFacts {
    bool existed = false;
    bool isDirectory = false;
    bool isReparsePoint = false;
    std::uint32_t links = 0;  // hard links to the file
    std::wstring owner;       // SID text
};
// A log a privileged run appends to, opened without following a reparse
// point at its own name: append-only access, others may read it meanwhile
// but not write; a new file gets SYSTEM and Administrators full control and
// Users reading. The handle is Invalid when the open fails; otherwise the
// caller checks `facts` and closes the handle of one it refuses.
KernelHandle OpenLogFile(const std::wstring& path, LogFileFacts& facts);

inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
// GetFileAttributesW: of the name itself, a junction or link included.
std::uint32_t GetFileAttributesW(const std::wstring& path);

// Turns on the process's redirection trust (ProcessRedirectionTrustPolicy,
// where Windows has it): the process no longer follows junctions that
// users who are not administrators made. False where Windows lacks it.
bool EnableRedirectionTrust();

// Whether the path names a folder.
bool FolderExists(const std::wstring& path);
// Deletes the folder and everything in it. A link inside (a junction or a
// symbolic link) is removed itself and never followed. False, with the
// last error, at the first thing that stays.
bool RemoveFolderTree(const std::wstring& path);
// Removes the folder when it is empty; false otherwise.
bool RemoveEmptyFolder(const std::wstring& path);

// The machine's TrustedPublisher store, a certificate (DER) matched by its
// SHA-1 thumbprint, never by its names. False, with the last error, when
// the store cannot be read or the certificate stays.
bool TrustedPublisherHolds(const std::vector<std::uint8_t>& certificate, bool& holds);
bool RemoveFromTrustedPublisher(const std::vector<std::uint8_t>& certificate);
// Adds the certificate to the store, which is made when missing; true when
// it is there afterwards.
bool AddToTrustedPublisher(const std::vector<std::uint8_t>& certificate);

inline constexpr int kCsidlWindows = 0x24;
inline constexpr int kCsidlCommonAppData = 0x23;
inline constexpr int kCsidlProgramFiles = 0x26;
// SHGetFolderPathW(NULL, folder, NULL, SHGFP_TYPE_CURRENT), without a
// trailing "\". False when the shell reports a failure (it sets no last error).
bool SHGetFolderPathW(int folder, std::wstring& path);

inline constexpr std::uint32_t kSeeMaskNoCloseProcess = 0x40;
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;

// SHELLEXECUTEINFOW; fields not here stay zero.
struct ShellExecuteInfo {
    std::uint32_t mask = 0;
    WindowHandle owner = WindowHandle::None;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    int show = 0;
};
// The process handle when asked for with kSeeMaskNoCloseProcess and one was
// created; the caller closes it.
bool ShellExecuteExW(const ShellExecuteInfo& info, KernelHandle& process);
// The exit code of a process that has ended (259, STILL_ACTIVE, while it runs).
bool GetExitCodeProcess(KernelHandle process, std::uint32_t& exitCode);

}  // namespace os
