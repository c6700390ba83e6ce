#include "printsys/NetworkCheck.h"

#include "os/Network.h"
#include "os/System.h"

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

bool CheckNetworkPrinter(const std::wstring& address) {
    const std::string narrow = os::WideToAnsi(address);
    if (os::WSAStartup(kWinsock22) != 0) return false;
    bool connected = false;
    const std::uint32_t ip = os::InetAddr(narrow);
    // An unparsable text (a host name, an empty field) is no printer's
    // address; connecting would try the broadcast address instead.
    if (ip != os::kInaddrNone) {
        const os::Socket socket = os::OpenTcpSocket();
        if (socket != os::Socket::Invalid) {
            connected = Connects(socket, ip);
            os::CloseSocket(socket);
        }
    }
    os::WSACleanup();
    return connected;
}

}  // namespace printsys
