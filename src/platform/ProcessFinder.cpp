#include "platform/ProcessFinder.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A program replaced on disk while running reads back as "name (deleted)".
std::string ExecutableName(const std::filesystem::path& exe) {
    std::string name = exe.filename().string();
    constexpr std::string_view deleted = " (deleted)";
    if (name.size() > deleted.size() && name.ends_with(deleted))
        name.resize(name.size() - deleted.size());
    return name;
}

} // namespace

pid_t FindProcessByFileName(std::string_view name, const std::filesystem::path& procRoot) {
    std::error_code ec;
    std::filesystem::directory_iterator it(procRoot, ec);
    if (ec)
        return 0;
    std::vector<pid_t> pids;
    for (const auto& entry : it) {
        const std::string base = entry.path().filename().string();
        pid_t pid = 0;
        const auto [end, err] = std::from_chars(base.data(), base.data() + base.size(), pid);
        if (err == std::errc() && end == base.data() + base.size() && pid > 0)
            pids.push_back(pid);
    }
    std::sort(pids.begin(), pids.end());
    const uid_t me = getuid();
    for (pid_t pid : pids) {
        const auto dir = procRoot / std::to_string(pid);
        struct stat st {};
        if (stat(dir.c_str(), &st) != 0 || st.st_uid != me)
            continue;
        std::error_code linkError;
        const auto exe = std::filesystem::read_symlink(dir / "exe", linkError);
        if (!linkError && SameNameIgnoringCase(ExecutableName(exe), name))
            return pid;
    }
    return 0;
}

} // namespace platform
