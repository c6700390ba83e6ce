#include "printsys/ShellCommands.h"

#include "support/SimTest.h"

#include <optional>

namespace {

const auto kOwner = static_cast<os::WindowHandle>(0x1234);
// The machine's default: the 32-bit program on 64-bit Windows.
constexpr wchar_t kNativeRundll32[] = L"C:\\Windows\\Sysnative\\rundll32.exe";
constexpr wchar_t kNativeCertutil[] = L"C:\\Windows\\Sysnative\\certutil.exe";
constexpr wchar_t kSystemRundll32[] = L"C:\\Windows\\System32\\rundll32.exe";

class ShellCommands : public SimTest {};

TEST_F(ShellCommands, CommandLinesShowModesAndWaits) {
    struct Case {
        std::function<void()> run;
        const wchar_t* file;
        const wchar_t* parameters;
        int show;
        bool waited;
    };
    const std::wstring printer = L"A4 Printer(203dpi)";
    const Case cases[] = {
        {[&] { printsys::OpenPrintingPreferences(printer, kOwner); }, kNativeRundll32,
         L" printui.dll, PrintUIEntry /e /n\"A4 Printer(203dpi)\" ", 1, false},
        {[&] { printsys::OpenPrinterProperties(printer, kOwner); }, kNativeRundll32,
         L" printui.dll, PrintUIEntry /p /n\"A4 Printer(203dpi)\" ", 1, false},
        {[&] { printsys::PrintTestPage(printer, kOwner); }, kNativeRundll32,
         L" printui.dll, PrintUIEntry /k /n\"A4 Printer(203dpi)\" ", 1, false},
        {[&] { printsys::AddCertificateToTrustedPublisher(L"C:\\Temp\\A4 Printer.cer", kOwner); }, kNativeCertutil,
         L"-addstore \"TrustedPublisher\" \"C:\\Temp\\A4 Printer.cer\"", 0, true},
        {[&] { printsys::InstallDriverWithPrintUI(L"A4 Printer(300dpi)", L"C:\\Program Files\\A4\\a4.inf", kOwner); },
         kNativeRundll32, L"printui.dll, PrintUIEntry /ia /m \"A4 Printer(300dpi)\" /f \"C:\\Program Files\\A4\\a4.inf\"",
         1, true},
    };
    for (const Case& c : cases) {
        machine.Reset();
        c.run();
        ASSERT_EQ(machine.shellRuns.size(), 1u) << c.parameters;
        const auto& run = machine.shellRuns[0];
        EXPECT_EQ(run.info.mask, 0x40u);
        EXPECT_EQ(run.info.owner, kOwner);
        EXPECT_EQ(run.info.verb, L"open");
        EXPECT_EQ(run.info.file, c.file);
        EXPECT_EQ(run.info.parameters, c.parameters);
        EXPECT_EQ(run.info.show, c.show) << c.parameters;
        EXPECT_EQ(run.waitedFor, c.waited) << c.parameters;
        EXPECT_TRUE(run.handleClosed);
    }
}

// printui must address the driver of the system's own architecture, which
// from a 32-bit process on 64-bit Windows only the native rundll32 does; and
// only a full system path keeps a planted rundll32.exe from running.
TEST_F(ShellCommands, Rundll32IsTheNativeOneByItsFullPath) {
    struct Case {
        const char* what;
        bool wow64;
        bool program64Bit;
        std::optional<os::sim::Operation> failing;
        const wchar_t* file;
    };
    const Case cases[] = {
        {"32-bit program, 64-bit Windows", true, false, std::nullopt, kNativeRundll32},
        {"32-bit Windows", false, false, std::nullopt, kSystemRundll32},
        {"64-bit program", true, true, std::nullopt, kSystemRundll32},
        {"WOW64 unknown", true, false, os::sim::Operation::IsWow64Process, kSystemRundll32},
        {"no Windows folder", true, false, os::sim::Operation::SHGetFolderPath, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.Reset();
        machine.wow64 = c.wow64;
        machine.program64Bit = c.program64Bit;
        if (c.failing) machine.FailCall(*c.failing, 5);
        printsys::InstallDriverWithPrintUI(L"A4 Printer(300dpi)", L"C:\\a4.inf", kOwner);
        if (c.failing) machine.FailCall(*c.failing, 5);
        printsys::PrintTestPage(L"A4 Printer(300dpi)", kOwner);
        if (c.file == nullptr) {
            EXPECT_TRUE(machine.shellRuns.empty());
            continue;
        }
        ASSERT_EQ(machine.shellRuns.size(), 2u);
        EXPECT_EQ(machine.shellRuns[0].info.file, c.file);
        EXPECT_EQ(machine.shellRuns[1].info.file, c.file);
    }
}

TEST_F(ShellCommands, PrinterNamesAreInsertedAsTheyAre) {
    printsys::OpenPrinterProperties(L"Say hi 100%s %d", kOwner);
    ASSERT_EQ(machine.shellRuns.size(), 1u);
    EXPECT_EQ(machine.shellRuns[0].info.parameters, L" printui.dll, PrintUIEntry /p /n\"Say hi 100%s %d\" ");
}

// A quote would end printui's argument: Office" /dl /n "Accounts turns the
// properties into a delete of another printer.
TEST_F(ShellCommands, ANameThatCouldSplitTheCommandStartsNothing) {
    for (const wchar_t* name : {L"Office\" /dl /n \"Accounts", L"a,b", L"a\\b", L"a\nb", L""}) {
        EXPECT_FALSE(printsys::OpenPrinterProperties(name, kOwner));
        EXPECT_FALSE(printsys::OpenPrintingPreferences(name, kOwner));
        EXPECT_FALSE(printsys::PrintTestPage(name, kOwner));
    }
    EXPECT_TRUE(machine.shellRuns.empty());
}

TEST_F(ShellCommands, TheCertificateImportReportsCertutilsExitCode) {
    struct Case {
        std::uint32_t exitCode;
        bool fails;
        bool result;
    };
    for (const Case& c : {Case{0, false, true}, Case{0x80070002, false, false}, Case{0, true, false}}) {
        machine.Reset();
        machine.shellExitCode = c.exitCode;
        if (c.fails) machine.FailCall(os::sim::Operation::ShellExecuteEx, 2);
        EXPECT_EQ(printsys::AddCertificateToTrustedPublisher(L"C:\\a.cer", kOwner), c.result) << c.exitCode;
        EXPECT_EQ(machine.shellRuns.size(), c.fails ? 0u : 1u);
    }
}

}  // namespace
