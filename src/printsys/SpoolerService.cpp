#include "printsys/SpoolerService.h"

#include "os/Errors.h"
#include "os/System.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace printsys {

namespace {

constexpr wchar_t kSpooler[] = L"Spooler";
constexpr std::uint32_t kStopLimitMs = 30000;
constexpr std::uint32_t kStopRights = os::kServiceStop | os::kServiceQueryStatus | os::kServiceEnumerateDependents;
constexpr std::uint32_t kDependantRights = os::kServiceStop | os::kServiceQueryStatus;

// A tenth of the wait hint, kept between one and ten seconds.
std::uint32_t PollInterval(const os::ServiceStatus& status) {
    return std::clamp<std::uint32_t>(status.waitHint / 10, 1000, 10000);
}

// Unsigned subtraction keeps this right across the tick count's wrap.
std::uint32_t MillisecondsSince(std::uint32_t tick) { return os::GetTickCount() - tick; }

int LastErrorAsInt() { return static_cast<int>(os::GetLastError()); }

// Closes a service or manager handle on every way out.
class ServiceHandle {
public:
    explicit ServiceHandle(os::ScHandle handle) : handle_(handle) {}
    ~ServiceHandle() {
        if (handle_ != os::ScHandle::None) os::CloseServiceHandle(handle_);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    explicit operator bool() const { return handle_ != os::ScHandle::None; }
    os::ScHandle get() const { return handle_; }

private:
    os::ScHandle handle_;
};

enum class PendingEnd { Left, QueryFailed, Stalled };

// Waits while the service stays in `pending`, for as long as its check point
// keeps growing within each wait hint. A service that has left the pending
// state is done, whatever its check point says (it is 0 once settled).
PendingEnd WaitWhilePending(os::ScHandle service, std::uint32_t pending, os::ServiceStatus& status) {
    std::uint32_t since = os::GetTickCount();
    std::uint32_t checkPoint = status.checkPoint;
    while (status.currentState == pending) {
        os::Sleep(PollInterval(status));
        if (!os::QueryServiceStatusEx(service, status)) return PendingEnd::QueryFailed;
        if (status.currentState != pending) break;
        if (status.checkPoint > checkPoint) {
            since = os::GetTickCount();
            checkPoint = status.checkPoint;
        } else if (MillisecondsSince(since) > status.waitHint) {
            return PendingEnd::Stalled;
        }
    }
    return PendingEnd::Left;
}

// After a stop control: polls at the service's own wait hint until it has
// stopped, within the stop limit counted from `start`.
bool WaitUntilStopped(os::ScHandle service, os::ServiceStatus& status, std::uint32_t start, bool report) {
    while (status.currentState != os::kServiceStopped) {
        os::Sleep(status.waitHint);
        if (!os::QueryServiceStatusEx(service, status)) {
            if (report) std::printf("QueryServiceStatusEx failed (%d)\n", LastErrorAsInt());
            return false;
        }
        if (status.currentState == os::kServiceStopped) break;
        if (MillisecondsSince(start) > kStopLimitMs) {
            if (report) std::printf("Wait timed out\n");
            return false;
        }
    }
    return true;
}

// Starts a service that was stopped, waiting out a stop still pending
// first; true when it runs at the end. One already running again (started
// by another service that needs it) is fine as it is.
bool StartAgain(os::ScHandle manager, const std::wstring& name) {
    const ServiceHandle service(os::OpenServiceW(manager, name, os::kServiceStart | os::kServiceQueryStatus));
    os::ServiceStatus status;
    if (!service || !os::QueryServiceStatusEx(service.get(), status)) return false;
    if (WaitWhilePending(service.get(), os::kServiceStopPending, status) != PendingEnd::Left) return false;
    if (status.currentState == os::kServiceStopped &&
        (!os::StartServiceW(service.get()) || !os::QueryServiceStatusEx(service.get(), status)))
        return false;
    if (WaitWhilePending(service.get(), os::kServiceStartPending, status) != PendingEnd::Left) return false;
    return status.currentState == os::kServiceRunning;
}

}  // namespace

SpoolerStop StopSpoolerService(std::vector<os::ServiceEntry>& stoppedDependants) {
    stoppedDependants.clear();
    const std::uint32_t start = os::GetTickCount();
    const ServiceHandle manager(os::OpenSCManagerW(os::kScManagerAllAccess));
    if (!manager) return SpoolerStop::NotOpened;
    const ServiceHandle spooler(os::OpenServiceW(manager.get(), kSpooler, kStopRights));
    if (!spooler) return SpoolerStop::NotOpened;

    os::ServiceStatus status;
    if (!os::QueryServiceStatusEx(spooler.get(), status) || status.currentState == os::kServiceStopped) return SpoolerStop::NotStopped;
    while (status.currentState == os::kServiceStopPending) {
        os::Sleep(PollInterval(status));
        if (!os::QueryServiceStatusEx(spooler.get(), status) || status.currentState == os::kServiceStopped ||
            MillisecondsSince(start) > kStopLimitMs)
            return SpoolerStop::NotStopped;
    }

    // A dependant that will not stop does not prevent the attempt.
    StopDependentServices(spooler.get(), manager.get(), stoppedDependants);
    if (!os::ControlService(spooler.get(), os::kServiceControlStop, status)) return SpoolerStop::NotStopped;
    if (!WaitUntilStopped(spooler.get(), status, start, true)) return SpoolerStop::NotStopped;
    std::printf("Service stopped successfully\n");
    return SpoolerStop::Stopped;
}

bool StopDependentServices(os::ScHandle service, os::ScHandle manager, std::vector<os::ServiceEntry>& stopped) {
    const std::uint32_t start = os::GetTickCount();
    std::uint32_t needed = 0;
    std::vector<os::ServiceEntry> dependants;
    if (os::EnumDependentServicesW(service, os::kServiceActive, 0, needed, dependants)) return true;
    if (os::GetLastError() != os::error::kMoreData) return false;
    if (!os::EnumDependentServicesW(service, os::kServiceActive, needed, needed, dependants)) return false;
    for (const auto& dependant : dependants) {
        const ServiceHandle handle(os::OpenServiceW(manager, dependant.serviceName, kDependantRights));
        if (!handle) return false;
        os::ServiceStatus status;
        if (!os::ControlService(handle.get(), os::kServiceControlStop, status)) return false;
        // Once the stop was accepted it is this call's to undo, even when the
        // wait for it gives up.
        stopped.push_back(dependant);
        if (!WaitUntilStopped(handle.get(), status, start, false)) return false;
    }
    return true;
}

std::vector<os::ServiceEntry> StartStoppedDependants(const std::vector<os::ServiceEntry>& stopped) {
    std::vector<os::ServiceEntry> notRunning;
    if (stopped.empty()) return notRunning;
    const ServiceHandle manager(os::OpenSCManagerW(os::kScManagerAllAccess));
    for (auto it = stopped.rbegin(); it != stopped.rend(); ++it)
        if (!manager || !StartAgain(manager.get(), it->serviceName)) notRunning.push_back(*it);
    return notRunning;
}

SpoolerStart StartSpoolerService() {
    const ServiceHandle manager(os::OpenSCManagerW(os::kScManagerAllAccess));
    if (!manager) {
        std::printf("OpenSCManager failed (%d)\n", LastErrorAsInt());
        return SpoolerStart::Failed;
    }
    const ServiceHandle spooler(os::OpenServiceW(manager.get(), kSpooler, os::kServiceAllAccess));
    if (!spooler) return SpoolerStart::Failed;

    os::ServiceStatus status;
    if (!os::QueryServiceStatusEx(spooler.get(), status)) return SpoolerStart::Failed;
    if (status.currentState != os::kServiceStopped && status.currentState != os::kServiceStopPending) return SpoolerStart::Failed;
    switch (WaitWhilePending(spooler.get(), os::kServiceStopPending, status)) {
    case PendingEnd::Left: break;
    case PendingEnd::QueryFailed: return SpoolerStart::Failed;
    case PendingEnd::Stalled: std::printf("Timeout waiting for service to stop\n"); return SpoolerStart::Failed;
    }

    if (!os::StartServiceW(spooler.get())) {
        std::printf("StartService failed (%d)\n", LastErrorAsInt());
        return SpoolerStart::Failed;
    }
    if (!os::QueryServiceStatusEx(spooler.get(), status)) {
        std::printf("QueryServiceStatusEx failed (%d)\n", LastErrorAsInt());
        return SpoolerStart::Failed;
    }
    if (WaitWhilePending(spooler.get(), os::kServiceStartPending, status) == PendingEnd::QueryFailed)
        std::printf("QueryServiceStatusEx failed (%d)\n", LastErrorAsInt());
    return status.currentState == os::kServiceRunning ? SpoolerStart::Running : SpoolerStart::NotRunning;
}

}  // namespace printsys
