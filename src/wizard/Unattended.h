// The unattended mode: an install, removal or check from the command line,
// for deployment tools that run the program as SYSTEM with no one at the
// screen. The same procedures as the wizard's, with their lines written to
// a log file instead of a window, and an exit code instead of a box.
#pragma once

#include "common/Localisation.h"
#include "wizard/CommandLine.h"
#include "wizard/DriverPackage.h"

#include <string>
#include <utility>
#include <vector>

namespace wizard {

// What the entry point does at the end: exit with `exitCode`, and show
// `message` (the /? text, or why the command line cannot be understood)
// on the console it was started from, or in a box for /?.
struct UnattendedOutcome {
    UnattendedOutcome() = default;
    UnattendedOutcome(int code, std::wstring text) : exitCode(code), message(std::move(text)) {}
    int exitCode = kExitSuccess;
    std::wstring message;
    // For standard output: /check's "Installed" or "Not installed", which a
    // detection script reads.
    std::wstring output;
};

// "<Program Files>\PrinterDriver\Setup\QuorvelA4Setup.log": where a run
// without /log writes, in a folder only administrators can write.
std::wstring DefaultLogPath();

// Runs a command line that is not the wizard's (Help, Install, Remove,
// Check). The package must be open; the language file of /lang (or of the
// user's UI language) is loaded for the procedures' lines.
UnattendedOutcome RunUnattended(const CommandLine& command, const std::vector<DriverModel>& models,
                                const common::LanguageTable& languages);

}  // namespace wizard
