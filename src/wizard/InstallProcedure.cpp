// The install worker's procedure: the connection, the printer driver (into
// the spooler's driver directory, or staged for printui when the spooler
// refuses it) and the printer. Every step is a line of the install log; a
// failure is an error line, and those that leave nothing to go on with end
// the run.
#include "bluetooth/Bluetooth.h"
#include "common/Localisation.h"
#include "os/Errors.h"
#include "os/Spooler.h"
#include "os/System.h"
#include "printsys/PortManagement.h"
#include "printsys/ShellCommands.h"
#include "printsys/SpoolerInventory.h"
#include "os/ErrorText.h"
#include "printsys/WindowsVersion.h"
#include "wizard/DriverPackage.h"
#include "wizard/Procedures.h"

namespace wizard {

namespace {

constexpr std::uint32_t kDriverVersion3 = 3;
constexpr std::uint64_t kDriverFileVersion = 11;
constexpr std::uint32_t kPrinterAttributeLocal = 0x40;
constexpr wchar_t kVendor[] = L"NV";
constexpr wchar_t kFolderFailure[] = L"Failed to create directory";

std::wstring Tip(const wchar_t* key) { return common::TranslateKey(key); }

std::wstring TipWith(const wchar_t* key, const std::wstring& value) {
    return common::FormatText(common::TranslateKey(key), value);
}

// The error text of the call that just failed, read before anything else
// can change the thread's last error.
std::wstring LastErrorText() { return os::SystemErrorText(os::GetLastError()); }

// The dependent-files buffer as a list: names up to the empty one that ends it.
std::vector<std::wstring> SplitMultiString(const std::vector<wchar_t>& buffer) {
    std::vector<std::wstring> names;
    std::wstring name;
    for (const wchar_t c : buffer) {
        if (c != L'\0') {
            name += c;
            continue;
        }
        if (name.empty()) break;
        names.push_back(name);
        name.clear();
    }
    return names;
}

}  // namespace

InstallResult RunInstallProcedure(InstallRequest& request, const std::vector<DriverModel>& models,
                                  const bluetooth::BluetoothDeviceInfo* device, ProcedureSink& sink) {
    InstallResult result;
    sink.Log(std::wstring(), false, true);
    // An ARM64 spooler cannot load x64 or x86 DLLs: nothing is written.
    if (printsys::IsArm64Windows()) {
        sink.Log(Tip(L"tip.arm64unsupported"), true, false);
        return result;
    }

    switch (request.connectionType) {
        case ConnectionType::Bluetooth:
            if (!ConnectBluetoothPrinter(request, device, sink)) return result;
            break;
        case ConnectionType::Network:
            sink.Log(Tip(L"tip.startaddlanport"), false, false);
            if (!printsys::AddStandardTcpIpPort(request.portName, request.networkAddress)) {
                sink.Log(Tip(L"tip.addlanportfail"), true, false);
                return result;
            }
            sink.Log(Tip(L"tip.addlanportsuccess"), false, false);
            result.tcpPortAdded = true;
            break;
        default:
            break;
    }

    // The wizard starts the worker only with a model chosen.
    if (request.model < 0 || static_cast<std::size_t>(request.model) >= models.size()) return result;
    const DriverModel model = models[static_cast<std::size_t>(request.model)];
    // The files, the driver directory and the driver's environment must all
    // be of the system's architecture, not of this 32-bit program's.
    const bool windows64 = Is64BitWindows();
    const std::wstring environment = windows64 ? L"Windows x64" : L"Windows NT x86";
    std::vector<wchar_t> dependentFiles;

    bool registered = false;
    const std::wstring driverDirectory = printsys::GetDriverDirectory();
    if (driverDirectory.empty()) {
        sink.Log(TipWith(L"tip.readdriverdirfail", LastErrorText()), true, false);
    } else {
        sink.Log(Tip(L"tip.startcopyfile"), false, false);
        // A file that fails is reported and passed over: the spooler then
        // refuses the driver, and the fallback has its own go.
        for (const std::wstring& path : DriverDirectoryFiles(model, windows64)) {
            if (!ExtractPackageFile(path, driverDirectory, dependentFiles)) {
                const std::wstring error = LastErrorText();
                sink.Log(path, false, false);
                sink.Log(TipWith(L"tip.copyfilefail", error), true, false);
            }
            dependentFiles.push_back(L'\0');
        }
        dependentFiles.insert(dependentFiles.end(), 2, L'\0');
        sink.Log(Tip(L"tip.copyfilesuccess"), false, false);

        os::DriverInfo6 driver;
        driver.version = kDriverVersion3;
        driver.name = model.driverName;
        driver.environment = environment;
        driver.driverPath = model.driverFile;
        driver.dataFile = model.dataFile;
        driver.configFile = model.configFile;
        driver.helpFile = model.helpFile;
        driver.dependentFiles = SplitMultiString(dependentFiles);
        driver.driverDate = os::SystemTimeAsFileTime();
        driver.driverVersion = kDriverFileVersion;
        driver.manufacturer = kVendor;
        driver.provider = kVendor;
        sink.Log(Tip(L"tip.startinstalldriver"), false, false);
        if (os::AddPrinterDriverExW(driver, os::kApdCopyAllFiles)) {
            sink.Log(TipWith(L"tip.installdriversuccess", std::wstring()), false, false);
            registered = true;
        } else {
            sink.Log(TipWith(L"tip.installdriverfail", LastErrorText()), true, false);
        }
    }

    if (!registered) {
        const std::wstring stage = StagingFolder();
        if (CreateDirectoryTree(stage) != 1) {
            sink.Log(kFolderFailure, true, false);
            return result;
        }
        sink.Log(Tip(L"tip.startcopyfile"), false, false);
        for (const std::wstring& folder : model.archFolders) {
            if (CreateDirectoryTree(stage + folder) != 1) {
                sink.Log(kFolderFailure, true, false);
                return result;
            }
        }
        if (!StageDriverFiles(model, stage, dependentFiles)) {
            sink.Log(TipWith(L"tip.copyfilefail", LastErrorText()), true, false);
            return result;
        }
        sink.Log(Tip(L"tip.copyfilesuccess"), false, false);
        // Its outcome shows, if at all, in whether the driver is there at the end.
        if (printsys::IsWindows8OrLater())
            printsys::AddCertificateToTrustedPublisher(stage + model.certificateFile, sink.Owner());
        sink.Log(Tip(L"tip.startinstalldriver"), false, false);
        const std::wstring inf = stage + (windows64 ? L"Driver64" : L"Driver32") + L"\\" + model.infFile;
        printsys::InstallDriverWithPrintUI(model.driverName, inf, sink.Owner());
        if (!printsys::DriverExists(model.driverName)) {
            sink.Log(Tip(L"tip.installdriverfail2"), true, false);
            return result;
        }
        sink.Log(TipWith(L"tip.installdriversuccess", std::wstring()), false, false);
    }

    // The data type named, though Windows would take WinPrint's default
    // (RAW) for none: Wine adds a printer without one but then cannot open
    // it (1801), so nothing could print to it or delete it.
    const os::PrinterInfo2 printer{request.printerName, request.portName, model.driverName, L"WinPrint",
                                   kPrinterAttributeLocal, L"RAW"};
    sink.Log(Tip(L"tip.startinstallprinter"), false, false);
    const os::PrinterHandle added = os::AddPrinterW(printer);
    if (added == os::PrinterHandle::None) {
        const std::uint32_t error = os::GetLastError();
        sink.Log(TipWith(L"tip.installprinterfail", os::SystemErrorText(error)), true, false);
        // Only a port the spooler does not list needs the user's attention;
        // a listed one that is refused is a matter for the error line.
        if (error == os::error::kUnknownPort && !printsys::PortExists(request.portName))
            sink.Inform(Tip(L"tip.port.unidentification"));
        return result;
    }
    os::ClosePrinter(added);
    sink.Log(Tip(L"tip.installprintersuccess"), false, false);
    if (request.defaultPrinter == 1) os::SetDefaultPrinterW(request.printerName);
    result.printerAdded = true;
    return result;
}

}  // namespace wizard
