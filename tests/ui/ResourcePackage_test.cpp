#include "ui/Layout.h"
#include "ui/ResourcePackage.h"

#include "support/ZipWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using testing_support::BuildZip;
using testing_support::Bytes;
using ui::ResourceKind;
using ui::ResourcePackage;
using ui::ZipError;

constexpr char kPassword[] = "wqm19990707";

ResourcePackage OpenPackage(const std::vector<testing_support::ZipTestEntry>& entries) {
    const auto bytes = BuildZip(entries);
    ResourcePackage package;
    EXPECT_EQ(package.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    return package;
}

TEST(ResourcePackage, IndexMapsIdsToEntries) {
    const auto package = OpenPackage({
        {"res.xml", Bytes("\xEF\xBB\xBF<Res><Xml id=\"XML_MAIN\" path=\"main.xml\"/>"
                          "<Image id=\"IMG_LOGO\" path=\"images/logo.png\"/>"
                          "<Xml id=\"NO_PATH\"/><Other id=\"X\" path=\"y\"/></Res>")},
        {"main.xml", Bytes("<Window/>")},
    });
    EXPECT_TRUE(package.IndexError().empty());
    ASSERT_EQ(package.Index().size(), 2u);
    EXPECT_EQ(package.Resolve(ResourceKind::Xml, L"XML_MAIN"), L"main.xml");
    EXPECT_EQ(package.Resolve(ResourceKind::Image, L"IMG_LOGO"), L"images/logo.png");
    // Ids are per kind and exact; anything else is taken as an entry name.
    EXPECT_EQ(package.Resolve(ResourceKind::Image, L"XML_MAIN"), L"XML_MAIN");
    EXPECT_EQ(package.Resolve(ResourceKind::Xml, L"xml_main"), L"xml_main");
    EXPECT_EQ(package.Resolve(ResourceKind::Xml, L"pop_language.xml"), L"pop_language.xml");

    ui::XmlElement layout;
    std::wstring error;
    EXPECT_TRUE(ui::LoadLayoutDocument(package, L"XML_MAIN", layout, error));
    EXPECT_EQ(layout.name, L"Window");
    EXPECT_TRUE(ui::LoadLayoutDocument(package, L"MAIN.XML", layout, error));
}

TEST(ResourcePackage, MissingOrBrokenIndexLeavesThePackageOpen) {
    const auto noIndex = OpenPackage({{"main.xml", Bytes("<Window/>")}});
    EXPECT_TRUE(noIndex.IsOpen());
    EXPECT_TRUE(noIndex.Index().empty());
    EXPECT_NE(noIndex.IndexError().find(L"entry not found"), std::wstring::npos);

    const auto broken = OpenPackage({{"res.xml", Bytes("<Res><Xml id=\"A\" path=\"a.xml\"></Res>")}});
    EXPECT_TRUE(broken.IsOpen());
    EXPECT_TRUE(broken.Index().empty());
    EXPECT_NE(broken.IndexError().find(L"line 1"), std::wstring::npos);
}

TEST(ResourcePackage, LayoutErrorsSayWhatFailed) {
    const auto package = OpenPackage({
        {"res.xml", Bytes("<Res><Xml id=\"XML_MAIN\" path=\"main.xml\"/></Res>")},
        {"main.xml", Bytes("<Window>")},
    });
    ui::XmlElement layout;
    std::wstring error;
    EXPECT_FALSE(ui::LoadLayoutDocument(package, L"XML_MAIN", layout, error));
    EXPECT_EQ(error.rfind(L"main.xml: line 1", 0), 0u);
    EXPECT_FALSE(ui::LoadLayoutDocument(package, L"pop_about.xml", layout, error));
    EXPECT_EQ(error, L"pop_about.xml: entry not found");
    EXPECT_FALSE(ui::LoadLayoutDocument(ResourcePackage(), L"XML_MAIN", layout, error));
    EXPECT_EQ(ui::LayoutErrorText(L"XML_MAIN"), L"\u52a0\u8f7d\u8d44\u6e90\u6587\u4ef6\u5931\u8d25\uff1aXML_MAIN");
}

// The package the build packs from skin/: every layout of its index parses.
TEST(ResourcePackage, BuiltPackageOpensAndEveryIndexedLayoutParses) {
    std::ifstream in(SKIN_PACKAGE_PATH, std::ios::binary);
    ASSERT_TRUE(in) << SKIN_PACKAGE_PATH;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ResourcePackage package;
    ASSERT_EQ(package.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    EXPECT_TRUE(package.IndexError().empty());
    EXPECT_EQ(package.Resolve(ResourceKind::Xml, L"XML_MAIN"), L"main.xml");
    for (const auto& entry : package.Archive().Entries()) EXPECT_TRUE(entry.encrypted()) << entry.name;
    for (const auto& entry : package.Index()) {
        std::vector<std::uint8_t> out;
        EXPECT_EQ(package.ReadEntry(entry.path, ui::kMaxSkinEntrySize, out), ZipError::None)
            << std::string(entry.path.begin(), entry.path.end());
        if (entry.kind != ResourceKind::Xml) continue;
        ui::XmlElement layout;
        std::wstring error;
        EXPECT_TRUE(ui::LoadLayoutDocument(package, entry.id, layout, error))
            << std::string(error.begin(), error.end());
    }
}

}  // namespace
