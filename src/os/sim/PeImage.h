// What the simulated spooler reads from a driver DLL, as Windows' does
// before it registers a driver: the machine the image is built for and the
// names it exports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os::sim {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;

struct PeImage {
    std::uint16_t machine = 0;
    std::vector<std::string> exports;  // by name, in the table's order
};

// False for bytes that are not a PE image, or whose headers, sections or
// export table point outside the bytes.
bool ReadPeImage(const std::vector<std::uint8_t>& bytes, PeImage& image);

}  // namespace os::sim
