#include "base/Strings.h"

#include <algorithm>
#include <cwctype>

namespace base {

namespace {

wchar_t FoldWide(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))); }

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

template <typename Fold>
bool EqualFolded(std::wstring_view a, std::wstring_view b, Fold fold) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

}  // namespace

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = FoldWide(c);
    return lower;
}

std::wstring LowerAscii(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = FoldAscii(c);
    return lower;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) { return EqualFolded(a, b, FoldWide); }

bool EqualNoCaseAscii(std::wstring_view a, std::wstring_view b) { return EqualFolded(a, b, FoldAscii); }

bool ContainsNoCase(std::wstring_view text, std::wstring_view part) {
    return Lower(text).find(Lower(part)) != std::wstring::npos;
}

int IndexOfString(const std::vector<std::wstring>& list, const std::wstring& text) {
    const auto found = std::find(list.begin(), list.end(), text);
    return found != list.end() ? static_cast<int>(found - list.begin()) : -1;
}

void AddUniqueString(std::vector<std::wstring>& list, const std::wstring& text) {
    if (IndexOfString(list, text) < 0) list.push_back(text);
}

void RemoveStringsContaining(std::vector<std::wstring>& list, const std::wstring& text) {
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const std::wstring& element) { return element.find(text) != std::wstring::npos; }),
               list.end());
}

void SplitString(const std::wstring& text, wchar_t delimiter, std::vector<std::wstring>& pieces) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(delimiter, start);
        if (end == std::wstring::npos) {
            pieces.push_back(text.substr(start));
            return;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace base
