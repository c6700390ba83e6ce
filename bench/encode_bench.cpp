// Benchmark, not a test: the driver's raster encoder on an A4 page at the
// model's resolution, against a plain copy of the same bitmap, and the
// bytes it writes for three reference pages against the raw bitmap.
//   encode_bench QuorvelA4300.pcd [runs]
#include "driver/ModelData.h"
#include "driver/RasterEncoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct Page {
    std::uint32_t width, height, stride;
    Bytes bits;
    void Set(std::uint32_t x, std::uint32_t y) { bits[y * stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8)); }
    driver::MonoPage View() const { return {width, height, stride, bits.data()}; }
};

Page Blank(const driver::PrinterModel& model) {
    const std::uint32_t stride = (model.printableWidth + 31) / 32 * 4;
    return {model.printableWidth, model.printableHeight, stride, Bytes(static_cast<std::size_t>(stride) * model.printableHeight, 0)};
}

// Lines of text-like marks: glyph cells of short strokes within 2 cm
// margins, a line of 12 pt every 16 pt, words and line ends left ragged.
Page TextPage(const driver::PrinterModel& model) {
    Page page = Blank(model);
    std::mt19937 random(7);
    const auto below = [&](std::uint32_t limit) { return static_cast<std::uint32_t>(random() % limit); };
    const std::uint32_t dpi = model.dpi, margin = dpi * 200 / 254;
    const std::uint32_t lineHeight = dpi * 16 / 72, glyphHeight = dpi * 9 / 72, glyphWidth = dpi * 7 / 72;
    for (std::uint32_t top = margin; top + lineHeight < page.height - margin; top += lineHeight) {
        const std::uint32_t end = page.width - margin - below(page.width / 3);
        for (std::uint32_t left = margin; left + glyphWidth < end; left += glyphWidth) {
            if (below(6) == 0) continue;  // a space
            for (int stroke = 0; stroke < 3; ++stroke) {
                const std::uint32_t x = left + below(glyphWidth - 2), y = top + below(glyphHeight);
                for (std::uint32_t i = 0; i < glyphHeight / 2 && y + i < page.height; ++i) page.Set(x, y + i);
            }
        }
    }
    return page;
}

Page GreyPage(const driver::PrinterModel& model) {
    Page page = Blank(model);
    for (std::uint32_t y = 0; y < page.height; ++y)
        for (std::uint32_t x = 0; x < page.width; ++x)
            if ((x + y) % 2 == 0) page.Set(x, y);
    return page;
}

double MedianMs(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: encode_bench model.pcd [runs]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    driver::PrinterModel model;
    if (driver::ReadModelData(data.data(), data.size(), model) != driver::ModelDataError::None) {
        std::fprintf(stderr, "%s: not a model data file\n", argv[1]);
        return 1;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const Page pages[] = {Blank(model), TextPage(model), GreyPage(model)};
    const char* names[] = {"blank", "text", "grey halftone"};
    std::printf("A4 at %u dpi: %u x %u dots, %zu bytes of bitmap\n", model.dpi, model.printableWidth,
                model.printableHeight, pages[0].bits.size());
    for (int i = 0; i < 3; ++i) {
        Bytes out;
        driver::EncodePage(model, pages[i].View(), out);
        std::printf("  %-14s %9zu bytes (%.1f %% of the bitmap)\n", names[i], out.size(),
                    100.0 * static_cast<double>(out.size()) / static_cast<double>(pages[i].bits.size()));
    }
    // The text page, encoded and copied, interleaved.
    std::vector<double> encode, copy;
    Bytes out, plain(pages[1].bits.size());
    for (int run = 0; run < runs; ++run) {
        out.clear();
        auto start = Clock::now();
        driver::EncodePage(model, pages[1].View(), out);
        encode.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        start = Clock::now();
        std::memcpy(plain.data(), pages[1].bits.data(), plain.size());
        copy.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const double encodeMs = MedianMs(encode), copyMs = MedianMs(copy);
    std::printf("text page, median of %d: encode %.3f ms, copy %.3f ms, ratio %.1f\n", runs, encodeMs, copyMs,
                encodeMs / copyMs);
    return 0;
}
