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
#include "ui/win32/ModuleResource.h"
#include "ui/win32/WindowSystem.h"
#include "wizard/AppState.h"

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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    LoadDllsFromSystem32Only();
    ui::MarkPhase("entry");
    ui::win32::Install();
    if (FAILED(CoInitialize(nullptr))) return 0;
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
    if (window->Create(nullptr, L"printer driver", kMainStyle, 0, 0, 0, 560, 400)) {
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
