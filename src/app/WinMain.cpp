// The program's entry point: prepares COM and OLE, opens the resource package
// held in the program's own resources, shows the main window, runs the
// message loop until it is gone, and ends the process.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include "app/CustomControls.h"
#include "app/MainWnd.h"
#include "ui/PhaseTrace.h"
#include "ui/Toolkit.h"
#include "ui/Utf.h"
#include "ui/win32/ModuleResource.h"
#include "ui/win32/WindowSystem.h"
#include "wizard/AppState.h"
#include "wizard/CommandLine.h"
#include "wizard/Unattended.h"

#include <string>

namespace {

constexpr int kPackageResourceId = 129;
constexpr wchar_t kPackageResourceType[] = L"ZIPRES";
constexpr wchar_t kPackagePassword[] = L"wqm19990707";
// A wizard of fixed size: no maximise box, so no route maximises it.
constexpr DWORD kMainStyle = (WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX) | WS_VISIBLE;

std::string ToAnsi(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), length, nullptr,
                            nullptr);
    return out;
}

// Every DLL loaded from here on comes from System32 only. The program runs
// as administrator, often from a Downloads folder, and the DLLs it loads
// late (the spooler's, the rich edit's, Bluetooth's, accessibility's, GDI+)
// are not KnownDLLs: Windows would take a copy planted beside the program
// first. Windows before KB2533623 lacks the call; there the current folder
// at least leaves the search.
void LoadDllsFromSystem32Only() {
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC entry = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (entry == nullptr ||
        !reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void (*)()>(entry))(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

void OpenResourcePackage(HINSTANCE instance) {
    ui::Toolkit& toolkit = ui::Toolkit::Process();
    toolkit.SetResourceMode(ui::ResourceMode::ZipInModule);
    toolkit.SetResourceFolder(toolkit.ProgramFolder() + L"skin\\Moskarin\\");
    // Without the package start-up goes on; the first layout that cannot be
    // built reports it.
    ui::OpenPackageFromModule(instance, kPackageResourceType, kPackageResourceId, ToAnsi(kPackagePassword),
                              toolkit.Package());
}

// The text for a person at a console: to the standard handle a deployment
// tool or a redirection gave this program, else to the console of the
// program that started it. False when there is neither (started from
// Explorer, say): this is a GUI program and has no console of its own.
bool WriteToConsole(const std::wstring& text, DWORD standardHandle) {
    const std::wstring line = text + L"\r\n";
    const HANDLE inherited = GetStdHandle(standardHandle);
    const DWORD type = inherited != nullptr && inherited != INVALID_HANDLE_VALUE ? GetFileType(inherited)
                                                                                 : FILE_TYPE_UNKNOWN;
    DWORD written = 0;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
        const std::string bytes = ui::WideToUtf8(line);
        return WriteFile(inherited, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE;
    }
    if (type != FILE_TYPE_CHAR && !AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteConsoleW(console, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr) != FALSE;
    CloseHandle(console);
    return ok;
}

// An install, removal or check for a deployment tool: no window at all,
// only the log, an exit code and, for a person at a console, its text.
[[noreturn]] void RunUnattended(HINSTANCE instance, const wizard::CommandLine& command) {
    OpenResourcePackage(instance);
    wizard::AppState& state = wizard::AppState::Instance();
    state.FillLanguageTable();
    const wizard::UnattendedOutcome outcome = wizard::RunUnattended(command, state.Models(), state.Languages());
    if (!outcome.output.empty()) WriteToConsole(outcome.output, STD_OUTPUT_HANDLE);
    if (!outcome.message.empty()) {
        const bool help = command.mode == wizard::CommandMode::Help;
        if (!WriteToConsole(outcome.message, help ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE) && help)
            MessageBoxW(nullptr, outcome.message.c_str(), L"A4 Printer Driver Setup", MB_OK | MB_ICONINFORMATION);
    }
    CoUninitialize();
    ExitProcess(static_cast<UINT>(outcome.exitCode));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    LoadDllsFromSystem32Only();
    ui::MarkPhase("entry");
    ui::win32::Install();
    if (FAILED(CoInitialize(nullptr))) return 0;
    // Any argument at all is the unattended mode; none is the wizard.
    const wizard::CommandLine command = wizard::ParseCommandLine(wizard::SplitCommandLine(GetCommandLineW()));
    if (command.mode != wizard::CommandMode::Wizard || !command.error.empty()) RunUnattended(instance, command);
    OleInitialize(nullptr);
    ui::MarkPhase("COM and OLE");

    ui::Toolkit& toolkit = ui::Toolkit::Process();
    toolkit.SetModuleInstance(instance);
    toolkit.SetProgramFolder(ui::ModuleFolder(instance));
    OpenResourcePackage(instance);
    app::RegisterCustomControls();
    wizard::AppState::Instance().FillLanguageTable();
    ui::MarkPhase("start-up tables");

    auto* window = new app::CMainWnd();
    int exitCode = 0;
    // A layout that cannot be built ends the process inside Create.
    if (window->Create(ui::WindowCreation{}.Caption(L"printer driver").Style(kMainStyle).Size(560, 400))) {
        window->CenterWindow();
        exitCode = ui::RunMessageLoop();
    }
    delete window;
    OleUninitialize();
    CoUninitialize();
    // A search or install worker may still be running and reading the
    // package, the texts and AppState. Ending the process here stops it
    // before anything it uses is torn down; returning would run the static
    // destructors under it.
    ExitProcess(static_cast<UINT>(exitCode));
}
