#include "printsys/SpoolerInventory.h"

#include "printsys/WindowsVersion.h"

#include "base/Strings.h"
#include "os/Spooler.h"

#include <algorithm>
#include <cstdint>

namespace printsys {

namespace {

constexpr std::uint32_t kDriverLevelNames = 1;
constexpr std::uint32_t kDriverLevelXp = 6;
constexpr std::uint32_t kDriverLevelVista = 8;

// The Win32 two-call pattern: a size probe, then one fetch into exactly that
// many bytes. Nothing is read unless the fetch itself succeeded, so a list
// that changed between the two calls never shows stale records.
template <typename Record, typename Call>
bool FetchInTwoCalls(Call call, std::vector<Record>& records) {
    std::uint32_t needed = 0;
    call(0, needed, records);
    if (needed == 0) return false;
    return call(needed, needed, records);
}

bool FetchPrinters(std::uint32_t flags, std::vector<os::PrinterInfo2>& printers) {
    return FetchInTwoCalls(
        [flags](std::uint32_t size, std::uint32_t& needed, std::vector<os::PrinterInfo2>& list) {
            return os::EnumPrintersW(flags, size, needed, list);
        },
        printers);
}

bool FetchDrivers(std::uint32_t level, std::vector<os::DriverInfo>& drivers) {
    const std::wstring environment = DriverEnvironment();
    return FetchInTwoCalls(
        [level, &environment](std::uint32_t size, std::uint32_t& needed, std::vector<os::DriverInfo>& list) {
            return os::EnumPrinterDriversW(environment, level, size, needed, list);
        },
        drivers);
}

bool FetchPorts(std::vector<os::PortInfo2>& ports) {
    return FetchInTwoCalls(
        [](std::uint32_t size, std::uint32_t& needed, std::vector<os::PortInfo2>& list) {
            return os::EnumPortsW(size, needed, list);
        },
        ports);
}

std::wstring InfPathOfDriver(const std::vector<os::DriverInfo>& drivers, const std::wstring& name) {
    const auto found = std::find_if(drivers.begin(), drivers.end(), [&](const auto& d) { return d.name == name; });
    return found != drivers.end() ? found->infPath : std::wstring();
}


}  // namespace

void ListPrinters(std::vector<SpoolerEntry>& printers) {
    printers.clear();
    const bool vista = IsVistaOrLater();
    std::vector<os::DriverInfo> drivers;
    if (vista) FetchDrivers(kDriverLevelVista, drivers);
    std::vector<os::PrinterInfo2> found;
    if (!FetchPrinters(os::kPrinterEnumLocal | os::kPrinterEnumConnections, found)) return;
    for (const auto& printer : found)
        printers.push_back({printer.printerName, printer.driverName,
                            vista ? InfPathOfDriver(drivers, printer.driverName) : std::wstring()});
}

void ListPrinterPorts(std::vector<SpoolerEntry>& printers) {
    printers.clear();
    std::vector<os::PrinterInfo2> found;
    if (!FetchPrinters(os::kPrinterEnumLocal | os::kPrinterEnumConnections, found)) return;
    for (const auto& printer : found) printers.push_back({printer.printerName, printer.driverName, printer.portName});
}

void ListDrivers(std::vector<SpoolerEntry>& drivers) {
    drivers.clear();
    std::vector<os::DriverInfo> found;
    if (!FetchDrivers(IsVistaOrLater() ? kDriverLevelVista : kDriverLevelXp, found)) return;
    for (const auto& driver : found) drivers.push_back({std::wstring(), driver.name, driver.infPath});
}

void ListPorts(std::vector<SpoolerEntry>& ports) {
    ports.clear();
    std::vector<os::PortInfo2> found;
    if (!FetchPorts(found)) return;
    for (const auto& port : found) ports.push_back({port.portName, port.description, port.monitorName});
}

namespace {

// Characters that make a name look like another in a printer list: the
// bidirectional controls (ALM, LRM, RLM, the embeddings, overrides and
// isolates) and the line and paragraph separators.
bool IsLookAlikeControl(std::uint32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029;
}

}  // namespace

bool IsValidPrinterName(const std::wstring& name) {
    if (name.empty()) return false;
    std::size_t units = 0;  // UTF-16 code units, as the spooler counts
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<std::uint32_t>(name[i]);
        if (c == L'\\' || c == L',' || c == L'"' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsLookAlikeControl(c))
            return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            // A high surrogate counts only with the low one after it (UTF-16).
            const bool paired = sizeof(wchar_t) == 2 && i + 1 < name.size() &&
                                static_cast<std::uint32_t>(name[i + 1]) >= 0xDC00 &&
                                static_cast<std::uint32_t>(name[i + 1]) <= 0xDFFF;
            if (!paired) return false;
            ++i;
            units += 2;
            continue;
        }
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        units += c > 0xFFFF ? 2 : 1;
    }
    return units <= kMaxPrinterNameChars;
}

bool PrinterExists(const std::wstring& name) {
    std::vector<os::PrinterInfo2> found;
    // A name is taken by this machine's printers and the user's connections,
    // in any case: the spooler compares names without it.
    // PRINTER_ENUM_NETWORK would browse the domain, and is not for level 2.
    if (!FetchPrinters(os::kPrinterEnumLocal | os::kPrinterEnumConnections, found)) return false;
    return std::any_of(found.begin(), found.end(), [&](const auto& p) { return base::EqualNoCase(p.printerName, name); });
}

bool PortExists(const std::wstring& name) {
    std::vector<os::PortInfo2> found;
    if (!FetchPorts(found)) return false;
    return std::any_of(found.begin(), found.end(), [&](const auto& p) { return base::EqualNoCase(p.portName, name); });
}

bool DriverExists(const std::wstring& name) {
    std::vector<os::DriverInfo> found;
    if (!FetchDrivers(kDriverLevelNames, found)) return false;
    return std::any_of(found.begin(), found.end(), [&](const auto& d) { return base::EqualNoCase(d.name, name); });
}

std::wstring GetDriverDirectory() {
    const std::wstring environment = DriverEnvironment();
    std::uint32_t needed = 0;
    std::wstring directory;
    os::GetPrinterDriverDirectoryW(environment, 0, needed, directory);
    if (needed == 0 || !os::GetPrinterDriverDirectoryW(environment, needed, needed, directory)) return std::wstring();
    return directory + L"\\";
}

}  // namespace printsys
