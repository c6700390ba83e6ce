#include "driver/RasterEncoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A small printer: 20 dots wide, 3 rows to a band, FF ends a page.
driver::PrinterModel Model(bool cuts = false) {
    driver::PrinterModel model;
    model.dpi = 203;
    model.printableWidth = 20;
    model.printableHeight = 600;
    model.initialise = {0x1B, 0x40};
    model.pageEnd = {0x0C};
    if (cuts) model.cut = {0x1D, 0x56, 0x01};
    model.bandRows = 3;
    return model;
}

// Rows of three bytes (24 pixels, wider than the model prints).
struct Page {
    explicit Page(std::uint32_t rows) : bits(static_cast<std::size_t>(rows) * 3, 0) {}
    void Row(std::uint32_t row, std::uint8_t a, std::uint8_t b = 0, std::uint8_t c = 0) {
        bits[row * 3] = a;
        bits[row * 3 + 1] = b;
        bits[row * 3 + 2] = c;
    }
    driver::MonoPage View(std::uint32_t width = 24) const {
        return {width, static_cast<std::uint32_t>(bits.size() / 3), 3, bits.data()};
    }
    Bytes bits;
};

Bytes Encode(const driver::PrinterModel& model, const driver::MonoPage& page) {
    Bytes out;
    EXPECT_TRUE(driver::EncodePage(model, page, out));
    return out;
}

Bytes Band(std::uint8_t bytes, std::uint8_t rows) { return {0x1D, 0x76, 0x30, 0x00, bytes, 0x00, rows, 0x00}; }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(RasterEncoder, ABlankPageIsItsEndAlone) {
    EXPECT_EQ(Encode(Model(), Page(40).View()), (Bytes{0x0C}));
    // Where the model cuts, the page keeps its length.
    EXPECT_EQ(Encode(Model(true), Page(40).View()), (Bytes{0x1B, 0x4A, 40, 0x0C, 0x1D, 0x56, 0x01}));
}

TEST(RasterEncoder, ASingleBlackRowAfterAFeed) {
    Page page(10);
    page.Row(5, 0x80);
    EXPECT_EQ(Encode(Model(), page.View()), (Bytes{0x1B, 0x4A, 5} + Band(1, 1) + Bytes{0x80, 0x0C}));
}

TEST(RasterEncoder, RowsAreTrimmedOnTheRightAndABandIsAsWideAsItsWidestRow) {
    Page page(3);
    page.Row(0, 0xF0);
    page.Row(1, 0x00, 0x01);
    page.Row(2, 0x01);
    EXPECT_EQ(Encode(Model(), page.View()), (Band(2, 3) + Bytes{0xF0, 0x00, 0x00, 0x01, 0x01, 0x00, 0x0C}));
}

TEST(RasterEncoder, BandsAreNoTallerThanTheModelAllows) {
    Page page(7);
    for (std::uint32_t row = 0; row < 7; ++row) page.Row(row, static_cast<std::uint8_t>(row + 1));
    EXPECT_EQ(Encode(Model(), page.View()), (Band(1, 3) + Bytes{1, 2, 3} + Band(1, 3) + Bytes{4, 5, 6} + Band(1, 1) +
                                                Bytes{7, 0x0C}));
}

TEST(RasterEncoder, AFullBlackPageIsCutToThePrintableWidth) {
    Page page(4);
    for (std::uint32_t row = 0; row < 4; ++row) page.Row(row, 0xFF, 0xFF, 0xFF);
    // 20 dots: two bytes and the high half of a third.
    EXPECT_EQ(Encode(Model(), page.View()), (Band(3, 3) + Bytes{0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xF0} + Band(3, 1) +
                  Bytes{0xFF, 0xFF, 0xF0, 0x0C}));
}

TEST(RasterEncoder, LongBlankRunsAreFedInSteps) {
    Page page(600);
    page.Row(0, 0x01);
    page.Row(599, 0x01);
    EXPECT_EQ(Encode(Model(), page.View()), (Band(1, 1) + Bytes{0x01, 0x1B, 0x4A, 255, 0x1B, 0x4A, 255, 0x1B, 0x4A, 88} + Band(1, 1) +
                  Bytes{0x01, 0x0C}));
}

TEST(RasterEncoder, PixelsPastTheWidthAreIgnored) {
    Page page(2);
    page.Row(0, 0x00, 0x0F);  // only past a 12-pixel width
    page.Row(1, 0x00, 0x1F);
    EXPECT_EQ(Encode(Model(), page.View(12)), (Bytes{0x1B, 0x4A, 1} + Band(2, 1) + Bytes{0x00, 0x10, 0x0C}));
}

TEST(RasterEncoder, RefusesWhatItCannotRead) {
    Page page(2);
    Bytes out;
    driver::MonoPage narrow = page.View();
    narrow.stride = 2;
    driver::MonoPage empty = page.View();
    empty.bits = nullptr;
    driver::PrinterModel noBands = Model();
    noBands.bandRows = 0;
    EXPECT_FALSE(driver::EncodePage(Model(), narrow, out));
    EXPECT_FALSE(driver::EncodePage(Model(), empty, out));
    EXPECT_FALSE(driver::EncodePage(noBands, page.View(), out));
    EXPECT_TRUE(out.empty());
}

// 3 wide, 2 high; its top row becomes the right column.
TEST(RasterEncoder, LandscapeIsTurnedAQuarterClockwise) {
    const Bytes landscape = {0xA0, 0x40};  // top row X.X, bottom row .X.
    Bytes bits;
    const driver::MonoPage portrait = driver::TurnToPortrait({3, 2, 1, landscape.data()}, bits);
    EXPECT_EQ(portrait.width, 2u);
    EXPECT_EQ(portrait.height, 3u);
    EXPECT_EQ(bits, (Bytes{0x40, 0x80, 0x40}));  // .X  X.  .X
}

// A surface that keeps its ink in the clear bits prints the same page as its
// inverse with set-bit ink, turned or not; its padding bits are paper.
TEST(RasterEncoder, ClearBitInkPrintsAsItsInverse) {
    Page inked(6), inverse(6);
    inked.Row(1, 0x80, 0x01);
    inked.Row(2, 0xFF);
    inked.Row(4, 0x00, 0x00, 0x10);
    for (std::size_t i = 0; i < inked.bits.size(); ++i) inverse.bits[i] = static_cast<std::uint8_t>(~inked.bits[i]);
    driver::MonoPage clear = inverse.View(20);
    clear.ink = driver::Ink::ClearBits;
    EXPECT_EQ(Encode(Model(), clear), Encode(Model(), inked.View(20)));

    Bytes turnedSet, turnedClear;
    const driver::MonoPage a = driver::TurnToPortrait(inked.View(20), turnedSet);
    const driver::MonoPage b = driver::TurnToPortrait(clear, turnedClear);
    EXPECT_EQ(b.ink, driver::Ink::ClearBits);
    EXPECT_EQ(Encode(Model(), b), Encode(Model(), a));
}

TEST(RasterEncoder, BandEndsMarkWhereAWriterMayStop) {
    Page page(8);
    for (std::uint32_t row : {0u, 1u, 2u, 3u, 6u}) page.Row(row, 0x80);
    Bytes out;
    std::vector<std::size_t> ends;
    ASSERT_TRUE(driver::EncodePage(Model(), page.View(), out, &ends));
    const std::size_t band3 = Band(1, 3).size() + 3, band1 = Band(1, 1).size() + 1, feed = 3;
    EXPECT_EQ(ends, (std::vector<std::size_t>{band3, band3 + band1, band3 + band1 + feed + band1}));
}

TEST(RasterEncoder, TheDocumentStartsWithTheModelsInitialisationAndDarkness) {
    driver::PrinterModel model = Model();
    const struct {
        Bytes darknessCommand;
        std::uint16_t darkness;
        Bytes expected;
    } cases[] = {
        {{}, 8, {0x1B, 0x40}},
        {{0x1D, 0x7C}, 8, {0x1B, 0x40, 0x1D, 0x7C, 8}},
        {{0x1D, 0x7C}, 0, {0x1B, 0x40, 0x1D, 0x7C, 1}},
        {{0x1D, 0x7C}, 300, {0x1B, 0x40, 0x1D, 0x7C, 15}},
    };
    for (const auto& c : cases) {
        model.darkness = c.darknessCommand;
        Bytes out;
        driver::EncodeDocumentStart(model, c.darkness, out);
        EXPECT_EQ(out, c.expected) << c.darkness;
    }
}

}  // namespace
