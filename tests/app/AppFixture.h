// Shared set-up of the application tests: the real resource package the
// build packs from skin/, a fresh simulated machine, a fresh text store and
// desktop, and an AppState of the test's own.
#pragma once

#include "app/MainWnd.h"
#include "os/sim/Machine.h"
#include "os/ErrorText.h"
#include "ui/TextManager.h"
#include "ui/Toolkit.h"
#include "ui/headless/Desktop.h"
#include "wizard/AppState.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace testing_support {

inline void UseBuiltPackage() {
    static const std::vector<char> bytes = [] {
        std::ifstream in(SKIN_PACKAGE_PATH, std::ios::binary);
        return std::vector<char>{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }();
    ASSERT_EQ(ui::Toolkit::Process().Package().Open(bytes.data(), bytes.size(), "wqm19990707"), ui::ZipError::None);
}

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        os::sim::TheMachine().Reset();
        ui::headless::Desktop::Instance().Reset();
        ui::TextManager::Process().Clear();
        os::SetMessageLanguage(1033);
        UseBuiltPackage();
        state = std::make_unique<wizard::AppState>();
        state->FillLanguageTable();
    }

    // Creates the main window on the calling thread.
    app::CMainWnd& OpenMainWindow() {
        mainWindow = std::make_unique<app::CMainWnd>(*state);
        EXPECT_TRUE(mainWindow->Create(ui::WindowCreation{}.Caption(L"printer driver").Size(560, 400)));
        return *mainWindow;
    }

    void TearDown() override {
        if (mainWindow && mainWindow->IsWindow()) mainWindow->Destroy();
        mainWindow.reset();
    }

    template <class T>
    T& Get(const wchar_t* name) {
        T* control = mainWindow->Find<T>(name);
        EXPECT_NE(control, nullptr) << "no control " << std::string(name, name + std::wcslen(name));
        return *control;
    }

    std::unique_ptr<wizard::AppState> state;
    std::unique_ptr<app::CMainWnd> mainWindow;
};

}  // namespace testing_support
