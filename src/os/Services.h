// The service control manager (advapi32): opening services, their status,
// stopping and starting them and their active dependants.
//
// One function per call on the local machine's active database. A failed
// call sets the last error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

enum class ScHandle : std::uintptr_t { None = 0 };

inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceQueryStatus = 0x0004;
inline constexpr std::uint32_t kServiceEnumerateDependents = 0x0008;
inline constexpr std::uint32_t kServiceStart = 0x0010;
inline constexpr std::uint32_t kServiceStop = 0x0020;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;

inline constexpr std::uint32_t kServiceControlStop = 1;
inline constexpr std::uint32_t kServiceActive = 1;

enum ServiceState : std::uint32_t {
    kServiceStopped = 1,
    kServiceStartPending = 2,
    kServiceStopPending = 3,
    kServiceRunning = 4,
};

// The fields of SERVICE_STATUS_PROCESS (and SERVICE_STATUS) the program uses.
struct ServiceStatus {
    std::uint32_t currentState = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
};

// ENUM_SERVICE_STATUSW.
struct ServiceEntry {
    std::wstring serviceName;
    std::wstring displayName;
    ServiceStatus status;
};

ScHandle OpenSCManagerW(std::uint32_t access);
ScHandle OpenServiceW(ScHandle manager, const std::wstring& serviceName, std::uint32_t access);
bool CloseServiceHandle(ScHandle handle);
// SC_STATUS_PROCESS_INFO.
bool QueryServiceStatusEx(ScHandle service, ServiceStatus& status);
// The status that comes back is the service's current status.
bool ControlService(ScHandle service, std::uint32_t control, ServiceStatus& status);
// Two calls as for the spooler's enumerations: with bufferSize 0 it succeeds
// when there is nothing to return and otherwise fails with ERROR_MORE_DATA,
// reporting the bytes needed.
bool EnumDependentServicesW(ScHandle service, std::uint32_t state, std::uint32_t bufferSize,
                            std::uint32_t& needed, std::vector<ServiceEntry>& services);
// Without arguments.
bool StartServiceW(ScHandle service);

}  // namespace os
