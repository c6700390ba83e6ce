#include "driver/PageTexts.h"

#include <algorithm>
#include <vector>

namespace driver {

namespace {

constexpr PageTexts kEnglish = {
    L"Settings", L"Paper:", L"Orientation:", L"Portrait", L"Landscape", L"Darkness:", L"Lighter", L"Darker",
    L"Printer", L"Model:", L"Resolution:", L"Printable area:", L"Paper cutter:", L"Cuts the paper after every page",
    L"None: tear the paper off at the tear bar", L"Automatic", L"Help",
};

constexpr PageTexts kSpanish = {
    L"Configuración", L"Papel:", L"Orientación:", L"Vertical", L"Horizontal", L"Intensidad:", L"Más clara",
    L"Más oscura", L"Impresora", L"Modelo:", L"Resolución:", L"Área imprimible:", L"Cortador de papel:",
    L"Corta el papel tras cada página", L"Ninguno: corte el papel en la barra de corte", L"Automática", L"Ayuda",
};

constexpr PageTexts kJapanese = {
    L"設定", L"用紙:", L"印刷の向き:", L"縦", L"横", L"印字濃度:", L"薄く", L"濃く",
    L"プリンター", L"機種:", L"解像度:", L"印刷可能領域:", L"用紙カッター:", L"ページごとに用紙をカットします",
    L"なし: ティアバーで用紙を切り取ってください", L"自動", L"ヘルプ",
};

constexpr PageTexts kKorean = {
    L"설정", L"용지:", L"방향:", L"세로", L"가로", L"인쇄 농도:", L"연하게", L"진하게",
    L"프린터", L"모델:", L"해상도:", L"인쇄 가능 영역:", L"용지 커터:", L"페이지마다 용지를 자릅니다",
    L"없음: 절취 바에서 용지를 뜯어 내십시오", L"자동", L"도움말",
};

constexpr PageTexts kThai = {
    L"การตั้งค่า", L"กระดาษ:", L"การวางแนว:", L"แนวตั้ง", L"แนวนอน", L"ความเข้ม:", L"จางลง", L"เข้มขึ้น",
    L"เครื่องพิมพ์", L"รุ่น:", L"ความละเอียด:", L"พื้นที่ที่พิมพ์ได้:", L"ที่ตัดกระดาษ:", L"ตัดกระดาษหลังพิมพ์ทุกหน้า",
    L"ไม่มี: ฉีกกระดาษออกที่แถบฉีก", L"อัตโนมัติ", L"วิธีใช้",
};

constexpr PageTexts kChinese = {
    L"设置", L"纸张：", L"方向：", L"纵向", L"横向", L"打印浓度：", L"浅", L"深",
    L"打印机", L"型号：", L"分辨率：", L"可打印区域：", L"切纸器：", L"每页打印后切纸",
    L"无：请在撕纸条处撕下纸张", L"自动", L"帮助",
};

constexpr PageTexts kPortuguese = {
    L"Definições", L"Papel:", L"Orientação:", L"Vertical", L"Horizontal", L"Intensidade:", L"Mais clara",
    L"Mais escura", L"Impressora", L"Modelo:", L"Resolução:", L"Área de impressão:", L"Cortador de papel:",
    L"Corta o papel após cada página", L"Nenhum: destaque o papel na barra de corte", L"Automática", L"Ajuda",
};

// Traditional Chinese (Taiwan, Hong Kong, Macao and the Hant neutral) gets
// English, as the wizard gives it, not Simplified.
bool IsTraditionalChinese(std::uint16_t langId) {
    return langId == 0x0404 || langId == 0x0C04 || langId == 0x1404 || langId == 0x7C04;
}

}  // namespace

// The help file's section headings, each in its own language.
const char* HelpHeadingFor(std::uint16_t langId) {
    if (IsTraditionalChinese(langId)) return "English";
    switch (langId & 0x3FF) {
    case 0x0A: return "Espa\xC3\xB1ol";
    case 0x11: return "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";          // 日本語
    case 0x12: return "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4";          // 한국어
    case 0x1E: return "\xE0\xB9\x84\xE0\xB8\x97\xE0\xB8\xA2";          // ไทย
    case 0x04: return "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87";  // 简体中文
    case 0x16: return "Portugu\xC3\xAAs";
    default: return "English";
    }
}

const PageTexts& TextsFor(std::uint16_t langId) {
    if (IsTraditionalChinese(langId)) return kEnglish;
    switch (langId & 0x3FF) {  // PRIMARYLANGID
    case 0x0A: return kSpanish;
    case 0x11: return kJapanese;
    case 0x12: return kKorean;
    case 0x1E: return kThai;
    case 0x04: return kChinese;
    case 0x16: return kPortuguese;
    default: return kEnglish;
    }
}

std::string HelpInLanguageFirst(const std::string& help, std::uint16_t langId) {
    // Where each section starts: a line that a line of "=" underlines.
    const std::string rule = "\n========";
    std::vector<std::size_t> starts;
    for (std::size_t at = help.find(rule); at != std::string::npos; at = help.find(rule, at + 1)) {
        std::size_t lineEnd = at;
        if (lineEnd > 0 && help[lineEnd - 1] == '\r') --lineEnd;
        const std::size_t lineStart = help.rfind('\n', lineEnd == 0 ? 0 : lineEnd - 1);
        starts.push_back(lineStart == std::string::npos ? 0 : lineStart + 1);
    }
    if (starts.empty()) return help;
    const std::string heading = HelpHeadingFor(langId);
    std::vector<std::string> sections;
    for (std::size_t i = 0; i < starts.size(); ++i)
        sections.push_back(help.substr(starts[i], (i + 1 < starts.size() ? starts[i + 1] : help.size()) - starts[i]));
    const auto first = std::find_if(sections.begin(), sections.end(), [&](const std::string& section) {
        return section.compare(0, heading.size(), heading) == 0 &&
               (section.size() == heading.size() || section[heading.size()] == '\r' || section[heading.size()] == '\n');
    });
    std::string out = help.substr(0, starts.front());
    if (first != sections.end()) out += *first;
    for (auto it = sections.begin(); it != sections.end(); ++it)
        if (it != first) out += *it;
    return out;
}

}  // namespace driver
