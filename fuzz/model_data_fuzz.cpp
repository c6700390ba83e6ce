// libFuzzer target for the driver's model data reader: whatever the file
// holds, the reader refuses it or returns a model the driver can use. The
// mutator writes the size and the checksum anew most of the time, so that
// mutations reach the records behind them.
#include "driver/ModelData.h"
#include "driver/RasterEncoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    // One in eight keeps what the mutation made of the size and checksum.
    if (size < 20 || seed % 8 == 0) return size;
    const auto put = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) data[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(12, static_cast<std::uint32_t>(size));
    put(size - 4, driver::Crc32(data, size - 4));
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    driver::PrinterModel model;
    if (driver::ReadModelData(data, size, model) != driver::ModelDataError::None) return 0;
    if (model.dpi == 0 || model.bandRows == 0 || model.papers.empty()) __builtin_trap();
    // A small page through the encoder with what the model says.
    const std::vector<std::uint8_t> bits(4 * 20, 0xA5);
    std::vector<std::uint8_t> out;
    driver::EncodeDocumentStart(model, 8, out);
    if (!driver::EncodePage(model, {32, 20, 4, bits.data()}, out)) __builtin_trap();
    return 0;
}
