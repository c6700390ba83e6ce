// The interface DLL behind Wine's spooler: the test installs a driver of
// both DLLs and the 300 dpi model's data file, adds a printer with it, and
// asks DocumentPropertiesW and DeviceCapabilitiesW, which Wine answers
// through the driver's interface DLL.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kDriver[] = L"A4 Interface Test(300dpi)";
constexpr wchar_t kPrinter[] = L"A4 interface test";
constexpr wchar_t kEnvironment[] = L"Windows x64";

std::wstring Folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

class InterfaceDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t directory[MAX_PATH] = {};
        DWORD needed = 0;
        ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(kEnvironment), 1,
                                               reinterpret_cast<BYTE*>(directory), sizeof directory, &needed));
        const std::wstring target = std::wstring(directory) + L"\\";
        const std::string staged = DRIVER_STAGED;
        ASSERT_TRUE(CopyFileW((Folder() + L"QuorvelA4UNI.dll").c_str(), (target + L"QuorvelA4UNI300.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((Folder() + L"QuorvelA4UI.dll").c_str(), (target + L"QuorvelA4UI300.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((std::wstring(staged.begin(), staged.end()) + L"\\a4\\QuorvelA4300.pcd").c_str(),
                              (target + L"QuorvelA4300.pcd").c_str(), FALSE));
        DRIVER_INFO_3W driver{};
        driver.cVersion = 3;
        driver.pName = const_cast<LPWSTR>(kDriver);
        driver.pEnvironment = const_cast<LPWSTR>(kEnvironment);
        driver.pDriverPath = const_cast<LPWSTR>(L"QuorvelA4UNI300.dll");
        driver.pDataFile = const_cast<LPWSTR>(L"QuorvelA4300.pcd");
        driver.pConfigFile = const_cast<LPWSTR>(L"QuorvelA4UI300.dll");
        ASSERT_TRUE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES))
            << GetLastError();
        PRINTER_INFO_2W info{};
        info.pPrinterName = const_cast<LPWSTR>(kPrinter);
        info.pPortName = const_cast<LPWSTR>(L"FILE:");
        info.pDriverName = const_cast<LPWSTR>(kDriver);
        info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
        info.pDatatype = const_cast<LPWSTR>(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        const HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        ASSERT_NE(added, nullptr) << GetLastError();
        ClosePrinter(added);
    }

    static void TearDownTestSuite() {
        HANDLE printer = nullptr;
        PRINTER_DEFAULTSW rights{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &rights)) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
        DeletePrinterDriverExW(nullptr, const_cast<LPWSTR>(kEnvironment), const_cast<LPWSTR>(kDriver), 0, 0);
    }

    void SetUp() override {
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, nullptr)) << GetLastError();
    }
    void TearDown() override { ClosePrinter(printer); }

    HANDLE printer = nullptr;
};

TEST_F(InterfaceDll, DocumentPropertiesGivesTheSizeTheDefaultsAndMerges) {
    const LONG size = DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter), nullptr, nullptr, 0);
    ASSERT_EQ(size, 232);
    std::vector<BYTE> defaults(static_cast<std::size_t>(size));
    auto* out = reinterpret_cast<DEVMODEW*>(defaults.data());
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter), out, nullptr, DM_OUT_BUFFER), IDOK);
    EXPECT_EQ(out->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(out->dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(out->dmPrintQuality, 300);
    EXPECT_EQ(out->dmDriverExtra, 12);

    std::vector<BYTE> input = defaults;
    auto* in = reinterpret_cast<DEVMODEW*>(input.data());
    in->dmFields = DM_ORIENTATION | DM_COPIES;
    in->dmOrientation = DMORIENT_LANDSCAPE;
    in->dmCopies = 3;
    std::vector<BYTE> merged(static_cast<std::size_t>(size));
    auto* result = reinterpret_cast<DEVMODEW*>(merged.data());
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter), result, in,
                                  DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(result->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(result->dmCopies, 3);
    EXPECT_EQ(result->dmPaperSize, DMPAPER_A4);
}

TEST_F(InterfaceDll, DeviceCapabilitiesAreTheModels) {
    WORD papers[8] = {};
    ASSERT_EQ(DeviceCapabilitiesW(kPrinter, L"FILE:", DC_PAPERS, reinterpret_cast<LPWSTR>(papers), nullptr), 2);
    EXPECT_EQ(papers[0], DMPAPER_A4);
    EXPECT_EQ(papers[1], DMPAPER_A5);
    LONG resolutions[4] = {};
    ASSERT_EQ(DeviceCapabilitiesW(kPrinter, L"FILE:", DC_ENUMRESOLUTIONS, reinterpret_cast<LPWSTR>(resolutions),
                                  nullptr),
              1);
    EXPECT_EQ(resolutions[0], 300);
    EXPECT_EQ(resolutions[1], 300);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, L"FILE:", DC_COPIES, nullptr, nullptr), 999);
}

}  // namespace
