#include "app/MainWnd.h"

#include "base/Strings.h"
#include "app/CustomControls.h"
#include "ui/ExtraControls.h"
#include "common/Localisation.h"
#include "common/Messages.h"
#include "app/PopAbout.h"
#include "app/PopAddPort.h"
#include "app/PopLanguage.h"
#include "app/SkinFrame.h"
#include "app/ProgressLog.h"
#include "ui/PhaseTrace.h"
#include "os/ErrorText.h"
#include "ui/TextManager.h"

namespace app {
namespace {

constexpr wchar_t kVersion[] = L"V1.0.7";
constexpr wchar_t kDefaultFontFace[] = L"\u5b8b\u4f53";  // "SimSun"
constexpr int kTitleFontRegular = 3;
constexpr int kTitleFontLarge = 22;
constexpr wchar_t kInfoColor[] = L"ff0eed1e";
constexpr wchar_t kErrorColor[] = L"ffff0000";

bool On(std::uintptr_t wParam) { return wParam == 1; }

bool Is(const ui::Control* control, const wchar_t* name) {
    return control != nullptr && base::EqualNoCaseAscii(control->Name(), name);
}

void Show(ui::Control* control, bool visible) {
    if (control) control->SetVisible(visible);
}

const common::UiTextRecord* Record(std::intptr_t lParam) { return reinterpret_cast<const common::UiTextRecord*>(lParam); }

}  // namespace

CMainWnd::CMainWnd(wizard::AppState& state) : state_(state) {}

CMainWnd::~CMainWnd() { SkinBroadcaster::Process().Remove(this); }

void CMainWnd::InitWindow() {
    // This window answers no text of its own: unknown keys show as themselves.
    ui::TextManager::Process().SetFallback([](std::wstring_view) { return std::wstring(); });

    const common::LanguageEntry& language = state_.ChooseStartLanguage();
    ui::TextManager::Process().Load(language.file);
    ui::MarkPhase("language file");
    os::SetMessageLanguage(language.langId);

    SkinBroadcaster::Process().Add(this);

    titleLabel_ = Find<ui::Label>(L"title_lb");
    closeButton_ = Find<ui::Button>(L"closebtn");
    aboutButton_ = Find<ui::Button>(L"btnAbout");
    languageButton_ = Find<ui::Button>(L"btnLan");
    outerTab_ = Find<ui::TabLayout>(L"tab_switch");
    installLog_ = Find<ui::RichEdit>(L"wordedit_installInfo");
    deleteLog_ = Find<ui::RichEdit>(L"wordedit_deleteInfo_start");
    installBusy_ = Find<ui::GifAnim>(L"ani_gif_install");
    deleteBusy_ = Find<ui::GifAnim>(L"ani_gif_delete");
    buttonRow1_ = FindControl(L"hor_btn_h1");
    homeButton_ = FindControl(L"btn_setup_index");
    finishButton_ = FindControl(L"btn_setup_cancel");
    buttonRow2_ = FindControl(L"hor_btn_h2");
    preferencesButton_ = FindControl(L"btn_setup_preferences");
    propertiesButton_ = FindControl(L"btn_setup_properties");
    testPageButton_ = FindControl(L"btn_setup_testpage");
    printerNameInfo_ = FindControl(L"label_show_printername_info");
    previousButton_ = FindControl(L"btn_setup_previous");
    nextButton_ = FindControl(L"btn_setup_next");
    maxButton_ = FindControl(L"maxbtn");
    restoreButton_ = FindControl(L"restorebtn");
    minButton_ = FindControl(L"minbtn");
    skinButton_ = FindControl(L"skinbtn");
    bluetoothAdapterRow_ = FindControl(L"hor_bluetooth_adapter");
    bluetoothAdapterInfo_ = FindControl(L"label_bluetooth_adapter_info");
    auto* installTab = Find<ui::TabLayout>(L"tab_switch_install");
    auto* deleteTab = Find<ui::TabLayout>(L"tab_switch_delete");
    auto* deleteOption = Find<ui::Option>(L"option_delete");

    state_.SetMainWindow(Handle());
    SetTitle();
    state_.SetTabs(outerTab_, installTab, deleteTab);
    state_.SetAddPortDialog(&CPopAddPort::RunModal);
    SendMessage(common::UM_SHOW_ROW_H1, 0);
    SendMessage(common::UM_SHOW_ROW_H2, 1);
    state_.AddOwnDriverName(L"A4 Printer(203dpi)");
    state_.AddOwnDriverName(L"A4 Printer(300dpi)");
    state_.SetTask(wizard::Task::Install);
    if (deleteOption) deleteOption->Selected(false, true);
    state_.GoHome();
    ui::MarkPhase("home page");
    ApplyDefaultFont();
    // Centred before Windows first shows it, so that it does not appear in
    // the screen's corner and then jump; start-up's centring finds it there.
    CenterWindow();
}

void CMainWnd::SetTitle() {
    const std::wstring title = common::TranslateKey(L"mainTitle") + L" - " + kVersion;
    SetCaption(title);
    if (titleLabel_) {
        // Already translated: looked up again on every paint otherwise.
        titleLabel_->SetResourceText(false);
        titleLabel_->SetText(title);
    }
}

void CMainWnd::ApplyDefaultFont() {
    const common::LanguageEntry& language = state_.CurrentLanguage();
    SetDefaultFont(kDefaultFontFace, language.fontSize, false, false, false);
    if (titleLabel_) titleLabel_->SetFont(language.fontSize == 14 ? kTitleFontRegular : kTitleFontLarge);
}

void CMainWnd::Notify(ui::Notification& notification) {
    if (notification.type == L"click") {
        ui::Control* sender = notification.sender;
        if (Is(sender, L"closebtn")) {
            RequestClose();
            return;
        }
        if (Is(sender, L"minbtn") || Is(sender, L"maxbtn") || Is(sender, L"restorebtn")) {
            const std::uintptr_t command = Is(sender, L"minbtn")   ? ui::sc::kMinimize
                                           : Is(sender, L"maxbtn") ? ui::sc::kMaximize
                                                                   : ui::sc::kRestore;
            SendMessage(ui::wm::kSysCommand, command);
            return;
        }
        OnClick(notification);
    }
    // The toolkit has no further handling of its own for these.
    state_.OnPageNotify(notification);
}

void CMainWnd::OnClick(ui::Notification& notification) {
    ui::Control* sender = notification.sender;
    if (sender == nullptr) return;
    state_.OnPageClick(*sender);
    if (Is(sender, L"btnAbout")) {
        auto* about = new CPopAbout;
        if (!about->Create(
                ui::WindowCreation{}.Owner(Handle()).Style(CPopAbout::kStyle).ExStyle(CPopAbout::kExStyle).Size(800, 572))) {
            delete about;
            return;
        }
        about->CenterWindow();
        about->ShowModal();  // deletes itself when its window is gone
    } else if (Is(sender, L"btnLan")) {
        OpenLanguagePopup();
    } else if (Is(sender, L"skinbtn")) {
        CSkinFrame::Open(*this, *sender);
    } else if (Is(sender, L"dpi_btn")) {
        int dpi = 0;
        if (ui::ParseInt(sender->UserData(), dpi)) SetDpi(dpi);
    } else if (Is(sender, L"option_install")) {
        state_.SetTask(wizard::Task::Install);
    } else if (Is(sender, L"option_delete")) {
        state_.SetTask(wizard::Task::Remove);
    } else if (Is(sender, L"btn_setup_previous")) {
        state_.PreviousStep();
    } else if (Is(sender, L"btn_setup_next")) {
        state_.NextStep();
    } else if (Is(sender, L"btn_setup_index")) {
        state_.GoHome();
    } else if (Is(sender, L"btn_setup_cancel")) {
        RequestClose();
    }
}

void CMainWnd::OpenLanguagePopup() {
    auto* popup = new CPopLanguage(state_);
    if (!popup->Create(ui::WindowCreation{}.Owner(Handle()).Style(CPopLanguage::kStyle))) {
        delete popup;
        return;
    }
    popup->CenterWindow();
    popup->ShowModal();  // the pop-up deletes itself when its window is gone
}

void CMainWnd::ShowBusy(ui::GifAnim* animation, bool on) {
    if (animation == nullptr) return;
    animation->SetVisible(on);
    if (on) animation->Play();
    else animation->Stop();
}

std::unique_ptr<ui::Control> CMainWnd::CreateControl(std::wstring_view className) {
    if (className == L"CircleProgress") return std::make_unique<ui::CircleProgress>();
    return nullptr;
}

void CMainWnd::Receive(SkinChangedParam param) {
    ui::Control* root = FindControl(L"root");
    if (root == nullptr) return;
    root->SetBkColor(param.isColor ? param.color : 0);
    root->SetImage(L"bkimage", param.isColor ? std::wstring() : param.image);
}

// Ending the process under an install or removal could leave a driver
// without its printer, or the spooler stopped for everyone: the user is
// told, and the window closes when the worker ends (UM_WORK_ENDED).
void CMainWnd::RequestClose() {
    if (!state_.CriticalWorkRunning()) {
        Destroy();
        return;
    }
    closeForSession_ = false;
    if (closePending_) return;
    closePending_ = true;
    state_.ShowInformation(common::TranslateKey(L"tip.closeafterwork"));
    // The worker may have ended while the box was up.
    if (IsWindow() && !state_.CriticalWorkRunning()) Destroy();
}

// At the end of a run the keyboard lands on Finish, the way out.
void CMainWnd::FocusFinish() {
    if (finishButton_ != nullptr && finishButton_->IsShown()) finishButton_->SetFocus();
}

std::intptr_t CMainWnd::HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                            bool& handled) {
    handled = true;
    switch (message) {
        case ui::wm::kClose:  // Alt+F4, the taskbar, another program
            RequestClose();
            return 0;
        case ui::wm::kQueryEndSession:
            // Honestly: not while a worker runs; the window closes after it.
            if (!state_.CriticalWorkRunning()) {
                handled = false;
                return 0;
            }
            if (!closePending_) closeForSession_ = true;
            closePending_ = true;
            return 0;
        case ui::wm::kEndSession:
            // A shutdown someone cancelled: the window stays, with its log
            // and its buttons, unless the user asked to close it too.
            if (wParam == 0 && closeForSession_) closePending_ = false;
            closeForSession_ = false;
            return 0;
        case common::UM_WORK_ENDED:
            if (closePending_) Destroy();
            return 0;
        case common::UM_LANGUAGE_CHANGED:
            ApplyDefaultFont();
            Invalidate();
            NeedUpdate();
            SetTitle();
            return 0;
        case common::UM_DELETE_LOG_LINE:
            if (deleteLog_ && lParam != 0) AppendLogLine(*deleteLog_, *Record(lParam));
            return 0;
        case common::UM_INSTALL_LOG_LINE:
            if (installLog_ && lParam != 0) AppendLogLine(*installLog_, *Record(lParam));
            return 0;
        case common::UM_DELETE_BUSY:
            ShowBusy(deleteBusy_, On(wParam));
            // The removal shows the row early; its way back home waits for the end.
            if (homeButton_) homeButton_->SetEnabled(!On(wParam));
            removing_ = On(wParam);
            if (!removing_) FocusFinish();
            return 0;
        case common::UM_INSTALL_BUSY: ShowBusy(installBusy_, On(wParam)); return 0;
        case common::UM_SHOW_ROW_H1:
            Show(buttonRow1_, On(wParam));
            if (On(wParam) && !removing_) FocusFinish();
            return 0;
        case common::UM_SHOW_ROW_H2: Show(buttonRow2_, On(wParam)); return 0;
        case common::UM_SHOW_PRINTER_BUTTONS:
            Show(preferencesButton_, On(wParam));
            Show(propertiesButton_, On(wParam));
            Show(testPageButton_, On(wParam));
            return 0;
        case common::UM_PRINTER_NAME_INFO:
            if (printerNameInfo_ && lParam != 0) {
                const common::UiTextRecord& record = *Record(lParam);
                printerNameInfo_->SetAttribute(L"textcolor", record.error ? kErrorColor : kInfoColor);
                printerNameInfo_->SetText(record.text);
            }
            return 0;
        case common::UM_NEXT_BUTTON_STATE:
            if (nextButton_) {
                nextButton_->SetVisible(On(wParam));
                // Without a record only the visibility is known.
                if (lParam == 0) return 0;
                const common::UiTextRecord& record = *Record(lParam);
                nextButton_->SetEnabled(record.enable);
                if (!record.text.empty()) nextButton_->SetText(record.text);
            }
            return 0;
        case common::UM_PREVIOUS_BUTTON_STATE: Show(previousButton_, On(wParam)); return 0;
        case common::UM_GO_NEXT: state_.NextStep(); return 0;
        case common::UM_GO_PREVIOUS: state_.PreviousStep(); return 0;
        case common::UM_BLUETOOTH_ADAPTER_INFO:
            Show(bluetoothAdapterRow_, On(wParam));
            if (lParam != 0 && bluetoothAdapterInfo_) bluetoothAdapterInfo_->SetText(Record(lParam)->text);
            return 0;
        case ui::wm::kDestroy:
            // A worker may still be running: its later sends must reach no
            // window, and the pages must not reach controls that are going.
            state_.SetMainWindow(nullptr);
            state_.SetTabs(nullptr, nullptr, nullptr);
            ui::PostQuitMessage(0);
            return 0;
        case ui::wm::kShowWindow:
            if (minButton_ && minButton_->Parent()) minButton_->Parent()->NeedUpdate();
            Invalidate();
            handled = false;
            return 0;
        case ui::wm::kDpiChanged:
            // The host moves the window to the suggested rectangle.
            SetDpi(static_cast<int>(wParam & 0xFFFF));
            handled = false;
            return 0;
        default:
            handled = false;
            return 0;
    }
}

}  // namespace app
