#include "printsys/NetworkCheck.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

// Loopback addresses of this process only (127.92.x.y from the process id),
// so that test processes running side by side never meet.
std::string LoopbackAddress(int host) {
    const int pid = static_cast<int>(getpid());
    return "127." + std::to_string(92 + host) + "." + std::to_string((pid >> 8) & 0xFF) + "." +
           std::to_string(pid & 0xFF);
}

sockaddr_in Endpoint(const std::string& address) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(9100);
    endpoint.sin_addr.s_addr = inet_addr(address.c_str());
    return endpoint;
}

// A listener on port 9100 of a loopback address.
class Listener {
public:
    Listener(const std::string& address, int backlog) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        const int yes = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        const sockaddr_in endpoint = Endpoint(address);
        bound_ = bind(fd_, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) == 0 &&
                 listen(fd_, backlog) == 0;
    }
    ~Listener() { close(fd_); }
    bool Bound() const { return bound_; }

private:
    int fd_;
    bool bound_;
};

double SecondsFor(const std::wstring& address, bool& result) {
    const auto start = std::chrono::steady_clock::now();
    result = printsys::CheckNetworkPrinter(address);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

TEST(NetworkCheck, AListeningPrinterIsReachable) {
    const std::string address = LoopbackAddress(0);
    Listener listener(address, 8);
    ASSERT_TRUE(listener.Bound());
    bool reachable = false;
    EXPECT_LT(SecondsFor(Wide(address), reachable), 0.9);
    EXPECT_TRUE(reachable);
}

// Linux reports a refused non-blocking connection as writable; the check
// must still call it unreachable.
TEST(NetworkCheck, AClosedPortIsNotReachable) {
    const std::string address = LoopbackAddress(1);
    { Listener claimed(address, 1); ASSERT_TRUE(claimed.Bound()); }
    bool reachable = true;
    SecondsFor(Wide(address), reachable);
    EXPECT_FALSE(reachable);
}

TEST(NetworkCheck, TextsThatAreNoAddressAreRejectedWithoutTraffic) {
    // Forms inet_addr would have read as some host: the octal "010" as 8,
    // blanks and trailing garbage ignored.
    for (const wchar_t* text : {L"", L"printer.local", L"localhost", L"127.0.0.1.5", L"127.0.0.256", L"\u0661.1.1.1",
                                L" 127.0.0.1", L"127.0.0.1x", L"127.000.000.001", L"0x7f.0.0.1"}) {
        bool reachable = true;
        EXPECT_LT(SecondsFor(text, reachable), 0.5) << text;
        EXPECT_FALSE(reachable) << text;
    }
}

TEST(NetworkCheck, TheValidatedAddressIsTheOneConnectedTo) {
    std::uint32_t address = 0;
    ASSERT_TRUE(printsys::ParseIPv4(L"192.168.10.5", address));
    EXPECT_EQ(address, inet_addr("192.168.10.5"));
    ASSERT_TRUE(printsys::ParseIPv4(L"0.0.0.0", address));
    EXPECT_EQ(address, 0u);
}

// A listener whose queue of unaccepted connections is full drops further
// connection requests: the address stays silent.
TEST(NetworkCheck, ASilentAddressFailsAfterAboutOneSecond) {
    const std::string address = LoopbackAddress(2);
    Listener listener(address, 0);
    ASSERT_TRUE(listener.Bound());
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        const sockaddr_in endpoint = Endpoint(address);
        connect(fd, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint);
        fillers.push_back(fd);
    }
    bool reachable = true;
    const double seconds = SecondsFor(Wide(address), reachable);
    EXPECT_FALSE(reachable);
    EXPECT_GE(seconds, 0.95);
    EXPECT_LT(seconds, 2.0);
    for (int fd : fillers) close(fd);
}

}  // namespace
