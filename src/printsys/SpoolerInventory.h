// What the local print spooler holds: printers, printer drivers and ports,
// whether one exists under a name, and the printer driver directory; plus
// the string-list utilities that the print-system and wizard code share.
//
// Every call enumerates the spooler afresh and keeps nothing. Failures never
// throw: they show as an empty list, false or an empty string, and the
// caller may read os::GetLastError() to explain them. Lists are cleared
// first and keep the spooler's order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace printsys {

// A printer, driver, port or USB printer; the meaning of each field depends
// on the list (see the functions that fill one).
struct SpoolerEntry {
    std::wstring first;
    std::wstring second;
    std::wstring third;
};

inline bool operator==(const SpoolerEntry& a, const SpoolerEntry& b) {
    return a.first == b.first && a.second == b.second && a.third == b.third;
}

// Drivers are those of the system's own environment (DriverEnvironment),
// whatever the program's own architecture.
//
// Local printers and connections: printer name, driver name, and the INF
// path of the first installed driver of exactly that name (empty before
// Windows Vista or when none matches).
void ListPrinters(std::vector<SpoolerEntry>& printers);
// Local printers and connections: printer name, driver name, port name.
void ListPrinterPorts(std::vector<SpoolerEntry>& printers);
// Installed drivers: empty, driver name, INF path (empty before Vista).
void ListDrivers(std::vector<SpoolerEntry>& drivers);
// Ports: port name, description, monitor name.
void ListPorts(std::vector<SpoolerEntry>& ports);

// The longest printer name the spooler takes, in UTF-16 code units.
inline constexpr std::size_t kMaxPrinterNameChars = 220;

// Whether a text may name a printer: not empty, no longer than the spooler
// takes, and free of what Windows refuses in printer names ("\\", ","),
// what would end or split a quoted command-line argument ('"', control
// characters), and what lets one name look like another (bidirectional
// controls, line and paragraph separators, unpaired surrogates).
bool IsValidPrinterName(const std::wstring& name);
// Whether a local printer or a connection has this name, compared without
// case, as the spooler compares names.
bool PrinterExists(const std::wstring& name);
// Whether a port has this name, compared without case.
bool PortExists(const std::wstring& name);
// Ignores case, as the spooler does for driver names.
bool DriverExists(const std::wstring& name);

// The spooler's driver directory of the system's own environment followed
// by "\", or empty on failure.
std::wstring GetDriverDirectory();

}  // namespace printsys
