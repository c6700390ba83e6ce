// The Bluetooth API of the simulated machine: one adapter's radio, the
// devices an inquiry finds, pairing with a passkey, and the serial port
// service calls, which are recorded.
#include "os/Bluetooth.h"
#include "os/sim/Internals.h"
#include "os/sim/Machine.h"

#include <algorithm>

namespace os {

using sim::Fail;
using sim::HandleKind;
using sim::Operation;
using sim::TheMachine;

namespace {

// GUID_DEVCLASS_BLUETOOTH.
constexpr Guid kBluetoothClass = {0xe0cbf06c, 0xcd8b, 0x4647, {0xbb, 0x8a, 0x26, 0x3b, 0x43, 0xf0, 0xf9, 0x74}};

constexpr std::uint32_t kInquiryUnitMs = 1280;
constexpr std::uint8_t kMaxTimeoutMultiplier = 48;
constexpr std::size_t kMaxPasskeyChars = 16;

bool RadioAnswers(sim::Machine& machine) {
    if (!machine.bluetooth.radioOn) return false;
    return std::any_of(machine.interfaces.begin(), machine.interfaces.end(), [&](const sim::DeviceInterface& device) {
        return device.deviceClass == kBluetoothClass && machine.Now() >= device.presentFromMs;
    });
}

bool Reported(const sim::BluetoothDevice& device, const BluetoothSearchParams& params) {
    const BluetoothDeviceRecord& record = device.record;
    if (params.returnAuthenticated && record.authenticated) return true;
    if (params.returnRemembered && record.remembered) return true;
    if (params.returnConnected && record.connected) return true;
    return params.returnUnknown && params.issueInquiry && device.inReach && !record.remembered &&
           !record.authenticated;
}

// What the system hands out: the name cut to the record's room.
BluetoothDeviceRecord HandedOut(BluetoothDeviceRecord record) {
    if (record.name.size() > kBluetoothNameChars) record.name.resize(kBluetoothNameChars);
    return record;
}

std::wstring Cut(std::wstring text) {
    if (text.size() > kBluetoothServiceTextChars) text.resize(kBluetoothServiceTextChars);
    return text;
}

}  // namespace

BluetoothRadioFind BluetoothFindFirstRadio(KernelHandle& radio) {
    auto& machine = TheMachine();
    radio = KernelHandle::None;
    if (const auto injected = machine.TakeFailure(Operation::BluetoothFindFirstRadio))
        return Fail(injected), BluetoothRadioFind::None;
    if (!RadioAnswers(machine)) return Fail(error::kNoMoreItems), BluetoothRadioFind::None;
    auto& internals = machine.internals();
    radio = static_cast<KernelHandle>(internals.Open({HandleKind::BluetoothRadio, L"", 0, {}, 0}));
    return static_cast<BluetoothRadioFind>(internals.Open({HandleKind::BluetoothRadioFind, L"", 0, {}, 0}));
}

bool BluetoothFindRadioClose(BluetoothRadioFind find) {
    return TheMachine().internals().Close(static_cast<std::uintptr_t>(find), HandleKind::BluetoothRadioFind);
}

BluetoothDeviceFind BluetoothFindFirstDevice(const BluetoothSearchParams& params, BluetoothDeviceRecord& device) {
    auto& machine = TheMachine();
    auto& bluetooth = machine.bluetooth;
    bluetooth.searches.push_back(params);
    if (const auto injected = machine.TakeFailure(Operation::BluetoothFindFirstDevice))
        return Fail(injected), BluetoothDeviceFind::None;
    if (params.timeoutMultiplier > kMaxTimeoutMultiplier)
        return Fail(error::kInvalidParameter), BluetoothDeviceFind::None;
    if (!RadioAnswers(machine)) return Fail(error::kNoMoreItems), BluetoothDeviceFind::None;
    // The call returns when the inquiry has ended.
    if (params.issueInquiry) machine.Advance(params.timeoutMultiplier * kInquiryUnitMs);
    sim::HandleObject search{HandleKind::BluetoothDeviceFind, L"", 0, {}, 1};
    for (std::size_t i = 0; i < bluetooth.devices.size(); ++i)
        if (Reported(bluetooth.devices[i], params)) search.members.push_back(i);
    if (search.members.empty()) return Fail(error::kNoMoreItems), BluetoothDeviceFind::None;
    device = HandedOut(bluetooth.devices[search.members[0]].record);
    return static_cast<BluetoothDeviceFind>(machine.internals().Open(search));
}

bool BluetoothFindNextDevice(BluetoothDeviceFind find, BluetoothDeviceRecord& device) {
    auto& machine = TheMachine();
    auto* search = machine.internals().Find(static_cast<std::uintptr_t>(find), HandleKind::BluetoothDeviceFind);
    if (!search) return Fail(error::kInvalidHandle);
    if (const auto injected = machine.TakeFailure(Operation::BluetoothFindNextDevice)) return Fail(injected);
    const auto& devices = machine.bluetooth.devices;
    while (search->index < search->members.size() && search->members[search->index] >= devices.size())
        ++search->index;
    if (search->index >= search->members.size()) return Fail(error::kNoMoreItems);
    device = HandedOut(devices[search->members[search->index++]].record);
    return true;
}

bool BluetoothFindDeviceClose(BluetoothDeviceFind find) {
    return TheMachine().internals().Close(static_cast<std::uintptr_t>(find), HandleKind::BluetoothDeviceFind);
}

std::uint32_t BluetoothAuthenticateDevice(BluetoothDeviceRecord& device, const std::wstring& passkey) {
    auto& machine = TheMachine();
    machine.bluetooth.pairings.emplace_back(device.address, passkey);
    if (const auto injected = machine.TakeFailure(Operation::BluetoothAuthenticateDevice)) return injected;
    if (passkey.size() > kMaxPasskeyChars) return error::kInvalidParameter;
    sim::BluetoothDevice* known = machine.bluetooth.Find(device.address);
    if (!known || !RadioAnswers(machine) || !known->inReach) return error::kDeviceNotConnected;
    if (known->record.authenticated) return error::kNoMoreItems;
    if (!known->pin.empty() && passkey != known->pin) return error::kNotAuthenticated;
    known->record.authenticated = true;
    known->record.remembered = true;
    device = HandedOut(known->record);
    return 0;
}

std::optional<std::uint32_t> BluetoothSetServiceState(const BluetoothDeviceRecord& device, const Guid& service,
                                                      std::uint32_t serviceFlags) {
    auto& machine = TheMachine();
    auto& bluetooth = machine.bluetooth;
    if (!bluetooth.hasLibrary || !bluetooth.hasSetServiceState) return std::nullopt;
    bluetooth.serviceStateCalls.push_back({device.address, service, serviceFlags});
    if (const auto injected = machine.TakeFailure(Operation::BluetoothSetServiceState)) return injected;
    sim::BluetoothDevice* known = bluetooth.Find(device.address);
    if (!known) return error::kNotFound;
    if (known->serviceStateResult != 0) return known->serviceStateResult;
    auto& enabled = known->enabledServices;
    const bool isEnabled = std::find(enabled.begin(), enabled.end(), service) != enabled.end();
    if ((serviceFlags & kBluetoothServiceEnable) && !isEnabled) enabled.push_back(service);
    if (!(serviceFlags & kBluetoothServiceEnable) && isEnabled)
        enabled.erase(std::find(enabled.begin(), enabled.end(), service));
    return 0;
}

std::optional<std::uint32_t> BluetoothSetLocalServiceInfo(const Guid& serviceClass, std::uint32_t instance,
                                                          const BluetoothLocalServiceInfo& info) {
    auto& machine = TheMachine();
    auto& bluetooth = machine.bluetooth;
    if (!bluetooth.hasLibrary || !bluetooth.hasSetLocalServiceInfo) return std::nullopt;
    BluetoothLocalServiceInfo received = info;
    received.name = Cut(received.name);
    received.deviceString = Cut(received.deviceString);
    bluetooth.localServiceCalls.push_back({serviceClass, instance, received});
    if (const auto injected = machine.TakeFailure(Operation::BluetoothSetLocalServiceInfo)) return injected;
    return bluetooth.localServiceResult;
}

}  // namespace os
