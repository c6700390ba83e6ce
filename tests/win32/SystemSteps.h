// The test driver's steps that ask Windows itself about the program:
// sendfromprocess, trymaximise, radio, accessible, expectsystemmodules.
#pragma once

#include "SpoolerSteps.h"

namespace testdriver {

bool IsSystemVerb(const std::string& verb);
// Runs one of those steps on the UI thread; false when it fails.
bool SystemStep(const std::string& verb, std::istringstream& in, const StatusFn& status);

}  // namespace testdriver
