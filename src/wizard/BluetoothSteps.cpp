// What installing a Bluetooth printer takes before its driver: pairing with
// the PIN, its serial port service, and the COM port Windows gives it.
#include "bluetooth/Bluetooth.h"
#include "common/Localisation.h"
#include "printsys/SpoolerInventory.h"
#include "wizard/Procedures.h"

namespace wizard {

bool ConnectBluetoothPrinter(InstallRequest& request, const bluetooth::BluetoothDeviceInfo* device,
                             ProcedureSink& sink) {
    sink.Log(common::TranslateKey(L"tip.startpairbluetooth"), false, false);
    std::wstring error;
    // The wizard reaches the install only with a device chosen; should the
    // list have changed under it, that is a failed pairing, not a crash.
    const bool paired = device != nullptr && bluetooth::PairBluetoothDevice(*device, error, request.pin);
    if (!paired) {
        sink.Log(common::FormatText(common::TranslateKey(L"tip.pairbluetoothfailpinis"), request.pin), true,
                       false);
        return false;
    }
    sink.Log(common::TranslateKey(L"tip.pairbluetoothsuccess"), false, false);
    bluetooth::EnableSerialPortService(*device);
    std::wstring comPort;
    if (!bluetooth::WaitForBluetoothComPort(bluetooth::FormatBluetoothAddress(device->address, false), comPort)) {
        sink.Log(common::TranslateKey(L"tip.getbluetoothserialportfail"), true, false);
        return false;
    }
    request.portName = comPort + L":";
    if (!printsys::PortExists(request.portName)) bluetooth::RegisterSerialPortService(*device, comPort);
    sink.Log(common::FormatText(common::TranslateKey(L"tip.readbluetoothserialport"), request.portName), false,
                   false);
    return true;
}

}  // namespace wizard
