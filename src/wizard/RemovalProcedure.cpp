// The removal worker's procedure: the chosen printers, then (around a restart
// of the spooler, which releases the drivers' files) the chosen drivers and
// their driver packages. Every step is a line of the delete log; a failure
// is reported and the procedure goes on with the next object.
#include "common/Localisation.h"
#include "common/Messages.h"
#include "os/Spooler.h"
#include "os/System.h"
#include "printsys/SpoolerService.h"
#include "printsys/SystemError.h"
#include "printsys/WindowsVersion.h"
#include "wizard/AppState.h"

#include <map>

namespace wizard {
namespace {

constexpr std::uint32_t kDeleteFlags = os::kDpdDeleteUnusedFiles | os::kDpdDeleteSpecificVersion;
constexpr std::uint32_t kDriverVersion3 = 3;
constexpr std::uint32_t kErrorPrinterDriverInUse = 3001;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kPauseAfterObjectMs = 200;
constexpr std::uint32_t kPauseBetweenStopAndStartMs = 500;

std::wstring Tip(const wchar_t* key) { return common::TranslateKey(key); }

std::wstring TipWith(const wchar_t* key, const std::wstring& value) {
    return common::FormatText(common::TranslateKey(key), value);
}

// A failed call that leaves no reason must not read as a success.
std::uint32_t LastErrorOrGeneral() {
    const std::uint32_t error = os::GetLastError();
    return error != 0 ? error : kErrorGenFailure;
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

void AppState::ReportDeleteFailure(const std::wstring& name, std::uint32_t code) {
    PostDeleteLog(TipWith(L"tip.deletefail", name), true, false);
    PostDeleteLog(TipWith(L"tip.failreason", printsys::SystemErrorText(code)), true, false);
}

void AppState::RestartSpooler() {
    PostDeleteLog(Tip(L"tip.tryrestartprintservice"), false, false);
    std::vector<os::ServiceEntry> dependants;
    if (printsys::StopSpoolerService(dependants) != 1) {
        PostDeleteLog(Tip(L"tip.stopprintservicefail"), false, false);
    } else {
        os::Sleep(kPauseBetweenStopAndStartMs);
        PostDeleteLog(
            Tip(printsys::StartSpoolerService() == 1 ? L"tip.startprintserviceok" : L"tip.startprintservicefail"), false,
            false);
    }
    // The services that needed the spooler (fax, say) were stopped with it,
    // also when the spooler itself then would not stop; starting only the
    // spooler would leave them stopped until someone starts them by hand.
    for (const os::ServiceEntry& service : printsys::StartStoppedDependants(dependants))
        PostDeleteLog(TipWith(L"tip.startdependantfail", service.displayName), false, false);
}

void AppState::RunRemoval() {
    ShowDeleteBusy(true);
    Send(common::UM_SHOW_ROW_H1, 1);
    Send(common::UM_SHOW_PRINTER_BUTTONS, 0);
    Send(common::UM_SHOW_ROW_H2, 0);
    os::OsVersion version;
    const bool packages = os::GetVersionExW(version) && version.major >= 6;
    if (deleteTab_ == nullptr) {
        // Nothing to report into; the busy indicator must not run for ever.
        ShowDeleteBusy(false);
        return;
    }
    PostDeleteLog(std::wstring(), false, true);

    // Only drivers the last listing showed; the last entry of a name wins.
    std::map<std::wstring, printsys::SpoolerEntry> drivers;
    for (const std::wstring& name : checkedDrivers_)
        for (const printsys::SpoolerEntry& entry : installedDrivers_)
            if (entry.second == name) drivers[name] = entry;

    for (const std::wstring& printer : checkedPrinters_) {
        PostDeleteLog(TipWith(L"tip.startdeleteprinter", printer), false, false);
        const std::uint32_t code = DeletePrinterByName(printer);
        if (code == 0) PostDeleteLog(TipWith(L"tip.deletesuccess", printer), false, false);
        else ReportDeleteFailure(printer, code);
        os::Sleep(kPauseAfterObjectMs);
    }

    if (!drivers.empty()) RestartSpooler();
    // The drivers the install made are of the system's architecture, which
    // a NULL environment would not reach from this 32-bit program.
    const std::wstring environment = printsys::DriverEnvironment();
    for (const auto& [name, entry] : drivers) {
        PostDeleteLog(TipWith(L"tip.startdeletedriver", name), false, false);
        std::uint32_t code = os::DeletePrinterDriverExW(environment, name, kDeleteFlags, kDriverVersion3)
                                 ? 0
                                 : LastErrorOrGeneral();
        // Still in use after the first restart: the spooler is restarted
        // once more for whatever comes next, but this driver is not retried.
        if (code == kErrorPrinterDriverInUse) RestartSpooler();
        if (code != 0) {
            ReportDeleteFailure(name, code);
        } else {
            PostDeleteLog(TipWith(L"tip.deletesuccess", name), false, false);
            if (packages && !entry.third.empty()) {
                PostDeleteLog(TipWith(L"tip.startdeletepack", name), false, false);
                const std::optional<std::int32_t> result = os::DeletePrinterDriverPackageW(entry.third, environment);
                if (result && *result != 0) {
                    // The result is an HRESULT; the last error is often left
                    // at 0, and then the HRESULT is the reason.
                    const std::uint32_t error = os::GetLastError();
                    code = error != 0 ? error : static_cast<std::uint32_t>(*result);
                }
                if (code != 0) ReportDeleteFailure(name, code);
                else PostDeleteLog(TipWith(L"tip.deletesuccess", name), false, false);
            }
        }
        os::Sleep(kPauseAfterObjectMs);
    }

    checkedPrinters_.clear();
    checkedDrivers_.clear();
    ShowDeleteBusy(false);
}

}  // namespace wizard
