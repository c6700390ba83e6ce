// The driver's DEVMODE: its default, and how one that an application or the
// spooler hands in is merged into it.
//
// A DEVMODEW is handled as its bytes (little-endian, the layout Windows
// defines, 220 bytes of public part in version 0x0401), followed by the
// driver's private part, so that the rules run and are tested anywhere.
//
// The rules are those of Windows' own drivers: an input of an older, shorter
// public size counts as far as it goes; a field counts only when
// its dmFields bit is set and it lies inside the input's dmSize; a value the
// printer cannot do is ignored (the current value stays), and copies are
// kept between 1 and the most the driver prints; the private part counts
// only when it is ours (our driver version, size and signature), else our
// default stands. A DEVMODE comes from any application, so its sizes are
// checked before a byte past its header is read: no public part is longer
// than the newest DEVMODEW, and private bytes are read only when their size
// is exactly ours.
#pragma once

#include "driver/PrinterModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace driver {

// Public part.
inline constexpr std::size_t kDevModeSize = 220;            // DEVMODEW, DM_SPECVERSION 0x0401
inline constexpr std::size_t kOldestDevModeSize = 102;      // up to dmCollate, before dmFormName
inline constexpr std::uint16_t kSpecVersion = 0x0401;
inline constexpr std::size_t kDeviceNameChars = 32;

// Offsets into the public part.
namespace dm {
inline constexpr std::size_t kDeviceName = 0, kSpecVersion = 64, kDriverVersion = 66, kSize = 68, kDriverExtra = 70,
                             kFields = 72, kOrientation = 76, kPaperSize = 78, kPaperLength = 80, kPaperWidth = 82,
                             kScale = 84, kCopies = 86, kDefaultSource = 88, kPrintQuality = 90, kColor = 92,
                             kDuplex = 94, kYResolution = 96, kTTOption = 98, kCollate = 100, kFormName = 102;
}  // namespace dm

// dmFields bits.
inline constexpr std::uint32_t kDmOrientation = 0x00000001, kDmPaperSize = 0x00000002, kDmPaperLength = 0x00000004,
                               kDmPaperWidth = 0x00000008, kDmCopies = 0x00000100, kDmPrintQuality = 0x00000400,
                               kDmColor = 0x00000800, kDmDuplex = 0x00001000, kDmYResolution = 0x00002000,
                               kDmCollate = 0x00008000, kDmFormName = 0x00010000;
// No custom paper sizes, so no DM_PAPERLENGTH or DM_PAPERWIDTH.
inline constexpr std::uint32_t kSupportedFields = kDmOrientation | kDmPaperSize | kDmCopies | kDmPrintQuality |
                                                  kDmColor | kDmDuplex | kDmYResolution | kDmCollate | kDmFormName;

inline constexpr std::int16_t kPortrait = 1, kLandscape = 2;
inline constexpr std::int16_t kMonochrome = 1;
inline constexpr std::int16_t kSimplex = 1;
inline constexpr std::int16_t kMostCopies = 999;
inline constexpr std::int16_t kCollated = 1;  // DMCOLLATE_TRUE

// Private part: our signature, its size, and the darkness (1 lightest to
// 15 darkest) the printer burns with.
inline constexpr std::uint16_t kDriverVersion = 0x0100;
inline constexpr std::size_t kPrivateSize = 12;
inline constexpr std::uint16_t kLightest = 1, kDarkest = 15, kDefaultDarkness = 8;

using DevModeBytes = std::vector<std::uint8_t>;

// The driver's default for the model: A4, portrait, one copy, the model's
// resolution, monochrome, simplex, collated, the default darkness; the
// device name cut to 31 characters.
DevModeBytes DefaultDevMode(const PrinterModel& model, const std::wstring& deviceName);

// Merges the `size` bytes at `input` into `current` (a DEVMODE of ours) as
// the rules above say. False, with `current` unchanged, when the input is
// not a DEVMODE one can read: a dmSize shorter than the oldest public part
// or longer than the newest, or a dmSize and dmDriverExtra that claim more
// bytes than were given.
bool MergeDevMode(const PrinterModel& model, const std::uint8_t* input, std::size_t size, DevModeBytes& current);

// Whether `bytes` is a whole DEVMODE of ours (what MergeDevMode keeps).
bool IsOurDevMode(const DevModeBytes& bytes);

// The preferences page's choices put into `current` (a DEVMODE of ours):
// a paper by its number, portrait or landscape, a darkness. A choice the
// model cannot do leaves that setting as it was, as a merge would.
void ApplyChoices(const PrinterModel& model, std::int16_t paper, std::int16_t orientation, std::uint16_t darkness,
                  DevModeBytes& current);

// The copies a DEVMODE of ours asks for, and whether they are collated.
struct Copies {
    std::uint16_t count = 1;
    bool collate = true;
};
Copies CopiesOf(const DevModeBytes& bytes);

// A DEVMODE of ours as a caller of an older version wants it: the public
// part cut to `publicSize` (between the oldest and ours), naming only the
// fields inside it, with `specVersion`; our private part only when
// `withPrivate`.
DevModeBytes ConvertDevMode(const DevModeBytes& ours, std::size_t publicSize, std::uint16_t specVersion,
                            bool withPrivate);

std::int16_t GetShort(const DevModeBytes& bytes, std::size_t offset);
std::uint16_t Darkness(const DevModeBytes& bytes);

}  // namespace driver
