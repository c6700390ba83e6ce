// Extracts every entry of a package with the toolkit's reader and with
// Info-ZIP's `unzip -p -P`, best of several runs each, and prints the ratio.
//   zip_bench <archive> <password>
#include "ui/ZipArchive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 7;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zip_bench <archive> <password>\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string password = argv[2];
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }

    double ours = 1e9;
    std::size_t total = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        ui::ZipArchive zip;
        if (zip.Open(bytes.data(), bytes.size(), password) != ui::ZipError::None) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            return 1;
        }
        std::vector<std::uint8_t> out;
        total = 0;
        for (const auto& entry : zip.Entries()) {
            const ui::ZipError error = zip.Read(entry, 64u << 20, out);
            if (error != ui::ZipError::None) {
                std::fprintf(stderr, "%s: %s\n", entry.name.c_str(), ui::ZipErrorText(error));
                return 1;
            }
            total += out.size();
        }
        ours = std::min(ours, Seconds(Clock::now() - start));
    }

    double theirs = 1e9;
    const std::string command = "unzip -p -P '" + password + "' '" + path + "' > /dev/null";
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            return 1;
        }
        theirs = std::min(theirs, Seconds(Clock::now() - start));
    }

    std::printf("archive %.1f MB, %.1f MB extracted\n", static_cast<double>(bytes.size()) / 1e6, static_cast<double>(total) / 1e6);
    std::printf("reader  %.1f ms (best of %d, open included)\n", ours * 1e3, kRuns);
    std::printf("unzip   %.1f ms (best of %d, process start included)\n", theirs * 1e3, kRuns);
    std::printf("ratio reader/unzip = %.2f\n", ours / theirs);
    return 0;
}
