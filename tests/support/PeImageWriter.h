// The smallest DLL image the simulated spooler's checks read: one section
// holding the export table with the given names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

inline std::vector<std::uint8_t> MinimalDll(std::uint16_t machine, const std::vector<std::string>& exports) {
    const bool pe32Plus = machine == 0x8664;
    const std::uint32_t optionalSize = pe32Plus ? 0xF0 : 0xE0, directories = pe32Plus ? 112 : 96;
    const std::uint32_t sectionAddress = 0x1000, sectionFile = 0x200;
    std::vector<std::uint8_t> out(sectionFile);
    auto put = [&out](std::size_t at, std::uint32_t value, int bytes) {
        if (out.size() < at + bytes) out.resize(at + bytes);
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    out[0] = 'M';
    out[1] = 'Z';
    put(0x3C, 0x40, 4);
    put(0x40, 0x00004550, 4);
    put(0x44, machine, 2);
    put(0x46, 1, 2);  // sections
    put(0x54, optionalSize, 2);
    put(0x56, 0x2102, 2);  // a DLL
    const std::size_t optional = 0x58;
    put(optional, pe32Plus ? 0x20B : 0x10B, 2);
    put(optional + directories - 4, 16, 4);
    put(optional + directories, sectionAddress, 4);  // the export table

    // The section: the export directory, the names' addresses, the names.
    std::vector<std::uint8_t> section(40 + 4 * exports.size());
    auto putIn = [&section](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) section[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    putIn(24, static_cast<std::uint32_t>(exports.size()));
    putIn(32, sectionAddress + 40);
    for (std::size_t i = 0; i < exports.size(); ++i) {
        putIn(40 + 4 * i, sectionAddress + static_cast<std::uint32_t>(section.size()));
        section.insert(section.end(), exports[i].begin(), exports[i].end());
        section.push_back(0);
    }
    const std::size_t table = optional + optionalSize;
    const char name[] = ".edata";
    for (std::size_t i = 0; i < sizeof name - 1; ++i) out[table + i] = static_cast<std::uint8_t>(name[i]);
    put(table + 8, static_cast<std::uint32_t>(section.size()), 4);
    put(table + 12, sectionAddress, 4);
    put(table + 16, static_cast<std::uint32_t>(section.size()), 4);
    put(table + 20, sectionFile, 4);
    out.insert(out.end(), section.begin(), section.end());
    return out;
}

}  // namespace testing_support
