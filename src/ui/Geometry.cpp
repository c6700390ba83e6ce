#include "ui/Geometry.h"

#include <climits>
#include <vector>

namespace ui {
namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Exactly `count` values: a fifth value of a rectangle is a mistake in the
// layout, not something to drop unseen.
bool ParseInts(std::wstring_view text, std::vector<int>& out, std::size_t count) {
    out.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(L',', start);
        if (end == std::wstring_view::npos) end = text.size();
        int value = 0;
        if (out.size() == count || !ParseInt(text.substr(start, end - start), value)) return false;
        out.push_back(value);
        if (end == text.size()) break;
        start = end + 1;
    }
    return out.size() == count;
}

}  // namespace

bool ParseColor(std::wstring_view text, Color& out) {
    if (!text.empty() && text.front() == L'#') text.remove_prefix(1);
    if (text.size() != 8 && text.size() != 6) return false;
    Color value = 0;
    for (wchar_t c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<Color>(digit);
    }
    out = text.size() == 6 ? (0xFF000000u | value) : value;
    return true;
}

bool ParseInt(std::wstring_view text, int& out) {
    while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return false;
    out = static_cast<int>(value);
    return true;
}

bool ParseRect(std::wstring_view text, Rect& out) {
    std::vector<int> v;
    if (!ParseInts(text, v, 4)) return false;
    out = Rect{v[0], v[1], v[2], v[3]};
    return true;
}

bool ParseSize(std::wstring_view text, Size& out) {
    std::vector<int> v;
    if (!ParseInts(text, v, 2)) return false;
    out = Size{v[0], v[1]};
    return true;
}

bool ParseBool(std::wstring_view text) { return text == L"true" || text == L"1"; }

}  // namespace ui
