// The model data file of a printer, read from disk, as both driver DLLs
// need it.
#pragma once

#include "driver/DevMode.h"
#include "driver/PrinterModel.h"

#include <windows.h>

namespace driver::win32 {

// False for a missing, unreadable, oversized or refused file.
bool ReadModelFile(const wchar_t* path, PrinterModel& model);

// The data file of the printer's driver (GetPrinterDriverW level 2), read.
bool ReadPrinterModel(HANDLE printer, PrinterModel& model);

// The printer's own default DEVMODE, as the spooler keeps it (the Printing
// Defaults an administrator sets, or a user's own preferences), merged into
// `settings`. Nothing changes where the printer has none, or one that is
// not a DEVMODE a merge can read.
void MergePrinterDefault(HANDLE printer, const PrinterModel& model, DevModeBytes& settings);

}  // namespace driver::win32
