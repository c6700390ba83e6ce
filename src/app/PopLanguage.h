// The language pop-up: one radio button per language; choosing one switches
// the whole program's language at once. Modal over the main window; it
// deletes itself when its window is gone.
#pragma once

#include "ui/Window.h"
#include "wizard/AppState.h"

namespace app {

class CPopLanguage : public ui::Window {
public:
    static constexpr std::uint32_t kStyle = ui::ws::kPopup | ui::ws::kCaption | ui::ws::kSysMenu | ui::ws::kVisible |
                                             ui::ws::kClipSiblings | ui::ws::kClipChildren;

    explicit CPopLanguage(wizard::AppState& state) : state_(state) {}

protected:
    std::wstring GetWindowClassName() const override { return L"PopAbout"; }
    std::wstring GetSkinFile() const override { return L"pop_language.xml"; }
    void InitWindow() override;
    void OnClick(ui::Notification& notification) override;
    std::intptr_t OnSysCommand(std::uintptr_t command, std::intptr_t lParam, bool& handled) override;
    void OnFinalMessage() override { delete this; }

private:
    void SwitchLanguage(const ui::Control& button);

    wizard::AppState& state_;
    ui::Control* closeButton_ = nullptr;
};

}  // namespace app
