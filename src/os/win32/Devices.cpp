#include "os/Devices.h"

#include "os/win32/Win32.h"

#include <setupapi.h>

#include <algorithm>
#include <new>

namespace os {

using win32::FromGuid;
using win32::FromPointer;
using win32::ToGuid;
using win32::ToPointer;

namespace {

SP_DEVICE_INTERFACE_DATA ToInterfaceData(const DeviceInterfaceData& data) {
    return {sizeof(SP_DEVICE_INTERFACE_DATA), ToGuid(data.interfaceClass), data.flags, data.reserved};
}

SP_DEVINFO_DATA ToDevInfoData(const DevInfoData& data) {
    return {sizeof(SP_DEVINFO_DATA), ToGuid(data.classGuid), data.devInst, data.reserved};
}

HDEVINFO ToSet(DevInfoSet set) { return ToPointer<HDEVINFO>(set); }

HKEY ToKey(RegKey key) { return key == RegKey::LocalMachine ? HKEY_LOCAL_MACHINE : ToPointer<HKEY>(key); }

}  // namespace

DevInfoSet SetupDiGetClassDevsW(const Guid& classGuid, std::uint32_t flags) {
    const GUID guid = ToGuid(classGuid);
    return FromPointer<DevInfoSet>(::SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags));
}

bool SetupDiEnumDeviceInfo(DevInfoSet set, std::uint32_t index, DevInfoData& device) {
    SP_DEVINFO_DATA found{};
    found.cbSize = sizeof found;
    if (!::SetupDiEnumDeviceInfo(ToSet(set), index, &found)) return false;
    device = {FromGuid(found.ClassGuid), found.DevInst, found.Reserved};
    return true;
}

bool SetupDiEnumDeviceInterfaces(DevInfoSet set, const Guid& interfaceClass, std::uint32_t index,
                                 DeviceInterfaceData& data) {
    const GUID guid = ToGuid(interfaceClass);
    SP_DEVICE_INTERFACE_DATA found{};
    found.cbSize = sizeof found;
    if (!::SetupDiEnumDeviceInterfaces(ToSet(set), nullptr, &guid, index, &found)) return false;
    data = {FromGuid(found.InterfaceClassGuid), found.Flags, found.Reserved};
    return true;
}

bool SetupDiGetDeviceInterfaceDetailW(DevInfoSet set, const DeviceInterfaceData& data, std::uint32_t bufferSize,
                                      std::uint32_t& required, std::wstring& devicePath, DevInfoData* devInfo) {
    // cbSize is the fixed part: 8 in a 64-bit process, 6 in a 32-bit one.
    static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == (sizeof(void*) == 8 ? 8 : 6), "detail record");
    std::vector<std::uint64_t> buffer;
    try {
        buffer.assign((std::max<std::size_t>(bufferSize, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) + 7) / 8, 0);
    } catch (const std::bad_alloc&) {
        return win32::Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVICE_INTERFACE_DATA interfaceData = ToInterfaceData(data);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    DWORD requiredBytes = 0;
    const BOOL done = ::SetupDiGetDeviceInterfaceDetailW(ToSet(set), &interfaceData, bufferSize == 0 ? nullptr : detail,
                                                         bufferSize, &requiredBytes, devInfo ? &device : nullptr);
    const DWORD error = ::GetLastError();
    required = requiredBytes;
    if (!done) return win32::Fail(error);
    if (bufferSize != 0) {
        const std::size_t chars = (bufferSize - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
        devicePath.assign(detail->DevicePath, std::find(detail->DevicePath, detail->DevicePath + chars, L'\0'));
    }
    if (devInfo) *devInfo = {FromGuid(device.ClassGuid), device.DevInst, device.Reserved};
    return true;
}

bool SetupDiGetDeviceInstanceIdW(DevInfoSet set, const DevInfoData& device, std::uint32_t capacity,
                                 std::wstring& instanceId) {
    SP_DEVINFO_DATA data = ToDevInfoData(device);
    std::wstring buffer(capacity, L'\0');
    if (!::SetupDiGetDeviceInstanceIdW(ToSet(set), &data, &buffer[0], capacity, nullptr)) return false;
    instanceId.assign(buffer.c_str());
    return true;
}

bool SetupDiGetDeviceRegistryPropertyW(DevInfoSet set, const DevInfoData& device, std::uint32_t property,
                                       std::uint32_t bufferSize, std::wstring& value) {
    SP_DEVINFO_DATA data = ToDevInfoData(device);
    std::vector<WCHAR> buffer(bufferSize / sizeof(WCHAR) + 1, L'\0');
    DWORD type = 0;
    DWORD size = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(ToSet(set), &data, property, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                             bufferSize, &size))
        return false;
    std::size_t chars = std::min<std::size_t>(size, bufferSize) / sizeof(WCHAR);
    if (chars > 0 && buffer[chars - 1] == L'\0') --chars;
    value.assign(buffer.data(), chars);
    return true;
}

RegKey SetupDiOpenDevRegKey(DevInfoSet set, const DevInfoData& device, std::uint32_t scope, std::uint32_t profile,
                            std::uint32_t keyType, std::uint32_t access) {
    SP_DEVINFO_DATA data = ToDevInfoData(device);
    const HKEY key = ::SetupDiOpenDevRegKey(ToSet(set), &data, scope, profile, keyType, access);
    return key == INVALID_HANDLE_VALUE ? RegKey::None : FromPointer<RegKey>(key);
}

bool SetupDiDestroyDeviceInfoList(DevInfoSet set) { return ::SetupDiDestroyDeviceInfoList(ToSet(set)) != FALSE; }

std::int32_t RegOpenKeyExW(RegKey parent, const std::wstring& subKey, std::uint32_t access, RegKey& key) {
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExW(ToKey(parent), subKey.c_str(), 0, access, &opened);
    key = result == ERROR_SUCCESS ? FromPointer<RegKey>(opened) : RegKey::None;
    return result;
}

std::int32_t RegQueryValueExW(RegKey key, const std::wstring& valueName, std::uint32_t capacity, std::uint32_t& type,
                              std::vector<std::uint8_t>& data) {
    std::vector<BYTE> buffer(capacity);
    DWORD valueType = 0;
    DWORD size = capacity;
    const LONG result =
        ::RegQueryValueExW(ToKey(key), valueName.c_str(), nullptr, &valueType, buffer.data(), &size);
    if (result != ERROR_SUCCESS) return result;
    type = valueType;
    data.assign(buffer.begin(), buffer.begin() + std::min<DWORD>(size, capacity));
    return ERROR_SUCCESS;
}

std::int32_t RegCloseKey(RegKey key) { return ::RegCloseKey(ToKey(key)); }

}  // namespace os
