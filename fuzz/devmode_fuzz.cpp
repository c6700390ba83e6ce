// libFuzzer target for the driver's DEVMODE merge: a DEVMODE comes from any
// application, so whatever its dmSize and dmDriverExtra claim, the merge
// reads only the bytes that are really there (the harness allocates exactly
// those), and leaves a whole DEVMODE of ours behind.
#include "driver/DevMode.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

driver::PrinterModel Model() {
    driver::PrinterModel model;
    model.dpi = 300;
    model.papers = {{9, L"A4", 2100, 2970}, {11, L"A5", 1480, 2100}};
    return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const driver::PrinterModel model = Model();
    // Exactly the input's bytes, on the heap, so a read past them is seen.
    const auto input = std::make_unique<std::uint8_t[]>(size);
    if (size > 0) std::memcpy(input.get(), data, size);
    driver::DevModeBytes current = driver::DefaultDevMode(model, L"Front desk");
    const driver::DevModeBytes before = current;
    if (!driver::MergeDevMode(model, input.get(), size, current)) {
        if (current != before) __builtin_trap();  // a refusal changes nothing
        return 0;
    }
    if (!driver::IsOurDevMode(current)) __builtin_trap();
    const driver::Copies copies = driver::CopiesOf(current);
    if (copies.count < 1 || copies.count > driver::kMostCopies) __builtin_trap();
    // What the merge made, converted for an older caller, merges again.
    const driver::DevModeBytes older = driver::ConvertDevMode(current, 188, 0x0320, true);
    driver::DevModeBytes again = driver::DefaultDevMode(model, L"Front desk");
    if (!driver::MergeDevMode(model, older.data(), older.size(), again)) __builtin_trap();
    return 0;
}
