// Conversions between UTF-8 bytes and wide strings. wchar_t is UTF-16 on
// Windows and UTF-32 elsewhere; nothing here assumes either size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Invalid or truncated sequences become U+FFFD; nothing is dropped silently.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Decodes a text file from the package: UTF-8 with or without BOM, or
// UTF-16 (LE or BE) with BOM. The BOM is not part of the result.
std::wstring DecodeTextFile(const std::vector<std::uint8_t>& bytes);

}  // namespace ui
