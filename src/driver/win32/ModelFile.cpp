#include "driver/win32/ModelFile.h"

#include "driver/ModelData.h"

#include <winspool.h>

#include <vector>

namespace driver::win32 {

namespace {

// The most a model data file can sensibly hold.
constexpr DWORD kMostModelDataBytes = 64 * 1024;

}  // namespace

bool ReadModelFile(const wchar_t* path, PrinterModel& model) {
    if (path == nullptr) return false;
    const HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<std::uint8_t> bytes(kMostModelDataBytes);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, bytes.data(), kMostModelDataBytes, &read, nullptr);
    CloseHandle(file);
    if (!ok || read == kMostModelDataBytes) return false;
    return ReadModelData(bytes.data(), read, model) == ModelDataError::None;
}

bool ReadPrinterModel(HANDLE printer, PrinterModel& model) {
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2W)) return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) return false;
    return ReadModelFile(reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data())->pDataFile, model);
}

namespace {

// The DEVMODE a GetPrinterW level holds, bounded by the buffer the spooler
// filled; false where the level has none or it is not one a merge takes.
bool MergeLevel(HANDLE printer, DWORD level, const PrinterModel& model, DevModeBytes& settings) {
    DWORD needed = 0;
    GetPrinterW(printer, level, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_9W)) return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterW(printer, level, buffer.data(), needed, &needed)) return false;
    const DEVMODEW* found = level == 2 ? reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->pDevMode
                                       : reinterpret_cast<const PRINTER_INFO_9W*>(buffer.data())->pDevMode;
    const auto* devMode = reinterpret_cast<const BYTE*>(found);
    const BYTE* end = buffer.data() + buffer.size();
    if (devMode == nullptr || devMode < buffer.data() || devMode >= end) return false;
    return MergeDevMode(model, devMode, static_cast<std::size_t>(end - devMode), settings);
}

}  // namespace

void MergePrinterDefault(HANDLE printer, const PrinterModel& model, DevModeBytes& settings) {
    // A spooler that builds a missing default through this driver would
    // come back here; the inner call keeps the driver's own default.
    static thread_local bool reading = false;
    if (printer == nullptr || reading) return;
    reading = true;
    // The user's own default first (level 9), then the printer's (8, and 2
    // where a spooler keeps only that one).
    for (const DWORD level : {9u, 8u, 2u})
        if (MergeLevel(printer, level, model, settings)) break;
    reading = false;
}

}  // namespace driver::win32
