#include "ui/win32/ExtraPainting.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace ui {
namespace {

Gdiplus::Color ToColor(Color argb) {
    return Gdiplus::Color(static_cast<BYTE>(argb >> 24), static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8),
                          static_cast<BYTE>(argb));
}

Gdiplus::REAL F(double value) { return static_cast<Gdiplus::REAL>(value); }
Gdiplus::REAL F(std::size_t value) { return static_cast<Gdiplus::REAL>(value); }
Gdiplus::REAL F(long value) { return static_cast<Gdiplus::REAL>(value); }
Gdiplus::REAL F(int value) { return static_cast<Gdiplus::REAL>(value); }

Gdiplus::RectF ToRectF(const RECT& r) { return Gdiplus::RectF(F(r.left), F(r.top), F(r.right - r.left), F(r.bottom - r.top)); }

// Text in the control's font, centred or left-aligned, one line.
void DrawText(Gdiplus::Graphics& graphics, HDC dc, HFONT font, const std::wstring& text, const Gdiplus::RectF& box,
              Color color, bool centred) {
    if (text.empty()) return;
    Gdiplus::Font gdiFont(dc, font);
    Gdiplus::StringFormat format;
    format.SetAlignment(centred ? Gdiplus::StringAlignmentCenter : Gdiplus::StringAlignmentNear);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    Gdiplus::SolidBrush brush(ToColor(color));
    graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), &gdiFont, box, &format, &brush);
}

Color TextColorOf(const Control& control) {
    return control.IsEnabled() ? control.TextColor() : control.DisabledTextColor();
}

}  // namespace

void PaintCircleProgress(Gdiplus::Graphics& graphics, HDC dc, const RECT& r, const CircleProgress& circle,
                         double scale, unsigned frame, HFONT font) {
    const int side = std::min(r.right - r.left, r.bottom - r.top);
    const Gdiplus::REAL width = F(std::max(1.0, circle.LineWidth() * scale));
    if (F(side) <= 2 * width) return;
    const Gdiplus::REAL inset = width / 2 + 1;
    const Gdiplus::RectF ring(F(r.left + (r.right - r.left - side) / 2.0) + inset,
                              F(r.top + (r.bottom - r.top - side) / 2.0) + inset, F(side) - 2 * inset,
                              F(side) - 2 * inset);
    Gdiplus::Pen track(Gdiplus::Color(48, 128, 128, 128), width);
    graphics.DrawEllipse(&track, ring);
    Gdiplus::Pen arc(ToColor(circle.ForeColor()), width);
    arc.SetStartCap(Gdiplus::LineCapRound);
    arc.SetEndCap(Gdiplus::LineCapRound);
    if (circle.IsPlaying()) {
        // Busy: a quarter-and-a-bit that turns with the animation.
        graphics.DrawArc(&arc, ring, F(static_cast<int>((frame * 30) % 360)), 100);
        return;
    }
    const double sweep = 360.0 * circle.Fraction();
    if (sweep >= 359.5) graphics.DrawEllipse(&arc, ring);
    else if (sweep > 0) graphics.DrawArc(&arc, ring, -90, F(sweep));
    if (circle.ShowsText()) {
        wchar_t text[8];
        std::swprintf(text, 8, L"%d%%", static_cast<int>(std::lround(circle.Fraction() * 100)));
        DrawText(graphics, dc, font, text, ToRectF(r), TextColorOf(circle), true);
    }
}

void PaintComboBox(Gdiplus::Graphics& graphics, HDC dc, const RECT& r, const Combo& combo, double scale, HFONT font) {
    const Gdiplus::REAL arrowZone = F(24 * scale);
    const int selected = combo.SelectedIndex();
    const std::wstring text = selected >= 0 ? combo.Items()[static_cast<std::size_t>(selected)] : std::wstring();
    const Insets& pad = combo.TextPadding();
    Gdiplus::RectF box = ToRectF(r);
    box.X += F((pad.left ? pad.left : 8) * scale);
    box.Width -= F((pad.left ? pad.left : 8) * scale) + arrowZone;
    DrawText(graphics, dc, font, text, box, TextColorOf(combo), false);
    // The arrow points down, or up while the list is dropped.
    const Gdiplus::REAL cx = F(r.right) - arrowZone / 2, cy = F((r.top + r.bottom) / 2.0);
    const Gdiplus::REAL half = F(4 * scale), rise = F(2.5 * scale) * (combo.IsDropped() ? -1 : 1);
    const Gdiplus::PointF points[] = {{cx - half, cy - rise}, {cx + half, cy - rise}, {cx, cy + rise}};
    Gdiplus::SolidBrush brush(ToColor(combo.IsEnabled() ? 0xFF6B7280u : combo.DisabledTextColor()));
    graphics.FillPolygon(&brush, points, 3);
}

void PaintComboList(Gdiplus::Graphics& graphics, HDC dc, const RECT& list, const Combo& combo, int hotItem,
                    double scale, HFONT font) {
    Gdiplus::SolidBrush back(Gdiplus::Color(255, 255, 255, 255));
    const Gdiplus::RectF area = ToRectF(list);
    graphics.FillRectangle(&back, area);
    const Gdiplus::REAL row = F(combo.RowHeight() * scale);
    for (std::size_t i = 0; i < combo.Items().size(); ++i) {
        const Gdiplus::RectF line(area.X, area.Y + row * F(i), area.Width, row);
        if (line.Y >= area.GetBottom()) break;
        const bool hot = static_cast<int>(i) == hotItem, chosen = static_cast<int>(i) == combo.SelectedIndex();
        if (hot || chosen) {
            Gdiplus::SolidBrush mark(hot ? Gdiplus::Color(255, 232, 240, 251) : Gdiplus::Color(255, 243, 246, 250));
            graphics.FillRectangle(&mark, line);
        }
        Gdiplus::RectF text = line;
        text.X += F(8 * scale);
        text.Width -= F(16 * scale);
        DrawText(graphics, dc, font, combo.Items()[i], text, chosen ? 0xFF1E6FD9u : TextColorOf(combo), false);
    }
    Gdiplus::Pen border(Gdiplus::Color(255, 196, 203, 212), F(std::max(1.0, scale)));
    graphics.DrawRectangle(&border, area.X, area.Y, area.Width - 1, area.Height - 1);
}

void PaintChart(Gdiplus::Graphics& graphics, HDC dc, const RECT& r, const Chart& chart, double scale, HFONT font) {
    const auto& items = chart.Items();
    if (items.empty()) return;
    const Gdiplus::REAL pad = F(8 * scale);
    const Gdiplus::RectF area(F(r.left) + pad, F(r.top) + pad, F(r.right - r.left) - 2 * pad,
                              F(r.bottom - r.top) - 2 * pad);
    if (area.Width <= 0 || area.Height <= 0) return;
    const Gdiplus::REAL lineHeight = F(18 * scale);
    if (chart.GetKind() == Chart::Kind::Pie) {
        // The pie on the left, a legend of swatches and labels beside it.
        const Gdiplus::REAL side = std::min(area.Height, area.Width * 0.4f);
        const Gdiplus::RectF pie(area.X, area.Y + (area.Height - side) / 2, side, side);
        Gdiplus::REAL start = -90;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Gdiplus::REAL sweep = F(360.0 * chart.Share(i));
            if (sweep <= 0) continue;
            Gdiplus::SolidBrush brush(ToColor(chart.ColorOf(i)));
            graphics.FillPie(&brush, pie, start, sweep);
            start += sweep;
        }
        Gdiplus::REAL y = area.Y + std::max(F(0), (area.Height - lineHeight * F(items.size())) / 2);
        const Gdiplus::REAL x = pie.GetRight() + pad * 2;
        for (std::size_t i = 0; i < items.size(); ++i, y += lineHeight) {
            Gdiplus::SolidBrush swatch(ToColor(chart.ColorOf(i)));
            graphics.FillRectangle(&swatch, x, y + lineHeight / 4, lineHeight / 2, lineHeight / 2);
            wchar_t share[16];
            std::swprintf(share, 16, L"  %d%%", static_cast<int>(std::lround(chart.Share(i) * 100)));
            DrawText(graphics, dc, font, items[i].label + share,
                     Gdiplus::RectF(x + lineHeight, y, area.GetRight() - x - lineHeight, lineHeight),
                     TextColorOf(chart), false);
        }
        return;
    }
    // Bars side by side over their labels, as high as their value against
    // the largest one.
    const double largest = chart.Largest();
    const Gdiplus::REAL slot = area.Width / F(items.size());
    const Gdiplus::REAL barBottom = area.GetBottom() - lineHeight;
    Gdiplus::Pen axis(Gdiplus::Color(255, 196, 203, 212), F(std::max(1.0, scale)));
    graphics.DrawLine(&axis, area.X, barBottom, area.GetRight(), barBottom);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Gdiplus::REAL x = area.X + slot * F(i);
        const Gdiplus::REAL height = largest > 0 ? F((barBottom - area.Y) * items[i].value / largest) : 0;
        Gdiplus::SolidBrush brush(ToColor(chart.ColorOf(i)));
        graphics.FillRectangle(&brush, x + slot * 0.2f, barBottom - height, slot * 0.6f, height);
        DrawText(graphics, dc, font, items[i].label, Gdiplus::RectF(x, barBottom, slot, lineHeight), TextColorOf(chart),
                 true);
    }
}

}  // namespace ui
