#include "driver/PageTexts.h"

namespace driver {

namespace {

constexpr PageTexts kEnglish = {
    L"Settings", L"Paper:", L"Orientation:", L"Portrait", L"Landscape", L"Darkness:", L"Lighter", L"Darker",
    L"Printer", L"Model:", L"Resolution:", L"Printable area:", L"Paper cutter:", L"Cuts the paper after every page",
    L"None: tear the paper off at the tear bar", L"Automatic",
};

constexpr PageTexts kSpanish = {
    L"Configuración", L"Papel:", L"Orientación:", L"Vertical", L"Horizontal", L"Intensidad:", L"Más clara",
    L"Más oscura", L"Impresora", L"Modelo:", L"Resolución:", L"Área imprimible:", L"Cortador de papel:",
    L"Corta el papel tras cada página", L"Ninguno: corte el papel en la barra de corte", L"Automática",
};

constexpr PageTexts kJapanese = {
    L"設定", L"用紙:", L"印刷の向き:", L"縦", L"横", L"印字濃度:", L"薄く", L"濃く",
    L"プリンター", L"機種:", L"解像度:", L"印刷可能領域:", L"用紙カッター:", L"ページごとに用紙をカットします",
    L"なし: ティアバーで用紙を切り取ってください", L"自動",
};

constexpr PageTexts kKorean = {
    L"설정", L"용지:", L"방향:", L"세로", L"가로", L"인쇄 농도:", L"연하게", L"진하게",
    L"프린터", L"모델:", L"해상도:", L"인쇄 가능 영역:", L"용지 커터:", L"페이지마다 용지를 자릅니다",
    L"없음: 절취 바에서 용지를 뜯어 내십시오", L"자동",
};

constexpr PageTexts kThai = {
    L"การตั้งค่า", L"กระดาษ:", L"การวางแนว:", L"แนวตั้ง", L"แนวนอน", L"ความเข้ม:", L"จางลง", L"เข้มขึ้น",
    L"เครื่องพิมพ์", L"รุ่น:", L"ความละเอียด:", L"พื้นที่ที่พิมพ์ได้:", L"ที่ตัดกระดาษ:", L"ตัดกระดาษหลังพิมพ์ทุกหน้า",
    L"ไม่มี: ฉีกกระดาษออกที่แถบฉีก", L"อัตโนมัติ",
};

constexpr PageTexts kChinese = {
    L"设置", L"纸张：", L"方向：", L"纵向", L"横向", L"打印浓度：", L"浅", L"深",
    L"打印机", L"型号：", L"分辨率：", L"可打印区域：", L"切纸器：", L"每页打印后切纸",
    L"无：请在撕纸条处撕下纸张", L"自动",
};

constexpr PageTexts kPortuguese = {
    L"Definições", L"Papel:", L"Orientação:", L"Vertical", L"Horizontal", L"Intensidade:", L"Mais clara",
    L"Mais escura", L"Impressora", L"Modelo:", L"Resolução:", L"Área de impressão:", L"Cortador de papel:",
    L"Corta o papel após cada página", L"Nenhum: destaque o papel na barra de corte", L"Automática",
};

// Traditional Chinese (Taiwan, Hong Kong, Macao and the Hant neutral) gets
// English, as the wizard gives it, not Simplified.
bool IsTraditionalChinese(std::uint16_t langId) {
    return langId == 0x0404 || langId == 0x0C04 || langId == 0x1404 || langId == 0x7C04;
}

}  // namespace

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

}  // namespace driver
