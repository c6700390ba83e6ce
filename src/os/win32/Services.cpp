#include "os/Services.h"

#include "os/win32/Win32.h"

#include <algorithm>
#include <new>

namespace os {

using win32::FromPointer;
using win32::ToPointer;

namespace {

ServiceStatus StatusOf(const SERVICE_STATUS& status) {
    return {status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint};
}

}  // namespace

ScHandle OpenSCManagerW(std::uint32_t access) {
    return FromPointer<ScHandle>(::OpenSCManagerW(nullptr, nullptr, access));
}

ScHandle OpenServiceW(ScHandle manager, const std::wstring& serviceName, std::uint32_t access) {
    return FromPointer<ScHandle>(::OpenServiceW(ToPointer<SC_HANDLE>(manager), serviceName.c_str(), access));
}

bool CloseServiceHandle(ScHandle handle) { return ::CloseServiceHandle(ToPointer<SC_HANDLE>(handle)) != FALSE; }

bool QueryServiceStatusEx(ScHandle service, ServiceStatus& status) {
    SERVICE_STATUS_PROCESS process{};
    DWORD needed = 0;
    static_assert(sizeof process == 36, "SERVICE_STATUS_PROCESS");
    if (!::QueryServiceStatusEx(ToPointer<SC_HANDLE>(service), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&process), sizeof process, &needed))
        return false;
    status = {process.dwCurrentState, process.dwCheckPoint, process.dwWaitHint};
    return true;
}

bool ControlService(ScHandle service, std::uint32_t control, ServiceStatus& status) {
    SERVICE_STATUS current{};
    const BOOL done = ::ControlService(ToPointer<SC_HANDLE>(service), control, &current);
    status = StatusOf(current);
    return done != FALSE;
}

bool EnumDependentServicesW(ScHandle service, std::uint32_t state, std::uint32_t bufferSize, std::uint32_t& needed,
                            std::vector<ServiceEntry>& services) {
    services.clear();
    std::vector<ENUM_SERVICE_STATUSW> records;
    try {
        records.resize((bufferSize + sizeof(ENUM_SERVICE_STATUSW) - 1) / sizeof(ENUM_SERVICE_STATUSW));
    } catch (const std::bad_alloc&) {
        return win32::Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    DWORD neededBytes = 0;
    DWORD count = 0;
    const BOOL done = ::EnumDependentServicesW(ToPointer<SC_HANDLE>(service), state,
                                               bufferSize == 0 ? nullptr : records.data(), bufferSize, &neededBytes,
                                               &count);
    const DWORD error = ::GetLastError();
    needed = neededBytes;
    if (!done) return win32::Fail(error);
    count = std::min<DWORD>(count, static_cast<DWORD>(bufferSize / sizeof(ENUM_SERVICE_STATUSW)));
    for (DWORD i = 0; i < count; ++i)
        services.push_back({win32::TextOf(records[i].lpServiceName), win32::TextOf(records[i].lpDisplayName),
                            StatusOf(records[i].ServiceStatus)});
    return true;
}

bool StartServiceW(ScHandle service) { return ::StartServiceW(ToPointer<SC_HANDLE>(service), 0, nullptr) != FALSE; }

}  // namespace os
