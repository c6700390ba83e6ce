#include "driver/DevMode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

using driver::DevModeBytes;
namespace dm = driver::dm;

driver::PrinterModel Model() {
    driver::PrinterModel model;
    model.dpi = 300;
    model.papers = {{9, L"A4", 2100, 2970}, {11, L"A5", 1480, 2100}};
    return model;
}

void Put16(DevModeBytes& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// What an application hands in: a public part of `size` bytes naming
// `fields`, and `extra` bytes after it.
struct Input {
    Input(std::size_t size, std::uint32_t fields, std::size_t extra = 0) : bytes(size + extra, 0) {
        Put16(bytes, dm::kSize, static_cast<std::uint16_t>(size));
        Put16(bytes, dm::kDriverExtra, static_cast<std::uint16_t>(extra));
        Put16(bytes, dm::kFields, static_cast<std::uint16_t>(fields & 0xFFFF));
        Put16(bytes, dm::kFields + 2, static_cast<std::uint16_t>(fields >> 16));
    }
    Input& Set(std::size_t offset, std::int16_t value) {
        Put16(bytes, offset, static_cast<std::uint16_t>(value));
        return *this;
    }
    // Our own private part, from a DEVMODE of ours, with this darkness.
    Input& Ours(std::uint16_t darkness) {
        const DevModeBytes ours = driver::DefaultDevMode(Model(), L"x");
        std::copy(ours.begin() + driver::kDevModeSize, ours.end(), bytes.end() - driver::kPrivateSize);
        Put16(bytes, dm::kDriverVersion, driver::kDriverVersion);
        Put16(bytes, bytes.size() - driver::kPrivateSize + 8, darkness);
        return *this;
    }
    DevModeBytes bytes;
};

TEST(DevMode, TheDefault) {
    const DevModeBytes bytes = driver::DefaultDevMode(Model(), L"A very long printer name that goes past 31 characters");
    ASSERT_TRUE(driver::IsOurDevMode(bytes));
    EXPECT_EQ(driver::GetShort(bytes, dm::kOrientation), driver::kPortrait);
    EXPECT_EQ(driver::GetShort(bytes, dm::kPaperSize), 9);
    EXPECT_EQ(driver::GetShort(bytes, dm::kPaperWidth), 2100);
    EXPECT_EQ(driver::GetShort(bytes, dm::kCopies), 1);
    // No custom paper sizes: the length and width are not claimed.
    EXPECT_EQ(bytes[dm::kFields] & (driver::kDmPaperLength | driver::kDmPaperWidth), 0);
    EXPECT_EQ(driver::GetShort(bytes, dm::kPrintQuality), 300);
    EXPECT_EQ(driver::Darkness(bytes), driver::kDefaultDarkness);
    EXPECT_EQ(driver::GetShort(bytes, dm::kDeviceName + 2 * 31), 0) << "the name ends within its field";
    EXPECT_EQ(driver::GetShort(bytes, dm::kDeviceName + 2 * 30), L'g');  // the 31st character
}

TEST(DevMode, MergeRules) {
    using driver::kDevModeSize;
    struct Case {
        const char* what;
        Input input;
        bool merged;
        std::int16_t orientation, paper, copies, quality;
        std::uint16_t darkness;
    };
    const std::int16_t a4 = 9, a5 = 11, portrait = 1, landscape = 2;
    const Case cases[] = {
        {"landscape and copies", Input(kDevModeSize, driver::kDmOrientation | driver::kDmCopies)
                                     .Set(dm::kOrientation, landscape).Set(dm::kCopies, 3),
         true, landscape, a4, 3, 300, 8},
        {"fields not named count for nothing", Input(kDevModeSize, 0).Set(dm::kOrientation, landscape), true, portrait,
         a4, 1, 300, 8},
        {"an orientation that is none", Input(kDevModeSize, driver::kDmOrientation).Set(dm::kOrientation, 7), true,
         portrait, a4, 1, 300, 8},
        {"no copies become one", Input(kDevModeSize, driver::kDmCopies).Set(dm::kCopies, 0), true, portrait, a4, 1, 300,
         8},
        {"too many copies become the most", Input(kDevModeSize, driver::kDmCopies).Set(dm::kCopies, 5000), true,
         portrait, a4, 999, 300, 8},
        {"a paper of the model", Input(kDevModeSize, driver::kDmPaperSize).Set(dm::kPaperSize, a5), true, portrait, a5,
         1, 300, 8},
        {"a paper it lacks (Letter)", Input(kDevModeSize, driver::kDmPaperSize).Set(dm::kPaperSize, 1), true, portrait,
         a4, 1, 300, 8},
        {"a form by its name", Input(kDevModeSize, driver::kDmFormName).Set(dm::kFormName, L'A').Set(dm::kFormName + 2, L'5'),
         true, portrait, a5, 1, 300, 8},
        {"another resolution", Input(kDevModeSize, driver::kDmPrintQuality).Set(dm::kPrintQuality, 600), true,
         portrait, a4, 1, 300, 8},
        {"the oldest size: fields past it are not read",
         Input(driver::kOldestDevModeSize, driver::kDmOrientation | driver::kDmFormName)
             .Set(dm::kOrientation, landscape),
         true, landscape, a4, 1, 300, 8},
        {"our private part", Input(kDevModeSize, 0, driver::kPrivateSize).Ours(12), true, portrait, a4, 1, 300, 12},
        {"our private part, darkness out of range", Input(kDevModeSize, 0, driver::kPrivateSize).Ours(40), true,
         portrait, a4, 1, 300, 8},
        {"another driver's private bytes", Input(kDevModeSize, 0, driver::kPrivateSize).Set(kDevModeSize + 8, 12), true,
         portrait, a4, 1, 300, 8},
    };
    for (const Case& c : cases) {
        DevModeBytes current = driver::DefaultDevMode(Model(), L"Front desk");
        EXPECT_EQ(driver::MergeDevMode(Model(), c.input.bytes.data(), c.input.bytes.size(), current), c.merged)
            << c.what;
        ASSERT_TRUE(driver::IsOurDevMode(current)) << c.what;
        EXPECT_EQ(driver::GetShort(current, dm::kOrientation), c.orientation) << c.what;
        EXPECT_EQ(driver::GetShort(current, dm::kPaperSize), c.paper) << c.what;
        EXPECT_EQ(driver::GetShort(current, dm::kCopies), c.copies) << c.what;
        EXPECT_EQ(driver::GetShort(current, dm::kPrintQuality), c.quality) << c.what;
        EXPECT_EQ(driver::Darkness(current), c.darkness) << c.what;
    }
}

TEST(DevMode, ADevModeThatLiesAboutItsSizeIsRefused) {
    struct Case {
        const char* what;
        Input input;
        std::size_t given;
    };
    const Case cases[] = {
        {"private bytes it does not have", Input(driver::kDevModeSize, 0, driver::kPrivateSize), driver::kDevModeSize},
        {"a public part longer than the buffer", Input(driver::kDevModeSize, 0), 150},
        {"a public part shorter than any", Input(40, 0, 200), 240},
        {"fewer bytes than any DEVMODE", Input(driver::kDevModeSize, 0), 60},
        // No DEVMODEW is longer than ours; a claim of one would read past
        // whatever the caller has.
        {"a public part longer than any DEVMODE", Input(driver::kDevModeSize + 16, 0, driver::kPrivateSize).Ours(3),
         driver::kDevModeSize + 16 + driver::kPrivateSize},
        {"dmSize 0xF000", Input(0xF000, 0), 0xF000},
    };
    for (const Case& c : cases) {
        DevModeBytes current = driver::DefaultDevMode(Model(), L"Front desk");
        const DevModeBytes before = current;
        EXPECT_FALSE(driver::MergeDevMode(Model(), c.input.bytes.data(), c.given, current)) << c.what;
        EXPECT_EQ(current, before) << c.what;
    }
    DevModeBytes current = driver::DefaultDevMode(Model(), L"Front desk");
    EXPECT_FALSE(driver::MergeDevMode(Model(), nullptr, 220, current));
}

// The preferences page's choices: each one the model cannot do leaves its
// setting alone, the others still apply.
TEST(DevMode, ThePagesChoices) {
    const struct {
        std::int16_t paper, orientation;
        std::uint16_t darkness;
        std::int16_t paperAfter, orientationAfter, lengthAfter;
        std::uint16_t darknessAfter;
    } cases[] = {
        {11, driver::kLandscape, 15, 11, driver::kLandscape, 2100, 15},
        {70, driver::kLandscape, 3, 9, driver::kLandscape, 2970, 3},
        {11, 7, 0, 11, driver::kPortrait, 2100, driver::kDefaultDarkness},
    };
    for (const auto& c : cases) {
        DevModeBytes current = driver::DefaultDevMode(Model(), L"Front desk");
        driver::ApplyChoices(Model(), c.paper, c.orientation, c.darkness, current);
        EXPECT_EQ(driver::GetShort(current, dm::kPaperSize), c.paperAfter) << c.paper;
        EXPECT_EQ(driver::GetShort(current, dm::kOrientation), c.orientationAfter) << c.orientation;
        EXPECT_EQ(driver::GetShort(current, dm::kPaperLength), c.lengthAfter) << c.paper;
        EXPECT_EQ(driver::Darkness(current), c.darknessAfter) << c.darkness;
        EXPECT_TRUE(driver::IsOurDevMode(current));
    }
}

// Collated copies by default; a merge's copies and collation come back out.
TEST(DevMode, Copies) {
    DevModeBytes current = driver::DefaultDevMode(Model(), L"Front desk");
    EXPECT_EQ(driver::CopiesOf(current).count, 1u);
    EXPECT_TRUE(driver::CopiesOf(current).collate);
    const Input input = Input(driver::kDevModeSize, driver::kDmCopies | driver::kDmCollate)
                            .Set(dm::kCopies, 3)
                            .Set(dm::kCollate, 0);
    ASSERT_TRUE(driver::MergeDevMode(Model(), input.bytes.data(), input.bytes.size(), current));
    EXPECT_EQ(driver::CopiesOf(current).count, 3u);
    EXPECT_FALSE(driver::CopiesOf(current).collate);
}

// Converted for an older caller: cut to its size, naming nothing past it,
// our private part kept only when asked; what is left merges back.
TEST(DevMode, ConvertedToAnOlderVersion) {
    const struct {
        std::size_t size;
        std::uint16_t version;
        bool withPrivate;
        bool namesForm;
    } cases[] = {
        {driver::kDevModeSize, 0x0401, true, true},
        {188, 0x0320, false, true},
        {driver::kOldestDevModeSize, 0x0300, false, false},
        {4000, 0x0401, true, true},  // no longer than ours
    };
    DevModeBytes ours = driver::DefaultDevMode(Model(), L"Front desk");
    driver::ApplyChoices(Model(), 11, driver::kLandscape, 12, ours);
    for (const auto& c : cases) {
        const DevModeBytes out = driver::ConvertDevMode(ours, c.size, c.version, c.withPrivate);
        const std::size_t size = std::min(c.size, driver::kDevModeSize);
        ASSERT_EQ(out.size(), size + (c.withPrivate ? driver::kPrivateSize : 0)) << c.size;
        EXPECT_EQ(static_cast<std::uint16_t>(driver::GetShort(out, dm::kSize)), size);
        EXPECT_EQ(static_cast<std::uint16_t>(driver::GetShort(out, dm::kSpecVersion)), c.version);
        EXPECT_EQ((static_cast<std::uint16_t>(driver::GetShort(out, dm::kFields + 2)) & 1) != 0, c.namesForm);
        DevModeBytes back = driver::DefaultDevMode(Model(), L"Front desk");
        ASSERT_TRUE(driver::MergeDevMode(Model(), out.data(), out.size(), back)) << c.size;
        EXPECT_EQ(driver::GetShort(back, dm::kPaperSize), 11);
        EXPECT_EQ(driver::GetShort(back, dm::kOrientation), driver::kLandscape);
        EXPECT_EQ(driver::Darkness(back), c.withPrivate ? 12 : driver::kDefaultDarkness);
    }
}

}  // namespace
