// The walk over the present device interfaces of a class that the USB
// search and the Bluetooth serial-port lookup share: SetupAPI's
// enumeration with its two-call detail record, above the boundary so the
// host tests prove it.
#pragma once

#include "os/Devices.h"

#include <functional>
#include <string>

namespace os {

// One interface as WalkDeviceInterfaces hands it over; the set is open only
// during the walk.
struct DeviceInterfaceEntry {
    DevInfoSet set;
    DevInfoData device;
    std::wstring devicePath;
    std::wstring instanceId;
};

// Hands the present interfaces of a class to `visit` in enumeration order
// until it returns false. An interface whose instance id cannot be read is
// passed over; one whose detail record cannot be fetched, or whose size
// probe succeeds, ends the walk. False when the set cannot be made.
bool WalkDeviceInterfaces(const Guid& interfaceClass,
                          const std::function<bool(const DeviceInterfaceEntry&)>& visit);

}  // namespace os
