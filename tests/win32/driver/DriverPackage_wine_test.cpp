// The driver package on the real os/win32 boundary, run under Wine: this
// program's own resource package (ZIPRES 129) is extracted into the
// spooler's real driver directory and compared with the files the build
// packed; the staging folder resolves under the real Program Files.
#include <windows.h>
#include <shlobj.h>

#include "os/Files.h"
#include "os/System.h"
#include "printsys/SpoolerInventory.h"
#include "ui/Toolkit.h"
#include "ui/win32/ModuleResource.h"
#include "wizard/DriverPackage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::vector<char> ReadFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    EXPECT_TRUE(in.good()) << Narrow(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The packed file of a package path, in the folder the build packed from.
std::wstring StagedPayload(const std::wstring& packagePath) {
    std::wstring relative = packagePath.substr(std::wstring(L"driver\\").size());
    const std::string root = DRIVER_PAYLOAD_STAGED;
    return std::wstring(root.begin(), root.end()) + L"\\" + relative;
}

class DriverPackageOnWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(ui::OpenPackageFromModule(GetModuleHandleW(nullptr), L"ZIPRES", 129, "wqm19990707",
                                            ui::Toolkit::Process().Package()),
                  ui::ModuleResourceResult::Opened);
    }
    static void TearDownTestSuite() { ui::Toolkit::Process().Package().Close(); }
};

TEST_F(DriverPackageOnWindows, ExtractsEachModelIntoTheDriverDirectory) {
    ASSERT_TRUE(wizard::Is64BitWindows());
    const std::wstring directory = printsys::GetDriverDirectory();
    std::printf("driver directory: %s\n", Narrow(directory).c_str());
    ASSERT_FALSE(directory.empty());

    std::vector<wizard::DriverModel> models;
    wizard::BuildDriverModels(models);
    for (const auto& model : models) {
        const auto& files = wizard::DriverDirectoryFiles(model, wizard::Is64BitWindows());
        ASSERT_EQ(&files, &model.driverDirFiles64);
        std::vector<wchar_t> dependentFiles;
        for (const auto& path : files) {
            ASSERT_TRUE(wizard::ExtractPackageFile(path, directory, dependentFiles))
                << Narrow(path) << " error " << GetLastError();
            dependentFiles.push_back(L'\0');
            const std::wstring name = path.substr(path.rfind(L'\\') + 1);
            const auto written = ReadFile(directory + name);
            EXPECT_EQ(written, ReadFile(StagedPayload(path))) << Narrow(path);
            std::printf("%s -> %s%s: %u bytes, identical to the payload\n", Narrow(path).c_str(),
                        Narrow(directory).c_str(), Narrow(name).c_str(), static_cast<unsigned>(written.size()));
        }
        dependentFiles.insert(dependentFiles.end(), 2, L'\0');

        const std::wstring r = model.id == 0 ? L"203" : L"300";
        const std::wstring expected = L"QuorvelA4UI" + r + L".dll" + L'\0' + L"QuorvelA4UNI" + r + L".dll" + L'\0' +
                                      L"QuorvelA4" + r + L".pcd" + L'\0' + L"plotuia4.hlp" + L'\0' + L'\0' + L'\0';
        EXPECT_EQ(std::wstring(dependentFiles.begin(), dependentFiles.end()), expected);
        std::printf("dependent files (%u characters):", static_cast<unsigned>(dependentFiles.size()));
        for (wchar_t c : dependentFiles) std::printf(c ? "%c" : "\\0", static_cast<char>(c));
        std::printf("\n");

        for (const auto& path : files) DeleteFileW((directory + path.substr(path.rfind(L'\\') + 1)).c_str());
    }
}

TEST_F(DriverPackageOnWindows, StagingFolderUnderProgramFiles) {
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles), S_OK);
    const std::wstring stage = wizard::StagingFolder();
    std::printf("staging folder: %s\n", Narrow(stage).c_str());
    EXPECT_EQ(stage, std::wstring(programFiles) + L"\\PrinterDriver\\RMXTavrin\\");
    EXPECT_EQ(stage.rfind(L"C:\\Program Files", 0), 0u);
}

void PrintSecurity(const std::wstring& path) {
    os::FolderSecurity security;
    if (!os::GetFolderSecurityA(os::WideToAnsi(path), security)) {
        std::printf("%s: no security (%lu)\n", Narrow(path).c_str(), GetLastError());
        return;
    }
    std::printf("%s: owner %s, %s, %s%s\n", Narrow(path).c_str(), Narrow(security.owner).c_str(),
                security.isDirectory ? "folder" : "file", security.hasDacl ? "list" : "NULL list",
                wizard::IsAdminOnlyWritable(security) ? ", admin-only" : ", others may write");
    for (const auto& entry : security.entries)
        std::printf("  %s %s 0x%08x flags 0x%02x\n", entry.allow ? "allow" : "deny", Narrow(entry.sid).c_str(),
                    entry.mask, entry.flags);
}

// Windows' rule is proven on the simulated machine; here the real calls
// run. Wine gives every folder its user as owner, with full control for
// SYSTEM and that user and reading for everyone: the process's own user, so
// the rule takes them, as it takes the Administrators' folders on Windows.
TEST_F(DriverPackageOnWindows, TheProcesssOwnFoldersAreTaken) {
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles), S_OK);
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    std::printf("this process runs as %s\n", Narrow(os::GetProcessUserSid()).c_str());
    EXPECT_FALSE(os::GetProcessUserSid().empty());
    PrintSecurity(programFiles);
    PrintSecurity(temp);
    EXPECT_TRUE(wizard::CreateDirectoryTree(std::wstring(temp) + L"driver-package-test\\RMXTavrin\\"))
        << GetLastError();
    EXPECT_TRUE(wizard::IsAdminOnlyTree(std::wstring(temp) + L"driver-package-test\\RMXTavrin"));

    const std::wstring own = std::wstring(temp) + L"driver-package-admin";
    RemoveDirectoryW(own.c_str());
    ASSERT_TRUE(os::CreateAdminOnlyDirectoryA(os::WideToAnsi(own))) << GetLastError();
    PrintSecurity(own);
    RemoveDirectoryW(own.c_str());
}

// The fallback's staging, in a folder of the test's own under %TEMP%: the
// certificate in the root, the INF with the model's files in Driver64.
TEST_F(DriverPackageOnWindows, StagesInfAndCertificate) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring stage = std::wstring(temp) + L"driver-package-test\\RMXTavrin\\";
    std::vector<wizard::DriverModel> models;
    wizard::BuildDriverModels(models);
    const auto& model = models[0];
    for (const auto& arch : model.archFolders) SHCreateDirectoryExW(nullptr, (stage + arch).c_str(), nullptr);
    std::vector<wchar_t> buffer;
    for (const auto& path : model.stageRootFiles) ASSERT_TRUE(wizard::ExtractPackageFile(path, stage, buffer));
    for (const auto& path : model.stageFiles64)
        ASSERT_TRUE(wizard::ExtractPackageFile(path, stage + L"Driver64\\", buffer));
    for (const auto& extra : wizard::StagingExtras(model)) {
        const std::wstring folder = extra.subfolder.empty() ? stage : stage + extra.subfolder + L"\\";
        ASSERT_TRUE(wizard::ExtractPackageFile(extra.packagePath, folder, buffer));
    }
    EXPECT_EQ(ReadFile(stage + model.certificateFile), ReadFile(StagedPayload(L"driver\\a4\\kvtp.cer")));
    EXPECT_EQ(ReadFile(stage + L"Driver64\\" + model.infFile), ReadFile(StagedPayload(L"driver\\a4\\QuorvelA4.inf")));
    for (const auto* file : {&model.driverFile, &model.configFile, &model.dataFile, &model.helpFile})
        EXPECT_NE(GetFileAttributesW((stage + L"Driver64\\" + *file).c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(*file);
    std::printf("staged under %s\n", Narrow(stage).c_str());
}

}  // namespace
