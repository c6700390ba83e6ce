// The printer name page, the address check and the ready summary.
#include "WizardFixture.h"

namespace {

using testing_support::WizardFixture;

// Exactly four dotted decimal numbers 0-255: every looser form could name
// another host in another parser (inet_addr reads "010" as 8).
TEST(IsValidIPv4, AcceptsOnlyFourPlainDecimalNumbers) {
    struct Case {
        const wchar_t* text;
        bool valid;
    };
    const Case cases[] = {
        {L"192.168.1.100", true},
        {L"0.0.0.0", true},
        {L"255.255.255.255", true},
        {L"10.0.0.255", true},
        {L"10.0.0.256", false},
        {L"256.1.1.1", false},
        {L"1.2.3", false},
        {L"1.2.3.4.5", false},
        {L"1.2..4", false},
        {L"...", false},
        {L"", false},
        {L"1.2.3.4.", false},
        {L"1.2.3.4x", false},
        {L"1abc.2.3.4", false},
        {L"-1.2.3.4", false},
        {L"+1.2.3.4", false},
        {L" 1.2.3.4", false},
        {L"1.2.3.4 ", false},
        {L"1. 2.3.4", false},
        {L"1.2.3.04", false},
        {L"192.168.010.005", false},
        {L"0x7f.0.0.1", false},
        {L"1.2.3.2555", false},
        {L"99999999999.1.1.1", false},
        {L"\u0661.1.1.1", false},  // Arabic-Indic digit one
        {L"\uff11.1.1.1", false},  // fullwidth digit one
    };
    for (const Case& c : cases)
        EXPECT_EQ(wizard::IsValidIPv4(c.text), c.valid) << std::string(c.text, c.text + std::wcslen(c.text));
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
        // The spooler compares names without case: this name is taken.
        {{L"a4 printer(300dpi)"}, 1, L"A4 Printer(300dpi) (1)"},
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
    EXPECT_EQ(Info().Text(), L"*The printer name \"Front desk\" cannot be used: a printer with this name already exists. Please choose another name.");
    EXPECT_EQ(Info().TextColor(), 0xFFFF0000u);

    // A passing check leaves the verdict; only the test button replaces it.
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Back office"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(Page(), 8);
    ASSERT_TRUE(Previous());
    EXPECT_EQ(Info().Text(), L"*The printer name \"Front desk\" cannot be used: a printer with this name already exists. Please choose another name.");
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Back office"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().Text(), L"The printer name \"Back office\" can be used.");
    EXPECT_EQ(Info().TextColor(), 0xFF0EED1Eu);
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Front desk"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().TextColor(), 0xFFFF0000u);
}

TEST_F(NamePage, NamesWithPercentSignsAreShownAsTyped) {
    OpenNamePage();
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"100% %s %d"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().Text(), L"The printer name \"100% %s %d\" can be used.");
}

// The Chinese verdicts quote the name in full-width marks.
TEST_F(NamePage, TheChineseVerdictsQuoteTheName) {
    AddPrinter(L"Front desk");
    ASSERT_TRUE(ui::TextManager::Process().Load(L"lan_cn.xml"));
    OpenNamePage();
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Front desk"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().Text(), L"*打印机名称“Front desk”不可用：已存在同名打印机。请更换名称。");
    ASSERT_TRUE(Type(L"edit_install_printer_name", L"Back office"));
    ASSERT_TRUE(Click(L"btn_checked_printer_name"));
    EXPECT_EQ(Info().Text(), L"打印机名称“Back office”可以使用。");
    EXPECT_EQ(common::TranslateKey(L"tip.ipinvalid"), L"IP地址无效");
    EXPECT_EQ(common::TranslateKey(L"tip.portexists"), L"端口已存在，请重新输入");
    ASSERT_TRUE(ui::TextManager::Process().Load(L"lan_en.xml"));
}

// The name reaches printui's quoted arguments and the spooler: a quote,
// "\\", "," or a control character, a bidirectional control or a line or
// paragraph separator, or no name at all, is refused before anything is
// installed, by Next and by the test button alike.
TEST_F(NamePage, TheNameRule) {
    struct Case {
        const wchar_t* name;
        bool valid;
    };
    const Case cases[] = {
        {L"Front desk", true},
        {L"A4 Printer(300dpi) (2)", true},
        {L"Caf\u00e9 \u6253\u5370\u673a #2 & 100%", true},
        {L"", false},
        {L"Office\" /dl /n \"Accounts", false},
        {L"Server\\Share", false},
        {L"Front,desk", false},
        {L"Front\tdesk", false},
        {L"Front\x7f", false},
        {L"Front\x85", false},
        // Names that would look like another in every printer list.
        {L"Front\u202Edesk", false},
        {L"Front\u200Fdesk", false},
        {L"Front\u2066desk\u2069", false},
        {L"Front\u2028desk", false},
        {L"Front\u2029", false},
        {L"\u061CFront", false},
    };
    OpenNamePage();
    const std::wstring refused = common::TranslateKey(L"tip.printernameinvalid");
    ASSERT_NE(refused, L"tip.printernameinvalid");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        ASSERT_TRUE(Type(L"edit_install_printer_name", c.name));
        ASSERT_TRUE(Click(L"btn_checked_printer_name"));
        EXPECT_EQ(Info().Text() == common::FormatText(refused, c.name), !c.valid);
        ASSERT_TRUE(Next());
        EXPECT_EQ(Page(), c.valid ? 8 : 7);
        if (!c.valid) {
            EXPECT_EQ(Info().TextColor(), 0xFFFF0000u);
        }
        if (Page() == 8) {
            ASSERT_TRUE(Previous());
        }
    }
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
