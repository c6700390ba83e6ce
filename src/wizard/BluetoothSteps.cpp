// What installing a Bluetooth printer takes before its driver: pairing with
// the PIN, its serial port service, and the COM port Windows gives it.
#include "bluetooth/Bluetooth.h"
#include "common/Localisation.h"
#include "printsys/SpoolerInventory.h"
#include "wizard/Procedures.h"

namespace wizard {

bool ConnectBluetoothPrinter(InstallRequest& request, const bluetooth::BluetoothDeviceInfo* device,
                             ProcedureSink& sink) {
    sink.Info(common::TranslateKey(L"tip.startpairbluetooth"));
    std::wstring error;
    // The wizard reaches the install only with a device chosen; should the
    // list have changed under it, that is a failed pairing, not a crash.
    const bool paired = device != nullptr && bluetooth::PairBluetoothDevice(*device, error, request.pin);
    if (!paired) {
        sink.Error(common::FormatKey(L"tip.pairbluetoothfailpinis", request.pin));
        return false;
    }
    sink.Info(common::TranslateKey(L"tip.pairbluetoothsuccess"));
    bluetooth::EnableSerialPortService(*device);
    std::wstring comPort;
    if (!bluetooth::WaitForBluetoothComPort(bluetooth::FormatBluetoothAddress(device->address, false), comPort)) {
        sink.Error(common::TranslateKey(L"tip.getbluetoothserialportfail"));
        return false;
    }
    request.portName = comPort + L":";
    if (!printsys::PortExists(request.portName)) bluetooth::RegisterSerialPortService(*device, comPort);
    sink.Info(common::FormatKey(L"tip.readbluetoothserialport", request.portName));
    return true;
}

}  // namespace wizard
