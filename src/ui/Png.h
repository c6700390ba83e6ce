// A PNG reader for the skin's own images: non-interlaced greyscale, RGB,
// palette, greyscale with alpha and RGBA, at 8 bits per sample (16 for all
// but palettes). The system's codecs read the rest; on Wine merely loading
// them took a fifth of the time to the window's first paint.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ui {

struct PngImage {
    int width = 0;
    int height = 0;
    // Row by row from the top, 0xAARRGGBB, not premultiplied.
    std::vector<std::uint32_t> pixels;
};

// The largest image read, in pixels, so that a damaged header cannot make
// the reader allocate without bound.
constexpr std::uint64_t kMaxPngPixels = 4u * 1024 * 1024;

// False, with `image` unspecified, for anything it does not read: damaged
// data (a chunk past the end, a checksum that does not match, image data
// that does not fill the image) or a format outside the list above.
bool DecodePng(const std::uint8_t* data, std::size_t size, PngImage& image);

}  // namespace ui
