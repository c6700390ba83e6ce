#include "driver/DevMode.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace driver {

namespace {

constexpr std::uint8_t kSignature[4] = {'Q', 'A', '4', 'P'};
// Offsets into the private part.
constexpr std::size_t kPrivateVersion = 4, kPrivateSizeField = 6, kPrivateDarkness = 8;
constexpr std::int16_t kDraftToHighResolution = -4;  // DMRES_HIGH; DMRES_DRAFT is -1

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(U16(p)) | static_cast<std::uint32_t>(U16(p + 2)) << 16;
}
void Put16(DevModeBytes& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}
void PutShort(DevModeBytes& bytes, std::size_t offset, std::int16_t value) {
    Put16(bytes, offset, static_cast<std::uint16_t>(value));
}
void Put32(DevModeBytes& bytes, std::size_t offset, std::uint32_t value) {
    Put16(bytes, offset, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

// A name field of 32 UTF-16 units: at most 31 of the name, NUL-filled.
void PutName(DevModeBytes& bytes, std::size_t offset, const std::wstring& name) {
    for (std::size_t i = 0; i < kDeviceNameChars; ++i) {
        const std::uint16_t unit =
            i + 1 < kDeviceNameChars && i < name.size() ? static_cast<std::uint16_t>(name[i]) : std::uint16_t{0};
        Put16(bytes, offset + 2 * i, unit);
    }
}

std::wstring NameAt(const std::uint8_t* p) {
    std::wstring name;
    for (std::size_t i = 0; i < kDeviceNameChars && U16(p + 2 * i) != 0; ++i)
        name.push_back(static_cast<wchar_t>(U16(p + 2 * i)));
    return name;
}

void SetPaper(DevModeBytes& bytes, const PaperSize& paper) {
    PutShort(bytes, dm::kPaperSize, static_cast<std::int16_t>(paper.id));
    PutShort(bytes, dm::kPaperLength, static_cast<std::int16_t>(paper.length));
    PutShort(bytes, dm::kPaperWidth, static_cast<std::int16_t>(paper.width));
    PutName(bytes, dm::kFormName, paper.name);
}

const PaperSize* PaperById(const PrinterModel& model, std::int16_t id) {
    const auto found = std::find_if(model.papers.begin(), model.papers.end(),
                                    [&](const PaperSize& paper) { return paper.id == id; });
    return found == model.papers.end() ? nullptr : &*found;
}

const PaperSize* PaperByName(const PrinterModel& model, const std::wstring& name) {
    const auto found = std::find_if(model.papers.begin(), model.papers.end(),
                                    [&](const PaperSize& paper) { return paper.name == name; });
    return found == model.papers.end() ? nullptr : &*found;
}

// The private part at `p`, `extra` bytes long, of a DEVMODE of driver
// version `version`: ours, or nothing to read.
bool IsOurPrivatePart(const std::uint8_t* p, std::size_t extra, std::uint16_t version) {
    return version == kDriverVersion && extra == kPrivateSize && std::memcmp(p, kSignature, sizeof kSignature) == 0 &&
           U16(p + kPrivateVersion) == kDriverVersion && U16(p + kPrivateSizeField) == kPrivateSize;
}

}  // namespace

std::int16_t GetShort(const DevModeBytes& bytes, std::size_t offset) {
    return static_cast<std::int16_t>(U16(bytes.data() + offset));
}

std::uint16_t Darkness(const DevModeBytes& bytes) { return U16(bytes.data() + kDevModeSize + kPrivateDarkness); }

bool IsOurDevMode(const DevModeBytes& bytes) {
    return bytes.size() == kDevModeSize + kPrivateSize && U16(bytes.data() + dm::kSize) == kDevModeSize &&
           IsOurPrivatePart(bytes.data() + kDevModeSize, U16(bytes.data() + dm::kDriverExtra),
                            U16(bytes.data() + dm::kDriverVersion));
}

DevModeBytes DefaultDevMode(const PrinterModel& model, const std::wstring& deviceName) {
    DevModeBytes bytes(kDevModeSize + kPrivateSize, 0);
    PutName(bytes, dm::kDeviceName, deviceName);
    Put16(bytes, dm::kSpecVersion, kSpecVersion);
    Put16(bytes, dm::kDriverVersion, kDriverVersion);
    Put16(bytes, dm::kSize, static_cast<std::uint16_t>(kDevModeSize));
    Put16(bytes, dm::kDriverExtra, static_cast<std::uint16_t>(kPrivateSize));
    Put32(bytes, dm::kFields, kSupportedFields);
    PutShort(bytes, dm::kOrientation, kPortrait);
    if (!model.papers.empty()) SetPaper(bytes, model.papers.front());
    PutShort(bytes, dm::kCopies, 1);
    PutShort(bytes, dm::kPrintQuality, static_cast<std::int16_t>(model.dpi));
    PutShort(bytes, dm::kYResolution, static_cast<std::int16_t>(model.dpi));
    PutShort(bytes, dm::kColor, kMonochrome);
    PutShort(bytes, dm::kDuplex, kSimplex);
    PutShort(bytes, dm::kCollate, kCollated);
    std::memcpy(bytes.data() + kDevModeSize, kSignature, sizeof kSignature);
    Put16(bytes, kDevModeSize + kPrivateVersion, kDriverVersion);
    Put16(bytes, kDevModeSize + kPrivateSizeField, static_cast<std::uint16_t>(kPrivateSize));
    Put16(bytes, kDevModeSize + kPrivateDarkness, kDefaultDarkness);
    return bytes;
}

bool MergeDevMode(const PrinterModel& model, const std::uint8_t* input, std::size_t size, DevModeBytes& current) {
    if (input == nullptr || size < kOldestDevModeSize || !IsOurDevMode(current)) return false;
    const std::size_t inSize = U16(input + dm::kSize);
    const std::size_t extra = U16(input + dm::kDriverExtra);
    if (inSize < kOldestDevModeSize || inSize > kDevModeSize || inSize + extra > size) return false;

    DevModeBytes merged = current;
    const std::uint32_t fields = U32(input + dm::kFields);
    // A field counts when it is named and inside what the input has.
    const auto given = [&](std::uint32_t field, std::size_t offset, std::size_t width = 2) {
        return (fields & field) != 0 && offset + width <= inSize;
    };
    const auto value = [&](std::size_t offset) { return static_cast<std::int16_t>(U16(input + offset)); };

    if (given(kDmOrientation, dm::kOrientation)) {
        const std::int16_t orientation = value(dm::kOrientation);
        if (orientation == kPortrait || orientation == kLandscape) PutShort(merged, dm::kOrientation, orientation);
    }
    const PaperSize* paper = given(kDmPaperSize, dm::kPaperSize) ? PaperById(model, value(dm::kPaperSize)) : nullptr;
    if (paper == nullptr && given(kDmFormName, dm::kFormName, 2 * kDeviceNameChars))
        paper = PaperByName(model, NameAt(input + dm::kFormName));
    if (paper != nullptr) SetPaper(merged, *paper);
    if (given(kDmCopies, dm::kCopies))
        PutShort(merged, dm::kCopies, std::clamp<std::int16_t>(value(dm::kCopies), 1, kMostCopies));
    if (given(kDmPrintQuality, dm::kPrintQuality)) {
        // The model prints at one resolution; the named qualities mean it.
        const std::int16_t quality = value(dm::kPrintQuality);
        if (quality == static_cast<std::int16_t>(model.dpi) || (quality < 0 && quality >= kDraftToHighResolution))
            PutShort(merged, dm::kPrintQuality, static_cast<std::int16_t>(model.dpi));
    }
    if (given(kDmCollate, dm::kCollate)) {
        const std::int16_t collate = value(dm::kCollate);
        if (collate == 0 || collate == 1) PutShort(merged, dm::kCollate, collate);
    }
    // Colour, duplex and the Y resolution have one value each here.

    const std::uint8_t* privatePart = input + inSize;
    if (IsOurPrivatePart(privatePart, extra, U16(input + dm::kDriverVersion))) {
        const std::uint16_t darkness = U16(privatePart + kPrivateDarkness);
        if (darkness >= kLightest && darkness <= kDarkest) Put16(merged, kDevModeSize + kPrivateDarkness, darkness);
    }
    current = std::move(merged);
    return true;
}

Copies CopiesOf(const DevModeBytes& bytes) {
    return {static_cast<std::uint16_t>(std::clamp<std::int16_t>(GetShort(bytes, dm::kCopies), 1, kMostCopies)),
            GetShort(bytes, dm::kCollate) != 0};
}

DevModeBytes ConvertDevMode(const DevModeBytes& ours, std::size_t publicSize, std::uint16_t specVersion,
                            bool withPrivate) {
    publicSize = std::clamp(publicSize, kOldestDevModeSize, kDevModeSize);
    DevModeBytes out(ours.begin(), ours.begin() + static_cast<std::ptrdiff_t>(publicSize));
    if (withPrivate) out.insert(out.end(), ours.begin() + kDevModeSize, ours.end());
    Put16(out, dm::kSpecVersion, specVersion);
    Put16(out, dm::kSize, static_cast<std::uint16_t>(publicSize));
    Put16(out, dm::kDriverExtra, static_cast<std::uint16_t>(withPrivate ? kPrivateSize : 0));
    std::uint32_t fields = U32(out.data() + dm::kFields);
    if (publicSize < dm::kFormName + 2 * kDeviceNameChars) fields &= ~kDmFormName;
    Put32(out, dm::kFields, fields);
    return out;
}

void ApplyChoices(const PrinterModel& model, std::int16_t paper, std::int16_t orientation, std::uint16_t darkness,
                  DevModeBytes& current) {
    if (!IsOurDevMode(current)) return;
    DevModeBytes choice = current;
    Put32(choice, dm::kFields, kDmOrientation | kDmPaperSize);
    PutShort(choice, dm::kOrientation, orientation);
    PutShort(choice, dm::kPaperSize, paper);
    Put16(choice, kDevModeSize + kPrivateDarkness, darkness);
    MergeDevMode(model, choice.data(), choice.size(), current);
}

}  // namespace driver
