#include "os/Files.h"

#include "os/win32/Win32.h"

#include <shellapi.h>

#include <memory>
#include <vector>

namespace os {

using win32::FromPointer;
using win32::ToPointer;

namespace {

// Lives until the completion routine has run, because the system reads the
// bytes and writes the outcome into the OVERLAPPED until then, even after
// the caller has given up and closed the handle.
struct PendingWrite {
    OVERLAPPED overlapped{};
    WriteCompletion completion = nullptr;
    std::uintptr_t tag = 0;
    std::vector<std::uint8_t> bytes;
};

// WriteFileEx ignores the OVERLAPPED's hEvent and leaves it to the caller:
// it carries the PendingWrite here.
void CALLBACK OnWriteCompleted(DWORD error, DWORD transferred, OVERLAPPED* overlapped) {
    const std::unique_ptr<PendingWrite> write(static_cast<PendingWrite*>(overlapped->hEvent));
    write->completion(write->tag, error, transferred);
}

}  // namespace

KernelHandle CreateFileW(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition, std::uint32_t flagsAndAttributes) {
    return FromPointer<KernelHandle>(
        ::CreateFileW(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes, nullptr));
}

bool WriteFileEx(KernelHandle file, const void* bytes, std::uint32_t length, WriteCompletion completion,
                 std::uintptr_t tag) {
    auto write = std::make_unique<PendingWrite>();
    write->completion = completion;
    write->tag = tag;
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    write->bytes.assign(first, first + length);
    write->overlapped.hEvent = write.get();
    if (!::WriteFileEx(ToPointer<HANDLE>(file), write->bytes.data(), length, &write->overlapped, OnWriteCompleted)) {
        const DWORD error = ::GetLastError();
        write.reset();
        return win32::Fail(error);
    }
    write.release();  // the completion routine owns it now
    return true;
}

bool ShellExecuteExW(const ShellExecuteInfo& info, KernelHandle& process) {
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = info.mask;
    request.hwnd = ToPointer<HWND>(info.owner);
    request.lpVerb = win32::OrNull(info.verb);
    request.lpFile = win32::OrNull(info.file);
    request.lpParameters = win32::OrNull(info.parameters);
    request.nShow = info.show;
    const BOOL started = ::ShellExecuteExW(&request);
    process = started ? FromPointer<KernelHandle>(request.hProcess) : KernelHandle::None;
    return started != FALSE;
}

}  // namespace os
