#include "app/PopAbout.h"

#include "common/Localisation.h"
#include "ui/WindowHost.h"
#include "wizard/AppState.h"

namespace app {

void CPopAbout::InitWindow() {
    closeButton_ = FindControl(L"closebtn");
    if (ui::Control* version = FindControl(L"app_version")) version->SetText(common::FormatText(L"Version:    %s", L"V1.0.7"));
    if (ui::Control* date = FindControl(L"app_time")) date->SetText(common::FormatText(L"BuildDate:  %s", L"2024-12-04 "));
    CenterWindow();  // on its owner before it is shown, as the main window
}

void CPopAbout::OnClick(ui::Notification& notification) {
    if (notification.sender != nullptr && notification.sender == closeButton_) Close(0);
}

std::intptr_t CPopAbout::OnSysCommand(std::uintptr_t command, std::intptr_t lParam, bool& handled) {
    handled = true;
    return PopupSysCommand(*this, command, lParam);
}

std::intptr_t PopupSysCommand(ui::Window& window, std::uintptr_t command, std::intptr_t lParam) {
    if ((command & 0xFFF0) == ui::sc::kClose) {
        // Alt+F4 here quits the program; while a worker runs, the main
        // window says so and closes when it ends.
        wizard::AppState& state = wizard::AppState::Instance();
        ui::Window* main = state.CriticalWorkRunning() ? ui::WindowFromHandle(state.MainWindow()) : nullptr;
        if (main != nullptr) main->Close(0);
        else ui::PostQuitMessage(0);
        return 0;
    }
    const bool wasMaximized = window.IsMaximized();
    const std::intptr_t result = window.DefaultProc(ui::wm::kSysCommand, command, lParam);
    const bool maximized = window.IsMaximized();
    if (maximized != wasMaximized) {
        if (ui::Control* max = window.FindControl(L"maxbtn")) max->SetVisible(!maximized);
        if (ui::Control* restore = window.FindControl(L"restorebtn")) restore->SetVisible(maximized);
    }
    return result;
}

}  // namespace app
