// A small, strict XML parser for the package's layouts, language files and
// resource index.
//
// It accepts elements, attributes, character data, the five predefined
// entities and numeric character references, CDATA sections, comments and
// processing instructions (the XML declaration among them). Document type
// declarations are refused, so no entity can expand. Anything malformed
// fails with a message that names line and column; nesting deeper than
// kMaxXmlDepth fails too, so hostile input cannot exhaust the stack.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {

constexpr std::size_t kMaxXmlDepth = 256;

struct XmlElement {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;  // document order
    std::vector<XmlElement> children;
    std::wstring text;  // character data directly inside, concatenated

    // nullptr when absent. The IgnoringCase form folds ASCII letters only.
    const std::wstring* Attribute(std::wstring_view attributeName) const;
    const std::wstring* AttributeIgnoringCase(std::wstring_view attributeName) const;
};

struct XmlParseResult {
    bool ok = false;
    std::wstring error;  // "line L, column C: what" when !ok
};

// Parses a whole document; `root` receives the document element.
// On failure `root` is left untouched.
XmlParseResult ParseXml(std::wstring_view text, XmlElement& root);

}  // namespace ui
