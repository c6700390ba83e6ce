// The USB printers attached now, each with the spooler port (USB001, ...)
// that Windows gave it.
//
// Runs on a worker: it waits a second for devices that were just plugged in
// and then walks SetupAPI's USB printer interfaces.
#pragma once

#include "printsys/SpoolerInventory.h"

#include <string>
#include <vector>

namespace printsys {

// Fills printers (cleared first), in enumeration order: display id (the
// second component of the instance id with "&" as blanks, or the whole id),
// port name (empty when Windows recorded none), device path. Interfaces whose
// instance id, description or hardware id cannot be read are left out.
void ListUsbPrinters(std::vector<SpoolerEntry>& printers);

// The port name of a device whose instance id has "\" replaced by "#": true
// and "USB" with the registry's port number in at least three digits; false
// with portName unchanged when there is no non-zero port number.
bool GetUsbPortName(std::wstring instanceIdWithHashes, std::wstring& portName);

}  // namespace printsys
