#include "ui/Png.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& body) {
    PutBigEndian(out, static_cast<std::uint32_t>(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian(out, static_cast<std::uint32_t>(crc32(0L, typed.data(), static_cast<uInt>(typed.size()))));
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

struct Picture {
    std::uint32_t width, height;
    int depth, colourType;
    int channels;
    std::vector<std::uint16_t> samples;  // row by row, channel by channel
};

// Rows of raw bytes, row y filtered with filter (y % 5), as an encoder may.
Bytes FilteredRows(const Picture& p) {
    const std::size_t sampleBytes = p.depth == 16 ? 2 : 1;
    const std::size_t pixelBytes = static_cast<std::size_t>(p.channels) * sampleBytes;
    const std::size_t rowBytes = p.width * pixelBytes;
    Bytes plain;
    for (std::uint16_t sample : p.samples) {
        if (sampleBytes == 2) plain.push_back(static_cast<std::uint8_t>(sample >> 8));
        plain.push_back(static_cast<std::uint8_t>(sample));
    }
    Bytes out;
    for (std::size_t y = 0; y < p.height; ++y) {
        const int filter = static_cast<int>(y % 5);
        out.push_back(static_cast<std::uint8_t>(filter));
        const std::uint8_t* line = plain.data() + y * rowBytes;
        const std::uint8_t* up = y > 0 ? line - rowBytes : nullptr;
        for (std::size_t x = 0; x < rowBytes; ++x) {
            const int a = x >= pixelBytes ? line[x - pixelBytes] : 0;
            const int b = up ? up[x] : 0;
            const int c = up && x >= pixelBytes ? up[x - pixelBytes] : 0;
            const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? Paeth(a, b, c) : 0;
            out.push_back(static_cast<std::uint8_t>(line[x] - predicted));
        }
    }
    return out;
}

Bytes Compress(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
    out.resize(size);
    return out;
}

Bytes Header(std::uint32_t width, std::uint32_t height, int depth, int colourType, int interlace = 0) {
    Bytes body;
    PutBigEndian(body, width);
    PutBigEndian(body, height);
    body.insert(body.end(), {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colourType), 0, 0,
                             static_cast<std::uint8_t>(interlace)});
    return body;
}

// The IDAT data is split in two chunks, which the reader must join.
Bytes Encode(const Picture& p, const Bytes& palette = {}, const Bytes& alpha = {}) {
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", Header(p.width, p.height, p.depth, p.colourType));
    PutChunk(out, "tEXt", Bytes{'a', 0, 'b'});
    if (!palette.empty()) PutChunk(out, "PLTE", palette);
    if (!alpha.empty()) PutChunk(out, "tRNS", alpha);
    const Bytes data = Compress(FilteredRows(p));
    const std::size_t half = data.size() / 2;
    PutChunk(out, "IDAT", Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(half)));
    PutChunk(out, "IDAT", Bytes(data.begin() + static_cast<std::ptrdiff_t>(half), data.end()));
    PutChunk(out, "IEND", {});
    return out;
}

std::vector<std::uint32_t> Decode(const Bytes& png, bool& ok) {
    ui::PngImage image;
    ok = ui::DecodePng(png.data(), png.size(), image);
    return image.pixels;
}

// Samples that vary by position, so that each filter sees real neighbours.
std::vector<std::uint16_t> Samples(std::uint32_t width, std::uint32_t height, int channels, int depth) {
    std::vector<std::uint16_t> samples;
    const int max = depth == 16 ? 0xFFFF : 0xFF;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                samples.push_back(static_cast<std::uint16_t>((x * 37 + y * 91 + static_cast<std::uint32_t>(c) * 53) * 257 % (max + 1)));
    return samples;
}

TEST(Png, EveryColourTypeDepthAndFilter) {
    struct Case {
        int colourType, depth, channels;
    };
    const Case cases[] = {{0, 8, 1}, {0, 16, 1}, {2, 8, 3}, {2, 16, 3}, {4, 8, 2}, {4, 16, 2}, {6, 8, 4}, {6, 16, 4}};
    for (const Case& c : cases) {
        Picture p{7, 11, c.depth, c.colourType, c.channels, Samples(7, 11, c.channels, c.depth)};
        bool ok = false;
        const auto pixels = Decode(Encode(p), ok);
        ASSERT_TRUE(ok) << c.colourType << "/" << c.depth;
        ASSERT_EQ(pixels.size(), 77u);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const auto s = [&](int k) {
                const std::uint16_t v = p.samples[i * static_cast<std::size_t>(c.channels) + static_cast<std::size_t>(k)];
                return static_cast<std::uint32_t>(c.depth == 16 ? v >> 8 : v);
            };
            std::uint32_t expected = 0;
            switch (c.colourType) {
                case 0: expected = 0xFF000000u | s(0) * 0x010101u; break;
                case 2: expected = 0xFF000000u | s(0) << 16 | s(1) << 8 | s(2); break;
                case 4: expected = s(1) << 24 | s(0) * 0x010101u; break;
                default: expected = s(3) << 24 | s(0) << 16 | s(1) << 8 | s(2); break;
            }
            ASSERT_EQ(pixels[i], expected) << c.colourType << "/" << c.depth << " pixel " << i;
        }
    }
}

TEST(Png, PaletteWithAndWithoutItsAlpha) {
    Picture p{5, 6, 8, 3, 1, {}};
    for (std::uint32_t i = 0; i < 30; ++i) p.samples.push_back(static_cast<std::uint16_t>(i % 3));
    const Bytes palette{255, 0, 0, 0, 255, 0, 0, 0, 255};
    bool ok = false;
    auto pixels = Decode(Encode(p, palette), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[1], 0xFF00FF00u);
    EXPECT_EQ(pixels[2], 0xFF0000FFu);
    pixels = Decode(Encode(p, palette, Bytes{0x80}), ok);  // only the first entry has alpha
    ASSERT_TRUE(ok);
    EXPECT_EQ(pixels[0], 0x80FF0000u);
    EXPECT_EQ(pixels[1], 0xFF00FF00u);
    // An index past the palette is damage.
    p.samples[4] = 7;
    Decode(Encode(p, palette), ok);
    EXPECT_FALSE(ok);
}

// What the reader refuses leaves the image to the system's codec; none of
// it may read outside the data.
TEST(Png, DamagedOrUnreadDataIsRefused) {
    const Picture p{4, 4, 8, 6, 4, Samples(4, 4, 4, 8)};
    const Bytes good = Encode(p);
    bool ok = false;
    Decode(good, ok);
    ASSERT_TRUE(ok);

    // Every truncation, and the data without its end chunk.
    for (std::size_t size = 0; size < good.size(); ++size) {
        ui::PngImage image;
        EXPECT_FALSE(ui::DecodePng(good.data(), size, image)) << size;
    }
    struct Case {
        const char* what;
        Bytes png;
    };
    std::vector<Case> cases;
    Bytes flipped = good;
    flipped[40] ^= 1;  // inside the first chunk after IHDR
    cases.push_back({"checksum", flipped});
    Bytes huge = good;
    huge[8] = 0x7F;  // IHDR's length
    cases.push_back({"length past the end", huge});
    const auto withHeader = [&](const Bytes& header) {
        Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        PutChunk(out, "IHDR", header);
        PutChunk(out, "IDAT", Compress(FilteredRows(p)));
        PutChunk(out, "IEND", {});
        return out;
    };
    cases.push_back({"interlaced", withHeader(Header(4, 4, 8, 6, 1))});
    cases.push_back({"too many pixels", withHeader(Header(4096, 4096, 8, 6))});
    cases.push_back({"no width", withHeader(Header(0, 4, 8, 6))});
    cases.push_back({"2-bit grey", withHeader(Header(4, 4, 2, 0))});
    cases.push_back({"colour type 5", withHeader(Header(4, 4, 8, 5))});
    cases.push_back({"more rows than the data", withHeader(Header(4, 5, 8, 6))});
    cases.push_back({"palette without PLTE", withHeader(Header(16, 4, 8, 3))});
    Bytes badFilter = FilteredRows(p);
    badFilter[0] = 5;
    Bytes unknownFilter{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(unknownFilter, "IHDR", Header(4, 4, 8, 6));
    PutChunk(unknownFilter, "IDAT", Compress(badFilter));
    PutChunk(unknownFilter, "IEND", {});
    cases.push_back({"filter type 5", unknownFilter});
    Bytes critical{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(critical, "IHDR", Header(4, 4, 8, 6));
    PutChunk(critical, "ABCD", {});
    PutChunk(critical, "IDAT", Compress(FilteredRows(p)));
    PutChunk(critical, "IEND", {});
    cases.push_back({"unknown critical chunk", critical});
    for (const Case& c : cases) {
        Decode(c.png, ok);
        EXPECT_FALSE(ok) << c.what;
    }
}

TEST(Png, TheSkinsImagesAreRead) {
    struct Case {
        const char* file;
        int side;
    };
    for (const Case& c : {Case{"logo.png", 18}, Case{"logo@150.png", 27}, Case{"skin_sky.png", 0}}) {
        std::ifstream in(std::string(SKIN_SOURCE_DIR) + "/images/" + c.file, std::ios::binary);
        const Bytes png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(png.empty()) << c.file;
        ui::PngImage image;
        ASSERT_TRUE(ui::DecodePng(png.data(), png.size(), image)) << c.file;
        if (c.side != 0) {
            EXPECT_EQ(image.width, c.side) << c.file;
        }
        EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    }
}

}  // namespace
