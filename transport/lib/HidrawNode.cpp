#include "lib/HidrawNode.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace olvask {

std::unique_ptr<HidrawNode> HidrawNode::Adopt(int fd) {
    if (fd < 0)
        return nullptr;
    // Non-blocking, so that a read after poll() can never hang the reader.
    const int flags = fcntl(fd, F_GETFL);
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 || wakeFd < 0) {
        if (wakeFd >= 0)
            close(wakeFd);
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<HidrawNode>(new HidrawNode(fd, wakeFd));
}

std::unique_ptr<HidrawNode> HidrawNode::Open(const std::string& path) {
    return Adopt(open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
}

HidrawNode::~HidrawNode() {
    close(fd_);
    close(wakeFd_);
}

int HidrawNode::Read(std::span<uint8_t> buffer, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0)
            wait = static_cast<int>(std::max<int64_t>(
                0, std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count()));
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = poll(fds, 2, wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue; // a signal for the process, not the end of the node
            return -1;
        }
        if (ready == 0)
            return 0;
        if (fds[1].revents)
            return 0; // left set: every later Read returns at once too
        if (fds[0].revents & POLLIN) {
            // A node that went away still hands over what it had queued, then fails.
            const ssize_t n = read(fd_, buffer.data(), buffer.size());
            if (n > 0)
                return static_cast<int>(n);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            return -1;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return -1;
    }
}

void HidrawNode::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
}

int HidrawNode::Write(std::span<const uint8_t> report) {
    for (;;) {
        const ssize_t n = write(fd_, report.data(), report.size());
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 ? -1 : static_cast<int>(n);
    }
}

} // namespace olvask
