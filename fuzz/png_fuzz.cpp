// libFuzzer target for the PNG reader that decodes the skin's images.
//
// Plain byte mutations almost never survive the chunk CRCs and the zlib
// checksum, so the custom mutator below works on the decoded structure: it
// inflates the image data, mutates the filtered scanlines, the header, the
// palette or the chunk list, then deflates again and writes every CRC anew.
// Most inputs thus reach the unfiltering and pixel code with odd contents.
// PNG_FUZZ_PLAIN=1 in the environment switches back to libFuzzer's own
// mutations, for comparison.
#include "ui/Png.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ui::PngImage image;
    if (ui::DecodePng(data, size, image) &&
        image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        __builtin_trap();
    return 0;
}

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The most scanline bytes the mutator works on. Larger images are cropped
// to it: small images decode many times faster and teach the fuzzer as
// much, and the deflated result stays inside libFuzzer's size limit.
constexpr std::size_t kMaxRaw = 64 * 1024;

// Stands for the image data while it is out of the chunk list.
constexpr char kPlaceholder[4] = {'\0', 'I', 'D', 'T'};

using Rng = std::minstd_rand;
using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    char type[4];
    Bytes body;
    bool Is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

std::uint32_t ReadBigEndian(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

void WriteBigEndian(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

bool OneIn(Rng& rng, unsigned n) { return rng() % n == 0; }

// Rewrites the CRC of every whole chunk, and the signature, in place.
void FixChecksums(std::uint8_t* data, std::size_t size) {
    if (size < sizeof kSignature) return;
    std::memcpy(data, kSignature, sizeof kSignature);
    std::size_t at = sizeof kSignature;
    while (size - at >= 12) {
        const std::uint32_t length = ReadBigEndian(data + at);
        if (length > size - at - 12) break;
        WriteBigEndian(data + at + 8 + length, static_cast<std::uint32_t>(crc32(0L, data + at + 4, 4 + length)));
        at += 12 + std::size_t{length};
    }
}

// Reads the chunk list leniently, so that a damaged input still gives one
// the mutator can mend: a length past the end takes what is left, and a
// signature or trailing bytes that are wrong are ignored.
bool Parse(const std::uint8_t* data, std::size_t size, std::vector<Chunk>& chunks) {
    std::size_t at = sizeof kSignature;
    while (size >= at && size - at >= 12) {
        const std::size_t length = std::min<std::size_t>(ReadBigEndian(data + at), size - at - 12);
        Chunk chunk;
        std::memcpy(chunk.type, data + at + 4, 4);
        chunk.body.assign(data + at + 8, data + at + 8 + length);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return !chunks.empty();
}

// Whatever inflates before the stream ends, breaks or passes `limit`.
Bytes InflateSome(const Bytes& compressed, std::size_t limit) {
    Bytes out(limit);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return {};
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

Bytes Deflate(const Bytes& raw, int level) {
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(length);
    if (compress2(out.data(), &length, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK) return {};
    out.resize(length);
    return out;
}

Chunk* Find(std::vector<Chunk>& chunks, const char* type) {
    for (Chunk& chunk : chunks)
        if (chunk.Is(type)) return &chunk;
    return nullptr;
}

// Inserts a chunk before the first `before`, or else before the image data,
// or IEND, or at the end.
Chunk& Insert(std::vector<Chunk>& chunks, const char* type, const char* before) {
    auto at = chunks.end();
    for (const char* next : {before, kPlaceholder, "IEND"})
        if (at == chunks.end())
            at = std::find_if(chunks.begin(), chunks.end(), [&](const Chunk& c) { return c.Is(next); });
    Chunk chunk;
    std::memcpy(chunk.type, type, 4);
    return *chunks.insert(at, std::move(chunk));
}

// Lets libFuzzer mutate `bytes`, which may grow to `maxSize`.
void Mutate(Bytes& bytes, std::size_t maxSize) {
    const std::size_t size = bytes.size();
    bytes.resize(std::max(maxSize, size));
    bytes.resize(LLVMFuzzerMutate(bytes.data(), size, bytes.size()));
}

struct Geometry {
    std::uint32_t width = 0, height = 0;
    int depth = 0, colourType = 0;
    std::size_t pixelBytes = 0;
    std::uint64_t rowBytes = 0;  // without the filter byte
};

// The geometry an IHDR body describes, if the reader would accept it.
bool ReadGeometry(const Bytes& ihdr, Geometry& g) {
    if (ihdr.size() != 13 || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] != 0) return false;
    g.width = ReadBigEndian(ihdr.data());
    g.height = ReadBigEndian(ihdr.data() + 4);
    g.depth = ihdr[8];
    g.colourType = ihdr[9];
    int channels = 0;
    switch (g.colourType) {
        case 0: case 3: channels = 1; break;
        case 2: channels = 3; break;
        case 4: channels = 2; break;
        case 6: channels = 4; break;
        default: return false;
    }
    if (g.depth != 8 && !(g.depth == 16 && g.colourType != 3)) return false;
    if (g.width == 0 || g.height == 0 || std::uint64_t{g.width} * g.height > ui::kMaxPngPixels) return false;
    g.pixelBytes = static_cast<std::size_t>(channels) * (g.depth / 8);
    g.rowBytes = std::uint64_t{g.width} * g.pixelBytes;
    return true;
}

// A fresh, valid header: every colour type and depth the reader takes, at
// small sizes so that each run stays quick.
void NewHeader(Bytes& ihdr, Rng& rng) {
    static constexpr std::uint8_t kFormats[][2] = {{0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 8},
                                                   {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    const auto& format = kFormats[rng() % (sizeof kFormats / sizeof kFormats[0])];
    ihdr.assign(13, 0);
    WriteBigEndian(ihdr.data(), 1 + rng() % 64);
    WriteBigEndian(ihdr.data() + 4, 1 + rng() % 64);
    ihdr[8] = format[1];
    ihdr[9] = format[0];
}

Bytes RandomPalette(Rng& rng) {
    Bytes palette(3 * (OneIn(rng, 4) ? 1 + rng() % 256 : 256));
    for (std::uint8_t& b : palette) b = static_cast<std::uint8_t>(rng());
    return palette;
}

// Puts the chunk list into a shape the reader takes: one IHDR first with a
// format it reads, a palette of whole entries where one is needed, alpha
// only for a palette and no longer than it, no other critical chunk but the
// image data, IEND last. Inputs stay mostly valid however many mutations
// libFuzzer stacks, each breaking one thing at most.
void Tidy(std::vector<Chunk>& chunks, Rng& rng) {
    Chunk ihdr, plte, trns, iend;
    std::memcpy(ihdr.type, "IHDR", 4);
    std::memcpy(plte.type, "PLTE", 4);
    std::memcpy(trns.type, "tRNS", 4);
    std::memcpy(iend.type, "IEND", 4);
    bool haveHeader = false, havePalette = false, haveAlpha = false;
    std::vector<Chunk> rest;
    for (Chunk& chunk : chunks) {
        if (chunk.Is("IHDR")) {
            if (!haveHeader) ihdr.body = std::move(chunk.body);
            haveHeader = true;
        } else if (chunk.Is("PLTE")) {
            if (!havePalette) plte.body = std::move(chunk.body);
            havePalette = true;
        } else if (chunk.Is("tRNS")) {
            if (!haveAlpha) trns.body = std::move(chunk.body);
            haveAlpha = true;
        } else if (chunk.Is(kPlaceholder) || (chunk.type[0] & 0x20) != 0) {
            rest.push_back(std::move(chunk));  // the image data and ancillary chunks
        }
    }
    ihdr.body.resize(13);
    ihdr.body[10] = ihdr.body[11] = ihdr.body[12] = 0;
    Geometry g;
    if (!ReadGeometry(ihdr.body, g)) {
        NewHeader(ihdr.body, rng);
        ReadGeometry(ihdr.body, g);
    }
    plte.body.resize(std::min<std::size_t>(plte.body.size() / 3 * 3, 3 * 256));
    if (g.colourType == 3 && plte.body.empty()) plte.body = RandomPalette(rng);
    trns.body.resize(std::min(trns.body.size(), plte.body.size() / 3));

    chunks.clear();
    chunks.push_back(std::move(ihdr));
    if (!plte.body.empty()) chunks.push_back(std::move(plte));
    if (haveAlpha && g.colourType == 3) chunks.push_back(std::move(trns));
    for (Chunk& chunk : rest) chunks.push_back(std::move(chunk));
    chunks.push_back(std::move(iend));
}

// Makes the scanlines fit the header: crops a large image, pads or cuts
// the data to the exact length, and mostly replaces unknown filter types.
// Without `exact` only the cropping is done, so that short and long data
// still turn up.
void Conform(Chunk& ihdr, Bytes& raw, bool exact, Rng& rng) {
    Geometry g;
    if (!ReadGeometry(ihdr.body, g)) return;
    if (g.rowBytes + 1 > kMaxRaw) {
        g.width = static_cast<std::uint32_t>((kMaxRaw - 1) / g.pixelBytes);
        g.rowBytes = std::uint64_t{g.width} * g.pixelBytes;
        WriteBigEndian(ihdr.body.data(), g.width);
    }
    const std::size_t stride = static_cast<std::size_t>(g.rowBytes) + 1;
    if (std::uint64_t{g.height} * stride > kMaxRaw) {
        g.height = static_cast<std::uint32_t>(kMaxRaw / stride);
        WriteBigEndian(ihdr.body.data() + 4, g.height);
        exact = true;
    }
    if (!exact) return;
    // Zeros keep the deflated result small; later mutations fill them in.
    // New rows get any of the five filters.
    const std::size_t old = raw.size();
    raw.resize(std::size_t{g.height} * stride, 0);
    for (std::size_t at = (old + stride - 1) / stride * stride; at < raw.size(); at += stride)
        raw[at] = static_cast<std::uint8_t>(rng() % 5);
    if (OneIn(rng, 8)) return;
    for (std::size_t at = 0; at < raw.size(); at += stride)
        if (raw[at] > 4) raw[at] = static_cast<std::uint8_t>(raw[at] % 5);
}

std::size_t Serialise(const std::vector<Chunk>& chunks, std::uint8_t* out, std::size_t maxSize) {
    std::size_t size = sizeof kSignature;
    for (const Chunk& chunk : chunks) size += 12 + chunk.body.size();
    if (size > maxSize) return 0;
    std::memcpy(out, kSignature, sizeof kSignature);
    std::size_t at = sizeof kSignature;
    for (const Chunk& chunk : chunks) {
        WriteBigEndian(out + at, static_cast<std::uint32_t>(chunk.body.size()));
        std::memcpy(out + at + 4, chunk.type, 4);
        if (!chunk.body.empty()) std::memcpy(out + at + 8, chunk.body.data(), chunk.body.size());
        at += 8 + chunk.body.size();
        WriteBigEndian(out + at, static_cast<std::uint32_t>(crc32(0L, out + at - chunk.body.size() - 4,
                                                                  static_cast<uInt>(4 + chunk.body.size()))));
        at += 4;
    }
    return size;
}

// The chunk list itself: drop, repeat or swap chunks, or add one.
void MutateChunkList(std::vector<Chunk>& chunks, Rng& rng) {
    if (chunks.empty()) return;
    const std::size_t i = rng() % chunks.size(), j = rng() % chunks.size();
    switch (rng() % 4) {
        case 0: chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(i)); break;
        case 1: chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(i), chunks[j]); break;
        case 2: std::swap(chunks[i], chunks[j]); break;
        default: {
            static const char* const kTypes[] = {"tEXt", "gAMA", "tRNS", "PLTE", "IHDR", "IEND", "IDAT", "cHRM", "zzZz"};
            Chunk chunk;
            std::memcpy(chunk.type, kTypes[rng() % (sizeof kTypes / sizeof kTypes[0])], 4);
            chunk.body.resize(rng() % 16, static_cast<std::uint8_t>(rng()));
            chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(1 + i % chunks.size()), std::move(chunk));
        }
    }
}

// Plain byte mutations whose checksums are then made right again.
std::size_t MutateBytes(std::uint8_t* data, std::size_t size, std::size_t maxSize, Rng& rng) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (!OneIn(rng, 16)) FixChecksums(data, size);
    return size;
}

std::size_t MutateStructure(std::uint8_t* data, std::size_t size, std::size_t maxSize, Rng& rng) {
    std::vector<Chunk> chunks;
    if (!Parse(data, size, chunks)) return 0;

    // The image data leaves the list; a placeholder marks where it returns,
    // deflated again.
    Bytes compressed;
    bool marked = false;
    for (std::size_t i = 0; i < chunks.size();) {
        if (!chunks[i].Is("IDAT")) {
            ++i;
            continue;
        }
        compressed.insert(compressed.end(), chunks[i].body.begin(), chunks[i].body.end());
        if (marked) {
            chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            std::memcpy(chunks[i].type, kPlaceholder, 4);
            chunks[i].body.clear();
            marked = true;
            ++i;
        }
    }
    Bytes raw = InflateSome(compressed, kMaxRaw);

    // Mostly mended first, so that what follows breaks one thing at most.
    bool exact = !OneIn(rng, 8);
    if (exact) Tidy(chunks, rng);
    switch (rng() % 8) {
        case 0: case 1: case 2: case 3:  // the filtered scanlines
            if (Chunk* ihdr = Find(chunks, "IHDR")) Conform(*ihdr, raw, exact, rng);
            Mutate(raw, std::min(kMaxRaw, raw.size() + 64));
            // Mostly the length and filter types are put right again.
            exact = exact && !OneIn(rng, 4);
            break;
        case 4:  // the header, as a whole new format or field by field
            if (OneIn(rng, 2)) {
                NewHeader(Insert(chunks, "IHDR", "IHDR").body, rng);
                Tidy(chunks, rng);
            } else if (Chunk* ihdr = Find(chunks, "IHDR")) {
                Mutate(ihdr->body, 16);
            }
            break;
        case 5: case 6: {  // the palette or its alpha, added if missing
            const Chunk* ihdr = Find(chunks, "IHDR");
            const bool palette = ihdr && ihdr->body.size() > 9 && ihdr->body[9] == 3;
            const bool alpha = palette ? OneIn(rng, 2) : OneIn(rng, 8);
            Chunk* chunk = Find(chunks, alpha ? "tRNS" : "PLTE");
            if (!chunk) chunk = alpha ? &Insert(chunks, "tRNS", kPlaceholder) : &Insert(chunks, "PLTE", "tRNS");
            Mutate(chunk->body, alpha ? 260 : 780);
            if (!OneIn(rng, 4)) Tidy(chunks, rng);  // mostly whole entries, as long as the palette
            break;
        }
        default:
            MutateChunkList(chunks, rng);
            break;
    }
    if (Chunk* ihdr = Find(chunks, "IHDR")) Conform(*ihdr, raw, exact, rng);

    // The level only matters inside zlib, which is not instrumented, so the
    // fastest will do. Several IDAT chunks exercise their concatenation.
    const Bytes deflated = Deflate(raw, 1);
    std::vector<Chunk> idats;
    const std::size_t pieces = OneIn(rng, 4) ? 2 + rng() % 3 : 1;
    for (std::size_t k = 0, from = 0; k < pieces; ++k) {
        const std::size_t to = k + 1 == pieces ? deflated.size() : from + rng() % (deflated.size() - from + 1);
        Chunk chunk;
        std::memcpy(chunk.type, "IDAT", 4);
        chunk.body.assign(deflated.begin() + static_cast<std::ptrdiff_t>(from),
                          deflated.begin() + static_cast<std::ptrdiff_t>(to));
        idats.push_back(std::move(chunk));
        from = to;
    }
    auto at = std::find_if(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.Is(kPlaceholder); });
    if (at == chunks.end()) at = std::find_if(chunks.begin(), chunks.end(), [](const Chunk& c) { return c.Is("IEND"); });
    at = chunks.insert(at, idats.begin(), idats.end());
    chunks.erase(std::remove_if(at, chunks.end(), [](const Chunk& c) { return c.Is(kPlaceholder); }), chunks.end());
    return Serialise(chunks, data, maxSize);
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    static const bool plain = [] {
        const char* value = std::getenv("PNG_FUZZ_PLAIN");
        return value != nullptr && *value != '\0' && *value != '0';
    }();
    if (plain) return LLVMFuzzerMutate(data, size, maxSize);
    Rng rng(seed);
    if (!OneIn(rng, 10))
        if (const std::size_t result = MutateStructure(data, size, maxSize, rng)) return result;
    return MutateBytes(data, size, maxSize, rng);
}
