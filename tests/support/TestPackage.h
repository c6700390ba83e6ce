// Opens the toolkit's process-wide package from files given in memory, for
// tests of windows and language files.
#pragma once

#include "support/ZipWriter.h"
#include "ui/Toolkit.h"

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

inline void UsePackage(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<ZipTestEntry> entries;
    for (const auto& [name, text] : files) entries.push_back(ZipTestEntry{name, Bytes(text), true});
    const auto bytes = BuildZip(entries);
    ui::Toolkit::Process().Package().Open(bytes.data(), bytes.size(), "wqm19990707");
}

}  // namespace testing_support
