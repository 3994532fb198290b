#include "vkbd/StateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

#include "vkbd/Hex.h"

namespace vkbd {

namespace {

constexpr const char* kHeader = "olvask-vkbd state 1";

struct Field {
    const char* name;
    uint8_t* bytes;
    size_t size;
};

std::vector<Field> Fields(MemoryImage& image) {
    return {{"config", image.config.data(), image.config.size()},
            {"params", image.params.data(), image.params.size()},
            {"keymaps", image.keyMaps.data(), image.keyMaps.size()},
            {"keycolours", image.keyColours.data(), image.keyColours.size()},
            {"macros", image.macroArea.data(), image.macroArea.size()}};
}

bool Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return false;
}

} // namespace

LoadResult LoadState(const std::filesystem::path& path, MemoryImage* image, std::string* error,
                     ViolationLog* violations) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return LoadResult::Missing;
    std::ifstream in(path);
    if (!in) {
        Fail(error, path.string() + ": cannot be read");
        return LoadResult::Damaged;
    }
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        Fail(error, path.string() + " is not a state file of the virtual keyboard");
        return LoadResult::Damaged;
    }
    std::map<std::string, std::vector<uint8_t>> values;
    ViolationLog recorded;
    constexpr std::string_view kForgotten = "violations-forgotten ";
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        if (const auto v = ParseViolationLine(line)) {
            recorded.entries.push_back(*v);
            continue;
        }
        if (line.rfind(kForgotten, 0) == 0) {
            recorded.forgotten = std::strtoull(line.c_str() + kForgotten.size(), nullptr, 10);
            continue;
        }
        const size_t space = line.find(' ');
        const auto bytes =
            space == std::string::npos ? std::nullopt : FromHex(line.substr(space + 1));
        if (!bytes) {
            Fail(error, path.string() + ": a line is not \"name hex\"");
            return LoadResult::Damaged;
        }
        values[line.substr(0, space)] = *bytes;
    }
    MemoryImage loaded;
    for (const Field& f : Fields(loaded)) {
        const auto it = values.find(f.name);
        if (it == values.end() || it->second.size() != f.size) {
            Fail(error, path.string() + ": \"" + f.name + "\" is missing or has the wrong size");
            return LoadResult::Damaged;
        }
        std::copy(it->second.begin(), it->second.end(), f.bytes);
    }
    *image = loaded;
    if (violations)
        *violations = std::move(recorded);
    return LoadResult::Loaded;
}

bool SaveState(const std::filesystem::path& path, const MemoryImage& image, std::string* error,
               const ViolationLog* violations) {
    MemoryImage copy = image;
    std::string text = std::string(kHeader) + "\n";
    for (const Field& f : Fields(copy))
        text += std::string(f.name) + " " + ToHex({f.bytes, f.size}) + "\n";
    if (violations) {
        if (violations->forgotten > 0)
            text += "violations-forgotten " + std::to_string(violations->forgotten) + "\n";
        for (const Violation& v : violations->entries)
            text += ViolationLine(v) + "\n";
    }

    const std::string temporary = path.string() + ".tmp" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return Fail(error, temporary + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string reason = std::strerror(errno);
            close(fd);
            unlink(temporary.c_str());
            return Fail(error, temporary + ": " + reason);
        }
        done += static_cast<size_t>(n);
    }
    const bool synced = fsync(fd) == 0;
    close(fd);
    if (!synced || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        unlink(temporary.c_str());
        return Fail(error, path.string() + ": " + reason);
    }
    return true;
}

std::filesystem::path DefaultStatePath() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        base = "/tmp";
    return base / "olvask-vkbd" / "state";
}

} // namespace vkbd
