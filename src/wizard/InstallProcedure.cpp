// The install worker's procedure: the connection, the printer driver (into
// the spooler's driver directory, or staged for printui when the spooler
// refuses it) and the printer. Every step is a line of the install log; a
// failure is an error line, and those that leave nothing to go on with end
// the run.
#include "bluetooth/Bluetooth.h"
#include "common/Localisation.h"
#include "os/Errors.h"
#include "os/Files.h"
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

// The Bluetooth pairing and its COM port, or the Standard TCP/IP port;
// false when the install cannot go on.
bool PrepareConnection(InstallRequest& request, const bluetooth::BluetoothDeviceInfo* device, ProcedureSink& sink,
                       InstallResult& result) {
    switch (request.connectionType) {
        case ConnectionType::Bluetooth:
            return ConnectBluetoothPrinter(request, device, sink);
        case ConnectionType::Network:
            sink.Info(common::TranslateKey(L"tip.startaddlanport"));
            if (!printsys::AddStandardTcpIpPort(request.portName, request.networkAddress)) {
                sink.Error(common::TranslateKey(L"tip.addlanportfail"));
                return false;
            }
            sink.Info(common::TranslateKey(L"tip.addlanportsuccess"));
            result.tcpPortAdded = true;
            return true;
        default:
            return true;
    }
}

// The codes Windows documents for a driver it will not let in: the
// failure line explains them instead of giving the bare code.
bool IsBlockedDriverError(std::uint32_t error) {
    return error == os::error::kPrinterDriverBlocked || error == os::error::kKmDriverBlocked;
}

// The files into the spooler's driver directory and the driver registered
// from there; true when the spooler took it. `dependentFiles` gets the
// double-terminated list of the files, which the fallback stages too.
// `blocked`: Windows refused the driver itself, which printui cannot change.
bool RegisterDriverFromDriverDirectory(const DriverModel& model, bool windows64, std::vector<wchar_t>& dependentFiles,
                                       ProcedureSink& sink, bool& blocked) {
    const std::wstring driverDirectory = printsys::GetDriverDirectory();
    if (driverDirectory.empty()) {
        sink.Error(common::FormatKey(L"tip.readdriverdirfail", LastErrorText()));
        return false;
    }
    sink.Info(common::TranslateKey(L"tip.startcopyfile"));
    // A file that fails is reported and passed over: the spooler then
    // refuses the driver, and the fallback has its own go.
    for (const std::wstring& path : DriverDirectoryFiles(model, windows64)) {
        if (!ExtractPackageFile(path, driverDirectory, dependentFiles)) {
            const std::wstring error = LastErrorText();
            sink.Info(path);
            sink.Error(common::FormatKey(L"tip.copyfilefail", error));
        }
        dependentFiles.push_back(L'\0');
    }
    dependentFiles.insert(dependentFiles.end(), 2, L'\0');
    sink.Info(common::TranslateKey(L"tip.copyfilesuccess"));

    os::DriverInfo6 driver;
    driver.version = kDriverVersion3;
    driver.name = model.driverName;
    driver.environment = windows64 ? L"Windows x64" : L"Windows NT x86";
    driver.driverPath = model.driverFile;
    driver.dataFile = model.dataFile;
    driver.configFile = model.configFile;
    driver.helpFile = model.helpFile;
    driver.dependentFiles = SplitMultiString(dependentFiles);
    driver.driverDate = os::SystemTimeAsFileTime();
    driver.driverVersion = kDriverFileVersion;
    driver.manufacturer = kVendor;
    driver.provider = kVendor;
    sink.Info(common::TranslateKey(L"tip.startinstalldriver"));
    if (!os::AddPrinterDriverExW(driver, os::kApdCopyAllFiles)) {
        const std::uint32_t error = os::GetLastError();
        blocked = IsBlockedDriverError(error);
        sink.Error(common::FormatKey(L"tip.installdriverfail",
                                     blocked ? common::FormatKey(L"tip.driverblocked", std::to_wstring(error))
                                             : os::SystemErrorText(error)));
        return false;
    }
    sink.Info(common::FormatKey(L"tip.installdriversuccess", std::wstring()));
    return true;
}

// certutil's exit code proves little (Wine's does nothing and ends with 0),
// so the store itself is asked, and the package's signer added through the
// store's own API when certutil left it out. The removal takes away exactly
// this certificate, found by its thumbprint.
void TrustPackageSigner() {
    std::vector<std::uint8_t> certificate;
    bool held = false;
    if (!ReadPackageFile(CertificatePackagePath(), certificate)) return;
    if (os::TrustedPublisherHolds(certificate, held) && held) return;
    os::AddToTrustedPublisher(certificate);
}

// The printer on the driver, and the default printer if asked for.
bool AddPrinterOnDriver(const InstallRequest& request, const DriverModel& model, ProcedureSink& sink) {
    // The data type named, though Windows would take WinPrint's default
    // (RAW) for none: Wine adds a printer without one but then cannot open
    // it (1801), so nothing could print to it or delete it.
    const os::PrinterInfo2 printer{request.printerName, request.portName, model.driverName, L"WinPrint",
                                   kPrinterAttributeLocal, L"RAW"};
    sink.Info(common::TranslateKey(L"tip.startinstallprinter"));
    const os::PrinterHandle added = os::AddPrinterW(printer);
    if (added == os::PrinterHandle::None) {
        const std::uint32_t error = os::GetLastError();
        sink.Error(common::FormatKey(L"tip.installprinterfail", os::SystemErrorText(error)));
        // Only a port the spooler does not list needs the user's attention;
        // a listed one that is refused is a matter for the error line.
        if (error == os::error::kUnknownPort && !printsys::PortExists(request.portName))
            sink.Inform(common::TranslateKey(L"tip.port.unidentification"));
        return false;
    }
    os::ClosePrinter(added);
    sink.Info(common::TranslateKey(L"tip.installprintersuccess"));
    if (request.defaultPrinter == 1) os::SetDefaultPrinterW(request.printerName);
    return true;
}

}  // namespace

bool InstallDriverThroughPrintUI(const DriverModel& model, bool windows64, std::vector<wchar_t>& dependentFiles,
                                 ProcedureSink& sink) {
    const std::wstring stage = StagingFolder();
    if (!CreateDirectoryTree(stage)) {
        sink.Error(kFolderFailure);
        return false;
    }
    sink.Info(common::TranslateKey(L"tip.startcopyfile"));
    for (const std::wstring& folder : model.archFolders) {
        if (!CreateDirectoryTree(stage + folder)) {
            sink.Error(kFolderFailure);
            return false;
        }
    }
    if (!StageDriverFiles(model, stage, dependentFiles)) {
        sink.Error(common::FormatKey(L"tip.copyfilefail", LastErrorText()));
        return false;
    }
    sink.Info(common::TranslateKey(L"tip.copyfilesuccess"));
    // Its outcome shows, if at all, in whether the driver is there at the end.
    if (printsys::IsWindows8OrLater()) {
        printsys::AddCertificateToTrustedPublisher(stage + model.certificateFile, sink.Owner());
        TrustPackageSigner();
    }
    sink.Info(common::TranslateKey(L"tip.startinstalldriver"));
    const std::wstring inf = stage + (windows64 ? L"Driver64" : L"Driver32") + L"\\" + model.infFile;
    printsys::InstallDriverWithPrintUI(model.driverName, inf, sink.Owner());
    if (!printsys::DriverExists(model.driverName)) {
        sink.Error(common::TranslateKey(L"tip.installdriverfail2"));
        return false;
    }
    sink.Info(common::FormatKey(L"tip.installdriversuccess", std::wstring()));
    return true;
}

InstallResult RunInstallProcedure(InstallRequest& request, const std::vector<DriverModel>& models,
                                  const bluetooth::BluetoothDeviceInfo* device, ProcedureSink& sink) {
    InstallResult result;
    sink.Clear();
    // Protected print mode lets in only Windows' own driver, which does not
    // speak this printer's language: said first, and nothing is written.
    if (printsys::IsProtectedPrintModeOn()) {
        sink.Error(common::TranslateKey(L"tip.protectedprint"));
        return result;
    }
    // An ARM64 spooler cannot load x64 or x86 DLLs: nothing is written.
    if (printsys::IsArm64Windows()) {
        sink.Error(common::TranslateKey(L"tip.arm64unsupported"));
        return result;
    }
    if (!PrepareConnection(request, device, sink, result)) return result;

    // The wizard starts the worker only with a model chosen.
    if (request.model < 0 || static_cast<std::size_t>(request.model) >= models.size()) return result;
    const DriverModel model = models[static_cast<std::size_t>(request.model)];
    // The files, the driver directory and the driver's environment must all
    // be of the system's architecture, not of this 32-bit program's.
    const bool windows64 = Is64BitWindows();
    std::vector<wchar_t> dependentFiles;
    bool blocked = false;
    if (!RegisterDriverFromDriverDirectory(model, windows64, dependentFiles, sink, blocked) &&
        (blocked || !InstallDriverThroughPrintUI(model, windows64, dependentFiles, sink)))
        return result;
    result.printerAdded = AddPrinterOnDriver(request, model, sink);
    return result;
}

}  // namespace wizard
