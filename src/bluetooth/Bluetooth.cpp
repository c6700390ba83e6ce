#include "bluetooth/Bluetooth.h"

namespace bluetooth {

std::wstring FormatBluetoothAddress(const BluetoothAddress& address, bool withSeparators) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::wstring text;
    for (std::size_t i = address.bytes.size(); i-- > 0;) {
        text += static_cast<wchar_t>(kHex[address.bytes[i] >> 4]);
        text += static_cast<wchar_t>(kHex[address.bytes[i] & 0x0F]);
        if (withSeparators && i > 0) text += L'-';
    }
    return text;
}

// The radio, scan and pairing calls are not wired to the system yet: until
// they are, this computer is treated as one without an adapter, which the
// wizard reports and stops at.
bool HasBluetoothAdapter() { return false; }

bool HasBluetoothRadio() { return false; }

void ScanBluetoothPrinters(std::vector<BluetoothDeviceInfo>& devices) { devices.clear(); }

}  // namespace bluetooth
