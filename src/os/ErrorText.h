// The error text every failed system call is reported with, in the message
// language: "Code: <code> - <the system's message>".
//
// The message language is process-wide: the UI thread sets it at start-up
// and at every language switch; workers read it while they format errors.
#pragma once

#include <cstdint>
#include <string>

namespace os {

// A Windows LANGID; 1033 (English, United States) until first set.
void SetMessageLanguage(std::uint16_t langId);
std::uint16_t MessageLanguage();

// The system's message exactly as Windows words it (normally ending in a
// line break), or an empty text when Windows has none for the code.
std::wstring SystemErrorText(std::uint32_t code);

}  // namespace os
