// A page of 1-bit pixels to the printer's command stream.
//
// The printer speaks a small command language: the model's own initialise,
// page-end and cut sequences (from its data file), and two fixed commands,
//   ESC J n                     feed the paper n dots (1..255),
//   GS v 0 0 xL xH yL yH data   print y rows of x bytes each, the leftmost
//                               pixel in the highest bit, 1 printing black.
// Blank rows are fed, never sent as raster; each row is sent only as far as
// its last black pixel (a band as far as its widest row); a band holds at
// most the model's bandRows rows.
#pragma once

#include "driver/PrinterModel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace driver {

inline constexpr std::uint8_t kEscape = 0x1B;
inline constexpr std::uint8_t kFeed = 0x4A;            // ESC J n
inline constexpr std::uint8_t kGroupSeparator = 0x1D;  // GS v 0 0 ...
inline constexpr std::uint8_t kRasterBand[] = {kGroupSeparator, 0x76, 0x30, 0x00};
inline constexpr std::uint32_t kMostFeed = 255;

// Which bit value of a page prints: the printer burns set bits; a surface
// whose palette puts black at index 0 has its ink in the clear bits.
enum class Ink { SetBits, ClearBits };

// Rows top to bottom, `stride` bytes apart. Pixels past `width` in a row's
// last byte are ignored, whatever they hold.
struct MonoPage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;
    const std::uint8_t* bits = nullptr;
    Ink ink = Ink::SetBits;
};

// A landscape page turned a quarter clockwise onto the portrait paper the
// printer feeds, as DeviceCapabilities promises (landscape is portrait
// turned 90 degrees counterclockwise): the landscape's top row becomes the
// portrait's right column. `bits` receives the rows the result points to;
// the result keeps the page's ink.
MonoPage TurnToPortrait(const MonoPage& landscape, std::vector<std::uint8_t>& bits);

// The model's initialise sequence, once at the start of a document, and
// where the model has one its darkness command with `darkness` (held to
// 1..15).
void EncodeDocumentStart(const PrinterModel& model, std::uint16_t darkness, std::vector<std::uint8_t>& out);

// Appends one page. A page wider or taller than the model prints is cut to
// its printable area. Trailing blank rows are fed only where the model cuts,
// so that every cut page has its length; elsewhere the page end ejects.
// False, and nothing appended, for a page whose stride is shorter than its
// width, with no pixels, or for a model without a band size. Where
// `bandEnds` is given, it receives the offset in `out` after each band, so
// that a writer can stop between bands.
bool EncodePage(const PrinterModel& model, const MonoPage& page, std::vector<std::uint8_t>& out,
                std::vector<std::size_t>* bandEnds = nullptr);

}  // namespace driver
