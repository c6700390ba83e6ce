#include "common/Localisation.h"

#include "AppFixture.h"

namespace {

using testing_support::AppFixture;

TEST(Localisation, FormatTextReplacesOnlyTheFirstPlaceholder) {
    struct Case { const wchar_t* format; const wchar_t* value; const wchar_t* expected; };
    const Case cases[] = {
        {L"Port %s added", L"IP_10.0.0.5", L"Port IP_10.0.0.5 added"},
        {L"%s", L"", L""},
        {L"no placeholder", L"x", L"no placeholder"},
        {L"100% %s %d %n %s", L"v", L"100% v %d %n %s"},
        {L"name: %s", L"50%s %n %x", L"name: 50%s %n %x"},
        {L"", L"v", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(common::FormatText(c.format, c.value), c.expected) << c.format;
}

class Languages : public AppFixture {};

TEST_F(Languages, StartLanguageIsAnExactMatchOrEnglish) {
    const std::pair<std::uint16_t, std::uint16_t> cases[] = {
        {2052, 2052}, {1033, 1033}, {1034, 1034}, {1041, 1041}, {1042, 1042}, {2070, 2070}, {1054, 1054},
        {3082, 1033}, {1046, 1033}, {1028, 1033}, {2057, 1033}, {0, 1033},
    };
    for (const auto& [windows, chosen] : cases) {
        os::sim::TheMachine().uiLanguage = windows;
        EXPECT_EQ(state->ChooseStartLanguage().langId, chosen) << windows;
        EXPECT_EQ(state->CurrentLangId(), chosen);
    }
}

TEST_F(Languages, TableRowsAndFallbacks) {
    const auto& table = state->Languages();
    ASSERT_EQ(table.size(), 7u);
    std::vector<std::wstring> codes;
    for (const auto& [id, row] : table) codes.push_back(row.code);
    EXPECT_EQ(codes, (std::vector<std::wstring>{L"en", L"es", L"ja", L"ko", L"th", L"cn", L"pt"}));
    EXPECT_EQ(table.at(1042).fontSize, 18);
    EXPECT_EQ(table.at(1054).fontSize, 20);
    EXPECT_EQ(table.at(2070).file, L"lan_pt.xml");
    EXPECT_EQ(state->LanguageById(3082).langId, 1033);
    EXPECT_EQ(state->CurrentLanguage().langId, 1033);  // nothing chosen yet
}

TEST_F(Languages, SwitchingKeepsKeysTheNewFileLacks) {
    ui::TextManager& texts = ui::TextManager::Process();
    ASSERT_TRUE(texts.Load(L"lan_cn.xml"));
    ASSERT_TRUE(texts.Load(L"<Lang><Text id=\"extra.cn\" value=\"\u4e2d\"/></Lang>"));
    ASSERT_TRUE(texts.Load(L"lan_en.xml"));
    EXPECT_EQ(common::TranslateKey(L"extra.cn"), L"\u4e2d");
    EXPECT_NE(common::TranslateKey(L"mainTitle"), L"mainTitle");
    EXPECT_EQ(common::TranslateKey(L"no.such.key"), L"no.such.key");
    EXPECT_EQ(common::TranslateKey(static_cast<const wchar_t*>(nullptr)), L"");
}

}  // namespace
