#include "printsys/NetworkCheck.h"

#include "os/Network.h"
#include "os/System.h"

#include <cstring>

namespace printsys {

namespace {

constexpr std::uint16_t kWinsock22 = 0x0202;
constexpr std::uint16_t kRawPrintingPort = 9100;
constexpr std::uint32_t kConnectWaitMs = 1000;

bool Connects(os::Socket socket, std::uint32_t address) {
    if (!os::SetSocketNonBlocking(socket)) return false;
    if (os::ConnectIPv4(socket, address, kRawPrintingPort) == 0) return true;
    if (os::WSAGetLastError() != os::kWsaeWouldBlock) return false;
    if (os::SelectWritable(socket, kConnectWaitMs) <= 0) return false;
    // Linux and some Windows stacks report a refused connection as writable;
    // only a socket without a pending error is connected.
    return os::GetSocketError(socket) == 0;
}

}  // namespace

bool ParseIPv4(const std::wstring& text, std::uint32_t& address) {
    std::uint32_t hostOrder = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        const std::size_t first = i;
        std::uint32_t value = 0;
        for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9' && i - first < 3; ++i)
            value = value * 10 + static_cast<std::uint32_t>(text[i] - L'0');
        const std::size_t digits = i - first;
        if (digits == 0 || value > 255 || (digits > 1 && text[first] == L'0')) return false;
        hostOrder = (hostOrder << 8) | value;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != L'.') return false;
            ++i;
        }
    }
    if (i != text.size()) return false;
    // Network byte order: the first number is the first byte in memory.
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(hostOrder >> 24), static_cast<std::uint8_t>(hostOrder >> 16),
                                   static_cast<std::uint8_t>(hostOrder >> 8), static_cast<std::uint8_t>(hostOrder)};
    std::memcpy(&address, bytes, sizeof address);
    return true;
}

bool CheckNetworkPrinter(const std::wstring& address) {
    // A text that is no printer's address (a host name, an empty field)
    // makes no traffic at all.
    std::uint32_t ip = 0;
    if (!ParseIPv4(address, ip)) return false;
    if (os::WSAStartup(kWinsock22) != 0) return false;
    bool connected = false;
    const os::Socket socket = os::OpenTcpSocket();
    if (socket != os::Socket::Invalid) {
        connected = Connects(socket, ip);
        os::CloseSocket(socket);
    }
    os::WSACleanup();
    return connected;
}

}  // namespace printsys
