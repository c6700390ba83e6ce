#include "os/Spooler.h"

#include "os/win32/Win32.h"
#include "ui/win32/SystemLibrary.h"

#include <winspool.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

namespace os {

using win32::FromPointer;
using win32::OrNull;
using win32::TextOf;
using win32::ToPointer;
using win32::Writable;

namespace {

// The Standard TCP/IP port monitor's PORT_DATA_1 (tcpxcv.h), which the
// mingw-w64 headers lack. XcvDataW's "AddPort" takes it as input.
struct PortData1 {
    WCHAR sztPortName[64];
    DWORD dwVersion;
    DWORD dwProtocol;
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[49];
    WCHAR sztSNMPCommunity[33];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[33];
    WCHAR sztIPAddress[16];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
};
static_assert(sizeof(PortData1) == 964, "PORT_DATA_1 size");
static_assert(offsetof(PortData1, sztHostAddress) == 144, "PORT_DATA_1 sztHostAddress");
static_assert(offsetof(PortData1, sztIPAddress) == 378, "PORT_DATA_1 sztIPAddress");
static_assert(offsetof(PortData1, dwPortNumber) == 952, "PORT_DATA_1 dwPortNumber");

// A buffer of bufferSize bytes, aligned for the records the spooler writes
// into it. An allocation that fails is reported like a failed call.
class RecordBuffer {
public:
    bool Allocate(std::uint32_t bytes) {
        size_ = bytes;
        try {
            words_.assign((bytes + 7) / 8, 0);
        } catch (const std::bad_alloc&) {
            return win32::Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        return true;
    }
    BYTE* Bytes() { return size_ == 0 ? nullptr : reinterpret_cast<BYTE*>(words_.data()); }
    DWORD Size() const { return size_; }
    // The records a call returned, never more than the buffer can hold.
    template <typename Record>
    const Record* Records(DWORD& count) const {
        count = std::min<DWORD>(count, static_cast<DWORD>(size_ / sizeof(Record)));
        return reinterpret_cast<const Record*>(words_.data());
    }

private:
    std::vector<std::uint64_t> words_;
    std::uint32_t size_ = 0;
};

template <std::size_t N>
bool CopyText(WCHAR (&field)[N], const std::wstring& text) {
    if (text.size() >= N) return false;
    std::copy(text.begin(), text.end(), field);
    return true;
}

}  // namespace

bool EnumPrintersW(std::uint32_t flags, std::uint32_t bufferSize, std::uint32_t& needed,
                   std::vector<PrinterInfo2>& printers) {
    printers.clear();
    RecordBuffer buffer;
    if (!buffer.Allocate(bufferSize)) return false;
    DWORD neededBytes = 0;
    DWORD count = 0;
    const BOOL done = ::EnumPrintersW(flags, nullptr, 2, buffer.Bytes(), buffer.Size(), &neededBytes, &count);
    const DWORD error = ::GetLastError();
    needed = neededBytes;
    if (!done) return win32::Fail(error);
    const auto* records = buffer.Records<PRINTER_INFO_2W>(count);
    for (DWORD i = 0; i < count; ++i)
        printers.push_back({TextOf(records[i].pPrinterName), TextOf(records[i].pPortName),
                            TextOf(records[i].pDriverName), TextOf(records[i].pPrintProcessor),
                            records[i].Attributes});
    return true;
}

bool EnumPrinterDriversW(const std::wstring& environment, std::uint32_t level, std::uint32_t bufferSize, std::uint32_t& needed,
                         std::vector<DriverInfo>& drivers) {
    drivers.clear();
    if (level != 1 && level != 6 && level != 8) return win32::Fail(ERROR_INVALID_LEVEL);
    RecordBuffer buffer;
    if (!buffer.Allocate(bufferSize)) return false;
    DWORD neededBytes = 0;
    DWORD count = 0;
    const BOOL done =
        ::EnumPrinterDriversW(nullptr, OrNull(environment), level, buffer.Bytes(), buffer.Size(), &neededBytes, &count);
    const DWORD error = ::GetLastError();
    needed = neededBytes;
    if (!done) return win32::Fail(error);
    if (level == 1) {
        const auto* records = buffer.Records<DRIVER_INFO_1W>(count);
        for (DWORD i = 0; i < count; ++i) drivers.push_back({TextOf(records[i].pName), 0, {}, {}, {}});
    } else if (level == 6) {
        const auto* records = buffer.Records<DRIVER_INFO_6W>(count);
        for (DWORD i = 0; i < count; ++i)
            drivers.push_back({TextOf(records[i].pName), records[i].cVersion, TextOf(records[i].pEnvironment),
                               TextOf(records[i].pDriverPath), {}});
    } else {
        const auto* records = buffer.Records<DRIVER_INFO_8W>(count);
        for (DWORD i = 0; i < count; ++i)
            drivers.push_back({TextOf(records[i].pName), records[i].cVersion, TextOf(records[i].pEnvironment),
                               TextOf(records[i].pDriverPath), TextOf(records[i].pszInfPath)});
    }
    return true;
}

bool EnumPortsW(std::uint32_t bufferSize, std::uint32_t& needed, std::vector<PortInfo2>& ports) {
    ports.clear();
    RecordBuffer buffer;
    if (!buffer.Allocate(bufferSize)) return false;
    DWORD neededBytes = 0;
    DWORD count = 0;
    const BOOL done = ::EnumPortsW(nullptr, 2, buffer.Bytes(), buffer.Size(), &neededBytes, &count);
    const DWORD error = ::GetLastError();
    needed = neededBytes;
    if (!done) return win32::Fail(error);
    const auto* records = buffer.Records<PORT_INFO_2W>(count);
    for (DWORD i = 0; i < count; ++i)
        ports.push_back({TextOf(records[i].pPortName), TextOf(records[i].pMonitorName),
                         TextOf(records[i].pDescription), records[i].fPortType});
    return true;
}

bool GetPrinterDriverDirectoryW(const std::wstring& environment, std::uint32_t bufferSize, std::uint32_t& needed, std::wstring& directory) {
    RecordBuffer buffer;
    if (!buffer.Allocate(bufferSize)) return false;
    DWORD neededBytes = 0;
    const BOOL done = ::GetPrinterDriverDirectoryW(nullptr, OrNull(environment), 1, buffer.Bytes(), buffer.Size(), &neededBytes);
    const DWORD error = ::GetLastError();
    needed = neededBytes;
    if (!done) return win32::Fail(error);
    DWORD chars = buffer.Size() / sizeof(WCHAR);
    const auto* text = buffer.Records<WCHAR>(chars);
    directory.assign(text, std::find(text, text + chars, L'\0'));
    return true;
}

PrinterHandle OpenPrinterW(const std::wstring& name, std::uint32_t access) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    HANDLE printer = nullptr;
    if (!::OpenPrinterW(Writable(name), &printer, &defaults)) return PrinterHandle::None;
    return FromPointer<PrinterHandle>(printer);
}

bool ClosePrinter(PrinterHandle printer) { return ::ClosePrinter(ToPointer<HANDLE>(printer)) != FALSE; }

bool DeletePrinter(PrinterHandle printer) { return ::DeletePrinter(ToPointer<HANDLE>(printer)) != FALSE; }

PrinterHandle AddPrinterW(const PrinterInfo2& printer) {
    PRINTER_INFO_2W info{};
    info.pPrinterName = Writable(printer.printerName);
    info.pPortName = Writable(printer.portName);
    info.pDriverName = Writable(printer.driverName);
    info.pPrintProcessor = Writable(printer.printProcessor);
    info.pDatatype = OrNull(printer.datatype);
    info.Attributes = printer.attributes;
    return FromPointer<PrinterHandle>(::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
}

bool SetDefaultPrinterW(const std::wstring& printerName) { return ::SetDefaultPrinterW(printerName.c_str()) != FALSE; }

bool AddPrinterDriverExW(const DriverInfo6& driver, std::uint32_t copyFlags) {
    // Each dependent file followed by its terminator, and one more to end the list.
    std::wstring dependentFiles;
    for (const auto& file : driver.dependentFiles) dependentFiles += file + L'\0';
    dependentFiles += L'\0';
    DRIVER_INFO_6W info{};
    info.cVersion = driver.version;
    info.pName = Writable(driver.name);
    info.pEnvironment = OrNull(driver.environment);
    info.pDriverPath = OrNull(driver.driverPath);
    info.pDataFile = OrNull(driver.dataFile);
    info.pConfigFile = OrNull(driver.configFile);
    info.pHelpFile = OrNull(driver.helpFile);
    info.pDependentFiles = driver.dependentFiles.empty() ? nullptr : &dependentFiles[0];
    info.pMonitorName = OrNull(driver.monitorName);
    info.pDefaultDataType = OrNull(driver.defaultDataType);
    info.ftDriverDate.dwLowDateTime = static_cast<DWORD>(driver.driverDate);
    info.ftDriverDate.dwHighDateTime = static_cast<DWORD>(driver.driverDate >> 32);
    info.dwlDriverVersion = driver.driverVersion;
    info.pszMfgName = OrNull(driver.manufacturer);
    info.pszOEMUrl = OrNull(driver.oemUrl);
    info.pszHardwareID = OrNull(driver.hardwareId);
    info.pszProvider = OrNull(driver.provider);
    return ::AddPrinterDriverExW(nullptr, 6, reinterpret_cast<BYTE*>(&info), copyFlags) != FALSE;
}

bool DeletePrinterDriverExW(const std::wstring& environment, const std::wstring& driverName, std::uint32_t deleteFlags,
                            std::uint32_t version) {
    return ::DeletePrinterDriverExW(nullptr, OrNull(environment), Writable(driverName), deleteFlags, version) != FALSE;
}

std::optional<std::int32_t> DeletePrinterDriverPackageW(const std::wstring& infPath, const std::wstring& environment) {
    // Vista and later only, and absent from Wine: importing it would keep
    // the program from starting there.
    using DeletePackage = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);
    const HMODULE spooler = ui::win32::LoadSystemLibrary(L"winspool.drv");
    if (!spooler) return std::nullopt;
    const auto entry = ::GetProcAddress(spooler, "DeletePrinterDriverPackageW");
    if (!entry) {
        ::FreeLibrary(spooler);
        return std::nullopt;
    }
    const auto deletePackage = reinterpret_cast<DeletePackage>(reinterpret_cast<void (*)()>(entry));
    const HRESULT result = deletePackage(nullptr, infPath.c_str(), environment.empty() ? nullptr : environment.c_str());
    const DWORD error = ::GetLastError();
    ::FreeLibrary(spooler);
    ::SetLastError(error);
    return static_cast<std::int32_t>(result);
}

bool XcvDataAddPort(PrinterHandle xcv, const TcpIpPortData& port, std::uint32_t outputSize, std::uint32_t& needed,
                    std::uint32_t& status) {
    PortData1 data{};
    if (!CopyText(data.sztPortName, port.portName) || !CopyText(data.sztHostAddress, port.hostAddress) ||
        !CopyText(data.sztSNMPCommunity, port.snmpCommunity) || !CopyText(data.sztQueue, port.queue) ||
        !CopyText(data.sztIPAddress, port.ipAddress))
        return win32::Fail(ERROR_INVALID_PARAMETER);
    data.dwVersion = port.version;
    data.dwProtocol = port.protocol;
    data.cbSize = sizeof data;
    data.dwDoubleSpool = port.doubleSpool;
    data.dwPortNumber = port.portNumber;
    data.dwSNMPEnabled = port.snmpEnabled;
    data.dwSNMPDevIndex = port.snmpDevIndex;
    std::vector<BYTE> output(outputSize);
    DWORD neededBytes = 0;
    DWORD monitorStatus = 0;
    const BOOL done = ::XcvDataW(ToPointer<HANDLE>(xcv), L"AddPort", reinterpret_cast<BYTE*>(&data), sizeof data,
                                 output.data(), outputSize, &neededBytes, &monitorStatus);
    needed = neededBytes;
    status = monitorStatus;
    return done != FALSE;
}

bool AddPortW(WindowHandle owner, const std::wstring& monitorName) {
    return ::AddPortW(nullptr, ToPointer<HWND>(owner), Writable(monitorName)) != FALSE;
}

bool DeletePortW(WindowHandle owner, const std::wstring& portName) {
    return ::DeletePortW(nullptr, ToPointer<HWND>(owner), Writable(portName)) != FALSE;
}

bool ConfigurePortW(WindowHandle owner, const std::wstring& portName) {
    return ::ConfigurePortW(nullptr, ToPointer<HWND>(owner), Writable(portName)) != FALSE;
}

}  // namespace os
