#include "bluetooth/Bluetooth.h"

#include "base/Strings.h"
#include "os/DeviceWalk.h"
#include "os/ErrorText.h"
#include "os/Errors.h"
#include "os/System.h"

#include <algorithm>
#include <cwctype>

namespace bluetooth {

namespace {

// GUID_BTHPORT_DEVICE_INTERFACE: passed along, but DIGCF_ALLCLASSES makes
// the set every present device, and the class is checked device by device.
constexpr os::Guid kBthPortInterface = {0x0850302a, 0xb344, 0x4fda, {0x9b, 0xe9, 0x90, 0x57, 0x6b, 0x8d, 0x46, 0xf0}};
// GUID_DEVCLASS_BLUETOOTH.
constexpr os::Guid kBluetoothClass = {0xe0cbf06c, 0xcd8b, 0x4647, {0xbb, 0x8a, 0x26, 0x3b, 0x43, 0xf0, 0xf9, 0x74}};
// GUID_DEVINTERFACE_COMPORT.
constexpr os::Guid kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
// SerialPortServiceClass_UUID.
constexpr os::Guid kSerialPortService = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5f, 0x9b, 0x34, 0xfb}};

constexpr std::uint32_t kAccepted[] = {0x040680, 0x100680, 0x001F1F};
constexpr std::uint8_t kInquiryMultiplier = 10;  // 10 x 1.28 s

// BluetoothAuthenticateDeviceEx answers a device paired already with
// ERROR_NO_MORE_ITEMS.
constexpr std::uint32_t kAlreadyPaired = os::error::kNoMoreItems;

constexpr int kAttempts = 41;
constexpr std::uint32_t kRetryMs = 250;

constexpr std::uint32_t kPortNameBytes = 255;
constexpr std::size_t kAddressChars = 12;
constexpr wchar_t kLocalServiceName[] = L"SPP slave";

bool IsPrinter(const os::BluetoothDeviceRecord& record) {
    return !record.name.empty() &&
           std::find(std::begin(kAccepted), std::end(kAccepted), record.classOfDevice) != std::end(kAccepted);
}

// A Bluetooth link's serial port has an instance id whose next-to-last "_"
// piece ends in the remote address, as in
// BTHENUM\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f\7&1a2b3c4d&0&001B35E40D7A_C00000000.
bool InstanceIdHasAddress(const std::wstring& instanceId, const std::wstring& address12) {
    std::vector<std::wstring> pieces;
    base::SplitString(instanceId, L'_', pieces);
    if (pieces.size() < 2) return false;
    const std::wstring& piece = pieces[pieces.size() - 2];
    if (piece.size() < kAddressChars) return false;
    return base::EqualNoCase(std::wstring_view(piece).substr(piece.size() - kAddressChars), address12);
}

// REG_SZ bytes (UTF-16LE) up to the first terminator; a value without one
// ends with its data.
std::wstring TextOfRegistryString(const std::vector<std::uint8_t>& data) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
        if (unit == L'\0') break;
        text += unit;
    }
    return text;
}

// "PortName" of the device's hardware key; empty when it cannot be read.
std::wstring PortNameOf(const os::DeviceInterfaceEntry& entry) {
    const os::RegKey key =
        os::SetupDiOpenDevRegKey(entry.set, entry.device, os::kDicsFlagGlobal, 0, os::kDiregDev, os::kKeyRead);
    if (key == os::RegKey::None) return std::wstring();
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const bool read = os::RegQueryValueExW(key, L"PortName", kPortNameBytes, type, data) == 0;
    os::RegCloseKey(key);
    return read ? TextOfRegistryString(data) : std::wstring();
}

std::wstring Cut(std::wstring text, std::size_t chars) {
    if (text.size() > chars) text.resize(chars);
    return text;
}

}  // namespace

std::wstring FormatBluetoothAddress(std::uint64_t address, bool withSeparators) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::wstring text;
    for (int i = 5; i >= 0; --i) {
        const auto byte = static_cast<unsigned>((address >> (8 * i)) & 0xFF);
        text += static_cast<wchar_t>(kHex[byte >> 4]);
        text += static_cast<wchar_t>(kHex[byte & 0x0F]);
        if (withSeparators && i > 0) text += L'-';
    }
    return text;
}

std::optional<std::uint64_t> ParseBluetoothAddress(const std::wstring& text) {
    std::uint64_t address = 0;
    int digits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if ((c == L'-' || c == L':') && text.size() == 17 && i % 3 == 2) continue;
        if (!std::iswxdigit(c) || c > 0x7F) return std::nullopt;
        const int value = (c <= L'9') ? c - L'0' : (std::towlower(c) - L'a' + 10);
        address = (address << 4) | static_cast<std::uint64_t>(value);
        ++digits;
    }
    if (digits != 12 || (text.size() != 12 && text.size() != 17)) return std::nullopt;
    return address;
}

bool HasBluetoothAdapter() {
    const os::DevInfoSet set = os::SetupDiGetClassDevsW(kBthPortInterface, os::kDigcfPresent | os::kDigcfAllClasses);
    if (set == os::DevInfoSet::Invalid) return false;
    bool found = false;
    os::DevInfoData device;
    for (std::uint32_t index = 0; !found && os::SetupDiEnumDeviceInfo(set, index, device); ++index)
        found = device.classGuid == kBluetoothClass;
    os::SetupDiDestroyDeviceInfoList(set);
    return found;
}

bool HasBluetoothRadio() {
    os::KernelHandle radio = os::KernelHandle::None;
    const os::BluetoothRadioFind find = os::BluetoothFindFirstRadio(radio);
    if (find == os::BluetoothRadioFind::None) return false;
    os::BluetoothFindRadioClose(find);
    os::CloseHandle(radio);
    return true;
}

void ScanBluetoothPrinters(std::vector<BluetoothDeviceInfo>& devices) {
    devices.clear();
    os::BluetoothSearchParams params;
    params.returnAuthenticated = true;
    params.returnRemembered = true;
    params.returnUnknown = true;
    params.returnConnected = true;
    params.issueInquiry = true;
    params.timeoutMultiplier = kInquiryMultiplier;
    os::BluetoothDeviceRecord record;
    const os::BluetoothDeviceFind find = os::BluetoothFindFirstDevice(params, record);
    if (find == os::BluetoothDeviceFind::None) return;
    do {
        if (IsPrinter(record)) devices.push_back(record);
        record = os::BluetoothDeviceRecord();
    } while (os::BluetoothFindNextDevice(find, record));
    os::BluetoothFindDeviceClose(find);
}

bool PairBluetoothDevice(const BluetoothDeviceInfo& device, std::wstring& errorText, std::wstring pin) {
    os::BluetoothDeviceRecord copy = device;
    const std::uint32_t result = os::BluetoothAuthenticateDevice(copy, Cut(pin, kMaxPinChars));
    if (result == os::error::kSuccess || result == kAlreadyPaired) return true;
    errorText = os::SystemErrorText(result);
    return false;
}

void EnableSerialPortService(const BluetoothDeviceInfo& device) {
    // Every failed attempt waits, the last one too, as the install has
    // always paced it.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const auto result = os::BluetoothSetServiceState(device, kSerialPortService, os::kBluetoothServiceEnable);
        // Without the call there is nothing to enable: Windows then makes
        // the port on its own, if at all.
        // ERROR_INVALID_PARAMETER ends the attempts too: asking again the
        // same way cannot change that answer.
        if (!result || *result == os::error::kSuccess || *result == os::error::kInvalidParameter) return;
        os::Sleep(kRetryMs);
    }
}

bool FindBluetoothComPort(std::wstring address12, std::wstring& port) {
    bool found = false;
    os::WalkDeviceInterfaces(kComPortInterface, [&](const os::DeviceInterfaceEntry& entry) {
        const std::wstring portName = PortNameOf(entry);
        // A port whose name Windows has not written yet is no answer: the
        // caller would install the printer on a port named ":".
        if (portName.empty() || !InstanceIdHasAddress(entry.instanceId, address12)) return true;
        port = portName;
        found = true;
        return false;
    });
    return found;
}

bool WaitForBluetoothComPort(const std::wstring& address12, std::wstring& port) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (FindBluetoothComPort(address12, port)) return true;
        os::Sleep(kRetryMs);
    }
    return false;
}

void RegisterSerialPortService(const BluetoothDeviceInfo& device, std::wstring comPortWithoutColon) {
    os::BluetoothLocalServiceInfo info;
    info.enabled = true;
    info.address = device.address;
    info.name = kLocalServiceName;
    info.deviceString = Cut(comPortWithoutColon, os::kBluetoothServiceTextChars);
    os::BluetoothSetLocalServiceInfo(kSerialPortService, 1, info);
}

}  // namespace bluetooth
