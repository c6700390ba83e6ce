// Whether a network printer accepts a TCP connection on the raw printing
// port 9100 of a dotted IPv4 address within one second.
//
// Blocks the caller for up to about a second; makes its own Winsock
// start-up and clean-up, so any thread may call it.
#pragma once

#include <string>

namespace printsys {

// False for a text that is not a dotted IPv4 address (no name lookup), a
// refused connection, and one not accepted within the second.
bool CheckNetworkPrinter(const std::wstring& address);

}  // namespace printsys
