#include "driver/win32/Pages.h"

#include "driver/DevMode.h"
#include "driver/PageTexts.h"
#include "driver/win32/ModelFile.h"
#include "driver/win32/PageIds.h"

#include <commctrl.h>
#include <winspool.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace driver::win32 {

namespace {

// DOCUMENTPROPERTYHEADER's fMode bit for a user who may not change the
// printer's defaults (winddiui.h).
constexpr DWORD kNoPermission = 0x20;

HINSTANCE ThisDll() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// The activation context of this DLL's manifest (resource 2, common
// controls 6), so that its pages look like the sheet that hosts them; an
// invalid handle where it cannot be made, and the pages use the process's.
HANDLE MakeActivationContext() {
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.hModule = ThisDll();
    context.lpResourceName = MAKEINTRESOURCEW(2);
    return CreateActCtxW(&context);
}

const PageTexts& Texts() { return TextsFor(GetUserDefaultUILanguage()); }

// Everything one sheet's page needs, from the sheet's INIT to its DESTROY.
struct Sheet {
    // compstui hands each call its own copy of the PROPSHEETUI_INFO, so the
    // sheet keeps what it needs of it, and the result until DESTROY.
    HANDLE comPropSheet = nullptr;
    PFNCOMPROPSHEET comPropSheetCall = nullptr;
    LONG_PTR page = 0;  // compstui's handle of the page
    bool applied = false;
    PrinterModel model;
    DevModeBytes settings;
    DocumentPropertyHeader* document = nullptr;  // the preferences page's caller
    HANDLE printer = nullptr;
    bool readOnly = false;
    HANDLE activation = INVALID_HANDLE_VALUE;
    ~Sheet() {
        if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);
    }
};

Sheet* SheetOf(HWND page) { return reinterpret_cast<Sheet*>(GetWindowLongPtrW(page, DWLP_USER)); }

void SetTexts(HWND page, std::initializer_list<std::pair<int, const wchar_t*>> texts) {
    for (const auto& [id, text] : texts) SetDlgItemTextW(page, id, text);
}

void ShowDarkness(HWND page) {
    const auto level = static_cast<int>(SendDlgItemMessageW(page, IDC_DARKNESS, TBM_GETPOS, 0, 0));
    SetDlgItemTextW(page, IDC_DARKNESS_VALUE, std::to_wstring(level).c_str());
}

// The driver's help file, in a form Windows 10 and 11 open: a copy named
// .txt in the user's temporary folder, the user's language first, shown by
// Notepad from the system folder (never by a bare name).
void ShowHelp(const Sheet& sheet) {
    DWORD needed = 0;
    GetPrinterDriverW(sheet.printer, nullptr, 3, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_3W)) return;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterDriverW(sheet.printer, nullptr, 3, buffer.data(), needed, &needed)) return;
    const wchar_t* helpFile = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data())->pHelpFile;
    if (helpFile == nullptr) return;
    const HANDLE in = CreateFileW(helpFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return;
    constexpr DWORD kMostHelpBytes = 256 * 1024;
    std::string help(kMostHelpBytes, '\0');
    DWORD read = 0;
    const BOOL ok = ReadFile(in, &help[0], kMostHelpBytes, &read, nullptr);
    CloseHandle(in);
    if (!ok) return;
    help.resize(read);
    help = "\xEF\xBB\xBF" + HelpInLanguageFirst(help, GetUserDefaultUILanguage());  // a BOM: UTF-8 for Notepad

    wchar_t temp[MAX_PATH] = {};
    wchar_t system[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, temp) == 0 || GetSystemDirectoryW(system, MAX_PATH) == 0) return;
    const std::wstring copy = std::wstring(temp) + L"QuorvelA4 printer help.txt";
    const HANDLE out = CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const BOOL wrote = WriteFile(out, help.data(), static_cast<DWORD>(help.size()), &written, nullptr);
    CloseHandle(out);
    if (!wrote || written != help.size()) return;
    const std::wstring notepad = std::wstring(system) + L"\\notepad.exe";
    std::wstring command = L"\"" + notepad + L"\" \"" + copy + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(notepad.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        MessageBeep(MB_ICONWARNING);
    }
}

void FillSettings(HWND page, const Sheet& sheet) {
    const PageTexts& texts = Texts();
    SetTexts(page, {{IDC_PAPER_LABEL, texts.paper}, {IDC_ORIENTATION_LABEL, texts.orientation},
                    {IDC_PORTRAIT, texts.portrait}, {IDC_LANDSCAPE, texts.landscape},
                    {IDC_DARKNESS_LABEL, texts.darkness}, {IDC_LIGHTER, texts.lighter}, {IDC_DARKER, texts.darker},
                    {IDC_HELP_BUTTON, texts.help}});
    const std::int16_t paper = GetShort(sheet.settings, dm::kPaperSize);
    for (const PaperSize& size : sheet.model.papers) {
        const LRESULT item = SendDlgItemMessageW(page, IDC_PAPER, CB_ADDSTRING, 0,
                                                 reinterpret_cast<LPARAM>(size.name.c_str()));
        SendDlgItemMessageW(page, IDC_PAPER, CB_SETITEMDATA, static_cast<WPARAM>(item), size.id);
        if (size.id == paper) SendDlgItemMessageW(page, IDC_PAPER, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    const bool landscape = GetShort(sheet.settings, dm::kOrientation) == kLandscape;
    CheckRadioButton(page, IDC_PORTRAIT, IDC_LANDSCAPE, landscape ? IDC_LANDSCAPE : IDC_PORTRAIT);
    SendDlgItemMessageW(page, IDC_DARKNESS, TBM_SETRANGE, TRUE, MAKELPARAM(kLightest, kDarkest));
    SendDlgItemMessageW(page, IDC_DARKNESS, TBM_SETPOS, TRUE, Darkness(sheet.settings));
    ShowDarkness(page);
    // A user who may not change the printer's defaults sees them only.
    if (sheet.readOnly)
        for (const int id : {IDC_PAPER, IDC_PORTRAIT, IDC_LANDSCAPE, IDC_DARKNESS}) EnableWindow(GetDlgItem(page, id), FALSE);
}

// The page's choices into the sheet's DEVMODE and the caller's output.
void ApplySettings(HWND page, Sheet& sheet) {
    const LRESULT item = SendDlgItemMessageW(page, IDC_PAPER, CB_GETCURSEL, 0, 0);
    const auto paper = item == CB_ERR ? GetShort(sheet.settings, dm::kPaperSize)
                                      : static_cast<std::int16_t>(SendDlgItemMessageW(
                                            page, IDC_PAPER, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
    const std::int16_t orientation = IsDlgButtonChecked(page, IDC_LANDSCAPE) == BST_CHECKED ? kLandscape : kPortrait;
    const auto darkness = static_cast<std::uint16_t>(SendDlgItemMessageW(page, IDC_DARKNESS, TBM_GETPOS, 0, 0));
    ApplyChoices(sheet.model, paper, orientation, darkness, sheet.settings);
    DocumentPropertyHeader* header = sheet.document;
    // Never more than the caller's buffer holds (cbOut).
    if (header != nullptr && header->out != nullptr && (header->mode & DM_OUT_BUFFER) &&
        header->outSize >= sheet.settings.size())
        std::memcpy(header->out, sheet.settings.data(), sheet.settings.size());
    sheet.applied = true;
    sheet.comPropSheetCall(sheet.comPropSheet, CPSFUNC_SET_RESULT, sheet.page, CPSUI_OK);
}

INT_PTR CALLBACK SettingsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* sheet = reinterpret_cast<Sheet*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
        SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(sheet));
        FillSettings(page, *sheet);
        return TRUE;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(page, IDC_DARKNESS)) {
            ShowDarkness(page);
            PropSheet_Changed(GetParent(page), page);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_HELP_BUTTON && HIWORD(wParam) == BN_CLICKED) {
            if (const Sheet* sheet = SheetOf(page)) ShowHelp(*sheet);
            return TRUE;
        }
        if ((LOWORD(wParam) == IDC_PAPER && HIWORD(wParam) == CBN_SELCHANGE) ||
            ((LOWORD(wParam) == IDC_PORTRAIT || LOWORD(wParam) == IDC_LANDSCAPE) && HIWORD(wParam) == BN_CLICKED))
            PropSheet_Changed(GetParent(page), page);
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == PSN_APPLY) {
            if (Sheet* sheet = SheetOf(page); sheet != nullptr && !sheet->readOnly) ApplySettings(page, *sheet);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK PrinterPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_HELP_BUTTON && HIWORD(wParam) == BN_CLICKED) {
        if (const Sheet* sheet = SheetOf(page)) ShowHelp(*sheet);
        return TRUE;
    }
    if (message != WM_INITDIALOG) return FALSE;
    auto* sheetOfPage = reinterpret_cast<Sheet*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(sheetOfPage));
    const Sheet& sheet = *sheetOfPage;
    const PageTexts& texts = Texts();
    const PrinterModel& model = sheet.model;
    // Dots to whole millimetres: 25.4 mm make an inch.
    const auto mm = [&](std::uint32_t dots) { return std::to_wstring(dots * 254 / (model.dpi * 10)); };
    SetTexts(page, {{IDC_MODEL_LABEL, texts.model}, {IDC_RESOLUTION_LABEL, texts.resolution},
                    {IDC_AREA_LABEL, texts.printableArea}, {IDC_CUTTER_LABEL, texts.cutter},
                    {IDC_MODEL, model.name.c_str()},
                    {IDC_CUTTER, model.cut.empty() ? texts.noCutter : texts.cuts}, {IDC_HELP_BUTTON, texts.help}});
    SetDlgItemTextW(page, IDC_RESOLUTION, (std::to_wstring(model.dpi) + L" dpi").c_str());
    SetDlgItemTextW(page, IDC_AREA,
                    (mm(model.printableWidth) + L" x " + mm(model.printableHeight) + L" mm").c_str());
    return TRUE;
}

// compstui's calls, the same for both sheets apart from the page.
LONG Handle(PROPSHEETUI_INFO& info, LPARAM parameter, int dialog, const wchar_t* title, DLGPROC procedure,
            std::unique_ptr<Sheet> (*make)(LPARAM init)) {
    switch (info.Reason) {
    case PROPSHEETUI_REASON_INIT: {
        std::unique_ptr<Sheet> sheet = make(info.lParamInit);
        if (!sheet) return -1;
        if (info.pfnComPropSheet == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        sheet->comPropSheet = info.hComPropSheet;
        sheet->comPropSheetCall = info.pfnComPropSheet;
        sheet->activation = MakeActivationContext();
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_USETITLE;  // the tab's name in the user's language
        ULONG_PTR cookie = 0;
        const bool active =
            sheet->activation != INVALID_HANDLE_VALUE && ActivateActCtx(sheet->activation, &cookie);
        if (sheet->activation != INVALID_HANDLE_VALUE) {
            // compstui makes the pages under it; a compstui without the
            // call (Wine's) still has the page's own.
            info.pfnComPropSheet(info.hComPropSheet, CPSFUNC_SET_FUSION_CONTEXT,
                                 reinterpret_cast<LPARAM>(sheet->activation), 0);
            page.dwFlags |= PSP_USEFUSIONCONTEXT;
            page.hActCtx = sheet->activation;
        }
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        page.pszTitle = title;
        page.hInstance = ThisDll();
        page.pszTemplate = MAKEINTRESOURCEW(dialog);
        page.pfnDlgProc = procedure;
        page.lParam = reinterpret_cast<LPARAM>(sheet.get());
        // The page is made here and handed over made: every compstui
        // takes a page handle (Wine's takes nothing else).
        HPROPSHEETPAGE made = CreatePropertySheetPageW(&page);
        if (active) DeactivateActCtx(0, cookie);
        if (made == nullptr) return -1;
        sheet->page = info.pfnComPropSheet(info.hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE,
                                           reinterpret_cast<LPARAM>(made), 0);
        if (sheet->page == 0) {
            DestroyPropertySheetPage(made);
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        info.UserData = reinterpret_cast<ULONG_PTR>(sheet.release());
        info.Result = CPSUI_CANCEL;
        return 1;
    }
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
        auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(parameter);
        auto* sheet = reinterpret_cast<Sheet*>(info.UserData);
        if (header == nullptr || sheet == nullptr) return -1;
        header->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
        header->pTitle = const_cast<LPWSTR>(sheet->model.name.c_str());
        header->hInst = ThisDll();
        header->IconID = IDI_CPSUI_PRINTER;
        return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT: {
        const auto* result = reinterpret_cast<SETRESULT_INFO*>(parameter);
        auto* sheet = reinterpret_cast<Sheet*>(info.UserData);
        if (result != nullptr && sheet != nullptr && result->Result == CPSUI_OK) sheet->applied = true;
        return 1;
    }
    case PROPSHEETUI_REASON_DESTROY: {
        auto* sheet = reinterpret_cast<Sheet*>(info.UserData);
        info.Result = sheet != nullptr && sheet->applied ? CPSUI_OK : CPSUI_CANCEL;
        delete sheet;
        info.UserData = 0;
        return 1;
    }
    default:
        return -1;
    }
}

// A sheet for the printer the header names, once the header is one.
template <typename Header>
std::unique_ptr<Sheet> SheetFor(LPARAM init, Header*& header) {
    header = reinterpret_cast<Header*>(init);
    if (header == nullptr || header->cbSize < sizeof(Header)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto sheet = std::make_unique<Sheet>();
    sheet->printer = header->printer;
    if (!ReadPrinterModel(header->printer, sheet->model)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return sheet;
}

std::unique_ptr<Sheet> MakeSettingsSheet(LPARAM init) {
    DocumentPropertyHeader* header = nullptr;
    std::unique_ptr<Sheet> sheet = SheetFor(init, header);
    if (!sheet) return nullptr;
    sheet->settings = DefaultDevMode(sheet->model, header->printerName ? header->printerName : L"");
    MergePrinterDefault(header->printer, sheet->model, sheet->settings);
    const DEVMODEW* input = (header->mode & DM_IN_BUFFER) ? header->in : nullptr;
    if (input != nullptr && !MergeDevMode(sheet->model, reinterpret_cast<const std::uint8_t*>(input),
                                          static_cast<std::size_t>(input->dmSize) + input->dmDriverExtra,
                                          sheet->settings)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    sheet->document = header;
    sheet->readOnly = (header->mode & kNoPermission) != 0;
    return sheet;
}

std::unique_ptr<Sheet> MakePrinterSheet(LPARAM init) {
    DevicePropertyHeader* header = nullptr;
    return SheetFor(init, header);
}

}  // namespace

LONG SettingsSheet(PROPSHEETUI_INFO& info, LPARAM parameter) {
    return Handle(info, parameter, IDD_SETTINGS, Texts().settingsTitle, SettingsPage, MakeSettingsSheet);
}

LONG PrinterSheet(PROPSHEETUI_INFO& info, LPARAM parameter) {
    return Handle(info, parameter, IDD_PRINTER, Texts().printerTitle, PrinterPage, MakePrinterSheet);
}

}  // namespace driver::win32
