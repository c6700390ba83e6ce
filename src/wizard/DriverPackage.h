// The printer driver inside the resource package: the two models with the
// package files each architecture needs, taking one file out of the package
// onto disk, and the staging folder of the driver install through printui.
//
// The package must be open (start-up opens it for the program's lifetime).
// Failures are reported as false or -1 with the thread's last error set, so
// the caller can explain them with the system's text.
#pragma once

#include "os/Files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wizard {

// One printer model. Package paths use "\\"; lists keep their order.
struct DriverModel {
    explicit DriverModel(std::uint32_t modelId = 0) : id(modelId) {}

    std::uint32_t id = 0;
    std::wstring displayName;
    std::wstring driverName;
    std::wstring driverFile;
    std::wstring dataFile;
    std::wstring configFile;
    std::wstring helpFile = L"UNIDRV.HLP";
    std::vector<std::wstring> driverDirFiles32;
    std::vector<std::wstring> driverDirFiles64;
    std::wstring certificateFile;
    // Relative to the staging folder's "Driver64" or "Driver32" subfolder.
    std::wstring infFile;
    std::vector<std::wstring> stageRootFiles;
    std::vector<std::wstring> stageFiles32;
    std::vector<std::wstring> stageFiles64;
    std::vector<std::wstring> archFolders;  // plain folder names
};

// Replaces `models` with the 203 dpi model (id 0) and the 300 dpi model (id 1).
void BuildDriverModels(std::vector<DriverModel>& models);

// A package file the printui install needs beyond the model's own staging
// lists, and the subfolder of the staging folder it goes to ("" for the
// folder itself): the certificate in the folder; in "Driver64" and
// "Driver32" the INF and every file it lists that the model's lists leave
// out (the INF names both models' files and reads them from its folder).
struct StagedExtra {
    std::wstring packagePath;
    std::wstring subfolder;
};
std::vector<StagedExtra> StagingExtras(const DriverModel& model);

// Whether `name` is the driver name of one of the models, as the spooler
// compares driver names: without case.
bool IsOwnDriver(const std::vector<DriverModel>& models, const std::wstring& name);

// Fills the staging folder (ending in "\\", its subfolders made already):
// the model's root, "Driver64" and "Driver32" lists in that order,
// then StagingExtras. Stops at the first file that cannot be extracted,
// with the last error set. Every file name goes to dependentFiles.
bool StageDriverFiles(const DriverModel& model, const std::wstring& stagingFolder,
                      std::vector<wchar_t>& dependentFiles);

// Whether Windows is 64-bit. The rule for a program of the given pointer
// size: a 64-bit program runs only on 64-bit Windows; a 32-bit one asks
// IsWow64Process about itself, and a failed call counts as 32-bit.
bool Is64BitWindowsFor(bool program64Bit);
// The same for this program (the shipped one is 32-bit and asks WOW64).
bool Is64BitWindows();

// The list of files for the spooler's driver directory on this Windows.
const std::vector<std::wstring>& DriverDirectoryFiles(const DriverModel& model, bool windows64);

// Largest package entry that is extracted.
inline constexpr std::uint32_t kMaxDriverFileSize = 4u * 1024 * 1024;

// The package entry of the driver's certificate (DER).
const std::wstring& CertificatePackagePath();

// Reads the entry `packagePath` of the process's package: 1 byte to 4 MiB,
// else false with the last error set.
bool ReadPackageFile(const std::wstring& packagePath, std::vector<std::uint8_t>& bytes);

// Takes the entry `packagePath` ("driver\\a4\\Driver64\\X.dll") out of the
// process's package and writes it to `destinationFolder` (ending in "\\")
// followed by its file name, replacing a file that is there. The file name
// is appended to `dependentFiles` (no terminator) before the extraction is
// tried, so it is there even when the extraction fails; a path without "\\"
// fails without touching the buffer. Entries must hold 1 byte to 4 MiB.
bool ExtractPackageFile(const std::wstring& packagePath, const std::wstring& destinationFolder,
                        std::vector<wchar_t>& dependentFiles);

// The text in the ANSI code page, as the narrow folder calls take it.
std::string WideToAnsi(const std::wstring& text);

// Longest ANSI path CreateDirectoryTree works on (MAX_PATH less the terminator).
inline constexpr std::size_t kMaxAnsiPath = 259;

// Creates every missing folder of `path`, relative to the current directory
// unless it names a drive, so that only administrators and SYSTEM can write
// it. True on success; false on the first folder that cannot be made (those made
// before it stay), on a folder of the path (new or not) that
// IsAdminOnlyWritable refuses, or when a path is longer than kMaxAnsiPath
// bytes of ANSI (nothing is made).
bool CreateDirectoryTree(const std::wstring& path);

// Whether every folder of `path` (which must exist) keeps CreateDirectoryTree's
// rule; false, with the last error (5 for a folder others may change), where
// one does not. What SYSTEM deletes is checked so first: a folder a user
// could change may have had a subfolder swapped for a junction.
bool IsAdminOnlyTree(const std::wstring& path);

// Whether only SYSTEM, Administrators, TrustedInstaller and the process's own
// user can change what
// is in the folder: one of them owns it (an owner may rewrite the list),
// no other trustee has a right that adds, deletes or renames in it or
// changes its list, it has a list at all, and it is a real folder, not a
// junction to somewhere else.
bool IsAdminOnlyWritable(const os::FolderSecurity& security);
// SYSTEM, Administrators, TrustedInstaller or the process's own user: who
// may own what a privileged run writes to or installs from.
bool IsTrustedOwner(const std::wstring& sid);

// The folder the printui install reads from, ending in "\\": under Program
// Files, or on C:\ when the shell cannot say where that is.
std::wstring StagingFolder();

// The program's own folder beside it, ending in "\\": the unattended log and
// the machine-wide lock live there, where only administrators can write.
std::wstring SetupFolder();

// The machine-wide lock of an install or removal, a file in SetupFolder():
// Taken, Busy (another copy holds it), or Failed (the folder cannot be made
// or kept to CreateDirectoryTree's rule; the last error says why).
enum class WorkLockState { Taken, Busy, Failed };
struct WorkLock {
    WorkLockState state = WorkLockState::Failed;
    os::KernelHandle handle = os::KernelHandle::Invalid;
};
WorkLock TakeWorkLock();
// Gives the lock back, and removes SetupFolder() and the folder above it
// where they are left empty, so that a removal leaves nothing behind.
void ReleaseWorkLock(WorkLock& lock);

}  // namespace wizard
