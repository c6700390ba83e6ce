// The command line of the unattended mode: deployment tools (Intune,
// Configuration Manager) run the program as SYSTEM with /install, /remove or
// /check and read only its exit code, so every line is either understood
// completely or refused with a one-sentence reason before anything changes.
//
// Portable: the line is split here rather than by CommandLineToArgvW so
// the same rules run in the host tests.
#pragma once

#include "os/Errors.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wizard {

enum class CommandMode { Wizard, Help, Install, Remove, Check };

struct CommandLine {
    CommandMode mode = CommandMode::Wizard;  // no arguments at all: the wizard
    // /install
    int modelDpi = 0;              // /model:203 or /model:300 (required for /install)
    std::wstring port;             // /port:COM1:  (any port name, as typed)
    std::wstring address;          // /ip:192.168.1.50  (text as typed; checked later by the caller)
    bool usb = false;              // /usb or /usb:USB002  (the first USB printer found, or the one on that port)
    std::wstring usbPort;          // /usb:USB002 (as typed; empty for the plain /usb)
    std::wstring bluetooth;        // /bluetooth:00-11-22-33-44-55 (as typed; checked later)
    std::wstring pin;              // /pin:0000 (only with /bluetooth)
    std::wstring printerName;      // /name:"Front desk" (optional for /install; empty = propose one)
    bool makeDefault = false;      // /default
    // /remove and /check
    std::wstring printer;          // /printer:"Front desk" (required for /remove and /check)
    bool removeDriver = false;     // /driver (only with /remove): also that printer's driver
    // any mode but the wizard
    std::wstring logPath;          // /log:path
    std::uint16_t langId = 0;      // /lang:1033 or /lang:en-US (a LANGID, 1..65535; 0 = not given)
    std::vector<std::wstring> arguments;  // as given, for the log
    std::wstring error;            // empty when the line is understood; else the reason, in English
};

// The exit codes of the unattended mode, the ones deployment tools know.
constexpr int kExitSuccess = 0;
constexpr int kExitCheckFailed = 1;       // /check: printer not there, or not on our driver
constexpr int kExitBadCommandLine = static_cast<int>(os::error::kInvalidParameter);
constexpr int kExitFailed = static_cast<int>(os::error::kInstallFailure);
constexpr int kExitAnotherInstall = static_cast<int>(os::error::kInstallAlreadyRunning);

// Splits a whole command line (as GetCommandLineW returns it, the program's
// own name first) by the rules of CommandLineToArgvW and the C runtime of
// 2008 on, and returns the arguments after the program name. The name ends
// at the first blank, or when it begins with a quote at the closing quote
// (a path cannot hold a quote, so there is no escaping). In the arguments
// blanks separate, quotes group, 2n backslashes before a quote give n and
// the quote groups, 2n+1 give n and a literal quote, other backslashes are
// literal, and "" inside a quoted part is a literal quote.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// Reads the arguments after the program name. No arguments is the wizard;
// /?, /h or /help anywhere is Help even beside mistakes. Otherwise `error`
// is empty only for a complete /install, /remove or /check line; values are
// kept as typed (addresses, names and the language are the caller's to
// check).
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The /? text: every option and exit code, and where the log goes without
// /log. English, lines of at most 78 columns separated by "\r\n".
std::wstring UsageText(const std::wstring& defaultLogPath);

}  // namespace wizard
