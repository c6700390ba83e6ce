// Drawing of the circular progress, the combo box and the chart with GDI+.
// Rectangles are in device pixels; `scale` is the window's DPI over 96 and
// `font` the control's font, for the few texts the controls show.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "ui/ExtraControls.h"

namespace ui {

// `frame` counts the animation's ticks, for the busy indicator.
void PaintCircleProgress(Gdiplus::Graphics& graphics, HDC dc, const RECT& r, const CircleProgress& circle,
                         double scale, unsigned frame, HFONT font);
// The closed box: the chosen item and the drop arrow.
void PaintComboBox(Gdiplus::Graphics& graphics, HDC dc, const RECT& r, const Combo& combo, double scale, HFONT font);
// The dropped list under the box (drawn over everything else).
void PaintComboList(Gdiplus::Graphics& graphics, HDC dc, const RECT& list, const Combo& combo, int hotItem,
                    double scale, HFONT font);
void PaintChart(Gdiplus::Graphics& graphics, HDC dc, const RECT& r, const Chart& chart, double scale, HFONT font);

}  // namespace ui
