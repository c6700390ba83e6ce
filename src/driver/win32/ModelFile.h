// The model data file of a printer, read from disk, as both driver DLLs
// need it.
#pragma once

#include "driver/PrinterModel.h"

#include <windows.h>

namespace driver::win32 {

// False for a missing, unreadable, oversized or refused file.
bool ReadModelFile(const wchar_t* path, PrinterModel& model);

// The data file of the printer's driver (GetPrinterDriverW level 2), read.
bool ReadPrinterModel(HANDLE printer, PrinterModel& model);

}  // namespace driver::win32
