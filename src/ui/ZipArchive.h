// Read-only view of a ZIP archive held in memory, with traditional PKWARE
// (ZipCrypto) decryption and raw-deflate inflation.
//
// The archive keeps its own copy of the bytes, so the caller's block may go
// away after Open. Every length and offset taken from the archive is checked
// against that copy before use; damaged or hostile input yields a ZipError,
// never a crash or a read outside the copy. After Open the object is
// immutable, so any number of threads may call Find and Read at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ui {

enum class ZipError {
    None,
    NotOpen,          // Read before a successful Open
    NotFound,         // no entry of that name
    BadArchive,       // structure damaged: records missing, offsets out of range
    Unsupported,      // ZIP64, multi-disk, strong/AES encryption, unknown method
    UnsafeName,       // a name with a ".." component or an absolute path
    WrongPassword,    // the encryption header's check byte does not match
    TooLarge,         // the entry is larger than the caller's limit
    BadData,          // the compressed data does not inflate to the declared size
    CrcMismatch,      // the data inflated but its CRC-32 differs
    OutOfMemory,
};

// A short English description for logs and test messages.
const char* ZipErrorText(ZipError error);

struct ZipEntry {
    std::string name;            // as stored, "/"-separated
    std::uint16_t flags = 0;     // general-purpose bit flag
    std::uint16_t method = 0;    // 0 stored, 8 deflated
    std::uint16_t dosTime = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;      // uncompressed
    std::uint32_t localHeaderOffset = 0;
    bool encrypted() const { return (flags & 0x0001u) != 0; }
    bool isDirectory() const { return !name.empty() && name.back() == '/'; }
};

class ZipArchive {
public:
    // Copies `size` bytes from `data` and reads the central directory.
    // `password` is used for every encrypted entry (bytes in the ANSI code
    // page). On failure the archive stays closed and holds nothing.
    ZipError Open(const void* data, std::size_t size, std::string password);
    void Close();
    bool IsOpen() const { return open_; }

    // Every entry but folders (a name ending in "/" without data), which
    // are skipped when the archive opens.
    const std::vector<ZipEntry>& Entries() const { return entries_; }

    // Looks a name up ignoring ASCII case, with "\" taken as "/".
    // Returns nullptr when there is no such entry.
    const ZipEntry* Find(std::string_view name) const;

    // Decrypts, inflates and CRC-checks one entry into `out` (replaced).
    // An entry whose uncompressed size exceeds `limit` is refused.
    ZipError Read(std::string_view name, std::size_t limit, std::vector<std::uint8_t>& out) const;
    ZipError Read(const ZipEntry& entry, std::size_t limit, std::vector<std::uint8_t>& out) const;

    // The raw archive bytes (the private copy).
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    ZipError ReadCentralDirectory();

    std::vector<std::uint8_t> bytes_;
    std::string password_;
    std::vector<ZipEntry> entries_;
    std::unordered_map<std::string, std::size_t> index_;  // folded name -> entry
    std::size_t centralDirectoryOffset_ = 0;
    bool open_ = false;
};

// The key used for case- and separator-insensitive lookup: ASCII lower case,
// "\" replaced by "/".
std::string FoldZipName(std::string_view name);

// True when a name is a relative path without "." or ".." components, empty
// components or a drive prefix; such a name can never escape a folder.
bool IsSafeZipName(std::string_view name);

}  // namespace ui
