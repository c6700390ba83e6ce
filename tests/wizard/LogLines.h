// A progress log read back as the user sees it: each line without its time
// stamp, and whether it is in the error colour.
#pragma once

#include "common/Localisation.h"
#include "os/ErrorText.h"
#include "ui/Controls.h"

#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

struct Line {
    std::wstring text;
    bool error;
};

inline bool operator==(const Line& a, const Line& b) { return a.text == b.text && a.error == b.error; }

inline std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << (line.error ? "[error] " : "") << std::string(line.text.begin(), line.text.end());
}

inline std::vector<Line> operator+(std::vector<Line> a, const std::vector<Line>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline std::wstring Key(const wchar_t* key) { return common::TranslateKey(key); }
inline Line Tip(const wchar_t* key) { return {Key(key), false}; }
inline Line Error(const wchar_t* key) { return {Key(key), true}; }
inline Line TipWith(const wchar_t* key, const std::wstring& value) { return {common::FormatText(Key(key), value), false}; }
inline Line ErrorWith(const wchar_t* key, std::uint32_t code) {
    return {common::FormatText(Key(key), os::SystemErrorText(code)), true};
}

inline std::vector<Line> LogLines(const ui::RichEdit& log) {
    constexpr std::uint32_t kRed = 0x000000FF;
    std::vector<Line> lines;
    for (const ui::TextRun& run : log.Runs()) {
        for (std::size_t start = 0; start < run.text.size();) {
            const std::size_t end = run.text.find(L"\r\n", start);
            const std::wstring line = run.text.substr(start, end - start);
            if (end == std::wstring::npos && line.empty()) break;
            const std::size_t stamp = line.find(L" : ");
            // The system's error texts end in a line break of their own.
            if (stamp == std::wstring::npos && !lines.empty()) lines.back().text += L"\r\n" + line;
            else lines.push_back({line.substr(stamp + 3), run.format.colorRef == kRed});
            if (end == std::wstring::npos) break;
            start = end + 2;
        }
    }
    return lines;
}

// A log as the unattended log file holds it: the text of each line in one
// line (line breaks of system texts are blanks there), for comparing.
inline std::vector<Line> OneLineEach(std::vector<Line> lines) {
    for (Line& line : lines) {
        for (wchar_t& c : line.text)
            if (c == L'\r' || c == L'\n') c = L' ';
        while (!line.text.empty() && line.text.back() == L' ') line.text.pop_back();
    }
    return lines;
}

}  // namespace testing_support
