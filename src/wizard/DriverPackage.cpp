#include "wizard/DriverPackage.h"

#include "base/Strings.h"

#include "os/Errors.h"
#include "os/Files.h"
#include "os/System.h"
#include "printsys/WindowsVersion.h"
#include "ui/Toolkit.h"
#include "ui/Utf.h"

#include <algorithm>
#include <utility>

namespace wizard {

namespace {

// x86 and x64 only: the driver is built for no other architecture.
const wchar_t* const kArchFolders[] = {L"Driver32", L"Driver64"};
const wchar_t* const kSharedFiles[] = {L"driver\\a4\\QuorvelA4203.pcd", L"driver\\a4\\QuorvelA4300.pcd",
                                       L"driver\\a4\\plotuia4.hlp"};
const wchar_t* const kInfPath = L"driver\\a4\\QuorvelA4.inf";
const wchar_t* const kCatalogPath = L"driver\\a4\\QuorvelA4.cat";
const wchar_t* const kCertificatePath = L"driver\\a4\\kvtp.cer";

DriverModel MakeModel(std::uint32_t id, const std::wstring& resolution, const std::wstring& otherResolution) {
    DriverModel model(id);
    model.displayName = L"A4 Printer(" + resolution + L"dpi)";
    model.driverName = model.displayName;

    std::vector<std::wstring>* driverDirLists[] = {&model.driverDirFiles32, &model.driverDirFiles64};
    std::vector<std::wstring>* stageLists[] = {&model.stageFiles32, &model.stageFiles64};
    for (const wchar_t* kind : {L"UI", L"UNI"}) {
        for (std::size_t arch = 0; arch < 2; ++arch) {
            const std::wstring path =
                std::wstring(L"driver\\a4\\") + kArchFolders[arch] + L"\\QuorvelA4" + kind + resolution + L".dll";
            driverDirLists[arch]->push_back(path);
            stageLists[arch]->push_back(path);
        }
    }
    std::vector<std::wstring> shared;
    for (const wchar_t* file : kSharedFiles)
        if (std::wstring(file).find(otherResolution) == std::wstring::npos) shared.push_back(file);
    // Only the 300 dpi model puts its data and help file in the staging root.
    if (id == 1) model.stageRootFiles = shared;
    for (auto* list : driverDirLists) list->insert(list->end(), shared.begin(), shared.end());

    model.archFolders = {L"Driver64", L"Driver32"};
    model.certificateFile = L"kvtp.cer";
    model.driverFile = L"QuorvelA4UNI" + resolution + L".DLL";
    model.dataFile = L"QuorvelA4" + resolution + L".pcd";
    model.configFile = L"QuorvelA4UI" + resolution + L".DLL";
    model.helpFile = L"plotuia4.hlp";

    model.infFile = L"QuorvelA4.inf";
    return model;
}

}  // namespace

std::vector<StagedExtra> StagingExtras(const DriverModel& model) {
    // The printui install imports "<staging>\kvtp.cer" and reads
    // "<staging>\Driver64|Driver32\QuorvelA4.inf" with its catalog. The INF describes both
    // models and takes every file it lists from its own folder: Windows
    // copies the whole package into the driver store before it installs one
    // model, and stops at the first file that is missing. So each of those
    // folders also gets what the model lists leave out: the other model's
    // DLLs and both data files and the help file, which the lists leave in
    // the root (300 dpi) or out altogether (203 dpi).
    std::vector<StagedExtra> extras = {{kCertificatePath, L""}};
    for (const wchar_t* folder : {L"Driver64", L"Driver32"}) {
        const std::vector<std::wstring>& staged =
            std::wstring(folder) == L"Driver64" ? model.stageFiles64 : model.stageFiles32;
        extras.push_back({kInfPath, folder});
        // The INF's CatalogFile: Windows takes a package into the driver
        // store only with the signed catalog beside the INF.
        extras.push_back({kCatalogPath, folder});
        for (const wchar_t* resolution : {L"203", L"300"}) {
            for (const wchar_t* kind : {L"UI", L"UNI"}) {
                const std::wstring path =
                    std::wstring(L"driver\\a4\\") + folder + L"\\QuorvelA4" + kind + resolution + L".dll";
                if (std::find(staged.begin(), staged.end(), path) == staged.end()) extras.push_back({path, folder});
            }
        }
        for (const wchar_t* file : kSharedFiles) extras.push_back({file, folder});
    }
    return extras;
}

bool StageDriverFiles(const DriverModel& model, const std::wstring& stagingFolder,
                      std::vector<wchar_t>& dependentFiles) {
    const std::pair<const std::vector<std::wstring>*, std::wstring> lists[] = {
        {&model.stageRootFiles, stagingFolder},
        {&model.stageFiles64, stagingFolder + L"Driver64\\"},
        {&model.stageFiles32, stagingFolder + L"Driver32\\"},
    };
    for (const auto& [list, folder] : lists)
        for (const std::wstring& path : *list)
            if (!ExtractPackageFile(path, folder, dependentFiles)) return false;
    for (const StagedExtra& extra : StagingExtras(model)) {
        const std::wstring folder = extra.subfolder.empty() ? stagingFolder : stagingFolder + extra.subfolder + L"\\";
        if (!ExtractPackageFile(extra.packagePath, folder, dependentFiles)) return false;
    }
    return true;
}

void BuildDriverModels(std::vector<DriverModel>& models) {
    models.clear();
    models.push_back(MakeModel(0, L"203", L"300"));
    models.push_back(MakeModel(1, L"300", L"203"));
}

bool Is64BitWindowsFor(bool program64Bit) { return printsys::Is64BitWindowsFor(program64Bit); }

bool Is64BitWindows() { return printsys::Is64BitWindows(); }

const std::vector<std::wstring>& DriverDirectoryFiles(const DriverModel& model, bool windows64) {
    return windows64 ? model.driverDirFiles64 : model.driverDirFiles32;
}

const std::wstring& CertificatePackagePath() {
    static const std::wstring path = kCertificatePath;
    return path;
}

bool ReadPackageFile(const std::wstring& packagePath, std::vector<std::uint8_t>& bytes) {
    const ui::ResourcePackage& package = ui::Toolkit::Process().Package();
    const ui::ZipEntry* entry = package.IsOpen() ? package.Archive().Find(ui::WideToUtf8(packagePath)) : nullptr;
    if (!entry) {
        os::SetLastError(os::error::kFileNotFound);
        return false;
    }
    if (entry->size == 0 || entry->size > kMaxDriverFileSize) {
        os::SetLastError(entry->size == 0 ? os::error::kInvalidData : os::error::kFileTooLarge);
        return false;
    }
    if (package.Archive().Read(*entry, kMaxDriverFileSize, bytes) != ui::ZipError::None || bytes.size() != entry->size) {
        os::SetLastError(os::error::kInvalidData);
        return false;
    }
    return true;
}

bool ExtractPackageFile(const std::wstring& packagePath, const std::wstring& destinationFolder,
                        std::vector<wchar_t>& dependentFiles) {
    const std::size_t slash = packagePath.rfind(L'\\');
    if (slash == std::wstring::npos) {
        os::SetLastError(os::error::kInvalidName);
        return false;
    }
    const std::wstring fileName = packagePath.substr(slash + 1);
    dependentFiles.insert(dependentFiles.end(), fileName.begin(), fileName.end());

    std::vector<std::uint8_t> bytes;
    if (!ReadPackageFile(packagePath, bytes)) return false;

    const os::KernelHandle file = os::CreateFileW(destinationFolder + fileName, os::kGenericWrite, 0,
                                                  os::kCreateAlways, os::kFileAttributeNormal);
    if (file == os::KernelHandle::Invalid) return false;
    std::uint32_t written = 0;
    const auto length = static_cast<std::uint32_t>(bytes.size());
    // A short write is a failure too, though the call itself succeeded.
    bool ok = os::WriteFile(file, bytes.data(), length, written);
    std::uint32_t error = ok ? 0 : os::GetLastError();
    if (ok && written != length) {
        ok = false;
        error = os::error::kInvalidData;
    }
    os::CloseHandle(file);
    if (!ok) os::SetLastError(error);
    return ok;
}

bool IsOwnDriver(const std::vector<DriverModel>& models, const std::wstring& name) {
    return std::any_of(models.begin(), models.end(),
                       [&](const DriverModel& model) { return base::EqualNoCase(model.driverName, name); });
}

std::string WideToAnsi(const std::wstring& text) { return os::WideToAnsi(text); }

namespace {

// Walks the folders of `path` from the first below its drive (or the
// current directory, for a relative path) and holds each to the staging
// rule: only SYSTEM, Administrators and TrustedInstaller may change it and
// it is no junction. With `create`, a missing folder is made so first.
bool WalkAdminOnlyFolders(const std::wstring& path, bool create) {
    if (WideToAnsi(path).size() > kMaxAnsiPath) {
        os::SetLastError(os::error::kFilenameExcedRange);
        return false;
    }
    std::string prefix;
    if (!os::GetCurrentDirectoryA(prefix)) return false;
    // A drive root comes as "C:\"; the tokens bring their own separator.
    if (!prefix.empty() && prefix.back() == '\\') prefix.pop_back();

    // Split the wide text: in a double-byte code page a "\" byte can be the
    // second half of a character, so the ANSI text cannot be split safely.
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring token = path.substr(start, end - start);
        start = end + 1;
        if (token.empty() || token == L".") continue;
        if (token.find(L':') != std::wstring::npos) {
            prefix = WideToAnsi(token);
            continue;
        }
        prefix += '\\' + WideToAnsi(token);
        if (prefix.size() > kMaxAnsiPath) {
            os::SetLastError(os::error::kFilenameExcedRange);
            return false;
        }
        if (create && !os::PathExistsA(prefix) && !os::CreateAdminOnlyDirectoryA(prefix) &&
            os::GetLastError() != os::error::kAlreadyExists)
            return false;
        // Also a folder that was there before, or was made by someone else
        // meanwhile: what lies in it is installed with administrator rights.
        os::FolderSecurity security;
        if (!os::GetFolderSecurityA(prefix, security)) return false;
        if (!IsAdminOnlyWritable(security)) {
            os::SetLastError(os::error::kAccessDenied);
            return false;
        }
    }
    return true;
}

}  // namespace

bool CreateDirectoryTree(const std::wstring& path) { return WalkAdminOnlyFolders(path, true); }

bool IsAdminOnlyTree(const std::wstring& path) { return WalkAdminOnlyFolders(path, false); }

bool IsTrustedOwner(const std::wstring& sid) {
    // The process's own user too: it is who runs this (SYSTEM, or an
    // elevated administrator, whose files Windows gives the Administrators
    // group and Wine gives the user).
    if (sid == os::kSidSystem || sid == os::kSidAdministrators || sid == os::kSidTrustedInstaller) return true;
    const std::wstring self = os::GetProcessUserSid();
    return !self.empty() && sid == self;
}

bool IsAdminOnlyWritable(const os::FolderSecurity& security) {
    // Rights that let a trustee put, swap or remove what is in the folder,
    // or give itself such rights.
    constexpr std::uint32_t kAddFile = 0x0002, kAddSubfolder = 0x0004, kWriteEa = 0x0010, kDeleteChild = 0x0040,
                            kWriteAttributes = 0x0100, kDelete = 0x00010000, kWriteDac = 0x00040000,
                            kWriteOwner = 0x00080000, kGenericAll = 0x10000000, kGenericWrite = 0x40000000;
    constexpr std::uint32_t kChangingRights = kAddFile | kAddSubfolder | kWriteEa | kDeleteChild | kWriteAttributes |
                                              kDelete | kWriteDac | kWriteOwner | kGenericAll | kGenericWrite;
    const auto trusted = [](const std::wstring& sid) { return IsTrustedOwner(sid); };
    if (!security.isDirectory || security.isReparsePoint || !security.hasDacl || !trusted(security.owner))
        return false;
    return std::all_of(security.entries.begin(), security.entries.end(), [&](const os::AccessEntry& entry) {
        // An inherit-only entry is for what is made inside, not the folder.
        const bool applies = entry.allow && !(entry.flags & os::kAceInheritOnly);
        return !applies || !(entry.mask & kChangingRights) || trusted(entry.sid);
    });
}

std::wstring SetupFolder() {
    const std::wstring stage = StagingFolder();
    // "...\PrinterDriver\RMXTavrin\" -> "...\PrinterDriver\Setup\"
    const std::wstring root = stage.substr(0, stage.rfind(L'\\', stage.size() - 2) + 1);
    return root + L"Setup\\";
}

WorkLock TakeWorkLock() {
    const std::wstring folder = SetupFolder();
    // Twice: another copy that just gave its lock back may have removed the
    // folder in between.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!CreateDirectoryTree(folder)) return {};
        const os::KernelHandle handle = os::TryTakeWorkLock(folder + L"QuorvelA4Setup.lock");
        if (handle != os::KernelHandle::Invalid) return {WorkLockState::Taken, handle};
        if (os::GetLastError() == os::error::kSharingViolation) return {WorkLockState::Busy, handle};
        if (os::GetLastError() != os::error::kPathNotFound) break;
    }
    return {};
}

void ReleaseWorkLock(WorkLock& lock) {
    if (lock.state != WorkLockState::Taken) return;
    os::ReleaseWorkLock(lock.handle);
    lock = {};
    const std::wstring folder = SetupFolder();
    if (os::RemoveEmptyFolder(folder.substr(0, folder.size() - 1))) {
        const std::wstring above = folder.substr(0, folder.rfind(L'\\', folder.size() - 2));
        os::RemoveEmptyFolder(above);
    }
}

std::wstring StagingFolder() {
    std::wstring programFiles;
    if (!os::SHGetFolderPathW(os::kCsidlProgramFiles, programFiles) || programFiles.empty())
        return L"C:\\PrinterDriver\\RMXTavrin\\";
    return programFiles + L"\\PrinterDriver\\RMXTavrin\\";
}

}  // namespace wizard
