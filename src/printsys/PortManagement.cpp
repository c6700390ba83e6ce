#include "printsys/PortManagement.h"

#include "printsys/SpoolerInventory.h"
#include "os/ErrorText.h"

#include "os/Errors.h"
#include "os/Files.h"
#include "os/Spooler.h"

#include <atomic>

namespace printsys {

namespace {

constexpr wchar_t kTcpIpMonitor[] = L",XcvMonitor Standard TCP/IP Port";
constexpr std::uint32_t kPortData1Version = 1;
constexpr std::uint32_t kProtocolRawTcp = 1;
constexpr std::uint32_t kRawPrintingPort = 9100;
constexpr std::uint32_t kXcvOutputSize = 964;
constexpr std::uint32_t kWriteWaitMs = 1000;
// What the status reads should the call not write it.
constexpr std::uint32_t kNoStatus = 0xFFFFFFFF;

// The completion routine runs on the writing thread during its own wait. A
// write abandoned by an earlier call may complete during a later call's
// wait, so only the routine of the current write counts.
std::atomic<std::uintptr_t> g_lastWrite{0};
std::atomic<std::uintptr_t> g_currentWrite{0};
std::atomic<bool> g_completed{false};
std::atomic<std::uint32_t> g_transferred{0};

void OnWriteCompleted(std::uintptr_t tag, std::uint32_t /*error*/, std::uint32_t transferred) {
    if (tag != g_currentWrite.load()) return;
    g_transferred.store(transferred);
    g_completed.store(true);
}

}  // namespace

bool AddStandardTcpIpPort(const std::wstring& portName, const std::wstring& hostAddress) {
    if (portName.size() > kMaxTcpIpPortName || hostAddress.size() > kMaxTcpIpHostAddress) return false;
    os::TcpIpPortData request;
    request.portName = portName;
    request.version = kPortData1Version;
    request.protocol = kProtocolRawTcp;
    request.hostAddress = hostAddress;
    request.ipAddress = hostAddress;
    request.portNumber = kRawPrintingPort;
    const os::PrinterHandle monitor = os::OpenPrinterW(kTcpIpMonitor, os::kServerAccessAdminister);
    if (monitor == os::PrinterHandle::None) return false;
    std::uint32_t needed = 0;
    std::uint32_t status = kNoStatus;
    const bool delivered = os::XcvDataAddPort(monitor, request, kXcvOutputSize, needed, status);
    os::ClosePrinter(monitor);
    // XcvDataW succeeds whenever the request reaches the monitor; the monitor
    // says in the status whether it made the port, and only a port that is
    // now there under that name is one the printer can use.
    return delivered && status == os::error::kSuccess && PortExists(portName);
}

bool AddPortWithMonitor(const std::wstring& monitorName, os::WindowHandle owner, std::wstring& errorText) {
    if (os::AddPortW(owner, monitorName)) return true;
    errorText = os::SystemErrorText(os::GetLastError());
    return false;
}

bool DeletePortByName(const std::wstring& portName, os::WindowHandle owner, std::wstring& errorText) {
    if (os::DeletePortW(owner, portName)) return true;
    errorText = os::SystemErrorText(os::GetLastError());
    return false;
}

void ConfigurePortByName(const std::wstring& portName, os::WindowHandle owner) { os::ConfigurePortW(owner, portName); }

bool WriteToPort(const std::wstring& path, const std::uint8_t* bytes, std::uint32_t length) {
    if (path.empty()) return false;
    const os::KernelHandle file = os::CreateFileW(path, os::kGenericWrite, os::kFileShareWrite, os::kOpenExisting,
                                                  os::kFileFlagOverlapped | os::kFileAttributeNormal);
    if (file == os::KernelHandle::Invalid) return false;
    const std::uintptr_t tag = ++g_lastWrite;
    g_currentWrite.store(tag);
    g_completed.store(false);
    g_transferred.store(0);
    // A completion routine ends the alertable wait early when it runs. It may
    // be that of an earlier, abandoned write; then the wait goes on for what
    // is left of the second.
    if (os::WriteFileEx(file, bytes, length, OnWriteCompleted, tag)) {
        const std::uint32_t start = os::GetTickCount();
        for (std::uint32_t waited = 0; !g_completed.load() && waited < kWriteWaitMs;
             waited = os::GetTickCount() - start)
            os::SleepEx(kWriteWaitMs - waited, true);
    }
    os::CloseHandle(file);
    g_currentWrite.store(0);
    return g_completed.load() && g_transferred.load() == length;
}

}  // namespace printsys
