#include "printsys/ShellCommands.h"

#include "os/Files.h"
#include "printsys/SpoolerInventory.h"

#include <optional>

namespace printsys {

namespace {

// printui reads the printer name between the quotes; the blanks around the
// parameters are as printui's own documentation writes them.
constexpr wchar_t kPreferences[] = L" printui.dll, PrintUIEntry /e /n\"%s\" ";
constexpr wchar_t kProperties[] = L" printui.dll, PrintUIEntry /p /n\"%s\" ";
constexpr wchar_t kTestPage[] = L" printui.dll, PrintUIEntry /k /n\"%s\" ";

enum class Wait { No, UntilEnd };

// The program's exit code when it was waited for; nullopt when it did not
// start (or its code could not be read).
std::optional<std::uint32_t> Start(const std::wstring& file, const std::wstring& parameters, os::WindowHandle owner,
                                   int show, Wait wait) {
    os::ShellExecuteInfo info;
    info.mask = os::kSeeMaskNoCloseProcess;
    info.owner = owner;
    info.verb = L"open";
    info.file = file;
    info.parameters = parameters;
    info.show = show;
    os::KernelHandle process = os::KernelHandle::None;
    if (!os::ShellExecuteExW(info, process) || process == os::KernelHandle::None) return std::nullopt;
    std::optional<std::uint32_t> exitCode;
    if (wait == Wait::UntilEnd) {
        std::uint32_t code = 0;
        if (os::WaitForSingleObject(process, os::kInfinite) == 0 && os::GetExitCodeProcess(process, code))
            exitCode = code;
    }
    // Nothing reads the process afterwards; closing it keeps every command
    // from leaking a handle.
    os::CloseHandle(process);
    return exitCode;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The system's own tools by their full path: a bare name would be looked for
// in the current folder and on the PATH first, and this program runs as
// administrator, often from a Downloads folder. A 32-bit process on 64-bit
// Windows would get the 32-bit tools from SysWOW64, whose printui addresses
// the x86 driver while the x64 one is installed; Sysnative is the
// redirector's way to the native System32. Empty when the Windows folder is
// unknown: then nothing is started.
std::wstring SystemTool(const wchar_t* name) {
    std::wstring windows;
    if (!os::SHGetFolderPathW(os::kCsidlWindows, windows) || windows.empty()) return std::wstring();
    bool wow64 = false;
    const bool redirected = os::IsWow64Process(wow64) && wow64;
    return windows + (redirected ? L"\\Sysnative\\" : L"\\System32\\") + name;
}

}  // namespace

bool AddCertificateToTrustedPublisher(const std::wstring& certificatePath, os::WindowHandle owner) {
    const std::wstring certutil = SystemTool(L"certutil.exe");
    if (certutil.empty()) return false;
    const auto exitCode = Start(certutil, L"-addstore \"TrustedPublisher\" " + Quoted(certificatePath), owner,
                                os::kSwHide, Wait::UntilEnd);
    return exitCode == 0u;
}

void InstallDriverWithPrintUI(const std::wstring& driverName, const std::wstring& infPath, os::WindowHandle owner) {
    const std::wstring rundll32 = SystemTool(L"rundll32.exe");
    if (rundll32.empty()) return;
    Start(rundll32, L"printui.dll, PrintUIEntry /ia /m " + Quoted(driverName) + L" /f " + Quoted(infPath), owner,
          os::kSwShowNormal, Wait::UntilEnd);
}

bool RunRundll32(const std::wstring& parameterFormat, const std::wstring& printerName, os::WindowHandle owner) {
    // A name that breaks the rule could close printui's quoted argument and
    // turn the command into another one (a /dl of another printer, say).
    if (!IsValidPrinterName(printerName)) return false;
    const std::wstring rundll32 = SystemTool(L"rundll32.exe");
    if (rundll32.empty()) return false;
    std::wstring parameters = parameterFormat;
    const auto placeholder = parameters.find(L"%s");
    if (placeholder != std::wstring::npos) parameters.replace(placeholder, 2, printerName);
    Start(rundll32, parameters, owner, os::kSwShowNormal, Wait::No);
    return true;
}

bool OpenPrintingPreferences(const std::wstring& printerName, os::WindowHandle owner) {
    return RunRundll32(kPreferences, printerName, owner);
}

bool OpenPrinterProperties(const std::wstring& printerName, os::WindowHandle owner) {
    return RunRundll32(kProperties, printerName, owner);
}

bool PrintTestPage(const std::wstring& printerName, os::WindowHandle owner) {
    return RunRundll32(kTestPage, printerName, owner);
}

}  // namespace printsys
