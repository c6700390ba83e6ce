#include "ui/win32/HostWindow.h"

#include "ui/Png.h"
#include "ui/Toolkit.h"
#include "ui/Utf.h"
#include "ui/win32/ExtraPainting.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>

namespace ui {

COLORREF ToColorRef(Color argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

Color Darken(Color argb, double factor) {
    auto channel = [&](int shift) {
        return static_cast<Color>(static_cast<double>((argb >> shift) & 0xFF) * factor) << shift;
    };
    return (argb & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

Gdiplus::Color ToGdiplus(Color argb) {
    return Gdiplus::Color(static_cast<BYTE>(argb >> 24), static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8),
                          static_cast<BYTE>(argb));
}

// The image variant for the window's scale: "x@150.png", "x@125.png" or
// "x.png", whichever the package has.
std::wstring ScaledImageName(const std::wstring& name, int dpi) {
    const std::size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos) return name;
    const wchar_t* suffix = dpi >= 144 ? L"@150" : dpi >= 120 ? L"@125" : nullptr;
    if (suffix == nullptr) return name;
    const std::wstring scaled = name.substr(0, dot) + suffix + name.substr(dot);
    const ResourcePackage& package = Toolkit::Process().Package();
    return package.Archive().Find(WideToUtf8(scaled)) ? scaled : name;
}

namespace {

std::unique_ptr<Gdiplus::Bitmap> BitmapOf(const PngImage& png) {
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(png.width, png.height, PixelFormat32bppARGB);
    Gdiplus::BitmapData target{};
    const Gdiplus::Rect all(0, 0, png.width, png.height);
    if (bitmap->GetLastStatus() != Gdiplus::Ok ||
        bitmap->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &target) != Gdiplus::Ok)
        return nullptr;
    const std::size_t rowBytes = static_cast<std::size_t>(png.width) * sizeof(std::uint32_t);
    for (int y = 0; y < png.height; ++y)
        std::memcpy(static_cast<std::uint8_t*>(target.Scan0) + static_cast<std::ptrdiff_t>(y) * target.Stride,
                    png.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(png.width), rowBytes);
    bitmap->UnlockBits(&target);
    return bitmap;
}

// Any format GDI+ reads, through the system's codecs.
std::unique_ptr<Gdiplus::Bitmap> DecodeWithCodecs(const std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    if (IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()))) {
        bitmap.reset(Gdiplus::Bitmap::FromStream(stream));
        stream->Release();
        if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) bitmap.reset();
    }
    return bitmap;
}

}  // namespace

Gdiplus::Bitmap* LoadImage(const std::wstring& name) {
    SharedResources& shared = Shared();
    const auto it = shared.images.find(name);
    if (it != shared.images.end()) return it->second.get();
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    if (Toolkit::Process().Package().ReadEntry(name, kMaxSkinEntrySize, bytes) == ZipError::None && !bytes.empty()) {
        PngImage png;
        bitmap = DecodePng(bytes.data(), bytes.size(), png) ? BitmapOf(png) : DecodeWithCodecs(bytes);
    }
    Gdiplus::Bitmap* raw = bitmap.get();
    shared.images[name] = std::move(bitmap);  // a miss is remembered too
    MarkPhase("first image");
    return raw;
}

// The combo whose list is dropped, if any is shown.
Combo* DroppedCombo(Control& control) {
    if (!control.IsVisible()) return nullptr;
    if (auto* combo = dynamic_cast<Combo*>(&control)) return combo->IsDropped() ? combo : nullptr;
    if (Container* container = control.AsContainer())
        for (std::size_t i = 0; i < container->Count(); ++i)
            if (Combo* found = DroppedCombo(*container->ItemAt(i))) return found;
    return nullptr;
}

bool Win32WindowHost::Impl::AnyAnimationPlaying(Control* control) {
    if (!control->IsVisible()) return false;
    if (auto* gif = dynamic_cast<GifAnim*>(control)) return gif->IsPlaying();
    if (Container* container = control->AsContainer())
        for (std::size_t i = 0; i < container->Count(); ++i)
            if (AnyAnimationPlaying(container->ItemAt(i))) return true;
    return false;
}

void Win32WindowHost::Impl::PaintText(HDC dc, Control& control, RECT r, const std::wstring& text, Color color, bool wrap) {
    if (text.empty()) return;
    const Insets& pad = control.TextPadding();
    r.left += ToDevice(pad.left);
    r.top += ToDevice(pad.top);
    r.right -= ToDevice(pad.right);
    r.bottom -= ToDevice(pad.bottom);
    UINT format = DT_NOPREFIX;
    switch (control.TextAlign()) {
        case Control::Align::Center: format |= DT_CENTER; break;
        case Control::Align::Right: format |= DT_RIGHT; break;
        default: format |= DT_LEFT; break;
    }
    HGDIOBJ old = SelectObject(dc, Font(control.Font(), text));
    SetTextColor(dc, ToColorRef(color));
    SetBkMode(dc, TRANSPARENT);
    if (wrap) {
        // Word-wrapped text, placed by its measured height.
        RECT measure = r;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, format | DT_WORDBREAK | DT_CALCRECT);
        const int height = measure.bottom - measure.top;
        if (control.TextVAlign() == Control::VAlign::Center && height < r.bottom - r.top)
            r.top += (r.bottom - r.top - height) / 2;
        else if (control.TextVAlign() == Control::VAlign::Bottom && height < r.bottom - r.top)
            r.top = r.bottom - height;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_WORDBREAK | DT_END_ELLIPSIS);
    } else {
        format |= DT_SINGLELINE | DT_END_ELLIPSIS;
        format |= control.TextVAlign() == Control::VAlign::Top      ? DT_TOP
                  : control.TextVAlign() == Control::VAlign::Bottom ? DT_BOTTOM
                                                                    : DT_VCENTER;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    }
    SelectObject(dc, old);
}

void Win32WindowHost::Impl::PaintIndicator(Gdiplus::Graphics& graphics, const RECT& box, bool radio, bool selected,
                                      Color accent) {
    const Gdiplus::REAL size = static_cast<Gdiplus::REAL>(ToDevice(kIndicatorSize));
    const Gdiplus::REAL x = static_cast<Gdiplus::REAL>(box.left);
    const Gdiplus::REAL y = static_cast<Gdiplus::REAL>(box.top + (box.bottom - box.top - ToDevice(kIndicatorSize)) / 2);
    Gdiplus::Pen frame(ToGdiplus(selected ? accent : 0xFF8A94A3), static_cast<Gdiplus::REAL>(Scale()));
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    Gdiplus::SolidBrush fill(ToGdiplus(accent));
    if (radio) {
        graphics.FillEllipse(&white, x, y, size, size);
        graphics.DrawEllipse(&frame, x, y, size, size);
        if (selected) {
            const Gdiplus::REAL inset = size * 0.28f;
            graphics.FillEllipse(&fill, x + inset, y + inset, size - 2 * inset, size - 2 * inset);
        }
    } else {
        if (selected) graphics.FillRectangle(&fill, x, y, size, size);
        else graphics.FillRectangle(&white, x, y, size, size);
        graphics.DrawRectangle(&frame, x, y, size, size);
        if (selected) {
            Gdiplus::Pen tick(Gdiplus::Color(255, 255, 255, 255), static_cast<Gdiplus::REAL>(2 * Scale()));
            const Gdiplus::PointF points[] = {{x + size * 0.22f, y + size * 0.52f},
                                              {x + size * 0.42f, y + size * 0.72f},
                                              {x + size * 0.78f, y + size * 0.30f}};
            graphics.DrawLines(&tick, points, 3);
        }
    }
}

void Win32WindowHost::Impl::PaintSpinner(Gdiplus::Graphics& graphics, const RECT& r, Color color) {
    const int side = std::min(r.right - r.left, r.bottom - r.top);
    if (side <= 4) return;
    const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(std::max(2, side / 8));
    const Gdiplus::REAL inset = width / 2 + 1;
    const Gdiplus::RectF box(static_cast<Gdiplus::REAL>(r.left + (r.right - r.left - side) / 2) + inset,
                             static_cast<Gdiplus::REAL>(r.top + (r.bottom - r.top - side) / 2) + inset,
                             static_cast<Gdiplus::REAL>(side) - 2 * inset, static_cast<Gdiplus::REAL>(side) - 2 * inset);
    Gdiplus::Pen track(Gdiplus::Color(60, 128, 128, 128), width);
    graphics.DrawEllipse(&track, box);
    Gdiplus::Pen arc(ToGdiplus(color), width);
    arc.SetStartCap(Gdiplus::LineCapRound);
    arc.SetEndCap(Gdiplus::LineCapRound);
    graphics.DrawArc(&arc, box, static_cast<Gdiplus::REAL>((animationFrame * 30) % 360), 100.0f);
}

namespace {

// The states that change how a control is drawn.
struct Look {
    bool selected = false;
    bool hot = false;
};

Look LookOf(Control& control) {
    Look look;
    auto* option = dynamic_cast<Option*>(&control);
    auto* row = dynamic_cast<ListContainerElement*>(&control);
    look.selected = (option && option->IsSelected()) || (row && row->IsSelected());
    look.hot = control.IsHot() && control.IsEnabled();
    return look;
}

}  // namespace

void Win32WindowHost::Impl::PaintControl(Gdiplus::Graphics& graphics, HDC dc, Control& control) {
    if (!control.IsVisible()) return;
    const RECT r = ToDevice(control.Pos());
    if (r.right <= r.left || r.bottom <= r.top) return;
    const Look look = LookOf(control);
    PaintFrame(graphics, control, r, look.selected, look.hot);
    PaintContent(graphics, dc, control, r, look.selected, look.hot);
    PaintChildren(graphics, dc, control);
}

// Background colour, then image (the state's image if it has one), border
// and the focus mark.
void Win32WindowHost::Impl::PaintFrame(Gdiplus::Graphics& graphics, Control& control, const RECT& r, bool selected,
                                       bool isHot) {
    auto* option = dynamic_cast<Option*>(&control);
    auto* row = dynamic_cast<ListContainerElement*>(&control);
    Color background = control.BkColor();
    if (row && (selected || isHot) && (background >> 24) != 0) background = selected ? 0xFFE8F1FB : 0xFFF3F7FC;
    // A coloured push button darkens under the mouse and when pressed.
    if (dynamic_cast<Button*>(&control) && !option && (background >> 24) != 0 && control.IsEnabled())
        if (isHot || control.IsPushed()) background = Darken(background, control.IsPushed() ? 0.78 : 0.88);
    const Size round = control.BorderRound();
    const auto shape = [&](Gdiplus::REAL inset) {
        // The outline of the control, `inset` pixels inside its rectangle.
        auto path = std::make_unique<Gdiplus::GraphicsPath>();
        const Gdiplus::REAL x = static_cast<Gdiplus::REAL>(r.left) + inset;
        const Gdiplus::REAL y = static_cast<Gdiplus::REAL>(r.top) + inset;
        const Gdiplus::REAL w = static_cast<Gdiplus::REAL>(r.right - r.left) - 2 * inset;
        const Gdiplus::REAL h = static_cast<Gdiplus::REAL>(r.bottom - r.top) - 2 * inset;
        if (round.cx > 0 && round.cy > 0) {
            const Gdiplus::REAL dx = std::min(w, static_cast<Gdiplus::REAL>(ToDevice(round.cx) * 2));
            const Gdiplus::REAL dy = std::min(h, static_cast<Gdiplus::REAL>(ToDevice(round.cy) * 2));
            path->AddArc(x, y, dx, dy, 180, 90);
            path->AddArc(x + w - dx, y, dx, dy, 270, 90);
            path->AddArc(x + w - dx, y + h - dy, dx, dy, 0, 90);
            path->AddArc(x, y + h - dy, dx, dy, 90, 90);
            path->CloseFigure();
        } else {
            path->AddRectangle(Gdiplus::RectF(x, y, w, h));
        }
        return path;
    };
    const auto fillPath = shape(0);
    Gdiplus::GraphicsPath& path = *fillPath;
    const Gdiplus::REAL left = static_cast<Gdiplus::REAL>(r.left), top = static_cast<Gdiplus::REAL>(r.top);
    const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(r.right - r.left - 1);
    const Gdiplus::REAL height = static_cast<Gdiplus::REAL>(r.bottom - r.top - 1);
    if ((background >> 24) != 0) {
        Gdiplus::SolidBrush brush(ToGdiplus(background));
        graphics.FillPath(&brush, &path);
    }
    std::wstring image = control.Image(L"bkimage");
    if (control.IsEnabled() == false && !control.Image(L"disabledimage").empty()) image = control.Image(L"disabledimage");
    else if (selected && !control.Image(L"selectedimage").empty()) image = control.Image(L"selectedimage");
    else if (control.IsPushed() && !control.Image(L"pushedimage").empty()) image = control.Image(L"pushedimage");
    else if (isHot && !control.Image(L"hotimage").empty()) image = control.Image(L"hotimage");
    else if (!control.Image(L"normalimage").empty()) image = control.Image(L"normalimage");
    if (!image.empty() && !dynamic_cast<GifAnim*>(&control)) {
        if (Gdiplus::Bitmap* bitmap = LoadImage(ScaledImageName(image, dpi)))
            graphics.DrawImage(bitmap, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    }
    if (control.BorderSize() > 0 && (control.BorderColor() >> 24) != 0) {
        Color border = control.BorderColor();
        if (option && (selected || isHot) && control.SelectedTextColor() != 0) border = control.SelectedTextColor();
        if (round.cx > 0 && round.cy > 0) {
            // Half a pen inside the outline, so the right and bottom edges
            // stay on the control's own pixels when a row clips at its edge.
            const Gdiplus::REAL penWidth = static_cast<Gdiplus::REAL>(ToDevice(control.BorderSize()));
            Gdiplus::Pen pen(ToGdiplus(border), penWidth);
            graphics.DrawPath(&pen, shape(penWidth / 2).get());
        } else {
            // Square: four filled edges on the control's outermost pixels. A
            // pen on a half-pixel outline may land outside on the right and
            // bottom (a pop-up then shows no border there).
            Gdiplus::SolidBrush brush(ToGdiplus(border));
            const INT edge = std::max(1, ToDevice(control.BorderSize()));
            const INT x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
            graphics.FillRectangle(&brush, x, y, w, edge);
            graphics.FillRectangle(&brush, x, y + h - edge, w, edge);
            graphics.FillRectangle(&brush, x, y, edge, h);
            graphics.FillRectangle(&brush, x + w - edge, y, edge, h);
        }
    }
    if (focused == &control && dynamic_cast<Button*>(&control)) {
        Gdiplus::Pen pen(Gdiplus::Color(160, 30, 111, 217), static_cast<Gdiplus::REAL>(Scale()));
        pen.SetDashStyle(Gdiplus::DashStyleDot);
        graphics.DrawRectangle(&pen, left + 1, top + 1, width - 2, height - 2);
    }
}

// Text, marks and the drawings of the further controls.
void Win32WindowHost::Impl::PaintContent(Gdiplus::Graphics& graphics, HDC dc, Control& control, const RECT& r,
                                         bool selected, bool isHot) {
    auto* option = dynamic_cast<Option*>(&control);
    Color textColor = control.TextColor();
    if (!control.IsEnabled()) textColor = control.DisabledTextColor();
    else if (selected && control.SelectedTextColor() != 0) textColor = control.SelectedTextColor();
    else if (isHot && control.HotTextColor() != 0) textColor = control.HotTextColor();

    if (auto* circle = dynamic_cast<CircleProgress*>(&control)) {
        graphics.Flush();
        PaintCircleProgress(graphics, dc, r, *circle, Scale(), animationFrame, Font(control.Font(), L"100%"));
        return;
    }
    if (auto* gif = dynamic_cast<GifAnim*>(&control)) {
        if (gif->IsPlaying()) PaintSpinner(graphics, r, 0xFF1E6FD9);
        return;
    }
    if (auto* combo = dynamic_cast<Combo*>(&control)) {
        const int chosen = combo->SelectedIndex();
        const std::wstring text = chosen >= 0 ? combo->Items()[static_cast<std::size_t>(chosen)] : std::wstring();
        PaintComboBox(graphics, dc, r, *combo, Scale(), Font(control.Font(), text));
        return;
    }
    if (auto* chart = dynamic_cast<Chart*>(&control)) {
        std::wstring labels;
        for (const Chart::Item& item : chart->Items()) labels += item.label;
        PaintChart(graphics, dc, r, *chart, Scale(), Font(control.Font(), labels));
        return;
    }
    if (auto* checkRow = dynamic_cast<ListTextExtElement*>(&control)) {
        const bool box = checkRow->HasCheckBox();
        if (box) {
            RECT mark{r.left + ToDevice(8), r.top, r.left + ToDevice(kCheckColumnWidth), r.bottom};
            PaintIndicator(graphics, mark, false, checkRow->IsChecked(), 0xFF1E6FD9);
        }
        RECT text{r.left + ToDevice(box ? kCheckColumnWidth + 4 : 4), r.top, r.right - ToDevice(4), r.bottom};
        graphics.Flush();
        PaintText(dc, control, text, checkRow->ShownText(), textColor, false);
    }
    if (option) {
        const Insets& pad = control.TextPadding();
        if (pad.left >= kIndicatorSize + 4) {
            // The mark sits in the text's left padding, six pixels before the text.
            const int indent = std::max(0, pad.left - kIndicatorSize - 6);
            RECT box{r.left + ToDevice(indent), r.top, r.left + ToDevice(indent + kIndicatorSize), r.bottom};
            PaintIndicator(graphics, box, !option->Group().empty(), option->IsSelected(),
                           control.SelectedTextColor() ? control.SelectedTextColor() : 0xFF1E6FD9);
        }
    }
    if (dynamic_cast<Label*>(&control) && !dynamic_cast<Edit*>(&control)) {
        graphics.Flush();
        PaintText(dc, control, r, control.DisplayText(), textColor, dynamic_cast<TextControl*>(&control) != nullptr);
    }
}

void Win32WindowHost::Impl::PaintChildren(Gdiplus::Graphics& graphics, HDC dc, Control& control) {
    if (Container* container = control.AsContainer()) {
        // A list's rows scroll under its border: they show inside only.
        const RECT area = ToDevice(container->VisibleArea());
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        Gdiplus::Region oldClip;
        graphics.GetClip(&oldClip);
        // Half-pixel offset drawing: the clip moves with it, or the last
        // column and row of the container would fall outside.
        graphics.SetClip(Gdiplus::RectF(static_cast<Gdiplus::REAL>(area.left) + 0.5f,
                                        static_cast<Gdiplus::REAL>(area.top) + 0.5f,
                                        static_cast<Gdiplus::REAL>(area.right - area.left),
                                        static_cast<Gdiplus::REAL>(area.bottom - area.top)),
                         Gdiplus::CombineModeIntersect);
        for (std::size_t i = 0; i < container->Count(); ++i) PaintControl(graphics, dc, *container->ItemAt(i));
        graphics.SetClip(&oldClip);
        RestoreDC(dc, saved);
    }
    if (auto* list = dynamic_cast<List*>(&control); list && list->HasScrollBar()) PaintScrollBar(graphics, *list);
}

void Win32WindowHost::Impl::PaintScrollBar(Gdiplus::Graphics& graphics, const List& list) {
    // A slim bar with round ends: a light track, a grey thumb that darkens
    // under the mouse and while dragged.
    const auto pill = [](const RECT& r) {
        auto path = std::make_unique<Gdiplus::GraphicsPath>();
        const Gdiplus::REAL x = static_cast<Gdiplus::REAL>(r.left), y = static_cast<Gdiplus::REAL>(r.top);
        const Gdiplus::REAL w = static_cast<Gdiplus::REAL>(r.right - r.left);
        const Gdiplus::REAL h = static_cast<Gdiplus::REAL>(r.bottom - r.top);
        const Gdiplus::REAL d = std::min(w, h);
        path->AddArc(x, y, d, d, 180, 180);
        path->AddArc(x, y + h - d, d, d, 0, 180);
        path->CloseFigure();
        return path;
    };
    RECT track = ToDevice(list.ScrollBarRect());
    RECT thumb = ToDevice(list.ScrollThumbRect());
    // A pixel of air around the bar at 100 %, so it does not touch the border.
    const int air = std::max(1, ToDevice(1));
    track.top += air;
    track.bottom -= air;
    track.right -= air;
    thumb.right -= air;
    thumb.top = std::max(thumb.top, track.top);
    thumb.bottom = std::min(thumb.bottom, track.bottom);
    if (track.right - track.left < 2 || thumb.bottom - thumb.top < 2) return;
    Gdiplus::SolidBrush trackBrush(ToGdiplus(0xFFEEF1F5));
    graphics.FillPath(&trackBrush, pill(track).get());
    const bool active = dragging == &list || barHot == &list;
    Gdiplus::SolidBrush thumbBrush(ToGdiplus(active ? 0xFF8E97A4 : 0xFFB9C0CA));
    graphics.FillPath(&thumbBrush, pill(thumb).get());
}

void Win32WindowHost::Impl::Paint(HDC target) {
    if (!layoutValid) Layout();
    RECT client{};
    GetClientRect(hwnd, &client);
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        Gdiplus::Graphics graphics(dc);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        if (Control* root = window.Root()) {
            PaintControl(graphics, dc, *root);
            // A dropped list lies over whatever is below its box.
            if (Combo* combo = DroppedCombo(*root)) {
                std::wstring items;
                for (const std::wstring& item : combo->Items()) items += item;
                PaintComboList(graphics, dc, ToDevice(combo->DropRect()), *combo, comboHotItem, Scale(),
                               Font(combo->Font(), items));
            }
        }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace ui
