#include "printsys/WindowsVersion.h"

#include "os/System.h"

namespace printsys {

bool IsVistaOrLater() {
    os::OsVersion version;
    return os::GetVersionExW(version) && version.major >= 6;
}

bool IsWindows8OrLater() {
    os::OsVersion version;
    if (!os::GetVersionExW(version)) return true;
    // 10.0 is later than 6.2 though its minor number is smaller.
    return version.major > 6 || (version.major == 6 && version.minor >= 2);
}

bool Is64BitWindowsFor(bool program64Bit) {
    if (program64Bit) return true;
    bool wow64 = false;
    return os::IsWow64Process(wow64) && wow64;
}

bool Is64BitWindows() { return Is64BitWindowsFor(os::IsProgram64Bit()); }

bool IsArm64Windows() {
    constexpr std::uint16_t kArm64 = 0xAA64;
    std::uint16_t machine = 0;
    return os::NativeMachine(machine) && machine == kArm64;
}

bool IsProtectedPrintModeOn() {
    bool enabled = false;
    return os::IsProtectedPrintEnabled(enabled) && enabled;
}

std::wstring DriverEnvironment() { return Is64BitWindows() ? L"Windows x64" : L"Windows NT x86"; }

}  // namespace printsys
