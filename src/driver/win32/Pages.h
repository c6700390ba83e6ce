// The interface DLL's two property pages, added to the common property
// sheet UI (compstui) that hosts them: the preferences page (one
// document's paper, orientation and darkness) and the printer's page (what
// the model is). Their texts follow the user's UI language.
#pragma once

#include <windows.h>

#include <compstui.h>

namespace driver::win32 {

// The header the spooler hands DrvDocumentPropertySheets, as documented
// (this toolchain's winddiui.h lacks it).
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD reserved;
    HANDLE printer;
    LPWSTR printerName;
    DEVMODEW* in;
    DEVMODEW* out;
    DWORD outSize;
    DWORD mode;
};

// And the one DrvDevicePropertySheets gets.
struct DevicePropertyHeader {
    WORD cbSize;
    WORD flags;
    HANDLE printer;
    LPWSTR printerName;
};

// DrvDocumentPropertySheets and DrvDevicePropertySheets with a property
// sheet: each of compstui's calls (`info->Reason`). > 0 on success; -1
// with the last error set when the page cannot be made.
LONG SettingsSheet(PROPSHEETUI_INFO& info, LPARAM parameter);
LONG PrinterSheet(PROPSHEETUI_INFO& info, LPARAM parameter);

}  // namespace driver::win32
