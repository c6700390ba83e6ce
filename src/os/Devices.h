// Device interfaces (SetupAPI) and the registry.
//
// One function per call. SetupAPI functions set the last error when they
// fail; the registry functions return their error code instead, as Windows
// does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};
inline bool operator==(const Guid& a, const Guid& b) {
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i]) return false;
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3;
}

enum class DevInfoSet : std::uintptr_t { Invalid = ~std::uintptr_t{0} };

// SP_DEVICE_INTERFACE_DATA and SP_DEVINFO_DATA. `reserved` is the system's
// own reference to the element and is handed back unchanged.
struct DeviceInterfaceData {
    Guid interfaceClass{};
    std::uint32_t flags = 0;
    std::uintptr_t reserved = 0;
};
struct DevInfoData {
    Guid classGuid{};
    std::uint32_t devInst = 0;
    std::uintptr_t reserved = 0;
};

enum class RegKey : std::uintptr_t { None = 0, LocalMachine = 1 };

inline constexpr std::uint32_t kDigcfPresent = 0x02;
inline constexpr std::uint32_t kDigcfAllClasses = 0x04;
inline constexpr std::uint32_t kDigcfDeviceInterface = 0x10;

inline constexpr std::uint32_t kSpdrpDeviceDesc = 0x00;
inline constexpr std::uint32_t kSpdrpHardwareId = 0x01;

inline constexpr std::uint32_t kDicsFlagGlobal = 0x1;
inline constexpr std::uint32_t kDiregDev = 0x1;

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// No enumerator, no window.
DevInfoSet SetupDiGetClassDevsW(const Guid& classGuid, std::uint32_t flags);
// SP_DEVINFO_DATA of the index-th device of the set.
bool SetupDiEnumDeviceInfo(DevInfoSet set, std::uint32_t index, DevInfoData& device);
bool SetupDiEnumDeviceInterfaces(DevInfoSet set, const Guid& interfaceClass, std::uint32_t index,
                                 DeviceInterfaceData& data);
// SP_DEVICE_INTERFACE_DETAIL_DATA_W in a buffer of bufferSize bytes (0: the
// size probe, which is expected to fail with ERROR_INSUFFICIENT_BUFFER and
// report `required`). devInfo may be null.
bool SetupDiGetDeviceInterfaceDetailW(DevInfoSet set, const DeviceInterfaceData& data, std::uint32_t bufferSize,
                                      std::uint32_t& required, std::wstring& devicePath, DevInfoData* devInfo);
// Into a buffer of capacity characters, terminator included.
bool SetupDiGetDeviceInstanceIdW(DevInfoSet set, const DevInfoData& device, std::uint32_t capacity,
                                 std::wstring& instanceId);
// Into a buffer of bufferSize bytes; text values as stored, a REG_MULTI_SZ
// with its inner terminators.
bool SetupDiGetDeviceRegistryPropertyW(DevInfoSet set, const DevInfoData& device, std::uint32_t property,
                                       std::uint32_t bufferSize, std::wstring& value);
// RegKey::None on failure.
RegKey SetupDiOpenDevRegKey(DevInfoSet set, const DevInfoData& device, std::uint32_t scope, std::uint32_t profile,
                            std::uint32_t keyType, std::uint32_t access);
bool SetupDiDestroyDeviceInfoList(DevInfoSet set);

std::int32_t RegOpenKeyExW(RegKey parent, const std::wstring& subKey, std::uint32_t access, RegKey& key);
// Reads at most capacity bytes; a larger value gives ERROR_MORE_DATA.
std::int32_t RegQueryValueExW(RegKey key, const std::wstring& valueName, std::uint32_t capacity,
                              std::uint32_t& type, std::vector<std::uint8_t>& data);
std::int32_t RegCloseKey(RegKey key);

}  // namespace os
