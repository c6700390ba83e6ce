// What the Win32 host's files share besides the window object: resources
// kept for all windows, colour and image helpers, sizes.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "ui/Controls.h"
#include "ui/ExtraControls.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ui {

inline constexpr UINT_PTR kAnimationTimer = 1;
inline constexpr UINT kAnimationIntervalMs = 80;
inline constexpr int kIndicatorSize = 14;
inline constexpr int kCheckColumnWidth = 28;

// What the host keeps for all windows.
struct SharedResources {
    ULONG_PTR gdiplusToken = 0;
    bool gdiplusStarted = false;
    HMODULE richEditLibrary = nullptr;
    std::map<std::wstring, std::unique_ptr<Gdiplus::Bitmap>> images;
    std::vector<std::wstring> registeredClasses;

    void StartGdiplus();
};

SharedResources& Shared();

COLORREF ToColorRef(Color argb);
Color Darken(Color argb, double factor);
Gdiplus::Color ToGdiplus(Color argb);
// The package's image for the window's scale, loaded once; nullptr when the
// package lacks it or GDI+ cannot read it.
Gdiplus::Bitmap* LoadImage(const std::wstring& name);
// The image variant for the window's scale: "x@150.png", "x@125.png" or
// "x.png", whichever the package has.
std::wstring ScaledImageName(const std::wstring& name, int dpi);
int DpiOf(HWND window);
// The combo whose list is dropped, if any is shown.
Combo* DroppedCombo(Control& control);

}  // namespace ui
