// The driver's answers to DeviceCapabilities, index by index, for a model.
// None depends on the DEVMODE in force: the papers, the resolution and the
// limits are the model's whatever is chosen.
//
// An answer is the call's result and the bytes it writes into the caller's
// buffer (when the caller gives one), in the layout Windows defines for the
// index: WORDs for paper and bin numbers, pairs of LONGs for sizes and
// resolutions, names of 24 (bins) or 64 (papers) UTF-16 units.
#pragma once

#include "driver/DevMode.h"
#include "driver/PrinterModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace driver {

// DC_* indices.
enum CapabilityIndex : std::uint16_t {
    kDcFields = 1, kDcPapers = 2, kDcPaperSize = 3, kDcMinExtent = 4, kDcMaxExtent = 5, kDcBins = 6, kDcDuplex = 7,
    kDcSize = 8, kDcExtra = 9, kDcVersion = 10, kDcDriver = 11, kDcBinNames = 12, kDcEnumResolutions = 13,
    kDcFileDependencies = 14, kDcTrueType = 15, kDcPaperNames = 16, kDcOrientation = 17, kDcCopies = 18,
    kDcCollate = 22, kDcPersonality = 25, kDcMediaReady = 29, kDcStaple = 30, kDcColorDevice = 32, kDcNup = 33,
    kDcMediaTypeNames = 34, kDcMediaTypes = 35,
};

inline constexpr std::int32_t kGdiError = -1;
inline constexpr std::uint16_t kOnlyBin = 1;  // DMBIN_ONLYONE
inline constexpr std::size_t kBinNameChars = 24;
inline constexpr std::size_t kPaperNameChars = 64;

struct CapabilityAnswer {
    std::int32_t result = kGdiError;
    std::vector<std::uint8_t> output;
};

// kGdiError, and no output, for an index the driver does not answer.
// `binName` is the one paper source's name in the user's language.
CapabilityAnswer DeviceCapability(const PrinterModel& model, std::uint16_t index, const std::wstring& binName);

}  // namespace driver
