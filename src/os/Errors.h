// The Windows error codes the program meets, once each, under the names
// of winerror.h: the portable layers and the simulated machine use these
// instead of numbers of their own.
#pragma once

#include <cstdint>

namespace os::error {

inline constexpr std::uint32_t kSuccess = 0;                  // ERROR_SUCCESS
inline constexpr std::uint32_t kFileNotFound = 2;             // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kPathNotFound = 3;             // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kAccessDenied = 5;             // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kInvalidHandle = 6;            // ERROR_INVALID_HANDLE
inline constexpr std::uint32_t kNotEnoughMemory = 8;          // ERROR_NOT_ENOUGH_MEMORY
inline constexpr std::uint32_t kInvalidData = 13;             // ERROR_INVALID_DATA
inline constexpr std::uint32_t kGenFailure = 31;              // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kSharingViolation = 32;        // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t kInvalidParameter = 87;        // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kInsufficientBuffer = 122;     // ERROR_INSUFFICIENT_BUFFER
inline constexpr std::uint32_t kInvalidName = 123;            // ERROR_INVALID_NAME
inline constexpr std::uint32_t kInvalidLevel = 124;           // ERROR_INVALID_LEVEL
inline constexpr std::uint32_t kDirNotEmpty = 145;            // ERROR_DIR_NOT_EMPTY
inline constexpr std::uint32_t kBusy = 170;                   // ERROR_BUSY
inline constexpr std::uint32_t kAlreadyExists = 183;          // ERROR_ALREADY_EXISTS
inline constexpr std::uint32_t kBadExeFormat = 193;           // ERROR_BAD_EXE_FORMAT
inline constexpr std::uint32_t kFilenameExcedRange = 206;     // ERROR_FILENAME_EXCED_RANGE
inline constexpr std::uint32_t kExeMachineTypeMismatch = 216; // ERROR_EXE_MACHINE_TYPE_MISMATCH
inline constexpr std::uint32_t kFileTooLarge = 223;           // ERROR_FILE_TOO_LARGE
inline constexpr std::uint32_t kMoreData = 234;               // ERROR_MORE_DATA
inline constexpr std::uint32_t kNoMoreItems = 259;            // ERROR_NO_MORE_ITEMS
inline constexpr std::uint32_t kMrMidNotFound = 317;          // ERROR_MR_MID_NOT_FOUND
inline constexpr std::uint32_t kOperationAborted = 995;       // ERROR_OPERATION_ABORTED
inline constexpr std::uint32_t kDependentServicesRunning = 1051;// ERROR_DEPENDENT_SERVICES_RUNNING
inline constexpr std::uint32_t kServiceAlreadyRunning = 1056; // ERROR_SERVICE_ALREADY_RUNNING
inline constexpr std::uint32_t kServiceDoesNotExist = 1060;   // ERROR_SERVICE_DOES_NOT_EXIST
inline constexpr std::uint32_t kServiceCannotAcceptControl = 1061;// ERROR_SERVICE_CANNOT_ACCEPT_CTRL
inline constexpr std::uint32_t kServiceNotActive = 1062;      // ERROR_SERVICE_NOT_ACTIVE
inline constexpr std::uint32_t kDeviceNotConnected = 1167;    // ERROR_DEVICE_NOT_CONNECTED
inline constexpr std::uint32_t kNotFound = 1168;              // ERROR_NOT_FOUND
inline constexpr std::uint32_t kNotAuthenticated = 1244;      // ERROR_NOT_AUTHENTICATED
inline constexpr std::uint32_t kInstallFailure = 1603;        // ERROR_INSTALL_FAILURE
inline constexpr std::uint32_t kInstallAlreadyRunning = 1618; // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr std::uint32_t kRpcServerUnavailable = 1722;  // RPC_S_SERVER_UNAVAILABLE
inline constexpr std::uint32_t kUnknownPort = 1796;           // ERROR_UNKNOWN_PORT
inline constexpr std::uint32_t kUnknownPrinterDriver = 1797;  // ERROR_UNKNOWN_PRINTER_DRIVER
inline constexpr std::uint32_t kUnknownPrintProcessor = 1798; // ERROR_UNKNOWN_PRINTPROCESSOR
inline constexpr std::uint32_t kInvalidPrinterName = 1801;    // ERROR_INVALID_PRINTER_NAME
inline constexpr std::uint32_t kPrinterAlreadyExists = 1802;  // ERROR_PRINTER_ALREADY_EXISTS
inline constexpr std::uint32_t kInvalidEnvironment = 1805;    // ERROR_INVALID_ENVIRONMENT
inline constexpr std::uint32_t kKmDriverBlocked = 1930;       // ERROR_KM_DRIVER_BLOCKED
inline constexpr std::uint32_t kResourceLangNotFound = 1815;  // ERROR_RESOURCE_LANG_NOT_FOUND
inline constexpr std::uint32_t kPrinterDriverInUse = 3001;    // ERROR_PRINTER_DRIVER_IN_USE
inline constexpr std::uint32_t kPrinterDriverBlocked = 3014;  // ERROR_PRINTER_DRIVER_BLOCKED
inline constexpr std::uint32_t kPrinterDriverPackageInUse = 3015;// ERROR_PRINTER_DRIVER_PACKAGE_IN_USE

}  // namespace os::error
