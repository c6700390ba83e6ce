#include "wizard/AppState.h"

#include "app/Messages.h"
#include "os/System.h"
#include "ui/Controls.h"

namespace wizard {

AppState& AppState::Instance() {
    static AppState state;
    return state;
}

AppState::AppState()
    : usbSteps_{0, 1, 2, 4, 7, 8, 9},
      bluetoothSteps_{0, 1, 3, 4, 7, 8, 9},
      networkSteps_{0, 4, 6, 7, 8, 9},
      portSteps_{0, 4, 5, 7, 8, 9} {
    BuildDriverModels(models_);
}

const app::LanguageEntry& AppState::ChooseStartLanguage() {
    const app::LanguageEntry& entry = app::LanguageOrEnglish(languages_, os::GetUserDefaultUILanguage());
    currentLangId_ = entry.langId;
    return entry;
}

const app::LanguageEntry& AppState::CurrentLanguage() const {
    return app::LanguageOrEnglish(languages_, currentLangId_);
}

const app::LanguageEntry& AppState::LanguageById(std::uint16_t langId) const {
    return app::LanguageOrEnglish(languages_, langId);
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

void AppState::GoHome() {
    outerPage_ = 0;
    position_ = 0;
    ShowPreviousButton(false);
    SetNextButton(true, true);
    if (outerTab_) outerTab_->SelectItem(0);
    if (installTab_) installTab_->SelectItem(0);
    if (deleteTab_) deleteTab_->SelectItem(0);
    Send(app::UM_SHOW_ROW_H1, 0);
    Send(app::UM_SHOW_PRINTER_BUTTONS, 0);
    Send(app::UM_SHOW_ROW_H2, 1);
}

void AppState::NextStep() {
    if (outerPage_ == 0) {
        if (outerTab_) {
            outerPage_ = task_ == 1 ? 1 : 2;
            outerTab_->SelectItem(outerPage_);
            if (outerPage_ == 1) EnterInstallStep(0);
            else EnterDeleteStep(0);
        }
    }
    // The pages past the first of each tab are entered by the page logic
    // that fills them; until a tab has it, Next stays on its first page.
    flow_ = outerPage_ == 0 ? 0 : (task_ != 0 ? 1 : 2);
}

void AppState::PreviousStep() {
    if (position_ == 0) {
        if (outerTab_) {
            outerPage_ = 0;
            outerTab_->SelectItem(0);
            GoHome();
        }
    }
}

bool AppState::EnterInstallStep(std::int32_t page) {
    ShowPreviousButton(true);
    if (installTab_ == nullptr) return true;
    if (page == 0) {
        SetNextButton(true, true);
        if (request_.connectionType == ConnectionType::None) {
            if (auto* usb = dynamic_cast<ui::Option*>(installTab_->FindControl(L"option_port_usb")))
                usb->Selected(true, true);
            ShowBluetoothAdapterInfo(false, std::wstring());
            request_.connectionType = ConnectionType::Usb;
        }
    }
    return true;
}

void AppState::EnterDeleteStep(std::int32_t) {
    ShowPreviousButton(true);
    SetNextButton(true, true, L"main.btn.next");
}

void AppState::OnPageClick(ui::Control&) {}

void AppState::OnPageNotify(ui::Notification&) {}

std::intptr_t AppState::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const {
    return ui::SendMessageTo(window_, message, wParam, lParam);
}

void AppState::PostInstallLog(const std::wstring& text, bool error, bool clear) {
    app::UiTextRecord record{text, error, clear, true};
    Send(app::UM_INSTALL_LOG_LINE, 0, reinterpret_cast<std::intptr_t>(&record));
}

void AppState::PostDeleteLog(const std::wstring& text, bool error, bool clear) {
    app::UiTextRecord record{text, error, clear, true};
    Send(app::UM_DELETE_LOG_LINE, 0, reinterpret_cast<std::intptr_t>(&record));
}

void AppState::ShowDeleteBusy(bool on) { Send(app::UM_DELETE_BUSY, on ? 1 : 0); }

void AppState::ShowBluetoothAdapterInfo(bool show, const std::wstring& text) {
    app::UiTextRecord record{text, false, false, true};
    Send(app::UM_BLUETOOTH_ADAPTER_INFO, show ? 1 : 0,
         text.empty() ? 0 : reinterpret_cast<std::intptr_t>(&record));
}

void AppState::ShowPrinterNameInfo(const std::wstring& text, bool error) {
    app::UiTextRecord record{text, error, false, true};
    Send(app::UM_PRINTER_NAME_INFO, 0, reinterpret_cast<std::intptr_t>(&record));
}

void AppState::SetNextButton(bool visible, bool enable, const std::wstring& label) {
    app::UiTextRecord record{label, false, false, enable};
    Send(app::UM_NEXT_BUTTON_STATE, visible ? 1 : 0, reinterpret_cast<std::intptr_t>(&record));
}

void AppState::ShowPreviousButton(bool visible) { Send(app::UM_PREVIOUS_BUTTON_STATE, visible ? 1 : 0); }

void AppState::ShowInformation(const std::wstring& text) const {
    ui::ShowMessageBox(window_, text, app::TranslateKey(L"tip.dlgtitle"), ui::mb::kIconInformation);
}

bool AppState::AskOkCancel(const std::wstring& text) const {
    return ui::ShowMessageBox(window_, text, app::TranslateKey(L"tip.dlgtitle"),
                              ui::mb::kOkCancel | ui::mb::kIconInformation) == ui::mb::kIdOk;
}

}  // namespace wizard
