#include "driver/PageTexts.h"

#include <gtest/gtest.h>

#include <cwchar>
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

}  // namespace
