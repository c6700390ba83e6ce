#include "ui/win32/Fonts.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace ui {
namespace {

enum class Script { Latin, Thai, Hangul, Japanese, Han };

Script ScriptOf(std::wstring_view text) {
    Script script = Script::Latin;
    for (wchar_t c : text) {
        if (c >= 0x0E00 && c <= 0x0E7F) return Script::Thai;
        if ((c >= 0xAC00 && c <= 0xD7AF) || (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F))
            return Script::Hangul;
        if (c >= 0x3040 && c <= 0x30FF) script = Script::Japanese;
        else if (c >= 0x4E00 && c <= 0x9FFF && script != Script::Japanese) script = Script::Han;
    }
    return script;
}

const std::vector<std::wstring>& Candidates(Script script) {
    static const std::vector<std::wstring> latin = {L"Segoe UI", L"Tahoma", L"Arial", L"DejaVu Sans"};
    static const std::vector<std::wstring> thai = {L"Leelawadee UI", L"Tahoma", L"Leelawadee", L"Loma",
                                                   L"Garuda", L"Norasi", L"Noto Sans Thai"};
    static const std::vector<std::wstring> hangul = {L"Malgun Gothic", L"Gulim", L"Noto Sans CJK KR",
                                                     L"Noto Sans CJK SC", L"NanumGothic"};
    static const std::vector<std::wstring> japanese = {L"Meiryo UI", L"Yu Gothic UI", L"MS UI Gothic",
                                                       L"Noto Sans CJK JP", L"Noto Sans CJK SC"};
    static const std::vector<std::wstring> han = {L"Microsoft YaHei", L"\u5b8b\u4f53", L"SimSun", L"Noto Sans CJK SC",
                                                  L"WenQuanYi Zen Hei", L"Droid Sans Fallback"};
    switch (script) {
        case Script::Thai: return thai;
        case Script::Hangul: return hangul;
        case Script::Japanese: return japanese;
        case Script::Han: return han;
        default: return latin;
    }
}

// The Unicode ranges a face has glyphs for, read once per face; empty when
// the face is not installed (Windows would silently substitute another).
class FaceCoverage {
public:
    bool Covers(const std::wstring& face, std::wstring_view text) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = faces_.find(face);
        if (it == faces_.end()) it = faces_.emplace(face, Load(face)).first;
        const auto& ranges = it->second;
        if (ranges.empty()) return false;
        for (wchar_t c : text) {
            if (c < 0x20) continue;
            bool found = false;
            for (const auto& [low, count] : ranges)
                if (c >= low && static_cast<unsigned>(c - low) < count) {
                    found = true;
                    break;
                }
            if (!found) return false;
        }
        return true;
    }

private:
    static std::vector<std::pair<wchar_t, unsigned>> Load(const std::wstring& face) {
        std::vector<std::pair<wchar_t, unsigned>> ranges;
        HDC dc = CreateCompatibleDC(nullptr);
        LOGFONTW logFont{};
        logFont.lfHeight = -16;
        logFont.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(logFont.lfFaceName, face.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&logFont);
        HGDIOBJ old = SelectObject(dc, font);
        wchar_t actual[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, actual);
        if (lstrcmpiW(actual, face.c_str()) == 0) {
            const DWORD size = GetFontUnicodeRanges(dc, nullptr);
            if (size >= sizeof(GLYPHSET)) {
                std::vector<BYTE> buffer(size);
                auto* glyphs = reinterpret_cast<GLYPHSET*>(buffer.data());
                if (GetFontUnicodeRanges(dc, glyphs) != 0)
                    for (DWORD i = 0; i < glyphs->cRanges; ++i)
                        ranges.emplace_back(glyphs->ranges[i].wcLow, glyphs->ranges[i].cGlyphs);
            }
        }
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
        return ranges;
    }

    std::mutex mutex_;
    std::map<std::wstring, std::vector<std::pair<wchar_t, unsigned>>> faces_;
};

FaceCoverage& Coverage() {
    static FaceCoverage coverage;
    return coverage;
}

}  // namespace

std::wstring ResolveFontFace(const std::wstring& face, std::wstring_view text) {
    FaceCoverage& coverage = Coverage();
    if (coverage.Covers(face, text)) return face;
    for (const std::wstring& candidate : Candidates(ScriptOf(text)))
        if (coverage.Covers(candidate, text)) return candidate;
    // Nothing covers all of it: the first installed face of the script.
    for (const std::wstring& candidate : Candidates(ScriptOf(text)))
        if (coverage.Covers(candidate, L"")) return candidate;
    return face;
}

}  // namespace ui
