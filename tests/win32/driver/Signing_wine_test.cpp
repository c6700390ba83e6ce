// The signed package as Windows' own trust calls see it, under Wine: the
// signer's certificate (the package's kvtp.cer) made a trusted root and a
// trusted publisher, WinVerifyTrust on the program, the driver's DLLs and
// the catalog, and the catalog holding every file the fallback stages (the
// packed files, byte for byte) by its hash, which a changed byte no longer
// matches.
#include <windows.h>
#include <wincrypt.h>
// After wincrypt.h, whose types it uses.
#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

#include "os/Files.h"
#include "ui/Toolkit.h"
#include "ui/win32/ModuleResource.h"
#include "wizard/Procedures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring Wide(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

Bytes ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    EXPECT_TRUE(in.good()) << Narrow(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::wstring& path, const Bytes& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

const std::wstring kDriver = Wide(DRIVER_PAYLOAD_STAGED) + L"\\a4\\";

std::vector<std::wstring> DriverDlls() {
    std::vector<std::wstring> dlls;
    for (const wchar_t* arch : {L"Driver32\\", L"Driver64\\"})
        for (const wchar_t* name : {L"QuorvelA4UI203.dll", L"QuorvelA4UI300.dll", L"QuorvelA4UNI203.dll",
                                    L"QuorvelA4UNI300.dll"})
            dlls.push_back(kDriver + arch + name);
    return dlls;
}

// Every file the INF installs, and the INF.
std::vector<std::wstring> CatalogMembers() {
    std::vector<std::wstring> files = DriverDlls();
    for (const wchar_t* name : {L"QuorvelA4.inf", L"QuorvelA4203.pcd", L"QuorvelA4300.pcd", L"plotuia4.hlp"})
        files.push_back(kDriver + name);
    return files;
}

LONG Verify(const std::wstring& path) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}

// The certificate in (or out of) the registry store of one of the machine's
// system stores (Wine forgets a delete through the system store itself).
bool SetInStore(const wchar_t* storeName, const Bytes& certificate, bool present) {
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, storeName);
    if (store == nullptr) return false;
    PCCERT_CONTEXT context = nullptr;
    bool ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, certificate.data(),
                                               static_cast<DWORD>(certificate.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                               &context) != FALSE;
    if (ok && !present) ok = CertDeleteCertificateFromStore(context) != FALSE;
    else if (context != nullptr) CertFreeCertificateContext(context);
    CertCloseStore(store, 0);
    return ok;
}

std::uint32_t Read32(const Bytes& bytes, std::size_t at) {
    return at + 4 <= bytes.size() ? static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                                                static_cast<std::uint32_t>(bytes[at + 3]) << 24)
                                  : 0;
}

// The hash Windows files a member under: SHA-1 of all bytes for a plain
// file; for a PE file, the Authenticode image hash, which leaves out the
// CheckSum, the Certificate Table entry and the certificates, and pads an
// unsigned image to 8 bytes as signing does. Wine computes neither (its
// CryptCATAdminCalcHashFromFileHandle hashes a PE flat, its
// ImageGetDigestStream leaves data out), so the test computes it itself.
Bytes DocumentedHash(const std::wstring& path, bool pe) {
    Bytes bytes = ReadBytes(path);
    std::vector<std::pair<std::size_t, std::size_t>> skipped;  // offset, length
    if (pe) {
        const std::size_t header = Read32(bytes, 0x3C);
        const std::size_t optional = header + 24;
        if (optional + 2 > bytes.size()) return {};
        const bool plus = (bytes[optional] | bytes[optional + 1] << 8) == 0x20B;
        const std::size_t directory = optional + (plus ? 112 : 96) + 4 * 8;
        if (directory + 8 > bytes.size()) return {};
        const std::size_t certificates = Read32(bytes, directory), size = Read32(bytes, directory + 4);
        skipped = {{optional + 64, 4}, {directory, 8}};
        if (size != 0) {
            if (certificates > bytes.size() || size > bytes.size() - certificates) return {};
            skipped.push_back({certificates, size});
        } else {
            bytes.resize((bytes.size() + 7) / 8 * 8, 0);
        }
    }
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return {};
    bool ok = CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) != FALSE;
    std::size_t at = 0;
    skipped.push_back({bytes.size(), 0});
    for (const auto& [offset, length] : skipped) {
        ok = ok && CryptHashData(hash, bytes.data() + at, static_cast<DWORD>(offset - at), 0);
        at = offset + length;
    }
    Bytes digest(20);
    DWORD size = 20;
    ok = ok && CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0) && size == 20;
    if (hash != 0) CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    return ok ? digest : Bytes{};
}

Bytes WineHash(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    Bytes digest(64);
    DWORD size = static_cast<DWORD>(digest.size());
    const bool ok = CryptCATAdminCalcHashFromFileHandle(file, &size, digest.data(), 0) != FALSE;
    CloseHandle(file);
    digest.resize(ok ? size : 0);
    return digest;
}

std::string Hex(const Bytes& bytes) {
    std::string text;
    char pair[3];
    for (BYTE b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

// A copy of a signed DLL with one byte of its code changed.
std::wstring Tampered() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"QuorvelA4UI203-changed.dll";
    Bytes bytes = ReadBytes(DriverDlls().front());
    EXPECT_GT(bytes.size(), 0x2000u);
    if (bytes.size() > 0x2000) bytes[0x1800] ^= 0x01;  // inside the first section's code
    WriteBytes(path, bytes);
    return path;
}

bool IsPe(const std::wstring& path) { return path.size() > 4 && path.compare(path.size() - 4, 4, L".dll") == 0; }

class SignedPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { certificate_ = ReadBytes(kDriver + L"kvtp.cer"); }
    static void TearDownTestSuite() {
        SetInStore(L"Root", certificate_, false);
        SetInStore(L"TrustedPublisher", certificate_, false);
    }
    static Bytes certificate_;
};
Bytes SignedPackage::certificate_;

// Every signed file passes once its signer is trusted; an unsigned program
// and a changed DLL do not.
TEST_F(SignedPackage, WinVerifyTrustAcceptsTheProgramTheDllsAndTheCatalog) {
    std::vector<std::wstring> files = DriverDlls();
    files.push_back(Wide(SETUP_PROGRAM));
    files.push_back(kDriver + L"QuorvelA4.cat");
    ASSERT_TRUE(SetInStore(L"Root", certificate_, true));
    ASSERT_TRUE(SetInStore(L"TrustedPublisher", certificate_, true));
    for (const auto& file : files) EXPECT_EQ(Verify(file), ERROR_SUCCESS) << Narrow(file);

    EXPECT_EQ(Verify(Wide(UNSIGNED_PROGRAM)), TRUST_E_NOSIGNATURE);
    const std::wstring tampered = Tampered();
    EXPECT_EQ(Verify(tampered), TRUST_E_BAD_DIGEST);
    DeleteFileW(tampered.c_str());
}

// The catalog's members by their tags, each the hex of its hash: every
// file the INF installs is there by the hash Windows documents, a changed
// DLL by neither that hash nor Wine's. Wine's CryptCATGetMemberInfo is a
// stub and its CryptCATAdminEnumCatalogFromHash cannot open a catalog
// signed with SHA-256, so the members are read with CryptCATEnumerateMember.
TEST_F(SignedPackage, CatalogHoldsEveryFileByItsHashButNotAChangedOne) {
    GUID driverAction = DRIVER_ACTION_VERIFY;
    HCATADMIN admin = nullptr;
    ASSERT_TRUE(CryptCATAdminAcquireContext(&admin, &driverAction, 0));
    std::wstring catalog = kDriver + L"QuorvelA4.cat";
    HANDLE opened = CryptCATOpen(&catalog[0], CRYPTCAT_OPEN_EXISTING, 0, 0, 0);
    ASSERT_NE(opened, INVALID_HANDLE_VALUE) << GetLastError();
    std::map<std::string, Bytes> members;
    for (CRYPTCATMEMBER* member = CryptCATEnumerateMember(opened, nullptr); member != nullptr;
         member = CryptCATEnumerateMember(opened, member)) {
        ASSERT_NE(member->pIndirectData, nullptr);
        const CRYPT_HASH_BLOB& digest = member->pIndirectData->Digest;
        members[Narrow(member->pwszReferenceTag)] = Bytes(digest.pbData, digest.pbData + digest.cbData);
    }
    CryptCATClose(opened);
    // Two DLLs of each architecture are byte for byte the same: one member.
    EXPECT_EQ(members.size(), CatalogMembers().size() - 4);
    auto holds = [&](const Bytes& hash) {
        const auto member = members.find(Hex(hash));
        return member != members.end() && member->second == hash;
    };

    for (const auto& file : CatalogMembers()) {
        const Bytes documented = DocumentedHash(file, IsPe(file));
        ASSERT_EQ(documented.size(), 20u) << Narrow(file);
        EXPECT_TRUE(holds(documented)) << Narrow(file) << " " << Hex(documented);
        // Wine hashes every file flat, a PE file too.
        if (!IsPe(file)) {
            EXPECT_EQ(WineHash(file), documented) << Narrow(file);
        }
    }
    const std::wstring tampered = Tampered();
    EXPECT_FALSE(holds(DocumentedHash(tampered, true)));
    EXPECT_FALSE(holds(WineHash(tampered)));
    DeleteFileW(tampered.c_str());
    CryptCATAdminReleaseContext(admin, 0);
}

// The certificate that signed a PE file, DER.
Bytes SignerOf(const std::wstring& path) {
    DWORD encoding = 0, content = 0, format = 0;
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &content, &format, &store, &message, nullptr))
        return {};
    Bytes signer;
    DWORD size = 0;
    if (CryptMsgGetParam(message, CMSG_SIGNER_CERT_INFO_PARAM, 0, nullptr, &size)) {
        std::vector<BYTE> buffer(size);
        if (CryptMsgGetParam(message, CMSG_SIGNER_CERT_INFO_PARAM, 0, buffer.data(), &size)) {
            PCCERT_CONTEXT certificate = CertGetSubjectCertificateFromStore(
                store, encoding, reinterpret_cast<CERT_INFO*>(buffer.data()));
            if (certificate != nullptr) {
                signer.assign(certificate->pbCertEncoded, certificate->pbCertEncoded + certificate->cbCertEncoded);
                CertFreeCertificateContext(certificate);
            }
        }
    }
    CryptMsgClose(message);
    CertCloseStore(store, 0);
    return signer;
}

class Lines : public wizard::ProcedureSink {
public:
    void Log(const std::wstring& text, Line kind) override {
        std::printf("%s %s\n", kind == Line::Error ? "ERROR" : "INFO", Narrow(text).c_str());
        if (kind == Line::Error) ++errors;
    }
    void Clear() override {}
    void Inform(const std::wstring&) override {}
    os::WindowHandle Owner() const override { return os::WindowHandle::None; }
    int errors = 0;
};

// The install's fallback trusts exactly the publisher that signed the
// driver (Wine's certutil imports nothing; its printui installs nothing, so
// the fallback ends with its error), and the removal of the last driver of
// ours takes that certificate away again, and the staging folder.
TEST(SignerTrust, FallbackTrustsTheSignerAndTheRemovalTakesItAway) {
    ASSERT_EQ(ui::OpenPackageFromModule(GetModuleHandleW(nullptr), L"ZIPRES", 129, "wqm19990707",
                                        ui::Toolkit::Process().Package()),
              ui::ModuleResourceResult::Opened);
    const Bytes packed = ReadBytes(kDriver + L"kvtp.cer");
    const std::vector<std::uint8_t> certificate(packed.begin(), packed.end());
    for (const auto& dll : DriverDlls()) EXPECT_EQ(SignerOf(dll), packed) << Narrow(dll);
    EXPECT_EQ(SignerOf(Wide(SETUP_PROGRAM)), packed);
    ASSERT_TRUE(SetInStore(L"TrustedPublisher", packed, false));

    std::vector<wizard::DriverModel> models;
    wizard::BuildDriverModels(models);
    Lines lines;
    std::vector<wchar_t> dependentFiles;
    EXPECT_FALSE(wizard::InstallDriverThroughPrintUI(models[0], true, dependentFiles, lines));
    bool held = false;
    ASSERT_TRUE(os::TrustedPublisherHolds(certificate, held));
    EXPECT_TRUE(held);

    // Wine cannot take the driver away (a delete flag gives 87), which is
    // what lets the removal clear the leftovers; the step is run itself.
    wizard::RemovalResult removal;
    wizard::RemoveInstallLeftovers(models, lines, removal);
    EXPECT_EQ(removal.failures, 0u);
    ASSERT_TRUE(os::TrustedPublisherHolds(certificate, held));
    EXPECT_FALSE(held);
    EXPECT_EQ(GetFileAttributesW(wizard::StagingFolder().c_str()), INVALID_FILE_ATTRIBUTES);
    ui::Toolkit::Process().Package().Close();
}

}  // namespace
