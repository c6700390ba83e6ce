#include "driver/ModelData.h"

#include <array>
#include <cstring>
#include <utility>

namespace driver {

namespace {

constexpr char kMagic[8] = {'Q', 'A', '4', 'M', 'O', 'D', 'E', 'L'};
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kChecksumSize = 4;
constexpr std::size_t kMostCommandBytes = 64;
constexpr std::size_t kMostNameCharacters = 63;
constexpr std::size_t kMostPapers = 32;

enum Tag : std::uint16_t {
    kName = 1,
    kResolution = 2,
    kPrintable = 3,
    kBandRows = 4,
    kInitialise = 5,
    kPageEnd = 6,
    kCut = 7,
    kPaper = 8,
    kDarkness = 9,
};

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// UTF-16LE of 1 to 63 characters, none of them NUL.
bool ReadName(const std::uint8_t* p, std::size_t length, std::wstring& name) {
    if (length == 0 || length % 2 != 0 || length / 2 > kMostNameCharacters) return false;
    name.clear();
    for (std::size_t i = 0; i < length; i += 2) {
        const std::uint16_t unit = U16(p + i);
        if (unit == 0) return false;
        name.push_back(static_cast<wchar_t>(unit));
    }
    return true;
}

ModelDataError ReadRecords(const std::uint8_t* p, std::size_t size, PrinterModel& model) {
    std::uint32_t seen = 0;
    for (std::size_t at = 0; at < size;) {
        if (size - at < 4) return ModelDataError::BadRecord;
        const std::uint16_t tag = U16(p + at);
        const std::size_t length = U16(p + at + 2);
        at += 4;
        if (length > size - at) return ModelDataError::BadRecord;
        const std::uint8_t* body = p + at;
        at += length;
        if ((tag >= kName && tag < kPaper) || tag == kDarkness) {
            if (seen & (1u << tag)) return ModelDataError::Repeated;
            seen |= 1u << tag;
        }
        switch (tag) {
        case kName:
            if (!ReadName(body, length, model.name)) return ModelDataError::BadRecord;
            break;
        case kResolution:
            if (length != 4) return ModelDataError::BadRecord;
            model.dpi = U32(body);
            break;
        case kPrintable:
            if (length != 8) return ModelDataError::BadRecord;
            model.printableWidth = U32(body);
            model.printableHeight = U32(body + 4);
            break;
        case kBandRows:
            if (length != 2) return ModelDataError::BadRecord;
            model.bandRows = U16(body);
            break;
        case kInitialise:
        case kPageEnd:
        case kCut:
        case kDarkness: {
            if (length > kMostCommandBytes) return ModelDataError::BadRecord;
            auto& command = tag == kInitialise ? model.initialise
                            : tag == kPageEnd  ? model.pageEnd
                            : tag == kCut      ? model.cut
                                               : model.darkness;
            command.assign(body, body + length);
            break;
        }
        case kPaper: {
            PaperSize paper;
            if (length < 10 || !ReadName(body + 10, length - 10, paper.name)) return ModelDataError::BadRecord;
            if (model.papers.size() == kMostPapers) return ModelDataError::OutOfRange;
            paper.id = U16(body);
            paper.width = U32(body + 2);
            paper.length = U32(body + 6);
            model.papers.push_back(paper);
            break;
        }
        default:
            break;  // a kind a later writer of this version added
        }
    }
    const std::uint32_t needed = 1u << kName | 1u << kResolution | 1u << kPrintable | 1u << kBandRows | 1u << kPageEnd;
    if ((seen & needed) != needed || model.papers.empty()) return ModelDataError::Missing;
    return ModelDataError::None;
}

bool InRange(const PrinterModel& model) {
    if (model.dpi < 72 || model.dpi > 1200) return false;
    // A raster band's row is at most 65535 bytes; a page at most about 3 m.
    if (model.printableWidth == 0 || model.printableWidth > 0xFFFFu * 8 || model.printableHeight == 0 ||
        model.printableHeight > 1200u * 120)
        return false;
    if (model.bandRows == 0) return false;
    for (std::size_t i = 0; i < model.papers.size(); ++i) {
        const PaperSize& paper = model.papers[i];
        if (paper.id == 0 || paper.width == 0 || paper.length == 0 || paper.width > 10000 || paper.length > 30000)
            return false;
        for (std::size_t j = 0; j < i; ++j)
            if (model.papers[j].id == paper.id) return false;
    }
    return true;
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

ModelDataError ReadModelData(const std::uint8_t* bytes, std::size_t size, PrinterModel& model) {
    if (bytes == nullptr || size < kHeaderSize + kChecksumSize || std::memcmp(bytes, kMagic, sizeof kMagic) != 0)
        return ModelDataError::NotModelData;
    if (U16(bytes + 8) != kModelDataVersion) return ModelDataError::UnknownVersion;
    if (U16(bytes + 10) != kHeaderSize || U32(bytes + 12) != size) return ModelDataError::WrongSize;
    if (Crc32(bytes, size - kChecksumSize) != U32(bytes + size - kChecksumSize)) return ModelDataError::Damaged;
    PrinterModel read;
    const ModelDataError error = ReadRecords(bytes + kHeaderSize, size - kHeaderSize - kChecksumSize, read);
    if (error != ModelDataError::None) return error;
    if (!InRange(read)) return ModelDataError::OutOfRange;
    model = std::move(read);
    return ModelDataError::None;
}

}  // namespace driver
