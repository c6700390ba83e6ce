#include "base/Strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Strings, NamesCompareIgnoringAsciiCaseOnly) {
    EXPECT_TRUE(base::EqualNoCaseAscii(L"Btn_Setup_Next", L"btn_setup_next"));
    EXPECT_FALSE(base::EqualNoCaseAscii(L"btn", L"btn_"));
    EXPECT_FALSE(base::EqualNoCaseAscii(L"\u00c9", L"\u00e9"));
    EXPECT_EQ(base::LowerAscii(L"Btn_\u00c9"), L"btn_\u00c9");
    EXPECT_TRUE(base::EqualNoCase(L"A4 Printer(300DPI)", L"a4 printer(300dpi)"));
    EXPECT_FALSE(base::EqualNoCase(L"A4 Printer", L"A4 Printer "));
}

TEST(StringList, IndexOfStringMatchesWholeElementsOnly) {
    const std::vector<std::wstring> list = {L"USB001 printer", L"USB001", L"usb002"};
    EXPECT_EQ(base::IndexOfString(list, L"USB001"), 1);
    EXPECT_EQ(base::IndexOfString(list, L"USB002"), -1);
    EXPECT_EQ(base::IndexOfString({}, L""), -1);

    std::vector<std::wstring> unique = {L"a"};
    base::AddUniqueString(unique, L"a");
    base::AddUniqueString(unique, L"A");
    EXPECT_EQ(unique, (std::vector<std::wstring>{L"a", L"A"}));
}

TEST(StringList, RemoveStringsContainingKeepsTheOrderOfTheRest) {
    std::vector<std::wstring> list = {L"A4 Printer(203dpi)", L"Fax", L"Old A4 Printer(203dpi) copy", L"PDF"};
    base::RemoveStringsContaining(list, L"A4 Printer(203dpi)");
    EXPECT_EQ(list, (std::vector<std::wstring>{L"Fax", L"PDF"}));
}

TEST(StringList, ContainsNoCase) {
    EXPECT_TRUE(base::ContainsNoCase(L"Quorvel A4 Printer(300DPI)", L"a4 printer(300dpi)"));
    EXPECT_TRUE(base::ContainsNoCase(L"anything", L""));
    EXPECT_TRUE(base::ContainsNoCase(L"", L""));
    EXPECT_FALSE(base::ContainsNoCase(L"A4", L"A4 Printer"));
}

TEST(StringList, SplitStringKeepsInnerEmptyPiecesButNoTrailingOne) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> pieces;
    };
    const Case cases[] = {
        {L"a,,b,", {L"a", L"", L"b"}},
        {L"a", {L"a"}},
        {L"", {}},
        {L",a", {L"", L"a"}},
        {L"USB\\VID_1&PID_2\\77", {L"USB", L"VID_1&PID_2", L"77"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> pieces = {L"kept"};
        base::SplitString(c.text, c.text[0] == L'U' ? L'\\' : L',', pieces);
        std::vector<std::wstring> expected = {L"kept"};
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(pieces, expected) << c.text;
    }
}

}  // namespace
