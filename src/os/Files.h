// Files and devices opened for overlapped writes, and programs started
// through the shell.
#pragma once

#include "os/System.h"

#include <cstdint>
#include <string>

namespace os {

inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileFlagOverlapped = 0x40000000;

// No security attributes, no template. KernelHandle::Invalid on failure.
KernelHandle CreateFileW(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition, std::uint32_t flagsAndAttributes);

// Called on the writing thread during one of its alertable waits, with the
// tag given to WriteFileEx. A write abandoned by closing its handle still
// completes later (ERROR_OPERATION_ABORTED).
using WriteCompletion = void (*)(std::uintptr_t tag, std::uint32_t error, std::uint32_t transferred);

// Starts an overlapped write at offset 0. The boundary keeps its own copy
// of the bytes and of the write's bookkeeping until the completion routine
// has run, so the caller may return while the write is still pending.
bool WriteFileEx(KernelHandle file, const void* bytes, std::uint32_t length, WriteCompletion completion,
                 std::uintptr_t tag);

inline constexpr std::uint32_t kSeeMaskNoCloseProcess = 0x40;
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;

// SHELLEXECUTEINFOW; fields not here stay zero.
struct ShellExecuteInfo {
    std::uint32_t mask = 0;
    WindowHandle owner = WindowHandle::None;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    int show = 0;
};
// The process handle when asked for with kSeeMaskNoCloseProcess and one was
// created; the caller closes it.
bool ShellExecuteExW(const ShellExecuteInfo& info, KernelHandle& process);

}  // namespace os
