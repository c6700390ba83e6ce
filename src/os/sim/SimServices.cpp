// The service control manager of the simulated machine. Pending states end
// on the virtual clock; check points grow with it.
#include "os/Services.h"
#include "os/sim/Internals.h"
#include "os/sim/Machine.h"

#include <algorithm>

namespace os::sim {

namespace {

constexpr std::uint32_t kInvalidServiceControl = 1052;
constexpr std::uint32_t kServiceInactive = 2;
constexpr std::uint32_t kEnumServiceStatusBytes = 48;
constexpr std::uint32_t kRightsNeedingAdministrator = kServiceStop | kServiceStart | 0xF0000;

bool IsPending(std::uint32_t state) { return state == kServiceStopPending || state == kServiceStartPending; }

ServiceStatus StatusOf(Machine& machine, Service& service) {
    Settle(machine, service);
    ServiceStatus status{service.state, 0, service.waitHint};
    if (IsPending(service.state) && service.checkPointEveryMs != 0)
        status.checkPoint = static_cast<std::uint32_t>((machine.Now() - *service.pendingSince) / service.checkPointEveryMs);
    return status;
}

// Running dependants, each after the services that depend on it in turn, so
// that stopping them in this order never meets a running dependant.
void CollectDependants(Machine& machine, const std::wstring& name, std::vector<Service*>& found) {
    for (auto& candidate : machine.services) {
        const auto& needs = candidate.dependsOn;
        if (std::none_of(needs.begin(), needs.end(), [&](const auto& n) { return EqualNoCase(n, name); })) continue;
        CollectDependants(machine, candidate.name, found);
        if (std::find(found.begin(), found.end(), &candidate) == found.end()) found.push_back(&candidate);
    }
}

Service* ServiceOf(Machine& machine, ScHandle handle, std::uint32_t right) {
    auto* object = machine.internals().Find(static_cast<std::uintptr_t>(handle), HandleKind::Service);
    if (!object) return Fail(error::kInvalidHandle), nullptr;
    if ((object->access & right) != right) return Fail(error::kAccessDenied), nullptr;
    auto* service = machine.FindService(object->name);
    if (!service) Fail(error::kServiceDoesNotExist);
    return service;
}

}  // namespace

void Settle(Machine& machine, Service& service) {
    if (IsPending(service.state)) {
        if (!service.pendingSince) service.pendingSince = machine.Now();
        const bool stopping = service.state == kServiceStopPending;
        const std::uint32_t takes = stopping ? service.stopTakesMs : service.startTakesMs;
        if (takes == kForever || machine.Now() - *service.pendingSince < takes) return;
        service.state = stopping ? kServiceStopped : kServiceRunning;
    }
    service.pendingSince.reset();
    if (service.state == kServiceStopped && EqualNoCase(service.name, L"Spooler"))
        for (auto& driver : machine.spooler.drivers) driver.loadedBySpooler = false;
}

bool SpoolerAvailable(Machine& machine) {
    auto* spooler = machine.FindService(L"Spooler");
    if (!spooler) return true;
    Settle(machine, *spooler);
    return spooler->state != kServiceStopped;
}

}  // namespace os::sim

namespace os {

using sim::Fail;
using sim::HandleKind;
using sim::Operation;
using sim::TheMachine;

ScHandle OpenSCManagerW(std::uint32_t access) {
    auto& machine = TheMachine();
    if (const auto injected = machine.TakeFailure(Operation::OpenSCManager)) return Fail(injected), ScHandle::None;
    if (access == kScManagerAllAccess && !machine.isAdministrator) return Fail(error::kAccessDenied), ScHandle::None;
    return static_cast<ScHandle>(machine.internals().Open({HandleKind::ScManager, L"", access, {}, 0}));
}

ScHandle OpenServiceW(ScHandle manager, const std::wstring& serviceName, std::uint32_t access) {
    auto& machine = TheMachine();
    if (!machine.internals().Find(static_cast<std::uintptr_t>(manager), HandleKind::ScManager))
        return Fail(error::kInvalidHandle), ScHandle::None;
    if (const auto injected = machine.TakeFailure(Operation::OpenService)) return Fail(injected), ScHandle::None;
    const auto* service = machine.FindService(serviceName);
    if (!service) return Fail(error::kServiceDoesNotExist), ScHandle::None;
    if ((access & sim::kRightsNeedingAdministrator) && !machine.isAdministrator)
        return Fail(error::kAccessDenied), ScHandle::None;
    return static_cast<ScHandle>(machine.internals().Open({HandleKind::Service, service->name, access, {}, 0}));
}

bool CloseServiceHandle(ScHandle handle) {
    auto& internals = TheMachine().internals();
    const auto value = static_cast<std::uintptr_t>(handle);
    if (internals.Find(value, HandleKind::ScManager)) return internals.Close(value, HandleKind::ScManager);
    return internals.Close(value, HandleKind::Service);
}

bool QueryServiceStatusEx(ScHandle handle, ServiceStatus& status) {
    auto& machine = TheMachine();
    auto* service = sim::ServiceOf(machine, handle, kServiceQueryStatus);
    if (!service) return false;
    if (const auto injected = machine.TakeFailure(Operation::QueryServiceStatus)) return Fail(injected);
    status = sim::StatusOf(machine, *service);
    return true;
}

bool ControlService(ScHandle handle, std::uint32_t control, ServiceStatus& status) {
    auto& machine = TheMachine();
    if (control != kServiceControlStop) return Fail(sim::kInvalidServiceControl);
    auto* service = sim::ServiceOf(machine, handle, kServiceStop);
    if (!service) return false;
    if (const auto injected = machine.TakeFailure(Operation::ControlService)) return Fail(injected);
    machine.events.push_back(L"ControlService " + service->name + L" 1");
    status = sim::StatusOf(machine, *service);
    if (service->refuseStop != 0) return Fail(service->refuseStop);
    if (service->state == kServiceStopped) return Fail(error::kServiceNotActive);
    if (service->state != kServiceRunning) return Fail(error::kServiceCannotAcceptControl);
    std::vector<sim::Service*> dependants;
    sim::CollectDependants(machine, service->name, dependants);
    for (auto* dependant : dependants)
        if (sim::StatusOf(machine, *dependant).currentState != kServiceStopped)
            return Fail(error::kDependentServicesRunning);
    service->state = kServiceStopPending;
    service->pendingSince = machine.Now();
    status = sim::StatusOf(machine, *service);
    return true;
}

bool EnumDependentServicesW(ScHandle handle, std::uint32_t state, std::uint32_t bufferSize, std::uint32_t& needed,
                            std::vector<ServiceEntry>& services) {
    services.clear();
    needed = 0;
    auto& machine = TheMachine();
    auto* service = sim::ServiceOf(machine, handle, kServiceEnumerateDependents);
    if (!service) return false;
    if (const auto injected = machine.TakeFailure(Operation::EnumDependentServices)) return Fail(injected);
    std::vector<sim::Service*> dependants;
    sim::CollectDependants(machine, service->name, dependants);
    std::vector<ServiceEntry> matching;
    for (auto* dependant : dependants) {
        const auto status = sim::StatusOf(machine, *dependant);
        const bool active = status.currentState != kServiceStopped;
        if ((active && (state & kServiceActive)) || (!active && (state & sim::kServiceInactive))) {
            matching.push_back({dependant->name, dependant->name, status});
            needed += sim::RecordBytes(sim::kEnumServiceStatusBytes, {&dependant->name, &dependant->name});
        }
    }
    if (bufferSize < needed) return Fail(error::kMoreData);
    services = std::move(matching);
    return true;
}

bool StartServiceW(ScHandle handle) {
    auto& machine = TheMachine();
    auto* service = sim::ServiceOf(machine, handle, kServiceStart);
    if (!service) return false;
    if (const auto injected = machine.TakeFailure(Operation::StartService)) return Fail(injected);
    sim::Settle(machine, *service);
    if (service->state != kServiceStopped) return Fail(error::kServiceAlreadyRunning);
    if (service->refuseStart != 0) return Fail(service->refuseStart);
    machine.events.push_back(L"StartService " + service->name);
    service->state = kServiceStartPending;
    service->pendingSince = machine.Now();
    sim::Settle(machine, *service);
    return true;
}

}  // namespace os
