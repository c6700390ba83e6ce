#include "os/Files.h"

#include "os/win32/Win32.h"

#include <aclapi.h>
#include <wincrypt.h>
#include <io.h>
#include <sddl.h>
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

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveFolderTree(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    // A link is removed as it is: what it points to is not ours.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        bool ok = true;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                ok = RemoveFolderTree(child);
            } else {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    ::SetFileAttributesW(child.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
                ok = ::DeleteFileW(child.c_str()) != FALSE;
            }
        } while (ok && ::FindNextFileW(search, &found));
        const DWORD error = ::GetLastError();
        ::FindClose(search);
        if (!ok) {
            ::SetLastError(error);
            return false;
        }
    }
    return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

bool RemoveEmptyFolder(const std::wstring& path) { return ::RemoveDirectoryW(path.c_str()) != FALSE; }

namespace {

// The machine's TrustedPublisher store and the certificate of these bytes
// in it, found by the SHA-1 hash of the encoded certificate.
class TrustedPublisherEntry {
public:
    TrustedPublisherEntry(const std::vector<std::uint8_t>& certificate, LPCSTR provider) {
        store_ = ::CertOpenStore(provider, 0, 0,
                                 CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG,
                                 L"TrustedPublisher");
        if (store_ == nullptr) return;
        BYTE hash[20] = {};
        DWORD hashSize = sizeof hash;
        if (!::CryptHashCertificate(0, CALG_SHA1, 0, certificate.data(), static_cast<DWORD>(certificate.size()), hash,
                                    &hashSize))
            return;
        CRYPT_HASH_BLOB blob{hashSize, hash};
        found_ = ::CertFindCertificateInStore(store_, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH,
                                              &blob, nullptr);
        readable_ = true;
    }
    ~TrustedPublisherEntry() {
        if (found_ != nullptr) ::CertFreeCertificateContext(found_);
        if (store_ != nullptr) ::CertCloseStore(store_, 0);
    }
    TrustedPublisherEntry(const TrustedPublisherEntry&) = delete;
    TrustedPublisherEntry& operator=(const TrustedPublisherEntry&) = delete;

    bool Readable() const { return readable_; }
    bool Found() const { return found_ != nullptr; }
    bool Delete() {
        // The call frees the context, also when it fails.
        const PCCERT_CONTEXT context = found_;
        found_ = nullptr;
        return ::CertDeleteCertificateFromStore(context) != FALSE;
    }

private:
    HCERTSTORE store_ = nullptr;
    PCCERT_CONTEXT found_ = nullptr;
    bool readable_ = false;
};

}  // namespace

bool TrustedPublisherHolds(const std::vector<std::uint8_t>& certificate, bool& holds) {
    const TrustedPublisherEntry entry(certificate, CERT_STORE_PROV_SYSTEM_W);
    holds = entry.Found();
    // A machine that never had the store has nothing of ours in it.
    return entry.Readable() || ::GetLastError() == static_cast<DWORD>(ERROR_FILE_NOT_FOUND);
}

bool RemoveFromTrustedPublisher(const std::vector<std::uint8_t>& certificate) {
    // From the registry store, where certutil and AddToTrustedPublisher put
    // it: a delete through the system store's collection does not last under
    // Wine, and a copy a group policy placed is not ours to take.
    TrustedPublisherEntry entry(certificate, CERT_STORE_PROV_SYSTEM_REGISTRY_W);
    if (!entry.Readable()) return false;
    return !entry.Found() || entry.Delete();
}

bool AddToTrustedPublisher(const std::vector<std::uint8_t>& certificate) {
    HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                                       L"TrustedPublisher");
    if (store == nullptr) return false;
    const BOOL added = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, certificate.data(),
                                                          static_cast<DWORD>(certificate.size()),
                                                          CERT_STORE_ADD_USE_EXISTING, nullptr);
    const DWORD error = ::GetLastError();
    ::CertCloseStore(store, 0);
    return added != FALSE || win32::Fail(error);
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

namespace {

// Owner Administrators; protected (nothing inherited from the parent);
// full control for SYSTEM and Administrators, read and execute (0x1200A9)
// for Users, each inherited by files and folders made inside.
constexpr wchar_t kAdminOnlyDescriptor[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, &text)) return std::wstring();
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

AccessEntry EntryOf(const ACE_HEADER* header) {
    // Every allow and deny entry keeps its mask right after the header; only
    // the plain and callback ones keep their trustee right after the mask.
    AccessEntry entry;
    const BYTE type = header->AceType;
    entry.allow = type != ACCESS_DENIED_ACE_TYPE && type != ACCESS_DENIED_OBJECT_ACE_TYPE &&
                  type != ACCESS_DENIED_CALLBACK_ACE_TYPE && type != ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
    entry.flags = header->AceFlags;
    const auto* plain = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    entry.mask = plain->Mask;
    if (type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
        type == ACCESS_DENIED_CALLBACK_ACE_TYPE)
        entry.sid = SidText(const_cast<DWORD*>(&plain->SidStart));
    return entry;
}

}  // namespace

bool CreateAdminOnlyDirectoryA(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyDescriptor, SDDL_REVISION_1, &descriptor,
                                                                nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const BOOL made = ::CreateDirectoryA(path.c_str(), &attributes);
    const DWORD error = ::GetLastError();
    ::LocalFree(descriptor);
    return made ? true : win32::Fail(error);
}

bool GetFolderSecurityA(const std::string& path, FolderSecurity& security) {
    security = FolderSecurity{};
    const HANDLE file = ::CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information{};
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = ERROR_SUCCESS;
    if (!::GetFileInformationByHandle(file, &information))
        error = ::GetLastError();
    else
        error = ::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                  nullptr, &dacl, nullptr, &descriptor);
    ::CloseHandle(file);
    if (error != ERROR_SUCCESS) return win32::Fail(error);
    security.isDirectory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    security.isReparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    security.owner = SidText(owner);
    security.hasDacl = dacl != nullptr;
    // An entry that cannot be read might be the one that lets others write.
    bool complete = true;
    for (DWORD i = 0; complete && dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        complete = ::GetAce(dacl, i, &ace) != FALSE;
        if (complete) security.entries.push_back(EntryOf(static_cast<const ACE_HEADER*>(ace)));
    }
    error = complete ? ERROR_SUCCESS : ::GetLastError();
    ::LocalFree(descriptor);
    return complete ? true : win32::Fail(error);
}

// A log: SYSTEM and Administrators may do anything, Users read it.
constexpr wchar_t kLogDescriptor[] = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";

KernelHandle OpenLogFile(const std::wstring& path, LogFileFacts& facts) {
    facts = LogFileFacts{};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kLogDescriptor, SDDL_REVISION_1, &descriptor, nullptr))
        return KernelHandle::Invalid;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                                      FILE_SHARE_READ, &attributes, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD error = ::GetLastError();
    ::LocalFree(descriptor);
    if (file == INVALID_HANDLE_VALUE) {
        win32::Fail(error);
        return KernelHandle::Invalid;
    }
    facts.existed = error == ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION information{};
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR ownerDescriptor = nullptr;
    if (::GetFileInformationByHandle(file, &information)) {
        facts.isDirectory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        facts.isReparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        facts.links = information.nNumberOfLinks;
    }
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &ownerDescriptor) == ERROR_SUCCESS) {
        facts.owner = SidText(owner);
        ::LocalFree(ownerDescriptor);
    }
    return FromPointer<KernelHandle>(file);
}

std::uint32_t GetFileAttributesW(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool EnableRedirectionTrust() {
    // Windows 10 and 11 with RedirectionGuard; looked up, as older Windows
    // lack the policy and Wine the call.
    using SetPolicy = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto set = kernel == nullptr ? nullptr
                                       : reinterpret_cast<SetPolicy>(reinterpret_cast<void (*)()>(
                                             ::GetProcAddress(kernel, "SetProcessMitigationPolicy")));
    if (set == nullptr) return false;
    constexpr int kProcessRedirectionTrustPolicy = 16;
    DWORD flags = 0x1;  // EnforceRedirectionTrust
    return set(kProcessRedirectionTrustPolicy, &flags, sizeof flags) != FALSE;
}

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
