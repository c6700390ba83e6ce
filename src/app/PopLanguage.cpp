#include "app/PopLanguage.h"

#include "base/Strings.h"
#include "common/Messages.h"
#include "app/PopAbout.h"
#include "os/ErrorText.h"
#include "ui/TextManager.h"

#include <memory>

namespace app {

void CPopLanguage::InitWindow() {
    closeButton_ = FindControl(L"closebtn");
    auto* list = dynamic_cast<ui::Container*>(FindControl(L"verLanList"));
    if (list == nullptr) return;
    const std::wstring radioStyle = StyleAttributes(L"radio_style");
    // The table is ordered by LANGID, so the order does not follow the
    // current language.
    for (const auto& [langId, row] : state_.Languages()) {
        auto* option = static_cast<ui::Option*>(list->Add(std::make_unique<ui::Option>()));
        option->SetResourceText(true);
        option->SetText(row.key);
        option->SetUserData(std::to_wstring(langId));
        option->SetAttribute(L"name", L"radiolan");
        option->ApplyAttributeList(radioStyle);
        option->SetAttribute(L"autocalcwidth", L"true");
        option->SetAttribute(L"minWidth", L"180");
        option->SetAttribute(L"align", L"left");
        option->SetAttribute(L"group", L"lanGroup");
        option->SetAttribute(L"textpadding", L"20,0,6,0");
        if (langId == state_.CurrentLangId()) option->SetAttribute(L"selected", L"true");
    }
    CenterWindow();  // on its owner before it is shown, as the main window
}

void CPopLanguage::OnClick(ui::Notification& notification) {
    ui::Control* sender = notification.sender;
    if (sender == nullptr) return;
    if (sender == closeButton_) {
        Close(0);
    } else if (base::EqualNoCaseAscii(sender->Name(), L"radiolan")) {
        SwitchLanguage(*sender);
    }
}

void CPopLanguage::SwitchLanguage(const ui::Control& button) {
    int value = 0;
    ui::ParseInt(button.UserData(), value);
    const auto langId = static_cast<std::uint16_t>(value);
    const common::LanguageEntry& row = state_.LanguageById(langId);
    state_.SetCurrentLangId(langId);
    ui::TextManager::Process().Load(row.file);
    Invalidate();
    NeedUpdate();
    ui::SendMessageTo(state_.MainWindow(), common::UM_LANGUAGE_CHANGED, 0, 0);
    os::SetMessageLanguage(row.langId);
}

std::intptr_t CPopLanguage::OnSysCommand(std::uintptr_t command, std::intptr_t lParam, bool& handled) {
    handled = true;
    return PopupSysCommand(*this, command, lParam);
}

}  // namespace app
