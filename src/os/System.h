// General services of the operating system: the thread's last error, time,
// the version, languages, system message texts and the ANSI code page.
//
// Every function here is one call of the Windows kernel (os/win32) or of the
// simulated machine (os/sim); which one is decided when the program is
// linked. Error codes are Windows error codes, kept as numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace os {

// A window that owns the dialogs and programs the system shows (an HWND).
enum class WindowHandle : std::uintptr_t { None = 0 };

// A kernel object handle (file, process). CreateFileW fails with Invalid,
// ShellExecuteExW may return None.
enum class KernelHandle : std::uintptr_t { None = 0, Invalid = ~std::uintptr_t{0} };

std::uint32_t GetLastError();
// For wrappers above the boundary that report their own failures the same
// way the system does.
void SetLastError(std::uint32_t error);

void Sleep(std::uint32_t milliseconds);
// Milliseconds since start-up; wraps after 49.7 days, so callers subtract.
std::uint32_t GetTickCount();

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kWaitIoCompletion = 0xC0;
// Alertable or not; returns 0, or kWaitIoCompletion when a completion
// routine ran during the wait and ended it early.
std::uint32_t SleepEx(std::uint32_t milliseconds, bool alertable);
std::uint32_t WaitForSingleObject(KernelHandle handle, std::uint32_t milliseconds);
bool CloseHandle(KernelHandle handle);

// The machine-wide lock of an install or removal: `lockFile` opened with no
// sharing and deleted when closed. A second copy, in any session, cannot
// open it while the first runs; a copy that dies gives it back; in a folder
// only administrators can write, nobody else can make it first and hold it.
// KernelHandle::Invalid with ERROR_SHARING_VIOLATION while another process
// holds it, else with the call's own error; ReleaseWorkLock gives it back.
KernelHandle TryTakeWorkLock(const std::wstring& lockFile);
void ReleaseWorkLock(KernelHandle lock);

// CreateThread with default security, stack and flags, its handle closed at
// once: `body` runs to its end and nobody waits for it. False, with the
// last error set, when no thread could be made (body is then not run).
bool StartThread(std::function<void()> body);

// COM for the calling thread as the shell's calls need it (apartment
// threaded, without OLE1 DDE), until UninitializeCom. False when the
// thread cannot have it; UninitializeCom is then not called.
bool InitializeComForShell();
void UninitializeCom();

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};
// GetVersionExW with an OSVERSIONINFOEXW. Without a compatibility list in the
// manifest, Windows 8.1 and later report 6.2.
bool GetVersionExW(OsVersion& version);

std::uint16_t GetUserDefaultUILanguage();

// The SID of the user the process runs as (its token's TokenUser), as text
// such as "S-1-5-18"; empty when the token cannot be read.
std::wstring GetProcessUserSid();

struct LocalTime {
    int year, month, day, hour, minute, second, milliseconds;
};
LocalTime GetLocalTime();

// FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS
// | FORMAT_MESSAGE_FROM_SYSTEM) for code in langId (0: the system's default
// choice). The text comes back exactly as the system has it, usually ending
// in a line break. False, with the last error set, when there is none.
bool FormatMessageW(std::uint32_t code, std::uint16_t langId, std::wstring& text);

// The text in the ANSI code page; characters it lacks become '?'.
std::string WideToAnsi(const std::wstring& text);

// Whether this program is a 64-bit one (else 32-bit x86).
bool IsProgram64Bit();

// UTC now as a FILETIME (100 ns since 1601): GetSystemTime converted with
// SystemTimeToFileTime; 0 when the conversion fails.
std::uint64_t SystemTimeAsFileTime();

// IsWow64Process on the program's own process. False, with the last error
// set, when the call fails; a system without the call has no WOW64, which
// counts as a successful answer of false.
bool IsWow64Process(bool& wow64);

// The machine Windows itself runs on (IMAGE_FILE_MACHINE_*: 0x014C x86,
// 0x8664 x64, 0xAA64 ARM64), which IsWow64Process cannot tell: it answers
// "WOW64" for the x86 program on x64 and on ARM64 alike. From
// IsWow64Process2; false when the system lacks it (before Windows 10
// version 1511, where no ARM64 Windows exists) or the call fails.
bool NativeMachine(std::uint16_t& machine);

// Whether Windows protected print mode is on, which lets only Windows' own
// printer driver in. From the Windows Runtime class
// Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo
// (Windows 11 version 24H2, build 26100, and later); false when the class
// cannot be reached (older Windows, Wine), and `enabled` is then false.
bool IsProtectedPrintEnabled(bool& enabled);

}  // namespace os
