#include "os/System.h"

#include "os/win32/Win32.h"
#include "ui/win32/SystemLibrary.h"

#include <sddl.h>

#include <objbase.h>

#include <memory>
#include <vector>

namespace os {

using win32::FromPointer;
using win32::ToPointer;

std::uint32_t GetLastError() { return ::GetLastError(); }

void SetLastError(std::uint32_t error) { ::SetLastError(error); }

void Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t GetTickCount() { return ::GetTickCount(); }

std::uint32_t SleepEx(std::uint32_t milliseconds, bool alertable) { return ::SleepEx(milliseconds, alertable); }

std::uint32_t WaitForSingleObject(KernelHandle handle, std::uint32_t milliseconds) {
    return ::WaitForSingleObject(ToPointer<HANDLE>(handle), milliseconds);
}

bool CloseHandle(KernelHandle handle) { return ::CloseHandle(ToPointer<HANDLE>(handle)) != FALSE; }

namespace {
DWORD WINAPI ThreadEntry(LPVOID parameter) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    (*body)();
    return 0;
}
}  // namespace

KernelHandle TryTakeWorkLock(const std::wstring& lockFile) {
    // A named mutex, even in Global\\, can be made first by any user and
    // held for ever; a file in an administrators' folder cannot.
    const HANDLE file = ::CreateFileW(lockFile.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr);
    return file == INVALID_HANDLE_VALUE ? KernelHandle::Invalid : FromPointer<KernelHandle>(file);
}

void ReleaseWorkLock(KernelHandle lock) {
    if (lock != KernelHandle::Invalid) ::CloseHandle(ToPointer<HANDLE>(lock));
}

bool StartThread(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    HANDLE thread = ::CreateThread(nullptr, 0, ThreadEntry, owned.get(), 0, nullptr);
    if (thread == nullptr) return false;  // the last error is CreateThread's
    owned.release();                      // the thread owns it now
    ::CloseHandle(thread);
    return true;
}

bool InitializeComForShell() {
    return SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void UninitializeCom() { ::CoUninitialize(); }

bool GetVersionExW(OsVersion& version) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    static_assert(sizeof info == 284, "OSVERSIONINFOEXW");
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // deprecated, but the manifest-dependent answer is what we want
#endif
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return false;
    version = {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
    return true;
}

std::uint16_t GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }

std::wstring GetProcessUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
    DWORD needed = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    std::wstring text;
    LPWSTR sid = nullptr;
    if (needed >= sizeof(TOKEN_USER) && ::GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
        text = sid;
        ::LocalFree(sid);
    }
    ::CloseHandle(token);
    return text;
}

LocalTime GetLocalTime() {
    SYSTEMTIME time{};
    ::GetLocalTime(&time);
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

bool FormatMessageW(std::uint32_t code, std::uint16_t langId, std::wstring& text) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                         nullptr, code, langId, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0) return false;
    text.assign(buffer, length);
    ::LocalFree(buffer);
    return true;
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, &result[0], size, nullptr, nullptr);
    return result;
}

bool IsProgram64Bit() { return sizeof(void*) == 8; }

std::uint64_t SystemTimeAsFileTime() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    FILETIME file{};
    if (!::SystemTimeToFileTime(&now, &file)) return 0;
    return (static_cast<std::uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

bool NativeMachine(std::uint16_t& machine) {
    machine = 0;
    using IsWow64_2 = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto entry = kernel ? ::GetProcAddress(kernel, "IsWow64Process2") : nullptr;
    if (!entry) return false;
    USHORT process = 0, native = 0;
    if (!reinterpret_cast<IsWow64_2>(reinterpret_cast<void (*)()>(entry))(::GetCurrentProcess(), &process, &native))
        return false;
    machine = native;
    return true;
}

namespace {

// The interface of the class's static members, IWindowsProtectedPrintInfoStatics:
// IInspectable's six methods, then get_IsProtectedPrintEnabled.
constexpr GUID kProtectedPrintStatics = {0xa7d212f3, 0x4168, 0x5485, {0x98, 0xab, 0xd8, 0x9d, 0x04, 0x60, 0x3b, 0x40}};
constexpr std::size_t kIsProtectedPrintEnabledSlot = 6;
constexpr wchar_t kProtectedPrintClass[] = L"Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo";
constexpr int kRoInitMultithreaded = 1;

}  // namespace

bool IsProtectedPrintEnabled(bool& enabled) {
    enabled = false;
    // Every Windows Runtime function by name from combase (Windows 8 on), so
    // the program still starts on Windows 7 and under Wine.
    using RoInitializeFn = HRESULT(WINAPI*)(int);
    using RoUninitializeFn = void(WINAPI*)();
    using CreateStringFn = HRESULT(WINAPI*)(const wchar_t*, UINT32, void**);
    using DeleteStringFn = HRESULT(WINAPI*)(void*);
    using GetFactoryFn = HRESULT(WINAPI*)(void*, REFIID, void**);
    using GetEnabledFn = HRESULT(STDMETHODCALLTYPE*)(void*, unsigned char*);
    static const HMODULE combase = ui::win32::LoadSystemLibrary(L"combase.dll");
    if (combase == nullptr) return false;
    const auto find = [](const char* name) { return reinterpret_cast<void (*)()>(::GetProcAddress(combase, name)); };
    const auto roInitialize = reinterpret_cast<RoInitializeFn>(find("RoInitialize"));
    const auto roUninitialize = reinterpret_cast<RoUninitializeFn>(find("RoUninitialize"));
    const auto createString = reinterpret_cast<CreateStringFn>(find("WindowsCreateString"));
    const auto deleteString = reinterpret_cast<DeleteStringFn>(find("WindowsDeleteString"));
    const auto getFactory = reinterpret_cast<GetFactoryFn>(find("RoGetActivationFactory"));
    if (!roInitialize || !roUninitialize || !createString || !deleteString || !getFactory) return false;

    // A thread already in a single-threaded apartment (the wizard's workers)
    // keeps it: RPC_E_CHANGED_MODE, and nothing to undo.
    const HRESULT initialized = roInitialize(kRoInitMultithreaded);
    bool answered = false;
    void* name = nullptr;
    if (SUCCEEDED(createString(kProtectedPrintClass, static_cast<UINT32>(std::size(kProtectedPrintClass) - 1), &name))) {
        void* statics = nullptr;
        if (SUCCEEDED(getFactory(name, kProtectedPrintStatics, &statics)) && statics != nullptr) {
            void** table = *static_cast<void***>(statics);
            unsigned char value = 0;
            if (SUCCEEDED(reinterpret_cast<GetEnabledFn>(table[kIsProtectedPrintEnabledSlot])(statics, &value))) {
                enabled = value != 0;
                answered = true;
            }
            static_cast<IUnknown*>(statics)->Release();
        }
        deleteString(name);
    }
    if (SUCCEEDED(initialized)) roUninitialize();
    return answered;
}

bool IsWow64Process(bool& wow64) {
    wow64 = false;
    // Looked up by name: Windows before XP SP2 lacks it, and has no WOW64.
    using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto entry = kernel ? ::GetProcAddress(kernel, "IsWow64Process") : nullptr;
    if (!entry) return true;
    BOOL result = FALSE;
    if (!reinterpret_cast<IsWow64>(reinterpret_cast<void (*)()>(entry))(::GetCurrentProcess(), &result)) return false;
    wow64 = result != FALSE;
    return true;
}

}  // namespace os
