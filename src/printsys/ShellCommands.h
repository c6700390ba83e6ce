// The system's own tools, started through the shell by their full path in
// the system folder: the certificate import (certutil.exe) and printui.dll's
// PrintUIEntry through rundll32.exe, the native ones when this is a 32-bit
// process on 64-bit Windows. Nothing is started when the Windows folder is
// unknown.
//
// printui's outcome is not reported: callers check the effect they need
// (DriverExists, say).
#pragma once

#include "os/System.h"

#include <string>

namespace printsys {

// Hidden; waits for certutil to end, however long that takes. True only
// when certutil ran and ended with exit code 0.
bool AddCertificateToTrustedPublisher(const std::wstring& certificatePath, os::WindowHandle owner);
// printui /ia, in a normal window; waits for it to end.
void InstallDriverWithPrintUI(const std::wstring& driverName, const std::wstring& infPath, os::WindowHandle owner);

// printui's own windows for the printer; these return at once.
bool OpenPrintingPreferences(const std::wstring& printerName, os::WindowHandle owner);
bool OpenPrinterProperties(const std::wstring& printerName, os::WindowHandle owner);
bool PrintTestPage(const std::wstring& printerName, os::WindowHandle owner);
// Starts rundll32.exe with parameterFormat, its first "%s" replaced by the
// printer name (inserted as it is, never read as a format), without waiting.
// False, and nothing started, for a name IsValidPrinterName refuses.
bool RunRundll32(const std::wstring& parameterFormat, const std::wstring& printerName, os::WindowHandle owner);

}  // namespace printsys
