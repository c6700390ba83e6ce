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

}  // namespace driver::win32
