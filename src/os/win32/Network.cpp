#include "os/Network.h"

#include "os/win32/Win32.h"

namespace os {

namespace {

SOCKET ToSocket(Socket socket) { return static_cast<SOCKET>(static_cast<std::uintptr_t>(socket)); }

}  // namespace

int WSAStartup(std::uint16_t version) {
    WSADATA data{};
    return ::WSAStartup(version, &data);
}

int WSACleanup() { return ::WSACleanup(); }

int WSAGetLastError() { return ::WSAGetLastError(); }

Socket OpenTcpSocket() {
    return static_cast<Socket>(static_cast<std::uintptr_t>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
}

bool SetSocketNonBlocking(Socket socket) {
    u_long nonBlocking = 1;
    return ::ioctlsocket(ToSocket(socket), FIONBIO, &nonBlocking) == 0;
}

int ConnectIPv4(Socket socket, std::uint32_t address, std::uint16_t port) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = ::htons(port);
    target.sin_addr.s_addr = address;
    return ::connect(ToSocket(socket), reinterpret_cast<const sockaddr*>(&target), sizeof target);
}

int SelectWritable(Socket socket, std::uint32_t timeoutMilliseconds) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(ToSocket(socket), &writable);
    timeval timeout{static_cast<long>(timeoutMilliseconds / 1000), static_cast<long>(timeoutMilliseconds % 1000 * 1000)};
    return ::select(0, nullptr, &writable, nullptr, &timeout);
}

int GetSocketError(Socket socket) {
    int value = 0;
    int size = sizeof value;
    if (::getsockopt(ToSocket(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&value), &size) != 0) return -1;
    return value;
}

int CloseSocket(Socket socket) { return ::closesocket(ToSocket(socket)); }

}  // namespace os
