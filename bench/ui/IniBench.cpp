// Reading a window's layout: every key of a skin layout file, as a window start does.
// Prints the time of one such pass with the parsed file kept, with a parse per read (what a
// reader without the cache would cost), and while the file is too fresh to be trusted.

#include "ui/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <string>
#include <vector>

namespace {

constexpr int kKeys = 300;

std::u16string KeyName(int n) {
    char name[16];
    std::snprintf(name, sizeof name, "KEY_%03X", n);
    return std::u16string(name, name + std::char_traits<char>::length(name));
}

template <typename Pass> double MicrosecondsPerPass(int passes, Pass pass) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < passes; ++i) {
        pass();
    }
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / passes;
}

} // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-ini-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    std::filesystem::path dir = pattern;
    std::filesystem::path file = dir / "Main.ini";
    {
        std::ofstream out(file, std::ios::binary);
        out << "[SCREEN]\r\nMain=main_normal.jpg\r\nMask=main_mask.bmp\r\n\r\n[BUTTONINFO]\r\n";
        for (int n = 0; n < kKeys; ++n) {
            out << "KEY_" << std::hex << std::uppercase << std::setw(3) << std::setfill('0') << n
                << std::dec << " = " << 10 + n << "," << 20 + n % 17 << ",38,38\r\n";
        }
    }
    std::vector<std::u16string> keys;
    for (int n = 0; n < kKeys; ++n) {
        keys.push_back(KeyName(n));
    }
    size_t found = 0;
    auto readAll = [&](bool clearEachRead) {
        for (const std::u16string& key : keys) {
            if (clearEachRead) {
                ui::ClearIniCache();
            }
            found +=
                ui::GetPrivateProfileString(u"BUTTONINFO", key, u"1,1,1,1,x", 260, file).size();
        }
    };

    double fresh = MicrosecondsPerPass(200, [&] { readAll(false); });
    // A file last changed an hour ago, as a skin file is.
    struct timespec times[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    double uncached = MicrosecondsPerPass(20, [&] { readAll(true); });
    ui::ClearIniCache();
    double firstPass = MicrosecondsPerPass(1, [&] { readAll(false); });
    double cached = MicrosecondsPerPass(2000, [&] { readAll(false); });

    std::printf("reading %d keys of a %ju-byte layout file, per pass:\n", kKeys,
                static_cast<uintmax_t>(std::filesystem::file_size(file)));
    std::printf("  parse per read (no cache)          %10.1f us\n", uncached);
    std::printf("  first pass (one parse)             %10.1f us\n", firstPass);
    std::printf("  cached file                        %10.1f us  (%.2f us per key)\n", cached,
                cached / kKeys);
    std::printf("  file changed < 2 s ago (compared)  %10.1f us\n", fresh);
    std::printf("(checksum %zu)\n", found);
    std::filesystem::remove_all(dir);
    return 0;
}
