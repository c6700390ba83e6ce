// Device interfaces and the registry of the simulated machine. A device set
// is a snapshot of the interfaces at the time it was made; an element's
// `reserved` value is its index in Machine::interfaces plus one.
#include "os/Devices.h"
#include "os/sim/Internals.h"
#include "os/sim/Machine.h"

#include <algorithm>

namespace os {

using sim::Fail;
using sim::HandleKind;
using sim::Operation;
using sim::TheMachine;

namespace {

constexpr std::uint32_t kSpintActive = 1;
constexpr std::uint32_t kDetailFixedBytes = 8;

// The interface an element of an open set refers to, or null (last error set).
sim::DeviceInterface* ElementOf(DevInfoSet set, std::uintptr_t reserved) {
    auto& machine = TheMachine();
    const auto* object = machine.internals().Find(static_cast<std::uintptr_t>(set), HandleKind::DevInfoSet);
    if (!object) return Fail(error::kInvalidHandle), nullptr;
    const auto& members = object->members;
    if (reserved == 0 || std::find(members.begin(), members.end(), reserved - 1) == members.end())
        return Fail(error::kInvalidParameter), nullptr;
    return &machine.interfaces[reserved - 1];
}

const sim::RegValue* FindValue(const std::map<std::wstring, sim::RegValue>& values, const std::wstring& name) {
    for (const auto& [valueName, value] : values)
        if (sim::EqualNoCase(valueName, name)) return &value;
    return nullptr;
}

}  // namespace

DevInfoSet SetupDiGetClassDevsW(const Guid& classGuid, std::uint32_t flags) {
    auto& machine = TheMachine();
    if (const auto injected = machine.TakeFailure(Operation::SetupDiGetClassDevs))
        return Fail(injected), DevInfoSet::Invalid;
    // The GUID names an interface class with DIGCF_DEVICEINTERFACE and a
    // setup class without; DIGCF_ALLCLASSES ignores it.
    sim::HandleObject set{HandleKind::DevInfoSet, L"", flags, {}, 0};
    for (std::size_t i = 0; i < machine.interfaces.size(); ++i) {
        const auto& element = machine.interfaces[i];
        if ((flags & kDigcfPresent) && machine.Now() < element.presentFromMs) continue;
        const Guid& elementClass = (flags & kDigcfDeviceInterface) ? element.interfaceClass : element.deviceClass;
        if ((flags & kDigcfAllClasses) || elementClass == classGuid) set.members.push_back(i);
    }
    return static_cast<DevInfoSet>(machine.internals().Open(set));
}

bool SetupDiEnumDeviceInfo(DevInfoSet set, std::uint32_t index, DevInfoData& device) {
    auto& machine = TheMachine();
    const auto* object = machine.internals().Find(static_cast<std::uintptr_t>(set), HandleKind::DevInfoSet);
    if (!object) return Fail(error::kInvalidHandle);
    if (const auto injected = machine.TakeFailure(Operation::SetupDiEnumDeviceInfo)) return Fail(injected);
    if (index >= object->members.size()) return Fail(error::kNoMoreItems);
    const std::size_t member = object->members[index];
    device = {machine.interfaces[member].deviceClass, static_cast<std::uint32_t>(member + 1), member + 1};
    return true;
}

bool SetupDiEnumDeviceInterfaces(DevInfoSet set, const Guid& interfaceClass, std::uint32_t index,
                                 DeviceInterfaceData& data) {
    auto& machine = TheMachine();
    const auto* object = machine.internals().Find(static_cast<std::uintptr_t>(set), HandleKind::DevInfoSet);
    if (!object) return Fail(error::kInvalidHandle);
    if (const auto injected = machine.TakeFailure(Operation::SetupDiEnumDeviceInterfaces)) return Fail(injected);
    std::uint32_t seen = 0;
    for (auto member : object->members) {
        if (!(machine.interfaces[member].interfaceClass == interfaceClass) || seen++ != index) continue;
        data = {interfaceClass, kSpintActive, member + 1};
        return true;
    }
    return Fail(error::kNoMoreItems);
}

bool SetupDiGetDeviceInterfaceDetailW(DevInfoSet set, const DeviceInterfaceData& data, std::uint32_t bufferSize,
                                      std::uint32_t& required, std::wstring& devicePath, DevInfoData* devInfo) {
    auto* device = ElementOf(set, data.reserved);
    if (!device) return false;
    if (const auto injected = TheMachine().TakeFailure(Operation::SetupDiGetDeviceInterfaceDetail))
        return Fail(injected);
    required = sim::RecordBytes(kDetailFixedBytes, {&device->devicePath});
    if (bufferSize == 0 && device->detailProbeSucceeds) return true;
    if (bufferSize < required) return Fail(error::kInsufficientBuffer);
    devicePath = device->devicePath;
    if (devInfo) *devInfo = {device->interfaceClass, static_cast<std::uint32_t>(data.reserved), data.reserved};
    return true;
}

bool SetupDiGetDeviceInstanceIdW(DevInfoSet set, const DevInfoData& device, std::uint32_t capacity,
                                 std::wstring& instanceId) {
    auto* element = ElementOf(set, device.reserved);
    if (!element) return false;
    if (const auto injected = TheMachine().TakeFailure(Operation::SetupDiGetDeviceInstanceId)) return Fail(injected);
    if (element->instanceId.size() + 1 > capacity) return Fail(error::kInsufficientBuffer);
    instanceId = element->instanceId;
    return true;
}

bool SetupDiGetDeviceRegistryPropertyW(DevInfoSet set, const DevInfoData& device, std::uint32_t property,
                                       std::uint32_t bufferSize, std::wstring& value) {
    auto* element = ElementOf(set, device.reserved);
    if (!element) return false;
    if (const auto injected = TheMachine().TakeFailure(Operation::SetupDiGetDeviceRegistryProperty))
        return Fail(injected);
    const auto& stored = property == kSpdrpDeviceDesc   ? element->description
                         : property == kSpdrpHardwareId ? element->hardwareId
                                                        : std::optional<std::wstring>{};
    if (!stored) return Fail(error::kInvalidData);
    if ((stored->size() + 1) * 2 > bufferSize) return Fail(error::kInsufficientBuffer);
    value = *stored;
    return true;
}

RegKey SetupDiOpenDevRegKey(DevInfoSet set, const DevInfoData& device, std::uint32_t /*scope*/,
                            std::uint32_t /*profile*/, std::uint32_t /*keyType*/, std::uint32_t access) {
    auto& machine = TheMachine();
    if (!ElementOf(set, device.reserved)) return RegKey::None;
    if (const auto injected = machine.TakeFailure(Operation::SetupDiOpenDevRegKey)) return Fail(injected), RegKey::None;
    return static_cast<RegKey>(
        machine.internals().Open({HandleKind::DeviceKey, L"", access, {}, device.reserved - 1}));
}

bool SetupDiDestroyDeviceInfoList(DevInfoSet set) {
    return TheMachine().internals().Close(static_cast<std::uintptr_t>(set), HandleKind::DevInfoSet);
}

std::int32_t RegOpenKeyExW(RegKey parent, const std::wstring& subKey, std::uint32_t access, RegKey& key) {
    auto& machine = TheMachine();
    key = RegKey::None;
    if (const auto injected = machine.TakeFailure(Operation::RegOpenKey)) return static_cast<std::int32_t>(injected);
    if (parent != RegKey::LocalMachine) return error::kInvalidHandle;
    const std::wstring path = sim::Lower(subKey);
    const auto& registry = machine.internals().registry;
    // A key exists when it holds values or has a subkey that does.
    const bool exists = std::any_of(registry.begin(), registry.end(), [&](const auto& entry) {
        return entry.first == path || entry.first.compare(0, path.size() + 1, path + L'\\') == 0;
    });
    if (!exists) return error::kFileNotFound;
    key = static_cast<RegKey>(machine.internals().Open({HandleKind::RegKey, path, access, {}, 0}));
    return 0;
}

std::int32_t RegQueryValueExW(RegKey key, const std::wstring& valueName, std::uint32_t capacity,
                              std::uint32_t& type, std::vector<std::uint8_t>& data) {
    auto& machine = TheMachine();
    auto& internals = machine.internals();
    const auto handle = static_cast<std::uintptr_t>(key);
    const sim::RegValue* value = nullptr;
    if (const auto* object = internals.Find(handle, HandleKind::RegKey)) {
        const auto values = internals.registry.find(object->name);
        if (values != internals.registry.end()) value = FindValue(values->second, valueName);
    } else if (const auto* deviceKey = internals.Find(handle, HandleKind::DeviceKey)) {
        value = FindValue(machine.interfaces[deviceKey->index].deviceKey, valueName);
    } else {
        return error::kInvalidHandle;
    }
    if (const auto injected = machine.TakeFailure(Operation::RegQueryValue)) return static_cast<std::int32_t>(injected);
    if (!value) return error::kFileNotFound;
    if (value->data.size() > capacity) return error::kMoreData;
    type = value->type;
    data = value->data;
    return 0;
}

std::int32_t RegCloseKey(RegKey key) {
    auto& internals = TheMachine().internals();
    const auto handle = static_cast<std::uintptr_t>(key);
    const auto kind = internals.Find(handle, HandleKind::DeviceKey) ? HandleKind::DeviceKey : HandleKind::RegKey;
    return internals.Close(handle, kind) ? 0 : static_cast<std::int32_t>(error::kInvalidHandle);
}

}  // namespace os
