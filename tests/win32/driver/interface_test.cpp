// The interface DLL behind Wine's spooler: the test installs a driver of
// both DLLs and the 300 dpi model's data file, adds a printer with it, and
// asks DocumentPropertiesW and DeviceCapabilitiesW, which Wine answers
// through the driver's interface DLL, then opens the driver's preferences
// page through compstui and uses it as a user would.
#include "driver/win32/PageIds.h"
#include "driver/win32/Pages.h"

#include <windows.h>

#include <commctrl.h>
#include <compstui.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>
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

template <typename Function>
Function* Entry(HMODULE dll, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name)));
}

// The window as the screen shows it, as a 24-bit BMP.
void SaveWindow(HWND window, const std::wstring& path) {
    RECT box{};
    GetWindowRect(window, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
    SelectObject(memory, old);
    const DWORD bytes = static_cast<DWORD>((width * 3 + 3) / 4 * 4 * height);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + bytes), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, 1, bytes, out);
        std::fclose(out);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// The sheet the thread shows, once it is there.
HWND WaitForSheet(DWORD thread) {
    HWND sheet = nullptr;
    for (int tries = 0; tries < 200 && sheet == nullptr; ++tries) {
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM found) {
                if (!IsWindowVisible(window)) return TRUE;
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&sheet));
        if (sheet == nullptr) Sleep(50);
    }
    Sleep(300);  // painted
    return sheet;
}

// What the user does on the page: A5, landscape, darkness 12, then OK.
void UseThePage(DWORD thread, std::wstring& darknessShown) {
    HWND sheet = WaitForSheet(thread);
    if (sheet == nullptr) return;
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    SaveWindow(sheet, Folder() + L"print\\preferences.bmp");
    HWND paper = GetDlgItem(page, IDC_PAPER);
    const LRESULT a5 = SendMessageW(paper, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"A5"));
    SendMessageW(paper, CB_SETCURSEL, static_cast<WPARAM>(a5), 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_PAPER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(paper));
    SendMessageW(GetDlgItem(page, IDC_LANDSCAPE), BM_CLICK, 0, 0);
    HWND darkness = GetDlgItem(page, IDC_DARKNESS);
    SendMessageW(darkness, TBM_SETPOS, TRUE, 12);
    SendMessageW(page, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(darkness));
    wchar_t shown[16] = {};
    GetDlgItemTextW(page, IDC_DARKNESS_VALUE, shown, 16);
    darknessShown = shown;
    PropSheet_PressButton(sheet, PSBTN_OK);
}

TEST_F(InterfaceDll, ThePreferencesPageChangesTheSettings) {
    HMODULE dll = LoadLibraryW((Folder() + L"QuorvelA4UI.dll").c_str());
    ASSERT_NE(dll, nullptr);
    auto* sheets = Entry<LONG WINAPI(PROPSHEETUI_INFO*, LPARAM)>(dll, "DrvDocumentPropertySheets");
    ASSERT_NE(sheets, nullptr);
    std::vector<BYTE> out(232);
    driver::win32::DocumentPropertyHeader header{sizeof header, 0, printer, const_cast<LPWSTR>(kPrinter), nullptr, reinterpret_cast<DEVMODEW*>(out.data()),
             232, DM_OUT_BUFFER | DM_IN_PROMPT};
    CreateDirectoryW((Folder() + L"print").c_str(), nullptr);
    std::wstring darknessShown;
    std::thread user(UseThePage, GetCurrentThreadId(), std::ref(darknessShown));
    DWORD result = 0;
    const LONG shown = CommonPropertySheetUIW(nullptr, sheets, reinterpret_cast<LPARAM>(&header), &result);
    user.join();
    EXPECT_GE(shown, 0);
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
    EXPECT_EQ(darknessShown, L"12");
    const auto* settings = reinterpret_cast<const DEVMODEW*>(out.data());
    EXPECT_EQ(settings->dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(settings->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(out[220 + 8], 12) << "the darkness in the private part";
    FreeLibrary(dll);
}

// The printer's page says what the model is; it changes nothing.
TEST_F(InterfaceDll, ThePrinterPageShowsTheModel) {
    HMODULE dll = LoadLibraryW((Folder() + L"QuorvelA4UI.dll").c_str());
    ASSERT_NE(dll, nullptr);
    auto* sheets = Entry<LONG WINAPI(PROPSHEETUI_INFO*, LPARAM)>(dll, "DrvDevicePropertySheets");
    ASSERT_NE(sheets, nullptr);
    driver::win32::DevicePropertyHeader header{sizeof header, 0, printer, const_cast<LPWSTR>(kPrinter)};
    std::wstring resolution, area;
    std::thread user([&, thread = GetCurrentThreadId()] {
        HWND sheet = WaitForSheet(thread);
        if (sheet == nullptr) return;
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        SaveWindow(sheet, Folder() + L"print\\printer.bmp");
        wchar_t text[64] = {};
        GetDlgItemTextW(page, IDC_RESOLUTION, text, 64);
        resolution = text;
        GetDlgItemTextW(page, IDC_AREA, text, 64);
        area = text;
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    DWORD result = 0;
    EXPECT_GE(CommonPropertySheetUIW(nullptr, sheets, reinterpret_cast<LPARAM>(&header), &result), 0);
    user.join();
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
    EXPECT_EQ(resolution, L"300 dpi");
    EXPECT_EQ(area, L"208 x 292 mm");
    FreeLibrary(dll);
}

// What Windows needs of an interface DLL, and its refusals of what the
// documentation does not allow.
TEST_F(InterfaceDll, ExportsWhatWindowsNeedsAndRefusesBadInput) {
    const std::wstring path = Folder() + L"QuorvelA4UI.dll";
    HMODULE dll = LoadLibraryW(path.c_str());
    ASSERT_NE(dll, nullptr);
    for (const char* name : {"DrvDeviceCapabilities", "DrvDocumentPropertySheets", "DrvDevicePropertySheets",
                             "DrvConvertDevMode", "DrvPrinterEvent", "DrvDriverEvent", "DevQueryPrintEx"})
        EXPECT_NE(GetProcAddress(dll, name), nullptr) << name;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<BYTE> version(size);
    ASSERT_TRUE(size > 0 && GetFileVersionInfoW(path.c_str(), 0, size, version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DRV));
    EXPECT_EQ(fixed->dwFileSubtype, static_cast<DWORD>(VFT2_DRV_VERSIONED_PRINTER));

    auto* documentSheets = Entry<LONG WINAPI(PROPSHEETUI_INFO*, LPARAM)>(dll, "DrvDocumentPropertySheets");
    auto* deviceSheets = Entry<LONG WINAPI(PROPSHEETUI_INFO*, LPARAM)>(dll, "DrvDevicePropertySheets");
    auto* convert = Entry<BOOL WINAPI(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD)>(dll, "DrvConvertDevMode");
    auto* query = Entry<BOOL WINAPI(void*)>(dll, "DevQueryPrintEx");
    // A DEVMODE whose dmSize is below any DEVMODE's.
    std::vector<BYTE> lying(232);
    auto* liar = reinterpret_cast<DEVMODEW*>(lying.data());
    liar->dmSize = 40;
    std::vector<BYTE> out(232);
    driver::win32::DocumentPropertyHeader header{sizeof header, 0, printer, const_cast<LPWSTR>(kPrinter), liar, reinterpret_cast<DEVMODEW*>(out.data()),
             232, DM_IN_BUFFER | DM_OUT_BUFFER};
    LONG outSize = 232;
    const struct {
        const char* what;
        std::function<bool()> refuses;
    } cases[] = {
        {"no header", [&] { return documentSheets(nullptr, 0) == -1; }},
        {"a DEVMODE that lies", [&] { return documentSheets(nullptr, reinterpret_cast<LPARAM>(&header)) == -1; }},
        {"no sheet for the printer's page", [&] { return deviceSheets(nullptr, 0) == -1; }},
        {"no output size", [&] { return !convert(const_cast<LPWSTR>(kPrinter), nullptr, nullptr, nullptr, 1); }},
        {"a DEVMODE that lies, converted",
         [&] {
             return !convert(const_cast<LPWSTR>(kPrinter), liar, reinterpret_cast<DEVMODEW*>(out.data()), &outSize, 1);
         }},
        {"no query", [&] { return !query(nullptr); }},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_TRUE(c.refuses()) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
    }
    FreeLibrary(dll);
}

}  // namespace
