#include "printsys/ShellCommands.h"

#include "os/Files.h"

namespace printsys {

namespace {

// printui reads the printer name between the quotes; the blanks around the
// parameters are as printui's own documentation writes them.
constexpr wchar_t kPreferences[] = L" printui.dll, PrintUIEntry /e /n\"%s\" ";
constexpr wchar_t kProperties[] = L" printui.dll, PrintUIEntry /p /n\"%s\" ";
constexpr wchar_t kTestPage[] = L" printui.dll, PrintUIEntry /k /n\"%s\" ";

enum class Wait { No, UntilEnd };

void Start(const wchar_t* file, const std::wstring& parameters, os::WindowHandle owner, int show, Wait wait) {
    os::ShellExecuteInfo info;
    info.mask = os::kSeeMaskNoCloseProcess;
    info.owner = owner;
    info.verb = L"open";
    info.file = file;
    info.parameters = parameters;
    info.show = show;
    os::KernelHandle process = os::KernelHandle::None;
    if (!os::ShellExecuteExW(info, process) || process == os::KernelHandle::None) return;
    if (wait == Wait::UntilEnd) os::WaitForSingleObject(process, os::kInfinite);
    // Nothing reads the process afterwards; closing it keeps every command
    // from leaking a handle.
    os::CloseHandle(process);
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A 32-bit process on 64-bit Windows would start the 32-bit rundll32 from
// SysWOW64, whose printui addresses the x86 driver; the driver installed is
// the x64 one. Sysnative is the file-system redirector's way to the native
// System32 from such a process.
std::wstring Rundll32() {
    bool wow64 = false;
    std::wstring windows;
    if (os::IsWow64Process(wow64) && wow64 && os::SHGetFolderPathW(os::kCsidlWindows, windows))
        return windows + L"\\Sysnative\\rundll32.exe";
    return L"rundll32.exe";
}

}  // namespace

bool AddCertificateToTrustedPublisher(const std::wstring& certificatePath, os::WindowHandle owner) {
    Start(L"certutil.exe", L"-addstore \"TrustedPublisher\" " + Quoted(certificatePath), owner, os::kSwHide,
          Wait::UntilEnd);
    return true;
}

void InstallDriverWithPrintUI(const std::wstring& driverName, const std::wstring& infPath, os::WindowHandle owner) {
    Start(Rundll32().c_str(), L"printui.dll, PrintUIEntry /ia /m " + Quoted(driverName) + L" /f " + Quoted(infPath),
          owner, os::kSwShowNormal, Wait::UntilEnd);
}

bool RunRundll32(const std::wstring& parameterFormat, const std::wstring& printerName, os::WindowHandle owner) {
    std::wstring parameters = parameterFormat;
    const auto placeholder = parameters.find(L"%s");
    if (placeholder != std::wstring::npos) parameters.replace(placeholder, 2, printerName);
    Start(Rundll32().c_str(), parameters, owner, os::kSwShowNormal, Wait::No);
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
