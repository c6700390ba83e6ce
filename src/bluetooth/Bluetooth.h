// Bluetooth printers: whether this computer has a usable adapter, the
// printers in reach, their address text, and what installing one on its
// serial port takes (pairing, the serial port service, its COM port).
#pragma once

#include "os/Bluetooth.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bluetooth {

// What the wizard keeps of a found device: the whole BLUETOOTH_DEVICE_INFO,
// so that pairing and the service calls get back what the system reported.
using BluetoothDeviceInfo = os::BluetoothDeviceRecord;

// The six bytes of a BTH_ADDR, most significant first, two upper-case hex
// digits a byte; joined by "-" with separators (00-1B-35-E4-0D-7A), back to
// back without.
std::wstring FormatBluetoothAddress(std::uint64_t address, bool withSeparators);
// Reads "00-11-22-33-44-55", "00:11:22:33:44:55" or "001122334455" (hex
// digits in either case); nothing for any other text.
std::optional<std::uint64_t> ParseBluetoothAddress(const std::wstring& text);

// The longest PIN the pairing uses; longer ones are cut.
inline constexpr std::size_t kMaxPinChars = 16;

// A present device of the Bluetooth setup class exists.
bool HasBluetoothAdapter();
// An adapter's radio answers (it is switched on).
bool HasBluetoothRadio();

// Replaces `devices` with the printers in reach, in the order the system
// reports them: named devices whose class of device is that of a printer
// (0x040680, 0x100680) or exactly 0x001F1F. The inquiry takes 12.8 s.
void ScanBluetoothPrinters(std::vector<BluetoothDeviceInfo>& devices);

// Pairs with the device using the first 16 characters of the PIN. True
// when paired, also when it was paired already; otherwise false with
// errorText the system's text of the code ("Code: <code> - ...").
bool PairBluetoothDevice(const BluetoothDeviceInfo& device, std::wstring& errorText, std::wstring pin);

// Enables the device's serial port service, trying up to 41 times a
// quarter of a second apart. Gives up silently: the COM port search that
// follows tells whether it worked. A system without the call counts as
// done.
void EnableSerialPortService(const BluetoothDeviceInfo& device);

// One look for the COM port Windows made for the device with this address
// (12 hex digits, no separators, any case): true with its name (COM5, no
// colon) when a present serial port belongs to it.
bool FindBluetoothComPort(std::wstring address12, std::wstring& port);
// The same, up to 41 looks a quarter of a second apart: the port appears
// a few seconds after the service was enabled.
bool WaitForBluetoothComPort(const std::wstring& address12, std::wstring& port);

// Registers a local serial port service ("SPP slave") for the device on
// that COM port (no colon); for a port the spooler does not know yet.
// Failures are ignored.
void RegisterSerialPortService(const BluetoothDeviceInfo& device, std::wstring comPortWithoutColon);

}  // namespace bluetooth
