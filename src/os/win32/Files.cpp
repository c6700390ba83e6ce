#include "os/Files.h"

#include "os/win32/Win32.h"

#include <io.h>
#include <shellapi.h>
#include <shlobj.h>

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

bool WriteFile(KernelHandle file, const void* bytes, std::uint32_t length, std::uint32_t& written) {
    DWORD done = 0;
    const BOOL ok = ::WriteFile(ToPointer<HANDLE>(file), bytes, length, &done, nullptr);
    written = done;
    return ok != FALSE;
}

bool CreateDirectoryA(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

bool PathExistsA(const std::string& path) { return ::_access(path.c_str(), 0) == 0; }

bool GetCurrentDirectoryA(std::string& directory) {
    const DWORD size = ::GetCurrentDirectoryA(0, nullptr);
    if (size == 0) return false;
    std::string buffer(size, '\0');
    const DWORD length = ::GetCurrentDirectoryA(size, &buffer[0]);
    // Another thread may have changed it in between to something longer.
    if (length == 0 || length >= size) return false;
    buffer.resize(length);
    directory = buffer;
    return true;
}

bool SHGetFolderPathW(int folder, std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, buffer))) return false;
    path = buffer;
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

bool GetExitCodeProcess(KernelHandle process, std::uint32_t& exitCode) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(ToPointer<HANDLE>(process), &code)) return false;
    exitCode = code;
    return true;
}

}  // namespace os
