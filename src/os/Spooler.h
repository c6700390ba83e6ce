// The local print spooler (winspool): printers, printer drivers, driver
// packages, ports and port monitors.
//
// One function per spooler call, always on the local spooler (no server
// name). Calls that take an environment ("Windows x64", "Windows NT x86")
// pass an empty one as NULL, which means the caller's: x86 for a 32-bit
// program even on 64-bit Windows. Enumerations keep the two-call shape of the
// Win32 functions so the caller decides what a size probe means: a call with
// bufferSize 0 reports the bytes needed; a call with at least that many bytes
// fills the list (cleared first) with exactly the records the spooler
// returned. A failed call sets the last error and leaves the list empty.
#pragma once

#include "os/System.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace os {

enum class PrinterHandle : std::uintptr_t { None = 0 };

inline constexpr std::uint32_t kPrinterEnumLocal = 0x02;
inline constexpr std::uint32_t kPrinterEnumConnections = 0x04;
inline constexpr std::uint32_t kPrinterEnumNetwork = 0x40;

inline constexpr std::uint32_t kPrinterAllAccess = 0xF000C;
inline constexpr std::uint32_t kServerAccessAdminister = 0x1;

// PRINTER_INFO_2: the fields the program reads or sets; AddPrinterW leaves
// every other field zero.
struct PrinterInfo2 {
    std::wstring printerName;
    std::wstring portName;
    std::wstring driverName;
    std::wstring printProcessor;
    std::uint32_t attributes = 0;
    std::wstring datatype = {};  // for AddPrinterW; empty: none; enumeration leaves it empty
};

// DRIVER_INFO_1, _6 or _8 as enumerated: level 1 fills name only, level 6
// adds the rest but the INF path, which only level 8 (Vista and later) has.
struct DriverInfo {
    std::wstring name;
    std::uint32_t version = 0;
    std::wstring environment;
    std::wstring driverPath;
    std::wstring infPath;
};

// DRIVER_INFO_6 for AddPrinterDriverExW. File names are bare when the files
// already lie in the driver directory. Empty texts are passed as NULL.
struct DriverInfo6 {
    std::uint32_t version = 0;
    std::wstring name;
    std::wstring environment;
    std::wstring driverPath;
    std::wstring dataFile;
    std::wstring configFile;
    std::wstring helpFile;
    std::vector<std::wstring> dependentFiles;
    std::wstring monitorName;
    std::wstring defaultDataType;
    std::uint64_t driverDate = 0;  // FILETIME, 100 ns since 1601 (UTC)
    std::uint64_t driverVersion = 0;
    std::wstring manufacturer;
    std::wstring oemUrl;
    std::wstring hardwareId;
    std::wstring provider;
};

inline constexpr std::uint32_t kApdCopyAllFiles = 0x4;
inline constexpr std::uint32_t kDpdDeleteUnusedFiles = 0x1;
inline constexpr std::uint32_t kDpdDeleteSpecificVersion = 0x2;

// PORT_INFO_2.
struct PortInfo2 {
    std::wstring portName;
    std::wstring monitorName;
    std::wstring description;
    std::uint32_t portType = 0;
};

// PORT_DATA_1 of the Standard TCP/IP port monitor ("AddPort" request). The
// texts must fit the record's fixed arrays (port name 63 characters, host
// address 48, SNMP community and queue 32, IP address 15); XcvDataW refuses
// a request whose text does not fit with ERROR_INVALID_PARAMETER.
struct TcpIpPortData {
    std::wstring portName;
    std::uint32_t version = 0;
    std::uint32_t protocol = 0;
    std::wstring hostAddress;
    std::wstring snmpCommunity;
    std::uint32_t doubleSpool = 0;
    std::wstring queue;
    std::wstring ipAddress;
    std::uint32_t portNumber = 0;
    std::uint32_t snmpEnabled = 0;
    std::uint32_t snmpDevIndex = 0;
};

bool EnumPrintersW(std::uint32_t flags, std::uint32_t bufferSize, std::uint32_t& needed,
                   std::vector<PrinterInfo2>& printers);
// level 1, 6 or 8; the drivers of one environment.
bool EnumPrinterDriversW(const std::wstring& environment, std::uint32_t level, std::uint32_t bufferSize, std::uint32_t& needed,
                         std::vector<DriverInfo>& drivers);
bool EnumPortsW(std::uint32_t bufferSize, std::uint32_t& needed, std::vector<PortInfo2>& ports);
// Level 1; the directory comes without a trailing backslash.
bool GetPrinterDriverDirectoryW(const std::wstring& environment, std::uint32_t bufferSize, std::uint32_t& needed, std::wstring& directory);

// OpenPrinterW with PRINTER_DEFAULTS of no data type and no device mode. The
// name is a printer, or ",XcvMonitor <monitor>" for a port monitor.
PrinterHandle OpenPrinterW(const std::wstring& name, std::uint32_t access);
bool ClosePrinter(PrinterHandle printer);
bool DeletePrinter(PrinterHandle printer);
// Level 2. The handle of the new printer, which the caller closes.
PrinterHandle AddPrinterW(const PrinterInfo2& printer);
bool SetDefaultPrinterW(const std::wstring& printerName);

bool AddPrinterDriverExW(const DriverInfo6& driver, std::uint32_t copyFlags);
// An empty environment is passed as NULL: the caller's own.
bool DeletePrinterDriverExW(const std::wstring& environment, const std::wstring& driverName, std::uint32_t deleteFlags,
                            std::uint32_t version);
// DeletePrinterDriverPackageW, looked up in winspool.drv when called: older
// Windows and Wine lack it. Empty when it does not exist; otherwise its
// HRESULT (0 on success). A failure may or may not set the last error.
std::optional<std::int32_t> DeletePrinterDriverPackageW(const std::wstring& infPath, const std::wstring& environment);

// XcvDataW(xcv, "AddPort", the record, its size, an output buffer of
// outputSize bytes, ...): the call's own result; status is what the monitor
// reported.
bool XcvDataAddPort(PrinterHandle xcv, const TcpIpPortData& port, std::uint32_t outputSize,
                    std::uint32_t& needed, std::uint32_t& status);

// The monitor's or spooler's own dialogs, owned by owner.
bool AddPortW(WindowHandle owner, const std::wstring& monitorName);
bool DeletePortW(WindowHandle owner, const std::wstring& portName);
bool ConfigurePortW(WindowHandle owner, const std::wstring& portName);

}  // namespace os
