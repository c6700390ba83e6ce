#include "driver/PageTexts.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

// The program's seven languages each have their own complete set of page
// texts; any other language gets the English one.
TEST(PageTexts, SevenLanguagesEachComplete) {
    const std::uint16_t languages[] = {0x0409, 0x0C0A, 0x0411, 0x0412, 0x041E, 0x0804, 0x0416};
    std::set<std::wstring> titles;
    for (const std::uint16_t language : languages) {
        const driver::PageTexts& texts = driver::TextsFor(language);
        const wchar_t* const all[] = {texts.settingsTitle, texts.paper,   texts.orientation, texts.portrait,
                                      texts.landscape,     texts.darkness, texts.lighter,    texts.darker,
                                      texts.printerTitle,  texts.model,   texts.resolution,  texts.printableArea,
                                      texts.cutter,        texts.cuts,    texts.noCutter,    texts.automaticSource};
        for (const wchar_t* text : all) EXPECT_GT(std::wcslen(text), 0u) << std::hex << language;
        EXPECT_LT(std::wcslen(texts.automaticSource), 24u) << "fits DC_BINNAMES";
        titles.insert(texts.settingsTitle);
    }
    EXPECT_EQ(titles.size(), 7u);
    EXPECT_EQ(&driver::TextsFor(0x0407), &driver::TextsFor(0x0409));  // German
    // Simplified for China and Singapore; English, as in the wizard, for
    // Taiwan, Hong Kong, Macao and the Traditional neutral.
    EXPECT_EQ(&driver::TextsFor(0x1004), &driver::TextsFor(0x0804));
    for (const int traditional : {0x0404, 0x0C04, 0x1404, 0x7C04})
        EXPECT_EQ(&driver::TextsFor(static_cast<std::uint16_t>(traditional)), &driver::TextsFor(0x0409)) << std::hex << traditional;
}

// The help file opens on the user's language: its section first, the
// others after it, nothing lost; English for a language it lacks.
TEST(PageTexts, HelpInTheUsersLanguageFirst) {
    std::ifstream file(std::string(DRIVER_STAGED) + "/a4/plotuia4.hlp", std::ios::binary);
    const std::string help{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(help.empty());
    const struct {
        std::uint16_t langId;
        const char* heading;
    } cases[] = {{0x0411, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n===="}, {0x0816, "Portugu\xC3\xAAs\r\n===="},
                 {0x0C04, "English\r\n===="}, {0x0407, "English\r\n===="}, {0x041E, "\xE0\xB9\x84\xE0\xB8\x97\xE0\xB8\xA2\r\n===="}};
    for (const auto& c : cases) {
        const std::string ordered = driver::HelpInLanguageFirst(help, c.langId);
        EXPECT_EQ(ordered.rfind(c.heading, 0), 0u) << std::hex << c.langId;
        EXPECT_EQ(ordered.size(), help.size());
    }
    EXPECT_EQ(driver::HelpInLanguageFirst("plain text\r\n", 0x0411), "plain text\r\n");
}

}  // namespace
