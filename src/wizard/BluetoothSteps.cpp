// What installing a Bluetooth printer takes before its driver: pairing with
// the PIN, its serial port service, and the COM port Windows gives it.
#include "bluetooth/Bluetooth.h"
#include "common/Localisation.h"
#include "printsys/SpoolerInventory.h"
#include "wizard/AppState.h"

namespace wizard {

bool AppState::ConnectBluetoothPrinter() {
    PostInstallLog(common::TranslateKey(L"tip.startpairbluetooth"), false, false);
    const auto index = static_cast<std::size_t>(request_.bluetoothDevice);
    std::wstring error;
    // The wizard reaches the install only with a device chosen; should the
    // list have changed under it, that is a failed pairing, not a crash.
    const bool paired = request_.bluetoothDevice >= 0 && index < bluetoothDevices_.size() &&
                        bluetooth::PairBluetoothDevice(bluetoothDevices_[index], error, request_.pin);
    if (!paired) {
        PostInstallLog(common::FormatText(common::TranslateKey(L"tip.pairbluetoothfailpinis"), request_.pin), true,
                       false);
        return false;
    }
    const bluetooth::BluetoothDeviceInfo device = bluetoothDevices_[index];
    PostInstallLog(common::TranslateKey(L"tip.pairbluetoothsuccess"), false, false);
    bluetooth::EnableSerialPortService(device);
    std::wstring comPort;
    if (!bluetooth::WaitForBluetoothComPort(bluetooth::FormatBluetoothAddress(device.address, false), comPort)) {
        PostInstallLog(common::TranslateKey(L"tip.getbluetoothserialportfail"), true, false);
        return false;
    }
    request_.portName = comPort + L":";
    if (!printsys::PortExists(request_.portName)) bluetooth::RegisterSerialPortService(device, comPort);
    PostInstallLog(common::FormatText(common::TranslateKey(L"tip.readbluetoothserialport"), request_.portName), false,
                   false);
    return true;
}

}  // namespace wizard
