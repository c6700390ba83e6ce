// All state of the install and delete tabs, and the page logic that drives
// them. The main window forwards clicks and notifications here; this object
// changes the UI only through the main window's private messages, so its
// posting operations may be called from any thread.
#pragma once

#include "app/Localisation.h"
#include "ui/Window.h"
#include "wizard/DriverPackage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ui {
class Control;
class TabLayout;
}  // namespace ui

namespace wizard {

enum class ConnectionType : std::int32_t { Usb = 0, Network = 1, Bluetooth = 2, Lpt = 3, Com = 4, Custom = 5, None = 6 };

// The user's choices that the install procedure reads.
struct InstallRequest {
    std::int32_t showAllPrinters = -1;
    std::wstring printerSearchText;
    std::int32_t showAllDrivers = -1;
    std::wstring driverSearchText;
    ConnectionType connectionType = ConnectionType::None;
    std::int32_t bluetoothDevice = -1;
    std::int32_t usbDevice = -1;
    std::int32_t model = -1;
    std::wstring portName;
    std::int32_t defaultPrinter = -1;
    std::wstring printerName;
    std::wstring networkAddress;
    std::wstring pin = L"5290";
    std::int32_t useCustomPin = 0;
};

class AppState {
public:
    // The process-wide instance, made on first use.
    static AppState& Instance();
    AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Languages.
    app::LanguageTable& Languages() { return languages_; }
    const app::LanguageTable& Languages() const { return languages_; }
    void FillLanguageTable() { app::FillLanguageTable(languages_); }
    // Picks the row of the user's Windows UI language (exact LANGID match,
    // else English) and makes it current.
    const app::LanguageEntry& ChooseStartLanguage();
    const app::LanguageEntry& CurrentLanguage() const;
    const app::LanguageEntry& LanguageById(std::uint16_t langId) const;
    std::uint16_t CurrentLangId() const { return currentLangId_; }
    void SetCurrentLangId(std::uint16_t langId) { currentLangId_ = langId; }

    // Set by the main window at initialisation.
    void SetWindow(ui::WindowHandle window) { window_ = window; }
    ui::WindowHandle Window() const { return window_; }
    void SetTabs(ui::TabLayout* outer, ui::TabLayout* install, ui::TabLayout* remove);
    void AddOwnDriverName(const std::wstring& name);
    const std::vector<std::wstring>& OwnDriverNames() const { return ownDriverNames_; }

    std::int32_t Task() const { return task_; }
    void SetTask(std::int32_t task) { task_ = task; }
    std::int32_t Position() const { return position_; }
    std::int32_t OuterPage() const { return outerPage_; }
    std::int32_t Flow() const { return flow_; }
    InstallRequest& Request() { return request_; }
    // The two printer models, indexed by the request's model; read-only.
    const std::vector<DriverModel>& Models() const { return models_; }
    const std::vector<std::int32_t>& StepList(ConnectionType type) const;

    // Navigation, on the UI thread.
    void GoHome();
    void NextStep();
    void PreviousStep();
    bool EnterInstallStep(std::int32_t page);
    void EnterDeleteStep(std::int32_t position);

    // Page event dispatch, on the UI thread.
    void OnPageClick(ui::Control& control);
    void OnPageNotify(ui::Notification& notification);

    // Posting to the main window, from any thread; each returns after the UI
    // thread has handled it.
    void PostInstallLog(const std::wstring& text, bool error, bool clear);
    void PostDeleteLog(const std::wstring& text, bool error, bool clear);
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

    app::LanguageTable languages_;
    ui::TabLayout* outerTab_ = nullptr;
    ui::TabLayout* installTab_ = nullptr;
    ui::TabLayout* deleteTab_ = nullptr;
    ui::WindowHandle window_ = nullptr;
    std::int32_t task_ = 1;
    std::int32_t position_ = 0;
    std::int32_t outerPage_ = 0;
    std::int32_t flow_ = 0;
    InstallRequest request_;
    std::vector<std::wstring> ownDriverNames_;
    std::vector<std::int32_t> usbSteps_, bluetoothSteps_, networkSteps_, portSteps_;
    std::uint16_t currentLangId_ = 0;
    std::vector<DriverModel> models_;
};

}  // namespace wizard
