#include "wizard/AppState.h"

#include "common/Messages.h"
#include "os/Errors.h"
#include "os/System.h"
#include "os/ErrorText.h"
#include "printsys/UsbDiscovery.h"
#include "printsys/WindowsVersion.h"
#include "ui/Controls.h"

#include <optional>

namespace wizard {

AppState& AppState::Instance() {
    static AppState state;
    return state;
}

AppState::AppState()
    : usbSteps_{page::kConnection, page::kSearching, page::kUsbList, page::kModel,
                page::kPrinterName, page::kReady, page::kInstalling},
      bluetoothSteps_{page::kConnection, page::kSearching, page::kBluetoothList, page::kModel,
                      page::kPrinterName, page::kReady, page::kInstalling},
      networkSteps_{page::kConnection, page::kModel, page::kNetwork, page::kPrinterName, page::kReady,
                    page::kInstalling},
      portSteps_{page::kConnection, page::kModel, page::kPortList, page::kPrinterName, page::kReady,
                 page::kInstalling} {
    BuildDriverModels(models_);
}

const common::LanguageEntry& AppState::ChooseStartLanguage() {
    const common::LanguageEntry& entry = common::LanguageOrEnglish(languages_, os::GetUserDefaultUILanguage());
    currentLangId_ = entry.langId;
    return entry;
}

const common::LanguageEntry& AppState::CurrentLanguage() const {
    return common::LanguageOrEnglish(languages_, currentLangId_);
}

const common::LanguageEntry& AppState::LanguageById(std::uint16_t langId) const {
    return common::LanguageOrEnglish(languages_, langId);
}

void AppState::SetTabs(ui::TabLayout* outer, ui::TabLayout* install, ui::TabLayout* remove) {
    outerTab_ = outer;
    installTab_ = install;
    deleteTab_ = remove;
}

void AppState::AddOwnDriverName(const std::wstring& name) {
    for (const std::wstring& known : ownDriverNames_)
        if (known == name) return;
    ownDriverNames_.push_back(name);
}

const std::vector<std::int32_t>& AppState::StepList(ConnectionType type) const {
    switch (type) {
        case ConnectionType::Usb: return usbSteps_;
        case ConnectionType::Bluetooth: return bluetoothSteps_;
        case ConnectionType::Network: return networkSteps_;
        default: return portSteps_;
    }
}

std::int32_t AppState::CurrentInstallPage() const {
    const std::vector<std::int32_t>& steps = StepList(request_.connectionType);
    if (position_ < 0 || position_ >= static_cast<std::int32_t>(steps.size())) return page::kConnection;
    return steps[static_cast<std::size_t>(position_)];
}

void AppState::GoHome() {
    // The removal worker reads and finally empties the delete tab's choices;
    // nothing may lead back to them before it has ended.
    if (removalRunning_.load()) return;
    outerPage_ = 0;
    position_ = 0;
    ShowPreviousButton(false);
    SetNextButton(true, true);
    printersListed_ = false;  // listed when first read
    if (outerTab_) outerTab_->SelectItem(0);
    if (installTab_) installTab_->SelectItem(0);
    if (deleteTab_) deleteTab_->SelectItem(0);
    Send(common::UM_SHOW_ROW_H1, 0);
    Send(common::UM_SHOW_PRINTER_BUTTONS, 0);
    Send(common::UM_SHOW_ROW_H2, 1);
}

const std::vector<printsys::SpoolerEntry>& AppState::InstalledPrinters() {
    if (!printersListed_) {
        printsys::ListPrinters(installedPrinters_);
        printersListed_ = true;
    }
    return installedPrinters_;
}

void AppState::SelectInstallPage(std::int32_t page) {
    if (installTab_) installTab_->SelectItem(page);
}

void AppState::NextStep() {
    if (outerPage_ == 0) {
        // Protected print mode would refuse the driver at the end: said
        // before anybody fills in the install pages.
        if (task_ == Task::Install && printsys::IsProtectedPrintModeOn()) {
            ShowInformation(common::TranslateKey(L"tip.protectedprint"));
            return;
        }
        if (outerTab_) {
            outerPage_ = task_ == Task::Install ? 1 : 2;
            outerTab_->SelectItem(outerPage_);
            if (outerPage_ == 1) EnterInstallStep(page::kConnection);
            else EnterDeleteStep(0);
        }
    } else {
        ++position_;
        if (flow_ == WizardFlow::Install && installTab_) {
            const ConnectionType type = request_.connectionType;
            const std::vector<std::int32_t>& steps = StepList(type);
            // The installing page hides Next, so the end is never passed; a stray
            // UM_GO_NEXT must not read past it either.
            if (position_ >= static_cast<std::int32_t>(steps.size())) {
                --position_;
                return;
            }
            const std::int32_t next = steps[static_cast<std::size_t>(position_)];
            bool passed = true;
            if (type == ConnectionType::Bluetooth && next == page::kSearching) passed = CheckBluetoothAdapter(true);
            else if (type == ConnectionType::Bluetooth && next == page::kModel) passed = CheckPin();
            else if (type == ConnectionType::Network && next == page::kPrinterName) passed = CheckNetworkPage();
            else if (next == page::kReady) passed = CheckPrinterName();
            if (!passed) {
                --position_;
                return;
            }
            SelectInstallPage(next);
            EnterInstallStep(next);
        } else if (flow_ == WizardFlow::Remove && deleteTab_) {
            deleteTab_->SelectItem(position_);
            EnterDeleteStep(position_);
        }
    }
    flow_ = outerPage_ == 0 ? WizardFlow::Home : (task_ != Task::Remove ? WizardFlow::Install : WizardFlow::Remove);
}

void AppState::PreviousStep() {
    if (position_ <= 0) {
        if (outerTab_) {
            outerPage_ = 0;
            outerTab_->SelectItem(0);
            GoHome();
        }
        return;
    }
    --position_;
    if (flow_ == WizardFlow::Install) {
        if (installTab_ == nullptr) return;
        const ConnectionType type = request_.connectionType;
        const std::vector<std::int32_t>& steps = StepList(type);
        if (position_ >= static_cast<std::int32_t>(steps.size())) position_ = static_cast<std::int32_t>(steps.size()) - 1;
        std::int32_t previous = steps[static_cast<std::size_t>(position_)];
        // Going back never lands on the searching page: that would search again.
        if ((type == ConnectionType::Usb || type == ConnectionType::Bluetooth) && previous == page::kSearching &&
            position_ > 0) {
            --position_;
            previous = steps[static_cast<std::size_t>(position_)];
        }
        SelectInstallPage(previous);
        EnterInstallStep(previous);
    } else if (flow_ == WizardFlow::Remove && deleteTab_) {
        deleteTab_->SelectItem(position_);
        EnterDeleteStep(position_);
    }
}

void AppState::EnterInstallStep(std::int32_t page) {
    ShowPreviousButton(true);
    if (installTab_ == nullptr) return;
    switch (page) {
        case page::kConnection:
            SetNextButton(true, true);
            if (request_.connectionType == ConnectionType::None) {
                if (auto* usb = dynamic_cast<ui::Option*>(installTab_->FindControl(L"option_port_usb")))
                    usb->Selected(true, true);
                ShowBluetoothAdapterInfo(false, std::wstring());
                request_.connectionType = ConnectionType::Usb;
            }
            break;
        case page::kSearching:
            SetNextButton(false, true);
            ShowPreviousButton(false);
            if (request_.connectionType == ConnectionType::Usb) {
                request_.usbDevice = -1;
                StartUsbSearch();
            } else if (request_.connectionType == ConnectionType::Bluetooth) {
                StartBluetoothScan();
            }
            break;
        case page::kUsbList: ShowUsbList(); break;
        case page::kBluetoothList: ShowBluetoothList(); break;
        case page::kModel: ShowModelList(); break;
        case page::kPortList: ShowPortList(); break;
        case page::kNetwork: ShowNetworkPage(); break;
        case page::kPrinterName: ProposePrinterName(); break;
        case page::kReady: ShowReadySummary(); break;
        case page::kInstalling: StartInstall(); break;
        default: break;
    }
}

void AppState::EnterDeleteStep(std::int32_t position) {
    ShowPreviousButton(true);
    SetNextButton(true, true, L"main.btn.next");
    switch (position) {
        case 0: ShowDeletePrinterList(false); break;
        case 1: ShowDeleteDriverList(false); break;
        case 2: ShowDeleteSummary(); break;
        case 3: StartRemoval(); break;
        default: break;
    }
}

std::uint32_t AppState::StartWorker(std::function<void()> body) {
    // Workers start printui and certutil through the shell, which wants COM
    // on the calling thread.
    auto withCom = [body = std::move(body)] {
        const bool com = os::InitializeComForShell();
        body();
        if (com) os::UninitializeCom();
    };
    if (os::StartThread(std::move(withCom))) return 0;
    const std::uint32_t error = os::GetLastError();
    return error != 0 ? error : os::error::kNotEnoughMemory;  // should the system give no reason
}

// Without its worker a page would wait for ever: bring the user's buttons
// back first, then say why.
void AppState::ReportWorkerFailure(std::uint32_t error) { ShowInformation(os::SystemErrorText(error)); }

void AppState::SearchFailedToStart(std::uint32_t error) {
    position_ = 0;
    SelectInstallPage(page::kConnection);
    EnterInstallStep(page::kConnection);
    ReportWorkerFailure(error);
}

void AppState::StartUsbSearch() {
    const std::uint32_t error = StartWorker([this] {
        std::vector<printsys::SpoolerEntry> found;
        printsys::ListUsbPrinters(found);
        usbPrinters_.swap(found);
        Send(common::UM_GO_NEXT);
    });
    if (error != 0) SearchFailedToStart(error);
}

void AppState::StartBluetoothScan() {
    request_.bluetoothDevice = -1;
    request_.portName.clear();
    const std::uint32_t error = StartWorker([this] {
        std::vector<bluetooth::BluetoothDeviceInfo> found;
        bluetooth::ScanBluetoothPrinters(found);
        bluetoothDevices_.swap(found);
        Send(common::UM_GO_NEXT);
    });
    if (error != 0) SearchFailedToStart(error);
}

bool AppState::StartInstall() {
    Send(common::UM_INSTALL_BUSY, 1);
    Send(common::UM_SHOW_ROW_H1, 0);
    Send(common::UM_SHOW_PRINTER_BUTTONS, 0);
    Send(common::UM_SHOW_ROW_H2, 0);
    ++criticalWorkers_;
    const std::uint32_t error = StartWorker([this] {
        // Another copy's unattended run may hold the lock; the wizard goes
        // on as it always has, and holds it itself when it can.
        WorkLock lock = TakeWorkLock();
        const bluetooth::BluetoothDeviceInfo* chosen = ChosenBluetoothDevice();
        // A copy: the device list belongs to the UI thread.
        std::optional<bluetooth::BluetoothDeviceInfo> device;
        if (chosen != nullptr) device = *chosen;
        WindowSink sink(*this, common::UM_INSTALL_LOG_LINE);
        const InstallResult result = RunInstallProcedure(request_, models_, device ? &*device : nullptr, sink);
        ReleaseWorkLock(lock);
        OnInstallFinished(&result);
        --criticalWorkers_;
        Send(common::UM_WORK_ENDED);
    });
    if (error != 0) {
        --criticalWorkers_;
        // Back to the summary with its buttons, so the user can try again.
        Send(common::UM_INSTALL_BUSY, 0);
        if (position_ > 0) --position_;
        SelectInstallPage(CurrentInstallPage());
        EnterInstallStep(CurrentInstallPage());
        Send(common::UM_SHOW_ROW_H2, 1);
        SetNextButton(true, true);
        ReportWorkerFailure(error);
    }
    return true;
}

const bluetooth::BluetoothDeviceInfo* AppState::ChosenBluetoothDevice() const {
    const auto index = static_cast<std::size_t>(request_.bluetoothDevice);
    return request_.bluetoothDevice >= 0 && index < bluetoothDevices_.size() ? &bluetoothDevices_[index] : nullptr;
}

bool AppState::ConnectBluetoothPrinter() {
    WindowSink sink(*this, common::UM_INSTALL_LOG_LINE);
    return wizard::ConnectBluetoothPrinter(request_, ChosenBluetoothDevice(), sink);
}

void AppState::OnInstallFinished(const InstallResult* outcome) {
    Send(common::UM_INSTALL_BUSY, 0);
    Send(common::UM_SHOW_ROW_H1, 1);
    Send(common::UM_SHOW_ROW_H2, 0);
    const bool printerAdded = outcome != nullptr && outcome->printerAdded;
    Send(common::UM_SHOW_PRINTER_BUTTONS, printerAdded ? 1 : 0);
    if (outcome != nullptr && outcome->tcpPortAdded) {
        request_.portName.clear();
        request_.networkAddress.clear();
    }
}

std::intptr_t AppState::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const {
    return ui::SendMessageTo(window_.load(), message, wParam, lParam);
}

namespace {

// The record of a log message: a line, or (with clear) the log emptied.
std::intptr_t SendLogRecord(const AppState& state, unsigned message, const std::wstring& text, bool error,
                            bool clear) {
    common::UiTextRecord record{text, error, clear, true};
    return state.Send(message, 0, reinterpret_cast<std::intptr_t>(&record));
}

}  // namespace

void AppState::WindowSink::Log(const std::wstring& text, Line kind) {
    SendLogRecord(state_, logMessage_, text, kind == Line::Error, false);
}

void AppState::WindowSink::Clear() { SendLogRecord(state_, logMessage_, std::wstring(), false, true); }

void AppState::PostInstallLog(const std::wstring& text, ProcedureSink::Line kind) {
    SendLogRecord(*this, common::UM_INSTALL_LOG_LINE, text, kind == ProcedureSink::Line::Error, false);
}

void AppState::PostDeleteLog(const std::wstring& text, ProcedureSink::Line kind) {
    SendLogRecord(*this, common::UM_DELETE_LOG_LINE, text, kind == ProcedureSink::Line::Error, false);
}

void AppState::ClearInstallLog() { SendLogRecord(*this, common::UM_INSTALL_LOG_LINE, std::wstring(), false, true); }

void AppState::ShowDeleteBusy(bool on) { Send(common::UM_DELETE_BUSY, on ? 1 : 0); }

void AppState::ShowBluetoothAdapterInfo(bool show, const std::wstring& text) {
    common::UiTextRecord record{text, false, false, true};
    Send(common::UM_BLUETOOTH_ADAPTER_INFO, show ? 1 : 0,
         text.empty() ? 0 : reinterpret_cast<std::intptr_t>(&record));
}

void AppState::ShowPrinterNameInfo(const std::wstring& text, bool error) {
    common::UiTextRecord record{text, error, false, true};
    Send(common::UM_PRINTER_NAME_INFO, 0, reinterpret_cast<std::intptr_t>(&record));
}

void AppState::SetNextButton(bool visible, bool enable, const std::wstring& label) {
    common::UiTextRecord record{label, false, false, enable};
    Send(common::UM_NEXT_BUTTON_STATE, visible ? 1 : 0, reinterpret_cast<std::intptr_t>(&record));
}

void AppState::ShowPreviousButton(bool visible) { Send(common::UM_PREVIOUS_BUTTON_STATE, visible ? 1 : 0); }

void AppState::ShowInformation(const std::wstring& text) const {
    ui::ShowMessageBox(window_.load(), text, common::TranslateKey(L"tip.dlgtitle"), ui::mb::kIconInformation);
}

bool AppState::AskOkCancel(const std::wstring& text) const {
    return ui::ShowMessageBox(window_.load(), text, common::TranslateKey(L"tip.dlgtitle"),
                              ui::mb::kOkCancel | ui::mb::kIconInformation) == ui::mb::kIdOk;
}

}  // namespace wizard
