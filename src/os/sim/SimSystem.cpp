// The kernel, files and the shell of the simulated machine.
#include "os/Files.h"
#include "os/System.h"
#include "os/sim/Internals.h"
#include "os/sim/Machine.h"

#include <algorithm>
#include <filesystem>
#include <thread>

namespace os {

using sim::Fail;
using sim::HandleKind;
using sim::Operation;
using sim::TheMachine;

void Sleep(std::uint32_t milliseconds) {
    auto& machine = TheMachine();
    machine.sleeps.push_back(milliseconds);
    machine.Advance(milliseconds == 0 ? 1 : milliseconds);
}

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(TheMachine().Now()); }

bool StartThread(std::function<void()> body) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::CreateThread)) {
        sim::SetLastErrorCode(error);
        return false;
    }
    machine.ThreadStarted();
    std::thread([&machine, body = std::move(body)] {
        body();
        machine.ThreadEnded();
    }).detach();
    return true;
}

namespace {

// Runs the completion routines of the writes that are due, in the order
// they became due, as Windows runs queued APCs during an alertable wait.
void RunDueCompletions(sim::Machine& machine) {
    auto& writes = machine.internals().writes;
    std::stable_sort(writes.begin(), writes.end(),
                     [](const auto& a, const auto& b) { return a.completesAt < b.completesAt; });
    std::vector<sim::PendingWrite> due;
    auto firstPending = std::find_if(writes.begin(), writes.end(),
                                     [&](const auto& write) { return write.completesAt > machine.Now(); });
    due.assign(writes.begin(), firstPending);
    writes.erase(writes.begin(), firstPending);
    for (const auto& write : due) write.completion(write.tag, write.error, write.transferred);
}

}  // namespace

std::uint32_t SleepEx(std::uint32_t milliseconds, bool alertable) {
    auto& machine = TheMachine();
    machine.sleeps.push_back(milliseconds);
    if (alertable) {
        std::uint64_t earliest = sim::kNever;
        for (const auto& write : machine.internals().writes) earliest = std::min(earliest, write.completesAt);
        const std::uint64_t deadline = milliseconds == kInfinite ? sim::kNever : machine.Now() + milliseconds;
        if (earliest != sim::kNever && earliest <= deadline) {
            if (earliest > machine.Now()) machine.Advance(static_cast<std::uint32_t>(earliest - machine.Now()));
            RunDueCompletions(machine);
            return kWaitIoCompletion;
        }
    }
    machine.Advance(milliseconds == 0 ? 1 : milliseconds);
    return 0;
}

std::uint32_t WaitForSingleObject(KernelHandle handle, std::uint32_t /*milliseconds*/) {
    auto& machine = TheMachine();
    auto* process = machine.internals().Find(static_cast<std::uintptr_t>(handle), HandleKind::Process);
    if (!process) {
        Fail(sim::error::kInvalidHandle);
        return 0xFFFFFFFF;
    }
    machine.shellRuns[process->index].waitedFor = true;
    return 0;
}

bool GetExitCodeProcess(KernelHandle handle, std::uint32_t& exitCode) {
    auto& machine = TheMachine();
    auto* process = machine.internals().Find(static_cast<std::uintptr_t>(handle), HandleKind::Process);
    if (!process) return Fail(sim::error::kInvalidHandle);
    constexpr std::uint32_t kStillActive = 259;
    exitCode = machine.shellRuns[process->index].waitedFor ? machine.shellRuns[process->index].exitCode : kStillActive;
    return true;
}

bool CloseHandle(KernelHandle handle) {
    auto& machine = TheMachine();
    auto& internals = machine.internals();
    const auto value = static_cast<std::uintptr_t>(handle);
    if (auto* process = internals.Find(value, HandleKind::Process)) {
        machine.shellRuns[process->index].handleClosed = true;
        return internals.Close(value, HandleKind::Process);
    }
    if (internals.Find(value, HandleKind::DiskFile)) return internals.Close(value, HandleKind::DiskFile);
    if (internals.Find(value, HandleKind::Mutex)) return internals.Close(value, HandleKind::Mutex);
    if (internals.Find(value, HandleKind::BluetoothRadio)) return internals.Close(value, HandleKind::BluetoothRadio);
    // Closing a file cancels its pending writes; their routines still run at
    // the thread's next alertable wait.
    for (auto& write : internals.writes) {
        if (write.file == value && write.completesAt > machine.Now()) {
            write.completesAt = machine.Now();
            write.error = sim::error::kOperationAborted;
            write.transferred = 0;
        }
    }
    return internals.Close(value, HandleKind::File);
}

bool IsProtectedPrintEnabled(bool& enabled) {
    const auto& machine = TheMachine();
    enabled = machine.protectedPrint.value_or(false);
    return machine.protectedPrint.has_value();
}

bool GetVersionExW(OsVersion& version) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::GetVersionEx)) return Fail(error);
    version = machine.version;
    return true;
}

std::uint16_t GetUserDefaultUILanguage() { return TheMachine().uiLanguage; }

std::wstring GetProcessUserSid() { return TheMachine().processUserSid; }

LocalTime GetLocalTime() { return TheMachine().LocalTimeNow(); }

std::uint64_t SystemTimeAsFileTime() {
    // The machine keeps no time zone: its wall clock serves as UTC.
    constexpr std::uint64_t kFileTimeAt1970 = 116444736000000000ull;
    return kFileTimeAt1970 + TheMachine().WallClockMs() * 10000ull;
}

bool FormatMessageW(std::uint32_t code, std::uint16_t langId, std::wstring& text) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::FormatMessage)) return Fail(error);
    // Language 0 lets the system choose: the user's UI language, then English.
    constexpr std::uint16_t kEnglish = 1033;
    const std::uint16_t candidates[] = {langId == 0 ? machine.uiLanguage : langId, langId == 0 ? kEnglish : langId};
    if (langId != 0 && !machine.HasLanguage(langId)) return Fail(sim::error::kResourceLangNotFound);
    // As Windows does, an HRESULT that wraps a Win32 code (0x8007xxxx) has
    // that code's message.
    constexpr std::uint32_t kWin32Facility = 0x80070000u;
    const std::uint32_t plain = (code & 0xFFFF0000u) == kWin32Facility ? (code & 0xFFFFu) : code;
    for (auto candidate : candidates) {
        if (auto message = machine.Message(candidate, plain)) {
            text = *message;
            return true;
        }
    }
    return Fail(sim::error::kMrMidNotFound);
}

std::string WideToAnsi(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) result += static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

KernelHandle CreateFileW(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition, std::uint32_t /*flagsAndAttributes*/) {
    auto& machine = TheMachine();
    std::uint32_t error = machine.TakeFailure(Operation::CreateFile);
    const auto* target = machine.FindWriteTarget(path);
    if (!target && disposition == kCreateAlways) {
        if (error != 0) {
            Fail(error);
            return KernelHandle::Invalid;
        }
        return sim::CreateDiskFile(machine, path, access, share);
    }
    if (error == 0) error = target ? target->openError : sim::error::kFileNotFound;
    if (error != 0) {
        Fail(error);
        return KernelHandle::Invalid;
    }
    return static_cast<KernelHandle>(machine.internals().Open({HandleKind::File, target->path, access, {}, 0}));
}

bool WriteFileEx(KernelHandle file, const void* bytes, std::uint32_t length, WriteCompletion completion,
                 std::uintptr_t tag) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::WriteFileEx)) return Fail(error);
    const auto value = static_cast<std::uintptr_t>(file);
    const auto* object = machine.internals().Find(value, HandleKind::File);
    if (!object) return Fail(sim::error::kInvalidHandle);
    if (!(object->access & kGenericWrite)) return Fail(sim::error::kAccessDenied);
    auto* target = machine.FindWriteTarget(object->name);
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    sim::PendingWrite write{value, machine.Now(), completion, tag, 0, length};
    switch (target->behaviour) {
    case sim::WriteBehaviour::Accept: break;
    case sim::WriteBehaviour::AcceptLater: write.completesAt += target->delayMs; break;
    case sim::WriteBehaviour::AcceptPart: write.transferred = std::min(length, target->acceptBytes); break;
    case sim::WriteBehaviour::Stall: write.completesAt = sim::kNever; write.transferred = 0; break;
    }
    target->written.insert(target->written.end(), data, data + write.transferred);
    machine.internals().writes.push_back(write);
    return true;
}

namespace {
thread_local int comInitialisations = 0;
bool ComInitialisedHere() { return comInitialisations > 0; }
}  // namespace

bool InitializeComForShell() {
    ++comInitialisations;
    return true;
}

void UninitializeCom() {
    if (comInitialisations > 0) --comInitialisations;
}

KernelHandle TryTakeWorkLock(const std::wstring& lockFile) {
    auto& machine = TheMachine();
    if (const auto error = machine.TakeFailure(Operation::CreateFile)) {
        Fail(error);
        return KernelHandle::Invalid;
    }
    if (machine.workLockHeldElsewhere || machine.workLockHeld) {
        Fail(sim::error::kSharingViolation);
        return KernelHandle::Invalid;
    }
    const std::filesystem::path host = machine.HostPath(lockFile);
    std::error_code ignored;
    if (host.empty() || !std::filesystem::is_directory(host.parent_path(), ignored)) {
        Fail(sim::error::kPathNotFound);
        return KernelHandle::Invalid;
    }
    machine.workLockHeld = true;
    machine.workLockFile = lockFile;
    return static_cast<KernelHandle>(machine.internals().Open({HandleKind::Mutex, lockFile, 0, {}, 0}));
}

void ReleaseWorkLock(KernelHandle lock) {
    auto& machine = TheMachine();
    if (lock == KernelHandle::Invalid) return;
    machine.workLockHeld = false;
    CloseHandle(lock);
}

bool ShellExecuteExW(const ShellExecuteInfo& info, KernelHandle& process) {
    auto& machine = TheMachine();
    process = KernelHandle::None;
    if (const auto error = machine.TakeFailure(Operation::ShellExecuteEx)) return Fail(error);
    machine.shellRuns.push_back({info, ComInitialisedHere(), false, false, machine.shellExitCode});
    machine.events.push_back(L"ShellExecuteEx " + info.file);
    if (machine.onShellExecute) machine.onShellExecute(info);
    sim::ImportCertificateIfCertutil(machine, info);
    if (info.mask & kSeeMaskNoCloseProcess)
        process = static_cast<KernelHandle>(
            machine.internals().Open({HandleKind::Process, info.file, 0, {}, machine.shellRuns.size() - 1}));
    return true;
}

}  // namespace os
