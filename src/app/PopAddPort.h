// The add-port pop-up: the user picks a port monitor and runs that
// monitor's own add-port dialog, as often as they like, then closes it.
// Modal over the main window; it deletes itself when its window is gone.
#pragma once

#include "ui/Window.h"

#include <string>
#include <vector>

namespace app {

class CPopAddPort : public ui::Window {
public:
    static constexpr std::uint32_t kStyle = ui::ws::kPopup | ui::ws::kCaption | ui::ws::kSysMenu | ui::ws::kVisible |
                                             ui::ws::kClipSiblings | ui::ws::kClipChildren;

    CPopAddPort();
    // Opens the pop-up centred over `owner` and returns when it has closed.
    static void RunModal(ui::WindowHandle owner);

protected:
    std::wstring GetWindowClassName() const override { return L"PopAddPort"; }
    std::wstring GetSkinFile() const override { return L"pop_add_port.xml"; }
    void InitWindow() override;
    void Notify(ui::Notification& notification) override;
    void OnClick(ui::Notification& notification) override;
    std::intptr_t OnSysCommand(std::uintptr_t command, std::intptr_t lParam, bool& handled) override;
    void OnFinalMessage() override { delete this; }

private:
    ui::Control* closeButton_ = nullptr;
    std::vector<std::wstring> monitorNames_;
    std::wstring selectedMonitor_;
};

}  // namespace app
