// The program's one top-level window. It holds references to its controls
// only: the state of both tabs lives in AppState, to which every click and
// notification is forwarded. Its private messages (750-770) are how
// AppState and the workers change the UI.
#pragma once

#include "app/SkinBroadcast.h"
#include "ui/Window.h"
#include "wizard/AppState.h"

namespace app {

class CMainWnd : public ui::Window, public SkinReceiver {
public:
    explicit CMainWnd(wizard::AppState& state = wizard::AppState::Instance());
    ~CMainWnd() override;

    void Receive(SkinChangedParam param) override;

protected:
    std::wstring GetWindowClassName() const override { return L"MainWnd"; }
    std::uint32_t GetClassStyle() const override { return 0x0008; }  // CS_DBLCLKS
    std::wstring GetSkinFile() const override { return L"XML_MAIN"; }
    void InitWindow() override;
    void Notify(ui::Notification& notification) override;
    void OnClick(ui::Notification& notification) override;
    std::intptr_t HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                      bool& handled) override;
    std::unique_ptr<ui::Control> CreateControl(std::wstring_view className) override;

private:
    void FocusFinish();
    // Every way to close the program comes here.
    void RequestClose();
    bool closePending_ = false;  // closes when the running worker ends
    bool closeForSession_ = false;  // only because the session was to end
    void SetTitle();
    void ApplyDefaultFont();
    void OpenLanguagePopup();
    static void ShowBusy(ui::GifAnim* animation, bool on);

    wizard::AppState& state_;
    ui::Label* titleLabel_ = nullptr;
    ui::Button* closeButton_ = nullptr;
    ui::Button* aboutButton_ = nullptr;
    ui::Button* languageButton_ = nullptr;
    ui::TabLayout* outerTab_ = nullptr;
    ui::RichEdit* installLog_ = nullptr;
    ui::RichEdit* deleteLog_ = nullptr;
    ui::GifAnim* installBusy_ = nullptr;
    ui::GifAnim* deleteBusy_ = nullptr;
    ui::Control* buttonRow1_ = nullptr;
    ui::Control* homeButton_ = nullptr;
    ui::Control* finishButton_ = nullptr;
    bool removing_ = false;  // between the removal's busy on and off
    ui::Control* buttonRow2_ = nullptr;
    ui::Control* preferencesButton_ = nullptr;
    ui::Control* propertiesButton_ = nullptr;
    ui::Control* testPageButton_ = nullptr;
    ui::Control* printerNameInfo_ = nullptr;
    ui::Control* previousButton_ = nullptr;
    ui::Control* nextButton_ = nullptr;
    ui::Control* maxButton_ = nullptr;
    ui::Control* restoreButton_ = nullptr;
    ui::Control* minButton_ = nullptr;
    ui::Control* skinButton_ = nullptr;
    ui::Control* bluetoothAdapterRow_ = nullptr;
    ui::Control* bluetoothAdapterInfo_ = nullptr;
};

}  // namespace app
