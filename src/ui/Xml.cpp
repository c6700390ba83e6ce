#include "ui/Xml.h"

#include "base/Strings.h"

#include <cstdint>

namespace ui {
namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsNameStart(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' ||
           static_cast<std::uint32_t>(c) >= 0x80;
}

bool IsNameChar(wchar_t c) {
    return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.';
}

class Parser {
public:
    explicit Parser(std::wstring_view text) : s_(text) {}

    XmlParseResult Document(XmlElement& root) {
        if (!s_.empty() && s_[0] == 0xFEFF) pos_ = 1;
        XmlElement parsed;
        bool haveRoot = false;
        while (true) {
            SkipSpace();
            if (AtEnd()) break;
            if (Starts(L"<?")) {
                if (!ProcessingInstruction()) return Failure();
            } else if (Starts(L"<!--")) {
                if (!Comment()) return Failure();
            } else if (Starts(L"<!")) {
                Fail(L"document type declarations are not supported");
                return Failure();
            } else if (Peek() == L'<') {
                if (haveRoot) {
                    Fail(L"more than one root element");
                    return Failure();
                }
                if (!Element(parsed, 1)) return Failure();
                haveRoot = true;
            } else {
                Fail(L"text outside the root element");
                return Failure();
            }
        }
        if (!haveRoot) {
            Fail(L"no root element");
            return Failure();
        }
        root = std::move(parsed);
        return XmlParseResult{true, {}};
    }

private:
    bool AtEnd() const { return pos_ >= s_.size(); }
    wchar_t Peek() const { return AtEnd() ? L'\0' : s_[pos_]; }
    bool Starts(std::wstring_view prefix) const { return s_.substr(pos_, prefix.size()) == prefix; }
    void SkipSpace() {
        while (!AtEnd() && IsSpace(s_[pos_])) ++pos_;
    }

    bool Fail(const wchar_t* what) {
        if (error_.empty()) {
            std::size_t line = 1, column = 1;
            for (std::size_t i = 0; i < pos_ && i < s_.size(); ++i) {
                if (s_[i] == L'\n') { ++line; column = 1; }
                else ++column;
            }
            error_ = L"line " + std::to_wstring(line) + L", column " + std::to_wstring(column) + L": " + what;
        }
        return false;
    }
    XmlParseResult Failure() const { return XmlParseResult{false, error_}; }

    bool Expect(wchar_t c, const wchar_t* what) {
        if (Peek() != c) return Fail(what);
        ++pos_;
        return true;
    }

    bool Name(std::wstring& out) {
        if (!IsNameStart(Peek())) return Fail(L"expected a name");
        const std::size_t start = pos_;
        while (!AtEnd() && IsNameChar(s_[pos_])) ++pos_;
        out.assign(s_.substr(start, pos_ - start));
        return true;
    }

    bool ProcessingInstruction() {
        const std::size_t end = s_.find(L"?>", pos_ + 2);
        if (end == std::wstring_view::npos) return Fail(L"unterminated processing instruction");
        pos_ = end + 2;
        return true;
    }

    bool Comment() {
        const std::size_t end = s_.find(L"-->", pos_ + 4);
        if (end == std::wstring_view::npos) return Fail(L"unterminated comment");
        pos_ = end + 3;
        return true;
    }

    // After '&': decodes one reference into `out`.
    bool Reference(std::wstring& out) {
        ++pos_;
        const std::size_t end = s_.find(L';', pos_);
        if (end == std::wstring_view::npos || end - pos_ > 10) return Fail(L"unterminated entity reference");
        const std::wstring_view ref = s_.substr(pos_, end - pos_);
        if (ref == L"lt") out.push_back(L'<');
        else if (ref == L"gt") out.push_back(L'>');
        else if (ref == L"amp") out.push_back(L'&');
        else if (ref == L"quot") out.push_back(L'"');
        else if (ref == L"apos") out.push_back(L'\'');
        else if (!ref.empty() && ref[0] == L'#') {
            const bool hex = ref.size() > 1 && ref[1] == L'x';
            const std::wstring_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty()) return Fail(L"empty character reference");
            std::uint32_t cp = 0;
            for (wchar_t d : digits) {
                std::uint32_t v;
                if (d >= L'0' && d <= L'9') v = static_cast<std::uint32_t>(d - L'0');
                else if (hex && d >= L'a' && d <= L'f') v = static_cast<std::uint32_t>(d - L'a' + 10);
                else if (hex && d >= L'A' && d <= L'F') v = static_cast<std::uint32_t>(d - L'A' + 10);
                else return Fail(L"bad character reference");
                cp = cp * (hex ? 16u : 10u) + v;
                if (cp > 0x10FFFF) return Fail(L"character reference out of range");
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) return Fail(L"character reference out of range");
            if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
                cp -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
            } else {
                out.push_back(static_cast<wchar_t>(cp));
            }
        } else {
            return Fail(L"unknown entity");
        }
        pos_ = end + 1;
        return true;
    }

    bool AttributeValue(std::wstring& out) {
        const wchar_t quote = Peek();
        if (quote != L'"' && quote != L'\'') return Fail(L"expected a quoted attribute value");
        ++pos_;
        while (true) {
            if (AtEnd()) return Fail(L"unterminated attribute value");
            const wchar_t c = s_[pos_];
            if (c == quote) { ++pos_; return true; }
            if (c == L'<') return Fail(L"'<' in attribute value");
            if (c == L'&') {
                if (!Reference(out)) return false;
            } else {
                out.push_back(c);
                ++pos_;
            }
        }
    }

    bool Element(XmlElement& element, std::size_t depth) {
        if (depth > kMaxXmlDepth) return Fail(L"elements nested too deeply");
        ++pos_;  // '<'
        if (!Name(element.name)) return false;
        while (true) {
            const bool spaced = !AtEnd() && IsSpace(s_[pos_]);
            SkipSpace();
            if (Starts(L"/>")) { pos_ += 2; return true; }
            if (Peek() == L'>') { ++pos_; break; }
            if (AtEnd()) return Fail(L"unterminated start tag");
            if (!spaced) return Fail(L"expected whitespace between attributes");
            std::wstring name;
            if (!Name(name)) return false;
            for (const auto& attribute : element.attributes)
                if (attribute.first == name) return Fail(L"duplicate attribute");
            SkipSpace();
            if (!Expect(L'=', L"expected '=' after attribute name")) return false;
            SkipSpace();
            std::wstring value;
            if (!AttributeValue(value)) return false;
            element.attributes.emplace_back(std::move(name), std::move(value));
        }
        // Content until the matching end tag.
        while (true) {
            if (AtEnd()) return Fail(L"missing end tag");
            const wchar_t c = s_[pos_];
            if (c == L'<') {
                if (Starts(L"</")) {
                    const std::size_t tagStart = pos_;
                    pos_ += 2;
                    std::wstring name;
                    if (!Name(name)) return false;
                    if (name != element.name) {
                        pos_ = tagStart;
                        return Fail(L"end tag does not match start tag");
                    }
                    SkipSpace();
                    return Expect(L'>', L"expected '>'");
                }
                if (Starts(L"<!--")) {
                    if (!Comment()) return false;
                } else if (Starts(L"<![CDATA[")) {
                    const std::size_t end = s_.find(L"]]>", pos_ + 9);
                    if (end == std::wstring_view::npos) return Fail(L"unterminated CDATA section");
                    element.text.append(s_.substr(pos_ + 9, end - pos_ - 9));
                    pos_ = end + 3;
                } else if (Starts(L"<?")) {
                    if (!ProcessingInstruction()) return false;
                } else if (Starts(L"<!")) {
                    return Fail(L"unexpected declaration");
                } else {
                    element.children.emplace_back();
                    if (!Element(element.children.back(), depth + 1)) return false;
                }
            } else if (c == L'&') {
                if (!Reference(element.text)) return false;
            } else {
                element.text.push_back(c);
                ++pos_;
            }
        }
    }

    std::wstring_view s_;
    std::size_t pos_ = 0;
    std::wstring error_;
};

}  // namespace

const std::wstring* XmlElement::Attribute(std::wstring_view attributeName) const {
    for (const auto& attribute : attributes)
        if (attribute.first == attributeName) return &attribute.second;
    return nullptr;
}

const std::wstring* XmlElement::AttributeIgnoringCase(std::wstring_view attributeName) const {
    for (const auto& attribute : attributes)
        if (base::EqualNoCaseAscii(attribute.first, attributeName)) return &attribute.second;
    return nullptr;
}

XmlParseResult ParseXml(std::wstring_view text, XmlElement& root) {
    return Parser(text).Document(root);
}

}  // namespace ui
