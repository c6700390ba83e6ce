#include "app/ProgressLog.h"

#include <cstdio>

namespace app {
namespace {
// CHARFORMAT2 mask: CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE |
// CFM_COLOR | CFM_FACE.
constexpr std::uint32_t kLogFormatMask = 0xE0000007u;
constexpr int kLogHeightTwips = 225;
constexpr std::uint32_t kRed = 0x000000FFu;   // COLORREF 0x00BBGGRR
constexpr std::uint32_t kBlue = 0x00FF0000u;
}  // namespace

std::wstring LogTimeStamp(const os::LocalTime& time) {
    // Fixed digits from numbers only: no text reaches the format.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d : ", time.hour, time.minute, time.second,
                  time.milliseconds);
    return std::wstring(buffer, buffer + std::char_traits<char>::length(buffer));
}

ui::CharFormat LogLineFormat(bool error) {
    ui::CharFormat format;
    format.mask = kLogFormatMask;
    format.effects = 0;
    format.heightTwips = kLogHeightTwips;
    format.colorRef = error ? kRed : kBlue;
    return format;
}

void AppendLogLine(ui::RichEdit& log, const common::UiTextRecord& record) {
    if (record.clear) {
        log.SetText(std::wstring());
        return;
    }
    log.SetSelectionCharFormat(LogLineFormat(record.error));
    // One insertion: each one is a round of layout and paint in the control.
    log.AppendAtEnd(LogTimeStamp(os::GetLocalTime()) + record.text + L"\r\n");
    log.LineScroll(2);
}

}  // namespace app
