// The model data file: what the driver knows of one printer model, written
// at build time by scripts/make-model-data from the model's readable source
// (src/driver/models/*.model). docs/model-data.md describes the format.
//
// The reader trusts nothing in the file: every length and value is checked
// before use, and a file it refuses leaves the model untouched.
#pragma once

#include "driver/PrinterModel.h"

#include <cstddef>
#include <cstdint>

namespace driver {

inline constexpr std::uint16_t kModelDataVersion = 1;

enum class ModelDataError {
    None,
    NotModelData,   // too short, or not our magic
    UnknownVersion, // a version this reader does not know
    WrongSize,      // the size in the header is not the file's
    Damaged,        // the checksum does not match
    BadRecord,      // a record runs past the end, or has the wrong length for its kind
    Repeated,       // a record that may stand once stands twice
    Missing,        // a record the driver needs is not there
    OutOfRange,     // a value no printer of this family can have
};

ModelDataError ReadModelData(const std::uint8_t* bytes, std::size_t size, PrinterModel& model);

// Dots at `dpi` in micrometres, in 64 bits: a page of 3 m at 1200 dpi
// (which a model may have) is 141,732 dots, and dots x 25,400 outgrows 32.
inline std::uint32_t DotsToMicrometres(std::uint32_t dots, std::uint32_t dpi) {
    return dpi == 0 ? 0 : static_cast<std::uint32_t>(static_cast<std::uint64_t>(dots) * 25400 / dpi);
}

// CRC-32 as zlib computes it (reflected, polynomial 0xEDB88320).
std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t size);

}  // namespace driver
