#include "os/sim/PeImage.h"

#include <cstddef>

namespace os::sim {

namespace {

// Reads little-endian numbers at offsets checked against the end.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool Has(std::uint64_t offset, std::uint64_t size) const { return offset + size <= bytes_.size(); }
    std::uint16_t U16(std::uint64_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    std::uint32_t U32(std::uint64_t at) const { return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16; }

private:
    const std::vector<std::uint8_t>& bytes_;
};

struct Section {
    std::uint32_t address, size, rawOffset, rawSize;
};

// The file offset of an address of the loaded image, if a section holds it
// in the file.
bool FileOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint64_t& offset) {
    for (const Section& s : sections) {
        const std::uint32_t extent = s.size > s.rawSize ? s.rawSize : s.size;
        if (rva >= s.address && rva - s.address < extent) {
            offset = static_cast<std::uint64_t>(s.rawOffset) + (rva - s.address);
            return true;
        }
    }
    return false;
}

}  // namespace

bool ReadPeImage(const std::vector<std::uint8_t>& bytes, PeImage& image) {
    const Reader in(bytes);
    image = PeImage();
    if (!in.Has(0, 0x40) || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const std::uint64_t pe = in.U32(0x3C);
    if (!in.Has(pe, 24) || in.U32(pe) != 0x00004550) return false;  // "PE\0\0"
    image.machine = in.U16(pe + 4);
    const std::uint16_t sectionCount = in.U16(pe + 6);
    const std::uint16_t optionalSize = in.U16(pe + 20);
    const std::uint64_t optional = pe + 24;
    if (!in.Has(optional, optionalSize) || optionalSize < 2) return false;
    const std::uint16_t magic = in.U16(optional);
    const std::uint64_t directories = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
    if (directories == 0 || optionalSize < directories) return false;

    std::vector<Section> sections;
    const std::uint64_t table = optional + optionalSize;
    if (!in.Has(table, std::uint64_t{40} * sectionCount)) return false;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t s = table + std::uint64_t{40} * i;
        sections.push_back({in.U32(s + 12), in.U32(s + 8), in.U32(s + 20), in.U32(s + 16)});
    }

    // Directory 0, the exports; an image without one exports nothing.
    const std::uint32_t directoryCount = in.U32(optional + directories - 4);
    if (directoryCount == 0 || optionalSize < directories + 8) return true;
    const std::uint32_t exportRva = in.U32(optional + directories);
    if (exportRva == 0) return true;
    std::uint64_t exports = 0;
    if (!FileOffset(sections, exportRva, exports) || !in.Has(exports, 40)) return false;
    const std::uint32_t nameCount = in.U32(exports + 24);
    std::uint64_t names = 0;
    if (nameCount == 0) return true;
    if (!FileOffset(sections, in.U32(exports + 32), names) || !in.Has(names, std::uint64_t{4} * nameCount))
        return false;
    for (std::uint32_t i = 0; i < nameCount; ++i) {
        std::uint64_t name = 0;
        if (!FileOffset(sections, in.U32(names + std::uint64_t{4} * i), name)) return false;
        std::string text;
        for (std::uint64_t at = name;; ++at) {
            if (!in.Has(at, 1) || text.size() > 4096) return false;
            if (bytes[at] == 0) break;
            text += static_cast<char>(bytes[at]);
        }
        image.exports.push_back(text);
    }
    return true;
}

}  // namespace os::sim
