// Builds small ZIP archives in memory for tests, including ones that Info-ZIP
// would never write (CRC-based check bytes, hostile headers). The cipher here
// is written independently of the reader's so a shared mistake cannot hide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct ZipTestEntry {
    std::string name;
    std::vector<std::uint8_t> data;
    bool deflate = false;
    bool encrypt = true;
    bool dataDescriptor = false;  // general-purpose bit 3: check byte from the time
    std::uint16_t dosTime = 0x6d4a;
};

struct ZipBuildOptions {
    std::string password = "wqm19990707";
    std::string comment;
};

// Where each part of the built archive landed, for tests that damage it.
struct ZipLayout {
    std::vector<std::size_t> localHeaderOffsets;
    std::vector<std::size_t> dataOffsets;           // first byte after the local header
    std::vector<std::size_t> centralHeaderOffsets;
    std::size_t centralDirectoryOffset = 0;
    std::size_t endRecordOffset = 0;
};

std::vector<std::uint8_t> BuildZip(const std::vector<ZipTestEntry>& entries, const ZipBuildOptions& options = {},
                                   ZipLayout* layout = nullptr);

std::vector<std::uint8_t> Bytes(const std::string& text);

void Put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value);
void Put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

}  // namespace testing_support
