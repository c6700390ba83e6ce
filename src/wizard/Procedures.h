// The install and removal procedures, as the wizard's workers and the
// unattended mode run them. Each is a function of what it needs (the
// request, the model table, the process's package) and reports through a
// sink: the main window's logs and boxes, or the unattended log file.
#pragma once

#include "bluetooth/Bluetooth.h"
#include "os/System.h"
#include "printsys/SpoolerInventory.h"
#include "wizard/DriverPackage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wizard {

enum class ConnectionType : std::int32_t { Usb = 0, Network = 1, Bluetooth = 2, Lpt = 3, Com = 4, Custom = 5, None = 6 };

// The user's choices that the install procedure reads.
struct InstallRequest {
    ConnectionType connectionType = ConnectionType::None;
    std::int32_t bluetoothDevice = -1;
    std::int32_t usbDevice = -1;
    std::int32_t model = -1;
    std::wstring portName;
    std::int32_t defaultPrinter = -1;
    std::wstring printerName;
    std::wstring networkAddress;
    std::wstring pin = L"5290";
    std::int32_t useCustomPin = 0;
};

// What the install procedure reports when it ends.
struct InstallResult {
    bool printerAdded = false;
    bool tcpPortAdded = false;
};

// Where a procedure's lines and questions go. Called on the procedure's
// thread; each call returns once the line is shown or written.
class ProcedureSink {
public:
    enum class Line { Info, Error };

    virtual ~ProcedureSink() = default;
    // One line of the log, already translated; an error line shows red in
    // the window and is marked ERROR in a log file.
    virtual void Log(const std::wstring& text, Line kind) = 0;
    // Empties the window's log before a procedure's first line; a log file
    // keeps what it has.
    virtual void Clear() = 0;
    void Info(const std::wstring& text) { Log(text, Line::Info); }
    void Error(const std::wstring& text) { Log(text, Line::Error); }
    // What the wizard says in an information box.
    virtual void Inform(const std::wstring& text) = 0;
    // The owner of the windows of the programs the shell starts.
    virtual os::WindowHandle Owner() const = 0;
};

// The connection, the driver (into the spooler's driver directory, or
// staged for printui when the spooler refuses it) and the printer. A
// Bluetooth install pairs with `device` first (none: a failed pairing) and
// sets the request's port name to the printer's COM port.
InstallResult RunInstallProcedure(InstallRequest& request, const std::vector<DriverModel>& models,
                                  const bluetooth::BluetoothDeviceInfo* device, ProcedureSink& sink);

// The install's fallback when the spooler refuses the driver: the package
// staged under Program Files, its signer's certificate trusted and printui
// installing from the INF. True when the driver is there at the end.
bool InstallDriverThroughPrintUI(const DriverModel& model, bool windows64, std::vector<wchar_t>& dependentFiles,
                                 ProcedureSink& sink);

// Pairs with the device, enables its serial port service and finds its COM
// port, which becomes the request's port name. False (after an error line)
// ends the installation.
bool ConnectBluetoothPrinter(InstallRequest& request, const bluetooth::BluetoothDeviceInfo* device,
                             ProcedureSink& sink);

struct RemovalRequest {
    std::vector<std::wstring> printers;
    // The spooler's entries of the drivers to remove, one per name.
    std::vector<printsys::SpoolerEntry> drivers;
};

struct RemovalResult {
    std::size_t failures = 0;  // objects that could not be removed
};

// The printers, then (around a restart of the spooler) the drivers and
// their packages; when no printer or driver of the models is left, the
// staging folder and the driver's certificate too. A failure is reported
// and the procedure goes on with the next object.
RemovalResult RunRemovalProcedure(const RemovalRequest& request, const std::vector<DriverModel>& models,
                                  ProcedureSink& sink);

// The printui install's leftovers, which no spooler call removes: the
// staging folder (with the folder above it when that is left empty) and
// the signer's certificate imported from it, found by its thumbprint, so
// one of another publisher with the same name stays. The removal runs it
// once no printer or driver of the models is left.
void RemoveInstallLeftovers(const std::vector<DriverModel>& models, ProcedureSink& sink, RemovalResult& result);

// The base name, or the first of "base (1)", "base (2)", ... that no
// printer has: the name the wizard proposes.
std::wstring FreePrinterName(const std::wstring& base);
// The address, or the first of "address_1", "address_2", ... that no port
// has: the network page's port name.
std::wstring FreeNetworkPortName(const std::wstring& address);

// Opens the printer with full access and deletes it: 0, or the error of the
// step that failed.
std::uint32_t DeletePrinterByName(const std::wstring& name);

}  // namespace wizard
