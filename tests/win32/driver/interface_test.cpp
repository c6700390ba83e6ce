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

#include "TestPrinter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kDriver[] = L"A4 Interface Test(300dpi)";
constexpr wchar_t kPrinter[] = L"A4 interface test";
// DrvConvertDevMode's modes, as documented (this toolchain lacks them).
constexpr DWORD kConvert = 1, kConvert351 = 2, kDriverDefault = 4;

std::wstring Folder() { return testing_support::ProgramFolder(); }

class InterfaceDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::InstallTestPrinter(kDriver, kPrinter, DRIVER_STAGED); }
    static void TearDownTestSuite() { testing_support::RemoveTestPrinter(kDriver, kPrinter); }

    void SetUp() override {
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, nullptr)) << GetLastError();
    }
    void TearDown() override { ClosePrinter(printer); }

    HANDLE printer = nullptr;
};

// The names under EXPORTS in a module definition file.
std::vector<std::string> DefinitionNames(const char* path) {
    std::ifstream file(path);
    std::vector<std::string> names;
    bool exports = false;
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word[0] == ';') continue;
        if (word == "EXPORTS") exports = true;
        else if (exports) names.push_back(word);
    }
    EXPECT_FALSE(names.empty()) << path;
    return names;
}

// An output buffer as Wine's DocumentPropertiesW wants it: it passes the
// driver the buffer's own dmSize as cbOut (Windows passes the size the
// driver answered).
std::vector<BYTE> OutputBuffer(LONG size) {
    std::vector<BYTE> buffer(static_cast<std::size_t>(size));
    reinterpret_cast<DEVMODEW*>(buffer.data())->dmSize = static_cast<WORD>(size);
    return buffer;
}

TEST_F(InterfaceDll, DocumentPropertiesGivesTheSizeTheDefaultsAndMerges) {
    const LONG size = DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter), nullptr, nullptr, 0);
    ASSERT_EQ(size, 232);
    std::vector<BYTE> defaults = OutputBuffer(size);
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
    std::vector<BYTE> merged = OutputBuffer(size);
    auto* result = reinterpret_cast<DEVMODEW*>(merged.data());
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter), result, in,
                                  DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(result->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(result->dmCopies, 3);
    EXPECT_EQ(result->dmPaperSize, DMPAPER_A4);

    // A DEVMODE whose dmSize claims more than any DEVMODE has is refused
    // with DocumentProperties' negative answer, whatever lies behind it.
    std::vector<BYTE> lying = defaults;
    reinterpret_cast<DEVMODEW*>(lying.data())->dmSize = 0x7000;
    std::vector<BYTE> refused = OutputBuffer(size);
    EXPECT_LT(DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter),
                                  reinterpret_cast<DEVMODEW*>(refused.data()),
                                  reinterpret_cast<DEVMODEW*>(lying.data()), DM_IN_BUFFER | DM_OUT_BUFFER),
              0);
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
    HWND notepad = nullptr;
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
        // Help: the help file as a .txt copy, the user's language first,
        // shown by Notepad.
        SendMessageW(GetDlgItem(page, IDC_HELP_BUTTON), BM_CLICK, 0, 0);
        for (int tries = 0; tries < 100 && notepad == nullptr; ++tries) {
            notepad = FindWindowW(L"Notepad", nullptr);
            if (notepad == nullptr) Sleep(100);
        }
        if (notepad != nullptr) PostMessageW(notepad, WM_CLOSE, 0, 0);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    DWORD result = 0;
    EXPECT_GE(CommonPropertySheetUIW(nullptr, sheets, reinterpret_cast<LPARAM>(&header), &result), 0);
    user.join();
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
    EXPECT_EQ(resolution, L"300 dpi");
    EXPECT_EQ(area, L"208 x 292 mm");
    EXPECT_NE(notepad, nullptr) << "Notepad shows the help";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::string head(15, '\0');
    const HANDLE help = CreateFileW((std::wstring(temp) + L"QuorvelA4 printer help.txt").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    if (help != INVALID_HANDLE_VALUE) {
        ReadFile(help, &head[0], 15, &read, nullptr);
        CloseHandle(help);
    }
    EXPECT_EQ(head, "\xEF\xBB\xBF" "English\r\n===");
    FreeLibrary(dll);
}

// What Windows needs of an interface DLL, and its refusals of what the
// documentation does not allow.
TEST_F(InterfaceDll, ExportsWhatWindowsNeedsAndRefusesBadInput) {
    const std::wstring path = Folder() + L"QuorvelA4UI.dll";
    HMODULE dll = LoadLibraryW(path.c_str());
    ASSERT_NE(dll, nullptr);
    // The names an MSVC x86 build exports (its .def file) are the ones this
    // build exports, and include every one the spooler looks up.
    const std::vector<std::string> named = DefinitionNames(DRIVER_SOURCES "/QuorvelA4UI.def");
    for (const char* name : {"DrvDeviceCapabilities", "DrvDocumentPropertySheets", "DrvDevicePropertySheets",
                             "DrvConvertDevMode", "DrvPrinterEvent", "DrvDriverEvent", "DevQueryPrintEx"})
        EXPECT_NE(std::find(named.begin(), named.end(), name), named.end()) << name;
    for (const std::string& name : named) EXPECT_NE(GetProcAddress(dll, name.c_str()), nullptr) << name;
    // Its own manifest, for common controls 6 on its pages.
    const HRSRC manifest = FindResourceW(dll, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(dll, manifest))),
                           SizeofResource(dll, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0"), std::string::npos);
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

    // A size query fills cbOut; an output smaller than cbOut needs is
    // written nothing.
    driver::win32::DocumentPropertyHeader sizeQuery{sizeof sizeQuery, 0, printer, const_cast<LPWSTR>(kPrinter), nullptr,
                                                nullptr, 0, 0};
    EXPECT_EQ(documentSheets(nullptr, reinterpret_cast<LPARAM>(&sizeQuery)), 232);
    EXPECT_EQ(sizeQuery.outSize, 232u);
    std::vector<BYTE> small(232, 0xEE);
    driver::win32::DocumentPropertyHeader tooSmall{sizeof tooSmall, 0, printer, const_cast<LPWSTR>(kPrinter), nullptr,
                                                   reinterpret_cast<DEVMODEW*>(small.data()), 100, DM_OUT_BUFFER};
    EXPECT_EQ(documentSheets(nullptr, reinterpret_cast<LPARAM>(&tooSmall)), -1);
    EXPECT_EQ(small, std::vector<BYTE>(232, 0xEE));
    FreeLibrary(dll);
}

// DrvConvertDevMode, as the spooler calls it for an older client: to the
// version the output's header names, and to Windows NT 3.51's.
TEST_F(InterfaceDll, ConvertsToTheVersionAskedFor) {
    HMODULE dll = LoadLibraryW((Folder() + L"QuorvelA4UI.dll").c_str());
    ASSERT_NE(dll, nullptr);
    auto* convert = Entry<BOOL WINAPI(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD)>(dll, "DrvConvertDevMode");
    std::vector<BYTE> input(232);
    LONG size = 232;
    ASSERT_TRUE(convert(const_cast<LPWSTR>(kPrinter), nullptr, reinterpret_cast<DEVMODEW*>(input.data()), &size,
                        kDriverDefault));
    auto* in = reinterpret_cast<DEVMODEW*>(input.data());
    in->dmFields |= DM_ORIENTATION;
    in->dmOrientation = DMORIENT_LANDSCAPE;
    const struct {
        DWORD mode;
        WORD askedSize, askedVersion, askedExtra;
        LONG written;
        WORD version;
    } cases[] = {
        {kConvert, 188, 0x0320, 0, 188, 0x0320},
        {kConvert, 220, 0x0401, 12, 232, 0x0401},
        {kConvert351, 0, 0, 0, 200, 0x0320},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> out(300);
        auto* header = reinterpret_cast<DEVMODEW*>(out.data());
        header->dmSize = c.askedSize;
        header->dmSpecVersion = c.askedVersion;
        header->dmDriverExtra = c.askedExtra;
        LONG room = 300;
        ASSERT_TRUE(convert(const_cast<LPWSTR>(kPrinter), in, header, &room, c.mode)) << c.mode << " " << c.askedSize;
        EXPECT_EQ(room, c.written);
        EXPECT_EQ(header->dmSpecVersion, c.version);
        EXPECT_EQ(header->dmOrientation, DMORIENT_LANDSCAPE);
        LONG tooSmall = c.written - 1;
        EXPECT_FALSE(convert(const_cast<LPWSTR>(kPrinter), in, header, &tooSmall, c.mode));
        EXPECT_EQ(tooSmall, c.written) << "the size it needs";
    }
    FreeLibrary(dll);
}

// The printer's default, as an administrator sets it in another process
// (the disabled test below, run on its own), is what DocumentProperties
// gives an application that hands in no DEVMODE.
TEST_F(InterfaceDll, ThePrintersDefaultReachesApplications) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=PrinterDefault.DISABLED_SetByAnotherProcess";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(exitCode, 0u) << "the other process could not set the default";

    std::vector<BYTE> out = OutputBuffer(232);
    auto* settings = reinterpret_cast<DEVMODEW*>(out.data());
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter), settings, nullptr, DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(settings->dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(settings->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(out[220 + 8], 12) << "the darkness in the private part";
}

// Sets the printer's default to A5, landscape, darkness 12, through the
// spooler; run by the test above in a process of its own.
TEST(PrinterDefault, DISABLED_SetByAnotherProcess) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW rights{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &rights)) << GetLastError();
    std::vector<BYTE> defaults = OutputBuffer(232);
    auto* devMode = reinterpret_cast<DEVMODEW*>(defaults.data());
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer, const_cast<LPWSTR>(kPrinter), devMode, nullptr, DM_OUT_BUFFER),
              IDOK);
    devMode->dmPaperSize = DMPAPER_A5;
    devMode->dmOrientation = DMORIENT_LANDSCAPE;
    defaults[220 + 8] = 12;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(GetPrinterW(printer, 2, buffer.data(), needed, &needed));
    reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->pDevMode = devMode;
    EXPECT_TRUE(SetPrinterW(printer, 2, buffer.data(), 0)) << GetLastError();
    ClosePrinter(printer);
}

}  // namespace
