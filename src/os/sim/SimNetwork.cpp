// Winsock's calls on the host's real BSD sockets. errno is translated to the
// Winsock code of the same condition; a non-blocking connect in progress
// reports WSAEWOULDBLOCK as Winsock does (BSD says EINPROGRESS).
#include "os/Network.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace os {

namespace {

constexpr int kWsaNotInitialised = 10093;
constexpr int kWsaVersionNotSupported = 10092;

std::atomic<int> g_startups{0};
thread_local int t_wsaError = 0;

int WsaCodeOf(int errnoValue) {
    switch (errnoValue) {
    case 0: return 0;
    case EINPROGRESS: return kWsaeWouldBlock;
    case EAGAIN: return kWsaeWouldBlock;
    case EINTR: return 10004;
    case EBADF: return 10038;
    case EACCES: return 10013;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EADDRNOTAVAIL: return 10049;
    case ENETUNREACH: return 10051;
    case ECONNRESET: return 10054;
    case EISCONN: return 10056;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case EHOSTUNREACH: return 10065;
    default: return 10000 + errnoValue;
    }
}

int FailWith(int errnoValue) {
    t_wsaError = WsaCodeOf(errnoValue);
    return -1;
}

bool Started() {
    if (g_startups.load() > 0) return true;
    t_wsaError = kWsaNotInitialised;
    return false;
}

int Descriptor(Socket socket) { return static_cast<int>(static_cast<std::uintptr_t>(socket)); }

}  // namespace

int WSAStartup(std::uint16_t version) {
    if ((version & 0xFF) < 2) return kWsaVersionNotSupported;
    ++g_startups;
    return 0;
}

int WSACleanup() {
    if (!Started()) return -1;
    --g_startups;
    return 0;
}

int WSAGetLastError() { return t_wsaError; }

Socket OpenTcpSocket() {
    if (!Started()) return Socket::Invalid;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return FailWith(errno), Socket::Invalid;
    return static_cast<Socket>(static_cast<std::uintptr_t>(fd));
}

bool SetSocketNonBlocking(Socket socket) {
    const int fd = Descriptor(socket);
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return FailWith(errno), false;
    return true;
}

int ConnectIPv4(Socket socket, std::uint32_t address, std::uint16_t port) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    if (::connect(Descriptor(socket), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return 0;
    return FailWith(errno);
}

int SelectWritable(Socket socket, std::uint32_t timeoutMilliseconds) {
    // poll() instead of select(): a descriptor number above FD_SETSIZE must
    // not overflow an fd_set. POLLERR and POLLHUP count as ready, as select's
    // write set does.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    pollfd entry{Descriptor(socket), POLLOUT, 0};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int ready = ::poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready >= 0) return ready;
        if (errno != EINTR) return FailWith(errno);
    }
}

int GetSocketError(Socket socket) {
    int value = 0;
    socklen_t size = sizeof value;
    if (::getsockopt(Descriptor(socket), SOL_SOCKET, SO_ERROR, &value, &size) != 0) return FailWith(errno);
    return WsaCodeOf(value);
}

int CloseSocket(Socket socket) { return ::close(Descriptor(socket)) == 0 ? 0 : FailWith(errno); }

}  // namespace os
