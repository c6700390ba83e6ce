// The interface DLL (the driver's configuration DLL, QuorvelA4UI<dpi>.DLL):
// what the spooler and applications ask of the driver without printing.
// Its sizes, defaults, DEVMODE merges and capabilities come from the
// portable core and the printer's model data file; its property pages are
// in Pages.cpp.
#include "driver/Capabilities.h"
#include "driver/DevMode.h"
#include "driver/PageTexts.h"
#include "driver/win32/ModelFile.h"
#include "driver/win32/Pages.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>

namespace {

using driver::win32::DocumentPropertyHeader;

// As documented; this toolchain's winddiui.h lacks it.
struct DevQueryPrintInfo {
    WORD cbSize;
    WORD level;
    HANDLE printer;
    DEVMODEW* devMode;
    LPWSTR errorText;
    DWORD errorChars;
    DWORD neededChars;
};

constexpr DWORD kConvert = 0x01, kConvert351 = 0x02, kDriverDefault = 0x04;  // CDM_*
constexpr LONG kOk = 1;                                                      // IDOK
// A DEVMODEW of Windows NT 3.51: up to dmDisplayFrequency, version 0x0320.
constexpr std::size_t kDevMode351Size = 188;
constexpr std::uint16_t kSpecVersion351 = 0x0320;


std::size_t DevModeBytesOf(const DEVMODEW& devMode) {
    return static_cast<std::size_t>(devMode.dmSize) + devMode.dmDriverExtra;
}

// The driver's DEVMODE for `model`: its default, under the printer's own
// default where a printer is given, under `input` where there is one.
bool Settings(const driver::PrinterModel& model, HANDLE printer, const wchar_t* printerName, const DEVMODEW* input,
              driver::DevModeBytes& settings) {
    settings = driver::DefaultDevMode(model, printerName ? printerName : L"");
    driver::win32::MergePrinterDefault(printer, model, settings);
    return input == nullptr || driver::MergeDevMode(model, reinterpret_cast<const std::uint8_t*>(input),
                                                    DevModeBytesOf(*input), settings);
}

bool ModelOfPrinterNamed(const wchar_t* name, driver::PrinterModel& model) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(name), &printer, nullptr)) return false;
    const bool read = driver::win32::ReadPrinterModel(printer, model);
    ClosePrinter(printer);
    return read;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI DrvDeviceCapabilities(HANDLE printer, PWSTR deviceName, WORD index, void* output,
                                                          DEVMODEW*) {
    driver::PrinterModel model;
    // Under Wine the handle given here does not answer GetPrinterDriverW;
    // the printer's name finds it as well.
    if (!driver::win32::ReadPrinterModel(printer, model) && !ModelOfPrinterNamed(deviceName, model)) {
        SetLastError(ERROR_INVALID_DATA);
        return static_cast<DWORD>(driver::kGdiError);
    }
    const driver::CapabilityAnswer answer = driver::DeviceCapability(model, index, driver::TextsFor(GetUserDefaultUILanguage()).automaticSource);
    if (output != nullptr && !answer.output.empty()) std::memcpy(output, answer.output.data(), answer.output.size());
    return static_cast<DWORD>(answer.result);
}

__declspec(dllexport) LONG WINAPI DrvDocumentPropertySheets(PROPSHEETUI_INFO* propertySheet, LPARAM parameter) {
    if (propertySheet != nullptr) return driver::win32::SettingsSheet(*propertySheet, parameter);
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(parameter);
    if (header == nullptr || header->cbSize < sizeof(DocumentPropertyHeader)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const auto size = static_cast<LONG>(driver::kDevModeSize + driver::kPrivateSize);
    // Without a mode or an output, the caller asks how large the DEVMODE is;
    // the answer goes into cbOut as well.
    if (header->mode == 0 || header->out == nullptr) {
        header->outSize = static_cast<DWORD>(size);
        return size;
    }
    driver::PrinterModel model;
    if (!driver::win32::ReadPrinterModel(header->printer, model)) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    driver::DevModeBytes settings;
    const DEVMODEW* input = (header->mode & DM_IN_BUFFER) ? header->in : nullptr;
    if (!Settings(model, header->printer, header->printerName, input, settings)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (header->mode & DM_OUT_BUFFER) {
        // Never more than the caller says its buffer holds, nor a DEVMODE
        // cut short.
        if (header->outSize < settings.size()) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return -1;
        }
        std::memcpy(header->out, settings.data(), settings.size());
    }
    return kOk;
}

__declspec(dllexport) LONG WINAPI DrvDevicePropertySheets(PROPSHEETUI_INFO* propertySheet, LPARAM parameter) {
    if (propertySheet == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return driver::win32::PrinterSheet(*propertySheet, parameter);
}

// CDM_DRIVER_DEFAULT: the driver's default, ours. CDM_CONVERT: the input
// in the version the output's own header names (its dmSize, dmSpecVersion
// and, where it has room for ours, dmDriverExtra). CDM_CONVERT351: the input
// as Windows NT 3.51 had DEVMODEs, with our private part.
__declspec(dllexport) BOOL WINAPI DrvConvertDevMode(LPWSTR printerName, DEVMODEW* input, DEVMODEW* output,
                                                    LONG* outputSize, DWORD mode) {
    if (outputSize == nullptr || (mode != kConvert && mode != kConvert351 && mode != kDriverDefault) ||
        (mode != kDriverDefault && input == nullptr) || (mode == kConvert && output == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    driver::PrinterModel model;
    if (!ModelOfPrinterNamed(printerName, model)) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    driver::DevModeBytes settings;
    if (!Settings(model, nullptr, printerName, mode == kDriverDefault ? nullptr : input, settings)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (mode == kConvert) {
        const std::size_t size = output->dmSize;
        if (size < driver::kOldestDevModeSize || size > driver::kDevModeSize) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        settings = driver::ConvertDevMode(settings, size, output->dmSpecVersion,
                                          output->dmDriverExtra >= driver::kPrivateSize);
    } else if (mode == kConvert351) {
        settings = driver::ConvertDevMode(settings, kDevMode351Size, kSpecVersion351, true);
    }
    const auto needed = static_cast<LONG>(settings.size());
    if (output == nullptr || *outputSize < needed) {
        *outputSize = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(output, settings.data(), settings.size());
    *outputSize = needed;
    return TRUE;
}

// Nothing to prepare or clean up for a printer or the driver itself.
__declspec(dllexport) BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }
__declspec(dllexport) BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }

// A job whose DEVMODE this driver cannot read is held, with the reason.
__declspec(dllexport) BOOL WINAPI DevQueryPrintEx(DevQueryPrintInfo* info) {
    if (info == nullptr || info->cbSize < sizeof(DevQueryPrintInfo)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->devMode == nullptr) return TRUE;
    driver::PrinterModel model;
    driver::DevModeBytes settings;
    if (driver::win32::ReadPrinterModel(info->printer, model) &&
        Settings(model, nullptr, nullptr, info->devMode, settings))
        return TRUE;
    static const wchar_t kReason[] = L"The job's settings are not this printer's.";
    info->neededChars = sizeof kReason / sizeof kReason[0];
    if (info->errorText != nullptr && info->errorChars >= info->neededChars)
        std::memcpy(info->errorText, kReason, sizeof kReason);
    return FALSE;
}

}  // extern "C"
