// The skin chooser: a small borderless pop-up under the skin button, with a
// page of background colours and a page of background images. A choice is
// broadcast to the skin receivers (the main window applies it to its
// "root"); the pop-up stays open for more and closes when it loses the
// focus. It deletes itself when its window is gone.
#pragma once

#include "ui/Window.h"

namespace app {

class CSkinFrame : public ui::Window {
public:
    // No caption; it never takes the activation from the main window.
    static constexpr std::uint32_t kStyle = ui::ws::kPopup | ui::ws::kVisible | ui::ws::kClipSiblings | ui::ws::kClipChildren;
    static constexpr std::uint32_t kExStyle = ui::ws::kExNoActivate | ui::ws::kExTopmost | ui::ws::kExToolWindow;

    // Opens a chooser under `anchor`, a control of `owner`. The object
    // deletes itself when its window is gone; nothing else keeps it.
    static void Open(ui::Window& owner, const ui::Control& anchor);

protected:
    std::wstring GetWindowClassName() const override { return L"UISkinFrame"; }
    std::uint32_t GetClassStyle() const override { return 0x0008; }  // CS_DBLCLKS
    std::wstring GetSkinFile() const override { return L"skin.xml"; }
    std::intptr_t HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                      bool& handled) override;
    void OnClick(ui::Notification& notification) override;
    void OnFinalMessage() override { delete this; }

private:
    CSkinFrame() = default;
};

}  // namespace app
