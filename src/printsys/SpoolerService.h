// Stopping the Windows print spooler service, with the services that depend
// on it, and starting it again, so that it releases a driver's files.
//
// Both block the calling worker for up to the service's wait hints and the
// 30-second stop limit; never call them on the UI thread. Diagnostics go to
// standard output, which a windowed program does not show.
#pragma once

#include "os/Services.h"

#include <string>
#include <vector>

namespace printsys {

enum class SpoolerStop {
    // Stopped by this call.
    Stopped,
    // Not stopped by it: already stopped, stopped while a pending stop was
    // waited out, a control or query failed, or the 30 seconds ran out.
    NotStopped,
    // The service manager or the service did not open.
    NotOpened,
};

// `stoppedDependants` gets the services that depend on the spooler and that
// this call stopped, in the order they were stopped, whatever the result:
// the caller starts them again.
SpoolerStop StopSpoolerService(std::vector<os::ServiceEntry>& stoppedDependants);

enum class SpoolerStart {
    // Running at the end.
    Running,
    // Started, but not running at the end.
    NotRunning,
    // The manager or the service did not open, its status could not be
    // read, it was running or starting already, a pending stop did not end,
    // or the start failed.
    Failed,
};

SpoolerStart StartSpoolerService();

// Stops the active services that depend on `service`, each waited for until
// stopped; true when all of them stopped (or there were none). The stop
// limit is 30 seconds from the call. Each service it stopped is appended to
// `stopped`.
bool StopDependentServices(os::ScHandle service, os::ScHandle manager, std::vector<os::ServiceEntry>& stopped);

// Starts again the services StopSpoolerService stopped, in the reverse order
// of their stop (a service before those that depend on it), each waited for
// while it starts. Returns those that are not running at the end.
std::vector<os::ServiceEntry> StartStoppedDependants(const std::vector<os::ServiceEntry>& stopped);

}  // namespace printsys
