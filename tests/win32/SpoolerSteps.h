// The test driver's steps that prepare and inspect the spooler directly:
// removeprinter, removeprintersof, removedriver, spoolerstate,
// expectprinter, expectnoprinter, expectdriver, expectsettings.
#pragma once

#include <functional>
#include <sstream>
#include <string>

namespace testdriver {

// Writes one line to the scenario's status file.
using StatusFn = std::function<void(const std::string&)>;

bool IsSpoolerVerb(const std::string& verb);
// Runs one of those steps on the calling thread; false when it fails.
bool SpoolerStep(const std::string& verb, std::istringstream& in, const StatusFn& status);

}  // namespace testdriver
