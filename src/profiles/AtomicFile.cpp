#include "profiles/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
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
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes = bytes.subspan(static_cast<size_t>(n));
    }
    return true;
}

bool WritePieces(int fd, std::initializer_list<std::span<const uint8_t>> pieces) {
    for (auto piece : pieces) {
        if (!WriteAll(fd, piece))
            return false;
    }
    return true;
}

// An open descriptor, closed on every path.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes it now; false (errno set) when the close reports a late write error.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// Follows links the way opening the path for writing would, also to a name that does not
// exist yet (a dangling link creates the file it names). Returns 0 or an errno value.
int ResolveLinks(const std::string& path, std::string& out) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return errno;
            out = current;
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            out = current;
            return 0;
        }
        std::string named(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 4096, '\0');
        const ssize_t n = ::readlink(current.c_str(), named.data(), named.size());
        if (n < 0)
            return errno;
        named.resize(static_cast<size_t>(n));
        if (named.empty())
            return ENOENT;
        if (named.front() == '/') {
            current = named;
        } else {
            const size_t slash = current.rfind('/');
            current = slash == std::string::npos ? named : current.substr(0, slash + 1) + named;
        }
    }
    return ELOOP;
}

// The replacement cannot be made (the folder is not writable) or could not keep the
// owner: the file is rewritten through the descriptor that proved it writable.
bool RewriteInPlace(int fd, std::initializer_list<std::span<const uint8_t>> pieces) {
    if (::ftruncate(fd, 0) != 0)
        return false;
    if (::lseek(fd, 0, SEEK_SET) < 0)
        return false;
    return WritePieces(fd, pieces) && ::fsync(fd) == 0;
}

int WriteFile(const std::filesystem::path& path,
              std::initializer_list<std::span<const uint8_t>> pieces) {
    static std::atomic<unsigned> counter{0};
    std::string target;
    if (int error = ResolveLinks(path.native(), target))
        return error;

    // Only a regular file that the user may write is replaced: a pipe or a device node in
    // its place, or a file made read-only, stays as it is.
    Descriptor existing;
    struct stat was {};
    if (::stat(target.c_str(), &was) == 0) {
        if (S_ISDIR(was.st_mode))
            return EISDIR;
        if (!S_ISREG(was.st_mode))
            return kNotRegularFile;
        existing.Reset(
            ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
        if (existing.Get() < 0)
            return errno;
        if (::fstat(existing.Get(), &was) != 0)
            return errno;
        if (!S_ISREG(was.st_mode))
            return kNotRegularFile;
    } else if (errno != ENOENT) {
        return errno;
    }
    const bool exists = existing.Get() >= 0;

    const size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string temp = folder + "/." + name + ".tmp-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1));

    Descriptor out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (out.Get() < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM))
            return RewriteInPlace(existing.Get(), pieces) ? 0 : errno;
        return error;
    }
    auto fail = [&temp](int error) {
        ::unlink(temp.c_str());
        return error;
    };
    if (exists) {
        struct stat made {};
        if (::fstat(out.Get(), &made) != 0)
            return fail(errno);
        if ((made.st_uid != was.st_uid || made.st_gid != was.st_gid) &&
            ::fchown(out.Get(), was.st_uid, was.st_gid) != 0) {
            // Another user's file that this one may write: a replacement would take it over.
            out.Close();
            fail(0);
            return RewriteInPlace(existing.Get(), pieces) ? 0 : errno;
        }
        // After the owner, which clears the set-id bits.
        if (::fchmod(out.Get(), was.st_mode & 07777) != 0)
            return fail(errno);
    }
    if (!WritePieces(out.Get(), pieces) || ::fsync(out.Get()) != 0)
        return fail(errno);
    if (!out.Close())
        return fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    // The rename itself reaches the disk with the folder.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
    return 0;
}

} // namespace

std::string DescribeFileError(int error) {
    if (error == kNotRegularFile)
        return "not a regular file";
    if (error <= 0)
        return "unknown error";
    char buffer[256];
    // The GNU variant: it returns the text, which need not be in the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}

int WriteFileAtomically(const std::filesystem::path& path,
                        std::initializer_list<std::span<const uint8_t>> pieces, int* error) {
    int found = 0;
    try {
        found = WriteFile(path, pieces);
    } catch (const std::bad_alloc&) {
        found = ENOMEM;
    }
    if (error)
        *error = found;
    return found == 0 ? 1 : 0;
}

} // namespace profiles
