#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

InstanceLock::State InstanceLock::Open(const std::filesystem::path& file) {
    Close();
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return State::Failed;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return State::Created;
    }
    return errno == EWOULDBLOCK ? State::Exists : State::Failed;
}

void InstanceLock::Close() {
    if (fd_ >= 0)
        ::close(fd_); // releases the flock with the last descriptor
    fd_ = -1;
    held_ = false;
}

std::filesystem::path RuntimeFolder() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
        return xdg;
    // A folder of our own under /tmp; one that someone else made, or a link, is not used.
    const auto folder =
        std::filesystem::temp_directory_path() / ("brisvane-" + std::to_string(getuid()));
    ::mkdir(folder.c_str(), 0700);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
        (st.st_mode & 077) == 0)
        return folder;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".cache";
}

std::filesystem::path InstanceLockPath() {
    return RuntimeFolder() / "Brisvane_Mutex_TQ907 104key.lock";
}

} // namespace platform
