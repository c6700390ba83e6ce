#include "support/ZipWriter.h"

#include <zlib.h>

#include <stdexcept>

namespace testing_support {
namespace {

void Append16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Append16(out, v & 0xFFFF);
    Append16(out, v >> 16);
}

std::uint32_t Crc(const std::vector<std::uint8_t>& data) {
    return static_cast<std::uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

std::uint32_t CrcByte(std::uint32_t crc, std::uint8_t b) {
    const std::uint8_t one = b;
    return static_cast<std::uint32_t>(crc32(crc ^ 0xFFFFFFFFu, &one, 1) ^ 0xFFFFFFFFu);
}

struct Keys {
    std::uint32_t k0 = 0x12345678u, k1 = 0x23456789u, k2 = 0x34567890u;
    void Update(std::uint8_t plain) {
        k0 = CrcByte(k0, plain);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = CrcByte(k2, static_cast<std::uint8_t>(k1 >> 24));
    }
    std::uint8_t Encrypt(std::uint8_t plain) {
        const std::uint32_t t = (k2 | 2) & 0xFFFF;
        const std::uint8_t cipher = static_cast<std::uint8_t>(plain ^ ((t * (t ^ 1)) >> 8));
        Update(plain);
        return cipher;
    }
};

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data) {
    z_stream s{};
    if (deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::vector<std::uint8_t> out(deflateBound(&s, static_cast<uLong>(data.size())));
    s.next_in = const_cast<Bytef*>(data.data());
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    if (deflate(&s, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

}  // namespace

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void Put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    Put16(bytes, offset, static_cast<std::uint16_t>(value));
    Put16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

std::vector<std::uint8_t> BuildZip(const std::vector<ZipTestEntry>& entries, const ZipBuildOptions& options,
                                   ZipLayout* layout) {
    struct Record {
        std::uint16_t flags, method;
        std::uint32_t crc, compressed, size, offset;
    };
    std::vector<std::uint8_t> out;
    std::vector<Record> records;
    ZipLayout places;
    for (const ZipTestEntry& e : entries) {
        Record r{};
        r.crc = Crc(e.data);
        r.size = static_cast<std::uint32_t>(e.data.size());
        r.method = e.deflate ? 8 : 0;
        r.flags = static_cast<std::uint16_t>((e.encrypt ? 1 : 0) | (e.dataDescriptor ? 8 : 0));
        std::vector<std::uint8_t> payload = e.deflate ? Deflate(e.data) : e.data;
        if (e.encrypt) {
            Keys keys;
            for (char c : options.password) keys.Update(static_cast<std::uint8_t>(c));
            std::vector<std::uint8_t> sealed;
            for (int i = 0; i < 11; ++i) sealed.push_back(keys.Encrypt(static_cast<std::uint8_t>(0x5A + i * 7)));
            sealed.push_back(keys.Encrypt(e.dataDescriptor ? static_cast<std::uint8_t>(e.dosTime >> 8)
                                                           : static_cast<std::uint8_t>(r.crc >> 24)));
            for (std::uint8_t b : payload) sealed.push_back(keys.Encrypt(b));
            payload.swap(sealed);
        }
        r.compressed = static_cast<std::uint32_t>(payload.size());
        r.offset = static_cast<std::uint32_t>(out.size());
        places.localHeaderOffsets.push_back(out.size());
        Append32(out, 0x04034b50);
        Append16(out, 20);
        Append16(out, r.flags);
        Append16(out, r.method);
        Append16(out, e.dosTime);
        Append16(out, 0x5b87);
        // With a data descriptor the local sizes stay zero, as streaming writers do.
        Append32(out, e.dataDescriptor ? 0 : r.crc);
        Append32(out, e.dataDescriptor ? 0 : r.compressed);
        Append32(out, e.dataDescriptor ? 0 : r.size);
        Append16(out, static_cast<std::uint32_t>(e.name.size()));
        Append16(out, 0);
        out.insert(out.end(), e.name.begin(), e.name.end());
        places.dataOffsets.push_back(out.size());
        out.insert(out.end(), payload.begin(), payload.end());
        if (e.dataDescriptor) {
            Append32(out, 0x08074b50);
            Append32(out, r.crc);
            Append32(out, r.compressed);
            Append32(out, r.size);
        }
        records.push_back(r);
    }
    places.centralDirectoryOffset = out.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Record& r = records[i];
        places.centralHeaderOffsets.push_back(out.size());
        Append32(out, 0x02014b50);
        Append16(out, 0x031e);
        Append16(out, 20);
        Append16(out, r.flags);
        Append16(out, r.method);
        Append16(out, entries[i].dosTime);
        Append16(out, 0x5b87);
        Append32(out, r.crc);
        Append32(out, r.compressed);
        Append32(out, r.size);
        Append16(out, static_cast<std::uint32_t>(entries[i].name.size()));
        Append16(out, 0);
        Append16(out, 0);
        Append16(out, 0);
        Append16(out, 0);
        Append32(out, 0);
        Append32(out, r.offset);
        out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
    }
    const std::size_t cdSize = out.size() - places.centralDirectoryOffset;
    places.endRecordOffset = out.size();
    Append32(out, 0x06054b50);
    Append16(out, 0);
    Append16(out, 0);
    Append16(out, static_cast<std::uint32_t>(entries.size()));
    Append16(out, static_cast<std::uint32_t>(entries.size()));
    Append32(out, static_cast<std::uint32_t>(cdSize));
    Append32(out, static_cast<std::uint32_t>(places.centralDirectoryOffset));
    Append16(out, static_cast<std::uint32_t>(options.comment.size()));
    out.insert(out.end(), options.comment.begin(), options.comment.end());
    if (layout) *layout = places;
    return out;
}

}  // namespace testing_support
