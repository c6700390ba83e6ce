// All state of the install and delete tabs, and the page logic that drives
// them. The main window forwards clicks and notifications here; this object
// changes the UI only through the main window's private messages, so its
// posting operations may be called from any thread.
#pragma once

#include "bluetooth/Bluetooth.h"
#include "common/Localisation.h"
#include "os/System.h"
#include "printsys/SpoolerInventory.h"
#include "ui/Window.h"
#include "wizard/DriverPackage.h"
#include "wizard/Procedures.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace ui {
class Control;
class Edit;
class List;
class ListContainerElement;
class TabLayout;
}  // namespace ui

namespace wizard {

// What the home page's two options choose.
enum class Task : std::int32_t { Remove = 0, Install = 1 };

// Which tab the Next and Back buttons walk: home, or the install or the
// delete tab after it.
enum class WizardFlow : std::int32_t { Home = 0, Install = 1, Remove = 2 };

// The pages of the install tab.
namespace page {
constexpr std::int32_t kConnection = 0;
constexpr std::int32_t kSearching = 1;
constexpr std::int32_t kUsbList = 2;
constexpr std::int32_t kBluetoothList = 3;
constexpr std::int32_t kModel = 4;
constexpr std::int32_t kPortList = 5;
constexpr std::int32_t kNetwork = 6;
constexpr std::int32_t kPrinterName = 7;
constexpr std::int32_t kReady = 8;
constexpr std::int32_t kInstalling = 9;
}  // namespace page

// Dotted-quad check of the network page: four parts, each read as a
// decimal integer the way the standard string-to-int conversion reads it
// (leading blanks and a sign allowed, reading stops at the first non-digit)
// and within 0..255. A trailing "." adds no part.
bool IsValidIPv4(const std::wstring& text);

// What the delete tab's lists show: every printer and driver (1) or only
// those of our models (0; -1 until the page first shows), and the printers
// whose driver name contains the search text.
struct DeleteFilters {
    std::int32_t showAllPrinters = -1;
    std::int32_t showAllDrivers = -1;
    std::wstring printerSearchText;
};

class AppState {
public:
    // The process-wide instance, made on first use.
    static AppState& Instance();
    AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Languages.
    common::LanguageTable& Languages() { return languages_; }
    const common::LanguageTable& Languages() const { return languages_; }
    void FillLanguageTable() { common::FillLanguageTable(languages_); }
    // Picks the row of the user's Windows UI language (exact LANGID match,
    // else English) and makes it current.
    const common::LanguageEntry& ChooseStartLanguage();
    const common::LanguageEntry& CurrentLanguage() const;
    const common::LanguageEntry& LanguageById(std::uint16_t langId) const;
    std::uint16_t CurrentLangId() const { return currentLangId_; }
    void SetCurrentLangId(std::uint16_t langId) { currentLangId_ = langId; }

    // Set by the main window at initialisation, and cleared when its window
    // is destroyed: a worker that sends later reaches no window.
    void SetMainWindow(ui::WindowHandle window) { window_.store(window); }
    ui::WindowHandle MainWindow() const { return window_.load(); }
    void SetTabs(ui::TabLayout* outer, ui::TabLayout* install, ui::TabLayout* remove);
    // Runs the add-port pop-up modally over `owner`. The pop-up is a window
    // of the layer above, so the main window hands it in.
    using AddPortDialog = void (*)(ui::WindowHandle owner);
    void SetAddPortDialog(AddPortDialog dialog) { addPortDialog_ = dialog; }
    void AddOwnDriverName(const std::wstring& name);
    const std::vector<std::wstring>& OwnDriverNames() const { return ownDriverNames_; }

    Task CurrentTask() const { return task_; }
    void SetTask(Task task) { task_ = task; }
    std::int32_t Position() const { return position_; }
    std::int32_t OuterPage() const { return outerPage_; }
    WizardFlow Flow() const { return flow_; }
    InstallRequest& Request() { return request_; }
    // The two printer models, indexed by the request's model; read-only.
    const std::vector<DriverModel>& Models() const { return models_; }
    const std::vector<std::int32_t>& StepList(ConnectionType type) const;
    // The install tab's page at the current position of the install flow.
    std::int32_t CurrentInstallPage() const;
    std::vector<printsys::SpoolerEntry>& UsbPrinters() { return usbPrinters_; }
    std::vector<bluetooth::BluetoothDeviceInfo>& BluetoothDevices() { return bluetoothDevices_; }
    // The printers as the spooler listed them on the way home or on the
    // delete tab's list, whichever came last. The home page's list is taken
    // when first asked for: the window's first paint does not wait for the
    // spooler.
    const std::vector<printsys::SpoolerEntry>& InstalledPrinters();
    const std::vector<printsys::SpoolerEntry>& InstalledDrivers() const { return installedDrivers_; }
    // The delete tab's filters and choices.
    DeleteFilters& Filters() { return deleteFilters_; }
    const std::vector<std::wstring>& CheckedPrinters() const { return checkedPrinters_; }
    const std::set<std::wstring>& CheckedDrivers() const { return checkedDrivers_; }
    // True from the start of the removal worker to its very end.
    bool RemovalRunning() const { return removalRunning_.load(); }
    // Whether an install or removal worker is running: ending the process
    // now could leave a driver without its printer or a stopped spooler.
    bool CriticalWorkRunning() const { return criticalWorkers_.load() > 0; }

    // Navigation, on the UI thread.
    void GoHome();
    void NextStep();
    void PreviousStep();
    void EnterInstallStep(std::int32_t page);
    void EnterDeleteStep(std::int32_t position);
    bool StartInstall();
    // The install worker's completion; runs on the worker thread.
    void OnInstallFinished(const InstallResult* outcome);

    // Page event dispatch, on the UI thread.
    void OnPageClick(ui::Control& control);
    void OnPageNotify(ui::Notification& notification);

    // Entry actions of the install pages.
    void ShowUsbList();
    void ShowBluetoothList();
    void ShowModelList();
    void ShowPortList();
    void ShowNetworkPage();
    void ProposePrinterName();
    void ShowReadySummary();

    // Entry actions of the delete pages. keepOption leaves the show-all
    // option as the user just set it.
    void ShowDeletePrinterList(bool keepOption);
    void ShowDeleteDriverList(bool keepOption);
    void ShowDeleteSummary();
    void StartRemoval();
    // The removal worker's procedure, and its completion on the same thread.
    void RunRemoval();
    void OnRemovalFinished();

    // Checks that stand before a page; false keeps the wizard where it is
    // and has told the user why.
    bool CheckBluetoothAdapter(bool showMessage);
    bool CheckPin();
    bool CheckNetworkPage();
    bool CheckPrinterName();
    // The on-demand test of the typed printer name.
    void TestPrinterName();
    void FilterPin(ui::Edit& edit);
    void StartBluetoothScan();

    // The Bluetooth steps of the install for the chosen device, into the
    // install log; false (after an error line) ends the installation.
    bool ConnectBluetoothPrinter();

    // Posting to the main window, from any thread; each returns after the UI
    // thread has handled it.
    void PostInstallLog(const std::wstring& text, ProcedureSink::Line kind = ProcedureSink::Line::Info);
    void PostDeleteLog(const std::wstring& text, ProcedureSink::Line kind = ProcedureSink::Line::Info);
    void ClearInstallLog();
    void ShowDeleteBusy(bool on);
    void ShowBluetoothAdapterInfo(bool show, const std::wstring& text);
    void ShowPrinterNameInfo(const std::wstring& text, bool error);
    void SetNextButton(bool visible, bool enable, const std::wstring& label = std::wstring());
    void ShowPreviousButton(bool visible);
    std::intptr_t Send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) const;

    // The information box: `text` already translated, caption "tip.dlgtitle".
    void ShowInformation(const std::wstring& text) const;
    // The OK/Cancel question; true only for OK.
    bool AskOkCancel(const std::wstring& text) const;

private:
    // The procedures' lines into this window's install or delete log (the
    // message that carries them), their boxes over it.
    class WindowSink : public ProcedureSink {
    public:
        WindowSink(const AppState& state, unsigned logMessage) : state_(state), logMessage_(logMessage) {}
        void Log(const std::wstring& text, Line kind) override;
        void Clear() override;
        void Inform(const std::wstring& text) override { state_.ShowInformation(text); }
        os::WindowHandle Owner() const override { return state_.OsOwner(); }

    private:
        const AppState& state_;
        unsigned logMessage_;
    };

    void SelectInstallPage(std::int32_t page);
    void StartUsbSearch();
    // Runs `body` on a worker thread: 0, or the error that kept the thread
    // from being made.
    std::uint32_t StartWorker(std::function<void()> body);
    void ReportWorkerFailure(std::uint32_t error);
    // Back to the connection page with its buttons, then the reason.
    void SearchFailedToStart(std::uint32_t error);
    // The chosen Bluetooth device; none when the choice is outside the list.
    const bluetooth::BluetoothDeviceInfo* ChosenBluetoothDevice() const;
    void ChooseConnection(ConnectionType type);
    // Shows the red verdict when the request's name breaks the name rule.
    bool RefuseInvalidPrinterName();
    void ProposeNetworkPortName();
    ui::Control* FindDeleteControl(std::wstring_view name) const;
    void MarkDeleteRow(ui::Notification& notification, bool printers);
    // The page buttons.
    void TestNetworkPrinter();
    void TestPrintUsb();
    void AddPortFromDialog();
    void DeleteChosenPort();
    void ConfigureChosenPort();
    void OpenPrinterDialog(bool (*command)(const std::wstring&, os::WindowHandle));
    os::WindowHandle OsOwner() const;
    ui::Control* FindInstallControl(std::wstring_view name) const;
    // Builds a row from an item layout, appends it to `list` and returns it.
    ui::ListContainerElement* AppendListItem(ui::List& list, const wchar_t* itemLayout, const wchar_t* itemName,
                                             const std::vector<std::wstring>& columns,
                                             const std::wstring& userData);

    std::vector<bluetooth::BluetoothDeviceInfo> bluetoothDevices_;
    std::vector<printsys::SpoolerEntry> usbPrinters_;
    std::vector<DriverModel> models_;
    common::LanguageTable languages_;
    ui::TabLayout* outerTab_ = nullptr;
    ui::TabLayout* installTab_ = nullptr;
    ui::TabLayout* deleteTab_ = nullptr;
    std::atomic<ui::WindowHandle> window_{nullptr};
    Task task_ = Task::Install;
    std::int32_t position_ = 0;
    std::int32_t outerPage_ = 0;
    WizardFlow flow_ = WizardFlow::Home;
    InstallRequest request_;
    DeleteFilters deleteFilters_;
    std::vector<std::wstring> ownDriverNames_;
    std::vector<std::wstring> checkedPrinters_;
    std::set<std::wstring> checkedDrivers_;
    std::vector<printsys::SpoolerEntry> installedPrinters_;
    bool printersListed_ = false;
    // The network page's port name is the proposal for the typed address
    // until the user types a port name of their own (text the page sets
    // itself is no "textchanged").
    bool portNameFollowsAddress_ = true;
    std::vector<printsys::SpoolerEntry> installedDrivers_;
    std::vector<std::int32_t> usbSteps_, bluetoothSteps_, networkSteps_, portSteps_;
    std::vector<std::uint8_t> testPrintBuffer_;
    AddPortDialog addPortDialog_ = nullptr;
    std::atomic<bool> removalRunning_{false};
    std::atomic<int> criticalWorkers_{0};
    std::uint16_t currentLangId_ = 0;
};

}  // namespace wizard
