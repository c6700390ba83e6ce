// The program's entry point: prepares COM and OLE, opens the resource package
// held in the program's own resources, shows the main window and runs the
// message loop until it is gone.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include "ui/Layout.h"
#include "ui/Toolkit.h"
#include "ui/win32/ModuleResource.h"

#include <string>

namespace {

constexpr int kPackageResourceId = 129;
constexpr wchar_t kPackageResourceType[] = L"ZIPRES";
constexpr wchar_t kPackagePassword[] = L"wqm19990707";
constexpr wchar_t kMainLayout[] = L"XML_MAIN";
constexpr wchar_t kMainClass[] = L"PrinterDriverSetupMain";
constexpr int kMainWidth = 560;
constexpr int kMainHeight = 400;

std::string ToAnsi(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), length, nullptr,
                            nullptr);
    return out;
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

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The main window as a plain frame until the skinned window host exists.
HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainClass;
    if (RegisterClassExW(&windowClass) == 0) return nullptr;
    HWND window = CreateWindowExW(0, kMainClass, L"printer driver", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  kMainWidth, kMainHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return nullptr;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - kMainWidth) / 2,
                 work.top + (work.bottom - work.top - kMainHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (FAILED(CoInitialize(nullptr))) return 0;
    OleInitialize(nullptr);

    ui::Toolkit& toolkit = ui::Toolkit::Process();
    toolkit.SetModuleInstance(instance);
    toolkit.SetProgramFolder(ui::ModuleFolder(instance));
    OpenResourcePackage(instance);

    ui::XmlElement layout;
    std::wstring error;
    if (!ui::LoadLayoutDocument(toolkit.Package(), kMainLayout, layout, error)) {
        MessageBoxW(nullptr, ui::LayoutErrorText(kMainLayout).c_str(), ui::kLayoutErrorCaption, MB_ICONERROR);
        ExitProcess(1);
    }

    if (CreateMainWindow(instance) != nullptr) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    toolkit.Shutdown();
    OleUninitialize();
    CoUninitialize();
    return 0;
}
