// The About pop-up: the program's version and build date. Modal over the
// main window; it deletes itself when its window is gone.
#pragma once

#include "ui/Window.h"

namespace app {

class CPopAbout : public ui::Window {
public:
    static constexpr std::uint32_t kStyle = ui::ws::kPopup | ui::ws::kVisible;
    static constexpr std::uint32_t kExStyle = ui::ws::kExToolWindow | ui::ws::kExTopmost;

protected:
    std::wstring GetWindowClassName() const override { return L"PopAbout"; }
    std::wstring GetSkinFile() const override { return L"pop_about.xml"; }
    void InitWindow() override;
    void OnClick(ui::Notification& notification) override;
    std::intptr_t OnSysCommand(std::uintptr_t command, std::intptr_t lParam, bool& handled) override;
    void OnFinalMessage() override { delete this; }

private:
    ui::Control* closeButton_ = nullptr;
};

// What the language and About pop-ups do with a system command: SC_CLOSE
// ends the program; after any other, the maximise and restore buttons
// follow the window's state.
std::intptr_t PopupSysCommand(ui::Window& window, std::uintptr_t command, std::intptr_t lParam);

}  // namespace app
