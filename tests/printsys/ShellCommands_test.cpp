#include "printsys/ShellCommands.h"

#include "support/SimTest.h"

namespace {

const auto kOwner = static_cast<os::WindowHandle>(0x1234);

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
        {[&] { printsys::OpenPrintingPreferences(printer, kOwner); }, L"rundll32.exe",
         L" printui.dll, PrintUIEntry /e /n\"A4 Printer(203dpi)\" ", 1, false},
        {[&] { printsys::OpenPrinterProperties(printer, kOwner); }, L"rundll32.exe",
         L" printui.dll, PrintUIEntry /p /n\"A4 Printer(203dpi)\" ", 1, false},
        {[&] { printsys::PrintTestPage(printer, kOwner); }, L"rundll32.exe",
         L" printui.dll, PrintUIEntry /k /n\"A4 Printer(203dpi)\" ", 1, false},
        {[&] { printsys::AddCertificateToTrustedPublisher(L"C:\\Temp\\A4 Printer.cer", kOwner); }, L"certutil.exe",
         L"-addstore \"TrustedPublisher\" \"C:\\Temp\\A4 Printer.cer\"", 0, true},
        {[&] { printsys::InstallDriverWithPrintUI(L"A4 Printer(300dpi)", L"C:\\Program Files\\A4\\a4.inf", kOwner); },
         L"rundll32.exe", L"printui.dll, PrintUIEntry /ia /m \"A4 Printer(300dpi)\" /f \"C:\\Program Files\\A4\\a4.inf\"",
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

TEST_F(ShellCommands, PrinterNamesAreInsertedAsTheyAre) {
    printsys::OpenPrinterProperties(L"Say \"hi\" 100%s %d", kOwner);
    ASSERT_EQ(machine.shellRuns.size(), 1u);
    EXPECT_EQ(machine.shellRuns[0].info.parameters, L" printui.dll, PrintUIEntry /p /n\"Say \"hi\" 100%s %d\" ");
}

TEST_F(ShellCommands, AToolThatDoesNotStartIsNotWaitedForAndNotReported) {
    machine.FailCall(os::sim::Operation::ShellExecuteEx, 2);
    EXPECT_TRUE(printsys::AddCertificateToTrustedPublisher(L"C:\\a.cer", kOwner));
    EXPECT_TRUE(machine.shellRuns.empty());
}

}  // namespace
