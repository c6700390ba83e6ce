// The model data files as the build makes them, and the reader's refusal of
// every kind of damage.
#include "driver/ModelData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using driver::ModelDataError;

Bytes Built(const std::string& model) {
    std::ifstream in(std::string(DRIVER_STAGED) + "/a4/QuorvelA4" + model + ".pcd", std::ios::binary);
    EXPECT_TRUE(in) << model;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ModelDataError Read(const Bytes& bytes, driver::PrinterModel& model) {
    return driver::ReadModelData(bytes.data(), bytes.size(), model);
}

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// After a change inside, the size and checksum are put right again, so that
// the reader meets the damage itself.
void Seal(Bytes& bytes) {
    PutU32(bytes, 12, static_cast<std::uint32_t>(bytes.size()));
    PutU32(bytes, bytes.size() - 4, driver::Crc32(bytes.data(), bytes.size() - 4));
}

// The offset of the first record of a kind.
std::size_t Find(const Bytes& bytes, std::uint16_t tag) {
    for (std::size_t at = 16; at + 4 <= bytes.size() - 4;) {
        if ((bytes[at] | bytes[at + 1] << 8) == tag) return at;
        at += 4 + (bytes[at + 2] | bytes[at + 3] << 8);
    }
    ADD_FAILURE() << "no record " << tag;
    return 16;
}

TEST(ModelData, TheBuiltFilesDescribeBothModels) {
    driver::PrinterModel model;
    ASSERT_EQ(Read(Built("203"), model), ModelDataError::None);
    EXPECT_EQ(model.name, L"A4 Printer(203dpi)");
    EXPECT_EQ(model.dpi, 203u);
    EXPECT_EQ(model.printableWidth, 1664u);
    EXPECT_TRUE(model.cut.empty());
    ASSERT_EQ(Read(Built("300"), model), ModelDataError::None);
    EXPECT_EQ(model.dpi, 300u);
    EXPECT_EQ(model.printableHeight, 3456u);
    EXPECT_EQ(model.pageEnd, (Bytes{0x0C}));
    EXPECT_EQ(model.cut, (Bytes{0x1D, 0x56, 0x01}));
    ASSERT_EQ(model.papers.size(), 2u);
    EXPECT_EQ(model.papers[0].id, 9u);
    EXPECT_EQ(model.papers[0].name, L"A4");
    EXPECT_EQ(model.papers[0].width, 2100u);
    EXPECT_EQ(model.papers[0].length, 2970u);
}

TEST(ModelData, EveryKindOfDamageIsRefusedAndLeavesTheModelAlone) {
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        ModelDataError error;
    };
    const Case cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }, ModelDataError::NotModelData},
        {"another file", [](Bytes& b) { b[0] = 'P'; }, ModelDataError::NotModelData},
        {"a later version", [](Bytes& b) { b[8] = 2; }, ModelDataError::UnknownVersion},
        {"cut short", [](Bytes& b) { b.resize(b.size() - 10); }, ModelDataError::WrongSize},
        {"a byte changed", [](Bytes& b) { b[20] ^= 1; }, ModelDataError::Damaged},
        {"a record past the end", [](Bytes& b) { b[Find(b, 8) + 2] = 0xFF; Seal(b); }, ModelDataError::BadRecord},
        {"half a record header", [](Bytes& b) { b.insert(b.end() - 4, {0x01, 0x00}); Seal(b); },
         ModelDataError::BadRecord},
        {"a resolution of 3 bytes",
         [](Bytes& b) {
             const std::size_t at = Find(b, 2);
             b[at + 2] = 3;
             b.erase(b.begin() + static_cast<std::ptrdiff_t>(at) + 7);
             Seal(b);
         },
         ModelDataError::BadRecord},
        {"an odd name", [](Bytes& b) { b[Find(b, 1) + 2] -= 1; Seal(b); }, ModelDataError::BadRecord},
        {"two resolutions",
         [](Bytes& b) { b.insert(b.end() - 4, {0x02, 0x00, 0x04, 0x00, 0xCB, 0x00, 0x00, 0x00}); Seal(b); },
         ModelDataError::Repeated},
        {"no page end", [](Bytes& b) { b[Find(b, 6)] = 0x70; Seal(b); }, ModelDataError::Missing},
        {"no paper",
         [](Bytes& b) {
             for (std::size_t at = Find(b, 8); at < b.size() - 4; at = Find(b, 8)) {
                 b[at] = 0x71;
                 if (at + 4 + (b[at + 2] | b[at + 3] << 8) >= b.size() - 4) break;
             }
             Seal(b);
         },
         ModelDataError::Missing},
        {"no resolution", [](Bytes& b) { PutU32(b, Find(b, 2) + 4, 0); Seal(b); }, ModelDataError::OutOfRange},
        {"no band rows", [](Bytes& b) { b[Find(b, 4) + 4] = 0; b[Find(b, 4) + 5] = 0; Seal(b); },
         ModelDataError::OutOfRange},
        {"a paper without width", [](Bytes& b) { PutU32(b, Find(b, 8) + 6, 0); Seal(b); }, ModelDataError::OutOfRange},
    };
    const Bytes good = Built("300");
    for (const Case& c : cases) {
        Bytes bytes = good;
        c.damage(bytes);
        driver::PrinterModel model;
        model.dpi = 1;
        EXPECT_EQ(Read(bytes, model), c.error) << c.what;
        EXPECT_EQ(model.dpi, 1u) << c.what;
    }
    driver::PrinterModel model;
    EXPECT_EQ(driver::ReadModelData(nullptr, 100, model), ModelDataError::NotModelData);
}

TEST(ModelData, RecordsOfALaterWriterAreSkipped) {
    Bytes bytes = Built("203");
    bytes.insert(bytes.end() - 4, {0x40, 0x00, 0x02, 0x00, 0xAA, 0xBB});
    Seal(bytes);
    driver::PrinterModel model;
    EXPECT_EQ(Read(bytes, model), ModelDataError::None);
    EXPECT_EQ(model.dpi, 203u);
}

// GDIINFO's sizes: the longest page a model may describe stays exact.
TEST(ModelData, DotsToMicrometresDoesNotOverflow) {
    EXPECT_EQ(driver::DotsToMicrometres(2464, 300), 208618u);
    EXPECT_EQ(driver::DotsToMicrometres(141732, 1200), 2999994u);
    EXPECT_EQ(driver::DotsToMicrometres(0xFFFFu * 8, 72), 184954333u);
}

}  // namespace
