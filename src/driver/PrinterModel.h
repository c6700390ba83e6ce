// What the driver knows of one printer model: its resolution, the area it
// prints, its papers and the bytes of its commands. The model data file
// holds these; the same code serves both models.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace driver {

// A paper the model prints on, in the units a DEVMODE counts (0.1 mm).
struct PaperSize {
    std::uint16_t id = 0;  // DMPAPER_*, or 256 and up for the model's own
    std::wstring name;
    std::uint32_t width = 0;
    std::uint32_t length = 0;
};

struct PrinterModel {
    std::wstring name;  // as the user sees it, "A4 Printer(203dpi)"
    std::uint32_t dpi = 0;
    std::uint32_t printableWidth = 0;   // dots
    std::uint32_t printableHeight = 0;  // dots
    std::vector<PaperSize> papers;
    std::vector<std::uint8_t> initialise;  // at the start of every document
    std::vector<std::uint8_t> pageEnd;     // after every page
    std::vector<std::uint8_t> cut;         // after the page end; empty where the model does not cut
    // Sets the darkness, followed by one byte, the level (1 lightest to 15
    // darkest); empty where the model has no such setting.
    std::vector<std::uint8_t> darkness;
    std::uint16_t bandRows = 0;            // the most rows one raster band may carry
};

}  // namespace driver
