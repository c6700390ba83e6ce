// The model table, the architecture rule, extraction from the package onto
// the simulated disk, folder creation and the staging folder; and the
// package the build packs, with its driver payload.
#include "wizard/DriverPackage.h"

#include "os/sim/Machine.h"
#include "support/SimTest.h"
#include "support/ZipWriter.h"
#include "ui/Toolkit.h"
#include "ui/ZipArchive.h"
#include "wizard/AppState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <map>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using os::sim::Operation;
using Paths = std::vector<std::wstring>;

std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteHostFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<wchar_t> Chars(const std::wstring& text) { return {text.begin(), text.end()}; }

// ---------------------------------------------------------------- model table

struct ExpectedModel {
    const wchar_t* resolution;
    Paths stageRoot;
};

TEST(DriverModels, BothRecordsFieldByField) {
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    ASSERT_EQ(models.size(), 2u);

    const ExpectedModel expected[] = {
        {L"203", {}},
        {L"300", {L"driver\\a4\\QuorvelA4300.pcd", L"driver\\a4\\plotuia4.hlp"}},
    };
    for (std::uint32_t i = 0; i < 2; ++i) {
        const std::wstring r = expected[i].resolution;
        const auto& m = models[i];
        SCOPED_TRACE(r);
        EXPECT_EQ(m.id, i);
        EXPECT_EQ(m.displayName, L"A4 Printer(" + r + L"dpi)");
        EXPECT_EQ(m.driverName, L"A4 Printer(" + r + L"dpi)");
        EXPECT_EQ(m.driverFile, L"QuorvelA4UNI" + r + L".DLL");
        EXPECT_EQ(m.dataFile, L"QuorvelA4" + r + L".pcd");
        EXPECT_EQ(m.configFile, L"QuorvelA4UI" + r + L".DLL");
        EXPECT_EQ(m.helpFile, L"plotuia4.hlp");
        EXPECT_EQ(m.certificateFile, L"kvtp.cer");
        EXPECT_EQ(m.infFile, L"QuorvelA4.inf");
        const std::wstring pcd = L"driver\\a4\\QuorvelA4" + r + L".pcd";
        const std::wstring hlp = L"driver\\a4\\plotuia4.hlp";
        auto dlls = [&](const std::wstring& arch) {
            return Paths{L"driver\\a4\\" + arch + L"\\QuorvelA4UI" + r + L".dll",
                         L"driver\\a4\\" + arch + L"\\QuorvelA4UNI" + r + L".dll"};
        };
        auto with = [](Paths list, const Paths& more) {
            list.insert(list.end(), more.begin(), more.end());
            return list;
        };
        EXPECT_EQ(m.driverDirFiles32, with(dlls(L"Driver32"), {pcd, hlp}));
        EXPECT_EQ(m.driverDirFiles64, with(dlls(L"Driver64"), {pcd, hlp}));
        EXPECT_EQ(m.stageRootFiles, expected[i].stageRoot);
        EXPECT_EQ(m.stageFiles32, dlls(L"Driver32"));
        EXPECT_EQ(m.stageFiles64, dlls(L"Driver64"));
        EXPECT_EQ(m.archFolders, (Paths{L"Driver64", L"Driver32"}));
    }
}

// The INF's folder must hold everything it lists, without a file twice,
// and the certificate must sit where the install imports it from.
TEST(DriverModels, StagingExtrasCompleteTheInfFolders) {
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    for (const auto& model : models) {
        const std::wstring other = model.id == 0 ? L"300" : L"203";
        std::vector<std::pair<std::wstring, std::wstring>> expected = {{L"driver\\a4\\kvtp.cer", L""}};
        for (const std::wstring arch : {L"Driver64", L"Driver32"}) {
            const std::wstring dir = L"driver\\a4\\" + arch + L"\\";
            expected.insert(expected.end(), {{L"driver\\a4\\QuorvelA4.inf", arch},
                                             {L"driver\\a4\\QuorvelA4.cat", arch},
                                             {dir + L"QuorvelA4UI" + other + L".dll", arch},
                                             {dir + L"QuorvelA4UNI" + other + L".dll", arch},
                                             {L"driver\\a4\\QuorvelA4203.pcd", arch},
                                             {L"driver\\a4\\QuorvelA4300.pcd", arch},
                                             {L"driver\\a4\\plotuia4.hlp", arch}});
        }
        std::vector<std::pair<std::wstring, std::wstring>> actual;
        for (const auto& extra : wizard::StagingExtras(model)) actual.emplace_back(extra.packagePath, extra.subfolder);
        EXPECT_EQ(actual, expected) << other.c_str();
    }
}

TEST(DriverModels, ListsNeverNameTheOtherModel) {
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    const std::pair<const wizard::DriverModel*, const wchar_t*> cases[] = {{&models[0], L"300"}, {&models[1], L"203"}};
    for (const auto& [model, other] : cases) {
        for (const Paths* list : {&model->driverDirFiles32, &model->driverDirFiles64, &model->stageRootFiles,
                                  &model->stageFiles32, &model->stageFiles64}) {
            for (const auto& path : *list) EXPECT_EQ(path.find(other), std::wstring::npos) << path.c_str();
        }
    }
}

TEST(DriverModels, AppStateBuildsTheTableOnce) {
    wizard::AppState state;
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    ASSERT_EQ(state.Models().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(state.Models()[i].id, i);
        EXPECT_EQ(state.Models()[i].driverDirFiles64, models[i].driverDirFiles64);
        EXPECT_EQ(state.Models()[i].stageRootFiles, models[i].stageRootFiles);
    }
}

// ---------------------------------------------------------------- architecture

class Architecture : public SimTest {};

TEST_F(Architecture, RuleForEachPointerSize) {
    struct Case {
        bool program64;
        bool wow64;
        std::uint32_t failure;
        bool expected;
    };
    const Case cases[] = {
        {false, true, 0, true},    // 32-bit program on 64-bit Windows
        {false, false, 0, false},  // 32-bit Windows
        {false, true, 5, false},   // the call failed: 32-bit
        {true, false, 0, true},    // a 64-bit program does not ask
        {true, true, 5, true},
    };
    for (const auto& c : cases) {
        machine.Reset();
        machine.wow64 = c.wow64;
        if (c.failure) machine.FailCall(Operation::IsWow64Process, c.failure);
        EXPECT_EQ(wizard::Is64BitWindowsFor(c.program64), c.expected)
            << c.program64 << " " << c.wow64 << " " << c.failure;
    }
    // The program's own bitness comes from the machine: the shipped 32-bit
    // program asks WOW64, a 64-bit build does not.
    machine.Reset();
    machine.wow64 = false;
    EXPECT_FALSE(wizard::Is64BitWindows());
    machine.program64Bit = true;
    EXPECT_TRUE(wizard::Is64BitWindows());
}

TEST_F(Architecture, ChoosesTheDriverDirectoryList) {
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    for (const auto& model : models) {
        EXPECT_EQ(&wizard::DriverDirectoryFiles(model, true), &model.driverDirFiles64);
        EXPECT_EQ(&wizard::DriverDirectoryFiles(model, false), &model.driverDirFiles32);
        EXPECT_EQ(model.driverDirFiles64.size(), 4u);
    }
}

// ---------------------------------------------------------------- extraction

class Extraction : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        folder = machine.DriverDirectory().string() + "/";
    }
    void TearDown() override {
        ui::Toolkit::Process().Package().Close();
        SimTest::TearDown();
    }
    void Use(const std::vector<testing_support::ZipTestEntry>& entries) {
        bytes = testing_support::BuildZip(entries);
        ASSERT_EQ(ui::Toolkit::Process().Package().Open(bytes.data(), bytes.size(), "wqm19990707"), ui::ZipError::None);
    }
    std::wstring Destination() const { return machine.DriverDirectory().wstring() + L"\\"; }

    std::vector<std::uint8_t> bytes;
    std::string folder;
};

const std::vector<std::uint8_t> kDll = testing_support::Bytes("MZ stand-in of a driver DLL");

TEST_F(Extraction, WritesTheEntryAndAppendsItsName) {
    Use({{"driver/a4/Driver64/QuorvelA4UI203.dll", kDll, true}});
    std::vector<wchar_t> buffer = Chars(L"before");
    // Found ignoring case, with "\" read as "/"; named as the path says.
    ASSERT_TRUE(wizard::ExtractPackageFile(L"DRIVER\\A4\\driver64\\QuorvelA4UI203.DLL", Destination(), buffer));
    EXPECT_EQ(buffer, Chars(L"beforeQuorvelA4UI203.DLL"));
    EXPECT_EQ(ReadHostFile(folder + "QuorvelA4UI203.DLL"), kDll);
}

TEST_F(Extraction, FailuresKeepTheNameOnlyOnceThePathHasOne) {
    struct Case {
        const char* what;
        std::wstring packagePath;
        std::wstring destination;  // empty: the driver directory
        Operation injected;
        std::uint32_t injectedError;
        const wchar_t* buffer;
        std::uint32_t lastError;
    };
    const Case cases[] = {
        {"no backslash", L"QuorvelA4UI203.dll", L"", Operation::WriteFile, 0, L"", 123},
        {"missing entry", L"driver\\a4\\Driver64\\Missing.dll", L"", Operation::WriteFile, 0, L"Missing.dll", 2},
        {"empty entry", L"driver\\a4\\Empty.pcd", L"", Operation::WriteFile, 0, L"Empty.pcd", 13},
        {"over 4 MiB", L"driver\\a4\\Large.dll", L"", Operation::WriteFile, 0, L"Large.dll", 223},
        {"damaged data", L"driver\\a4\\Damaged.hlp", L"", Operation::WriteFile, 0, L"Damaged.hlp", 13},
        {"no such folder", L"driver\\a4\\Good.dll", L"C:\\NoSuchFolder\\", Operation::WriteFile, 0, L"Good.dll", 3},
        {"cannot open", L"driver\\a4\\Good.dll", L"", Operation::CreateFile, 5, L"Good.dll", 5},
        {"cannot write", L"driver\\a4\\Good.dll", L"", Operation::WriteFile, 112, L"Good.dll", 112},
    };
    testing_support::ZipLayout layout;
    bytes = testing_support::BuildZip({{"driver/a4/Good.dll", kDll, true},
                                       {"driver/a4/Empty.pcd", {}, false},
                                       {"driver/a4/Large.dll", std::vector<std::uint8_t>(wizard::kMaxDriverFileSize + 1, 7), true},
                                       {"driver/a4/Damaged.hlp", testing_support::Bytes("help text, stored"), false}},
                                      {}, &layout);
    bytes[layout.dataOffsets[3] + 12 + 3] ^= 0x55;  // after the 12-byte encryption header
    ASSERT_EQ(ui::Toolkit::Process().Package().Open(bytes.data(), bytes.size(), "wqm19990707"), ui::ZipError::None);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.injectedError) machine.FailCall(c.injected, c.injectedError);
        std::vector<wchar_t> buffer;
        const std::wstring destination = c.destination.empty() ? Destination() : c.destination;
        EXPECT_FALSE(wizard::ExtractPackageFile(c.packagePath, destination, buffer));
        EXPECT_EQ(os::GetLastError(), c.lastError);
        EXPECT_EQ(buffer, Chars(c.buffer));
    }
    // Only the write that failed left a file behind, and it is empty.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"Good.dll"});
    EXPECT_TRUE(ReadHostFile(folder + "Good.dll").empty());
}

TEST_F(Extraction, FailsWithoutAPackage) {
    std::vector<wchar_t> buffer;
    EXPECT_FALSE(wizard::ExtractPackageFile(L"driver\\a4\\plotuia4.hlp", Destination(), buffer));
    EXPECT_EQ(buffer, Chars(L"plotuia4.hlp"));
}

TEST_F(Extraction, TakesAnEntryOfExactlyFourMebibytes) {
    std::vector<std::uint8_t> data(wizard::kMaxDriverFileSize);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31 / 7);
    Use({{"driver/a4/Driver64/Big.dll", data, true}});
    std::vector<wchar_t> buffer;
    ASSERT_TRUE(wizard::ExtractPackageFile(L"driver\\a4\\Driver64\\Big.dll", Destination(), buffer));
    EXPECT_EQ(ReadHostFile(folder + "Big.dll"), data);
}

TEST_F(Extraction, ReplacesAnExistingFile) {
    WriteHostFile(folder + "plotuia4.hlp", std::string(500, 'x'));
    Use({{"driver/a4/plotuia4.hlp", testing_support::Bytes("new help"), true}});
    std::vector<wchar_t> buffer;
    ASSERT_TRUE(wizard::ExtractPackageFile(L"driver\\a4\\plotuia4.hlp", Destination(), buffer));
    EXPECT_EQ(ReadHostFile(folder + "plotuia4.hlp"), testing_support::Bytes("new help"));
}

// ---------------------------------------------------------------- folders

class DirectoryTree : public SimTest {
protected:
    std::vector<std::wstring> Created() const {
        std::vector<std::wstring> created;
        for (const auto& event : machine.events)
            if (event.rfind(L"CreateDirectory ", 0) == 0) created.push_back(event.substr(16));
        return created;
    }
    bool IsFolder(const std::wstring& path) { return std::filesystem::is_directory(machine.HostPath(path)); }
};

TEST_F(DirectoryTree, CreatesWhatIsMissing) {
    struct Case {
        const char* what;
        std::wstring path;
        Paths created;
    };
    const Case cases[] = {
        {"absolute, with a dot", L"C:\\A\\.\\B", {L"C:\\A", L"C:\\A\\B"}},
        {"trailing and doubled separators", L"C:\\Stage\\\\Driver64\\", {L"C:\\Stage", L"C:\\Stage\\Driver64"}},
        {"existing folders", L"C:\\Users\\Admin", {}},
        {"relative to the current directory", L"Out\\x86",
         {L"C:\\Users\\Admin\\Downloads\\Out", L"C:\\Users\\Admin\\Downloads\\Out\\x86"}},
        {"other case of an existing folder", L"c:\\users\\ADMIN\\New", {L"C:\\Users\\Admin\\New"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine.Reset();
        machine.events.clear();
        EXPECT_TRUE(wizard::CreateDirectoryTree(c.path));
        Paths created = Created();
        // The sim records the path as asked; compare where it landed.
        for (auto& path : created) path = machine.HostPath(path).wstring();
        Paths expected = c.created;
        for (auto& path : expected) path = machine.HostPath(path).wstring();
        EXPECT_EQ(created, expected);
        for (const auto& path : c.created) EXPECT_TRUE(IsFolder(path)) << path.c_str();
    }
}

TEST_F(DirectoryTree, StopsAtTheFirstFailureAndKeepsWhatItMade) {
    machine.FailCall(Operation::CreateDirectory, 5, 2);
    EXPECT_FALSE(wizard::CreateDirectoryTree(L"C:\\A\\B\\C"));
    EXPECT_EQ(os::GetLastError(), 5u);
    EXPECT_TRUE(IsFolder(L"C:\\A"));
    EXPECT_FALSE(IsFolder(L"C:\\A\\B"));
}

TEST_F(DirectoryTree, ToleratesAFolderMadeMeanwhile) {
    // Another program makes the folder between the check and the creation.
    machine.BeforeCall(Operation::CreateDirectory, 1,
                       [this] { std::filesystem::create_directory(machine.HostPath(L"C:\\A")); });
    EXPECT_TRUE(wizard::CreateDirectoryTree(L"C:\\A\\B"));
    EXPECT_TRUE(IsFolder(L"C:\\A\\B"));
}

TEST_F(DirectoryTree, RefusesPathsOverTheLimitInsteadOfCuttingThem) {
    const std::wstring longest = L"C:\\" + std::wstring(wizard::kMaxAnsiPath - 3, L'a');
    EXPECT_FALSE(wizard::CreateDirectoryTree(longest + L"b"));
    EXPECT_EQ(os::GetLastError(), 206u);
    EXPECT_TRUE(Created().empty());
    // At the limit the tree goes ahead; the system then has its own limit.
    EXPECT_FALSE(wizard::CreateDirectoryTree(longest));
    EXPECT_EQ(Created().size(), 0u);
    EXPECT_EQ(os::GetLastError(), 206u);
    // A relative path grows by the current directory.
    machine.currentDirectory = L"C:\\" + std::wstring(200, L'c');
    EXPECT_FALSE(wizard::CreateDirectoryTree(std::wstring(30, L'd') + L"\\" + std::wstring(30, L'e')));
    EXPECT_EQ(Created().size(), 0u);
}

TEST_F(DirectoryTree, NeedsTheCurrentDirectory) {
    machine.FailCall(Operation::GetCurrentDirectory, 8);
    EXPECT_FALSE(wizard::CreateDirectoryTree(L"C:\\A"));
    EXPECT_FALSE(IsFolder(L"C:\\A"));
}

// Only folders nobody but SYSTEM, Administrators and TrustedInstaller can
// change may hold what is installed with administrator rights.
TEST(AdminOnlyWritable, TheRule) {
    const std::wstring user = os::sim::UserFolderSecurity().owner;
    const auto with = [](std::function<void(os::FolderSecurity&)> change) {
        os::FolderSecurity security = os::sim::AdminOnlySecurity();
        change(security);
        return security;
    };
    struct Case {
        const char* what;
        os::FolderSecurity security;
        bool accepted;
    };
    const Case cases[] = {
        {"made by the program", os::sim::AdminOnlySecurity(), true},
        {"an administrator's under Program Files", os::sim::AdministratorsFolderSecurity(), true},
        {"owned by SYSTEM", with([](auto& s) { s.owner = os::kSidSystem; }), true},
        {"owned by TrustedInstaller", with([](auto& s) { s.owner = os::kSidTrustedInstaller; }), true},
        {"a user's on C:\\", os::sim::UserFolderSecurity(), false},
        {"owned by a user, list tight", with([&](auto& s) { s.owner = user; }), false},
        {"no owner known", with([](auto& s) { s.owner.clear(); }), false},
        {"a NULL list", with([](auto& s) { s.hasDacl = false; s.entries.clear(); }), false},
        {"a junction", with([](auto& s) { s.isReparsePoint = true; }), false},
        {"a file", with([](auto& s) { s.isDirectory = false; }), false},
        {"Users may add files", with([](auto& s) { s.entries.push_back({true, os::kSidUsers, 0x2, 0}); }), false},
        {"Everyone may change the list", with([](auto& s) { s.entries.push_back({true, L"S-1-1-0", 0x40000, 0}); }),
         false},
        {"an unnamed trustee may write", with([](auto& s) { s.entries.push_back({true, L"", 0x40000000, 0}); }), false},
        {"Users may delete inside, only for what is made inside",
         with([](auto& s) { s.entries.push_back({true, os::kSidUsers, 0x40, os::kAceInheritOnly | 0x3}); }), true},
        {"Users are denied writing", with([](auto& s) { s.entries.push_back({false, os::kSidUsers, 0x2, 0}); }), true},
        {"Users may only read", with([](auto& s) { s.entries.push_back({true, os::kSidUsers, 0x1200A9, 0}); }), true},
    };
    for (const Case& c : cases) EXPECT_EQ(wizard::IsAdminOnlyWritable(c.security), c.accepted) << c.what;
}

// C:\PrinterDriver may be made by a standard user before the install (the
// fallback's folder when the shell cannot name Program Files): the tree is
// refused, and what the program makes itself is admin-only.
TEST_F(DirectoryTree, AFolderAStandardUserCouldChangeIsRefused) {
    ASSERT_TRUE(wizard::CreateDirectoryTree(L"C:\\Stage\\Driver64"));
    EXPECT_TRUE(wizard::IsAdminOnlyWritable(machine.FolderSecurityOf(L"C:\\Stage")));
    EXPECT_EQ(machine.FolderSecurityOf(L"C:\\Stage\\Driver64").entries.size(), 3u);

    std::filesystem::create_directories(machine.HostPath(L"C:\\PrinterDriver\\RMXTavrin"));
    machine.SetFolderSecurity(L"C:\\PrinterDriver", os::sim::UserFolderSecurity());
    machine.events.clear();
    EXPECT_FALSE(wizard::CreateDirectoryTree(L"C:\\PrinterDriver\\RMXTavrin\\Driver64"));
    EXPECT_EQ(os::GetLastError(), 5u);
    EXPECT_TRUE(Created().empty());

    // Made by someone else between the check and the creation.
    machine.BeforeCall(Operation::CreateDirectory, 1, [this] {
        std::filesystem::create_directory(machine.HostPath(L"C:\\Late"));
        machine.SetFolderSecurity(L"C:\\Late", os::sim::UserFolderSecurity());
    });
    EXPECT_FALSE(wizard::CreateDirectoryTree(L"C:\\Late\\B"));
    EXPECT_FALSE(IsFolder(L"C:\\Late\\B"));

    machine.FailCall(Operation::GetFolderSecurity, 5);
    EXPECT_FALSE(wizard::CreateDirectoryTree(L"C:\\Stage"));
}

TEST_F(DirectoryTree, StagingFolderUnderProgramFilesOrOnC) {
    EXPECT_EQ(wizard::StagingFolder(), L"C:\\Program Files (x86)\\PrinterDriver\\RMXTavrin\\");
    machine.programFilesFolder = L"D:\\Programme";
    EXPECT_EQ(wizard::StagingFolder(), L"D:\\Programme\\PrinterDriver\\RMXTavrin\\");
    machine.FailCall(Operation::SHGetFolderPath, 1);
    EXPECT_EQ(wizard::StagingFolder(), L"C:\\PrinterDriver\\RMXTavrin\\");
}

// ---------------------------------------------------------------- the built package

class BuiltPackage : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        std::ifstream in(SKIN_PACKAGE_PATH, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_EQ(ui::Toolkit::Process().Package().Open(bytes.data(), bytes.size(), "wqm19990707"), ui::ZipError::None);
    }
    void TearDown() override {
        ui::Toolkit::Process().Package().Close();
        SimTest::TearDown();
    }
    std::vector<std::uint8_t> Entry(const std::string& name) {
        std::vector<std::uint8_t> out;
        EXPECT_EQ(ui::Toolkit::Process().Package().Archive().Read(name, wizard::kMaxDriverFileSize, out),
                  ui::ZipError::None) << name;
        return out;
    }
    std::vector<char> bytes;
};

TEST_F(BuiltPackage, HoldsTheWholeDriverLayoutWithinTheLimit) {
    std::vector<std::string> layout = {"driver/a4/QuorvelA4.inf", "driver/a4/QuorvelA4.cat", "driver/a4/kvtp.cer",
                                       "driver/a4/QuorvelA4203.pcd",
                                       "driver/a4/QuorvelA4300.pcd", "driver/a4/plotuia4.hlp"};
    for (const char* arch : {"Driver32", "Driver64"})
        for (const char* file : {"QuorvelA4UI203.dll", "QuorvelA4UI300.dll", "QuorvelA4UNI203.dll", "QuorvelA4UNI300.dll"})
            layout.push_back(std::string("driver/a4/") + arch + "/" + file);

    const auto& archive = ui::Toolkit::Process().Package().Archive();
    for (const auto& name : layout) {
        const ui::ZipEntry* entry = archive.Find(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->name, name) << "stored under another case";
        EXPECT_GT(entry->size, 0u) << name;
        EXPECT_TRUE(entry->encrypted()) << name;
    }
    for (const auto& entry : archive.Entries()) {
        if (entry.name.rfind("driver/", 0) == 0) {
            EXPECT_LE(entry.size, wizard::kMaxDriverFileSize) << entry.name;
        }
    }
}

TEST_F(BuiltPackage, InfDescribesBothModelsAndCertificateIsDer) {
    const auto inf = Entry("driver/a4/QuorvelA4.inf");
    const std::string text(inf.begin(), inf.end());
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    auto narrow = [](const std::wstring& wide) { return std::string(wide.begin(), wide.end()); };
    EXPECT_NE(text.find("ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}"), std::string::npos);
    EXPECT_NE(text.find("DriverVer=06/03/2024,1.0.7.0"), std::string::npos);
    EXPECT_NE(text.find("\nCatalogFile=QuorvelA4.cat\n"), std::string::npos);
    for (const auto& model : models) {
        EXPECT_NE(text.find("\"" + narrow(model.driverName) + "\"="), std::string::npos);
        for (const auto* field : {&model.driverFile, &model.configFile, &model.dataFile, &model.helpFile}) {
            EXPECT_NE(text.find("File=" + narrow(*field) + "\n"), std::string::npos) << narrow(*field);
            EXPECT_NE(text.find("\n" + narrow(*field) + "=1\n"), std::string::npos) << narrow(*field);
        }
    }
    const auto cer = Entry("driver/a4/kvtp.cer");
    ASSERT_GT(cer.size(), 4u);
    EXPECT_EQ(cer[0], 0x30);  // a DER SEQUENCE with a two-byte length
    EXPECT_EQ(cer[1], 0x82);
    EXPECT_EQ(std::size_t{4} + (cer[2] << 8 | cer[3]), cer.size());
}

TEST_F(BuiltPackage, DriverDirectoryGetsTheFilesAndTheirNames) {
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    std::vector<wchar_t> buffer;
    const std::wstring directory = machine.DriverDirectory().wstring() + L"\\";
    for (const auto& path : models[0].driverDirFiles64) {
        EXPECT_TRUE(wizard::ExtractPackageFile(path, directory, buffer)) << path.c_str();
        buffer.push_back(L'\0');
    }
    buffer.insert(buffer.end(), 2, L'\0');
    const std::wstring expected(L"QuorvelA4UI203.dll\0QuorvelA4UNI203.dll\0QuorvelA4203.pcd\0plotuia4.hlp\0\0\0", 71);
    EXPECT_EQ(std::wstring(buffer.begin(), buffer.end()), expected);
    EXPECT_EQ(ReadHostFile(machine.DriverDirectory() / "QuorvelA4UNI203.dll"),
              Entry("driver/a4/Driver64/QuorvelA4UNI203.dll"));
}

// The file names an INF makes Windows copy: the entries of every section
// a CopyFiles directive names (or the "@file" it names directly) and those
// of the SourceDisksFiles sections.
std::vector<std::string> FilesNamedByInf(const std::string& text) {
    auto trim = [](std::string s) {
        const auto first = s.find_first_not_of(" \t\r");
        if (first == std::string::npos) return std::string();
        return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
    };
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::map<std::string, std::vector<std::string>> sections;  // lower-case name -> lines
    std::string current;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line = trim(line.substr(0, line.find(';')));
        if (line.empty()) continue;
        if (line.front() == '[') current = lower(line.substr(1, line.find(']') - 1));
        else sections[current].push_back(line);
    }
    std::vector<std::string> files;
    for (const auto& [name, lines] : sections) {
        const bool sourceFiles = name.rfind("sourcedisksfiles", 0) == 0;
        for (const auto& line : lines) {
            const auto equals = line.find('=');
            if (sourceFiles) files.push_back(trim(line.substr(0, equals)));
            if (equals == std::string::npos || lower(trim(line.substr(0, equals))) != "copyfiles") continue;
            std::istringstream targets(line.substr(equals + 1));
            for (std::string target; std::getline(targets, target, ',');) {
                target = trim(target);
                if (!target.empty() && target[0] == '@') {
                    files.push_back(target.substr(1));
                    continue;
                }
                const auto section = sections.find(lower(target));
                EXPECT_NE(section, sections.end()) << "CopyFiles names a missing section " << target;
                if (section == sections.end()) continue;
                for (const auto& entry : section->second) files.push_back(trim(entry.substr(0, entry.find(','))));
            }
        }
    }
    return files;
}

TEST(InfFiles, CopyFilesSectionsAndSourceDisksFilesAreRead) {
    const std::string inf =
        "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Install]\r\nCopyFiles=Files, @extra.dll ; comment\r\n"
        "[FILES]\r\na.dll\r\nb.pcd,,,2\r\n[SourceDisksFiles.amd64]\r\nc.hlp=1\r\n";
    std::vector<std::string> files = FilesNamedByInf(inf);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a.dll", "b.pcd", "c.hlp", "extra.dll"}));
}

// What the printui install finds, for either model on either architecture:
// the certificate in the staging folder, and beside the INF every file the
// INF names, since Windows reads them all from its folder.
TEST_F(BuiltPackage, StagingLeavesInfCertificateAndEveryFileTheInfNames) {
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    const auto inf = Entry("driver/a4/QuorvelA4.inf");
    const std::vector<std::string> named = FilesNamedByInf(std::string(inf.begin(), inf.end()));
    ASSERT_GE(named.size(), 8u) << "both models' files";
    for (const auto& model : models) {
        for (const std::wstring arch : {L"Driver64", L"Driver32"}) {
            SCOPED_TRACE(std::string(model.driverName.begin(), model.driverName.end()) + " " +
                         std::string(arch.begin(), arch.end()));
            machine.Reset();
            const std::wstring stage = wizard::StagingFolder();
            ASSERT_TRUE(wizard::CreateDirectoryTree(stage));
            for (const auto& sub : model.archFolders) ASSERT_TRUE(wizard::CreateDirectoryTree(stage + sub));
            std::vector<wchar_t> buffer;
            ASSERT_TRUE(wizard::StageDriverFiles(model, stage, buffer));

            EXPECT_EQ(ReadHostFile(machine.HostPath(stage + model.certificateFile)), Entry("driver/a4/kvtp.cer"));
            const std::wstring folder = stage + arch + L"\\";
            EXPECT_EQ(ReadHostFile(machine.HostPath(folder + model.infFile)), Entry("driver/a4/QuorvelA4.inf"));
            for (const auto& file : named) {
                const auto path = machine.HostPath(folder + std::wstring(file.begin(), file.end()));
                EXPECT_TRUE(std::filesystem::is_regular_file(path)) << file;
            }
            // The DLLs are those of this architecture.
            EXPECT_EQ(ReadHostFile(machine.HostPath(folder + L"QuorvelA4UNI300.dll")),
                      Entry("driver/a4/" + std::string(arch.begin(), arch.end()) + "/QuorvelA4UNI300.dll"));
        }
    }
}

// Staging stops at the first file that is missing, with its error.
TEST_F(BuiltPackage, StagingStopsAtTheFirstFileThatCannotBeWritten) {
    std::vector<wizard::DriverModel> models;
    BuildDriverModels(models);
    const std::wstring stage = wizard::StagingFolder();
    ASSERT_TRUE(wizard::CreateDirectoryTree(stage));
    std::vector<wchar_t> buffer;
    // No subfolders: the first file bound for one cannot be opened.
    EXPECT_FALSE(wizard::StageDriverFiles(models[1], stage, buffer));
    EXPECT_EQ(std::wstring(buffer.begin(), buffer.end()), L"QuorvelA4300.pcdplotuia4.hlpQuorvelA4UI300.dll");
}

}  // namespace
