// The Windows version tests that decide which spooler levels exist.
#pragma once

namespace printsys {

// GetVersionExW succeeds and reports 6.0 or later. The INF paths of drivers
// and driver packages exist from Vista on.
bool IsVistaOrLater();

}  // namespace printsys
