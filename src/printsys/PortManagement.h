// Creating, configuring and deleting the spooler's ports, and writing raw
// bytes to a port or device.
//
// The dialog functions let the spooler or port monitor show its own windows,
// owned by the given window, and block the caller until they close.
#pragma once

#include "os/System.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace printsys {

// Longest texts that PORT_DATA_1 holds.
inline constexpr std::size_t kMaxTcpIpPortName = 63;
inline constexpr std::size_t kMaxTcpIpHostAddress = 15;

// A raw TCP port (9100, SNMP off) of the Standard TCP/IP Port monitor. True
// only when the monitor reports success and the spooler then lists a port
// of exactly that name. False when the monitor cannot be opened (no
// administrator rights), the call fails, the monitor refuses the port (one
// of that name exists already, say), and for a name or address too long to
// fit: a cut text would create a port other than the one asked for. Needs
// administrator rights.
bool AddStandardTcpIpPort(const std::wstring& portName, const std::wstring& hostAddress);

// On failure errorText is SystemErrorText of the failure; on success it is
// left as it was.
bool AddPortWithMonitor(const std::wstring& monitorName, os::WindowHandle owner, std::wstring& errorText);
bool DeletePortByName(const std::wstring& portName, os::WindowHandle owner, std::wstring& errorText);
// The monitor's configuration dialog; its outcome is not reported.
void ConfigurePortByName(const std::wstring& portName, os::WindowHandle owner);

// Writes length bytes to a port or device path, waiting at most one second
// for the write to complete. True only when all of them were written. A
// write still pending after the second is abandoned. For one write at a time
// on the calling thread, which must not run other alertable waits meanwhile.
bool WriteToPort(const std::wstring& path, const std::uint8_t* bytes, std::uint32_t length);

}  // namespace printsys
