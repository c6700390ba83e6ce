// TCP over IPv4 through Winsock 2: the calls of a non-blocking connection
// test. On Windows these are ws2_32's; the host build makes the same calls
// on real BSD sockets, with errno translated to Winsock's codes, because the
// check is only believable on a real network stack.
#pragma once

#include <cstdint>

namespace os {

enum class Socket : std::uintptr_t { Invalid = ~std::uintptr_t{0} };

inline constexpr int kWsaeWouldBlock = 10035;

// WSAStartup with the requested version (0x0202 for 2.2); 0 on success.
int WSAStartup(std::uint16_t version);
int WSACleanup();
int WSAGetLastError();

// socket(AF_INET, SOCK_STREAM, IPPROTO_TCP).
Socket OpenTcpSocket();
// ioctlsocket(FIONBIO, 1).
bool SetSocketNonBlocking(Socket socket);
// connect() to an IPv4 address (network byte order) and port (host order).
// 0 when connected; -1 with WSAGetLastError set otherwise.
int ConnectIPv4(Socket socket, std::uint32_t address, std::uint16_t port);
// select() with only this socket in the write set; the number of ready
// sockets, 0 on time-out, -1 on error.
int SelectWritable(Socket socket, std::uint32_t timeoutMilliseconds);
// getsockopt(SO_ERROR): the error of the pending connection, 0 if none;
// -1 if the option cannot be read.
int GetSocketError(Socket socket);
int CloseSocket(Socket socket);

}  // namespace os
