#include "driver/Capabilities.h"

#include <algorithm>
#include <utility>

namespace driver {

namespace {

constexpr std::int32_t kBitmapTrueType = 1;  // DCTT_BITMAP
constexpr std::int32_t kLandscapeTurn = 90;  // landscape is portrait turned 90 degrees counterclockwise

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
// A fixed field of `chars` UTF-16 units, NUL-filled, the last always NUL.
void PutName(std::vector<std::uint8_t>& out, const std::wstring& name, std::size_t chars) {
    for (std::size_t i = 0; i < chars; ++i)
        Put16(out, i + 1 < chars && i < name.size() ? static_cast<std::uint32_t>(name[i]) & 0xFFFF : 0);
}

// Width and length packed as POINTS would hold them: x low, y high.
std::int32_t Extent(std::uint32_t width, std::uint32_t length) {
    return static_cast<std::int32_t>((width & 0xFFFF) | (length & 0xFFFF) << 16);
}

CapabilityAnswer Count(std::size_t count, std::vector<std::uint8_t> output) {
    return {static_cast<std::int32_t>(count), std::move(output)};
}

}  // namespace

CapabilityAnswer DeviceCapability(const PrinterModel& model, std::uint16_t index, const std::wstring& binName) {
    std::vector<std::uint8_t> out;
    const auto& papers = model.papers;
    switch (index) {
    case kDcFields: return {static_cast<std::int32_t>(kSupportedFields), {}};
    case kDcPapers:
        for (const PaperSize& paper : papers) Put16(out, paper.id);
        return Count(papers.size(), std::move(out));
    case kDcPaperSize:
        for (const PaperSize& paper : papers) {
            Put32(out, paper.width);
            Put32(out, paper.length);
        }
        return Count(papers.size(), std::move(out));
    case kDcPaperNames:
    case kDcMediaReady:
        for (const PaperSize& paper : papers) PutName(out, paper.name, kPaperNameChars);
        return Count(papers.size(), std::move(out));
    case kDcMinExtent:
    case kDcMaxExtent: {
        if (papers.empty()) return {};
        const bool least = index == kDcMinExtent;
        std::uint32_t width = papers.front().width, length = papers.front().length;
        for (const PaperSize& paper : papers) {
            width = least ? std::min(width, paper.width) : std::max(width, paper.width);
            length = least ? std::min(length, paper.length) : std::max(length, paper.length);
        }
        return {Extent(width, length), {}};
    }
    case kDcBins:
        Put16(out, kOnlyBin);
        return Count(1, std::move(out));
    case kDcBinNames:
        PutName(out, binName, kBinNameChars);
        return Count(1, std::move(out));
    case kDcEnumResolutions:
        Put32(out, model.dpi);
        Put32(out, model.dpi);
        return Count(1, std::move(out));
    case kDcNup:
        Put32(out, 1);
        return Count(1, std::move(out));
    case kDcSize: return {static_cast<std::int32_t>(kDevModeSize), {}};
    case kDcExtra: return {static_cast<std::int32_t>(kPrivateSize), {}};
    case kDcVersion: return {kSpecVersion, {}};
    case kDcDriver: return {kDriverVersion, {}};
    case kDcTrueType: return {kBitmapTrueType, {}};
    case kDcOrientation: return {kLandscapeTurn, {}};
    case kDcCopies: return {kMostCopies, {}};
    case kDcCollate: return {1, {}};
    case kDcDuplex:
    case kDcFileDependencies:
    case kDcPersonality:
    case kDcStaple:
    case kDcColorDevice:
    case kDcMediaTypeNames:
    case kDcMediaTypes: return {0, {}};
    default: return {};
    }
}

}  // namespace driver
