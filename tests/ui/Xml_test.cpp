#include "ui/Xml.h"

#include <gtest/gtest.h>

namespace {

using ui::ParseXml;
using ui::XmlElement;

TEST(Xml, ParsesElementsAttributesTextAndReferences) {
    const wchar_t* text =
        L"\uFEFF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        L"<!-- layout -->\n"
        L"<Window size='560,400' caption=\"0,0,0,32\">\n"
        L"  <Label name=\"label_title\" text=\"A &amp; B &lt;x&gt; &quot;q&quot; &apos;s&apos; &#65;&#x42;\"/>\n"
        L"  <Text>caf\u00e9 &#x4E2D;<![CDATA[<raw> & ]]></Text>\n"
        L"  <?pi ignored?>\n"
        L"</Window>\n<!-- trailing -->\n";
    XmlElement root;
    const auto result = ParseXml(text, root);
    ASSERT_TRUE(result.ok) << std::string(result.error.begin(), result.error.end());
    EXPECT_EQ(root.name, L"Window");
    ASSERT_EQ(root.attributes.size(), 2u);
    EXPECT_EQ(*root.Attribute(L"size"), L"560,400");
    EXPECT_EQ(root.Attribute(L"SIZE"), nullptr);
    EXPECT_EQ(*root.AttributeIgnoringCase(L"SIZE"), L"560,400");
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(*root.children[0].Attribute(L"text"), L"A & B <x> \"q\" 's' AB");
    EXPECT_EQ(root.children[1].text, L"caf\u00e9 \u4E2D<raw> & ");
}

TEST(Xml, MalformedDocumentsFailWithLineAndColumn) {
    struct Case { const wchar_t* text; const wchar_t* message; };
    const Case cases[] = {
        {L"", L"no root element"},
        {L"   \n ", L"no root element"},
        {L"<a>", L"missing end tag"},
        {L"<a></b>", L"end tag does not match"},
        {L"<a><b></a></b>", L"end tag does not match"},
        {L"<a x=1/>", L"quoted attribute value"},
        {L"<a x=\"1\" x=\"2\"/>", L"duplicate attribute"},
        {L"<a x=\"1\"y=\"2\"/>", L"whitespace between attributes"},
        {L"<a x=\"<\"/>", L"'<' in attribute value"},
        {L"<a x=\"1/>", L"unterminated attribute value"},
        {L"<a>&nbsp;</a>", L"unknown entity"},
        {L"<a>&#xD800;</a>", L"out of range"},
        {L"<a>&#1114112;</a>", L"out of range"},
        {L"<a>&#;</a>", L"empty character reference"},
        {L"<a>& b</a>", L"unterminated entity"},
        {L"<a/><b/>", L"more than one root"},
        {L"text<a/>", L"text outside"},
        {L"<a/>text", L"text outside"},
        {L"<!DOCTYPE a [<!ENTITY x \"y\">]><a/>", L"document type"},
        {L"<a><!-- open </a>", L"unterminated comment"},
        {L"<a><![CDATA[x</a>", L"unterminated CDATA"},
        {L"<?xml version=\"1.0\"<a/>", L"unterminated processing"},
        {L"<1a/>", L"expected a name"},
        {L"<a", L"unterminated start tag"},
    };
    for (const Case& c : cases) {
        XmlElement root;
        root.name = L"untouched";
        const auto result = ParseXml(c.text, root);
        EXPECT_FALSE(result.ok) << std::wstring(c.text).size();
        EXPECT_NE(result.error.find(c.message), std::wstring::npos)
            << std::string(result.error.begin(), result.error.end());
        EXPECT_EQ(result.error.rfind(L"line ", 0), 0u);
        EXPECT_EQ(root.name, L"untouched");
    }
}

TEST(Xml, ErrorNamesTheLine) {
    XmlElement root;
    const auto result = ParseXml(L"<a>\n<b>\n</c></a>", root);
    ASSERT_FALSE(result.ok);
    EXPECT_EQ(result.error.rfind(L"line 3, column 1:", 0), 0u) << std::string(result.error.begin(), result.error.end());
}

TEST(Xml, DepthIsLimited) {
    auto nested = [](std::size_t depth) {
        std::wstring text;
        for (std::size_t i = 0; i < depth; ++i) text += L"<a>";
        for (std::size_t i = 0; i < depth; ++i) text += L"</a>";
        return text;
    };
    XmlElement root;
    EXPECT_TRUE(ParseXml(nested(ui::kMaxXmlDepth), root).ok);
    EXPECT_FALSE(ParseXml(nested(ui::kMaxXmlDepth + 1), root).ok);
    EXPECT_FALSE(ParseXml(nested(100000), root).ok);
}

}  // namespace
