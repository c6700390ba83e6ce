#include "driver/Capabilities.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

driver::PrinterModel Model() {
    driver::PrinterModel model;
    model.dpi = 203;
    model.papers = {{9, L"A4", 2100, 2970}, {11, L"A5", 1480, 2100}};
    return model;
}

Bytes Le(std::initializer_list<std::uint32_t> values, int width) {
    Bytes out;
    for (std::uint32_t value : values)
        for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

Bytes Name(const std::wstring& name, std::size_t chars) {
    Bytes out(chars * 2, 0);
    for (std::size_t i = 0; i < name.size(); ++i) out[2 * i] = static_cast<std::uint8_t>(name[i]);
    return out;
}

TEST(Capabilities, EveryIndexTheDriverAnswers) {
    struct Case {
        std::uint16_t index;
        std::int32_t result;
        Bytes output;
    };
    const Bytes names = [] {
        Bytes both = Name(L"A4", 64);
        const Bytes a5 = Name(L"A5", 64);
        both.insert(both.end(), a5.begin(), a5.end());
        return both;
    }();
    const Case cases[] = {
        {driver::kDcFields, static_cast<std::int32_t>(driver::kSupportedFields), {}},
        {driver::kDcPapers, 2, Le({9, 11}, 2)},
        {driver::kDcPaperSize, 2, Le({2100, 2970, 1480, 2100}, 4)},
        {driver::kDcPaperNames, 2, names},
        {driver::kDcMediaReady, 2, names},
        {driver::kDcMinExtent, 1480 | 2100 << 16, {}},
        {driver::kDcMaxExtent, 2100 | 2970 << 16, {}},
        {driver::kDcBins, 1, Le({1}, 2)},
        {driver::kDcBinNames, 1, Name(L"Paper", 24)},
        {driver::kDcEnumResolutions, 1, Le({203, 203}, 4)},
        {driver::kDcNup, 1, Le({1}, 4)},
        {driver::kDcSize, 220, {}},
        {driver::kDcExtra, static_cast<std::int32_t>(driver::kPrivateSize), {}},
        {driver::kDcVersion, 0x0401, {}},
        {driver::kDcDriver, driver::kDriverVersion, {}},
        {driver::kDcTrueType, 1, {}},
        {driver::kDcOrientation, 90, {}},
        {driver::kDcCopies, 999, {}},
        {driver::kDcCollate, 1, {}},
        {driver::kDcDuplex, 0, {}},
        {driver::kDcColorDevice, 0, {}},
        {driver::kDcMediaTypes, 0, {}},
        {20, driver::kGdiError, {}},  // DC_EMF_COMPLIANT: not a raster driver's
        {999, driver::kGdiError, {}},
    };
    for (const Case& c : cases) {
        const driver::CapabilityAnswer answer = driver::DeviceCapability(Model(), c.index, L"Paper");
        EXPECT_EQ(answer.result, c.result) << c.index;
        EXPECT_EQ(answer.output, c.output) << c.index;
    }
}

}  // namespace
