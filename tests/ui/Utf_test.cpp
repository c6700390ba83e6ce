#include "ui/Utf.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf, RoundTripsEveryScriptTheProgramShows) {
    const std::wstring texts[] = {
        L"printer driver", L"\u6253\u5370\u673a\u9a71\u52a8", L"\u30d7\u30ea\u30f3\u30bf",
        L"\ud504\ub9b0\ud130", L"\u0e40\u0e04\u0e23\u0e37\u0e48\u0e2d\u0e07\u0e1e\u0e34\u0e21\u0e1e\u0e4c",
        L"Impresi\u00f3n", std::wstring(L"emoji ") + (sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, wchar_t(0x1F600))),
    };
    for (const auto& text : texts) EXPECT_EQ(ui::Utf8ToWide(ui::WideToUtf8(text)), text);
    EXPECT_EQ(ui::WideToUtf8(L"\u00e9"), "\xC3\xA9");
}

TEST(Utf, InvalidSequencesBecomeReplacementCharacters) {
    struct Case { std::string bytes; std::wstring expected; };
    const Case cases[] = {
        {"a\xFF" "b", L"a\uFFFDb"},
        {"\xC3", L"\uFFFD"},                 // truncated at the end
        {"\xC3(", L"\uFFFD("},               // truncated before ASCII
        {"\xC0\xAF", L"\uFFFD"},             // overlong "/"
        {"\xED\xA0\x80", L"\uFFFD"},         // encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD"},     // beyond U+10FFFF
    };
    for (const Case& c : cases) EXPECT_EQ(ui::Utf8ToWide(c.bytes), c.expected) << c.bytes;
}

TEST(Utf, TextFilesWithAndWithoutByteOrderMark) {
    using V = std::vector<std::uint8_t>;
    EXPECT_EQ(ui::DecodeTextFile(V{0xEF, 0xBB, 0xBF, 'h', 'i'}), L"hi");
    EXPECT_EQ(ui::DecodeTextFile(V{'h', 'i'}), L"hi");
    EXPECT_EQ(ui::DecodeTextFile(V{0xFF, 0xFE, 'h', 0, 0x2D, 0x4E}), L"h\u4E2D");
    EXPECT_EQ(ui::DecodeTextFile(V{0xFE, 0xFF, 0, 'h', 0x4E, 0x2D}), L"h\u4E2D");
    EXPECT_EQ(ui::DecodeTextFile(V{0xFF, 0xFE, 'h', 0, 'x'}), L"h\uFFFD");
    EXPECT_EQ(ui::DecodeTextFile(V{}), L"");
}

}  // namespace
