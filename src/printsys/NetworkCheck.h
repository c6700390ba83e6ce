// Whether a network printer accepts a TCP connection on the raw printing
// port 9100 of a dotted IPv4 address within one second.
//
// Blocks the caller for up to about a second; makes its own Winsock
// start-up and clean-up, so any thread may call it.
#pragma once

#include <cstdint>
#include <string>

namespace printsys {

// The one rule for a printer's address: exactly four dot-separated decimal
// numbers 0-255 of ASCII digits, without sign, blanks, empty parts or
// leading zeros ("0" itself is fine). Anything looser lets two parsers read
// one text as two hosts (inet_addr takes "010" as octal 8). The address
// comes back in network byte order.
bool ParseIPv4(const std::wstring& text, std::uint32_t& address);

// False for a text that ParseIPv4 refuses (no name lookup), a refused
// connection, and one not accepted within the second. The address tried is
// the one ParseIPv4 read, so the test probes the host the port will name.
bool CheckNetworkPrinter(const std::wstring& address);

}  // namespace printsys
