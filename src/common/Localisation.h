// Languages of the user interface: the table of the seven languages, key
// lookup in the current language file, and the one safe way to put a value
// into a translated text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace common {

struct LanguageEntry {
    std::string index;     // row number as text, "0" to "6"
    std::wstring key;      // key of the language's display name
    std::uint16_t langId;  // Windows LANGID
    std::wstring code;
    std::wstring file;     // language file in the resource package
    std::int32_t fontSize;
};

using LanguageTable = std::map<std::uint16_t, LanguageEntry>;

constexpr std::uint16_t kEnglish = 1033;

// The seven rows, in the order they are inserted.
void FillLanguageTable(LanguageTable& table);

// The row of `langId`, or English's when the table lacks it.
const LanguageEntry& LanguageOrEnglish(const LanguageTable& table, std::uint16_t langId);

// The text of a dotted key in the current language; the key itself when no
// file defines it; "" for a null key.
std::wstring TranslateKey(std::wstring_view key);
std::wstring TranslateKey(const wchar_t* key);

// Puts `value` in place of the first "%s" of `format`; any other "%" stays
// as it is. Neither text is ever interpreted by printf, so a translation or
// a name holding "%" cannot crash or change the output.
std::wstring FormatText(std::wstring_view format, std::wstring_view value);
// FormatText of a key's text in the current language.
std::wstring FormatKey(const wchar_t* key, std::wstring_view value);

}  // namespace common
