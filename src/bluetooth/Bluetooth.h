// Bluetooth printers: the records a scan finds, their address text, and
// whether this computer has a usable adapter.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace bluetooth {

// BLUETOOTH_ADDRESS: six bytes, least significant first.
struct BluetoothAddress {
    std::array<std::uint8_t, 6> bytes{};
};

// What the wizard keeps of a BLUETOOTH_DEVICE_INFO.
struct BluetoothDeviceInfo {
    BluetoothAddress address;
    std::uint32_t classOfDevice = 0;
    bool connected = false;
    bool remembered = false;
    bool authenticated = false;  // paired
    std::wstring name;
};

// Most significant byte first, two upper-case hex digits a byte; joined by
// "-" with separators (00-1B-35-E4-0D-7A), back to back without.
std::wstring FormatBluetoothAddress(const BluetoothAddress& address, bool withSeparators);

// A present device of the Bluetooth setup class exists.
bool HasBluetoothAdapter();
// An adapter's radio answers (it is switched on).
bool HasBluetoothRadio();

// Replaces `devices` with the printers in reach, in the order found.
void ScanBluetoothPrinters(std::vector<BluetoothDeviceInfo>& devices);

}  // namespace bluetooth
