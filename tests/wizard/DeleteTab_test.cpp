// The delete tab through the real main window on the simulated machine: the
// two lists with their filters, the check marks that live in the choices,
// the summary, and the removal worker's whole delete log.
#include "LogLines.h"
#include "WizardFixture.h"
#include "ui/Utf.h"
#include "wizard/DriverPackage.h"
#include "wizard/Unattended.h"

#include <filesystem>
#include <fstream>

namespace {

using Operation = os::sim::Operation;
using testing_support::WizardFixture;
using namespace testing_support;

constexpr wchar_t kPrinters[] = L"listex_delete_printer";
constexpr wchar_t kDrivers[] = L"listex_delete_driver";
constexpr wchar_t k203[] = L"A4 Printer(203dpi)";
constexpr wchar_t k300[] = L"A4 Printer(300dpi)";
constexpr wchar_t kOther[] = L"HP Universal Printing PCL 6";
constexpr wchar_t kX64[] = L"Windows x64";

class DeleteTab : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        auto& spooler = machine.spooler;
        spooler.printers = {{L"A4 Office", k203, L"USB001"},
                            {L"A4 Office (Copy 1)", k203, L"USB001"},
                            {L"Front Desk", k300, L"LPT1:"},
                            {L"Laser", kOther, L"LPT1:"}};
        spooler.drivers = {Driver(k203, L"C:\\Windows\\INF\\oem7.inf"), Driver(k300, L"C:\\Windows\\INF\\oem8.inf"),
                           Driver(kOther, L"C:\\Windows\\INF\\hpcu.inf")};
        spooler.driverPackages = {{L"C:\\Windows\\INF\\oem7.inf"}, {L"C:\\Windows\\INF\\oem8.inf"}};
    }

    static os::sim::Driver Driver(const std::wstring& name, const std::wstring& inf) {
        os::sim::Driver driver;
        driver.name = name;
        driver.infPath = inf;
        driver.environment = kX64;
        return driver;
    }

    // From home to page 0 of the delete tab.
    void OpenDeleteTab() {
        ASSERT_TRUE(Click(L"option_delete"));
        ASSERT_TRUE(Next());
        ASSERT_EQ(DeletePage(), 0);
    }

    int DeletePage() { return Get<ui::TabLayout>(L"tab_switch_delete").CurrentSel(); }

    ui::ListTextExtElement& CheckRow(const wchar_t* list, std::size_t index) {
        auto* row = dynamic_cast<ui::ListTextExtElement*>(ListOf(list).ItemAt(index));
        EXPECT_NE(row, nullptr) << "no row " << index;
        return *row;
    }

    // Each row as "name" or "name [x]" when it is checked.
    std::vector<std::wstring> Rows(const wchar_t* list) {
        std::vector<std::wstring> rows;
        for (std::size_t i = 0; i < ListOf(list).Count(); ++i)
            rows.push_back(CheckRow(list, i).ColumnText(1) + (CheckRow(list, i).IsChecked() ? L" [x]" : L""));
        return rows;
    }

    std::size_t IndexOf(const wchar_t* list, const std::wstring& name) {
        for (std::size_t i = 0; i < ListOf(list).Count(); ++i)
            if (CheckRow(list, i).ColumnText(1) == name) return i;
        ADD_FAILURE() << "no row named " << std::string(name.begin(), name.end());
        return 0;
    }

    // The user ticks the row's box: the toolkit flips the mark, then the
    // click goes on to the row.
    void Tick(const wchar_t* list, const std::wstring& name) { CheckRow(list, IndexOf(list, name)).ClickCheckBox(); }
    // The user clicks the row's text.
    void ClickText(const wchar_t* list, const std::wstring& name) { CheckRow(list, IndexOf(list, name)).Activate(); }

    std::vector<std::wstring> CheckedPrinters() { return state->CheckedPrinters(); }
    std::vector<std::wstring> CheckedDrivers() {
        return {state->CheckedDrivers().begin(), state->CheckedDrivers().end()};
    }

    bool NextEnabled() { return Get<ui::Control>(L"btn_setup_next").IsEnabled(); }

    // Through the summary into the removal, and until the worker has ended.
    void Remove() {
        ASSERT_EQ(DeletePage(), 2);
        ASSERT_TRUE(Next());
        ASSERT_EQ(DeletePage(), 3);
        ASSERT_TRUE(PumpUntil([this] { return machine.RunningThreads() == 0; }));
        ui::headless::ProcessPending();
    }

    std::vector<Line> Log() { return LogLines(Get<ui::RichEdit>(L"wordedit_deleteInfo_start")); }
};

std::vector<Line> DeletedPrinter(const std::wstring& name) {
    return {TipWith(L"tip.startdeleteprinter", name), TipWith(L"tip.deletesuccess", name)};
}
std::vector<Line> Restart() { return {Tip(L"tip.tryrestartprintservice"), Tip(L"tip.startprintserviceok")}; }
std::vector<Line> Failed(const std::wstring& name, std::uint32_t code) {
    return {{common::FormatText(Key(L"tip.deletefail"), name), true}, ErrorWith(L"tip.failreason", code)};
}

TEST_F(DeleteTab, ListsFollowShowAllAndTheSearch) {
    struct Case {
        const char* what;
        bool showAllPrinters;
        const wchar_t* search;
        std::vector<std::wstring> printers;
    };
    const Case cases[] = {
        {"own only", false, L"", {L"A4 Office", L"A4 Office (Copy 1)", L"Front Desk"}},
        {"all", true, L"", {L"A4 Office", L"A4 Office (Copy 1)", L"Front Desk", L"Laser"}},
        {"driver name, any case", false, L"300DPI", {L"Front Desk"}},
        {"a printer's name is not searched", false, L"Office", {}},
        {"all, searched", true, L"pcl", {L"Laser"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state->GoHome();
        state->Filters().showAllPrinters = -1;
        OpenDeleteTab();
        if (c.showAllPrinters) {
            ASSERT_TRUE(Click(L"option_showAll_deletePrinter"));
        }
        EXPECT_EQ(Get<ui::Option>(L"option_showAll_deletePrinter").IsSelected(), c.showAllPrinters)
            << "the click re-lists without touching the option";
        ASSERT_TRUE(Type(L"edit_find_deletePrinter", c.search));
        EXPECT_EQ(Rows(kPrinters), c.printers);
        // Leave the option off for the next case.
        if (c.showAllPrinters) {
            ASSERT_TRUE(Click(L"option_showAll_deletePrinter"));
        }
        ASSERT_TRUE(Type(L"edit_find_deletePrinter", L""));
    }

    ASSERT_TRUE(Next());
    EXPECT_EQ(Rows(kDrivers), (std::vector<std::wstring>{k203, k300}));
    ASSERT_TRUE(Click(L"option_showAll_deleteDriver"));
    EXPECT_EQ(Rows(kDrivers), (std::vector<std::wstring>{k203, k300, kOther}));
    // Back and forth: the page's own entry brings the option in line again.
    ASSERT_TRUE(Previous());
    ASSERT_TRUE(Next());
    EXPECT_TRUE(Get<ui::Option>(L"option_showAll_deleteDriver").IsSelected());
    EXPECT_EQ(Rows(kDrivers).size(), 3u);
}

TEST_F(DeleteTab, MarksLiveInTheChoicesAcrossPagesAndListings) {
    OpenDeleteTab();
    // A tick is one change, not undone by the click that follows it.
    Tick(kPrinters, L"A4 Office");
    EXPECT_EQ(CheckedPrinters(), (std::vector<std::wstring>{L"A4 Office"}));
    EXPECT_EQ(Rows(kPrinters)[0], L"A4 Office [x]");
    // A click on the text flips the mark too.
    ClickText(kPrinters, L"A4 Office (Copy 1)");
    EXPECT_EQ(CheckedPrinters(), (std::vector<std::wstring>{L"A4 Office", L"A4 Office (Copy 1)"}));

    ASSERT_TRUE(Next());
    Tick(kDrivers, k300);
    ClickText(kDrivers, k203);
    ClickText(kDrivers, k203);
    EXPECT_EQ(CheckedDrivers(), (std::vector<std::wstring>{k300}));
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Rows(kPrinters),
              (std::vector<std::wstring>{L"A4 Office [x]", L"A4 Office (Copy 1) [x]", L"Front Desk"}));
    ASSERT_TRUE(Type(L"edit_find_deletePrinter", L"203"));
    EXPECT_EQ(Rows(kPrinters), (std::vector<std::wstring>{L"A4 Office [x]", L"A4 Office (Copy 1) [x]"}));

    // Unchecking goes by containment: the copy goes with the original.
    Tick(kPrinters, L"A4 Office");
    EXPECT_TRUE(CheckedPrinters().empty());
    EXPECT_TRUE(CheckRow(kPrinters, 1).IsChecked()) << "the row itself is not re-listed";
    Tick(kPrinters, L"A4 Office");
    EXPECT_EQ(CheckedPrinters(), (std::vector<std::wstring>{L"A4 Office"}));
    ASSERT_TRUE(Type(L"edit_find_deletePrinter", L""));
    EXPECT_EQ(Rows(kPrinters), (std::vector<std::wstring>{L"A4 Office [x]", L"A4 Office (Copy 1)", L"Front Desk"}));

    // A checked name that contains a listed one shows that row checked.
    ClickText(kPrinters, L"A4 Office");
    ClickText(kPrinters, L"A4 Office (Copy 1)");
    EXPECT_EQ(CheckedPrinters(), (std::vector<std::wstring>{L"A4 Office (Copy 1)"}));
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Rows(kPrinters),
              (std::vector<std::wstring>{L"A4 Office [x]", L"A4 Office (Copy 1) [x]", L"Front Desk"}));
}

TEST_F(DeleteTab, TheSummaryAddsAChosenDriversPrinters) {
    OpenDeleteTab();
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    ASSERT_EQ(DeletePage(), 2);
    // The button takes the key and shows its translation.
    EXPECT_EQ(Get<ui::Control>(L"btn_setup_next").Text(), L"main.btn.startDelete");
    EXPECT_FALSE(NextEnabled()) << "nothing to remove";
    const std::wstring empty = Key(L"gb.title.printer") + L":\r\n" + Key(L"gb.title.driver") + L":\r\n";
    EXPECT_EQ(Get<ui::RichEdit>(L"wordedit_deleteInfo").Content(), empty);

    ASSERT_TRUE(Previous());
    Tick(kDrivers, k203);
    ASSERT_TRUE(Next());
    EXPECT_TRUE(NextEnabled());
    EXPECT_EQ(Get<ui::RichEdit>(L"wordedit_deleteInfo").Content(),
              Key(L"gb.title.printer") + L":\r\n     A4 Office\r\n     A4 Office (Copy 1)\r\n" +
                  Key(L"gb.title.driver") + L":\r\n     A4 Printer(203dpi)\r\n");
    ASSERT_TRUE(Previous());
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Rows(kPrinters),
              (std::vector<std::wstring>{L"A4 Office [x]", L"A4 Office (Copy 1) [x]", L"Front Desk"}));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Get<ui::Control>(L"btn_setup_next").Text(), L"main.btn.next") << "only the summary renames it";
}

TEST_F(DeleteTab, OnlyPrintersNeedNoRestart) {
    OpenDeleteTab();
    Tick(kPrinters, L"A4 Office");
    Tick(kPrinters, L"Front Desk");
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    Remove();
    EXPECT_EQ(Log(), DeletedPrinter(L"A4 Office") + DeletedPrinter(L"Front Desk"));
    EXPECT_EQ(machine.spooler.printers.size(), 2u);
    EXPECT_EQ(machine.sleeps, (std::vector<std::uint32_t>{200, 200}));
    EXPECT_TRUE(CheckedPrinters().empty());
    EXPECT_TRUE(Get<ui::Control>(L"hor_btn_h1").IsVisible());
    EXPECT_FALSE(Get<ui::Control>(L"hor_btn_h2").IsVisible());
    EXPECT_FALSE(Get<ui::Control>(L"ani_gif_delete").IsVisible());
    EXPECT_TRUE(Get<ui::Control>(L"btn_setup_index").IsEnabled());
    EXPECT_FALSE(state->RemovalRunning());
}

// Protected print mode blocks installs, not removals: what is left of ours
// goes as on any machine.
TEST_F(DeleteTab, ProtectedPrintModeLeavesTheRemovalAlone) {
    machine.protectedPrint = true;
    OpenDeleteTab();
    ASSERT_TRUE(Next());
    Tick(kDrivers, k300);
    ASSERT_TRUE(Next());
    Remove();
    EXPECT_EQ(machine.FindDriver(k300), nullptr);
    for (const Line& line : Log()) EXPECT_FALSE(line.error) << testing::PrintToString(line.text);
}

// A driver with its printers, its package, and the spooler restarted around
// it; on 64-bit Windows from the 32-bit program, so the x64 environment
// must be named (NULL would reach only x86 drivers).
TEST_F(DeleteTab, ADriverWithItsPrintersAndItsPackage) {
    machine.spooler.drivers[1].loadedBySpooler = true;  // released only by the restart
    OpenDeleteTab();
    ASSERT_TRUE(Next());
    Tick(kDrivers, k300);
    ASSERT_TRUE(Next());
    Remove();
    const std::vector<Line> driver = {TipWith(L"tip.startdeletedriver", k300), TipWith(L"tip.deletesuccess", k300),
                                      TipWith(L"tip.startdeletepack", k300), TipWith(L"tip.deletesuccess", k300)};
    EXPECT_EQ(Log(), DeletedPrinter(L"Front Desk") + Restart() + driver);
    EXPECT_EQ(machine.FindDriver(k300), nullptr);
    ASSERT_EQ(machine.spooler.driverPackages.size(), 1u);
    EXPECT_EQ(machine.spooler.driverPackages[0].infPath, L"C:\\Windows\\INF\\oem7.inf");
    EXPECT_EQ(machine.sleeps, (std::vector<std::uint32_t>{200, 500, 200}));
    EXPECT_TRUE(CheckedDrivers().empty());
}

// One of the driver's printers cannot be deleted, so the driver is still in
// use after the restart.
TEST_F(DeleteTab, ADriverStillInUseRestartsTwiceAndIsNotRetried) {
    OpenDeleteTab();
    ASSERT_TRUE(Next());
    Tick(kDrivers, k203);
    ASSERT_TRUE(Next());
    machine.FailCall(Operation::DeletePrinter, 5);
    Remove();
    EXPECT_EQ(Log(), std::vector<Line>{TipWith(L"tip.startdeleteprinter", L"A4 Office")} + Failed(L"A4 Office", 5) +
                         DeletedPrinter(L"A4 Office (Copy 1)") + Restart() +
                         std::vector<Line>{TipWith(L"tip.startdeletedriver", k203)} + Restart() +
                         Failed(k203, 3001));
    EXPECT_NE(machine.FindDriver(k203), nullptr);
    EXPECT_EQ(machine.FindService(L"Spooler")->state, os::kServiceRunning);
}

// A refusal without a reason is still a failure, with the general error.
TEST_F(DeleteTab, AFailureWithoutAReasonReadsAsError31) {
    OpenDeleteTab();
    ASSERT_TRUE(Next());
    Tick(kDrivers, k203);
    ASSERT_TRUE(Next());
    machine.FailCall(Operation::DeletePrinter, os::sim::kFailWithoutError);
    Remove();
    const std::vector<Line> log = Log();
    const std::vector<Line> failed = Failed(L"A4 Office", 31);
    EXPECT_NE(std::search(log.begin(), log.end(), failed.begin(), failed.end()), log.end());
}

// A printer with queued jobs is only marked for deletion, as on Windows:
// the log says it was deleted, its driver stays in use, and the printer
// goes when its jobs end.
TEST_F(DeleteTab, APrinterWithJobsGoesOnlyWithItsLastJob) {
    machine.FindPrinter(L"A4 Office")->jobs = 2;
    OpenDeleteTab();
    ASSERT_TRUE(Next());
    Tick(kDrivers, k203);
    ASSERT_TRUE(Next());
    Remove();
    EXPECT_EQ(Log(), DeletedPrinter(L"A4 Office") + DeletedPrinter(L"A4 Office (Copy 1)") + Restart() +
                         std::vector<Line>{TipWith(L"tip.startdeletedriver", k203)} + Restart() +
                         Failed(k203, 3001));
    ASSERT_NE(machine.FindPrinter(L"A4 Office"), nullptr);
    EXPECT_TRUE(machine.FindPrinter(L"A4 Office")->pendingDeletion);
    machine.EndJobs(L"A4 Office");
    EXPECT_EQ(machine.FindPrinter(L"A4 Office"), nullptr);
}

// What the printui install left beyond the spooler (its staging folder, and
// the certificate it imported) goes with the last driver of ours, and only
// then; another publisher's certificate stays.
// SYSTEM deletes the staging tree: a link inside it is removed, never
// followed; a tree in a folder that others may change (the C:\PrinterDriver
// fallback, made first by a user) is not deleted at all.
TEST_F(DeleteTab, TheStagingTreeIsDeletedOnlyWhereUsersCannotSwapIt) {
    const std::wstring root = L"C:\\Program Files (x86)\\PrinterDriver";
    const std::wstring stage = root + L"\\RMXTavrin";
    const std::wstring outside = L"C:\\Users\\Public\\Keep";
    for (const bool userOwned : {false, true}) {
        SCOPED_TRACE(userOwned ? "a folder users may change" : "a link inside");
        TearDown();
        SetUp();
        std::filesystem::create_directories(machine.HostPath(stage));
        std::filesystem::create_directories(machine.HostPath(outside));
        std::ofstream(machine.HostPath(outside + L"\\kept.txt")) << "kept";
        std::filesystem::create_directory_symlink(machine.HostPath(outside), machine.HostPath(stage + L"\\Driver64"));
        if (userOwned) machine.SetFolderSecurity(root, os::sim::UserFolderSecurity());
        OpenDeleteTab();
        ASSERT_TRUE(Next());
        Tick(kDrivers, k203);
        Tick(kDrivers, k300);
        ASSERT_TRUE(Next());
        Remove();
        EXPECT_TRUE(std::filesystem::exists(machine.HostPath(outside + L"\\kept.txt")));
        EXPECT_EQ(std::filesystem::exists(machine.HostPath(stage)), userOwned);
        const std::vector<Line> log = Log();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().error, userOwned);
    }
}

TEST_F(DeleteTab, TheInstallsLeftoversGoWithTheLastDriverOfOurs) {
    const std::wstring root = L"C:\\Program Files (x86)\\PrinterDriver";
    const std::wstring stage = root + L"\\RMXTavrin";
    std::vector<std::uint8_t> ours;
    ASSERT_TRUE(wizard::ReadPackageFile(wizard::CertificatePackagePath(), ours));
    const std::vector<std::uint8_t> another(ours.rbegin(), ours.rend());
    struct Case {
        std::vector<const wchar_t*> drivers;
        bool leftoversGo;
    };
    const Case cases[] = {{{k300}, false}, {{k203, k300}, true}};
    for (const Case& c : cases) {
        if (&c != cases) {
            TearDown();
            SetUp();
        }
        std::filesystem::create_directories(machine.HostPath(stage + L"\\Driver64"));
        std::ofstream(machine.HostPath(stage + L"\\Driver64\\QuorvelA4.inf")) << "inf";
        machine.trustedPublishers = {another, ours};
        OpenDeleteTab();
        ASSERT_TRUE(Next());
        for (const wchar_t* driver : c.drivers) Tick(kDrivers, driver);
        ASSERT_TRUE(Next());
        Remove();
        const std::vector<Line> log = Log();
        const std::vector<Line> leftovers = {TipWith(L"tip.startdeletestaging", stage), TipWith(L"tip.deletesuccess", stage),
                                             TipWith(L"tip.startdeletecertificate", L"kvtp.cer"),
                                             TipWith(L"tip.deletesuccess", L"kvtp.cer")};
        ASSERT_GE(log.size(), leftovers.size());
        EXPECT_EQ(std::vector<Line>(log.end() - 4, log.end()) == leftovers, c.leftoversGo);
        EXPECT_EQ(machine.FindDriver(k300), nullptr);
        EXPECT_EQ(std::filesystem::exists(machine.HostPath(root)), !c.leftoversGo);
        using Store = std::vector<std::vector<std::uint8_t>>;
        EXPECT_EQ(machine.trustedPublishers, c.leftoversGo ? Store({another}) : Store({another, ours}));
    }
}

// The unattended removal of a printer and its driver writes to its log what
// the delete tab shows for the same choice.
TEST_F(DeleteTab, AnUnattendedRemovalLogsWhatTheTabShows) {
    machine.spooler.drivers[1].loadedBySpooler = true;
    std::filesystem::create_directories(machine.HostPath(L"C:\\Temp"));
    const wizard::UnattendedOutcome outcome = wizard::RunUnattended(
        wizard::ParseCommandLine({L"/remove", L"/printer:Front Desk", L"/driver", L"/log:C:\\Temp\\remove.log"}),
        state->Models(), state->Languages());
    EXPECT_EQ(outcome.exitCode, 0);
    std::vector<Line> unattended;
    std::ifstream file(machine.HostPath(L"C:\\Temp\\remove.log"), std::ios::binary);
    for (std::string line; std::getline(file, line);)
        unattended.push_back({ui::Utf8ToWide(line.substr(30, line.size() - 31)), line.compare(24, 5, "ERROR") == 0});
    ASSERT_GE(unattended.size(), 3u);
    // The run's own: its start, the request it understood, its exit code.
    unattended = std::vector<Line>(unattended.begin() + 2, unattended.end() - 1);

    TearDown();
    SetUp();
    machine.spooler.drivers[1].loadedBySpooler = true;
    OpenDeleteTab();
    ASSERT_TRUE(Next());
    Tick(kDrivers, k300);
    ASSERT_TRUE(Next());
    Remove();
    EXPECT_EQ(unattended, OneLineEach(Log()));
}

TEST_F(DeleteTab, LogsOfTheRarerPaths) {
    struct Case {
        const char* what;
        std::function<void()> prepare;  // after the driver is chosen
        std::vector<Line> log;
    };
    const std::wstring driver = k300;
    const std::vector<Line> removed = {TipWith(L"tip.startdeletedriver", driver), TipWith(L"tip.deletesuccess", driver)};
    const std::vector<Line> package = {TipWith(L"tip.startdeletepack", driver)};
    const Case cases[] = {
        {"gone since the list was shown, and listed again",
         [this] {
             machine.spooler.drivers.erase(machine.spooler.drivers.begin() + 1);
             ASSERT_TRUE(Previous());
             ASSERT_TRUE(Next());
         },
         DeletedPrinter(L"Front Desk")},
        {"no INF path",
         [this] {
             // Listed so, as the older listing level lists every driver.
             machine.spooler.drivers[1].infPath.clear();
             ASSERT_TRUE(Previous());
             ASSERT_TRUE(Next());
         },
         DeletedPrinter(L"Front Desk") + Restart() + removed},
        {"version 5: no packages",
         [this] { machine.version = {5, 1, 2600}; },
         DeletedPrinter(L"Front Desk") + Restart() + removed},
        {"version unknown: no packages",
         [this] { machine.FailCall(Operation::GetVersionEx, 5); },
         DeletedPrinter(L"Front Desk") + Restart() + removed},
        {"spooler already stopped",
         [this] { machine.FindService(L"Spooler")->state = os::kServiceStopped; },
         std::vector<Line>{TipWith(L"tip.startdeleteprinter", L"Front Desk")} + Failed(L"Front Desk", 1722) +
             std::vector<Line>{Tip(L"tip.tryrestartprintservice"), Tip(L"tip.stopprintservicefail"),
                               TipWith(L"tip.startdeletedriver", driver)} +
             Failed(driver, 1722)},
        {"package refused with a last error",
         [this] { machine.FailCall(Operation::DeletePrinterDriverPackage, 5); },
         DeletedPrinter(L"Front Desk") + Restart() + removed + package + Failed(driver, 5)},
        {"package refused by its result alone",
         [this] { machine.spooler.packageResultWithoutLastError = static_cast<std::int32_t>(0x80070005); },
         DeletedPrinter(L"Front Desk") + Restart() + removed + package + Failed(driver, 0x80070005)},
        {"package call missing",
         [this] { machine.spooler.hasDriverPackageApi = false; },
         DeletedPrinter(L"Front Desk") + Restart() + removed + package +
             std::vector<Line>{TipWith(L"tip.deletesuccess", driver)}},
    };
    bool first = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!first) {
            TearDown();
            SetUp();
        }
        first = false;
        OpenDeleteTab();
        ASSERT_TRUE(Next());
        Tick(kDrivers, k300);
        ASSERT_TRUE(Next());
        c.prepare();
        Remove();
        EXPECT_EQ(Log(), c.log);
        if (std::string(c.what) == "spooler already stopped") {
            EXPECT_EQ(machine.FindService(L"Spooler")->state, os::kServiceStopped) << "it stays stopped";
        }
    }
}

// Fax and a service that needs fax are stopped with the spooler; both run
// again afterwards, each after what it needs, and one that will not start
// is a line of its own.
TEST_F(DeleteTab, ServicesThatNeedTheSpoolerRunAgainAfterTheRestart) {
    for (const bool refuses : {false, true}) {
        SCOPED_TRACE(refuses);
        TearDown();
        SetUp();
        os::sim::Service fax;
        fax.name = L"Fax";
        fax.dependsOn = {L"Spooler"};
        fax.startTakesMs = 1500;
        fax.checkPointEveryMs = 500;
        fax.waitHint = 2000;
        os::sim::Service helper;
        helper.name = L"FaxHelper";
        helper.dependsOn = {L"Fax"};
        helper.refuseStart = refuses ? 1058 : 0;
        machine.services.push_back(fax);
        machine.services.push_back(helper);
        OpenDeleteTab();
        ASSERT_TRUE(Next());
        Tick(kDrivers, k300);
        ASSERT_TRUE(Next());
        Remove();
        const std::vector<Line> log = Log();
        const Line failed = TipWith(L"tip.startdependantfail", L"FaxHelper");
        EXPECT_EQ(std::count(log.begin(), log.end(), failed), refuses ? 1 : 0);
        EXPECT_EQ(machine.FindService(L"Fax")->state, os::kServiceRunning);
        EXPECT_EQ(machine.FindService(L"FaxHelper")->state, refuses ? os::kServiceStopped : os::kServiceRunning);
        std::vector<std::wstring> starts;
        for (const auto& event : machine.events)
            if (event.rfind(L"StartService", 0) == 0) starts.push_back(event);
        std::vector<std::wstring> expected = {L"StartService Spooler", L"StartService Fax"};
        if (!refuses) expected.push_back(L"StartService FaxHelper");
        EXPECT_EQ(starts, expected);
    }
}

// A name is an argument of the message, never its format.
TEST_F(DeleteTab, NamesWithPercentSigns) {
    machine.spooler.printers = {{L"100% %s %d Office", k203, L"USB001"}};
    OpenDeleteTab();
    Tick(kPrinters, L"100% %s %d Office");
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    Remove();
    EXPECT_EQ(Log(), DeletedPrinter(L"100% %s %d Office"));
    EXPECT_EQ(Log()[0].text, L"Deleting the printer 100% %s %d Office…");
}

// The way home stays shut while the worker still uses the choices.
TEST_F(DeleteTab, HomeWaitsForTheRemoval) {
    OpenDeleteTab();
    Tick(kPrinters, L"A4 Office");
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    // The worker has started; until its sends are handled it is running.
    EXPECT_TRUE(state->RemovalRunning());
    state->GoHome();
    EXPECT_EQ(DeletePage(), 3) << "home refused while the removal runs";
    ASSERT_TRUE(PumpUntil([this] { return machine.RunningThreads() == 0; }));
    ui::headless::ProcessPending();
    EXPECT_FALSE(state->RemovalRunning());
    ASSERT_TRUE(Click(L"btn_setup_index"));
    EXPECT_EQ(state->OuterPage(), 0);
}

TEST_F(DeleteTab, ARemovalWorkerThatCannotStartLeavesTheSummaryUsable) {
    OpenDeleteTab();
    Tick(kPrinters, L"A4 Office");
    ASSERT_TRUE(Next());
    ASSERT_TRUE(Next());
    machine.FailCall(Operation::CreateThread, 8);
    ASSERT_TRUE(Next());
    EXPECT_EQ(DeletePage(), 2);
    EXPECT_TRUE(NextShown());
    EXPECT_TRUE(NextEnabled());
    EXPECT_TRUE(Get<ui::Control>(L"hor_btn_h2").IsVisible());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, os::SystemErrorText(8));
    EXPECT_EQ(CheckedPrinters(), (std::vector<std::wstring>{L"A4 Office"}));
    EXPECT_FALSE(state->RemovalRunning());
}

}  // namespace
