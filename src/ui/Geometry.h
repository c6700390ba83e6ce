// Small value types shared by the control tree and the window hosts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct Size {
    int cx = 0, cy = 0;
};

// Four edge widths: "l,t,r,b" in layouts.
using Insets = Rect;

// 0xAARRGGBB, as layouts write colours.
using Color = std::uint32_t;

// Parses "#AARRGGBB", "AARRGGBB", "#RRGGBB" (opaque). False for anything else.
bool ParseColor(std::wstring_view text, Color& out);
// Parses a decimal integer, optionally negative; false on junk or overflow.
bool ParseInt(std::wstring_view text, int& out);
// Parses "a,b,c,d" (Insets/Rect) or "a,b" (Size).
bool ParseRect(std::wstring_view text, Rect& out);
bool ParseSize(std::wstring_view text, Size& out);
bool ParseBool(std::wstring_view text);

}  // namespace ui
