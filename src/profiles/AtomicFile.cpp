#include "profiles/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace profiles {
namespace {

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes = bytes.subspan(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

int WriteFileAtomically(const std::filesystem::path& path,
                        std::initializer_list<std::span<const uint8_t>> pieces) {
    static std::atomic<unsigned> counter{0};
    // Through a link to the file it names, as opening it for writing does; a file that is
    // there already keeps its permissions.
    std::error_code error;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, error)) {
        std::filesystem::path named = std::filesystem::canonical(path, error);
        if (!error)
            target = named;
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);

    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::filesystem::path temp =
        folder / ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter.fetch_add(1)));

    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return 0;
    bool ok = !exists || ::fchmod(fd, existing.st_mode & 07777) == 0;
    for (auto piece : pieces)
        ok = ok && WriteAll(fd, piece);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return 0;
    }
    // The rename itself reaches the disk with the folder.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 1;
}

} // namespace profiles
