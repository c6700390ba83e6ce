#include "common/Localisation.h"

#include "ui/TextManager.h"

namespace common {

void FillLanguageTable(LanguageTable& table) {
    const LanguageEntry rows[] = {
        {"0", L"lan.cn", 2052, L"cn", L"lan_cn.xml", 14}, {"1", L"lan.en", 1033, L"en", L"lan_en.xml", 14},
        {"2", L"lan.es", 1034, L"es", L"lan_es.xml", 14}, {"3", L"lan.ja", 1041, L"ja", L"lan_ja.xml", 14},
        {"4", L"lan.ko", 1042, L"ko", L"lan_ko.xml", 18}, {"5", L"lan.pt", 2070, L"pt", L"lan_pt.xml", 14},
        {"6", L"lan.th", 1054, L"th", L"lan_th.xml", 20},
    };
    for (const LanguageEntry& row : rows) table.emplace(row.langId, row);
}

const LanguageEntry& LanguageOrEnglish(const LanguageTable& table, std::uint16_t langId) {
    auto it = table.find(langId);
    if (it == table.end()) it = table.find(kEnglish);
    if (it != table.end()) return it->second;
    // Only a table that was never filled lacks English.
    static const LanguageEntry english{"1", L"lan.en", kEnglish, L"en", L"lan_en.xml", 14};
    return english;
}

std::wstring TranslateKey(std::wstring_view key) { return ui::TextManager::Process().Translate(key); }

std::wstring TranslateKey(const wchar_t* key) { return ui::TextManager::Process().Translate(key); }

std::wstring FormatText(std::wstring_view format, std::wstring_view value) {
    const std::size_t at = format.find(L"%s");
    if (at == std::wstring_view::npos) return std::wstring(format);
    std::wstring out(format.substr(0, at));
    out += value;
    out += format.substr(at + 2);
    return out;
}

std::wstring FormatKey(const wchar_t* key, std::wstring_view value) { return FormatText(TranslateKey(key), value); }

}  // namespace common
