#include "os/DeviceWalk.h"

namespace os {

namespace {

constexpr std::uint32_t kInstanceIdChars = 256;

}  // namespace

bool WalkDeviceInterfaces(const Guid& interfaceClass,
                          const std::function<bool(const DeviceInterfaceEntry&)>& visit) {
    const DevInfoSet set = SetupDiGetClassDevsW(interfaceClass, kDigcfPresent | kDigcfDeviceInterface);
    if (set == DevInfoSet::Invalid) return false;
    DeviceInterfaceData interfaceData;
    for (std::uint32_t index = 0; SetupDiEnumDeviceInterfaces(set, interfaceClass, index, interfaceData); ++index) {
        DeviceInterfaceEntry entry{set, {}, {}, {}};
        std::uint32_t required = 0;
        // The size probe fails for lack of room; if it succeeds, the system
        // describes interfaces in a way this walk does not understand.
        if (SetupDiGetDeviceInterfaceDetailW(set, interfaceData, 0, required, entry.devicePath, nullptr)) break;
        if (!SetupDiGetDeviceInterfaceDetailW(set, interfaceData, required, required, entry.devicePath, &entry.device))
            break;
        if (!SetupDiGetDeviceInstanceIdW(set, entry.device, kInstanceIdChars, entry.instanceId)) continue;
        if (!visit(entry)) break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return true;
}

}  // namespace os
