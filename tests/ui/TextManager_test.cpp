#include "ui/TextManager.h"

#include "support/TestPackage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using ui::TextManager;

class TextManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::UsePackage({
            {"lan_cn.xml", "<Lang><Text id=\"a\" value=\"\xE7\x94\xB2\"/><Text id=\"only.cn\" value=\"cn\"/></Lang>"},
            {"lan_en.xml", "\xEF\xBB\xBF<Lang><TEXT ID=\"a\" Value=\"A\"/><Other id=\"b\" value=\"x\"/>"
                           "<text id=\"c\" value=\"C\"/><Text id=\"novalue\"/></Lang>"},
            {"lan_bad.xml", "<Lang><Text id=\"a\" value=\"broken\"></Lang>"},
        });
    }
    TextManager texts;
};

TEST_F(TextManagerTest, LoadingMergesAndNeverClears) {
    ASSERT_TRUE(texts.Load(L"lan_cn.xml"));
    EXPECT_EQ(texts.Translate(L"a"), L"\u7532");
    ASSERT_TRUE(texts.Load(L"lan_en.xml"));
    EXPECT_EQ(texts.Translate(L"a"), L"A");
    // A key the English file lacks stays in Chinese.
    EXPECT_EQ(texts.Translate(L"only.cn"), L"cn");
    // Element and attribute names ignore case; other children are ignored.
    EXPECT_EQ(texts.Translate(L"c"), L"C");
    EXPECT_EQ(texts.Translate(L"b"), L"b");
    EXPECT_FALSE(texts.Contains(L"novalue"));
}

TEST_F(TextManagerTest, FailedLoadsLeaveTheStoreAsItWas) {
    ASSERT_TRUE(texts.Load(L"lan_en.xml"));
    EXPECT_FALSE(texts.Load(L"lan_bad.xml"));
    EXPECT_FALSE(texts.Load(L"lan_missing.xml"));
    EXPECT_FALSE(texts.Load(L"<Lang><Text id=\"a\" value=\"x\"></Lang>"));
    EXPECT_EQ(texts.Translate(L"a"), L"A");
    EXPECT_TRUE(texts.Load(L"<Lang><Text id=\"a\" value=\"inline\"/></Lang>"));
    EXPECT_EQ(texts.Translate(L"a"), L"inline");
}

TEST_F(TextManagerTest, UnknownAndNullKeys) {
    EXPECT_EQ(texts.Translate(L"tip.unknown"), L"tip.unknown");
    EXPECT_EQ(texts.Translate(static_cast<const wchar_t*>(nullptr)), L"");
    texts.SetFallback([](std::wstring_view key) { return key == L"asked" ? std::wstring(L"answer") : L""; });
    EXPECT_EQ(texts.Translate(L"asked"), L"answer");
    EXPECT_EQ(texts.Translate(L"not.asked"), L"not.asked");
}

// A worker translating while the UI thread switches languages sees one
// language or the other for every key, never a missing or torn entry.
TEST_F(TextManagerTest, ReadersNeverSeeATornStore) {
    ASSERT_TRUE(texts.Load(L"lan_cn.xml"));
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!stop) {
            const std::wstring a = texts.Translate(L"a");
            if (a != L"A" && a != L"\u7532") ++bad;
            if (texts.Translate(L"only.cn") != L"cn") ++bad;
        }
    });
    for (int i = 0; i < 300; ++i) texts.Load(i % 2 ? L"lan_cn.xml" : L"lan_en.xml");
    stop = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace
