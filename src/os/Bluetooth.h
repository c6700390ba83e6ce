// The Windows Bluetooth API (bthprops.cpl): radios, the device inquiry,
// pairing and the serial port service.
//
// One function per call, with BLUETOOTH_DEVICE_INFO and its relatives as
// plain records. Every call addresses all radios (hRadio NULL) and has no
// parent window.
#pragma once

#include "os/Devices.h"
#include "os/System.h"

#include <cstdint>
#include <optional>
#include <string>

namespace os {

// HBLUETOOTH_RADIO_FIND and HBLUETOOTH_DEVICE_FIND.
enum class BluetoothRadioFind : std::uintptr_t { None = 0 };
enum class BluetoothDeviceFind : std::uintptr_t { None = 0 };

// SYSTEMTIME.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};
inline bool operator==(const SystemTime& a, const SystemTime& b) {
    return a.year == b.year && a.month == b.month && a.dayOfWeek == b.dayOfWeek && a.day == b.day &&
           a.hour == b.hour && a.minute == b.minute && a.second == b.second && a.milliseconds == b.milliseconds;
}

// BLUETOOTH_DEVICE_INFO. The address is BTH_ADDR: its low byte is the
// least significant byte of the Bluetooth address. The name holds at most
// 247 characters (248 with the terminator).
struct BluetoothDeviceRecord {
    std::uint64_t address = 0;
    std::uint32_t classOfDevice = 0;
    bool connected = false;
    bool remembered = false;
    bool authenticated = false;
    SystemTime lastSeen;
    SystemTime lastUsed;
    std::wstring name;
};
inline constexpr std::size_t kBluetoothNameChars = 247;

// BLUETOOTH_DEVICE_SEARCH_PARAMS; dwSize is filled in by the call.
struct BluetoothSearchParams {
    bool returnAuthenticated = false;
    bool returnRemembered = false;
    bool returnUnknown = false;
    bool returnConnected = false;
    bool issueInquiry = false;
    std::uint8_t timeoutMultiplier = 0;  // the inquiry lasts this many times 1.28 s
};

// BLUETOOTH_LOCAL_SERVICE_INFO. Each text holds at most 255 characters
// (256 with the terminator).
struct BluetoothLocalServiceInfo {
    bool enabled = false;
    std::uint64_t address = 0;
    std::wstring name;
    std::wstring deviceString;
};
inline constexpr std::size_t kBluetoothServiceTextChars = 255;

inline constexpr std::uint32_t kBluetoothServiceEnable = 1;

// BluetoothFindFirstRadio with a BLUETOOTH_FIND_RADIO_PARAMS (dwSize 4):
// the search and the first radio's handle, which the caller closes with
// CloseHandle; None, with the last error set, when no radio answers.
BluetoothRadioFind BluetoothFindFirstRadio(KernelHandle& radio);
bool BluetoothFindRadioClose(BluetoothRadioFind find);

// BluetoothFindFirstDevice and BluetoothFindNextDevice fill `device` (a
// zeroed record of the system's size each time). None, or false, with the
// last error set, when there is no (further) device.
BluetoothDeviceFind BluetoothFindFirstDevice(const BluetoothSearchParams& params, BluetoothDeviceRecord& device);
bool BluetoothFindNextDevice(BluetoothDeviceFind find, BluetoothDeviceRecord& device);
bool BluetoothFindDeviceClose(BluetoothDeviceFind find);

// BluetoothAuthenticateDevice with the whole passkey text: its result code
// (0 paired, 259 already paired). The system may update `device`.
std::uint32_t BluetoothAuthenticateDevice(BluetoothDeviceRecord& device, const std::wstring& passkey);

// Looked up in bthprops.cpl at each call (loaded and released around it):
// empty when the library or the entry point is missing, otherwise the
// call's result code.
std::optional<std::uint32_t> BluetoothSetServiceState(const BluetoothDeviceRecord& device, const Guid& service,
                                                      std::uint32_t serviceFlags);
std::optional<std::uint32_t> BluetoothSetLocalServiceInfo(const Guid& serviceClass, std::uint32_t instance,
                                                          const BluetoothLocalServiceInfo& info);

}  // namespace os
