#include "os/ErrorText.h"

#include "os/System.h"

#include <atomic>

namespace os {

namespace {

std::atomic<std::uint16_t> g_messageLanguage{1033};

constexpr std::uint16_t kSystemChoosesLanguage = 0;

}  // namespace

void SetMessageLanguage(std::uint16_t langId) { g_messageLanguage.store(langId); }

std::uint16_t MessageLanguage() { return g_messageLanguage.load(); }

std::wstring SystemErrorText(std::uint32_t code) {
    std::wstring message;
    // Windows has messages only in the languages installed on it; when the
    // chosen one is missing, the system's own default language is better
    // than no reason at all.
    if (!FormatMessageW(code, MessageLanguage(), message) &&
        !FormatMessageW(code, kSystemChoosesLanguage, message))
        return std::wstring();
    return L"Code: " + std::to_wstring(code) + L" - " + message;
}

}  // namespace os
