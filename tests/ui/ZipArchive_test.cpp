#include "ui/ZipArchive.h"

#include "support/ZipWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <random>
#include <thread>

namespace fs = std::filesystem;
using testing_support::BuildZip;
using testing_support::Bytes;
using testing_support::Put16;
using testing_support::Put32;
using testing_support::ZipLayout;
using testing_support::ZipTestEntry;
using ui::ZipArchive;
using ui::ZipError;

namespace {

constexpr char kPassword[] = "wqm19990707";
constexpr std::size_t kFourMiB = 4u * 1024 * 1024;
constexpr std::size_t kNoLimit = 64u * 1024 * 1024;

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

// Compressible but not trivial: text-like lines with a counter.
std::vector<std::uint8_t> TextBytes(std::size_t n) {
    std::vector<std::uint8_t> out;
    out.reserve(n);
    for (unsigned line = 0; out.size() < n; ++line) {
        const std::string text = "line " + std::to_string(line) + " of the driver payload\r\n";
        for (char c : text) {
            if (out.size() == n) break;
            out.push_back(static_cast<std::uint8_t>(c));
        }
    }
    return out;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& data) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

class TempFolder {
public:
    TempFolder() {
        path_ = fs::temp_directory_path() /
                ("ziptest-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    static inline std::atomic<int> counter_{0};
    fs::path path_;
};

// An archive written by Info-ZIP itself, as the build writes the package.
class InfoZipArchive : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        const fs::path tree = folder_->path() / "tree";
        files_ = new std::map<std::string, std::vector<std::uint8_t>>{
            {"res.xml", Bytes("<Res><Xml id=\"XML_MAIN\" path=\"main.xml\"/></Res>")},
            {"Main.XML", TextBytes(20000)},
            {"empty.txt", {}},
            {"images/Logo@125.png", RandomBytes(3000, 1)},
            {"driver/a4/x.dll", RandomBytes(70000, 2)},
            {"driver/a4/Driver64/QuorvelA4UI300.dll", TextBytes(150000)},
            {"driver/common/ARM64/UNIDRV.DLL", RandomBytes(10, 3)},
            {"big/exactly4mib.bin", TextBytes(kFourMiB)},
        };
        for (const auto& [name, data] : *files_) WriteFile(tree / name, data);
        archivePath_ = new fs::path(folder_->path() / "package.zip");
        const std::string command = "cd '" + tree.string() + "' && " ZIP_EXECUTABLE " -q -r -D -X -P " +
                                    kPassword + " '" + archivePath_->string() + "' .";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() {
        delete files_;
        delete archivePath_;
        delete folder_;
    }

    static std::vector<std::uint8_t> Archive() { return ReadFile(*archivePath_); }

    static inline TempFolder* folder_ = nullptr;
    static inline fs::path* archivePath_ = nullptr;
    static inline std::map<std::string, std::vector<std::uint8_t>>* files_ = nullptr;
};

TEST_F(InfoZipArchive, EveryEntryReadsBackByteForByte) {
    const auto bytes = Archive();
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    EXPECT_EQ(zip.Entries().size(), files_->size());
    bool sawStored = false, sawDeflated = false;
    for (const auto& [name, data] : *files_) {
        const ui::ZipEntry* entry = zip.Find(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_TRUE(entry->encrypted()) << name;
        sawStored |= entry->method == 0;
        sawDeflated |= entry->method == 8;
        std::vector<std::uint8_t> out;
        ASSERT_EQ(zip.Read(name, kNoLimit, out), ZipError::None) << name;
        EXPECT_TRUE(out == data) << name;
    }
    EXPECT_TRUE(sawStored);
    EXPECT_TRUE(sawDeflated);
}

TEST_F(InfoZipArchive, LookupIgnoresCaseAndTakesBackslashAsSlash) {
    const auto bytes = Archive();
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    const ui::ZipEntry* entry = zip.Find("DRIVER\\A4\\X.DLL");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, "driver/a4/x.dll");
    std::vector<std::uint8_t> out;
    EXPECT_EQ(zip.Read("main.xml", kNoLimit, out), ZipError::None);
    EXPECT_EQ(zip.Read("driver\\common\\arm64\\unidrv.dll", kNoLimit, out), ZipError::None);
    EXPECT_EQ(zip.Read("driver/a4/missing.dll", kNoLimit, out), ZipError::NotFound);
}

TEST_F(InfoZipArchive, SizeLimitIsInclusive) {
    const auto bytes = Archive();
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(zip.Read("big/exactly4mib.bin", kFourMiB, out), ZipError::None);
    EXPECT_EQ(out.size(), kFourMiB);
    EXPECT_EQ(zip.Read("big/exactly4mib.bin", kFourMiB - 1, out), ZipError::TooLarge);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(zip.Read("empty.txt", 0, out), ZipError::None);
}

TEST_F(InfoZipArchive, WrongPasswordIsRefusedForEveryEntry) {
    const auto bytes = Archive();
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), "wqm19990708"), ZipError::None);
    for (const auto& entry : zip.Entries()) {
        std::vector<std::uint8_t> out;
        const ZipError error = zip.Read(entry, kNoLimit, out);
        // One header in 256 passes the check byte by chance; the CRC or the
        // inflater still refuses it.
        EXPECT_TRUE(error == ZipError::WrongPassword || error == ZipError::BadData ||
                    error == ZipError::CrcMismatch)
            << entry.name << ": " << ui::ZipErrorText(error);
        EXPECT_TRUE(out.empty());
    }
}

TEST_F(InfoZipArchive, TruncatedArchiveIsRefused) {
    const auto bytes = Archive();
    for (std::size_t keep : {std::size_t{0}, std::size_t{10}, bytes.size() / 2, bytes.size() - 100, bytes.size() - 1}) {
        ZipArchive zip;
        EXPECT_EQ(zip.Open(bytes.data(), keep, kPassword), ZipError::BadArchive) << keep;
        EXPECT_FALSE(zip.IsOpen());
    }
}

TEST_F(InfoZipArchive, FlippedByteInCompressedDataIsRefused) {
    auto bytes = Archive();
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    const ui::ZipEntry entry = *zip.Find("driver/a4/Driver64/QuorvelA4UI300.dll");
    ASSERT_EQ(entry.method, 8);
    const std::size_t nameLength = bytes[entry.localHeaderOffset + 26] | (bytes[entry.localHeaderOffset + 27] << 8);
    const std::size_t extraLength = bytes[entry.localHeaderOffset + 28] | (bytes[entry.localHeaderOffset + 29] << 8);
    const std::size_t data = entry.localHeaderOffset + 30 + nameLength + extraLength;
    // (The last byte may hold only padding bits after the end-of-block code.)
    for (std::size_t at : {data + 12, data + entry.compressedSize / 2, data + entry.compressedSize - 8}) {
        auto damaged = bytes;
        damaged[at] ^= 0x10;
        ZipArchive broken;
        ASSERT_EQ(broken.Open(damaged.data(), damaged.size(), kPassword), ZipError::None);
        std::vector<std::uint8_t> out;
        const ZipError error = broken.Read(entry.name, kNoLimit, out);
        EXPECT_TRUE(error == ZipError::BadData || error == ZipError::CrcMismatch) << at << ": " << ui::ZipErrorText(error);
        EXPECT_TRUE(out.empty());
    }
}

TEST_F(InfoZipArchive, TwoThreadsReadAtOnce) {
    const auto bytes = Archive();
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    std::atomic<int> failures{0};
    auto reader = [&](const std::vector<std::string>& names) {
        for (int round = 0; round < 5; ++round)
            for (const auto& name : names) {
                std::vector<std::uint8_t> out;
                if (zip.Read(name, kNoLimit, out) != ZipError::None || out != files_->at(name)) ++failures;
            }
    };
    std::thread ui(reader, std::vector<std::string>{"res.xml", "Main.XML", "images/Logo@125.png", "empty.txt"});
    std::thread worker(reader, std::vector<std::string>{"driver/a4/x.dll", "driver/a4/Driver64/QuorvelA4UI300.dll"});
    ui.join();
    worker.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(ZipArchive, KeepsItsOwnCopyOfTheBlock) {
    auto bytes = BuildZip({{"a.txt", Bytes("hello")}});
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    std::fill(bytes.begin(), bytes.end(), 0);
    bytes.clear();
    bytes.shrink_to_fit();
    std::vector<std::uint8_t> out;
    ASSERT_EQ(zip.Read("a.txt", 100, out), ZipError::None);
    EXPECT_EQ(out, Bytes("hello"));
}

TEST(ZipArchive, CheckByteComesFromCrcOrFromTime) {
    struct Case { bool descriptor; bool deflate; };
    for (const Case c : {Case{false, false}, Case{false, true}, Case{true, false}, Case{true, true}}) {
        ZipTestEntry entry{"f.bin", TextBytes(5000), c.deflate, true, c.descriptor};
        const auto bytes = BuildZip({entry});
        ZipArchive zip;
        ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
        std::vector<std::uint8_t> out;
        EXPECT_EQ(zip.Read("f.bin", kNoLimit, out), ZipError::None) << c.descriptor << c.deflate;
        EXPECT_EQ(out, entry.data);
    }
}

TEST(ZipArchive, UnencryptedEntriesAndArchiveCommentAreRead) {
    testing_support::ZipBuildOptions options;
    options.comment = std::string(300, 'c') + "PK\x05\x06 inside the comment";
    const auto bytes = BuildZip({{"plain.txt", Bytes("plain"), false, false}, {"z.txt", TextBytes(900), true, false}},
                                options);
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(zip.Read("plain.txt", 100, out), ZipError::None);
    EXPECT_EQ(out, Bytes("plain"));
    EXPECT_EQ(zip.Read("z.txt", 1000, out), ZipError::None);
    EXPECT_EQ(out, TextBytes(900));
}

TEST(ZipArchive, EmptyArchiveOpensAndGarbageDoesNot) {
    const auto empty = BuildZip({});
    ZipArchive zip;
    EXPECT_EQ(zip.Open(empty.data(), empty.size(), kPassword), ZipError::None);
    EXPECT_TRUE(zip.Entries().empty());
    const auto garbage = RandomBytes(5000, 9);
    EXPECT_EQ(zip.Open(garbage.data(), garbage.size(), kPassword), ZipError::BadArchive);
    EXPECT_EQ(zip.Open(nullptr, 0, kPassword), ZipError::BadArchive);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(zip.Read("x", 10, out), ZipError::NotOpen);
}

TEST(ZipArchive, FirstOfTwoEntriesWithTheSameNameWins) {
    const auto bytes = BuildZip({{"Dup.txt", Bytes("first")}, {"dup.TXT", Bytes("second")}});
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    std::vector<std::uint8_t> out;
    ASSERT_EQ(zip.Read("DUP.txt", 100, out), ZipError::None);
    EXPECT_EQ(out, Bytes("first"));
}

// Info-ZIP writes an entry for every folder unless told -D; those are
// skipped, the files read as ever.
TEST(ZipArchive, FolderEntriesAreSkipped) {
    TempFolder folder;
    WriteFile(folder.path() / "tree" / "sub" / "a.txt", Bytes("first"));
    WriteFile(folder.path() / "tree" / "sub" / "deeper" / "b.txt", Bytes("second"));
    for (const char* options : {"-q -r", "-q -r -D"}) {
        const fs::path archive = folder.path() / (std::string(options).size() > 5 ? "plain.zip" : "folders.zip");
        const std::string command = "cd '" + (folder.path() / "tree").string() + "' && " ZIP_EXECUTABLE " " + options +
                                    " -P " + kPassword + " '" + archive.string() + "' .";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const auto bytes = ReadFile(archive);
        ZipArchive zip;
        ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None) << options;
        ASSERT_EQ(zip.Entries().size(), 2u) << options;
        for (const auto& entry : zip.Entries()) {
            std::vector<std::uint8_t> out;
            EXPECT_EQ(zip.Read(entry, 100, out), ZipError::None) << options << " " << entry.name;
        }
    }
    // Not folders: a name with data, two slashes, or ".." before the slash.
    for (const char* name : {"sub/", "sub//", "../"}) {
        const auto bytes = BuildZip({{name, std::string(name) == "sub/" ? Bytes("x") : Bytes(""), false, false}});
        ZipArchive zip;
        ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None) << name;
        ASSERT_EQ(zip.Entries().size(), 1u) << name;
        std::vector<std::uint8_t> out;
        EXPECT_EQ(zip.Read(zip.Entries().front(), 100, out), ZipError::UnsafeName) << name;
    }
}

TEST(ZipArchive, UnsafeNamesAreRefused) {
    const char* names[] = {"../evil.txt", "a/../../evil.txt", "/abs.txt", "\\abs.txt", "C:/x.txt", "a\\..\\b.txt",
                           "./a.txt",     "a/./b.txt",        "a//b.txt", "a\\\\b.txt", "."};
    for (const char* name : names) {
        const auto bytes = BuildZip({{name, Bytes("x")}});
        ZipArchive zip;
        ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None) << name;
        std::vector<std::uint8_t> out;
        EXPECT_EQ(zip.Read(zip.Entries().front(), 100, out), ZipError::UnsafeName) << name;
        EXPECT_EQ(zip.Read(name, 100, out), ZipError::UnsafeName) << name;
    }
    EXPECT_TRUE(ui::IsSafeZipName("driver/a4/..x/y..dll"));
}

// Each case damages one field of a valid two-entry archive.
TEST(ZipArchive, DamagedHeadersAreRefused) {
    const std::vector<ZipTestEntry> entries = {{"a.txt", TextBytes(4000), true}, {"b.bin", RandomBytes(500, 4)}};
    ZipLayout at;
    const auto good = BuildZip(entries, {}, &at);
    const std::size_t end = at.endRecordOffset;
    const std::size_t cd0 = at.centralHeaderOffsets[0];
    const std::size_t cd1 = at.centralHeaderOffsets[1];
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        ZipError open;   // expected from Open
        ZipError read;   // expected from reading "a.txt" when Open succeeds
    };
    const std::uint32_t big = 0x7FFFFFF0;
    const Case cases[] = {
        {"directory offset past the block", [&](auto& b) { Put32(b, end + 16, big); }, ZipError::BadArchive, {}},
        {"directory size past the block", [&](auto& b) { Put32(b, end + 12, big); }, ZipError::BadArchive, {}},
        {"directory overlapping the end record", [&](auto& b) { Put32(b, end + 12, static_cast<std::uint32_t>(end - at.centralDirectoryOffset + 4)); }, ZipError::BadArchive, {}},
        {"more entries than fit", [&](auto& b) { Put16(b, end + 8, 900); Put16(b, end + 10, 900); }, ZipError::BadArchive, {}},
        {"ZIP64 entry count", [&](auto& b) { Put16(b, end + 8, 0xFFFF); Put16(b, end + 10, 0xFFFF); }, ZipError::Unsupported, {}},
        {"ZIP64 directory offset", [&](auto& b) { Put32(b, end + 16, 0xFFFFFFFF); }, ZipError::Unsupported, {}},
        {"second disk", [&](auto& b) { Put16(b, end + 4, 1); }, ZipError::Unsupported, {}},
        {"central header signature", [&](auto& b) { Put32(b, cd1, 0x12345678); }, ZipError::BadArchive, {}},
        {"name length past the directory", [&](auto& b) { Put16(b, cd1 + 28, 0xFFFF); }, ZipError::BadArchive, {}},
        {"ZIP64 entry size", [&](auto& b) { Put32(b, cd0 + 24, 0xFFFFFFFF); }, ZipError::Unsupported, {}},
        {"local header offset past the block", [&](auto& b) { Put32(b, cd0 + 42, big); }, ZipError::None, ZipError::BadArchive},
        {"local header offset into the directory", [&](auto& b) { Put32(b, cd0 + 42, static_cast<std::uint32_t>(at.centralDirectoryOffset)); }, ZipError::None, ZipError::BadArchive},
        {"local header signature", [&](auto& b) { Put32(b, at.localHeaderOffsets[0], 0); }, ZipError::None, ZipError::BadArchive},
        {"local extra length past the data", [&](auto& b) { Put16(b, at.localHeaderOffsets[0] + 28, 0xFFFF); }, ZipError::None, ZipError::BadArchive},
        {"compressed size past the block", [&](auto& b) { Put32(b, cd0 + 20, big); }, ZipError::None, ZipError::BadArchive},
        {"compressed size shorter than the encryption header", [&](auto& b) { Put32(b, cd0 + 20, 5); }, ZipError::None, ZipError::BadArchive},
        {"absurd uncompressed size", [&](auto& b) { Put32(b, cd0 + 24, 0xFFFFFFF0); }, ZipError::None, ZipError::TooLarge},
        {"uncompressed size beyond any deflate ratio", [&](auto& b) { Put32(b, cd0 + 24, 60u * 1024 * 1024); }, ZipError::None, ZipError::BadArchive},
        {"uncompressed size one too small", [&](auto& b) { Put32(b, cd0 + 24, 3999); }, ZipError::None, ZipError::BadData},
        {"uncompressed size one too large", [&](auto& b) { Put32(b, cd0 + 24, 4001); }, ZipError::None, ZipError::BadData},
        {"stored size disagrees", [&](auto& b) { Put16(b, cd0 + 10, 0); }, ZipError::None, ZipError::BadArchive},
        {"CRC", [&](auto& b) { Put32(b, cd0 + 16, 0x01020304); }, ZipError::None, ZipError::WrongPassword},
        {"unknown method", [&](auto& b) { Put16(b, cd0 + 10, 12); }, ZipError::None, ZipError::Unsupported},
        {"strong encryption", [&](auto& b) { Put16(b, cd0 + 8, 0x41); }, ZipError::None, ZipError::Unsupported},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        c.damage(bytes);
        ZipArchive zip;
        const ZipError opened = zip.Open(bytes.data(), bytes.size(), kPassword);
        EXPECT_EQ(opened, c.open) << c.what << ": " << ui::ZipErrorText(opened);
        if (opened != ZipError::None) continue;
        std::vector<std::uint8_t> out;
        const ZipError read = zip.Read("a.txt", kNoLimit, out);
        EXPECT_EQ(read, c.read) << c.what << ": " << ui::ZipErrorText(read);
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

TEST(ZipArchive, CrcMismatchOnUnencryptedEntry) {
    ZipLayout at;
    auto bytes = BuildZip({{"a.txt", TextBytes(100), true, false}}, {}, &at);
    Put32(bytes, at.centralHeaderOffsets[0] + 16, 0x01020304);
    ZipArchive zip;
    ASSERT_EQ(zip.Open(bytes.data(), bytes.size(), kPassword), ZipError::None);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(zip.Read("a.txt", kNoLimit, out), ZipError::CrcMismatch);
}

}  // namespace
