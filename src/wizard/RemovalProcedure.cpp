// The removal procedure: the chosen printers, then (around a restart of the
// spooler, which releases the drivers' files) the chosen drivers and their
// driver packages, and what the install left beyond the spooler's reach.
// Every step is a line of the delete log; a failure is reported and the
// procedure goes on with the next object.
#include "common/Localisation.h"
#include "base/Strings.h"
#include "os/Errors.h"
#include "os/Files.h"
#include "os/Spooler.h"
#include "os/System.h"
#include "printsys/SpoolerService.h"
#include "os/ErrorText.h"
#include "printsys/WindowsVersion.h"
#include "printsys/SpoolerInventory.h"
#include "wizard/DriverPackage.h"
#include "wizard/Procedures.h"

#include <map>

namespace wizard {
namespace {

constexpr std::uint32_t kDeleteFlags = os::kDpdDeleteUnusedFiles | os::kDpdDeleteSpecificVersion;
constexpr std::uint32_t kDriverVersion3 = 3;
constexpr std::uint32_t kPauseAfterObjectMs = 200;
constexpr std::uint32_t kPauseBetweenStopAndStartMs = 500;

// A failed call that leaves no reason must not read as a success.
std::uint32_t LastErrorOrGeneral() {
    const std::uint32_t error = os::GetLastError();
    return error != 0 ? error : os::error::kGenFailure;
}

}  // namespace

std::uint32_t DeletePrinterByName(const std::wstring& name) {
    const os::PrinterHandle printer = os::OpenPrinterW(name, os::kPrinterAllAccess);
    if (printer == os::PrinterHandle::None) return LastErrorOrGeneral();
    std::uint32_t error = 0;
    if (!os::DeletePrinter(printer)) error = LastErrorOrGeneral();
    os::ClosePrinter(printer);
    return error;
}

namespace {

void ReportDeleteFailure(ProcedureSink& sink, const std::wstring& name, std::uint32_t code) {
    sink.Error(common::FormatKey(L"tip.deletefail", name));
    sink.Error(common::FormatKey(L"tip.failreason", os::SystemErrorText(code)));
}

void RestartSpooler(ProcedureSink& sink) {
    sink.Info(common::TranslateKey(L"tip.tryrestartprintservice"));
    std::vector<os::ServiceEntry> dependants;
    if (printsys::StopSpoolerService(dependants) != printsys::SpoolerStop::Stopped) {
        sink.Info(common::TranslateKey(L"tip.stopprintservicefail"));
    } else {
        os::Sleep(kPauseBetweenStopAndStartMs);
        sink.Info(common::TranslateKey(printsys::StartSpoolerService() == printsys::SpoolerStart::Running ? L"tip.startprintserviceok" : L"tip.startprintservicefail"));
    }
    // The services that needed the spooler (fax, say) were stopped with it,
    // also when the spooler itself then would not stop; starting only the
    // spooler would leave them stopped until someone starts them by hand.
    for (const os::ServiceEntry& service : printsys::StartStoppedDependants(dependants))
        sink.Info(common::FormatKey(L"tip.startdependantfail", service.displayName));
}

// Whether the spooler still lists a driver of the models, or a printer on one.
bool AnythingOfOursLeft(const std::vector<DriverModel>& models) {
    std::vector<printsys::SpoolerEntry> entries;
    printsys::ListDrivers(entries);
    for (const printsys::SpoolerEntry& driver : entries)
        if (IsOwnDriver(models, driver.second)) return true;
    printsys::ListPrinters(entries);
    for (const printsys::SpoolerEntry& printer : entries)
        if (IsOwnDriver(models, printer.second)) return true;
    return false;
}

}  // namespace

void RemoveInstallLeftovers(const std::vector<DriverModel>& models, ProcedureSink& sink, RemovalResult& result) {
    const std::wstring stage = StagingFolder();
    const std::wstring folder = stage.substr(0, stage.size() - 1);
    if (os::FolderExists(folder)) {
        sink.Info(common::FormatKey(L"tip.startdeletestaging", folder));
        // A link inside is removed, never followed; a folder on the way
        // that others could change is not deleted at all.
        if (IsAdminOnlyTree(folder) && os::RemoveFolderTree(folder)) {
            sink.Info(common::FormatKey(L"tip.deletesuccess", folder));
            const std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
            os::RemoveEmptyFolder(parent);
        } else {
            ++result.failures;
            ReportDeleteFailure(sink, folder, LastErrorOrGeneral());
        }
    }

    std::vector<std::uint8_t> certificate;
    if (models.empty() || !ReadPackageFile(CertificatePackagePath(), certificate)) return;
    bool held = false;
    if (!os::TrustedPublisherHolds(certificate, held) || !held) return;
    const std::wstring name = models.front().certificateFile;
    sink.Info(common::FormatKey(L"tip.startdeletecertificate", name));
    if (os::RemoveFromTrustedPublisher(certificate)) {
        sink.Info(common::FormatKey(L"tip.deletesuccess", name));
    } else {
        ++result.failures;
        ReportDeleteFailure(sink, name, LastErrorOrGeneral());
    }
}

RemovalResult RunRemovalProcedure(const RemovalRequest& request, const std::vector<DriverModel>& models,
                                  ProcedureSink& sink) {
    RemovalResult result;
    os::OsVersion version;
    const bool packages = os::GetVersionExW(version) && version.major >= 6;
    sink.Clear();

    // One entry of a name: the last one given wins.
    std::map<std::wstring, printsys::SpoolerEntry> drivers;
    for (const printsys::SpoolerEntry& entry : request.drivers) drivers[entry.second] = entry;

    for (const std::wstring& printer : request.printers) {
        sink.Info(common::FormatKey(L"tip.startdeleteprinter", printer));
        const std::uint32_t code = DeletePrinterByName(printer);
        if (code == 0) {
            sink.Info(common::FormatKey(L"tip.deletesuccess", printer));
        } else {
            ++result.failures;
            ReportDeleteFailure(sink, printer, code);
        }
        os::Sleep(kPauseAfterObjectMs);
    }

    if (!drivers.empty()) RestartSpooler(sink);
    // The drivers the install made are of the system's architecture, which
    // a NULL environment would not reach from this 32-bit program.
    const std::wstring environment = printsys::DriverEnvironment();
    bool ownDriverRemoved = false;
    for (const auto& [name, entry] : drivers) {
        sink.Info(common::FormatKey(L"tip.startdeletedriver", name));
        std::uint32_t code = os::DeletePrinterDriverExW(environment, name, kDeleteFlags, kDriverVersion3)
                                 ? 0
                                 : LastErrorOrGeneral();
        // Still in use after the first restart: the spooler is restarted
        // once more for whatever comes next, but this driver is not retried.
        if (code == os::error::kPrinterDriverInUse) RestartSpooler(sink);
        if (code != 0) {
            ++result.failures;
            ReportDeleteFailure(sink, name, code);
        } else {
            sink.Info(common::FormatKey(L"tip.deletesuccess", name));
            ownDriverRemoved = ownDriverRemoved || IsOwnDriver(models, name);
            if (packages && !entry.third.empty()) {
                sink.Info(common::FormatKey(L"tip.startdeletepack", name));
                const std::optional<std::int32_t> packageResult =
                    os::DeletePrinterDriverPackageW(entry.third, environment);
                if (packageResult && *packageResult != 0) {
                    // The result is an HRESULT; the last error is often left
                    // at 0, and then the HRESULT is the reason.
                    const std::uint32_t error = os::GetLastError();
                    code = error != 0 ? error : static_cast<std::uint32_t>(*packageResult);
                }
                if (code != 0) {
                    ++result.failures;
                    ReportDeleteFailure(sink, name, code);
                } else {
                    sink.Info(common::FormatKey(L"tip.deletesuccess", name));
                }
            }
        }
        os::Sleep(kPauseAfterObjectMs);
    }

    if (ownDriverRemoved && !AnythingOfOursLeft(models)) RemoveInstallLeftovers(models, sink, result);
    return result;
}

}  // namespace wizard
