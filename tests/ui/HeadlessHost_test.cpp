#include "ui/Window.h"
#include "ui/headless/Desktop.h"

#include "support/TestPackage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using ui::headless::Desktop;
using ui::headless::UiThread;

constexpr unsigned kRecord = 0x2000;
constexpr unsigned kOpenModal = 0x2001;

class RecordingWindow : public ui::Window {
public:
    std::vector<std::intptr_t> received;
    std::thread::id handledOn;
    bool finalMessage = false;

protected:
    std::wstring GetWindowClassName() const override { return L"RecordingWnd"; }
    std::wstring GetSkinFile() const override { return L"plain.xml"; }
    std::intptr_t HandleCustomMessage(unsigned message, std::uintptr_t, std::intptr_t lParam, bool& handled) override;
    void OnFinalMessage() override { finalMessage = true; }
};

class ModalPopup : public ui::Window {
public:
    static inline std::atomic<bool> deleted{false};
    ~ModalPopup() override { deleted = true; }

protected:
    std::wstring GetWindowClassName() const override { return L"ModalWnd"; }
    std::wstring GetSkinFile() const override { return L"plain.xml"; }
    void OnClick(ui::Notification&) override { Close(7); }
    void OnFinalMessage() override { delete this; }
};

std::intptr_t RecordingWindow::HandleCustomMessage(unsigned message, std::uintptr_t, std::intptr_t lParam,
                                                   bool& handled) {
    handled = true;
    if (message == kRecord) {
        handledOn = std::this_thread::get_id();
        received.push_back(lParam);
        return lParam * 2;
    }
    if (message == kOpenModal) {
        auto* popup = new ModalPopup;
        popup->Create(ui::WindowCreation{}.Owner(Handle()).Size(100, 100));
        return popup->ShowModal();
    }
    handled = false;
    return 0;
}

class HeadlessHost : public ::testing::Test {
protected:
    void SetUp() override {
        Desktop::Instance().Reset();
        testing_support::UsePackage({{"plain.xml", "<Window size=\"200,100\"><VerticalLayout><Button name=\"ok\"/>"
                                                   "</VerticalLayout></Window>"}});
    }
};

TEST_F(HeadlessHost, SendFromAWorkerRunsOnTheWindowsThreadAndWaits) {
    UiThread ui;
    RecordingWindow window;
    ui.Run([&] { window.Create(ui::WindowCreation{}.Caption(L"w").Size(10, 10)); });
    std::intptr_t result = 0;
    std::thread worker([&] { result = window.SendMessage(kRecord, 0, 21); });
    worker.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(window.handledOn, ui.Id());
    const ui::WindowHandle handle = window.Handle();
    ASSERT_EQ(ui::SendMessageTo(handle, kRecord, 0, 1), 2) << "alive, it answers";
    ui.Run([&] { window.Destroy(); });
    EXPECT_TRUE(window.finalMessage);
    // After the window is gone a send to its old handle has no effect.
    EXPECT_EQ(ui::SendMessageTo(handle, kRecord, 0, 1), 0);
}

TEST_F(HeadlessHost, AThousandSendsFromAWorkerArriveInOrderWhileTheUiIsBusy) {
    UiThread ui;
    RecordingWindow window;
    ui.Run([&] { window.Create(ui::WindowCreation{}.Caption(L"w").Size(10, 10)); });
    // Keep the UI thread busy before the worker starts sending.
    ui.Post([] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
    std::thread worker([&] {
        for (int i = 0; i < 1000; ++i) window.SendMessage(kRecord, 0, i);
    });
    worker.join();
    ui.WaitIdle();
    ASSERT_EQ(window.received.size(), 1000u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(window.received[static_cast<std::size_t>(i)], i);
    ui.Run([&] { window.Destroy(); });
}

TEST_F(HeadlessHost, AModalLoopStillHandlesSendsAndDisablesItsOwner) {
    UiThread ui;
    RecordingWindow window;
    ui.Run([&] { window.Create(ui::WindowCreation{}.Caption(L"w").Size(10, 10)); });
    ModalPopup::deleted = false;
    std::intptr_t modalResult = -1;
    std::thread opener([&] { modalResult = window.SendMessage(kOpenModal); });
    // Wait until the pop-up is up: its loop is then the UI thread's loop.
    for (int i = 0; i < 1000 && !Desktop::Instance().FindWindowByClass(L"ModalWnd"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ui.WaitIdle();
    ui::Window* popup = Desktop::Instance().FindWindowByClass(L"ModalWnd");
    ASSERT_NE(popup, nullptr);

    std::thread worker([&] { window.SendMessage(kRecord, 0, 5); });
    worker.join();
    EXPECT_EQ(window.received, std::vector<std::intptr_t>{5});

    bool ownerClick = true, popupClick = false;
    ui.Run([&] {
        ownerClick = ui::headless::Click(window, L"ok");
        popupClick = ui::headless::Click(*popup, L"ok");
    });
    EXPECT_FALSE(ownerClick);
    EXPECT_TRUE(popupClick);
    opener.join();
    EXPECT_EQ(modalResult, 7);
    EXPECT_TRUE(ModalPopup::deleted);
    bool ownerClickAfter = false;
    ui.Run([&] { ownerClickAfter = ui::headless::Click(window, L"ok"); });
    EXPECT_TRUE(ownerClickAfter);
    ui.Run([&] { window.Destroy(); });
}

TEST_F(HeadlessHost, MessageBoxesAreRecordedAndAnsweredAsScripted) {
    Desktop::Instance().ScriptAnswers({ui::mb::kIdCancel});
    EXPECT_EQ(ui::ShowMessageBox(nullptr, L"delete?", L"caption", ui::mb::kOkCancel | ui::mb::kIconInformation),
              ui::mb::kIdCancel);
    int answer = 0;
    std::thread worker([&] { answer = ui::ShowMessageBox(nullptr, L"done", L"caption", ui::mb::kIconInformation); });
    worker.join();
    EXPECT_EQ(answer, ui::mb::kIdOk);
    const auto boxes = Desktop::Instance().MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].style, 0x41u);
    EXPECT_EQ(boxes[1].text, L"done");
    EXPECT_NE(boxes[1].thread, std::this_thread::get_id());
}

TEST_F(HeadlessHost, QuitEndsTheLoopWithItsCode) {
    ui::PostQuitMessage(3);
    EXPECT_EQ(ui::RunMessageLoop(), 3);
}

}  // namespace
