// The Windows version tests that decide which spooler levels exist, and
// the architecture that decides which driver files and environment fit.
#pragma once

#include <string>

namespace printsys {

// GetVersionExW succeeds and reports 6.0 or later. The INF paths of drivers
// and driver packages exist from Vista on.
bool IsVistaOrLater();

// GetVersionExW fails, or reports 6.2 or later (every Windows from 8 on
// reports at least 6.2, and exactly that to a program without a
// compatibility list).
bool IsWindows8OrLater();

// Whether Windows is 64-bit, for a program of the given pointer size: a
// 64-bit program runs only on 64-bit Windows; a 32-bit one asks
// IsWow64Process about itself, and a failed call counts as 32-bit.
bool Is64BitWindowsFor(bool program64Bit);
// The same for this program.
bool Is64BitWindows();

// Whether Windows runs on ARM64, for which the driver has no build (the x86
// program sees WOW64 there as on x64).
bool IsArm64Windows();

// Whether Windows protected print mode is on (Windows 11 24H2 and later):
// then only Windows' own printer driver is let in. False where Windows
// cannot tell (older Windows, Wine).
bool IsProtectedPrintModeOn();

// The spooler environment of the system's own drivers: "Windows x64" on
// 64-bit Windows, else "Windows NT x86". Spooler calls take it explicitly,
// since NULL would mean this 32-bit program's x86 environment.
std::wstring DriverEnvironment();

}  // namespace printsys
