#include "os/Bluetooth.h"

#include "os/win32/Win32.h"
#include "ui/win32/SystemLibrary.h"

#include <bluetoothapis.h>

#include <algorithm>

// The system's records, as the program and bthprops.cpl exchange them.
static_assert(sizeof(BLUETOOTH_DEVICE_INFO) == 560, "BLUETOOTH_DEVICE_INFO");
static_assert(sizeof(BLUETOOTH_LOCAL_SERVICE_INFO) == 1040, "BLUETOOTH_LOCAL_SERVICE_INFO");
static_assert(sizeof(BLUETOOTH_FIND_RADIO_PARAMS) == 4, "BLUETOOTH_FIND_RADIO_PARAMS");
static_assert(sizeof(BLUETOOTH_DEVICE_SEARCH_PARAMS) == (sizeof(void*) == 8 ? 40 : 32),
              "BLUETOOTH_DEVICE_SEARCH_PARAMS");
static_assert(BLUETOOTH_MAX_NAME_SIZE == os::kBluetoothNameChars + 1, "device name");
static_assert(BLUETOOTH_MAX_SERVICE_NAME_SIZE == os::kBluetoothServiceTextChars + 1 &&
                  BLUETOOTH_DEVICE_NAME_SIZE == os::kBluetoothServiceTextChars + 1,
              "local service texts");

namespace os {

using win32::FromPointer;
using win32::ToGuid;
using win32::ToPointer;

namespace {

SYSTEMTIME ToSystemTime(const SystemTime& time) {
    return {time.year, time.month, time.dayOfWeek, time.day, time.hour, time.minute, time.second, time.milliseconds};
}

SystemTime FromSystemTime(const SYSTEMTIME& time) {
    return {time.wYear, time.wMonth, time.wDayOfWeek, time.wDay,
            time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

// Cut to the field's room, leaving space for the terminator.
template <std::size_t N>
void CopyText(WCHAR (&field)[N], const std::wstring& text) {
    const std::size_t chars = std::min(text.size(), N - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(chars), field);
    std::fill(field + chars, field + N, L'\0');
}

template <std::size_t N>
std::wstring TextOf(const WCHAR (&field)[N]) {
    return std::wstring(field, std::find(field, field + N, L'\0'));
}

BLUETOOTH_DEVICE_INFO ToDeviceInfo(const BluetoothDeviceRecord& device) {
    BLUETOOTH_DEVICE_INFO info{};
    info.dwSize = sizeof info;
    info.Address.ullLong = device.address;
    info.ulClassofDevice = device.classOfDevice;
    info.fConnected = device.connected;
    info.fRemembered = device.remembered;
    info.fAuthenticated = device.authenticated;
    info.stLastSeen = ToSystemTime(device.lastSeen);
    info.stLastUsed = ToSystemTime(device.lastUsed);
    CopyText(info.szName, device.name);
    return info;
}

BluetoothDeviceRecord FromDeviceInfo(const BLUETOOTH_DEVICE_INFO& info) {
    BluetoothDeviceRecord device;
    device.address = info.Address.ullLong;
    device.classOfDevice = info.ulClassofDevice;
    device.connected = info.fConnected != FALSE;
    device.remembered = info.fRemembered != FALSE;
    device.authenticated = info.fAuthenticated != FALSE;
    device.lastSeen = FromSystemTime(info.stLastSeen);
    device.lastUsed = FromSystemTime(info.stLastUsed);
    device.name = TextOf(info.szName);
    return device;
}

BLUETOOTH_DEVICE_INFO EmptyDeviceInfo() {
    BLUETOOTH_DEVICE_INFO info{};
    info.dwSize = sizeof info;
    return info;
}

// Loads bthprops.cpl for one call of an entry point it may lack (older
// systems, stripped-down installations); the last error of the call
// survives the release of the library.
template <typename Function, typename Call>
std::optional<std::uint32_t> CallLookedUp(const char* entryName, Call call) {
    const HMODULE library = ui::win32::LoadSystemLibrary(L"bthprops.cpl");
    if (!library) return std::nullopt;
    const FARPROC entry = ::GetProcAddress(library, entryName);
    std::optional<std::uint32_t> result;
    if (entry) result = call(reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry)));
    const DWORD error = ::GetLastError();
    ::FreeLibrary(library);
    ::SetLastError(error);
    return result;
}

// The radio and device calls. bthprops.cpl is not on every Windows (Server
// Core, trimmed images), so it is not imported: without it the program still
// starts and simply finds no radio. Loaded once and kept, since the search
// handles it hands out live in it.
template <typename Function>
Function BluetoothEntry(const char* entryName) {
    static const HMODULE library = ui::win32::LoadSystemLibrary(L"bthprops.cpl");
    const FARPROC entry = library ? ::GetProcAddress(library, entryName) : nullptr;
    if (!entry) ::SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

BluetoothRadioFind BluetoothFindFirstRadio(KernelHandle& radio) {
    using FindFirstRadio = HBLUETOOTH_RADIO_FIND(WINAPI*)(const BLUETOOTH_FIND_RADIO_PARAMS*, HANDLE*);
    radio = KernelHandle::None;
    const auto findFirstRadio = BluetoothEntry<FindFirstRadio>("BluetoothFindFirstRadio");
    if (!findFirstRadio) return BluetoothRadioFind::None;
    BLUETOOTH_FIND_RADIO_PARAMS params{};
    params.dwSize = sizeof params;
    HANDLE found = nullptr;
    const HBLUETOOTH_RADIO_FIND find = findFirstRadio(&params, &found);
    radio = find ? FromPointer<KernelHandle>(found) : KernelHandle::None;
    return FromPointer<BluetoothRadioFind>(find);
}

bool BluetoothFindRadioClose(BluetoothRadioFind find) {
    using FindRadioClose = BOOL(WINAPI*)(HBLUETOOTH_RADIO_FIND);
    const auto findRadioClose = BluetoothEntry<FindRadioClose>("BluetoothFindRadioClose");
    return findRadioClose && findRadioClose(ToPointer<HBLUETOOTH_RADIO_FIND>(find)) != FALSE;
}

BluetoothDeviceFind BluetoothFindFirstDevice(const BluetoothSearchParams& params, BluetoothDeviceRecord& device) {
    using FindFirstDevice = HBLUETOOTH_DEVICE_FIND(WINAPI*)(const BLUETOOTH_DEVICE_SEARCH_PARAMS*, BLUETOOTH_DEVICE_INFO*);
    const auto findFirstDevice = BluetoothEntry<FindFirstDevice>("BluetoothFindFirstDevice");
    if (!findFirstDevice) return BluetoothDeviceFind::None;
    BLUETOOTH_DEVICE_SEARCH_PARAMS search{};
    search.dwSize = sizeof search;
    search.fReturnAuthenticated = params.returnAuthenticated;
    search.fReturnRemembered = params.returnRemembered;
    search.fReturnUnknown = params.returnUnknown;
    search.fReturnConnected = params.returnConnected;
    search.fIssueInquiry = params.issueInquiry;
    search.cTimeoutMultiplier = params.timeoutMultiplier;
    search.hRadio = nullptr;
    BLUETOOTH_DEVICE_INFO info = EmptyDeviceInfo();
    const HBLUETOOTH_DEVICE_FIND find = findFirstDevice(&search, &info);
    if (find) device = FromDeviceInfo(info);
    return FromPointer<BluetoothDeviceFind>(find);
}

bool BluetoothFindNextDevice(BluetoothDeviceFind find, BluetoothDeviceRecord& device) {
    using FindNextDevice = BOOL(WINAPI*)(HBLUETOOTH_DEVICE_FIND, BLUETOOTH_DEVICE_INFO*);
    const auto findNextDevice = BluetoothEntry<FindNextDevice>("BluetoothFindNextDevice");
    if (!findNextDevice) return false;
    BLUETOOTH_DEVICE_INFO info = EmptyDeviceInfo();
    if (!findNextDevice(ToPointer<HBLUETOOTH_DEVICE_FIND>(find), &info)) return false;
    device = FromDeviceInfo(info);
    return true;
}

bool BluetoothFindDeviceClose(BluetoothDeviceFind find) {
    using FindDeviceClose = BOOL(WINAPI*)(HBLUETOOTH_DEVICE_FIND);
    const auto findDeviceClose = BluetoothEntry<FindDeviceClose>("BluetoothFindDeviceClose");
    return findDeviceClose && findDeviceClose(ToPointer<HBLUETOOTH_DEVICE_FIND>(find)) != FALSE;
}

std::uint32_t BluetoothAuthenticateDevice(BluetoothDeviceRecord& device, const std::wstring& passkey) {
    // The form with a passkey argument; the Ex form that superseded it has none.
    using AuthenticateDevice = DWORD(WINAPI*)(HWND, HANDLE, BLUETOOTH_DEVICE_INFO*, PWSTR, ULONG);
    const auto authenticateDevice = BluetoothEntry<AuthenticateDevice>("BluetoothAuthenticateDevice");
    if (!authenticateDevice) return ERROR_PROC_NOT_FOUND;
    BLUETOOTH_DEVICE_INFO info = ToDeviceInfo(device);
    const DWORD result = authenticateDevice(nullptr, nullptr, &info, win32::Writable(passkey),
                                            static_cast<ULONG>(passkey.size()));
    device = FromDeviceInfo(info);
    return result;
}

std::optional<std::uint32_t> BluetoothSetServiceState(const BluetoothDeviceRecord& device, const Guid& service,
                                                      std::uint32_t serviceFlags) {
    using SetServiceState = DWORD(WINAPI*)(HANDLE, BLUETOOTH_DEVICE_INFO*, GUID*, DWORD);
    return CallLookedUp<SetServiceState>("BluetoothSetServiceState", [&](SetServiceState setServiceState) {
        BLUETOOTH_DEVICE_INFO info = ToDeviceInfo(device);
        GUID guid = ToGuid(service);
        return static_cast<std::uint32_t>(setServiceState(nullptr, &info, &guid, serviceFlags));
    });
}

std::optional<std::uint32_t> BluetoothSetLocalServiceInfo(const Guid& serviceClass, std::uint32_t instance,
                                                          const BluetoothLocalServiceInfo& info) {
    using SetLocalServiceInfo = DWORD(WINAPI*)(HANDLE, const GUID*, ULONG, const BLUETOOTH_LOCAL_SERVICE_INFO*);
    return CallLookedUp<SetLocalServiceInfo>("BluetoothSetLocalServiceInfo", [&](SetLocalServiceInfo setInfo) {
        BLUETOOTH_LOCAL_SERVICE_INFO record{};
        record.Enabled = info.enabled;
        record.btAddr.ullLong = info.address;
        CopyText(record.szName, info.name);
        CopyText(record.szDeviceString, info.deviceString);
        const GUID guid = ToGuid(serviceClass);
        return static_cast<std::uint32_t>(setInfo(nullptr, &guid, instance, &record));
    });
}

}  // namespace os
