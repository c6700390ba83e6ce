#include "ui/Png.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace ui {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t ReadBigEndian(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

struct Header {
    std::uint32_t width = 0, height = 0;
    int depth = 0, colourType = 0;
};

// Samples per pixel of a colour type, or 0 for one that does not exist.
int Channels(int colourType) {
    switch (colourType) {
        case 0: return 1;  // grey
        case 2: return 3;  // RGB
        case 3: return 1;  // palette index
        case 4: return 2;  // grey, alpha
        case 6: return 4;  // RGBA
        default: return 0;
    }
}

bool Supported(const Header& header) {
    if (Channels(header.colourType) == 0) return false;
    if (header.colourType == 3) return header.depth == 8;
    return header.depth == 8 || header.depth == 16;
}

int PaethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes the per-row filters in place; each row starts with its filter type.
bool Unfilter(std::vector<std::uint8_t>& data, std::size_t rowBytes, std::size_t rows, std::size_t pixelBytes) {
    const std::uint8_t* previous = nullptr;
    for (std::size_t y = 0; y < rows; ++y) {
        std::uint8_t* row = data.data() + y * (rowBytes + 1);
        const std::uint8_t filter = row[0];
        std::uint8_t* line = row + 1;
        for (std::size_t x = 0; x < rowBytes; ++x) {
            const int left = x >= pixelBytes ? line[x - pixelBytes] : 0;
            const int up = previous ? previous[x] : 0;
            const int upLeft = previous && x >= pixelBytes ? previous[x - pixelBytes] : 0;
            int predicted = 0;
            switch (filter) {
                case 0: break;
                case 1: predicted = left; break;
                case 2: predicted = up; break;
                case 3: predicted = (left + up) / 2; break;
                case 4: predicted = PaethPredictor(left, up, upLeft); break;
                default: return false;
            }
            line[x] = static_cast<std::uint8_t>(line[x] + predicted);
        }
        previous = line;
    }
    return true;
}

bool Inflate(const std::vector<std::uint8_t>& compressed, std::vector<std::uint8_t>& out) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool whole = result == Z_STREAM_END && stream.total_out == out.size();
    inflateEnd(&stream);
    return whole;
}

// The chunks after the signature, checked one by one: the header, the
// palette and its alpha, and the compressed image data in order.
struct Chunks {
    Header header;
    std::vector<std::uint8_t> compressed;
    std::vector<std::uint32_t> palette;
};

bool ReadChunks(const std::uint8_t* data, std::size_t size, Chunks& chunks) {
    Header& header = chunks.header;
    std::vector<std::uint32_t>& palette = chunks.palette;
    bool haveHeader = false, ended = false;
    std::size_t at = sizeof kSignature;
    while (!ended) {
        if (size - at < 12) return false;
        const std::uint32_t length = ReadBigEndian(data + at);
        if (length > size - at - 12) return false;
        const std::uint8_t* type = data + at + 4;
        const std::uint8_t* body = data + at + 8;
        const uLong crc = crc32(0L, type, 4 + length);
        if (crc != ReadBigEndian(body + length)) return false;
        at += 12 + std::size_t{length};

        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (haveHeader || length != 13) return false;
            header.width = ReadBigEndian(body);
            header.height = ReadBigEndian(body + 4);
            header.depth = body[8];
            header.colourType = body[9];
            // Compression and filter method 0; no interlacing.
            if (body[10] != 0 || body[11] != 0 || body[12] != 0) return false;
            if (header.width == 0 || header.height == 0) return false;
            if (std::uint64_t{header.width} * header.height > kMaxPngPixels) return false;
            if (!Supported(header)) return false;
            haveHeader = true;
        } else if (!haveHeader) {
            return false;  // IHDR comes first
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (length % 3 != 0 || length / 3 > 256) return false;
            palette.clear();
            for (std::uint32_t i = 0; i < length; i += 3)
                palette.push_back(0xFF000000u | (std::uint32_t{body[i]} << 16) | (std::uint32_t{body[i + 1]} << 8) |
                                  body[i + 2]);
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            // Only a palette's alpha is read; a colour key is left to the
            // system's codec.
            if (header.colourType != 3 || length > palette.size()) return false;
            for (std::uint32_t i = 0; i < length; ++i)
                palette[i] = (palette[i] & 0x00FFFFFFu) | (std::uint32_t{body[i]} << 24);
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            chunks.compressed.insert(chunks.compressed.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        } else if ((type[0] & 0x20) == 0) {
            return false;  // a critical chunk this reader does not know
        }
    }
    if (!haveHeader || chunks.compressed.empty()) return false;
    return header.colourType != 3 || !palette.empty();
}

// One pixel as ARGB; false for a palette index past the palette. The high
// byte of a 16-bit sample is its 8-bit value.
bool PixelArgb(const Chunks& chunks, const std::uint8_t* pixel, std::size_t sampleBytes, std::uint32_t& argb) {
    const auto sample = [&](std::size_t i) { return std::uint32_t{pixel[i * sampleBytes]}; };
    switch (chunks.header.colourType) {
        case 0: argb = 0xFF000000u | sample(0) * 0x010101u; return true;
        case 2: argb = 0xFF000000u | (sample(0) << 16) | (sample(1) << 8) | sample(2); return true;
        case 3:
            if (pixel[0] >= chunks.palette.size()) return false;
            argb = chunks.palette[pixel[0]];
            return true;
        case 4: argb = (sample(1) << 24) | sample(0) * 0x010101u; return true;
        default: argb = (sample(3) << 24) | (sample(0) << 16) | (sample(1) << 8) | sample(2); return true;
    }
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, PngImage& image) {
    if (data == nullptr || size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
        return false;
    Chunks chunks;
    if (!ReadChunks(data, size, chunks)) return false;
    const Header& header = chunks.header;

    const std::size_t channels = static_cast<std::size_t>(Channels(header.colourType));
    const std::size_t sampleBytes = header.depth == 16 ? 2 : 1;
    const std::size_t pixelBytes = channels * sampleBytes;
    const std::size_t rowBytes = header.width * pixelBytes;
    std::vector<std::uint8_t> raw((rowBytes + 1) * header.height);
    if (!Inflate(chunks.compressed, raw)) return false;
    if (!Unfilter(raw, rowBytes, header.height, pixelBytes)) return false;

    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.pixels.assign(std::size_t{header.width} * header.height, 0);
    for (std::size_t y = 0; y < header.height; ++y) {
        const std::uint8_t* line = raw.data() + y * (rowBytes + 1) + 1;
        for (std::size_t x = 0; x < header.width; ++x)
            if (!PixelArgb(chunks, line + x * pixelBytes, sampleBytes, image.pixels[y * header.width + x]))
                return false;
    }
    return true;
}

}  // namespace ui
