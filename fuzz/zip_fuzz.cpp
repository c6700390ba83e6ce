// libFuzzer target: any byte block handed to the archive reader must give an
// error or data, never a crash, a leak or a read outside the block.
#include "ui/ZipArchive.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ui::ZipArchive zip;
    if (zip.Open(data, size, "wqm19990707") != ui::ZipError::None) return 0;
    std::vector<std::uint8_t> out;
    for (const ui::ZipEntry& entry : zip.Entries()) {
        zip.Read(entry, 1u << 20, out);
        zip.Find(entry.name);
    }
    zip.Read("res.xml", 1u << 20, out);
    return 0;
}
