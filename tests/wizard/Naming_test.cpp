// The printer name page, the address check and the ready summary.
#include "WizardFixture.h"

namespace {

using testing_support::WizardFixture;

TEST(IsValidIPv4, ReadsPartsAsTheStandardConversionDoes) {
    struct Case {
        const wchar_t* text;
        bool valid;
    };
    const Case cases[] = {
        {L"192.168.1.100", true},
        {L"0.0.0.0", true},
        {L"255.255.255.255", true},
        {L"10.0.0.256", false},
        {L"256.1.1.1", false},
        {L"1.2.3", false},
        {L"1.2.3.4.5", false},
        {L"1.2..4", false},
        {L"1..2.3.4", false},
        {L"...", false},
        {L"", false},
        {L".", false},
        {L"1.2.3.4.", true},   // a trailing dot adds no part
        {L"1.2.3.4x", true},   // reading stops at the first non-digit
        {L"-1.2.3.4", false},
        {L"-0.1.2.3", true},
        {L" 1.2.3.4", true},   // leading blanks are skipped
        {L"1.\t2.3.4", true},
        {L"+1.2.3.4", true},
        {L"01.002.3.4", true},
        {L"1.2.3. ", false},   // a part of blanks has no digits
        {L"x.1.2.3", false},
        {L"1.2.3.+", false},
        {L"99999999999.1.1.1", false},    // beyond int: the conversion fails
        {L"-99999999999.1.1.1", false},
        {L"2147483648.1.1.1", false},
        {L"1.2.3.4 5", true},
    };
    for (const Case& c : cases) EXPECT_EQ(wizard::IsValidIPv4(c.text), c.valid) << std::string(c.text, c.text + std::wcslen(c.text));
}

class NamePage : public WizardFixture {
protected:
    // Page 7 on the LPT path with the model at `modelRow`.
    void OpenNamePage(std::size_t modelRow = 1) {
        ChooseConnection(L"option_port_lpt");
        ASSERT_TRUE(Next());
        ASSERT_TRUE(ClickRow(L"listex_install_driver_moudel", modelRow));
        ASSERT_TRUE(Next());
        ASSERT_TRUE(Next());
        ASSERT_EQ(Page(), 7);
    }
    std::wstring NameEdit() { return Get<ui::Edit>(L"edit_install_printer_name").Text(); }
    ui::Control& Info() { return Get<ui::Control>(L"label_show_printername_info"); }
};

TEST_F(NamePage, ProposalIsTheModelNameOrTheFirstFreeNumber) {
    struct Case {
        std::vector<std::wstring> installed;
        std::size_t modelRow;
        const wchar_t* proposal;
    };
    const Case cases[] = {
        {{}, 1, L"A4 Printer(300dpi)"},
        {{}, 0, L"A4 Printer(203dpi)"},
        {{L"A4 Printer(300dpi)", L"A4 Printer(300dpi) (1)"}, 1, L"A4 Printer(300dpi) (2)"},
        {{L"A4 Printer(300dpi)", L"A4 Printer(300dpi) (2)"}, 1, L"A4 Printer(300dpi) (1)"},
        {{L"a4 printer(300dpi)"}, 1, L"A4 Printer(300dpi)"},  // names compare exactly
    };
    for (const Case& c : cases) {
        machine.spooler.printers.clear();
        for (const std::wstring& name : c.installed) AddPrinter(name);
        state->Request().model = -1;
        OpenNamePage(c.modelRow);
        EXPECT_EQ(NameEdit(), c.proposal);
        EXPECT_EQ(state->Request().printerName, c.proposal);
        state->GoHome();
    }
}

TEST_F(NamePage, ATypedNameIsReplacedByAFreshProposalOnReturn) {
    OpenNamePage();
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Front desk"));
    EXPECT_EQ(state->Request().printerName, L"Front desk");
    ASSERT_TRUE(Previous());
    ASSERT_TRUE(Next());
    EXPECT_EQ(NameEdit(), L"A4 Printer(300dpi)");
}

TEST_F(NamePage, ANameInUseKeepsThePageWithARedVerdict) {
    AddPrinter(L"Front desk");
    OpenNamePage();
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Front desk"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 7);
    EXPECT_EQ(Info().Text(), L"*打印机名称:Front desk 不可以使用，请更换名称");
    EXPECT_EQ(Info().TextColor(), 0xFFFF0000u);

    // A passing check leaves the verdict; only the test button replaces it.
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Back office"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 8);
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Info().Text(), L"*打印机名称:Front desk 不可以使用，请更换名称");
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Back office"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().Text(), L"打印机名称:Back office 可以使用");
    EXPECT_EQ(Info().TextColor(), 0xFF0EED1Eu);
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Front desk"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().TextColor(), 0xFFFF0000u);
}

TEST_F(NamePage, NamesWithPercentSignsAreShownAsTyped) {
    OpenNamePage();
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"100% %s %d"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().Text(), L"打印机名称:100% %s %d 可以使用");
}

TEST_F(NamePage, AnEmptyNamePassesWhenNoPrinterHasOne) {
    OpenNamePage();
    ASSERT_TRUE(Type(L"edit_install_printer_name", L""));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 8);
    EXPECT_EQ(Get<ui::Control>(L"label_ready_printerName").Text(), L"");
}

TEST_F(NamePage, DefaultPrinterBoxAndTheSummary) {
    OpenNamePage();
    auto& box = Get<ui::Option>(L"option_selected_defaultPrinter");
    EXPECT_TRUE(box.IsSelected());
    EXPECT_EQ(state->Request().defaultPrinter, 1);
    ASSERT_TRUE(Click(L"option_selected_defaultPrinter"));
    EXPECT_FALSE(box.IsSelected());
    EXPECT_EQ(state->Request().defaultPrinter, 0);
    ASSERT_TRUE(Next());
    EXPECT_EQ(Get<ui::Control>(L"label_ready_prinerDefault").Text(), common::TranslateKey(L"tip.no"));
    EXPECT_NE(common::TranslateKey(L"tip.no"), L"tip.no");
    EXPECT_EQ(Get<ui::Control>(L"label_ready_portName").Text(), L"LPT1:");
    // The box keeps the user's choice on the way back.
    ASSERT_TRUE(Previous());
    EXPECT_FALSE(box.IsSelected());
    EXPECT_EQ(state->Request().defaultPrinter, 0);
}

}  // namespace
