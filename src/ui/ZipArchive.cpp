#include "ui/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>
#include <new>

namespace ui {
namespace {

constexpr std::uint32_t kLocalHeaderSig = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014b50;
constexpr std::uint32_t kEndOfCentralDirSig = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndOfCentralDirSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::size_t kEncryptionHeaderSize = 12;

constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagMaskedHeaders = 0x2000;

constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// Deflate cannot expand data by more than about 1032:1; anything beyond that
// is a lie in the header and would make us allocate for nothing.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// True when [offset, offset + length) lies inside a block of `size` bytes.
bool InBlock(std::size_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

const std::array<std::uint32_t, 256>& CrcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

// Traditional PKWARE stream cipher (APPNOTE 6.1).
class ZipCrypto {
public:
    explicit ZipCrypto(const std::string& password) {
        for (char ch : password) Update(static_cast<std::uint8_t>(ch));
    }

    void Decrypt(std::uint8_t* data, std::size_t length) {
        const auto& table = CrcTable();
        std::uint32_t k0 = keys_[0], k1 = keys_[1], k2 = keys_[2];
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint32_t temp = (k2 | 2) & 0xFFFF;
            const std::uint8_t plain =
                static_cast<std::uint8_t>(data[i] ^ static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8));
            data[i] = plain;
            k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
            k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
            k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
        }
        keys_ = {k0, k1, k2};
    }

private:
    void Update(std::uint8_t c) {
        const auto& table = CrcTable();
        keys_[0] = table[(keys_[0] ^ c) & 0xFF] ^ (keys_[0] >> 8);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = table[(keys_[2] ^ (keys_[1] >> 24)) & 0xFF] ^ (keys_[2] >> 8);
    }

    std::array<std::uint32_t, 3> keys_{0x12345678u, 0x23456789u, 0x34567890u};
};

ZipError Inflate(const std::uint8_t* in, std::size_t inLength, std::uint8_t* out, std::size_t outLength) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return ZipError::OutOfMemory;
    // zlib counts in uInt; the caller's limits keep both far below that.
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = static_cast<uInt>(inLength);
    // A non-null buffer even for an empty entry, so zlib can tell "no room"
    // from "no buffer".
    std::uint8_t spare = 0;
    stream.next_out = outLength ? out : &spare;
    stream.avail_out = static_cast<uInt>(outLength);
    const int result = inflate(&stream, Z_FINISH);
    const std::size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END || produced != outLength) return ZipError::BadData;
    return ZipError::None;
}

}  // namespace

const char* ZipErrorText(ZipError error) {
    switch (error) {
        case ZipError::None: return "no error";
        case ZipError::NotOpen: return "archive not open";
        case ZipError::NotFound: return "entry not found";
        case ZipError::BadArchive: return "damaged archive";
        case ZipError::Unsupported: return "unsupported archive feature";
        case ZipError::UnsafeName: return "unsafe entry name";
        case ZipError::WrongPassword: return "wrong password";
        case ZipError::TooLarge: return "entry larger than allowed";
        case ZipError::BadData: return "damaged compressed data";
        case ZipError::CrcMismatch: return "CRC mismatch";
        case ZipError::OutOfMemory: return "out of memory";
    }
    return "unknown error";
}

std::string FoldZipName(std::string_view name) {
    std::string folded(name);
    for (char& ch : folded) {
        if (ch == '\\') ch = '/';
        else if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return folded;
}

bool IsSafeZipName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
    if (name.find(':') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view component = name.substr(start, end - start);
        if (component.empty() || component == "." || component == "..") return false;
        start = end + 1;
    }
    return true;
}

namespace {

bool IsFolderEntry(const ZipEntry& entry) {
    const std::string& name = entry.name;
    return name.size() >= 2 && name.back() == '/' && entry.size == 0 && entry.compressedSize == 0 &&
           IsSafeZipName(std::string_view(name).substr(0, name.size() - 1));
}

}  // namespace

ZipError ZipArchive::Open(const void* data, std::size_t size, std::string password) {
    Close();
    if (data == nullptr && size != 0) return ZipError::BadArchive;
    try {
        const auto* begin = static_cast<const std::uint8_t*>(data);
        bytes_.assign(begin, begin + size);
    } catch (const std::bad_alloc&) {
        return ZipError::OutOfMemory;
    }
    password_ = std::move(password);
    const ZipError error = ReadCentralDirectory();
    if (error != ZipError::None) {
        Close();
        return error;
    }
    open_ = true;
    return ZipError::None;
}

void ZipArchive::Close() {
    std::vector<std::uint8_t>().swap(bytes_);
    password_.clear();
    entries_.clear();
    index_.clear();
    centralDirectoryOffset_ = 0;
    open_ = false;
}

ZipError ZipArchive::ReadCentralDirectory() {
    const std::size_t size = bytes_.size();
    if (size < kEndOfCentralDirSize) return ZipError::BadArchive;
    const std::uint8_t* base = bytes_.data();

    // The end record sits at the very end unless an archive comment follows
    // it; search backwards and take the first record whose comment length
    // reaches exactly to the end of the block.
    std::size_t eocd = std::numeric_limits<std::size_t>::max();
    const std::size_t lowest = size - kEndOfCentralDirSize > kMaxCommentSize
                                   ? size - kEndOfCentralDirSize - kMaxCommentSize
                                   : 0;
    for (std::size_t pos = size - kEndOfCentralDirSize + 1; pos-- > lowest;) {
        if (Get32(base + pos) == kEndOfCentralDirSig &&
            pos + kEndOfCentralDirSize + Get16(base + pos + 20) == size) {
            eocd = pos;
            break;
        }
    }
    if (eocd == std::numeric_limits<std::size_t>::max()) return ZipError::BadArchive;

    const std::uint8_t* end = base + eocd;
    const std::uint16_t diskNumber = Get16(end + 4);
    const std::uint16_t cdDisk = Get16(end + 6);
    const std::uint16_t entriesOnDisk = Get16(end + 8);
    const std::uint16_t entryCount = Get16(end + 10);
    const std::uint32_t cdSize = Get32(end + 12);
    const std::uint32_t cdOffset = Get32(end + 16);

    if (entryCount == 0xFFFF || cdSize == 0xFFFFFFFFu || cdOffset == 0xFFFFFFFFu) return ZipError::Unsupported;
    if (eocd >= kZip64LocatorSize && Get32(base + eocd - kZip64LocatorSize) == kZip64LocatorSig)
        return ZipError::Unsupported;
    if (diskNumber != 0 || cdDisk != 0 || entriesOnDisk != entryCount) return ZipError::Unsupported;
    if (!InBlock(eocd, cdOffset, cdSize)) return ZipError::BadArchive;

    // Each header needs at least its fixed part; a count that cannot fit is
    // a lie, and refusing it early keeps the reserve below bounded.
    if (static_cast<std::uint64_t>(entryCount) * kCentralHeaderSize > cdSize) return ZipError::BadArchive;
    entries_.reserve(entryCount);

    std::size_t pos = cdOffset;
    const std::size_t cdEnd = static_cast<std::size_t>(cdOffset) + cdSize;
    for (std::uint32_t i = 0; i < entryCount; ++i) {
        if (!InBlock(cdEnd, pos, kCentralHeaderSize)) return ZipError::BadArchive;
        const std::uint8_t* h = base + pos;
        if (Get32(h) != kCentralHeaderSig) return ZipError::BadArchive;
        const std::size_t nameLength = Get16(h + 28);
        const std::size_t extraLength = Get16(h + 30);
        const std::size_t commentLength = Get16(h + 32);
        const std::size_t recordLength = kCentralHeaderSize + nameLength + extraLength + commentLength;
        if (!InBlock(cdEnd, pos, recordLength)) return ZipError::BadArchive;

        ZipEntry entry;
        entry.flags = Get16(h + 8);
        entry.method = Get16(h + 10);
        entry.dosTime = Get16(h + 12);
        entry.crc32 = Get32(h + 16);
        entry.compressedSize = Get32(h + 20);
        entry.size = Get32(h + 24);
        entry.localHeaderOffset = Get32(h + 42);
        entry.name.assign(reinterpret_cast<const char*>(h + kCentralHeaderSize), nameLength);
        if (entry.compressedSize == 0xFFFFFFFFu || entry.size == 0xFFFFFFFFu ||
            entry.localHeaderOffset == 0xFFFFFFFFu)
            return ZipError::Unsupported;
        if (entry.name.empty() || entry.name.find('\0') != std::string::npos) return ZipError::BadArchive;
        pos += recordLength;
        // A folder (a safe name ending in one "/", without data), as most
        // ZIP tools write one for every folder, holds nothing to read.
        if (IsFolderEntry(entry)) continue;

        // The first of two entries with the same name wins.
        index_.emplace(FoldZipName(entry.name), entries_.size());
        entries_.push_back(std::move(entry));
    }
    centralDirectoryOffset_ = cdOffset;
    return ZipError::None;
}

const ZipEntry* ZipArchive::Find(std::string_view name) const {
    const auto it = index_.find(FoldZipName(name));
    return it == index_.end() ? nullptr : &entries_[it->second];
}

ZipError ZipArchive::Read(std::string_view name, std::size_t limit, std::vector<std::uint8_t>& out) const {
    out.clear();
    if (!open_) return ZipError::NotOpen;
    if (!IsSafeZipName(name)) return ZipError::UnsafeName;
    const ZipEntry* entry = Find(name);
    if (entry == nullptr) return ZipError::NotFound;
    return Read(*entry, limit, out);
}

ZipError ZipArchive::Read(const ZipEntry& entry, std::size_t limit, std::vector<std::uint8_t>& out) const {
    out.clear();
    if (!open_) return ZipError::NotOpen;
    if (!IsSafeZipName(entry.name)) return ZipError::UnsafeName;
    if ((entry.flags & (kFlagStrongEncryption | kFlagMaskedHeaders)) != 0) return ZipError::Unsupported;
    if (entry.method != kMethodStored && entry.method != kMethodDeflated) return ZipError::Unsupported;
    if (entry.size > limit) return ZipError::TooLarge;

    // Entries live before the central directory; the local header's own
    // lengths decide where the data starts.
    const std::size_t dataLimit = centralDirectoryOffset_;
    const std::uint8_t* base = bytes_.data();
    if (!InBlock(dataLimit, entry.localHeaderOffset, kLocalHeaderSize)) return ZipError::BadArchive;
    const std::uint8_t* local = base + entry.localHeaderOffset;
    if (Get32(local) != kLocalHeaderSig) return ZipError::BadArchive;
    const std::uint64_t dataOffset =
        static_cast<std::uint64_t>(entry.localHeaderOffset) + kLocalHeaderSize + Get16(local + 26) + Get16(local + 28);
    if (!InBlock(dataLimit, dataOffset, entry.compressedSize)) return ZipError::BadArchive;

    std::size_t payloadLength = entry.compressedSize;
    const std::uint8_t* payload = base + dataOffset;
    const bool encrypted = entry.encrypted();
    if (encrypted) {
        if (payloadLength < kEncryptionHeaderSize) return ZipError::BadArchive;
        payloadLength -= kEncryptionHeaderSize;
    }
    if (entry.method == kMethodStored && payloadLength != entry.size) return ZipError::BadArchive;
    if (entry.method == kMethodDeflated && entry.size > (static_cast<std::uint64_t>(payloadLength) + 1) * kMaxDeflateRatio)
        return ZipError::BadArchive;

    try {
        std::vector<std::uint8_t> plain;
        if (encrypted) {
            ZipCrypto cipher(password_);
            std::array<std::uint8_t, kEncryptionHeaderSize> header{};
            std::copy(payload, payload + kEncryptionHeaderSize, header.begin());
            cipher.Decrypt(header.data(), header.size());
            // With a data descriptor the CRC was unknown when the header was
            // written, so the check byte comes from the modification time.
            const std::uint8_t check = (entry.flags & kFlagDataDescriptor)
                                           ? static_cast<std::uint8_t>(entry.dosTime >> 8)
                                           : static_cast<std::uint8_t>(entry.crc32 >> 24);
            if (header[kEncryptionHeaderSize - 1] != check) return ZipError::WrongPassword;
            plain.assign(payload + kEncryptionHeaderSize, payload + kEncryptionHeaderSize + payloadLength);
            cipher.Decrypt(plain.data(), plain.size());
        }
        const std::uint8_t* source = encrypted ? plain.data() : payload;

        if (entry.method == kMethodStored) {
            if (encrypted) out.swap(plain);
            else out.assign(source, source + payloadLength);
        } else {
            out.resize(entry.size);
            const ZipError error = Inflate(source, payloadLength, out.data(), out.size());
            if (error != ZipError::None) {
                out.clear();
                return error;
            }
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        return ZipError::OutOfMemory;
    }

    const std::uint32_t crc =
        static_cast<std::uint32_t>(crc32(crc32(0L, Z_NULL, 0), out.data(), static_cast<uInt>(out.size())));
    if (crc != entry.crc32) {
        out.clear();
        return ZipError::CrcMismatch;
    }
    return ZipError::None;
}

}  // namespace ui
