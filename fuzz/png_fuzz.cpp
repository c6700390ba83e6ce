// libFuzzer target for the PNG reader that decodes the skin's images.
#include "ui/Png.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ui::PngImage image;
    if (ui::DecodePng(data, size, image) &&
        image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        __builtin_trap();
    return 0;
}
