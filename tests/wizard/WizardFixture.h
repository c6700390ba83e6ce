// Walking the install wizard through the real main window on the headless
// host and the simulated machine, as a user would: clicks, typing, and the
// worker threads' sends handled by this (the UI) thread.
#pragma once

#include "app/AppFixture.h"
#include "common/Messages.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class WizardFixture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        window = &OpenMainWindow();
    }

    void TearDown() override {
        // A worker must end before the state it writes goes away; its last
        // sends are handled here.
        EXPECT_TRUE(PumpUntil([this] { return machine.RunningThreads() == 0; })) << "a worker did not end";
        AppFixture::TearDown();
    }

    bool Click(const wchar_t* name) { return ui::headless::Click(*window, name); }
    bool Type(const wchar_t* name, const std::wstring& text) { return ui::headless::Type(*window, name, text); }
    bool Next() { return Click(L"btn_setup_next"); }
    bool Previous() { return Click(L"btn_setup_previous"); }

    // Runs the sends of workers until `done` holds (false after 10 s).
    static bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            ui::headless::ProcessPending();
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    int Page() { return Get<ui::TabLayout>(L"tab_switch_install").CurrentSel(); }
    bool NextShown() { return Get<ui::Control>(L"btn_setup_next").IsShown(); }
    bool PreviousShown() { return Get<ui::Control>(L"btn_setup_previous").IsShown(); }

    // From home to page 0 of the install tab with `option` chosen.
    void ChooseConnection(const wchar_t* option) {
        ASSERT_TRUE(Next());
        ASSERT_EQ(Page(), 0);
        ASSERT_TRUE(Click(option));
    }

    // Next from page 0 of the USB path; waits for the search to end.
    void SearchUsb() {
        ASSERT_TRUE(Next());
        ASSERT_TRUE(PumpUntil([this] { return Page() != 1; })) << "the search never ended";
    }

    ui::List& ListOf(const wchar_t* name) { return Get<ui::List>(name); }

    ui::ListContainerElement& Row(const wchar_t* list, std::size_t index) {
        auto* row = dynamic_cast<ui::ListContainerElement*>(ListOf(list).ItemAt(index));
        EXPECT_NE(row, nullptr) << "no row " << index;
        return *row;
    }

    std::wstring Column(const wchar_t* list, std::size_t index, int column) {
        ui::Control* label = Row(list, index).FindControl(L"label" + std::to_wstring(column));
        return label ? label->Text() : L"<none>";
    }

    std::vector<std::wstring> FirstColumn(const wchar_t* list) {
        std::vector<std::wstring> texts;
        for (std::size_t i = 0; i < ListOf(list).Count(); ++i) texts.push_back(Column(list, i, 1));
        return texts;
    }

    // The rows whose radio mark is on.
    std::vector<std::size_t> MarkedRows(const wchar_t* list) {
        std::vector<std::size_t> marked;
        for (std::size_t i = 0; i < ListOf(list).Count(); ++i)
            if (auto* option = Find<ui::Option>(Row(list, i)); option && option->IsSelected()) marked.push_back(i);
        return marked;
    }

    // A user's click on a row.
    bool ClickRow(const wchar_t* list, std::size_t index) { return Row(list, index).Activate(); }

    template <class T>
    static T* Find(ui::Control& control) {
        if (auto* found = dynamic_cast<T*>(&control)) return found;
        if (ui::Container* container = control.AsContainer())
            for (std::size_t i = 0; i < container->Count(); ++i)
                if (T* inner = Find<T>(*container->ItemAt(i))) return inner;
        return nullptr;
    }

    std::vector<ui::headless::MessageBoxRecord> Boxes() { return ui::headless::Desktop::Instance().MessageBoxes(); }

    void AddPrinter(const std::wstring& name) {
        machine.spooler.printers.push_back(os::sim::Printer{name, L"A4 Printer(300dpi)", L"USB001"});
    }
    void AddPort(const std::wstring& name, const std::wstring& monitor = L"Local Port") {
        machine.spooler.ports.push_back(os::sim::Port{name, L"Local Port", monitor, {}});
    }

    os::sim::Machine& machine = os::sim::TheMachine();
    app::CMainWnd* window = nullptr;
};

}  // namespace testing_support
