#include "printsys/UsbDiscovery.h"

#include "base/Strings.h"
#include "os/DeviceWalk.h"
#include "os/System.h"

#include <algorithm>

namespace printsys {

namespace {

// GUID_DEVINTERFACE_USBPRINT.
constexpr os::Guid kUsbPrintInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
constexpr wchar_t kUsbPrintClass[] = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

constexpr std::uint32_t kSettleMs = 1000;
constexpr std::uint32_t kPropertyBytes = 520;
constexpr std::size_t kMaxKeyChars = 1024;

std::wstring Replaced(std::wstring text, wchar_t from, wchar_t to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

// USB\VID_vvvv&PID_pppp\serial is shown as "VID_vvvv PID_pppp".
std::wstring DisplayIdOf(const std::wstring& instanceId) {
    std::vector<std::wstring> components;
    base::SplitString(instanceId, L'\\', components);
    return components.size() >= 2 ? Replaced(components[1], L'&', L' ') : instanceId;
}

// "USB%.3d": at least three digits.
std::wstring UsbPortName(std::uint32_t number) {
    std::wstring digits = std::to_wstring(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');
    return L"USB" + digits;
}

bool ReadsProperty(os::DevInfoSet set, const os::DevInfoData& device, std::uint32_t property) {
    std::wstring value;
    return os::SetupDiGetDeviceRegistryPropertyW(set, device, property, kPropertyBytes, value);
}

}  // namespace

void ListUsbPrinters(std::vector<SpoolerEntry>& printers) {
    printers.clear();
    os::Sleep(kSettleMs);
    os::WalkDeviceInterfaces(kUsbPrintInterface, [&](const os::DeviceInterfaceEntry& entry) {
        if (!ReadsProperty(entry.set, entry.device, os::kSpdrpDeviceDesc) ||
            !ReadsProperty(entry.set, entry.device, os::kSpdrpHardwareId))
            return true;
        std::wstring portName;
        GetUsbPortName(Replaced(entry.instanceId, L'\\', L'#'), portName);
        printers.push_back({DisplayIdOf(entry.instanceId), portName, entry.devicePath});
        return true;
    });
}

bool GetUsbPortName(std::wstring instanceIdWithHashes, std::wstring& portName) {
    const std::wstring keyPath = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\") +
                                 kUsbPrintClass + L"\\##?#" + instanceIdWithHashes + L"#" + kUsbPrintClass +
                                 L"\\#\\Device Parameters";
    if (keyPath.size() >= kMaxKeyChars) return false;
    os::RegKey key = os::RegKey::None;
    if (os::RegOpenKeyExW(os::RegKey::LocalMachine, keyPath, os::kKeyRead, key) != 0) return false;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const bool read = os::RegQueryValueExW(key, L"Port Number", 4, type, data) == 0 && data.size() == 4;
    os::RegCloseKey(key);
    if (!read) return false;
    const std::uint32_t number = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    if (number == 0) return false;
    portName = UsbPortName(number);
    return true;
}

}  // namespace printsys
