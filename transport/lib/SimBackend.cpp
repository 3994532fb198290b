#include "lib/SimBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "common/ReportDescriptor.h"
#include "common/SimProtocol.h"
#include "lib/Log.h"

namespace olvask {

namespace {

constexpr size_t kReceiveBuffer = 4096; // plug notices and input reports are small

std::vector<Usage> ServedCollections(const std::optional<ReportLayout>& layout) {
    std::vector<Usage> served;
    if (!layout)
        return served;
    for (const CollectionReports& c : layout->collections)
        if (std::find(std::begin(kServedCollections), std::end(kServedCollections), c.usage) !=
            std::end(kServedCollections))
            served.push_back(c.usage);
    return served;
}

} // namespace

SimBackend::SimBackend(std::vector<std::string> socketPaths, SimOptions options)
    : options_(options) {
    for (std::string& path : socketPaths) {
        auto link = std::make_unique<Link>();
        link->name = std::filesystem::path(path).filename().string();
        link->path = std::move(path);
        links_.push_back(std::move(link));
    }
}

SimBackend::~SimBackend() {
    Stop();
}

bool SimBackend::Start(BackendEvents& events) {
    events_ = &events;
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0)
        return false;
    inotifyFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (auto& link : links_) {
        if (!Watch(*link))
            Log(1, "cannot watch the folder of %s; trying it every %lld ms", link->path.c_str(),
                static_cast<long long>(options_.unwatchedRetry.count()));
        if (!Connect(*link))
            continue;
        // The keyboard answers the greeting at once; wait for it so that the first count
        // the program asks for is already right.
        pollfd p{link->fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(options_.helloWait.count())) > 0 && !Receive(*link))
            Disconnect(*link);
    }
    running_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void SimBackend::Stop() {
    if (!running_.exchange(false))
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(stopFd_, &one, sizeof one);
    thread_.join();
    for (auto& link : links_) {
        std::lock_guard lock(link->mutex);
        if (link->fd >= 0)
            close(link->fd);
        link->fd = -1;
        link->node = 0;
    }
    if (inotifyFd_ >= 0)
        close(inotifyFd_);
    close(stopFd_);
    inotifyFd_ = stopFd_ = -1;
}

bool SimBackend::Write(uint32_t node, std::span<const uint8_t> report) {
    const std::vector<uint8_t> packet = sim::Packet(sim::Message::OutputReport, report);
    for (auto& link : links_) {
        std::lock_guard lock(link->mutex);
        if (link->node != node || link->fd < 0)
            continue;
        const ssize_t sent = send(link->fd, packet.data(), packet.size(), MSG_NOSIGNAL);
        return sent == static_cast<ssize_t>(packet.size());
    }
    return false;
}

bool SimBackend::Connect(Link& link) {
    if (link.path.size() >= sizeof(sockaddr_un::sun_path))
        return false;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, link.path.c_str(), link.path.size() + 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return false;
    }
    // A keyboard that stops reading must not hold a writer for long.
    timeval timeout{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const uint8_t version = sim::kProtocolVersion;
    const std::vector<uint8_t> hello = sim::Packet(sim::Message::HostHello, {&version, 1});
    if (send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(hello.size())) {
        close(fd);
        return false;
    }
    std::lock_guard lock(link.mutex);
    link.fd = fd;
    link.retriesLeft = 0;
    Log(2, "connected to %s", link.path.c_str());
    return true;
}

void SimBackend::Disconnect(Link& link) {
    uint32_t node = 0;
    {
        std::lock_guard lock(link.mutex);
        if (link.fd >= 0)
            close(link.fd);
        link.fd = -1;
        node = link.node;
        link.node = 0;
    }
    if (node != 0)
        events_->NodeLeft(node);
    // The keyboard's process may still be there (or come back at once): try again a while.
    link.retriesLeft = options_.connectRetries;
    link.nextTry = Clock::now() + options_.retryPause;
}

// False when the connection is over.
bool SimBackend::Receive(Link& link) {
    uint8_t buffer[kReceiveBuffer];
    const ssize_t n = recv(link.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (n == 0)
        return false;
    HandlePacket(link, {buffer, static_cast<size_t>(n)});
    return true;
}

void SimBackend::HandlePacket(Link& link, std::span<const uint8_t> packet) {
    if (packet.empty())
        return;
    const auto type = static_cast<sim::Message>(packet[0]);
    const auto payload = packet.subspan(1);
    if (type == sim::Message::Plugged) {
        const auto info = sim::DecodePlugged(payload);
        if (!info)
            return;
        uint32_t old = 0;
        {
            std::lock_guard lock(link.mutex);
            old = std::exchange(link.node, 0);
        }
        if (old != 0)
            events_->NodeLeft(old);
        const auto layout = ParseReportDescriptor(info->descriptor);
        const std::vector<Usage> served = ServedCollections(layout);
        ReportRouter router(layout, served);
        const NodeInfo node{info->vendorId, info->productId, served, router.Numbered()};
        const uint32_t id = nextNode_++;
        {
            std::lock_guard lock(link.mutex);
            link.router = router;
            link.node = id;
        }
        events_->NodeArrived(id, node);
    } else if (type == sim::Message::Unplugged) {
        uint32_t old = 0;
        {
            std::lock_guard lock(link.mutex);
            old = std::exchange(link.node, 0);
        }
        if (old != 0)
            events_->NodeLeft(old);
    } else if (type == sim::Message::InputReport) {
        // Only this thread changes node and router, so reading them here needs no lock.
        if (link.node == 0)
            return;
        if (const auto usage = link.router.Route(payload))
            events_->ReportArrived(link.node, *usage, payload);
    }
}

// Watches the socket's directory or, where that does not exist (yet), the nearest directory
// above it, for the name on the way down. False where nothing can be watched.
bool SimBackend::Watch(Link& link) {
    link.watch = -1;
    if (inotifyFd_ < 0)
        return false;
    constexpr uint32_t kMask = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_MOVE_SELF;
    std::filesystem::path folder = std::filesystem::path(link.path).parent_path();
    std::string awaited = link.name;
    bool own = true;
    for (;;) {
        const std::string dir = folder.empty() ? "." : folder.string();
        const int wd = inotify_add_watch(inotifyFd_, dir.c_str(), kMask);
        if (wd >= 0) {
            link.watch = wd;
            link.ownFolder = own;
            link.awaited = awaited;
            Log(2, "watching %s for %s", dir.c_str(), awaited.c_str());
            return true;
        }
        if ((errno != ENOENT && errno != ENOTDIR) || folder.empty() ||
            folder == folder.parent_path())
            return false;
        awaited = folder.filename().string();
        folder = folder.parent_path();
        own = false;
    }
}

void SimBackend::ReadWatchEvents() {
    alignas(inotify_event) char buffer[4096];
    std::vector<Link*> rewatch;
    for (;;) {
        const ssize_t n = read(inotifyFd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t off = 0; off < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + off);
            off += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            for (auto& link : links_) {
                if (link->watch != event->wd)
                    continue;
                // The watched directory went away or moved: find the way down again.
                const bool lost = event->mask & (IN_IGNORED | IN_MOVE_SELF);
                const bool awaited = event->len > 0 && link->awaited == event->name;
                if (lost || (awaited && !link->ownFolder)) {
                    if (std::find(rewatch.begin(), rewatch.end(), link.get()) == rewatch.end())
                        rewatch.push_back(link.get());
                } else if (awaited && link->fd < 0) {
                    link->retriesLeft = options_.connectRetries;
                    link->nextTry = Clock::now();
                }
            }
        }
    }
    for (Link* link : rewatch) {
        const int old = link->watch;
        Watch(*link);
        if (old >= 0 && old != link->watch &&
            std::none_of(links_.begin(), links_.end(),
                         [&](const auto& other) { return other->watch == old; }))
            inotify_rm_watch(inotifyFd_, old);
        // Directories made in a hurry may already hold the socket.
        if (link->fd < 0 && (link->watch < 0 || link->ownFolder)) {
            link->retriesLeft = options_.connectRetries;
            link->nextTry = Clock::now();
        }
    }
}

int SimBackend::PollTimeoutMs() const {
    const auto now = Clock::now();
    std::optional<Clock::duration> soonest;
    for (const auto& link : links_) {
        if (link->fd >= 0 || (link->watch >= 0 && link->retriesLeft <= 0))
            continue;
        const auto wait = std::max(Clock::duration::zero(), link->nextTry - now);
        if (!soonest || wait < *soonest)
            soonest = wait;
    }
    if (!soonest)
        return -1;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*soonest).count());
}

void SimBackend::Run() {
    std::vector<pollfd> fds;
    std::vector<Link*> polled;
    for (;;) {
        fds.assign({{stopFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}});
        polled.clear();
        for (auto& link : links_) {
            if (link->fd >= 0) {
                fds.push_back({link->fd, POLLIN, 0});
                polled.push_back(link.get());
            }
        }
        const int ready = poll(fds.data(), fds.size(), PollTimeoutMs());
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[0].revents)
            return;
        if (fds[1].revents)
            ReadWatchEvents();
        for (size_t i = 0; i < polled.size(); ++i) {
            if (fds[i + 2].revents == 0)
                continue;
            Link& link = *polled[i];
            // Drain what is readable; a hang-up with data still queued delivers the data first.
            bool open = true;
            if (fds[i + 2].revents & POLLIN)
                open = Receive(link);
            else if (fds[i + 2].revents & (POLLHUP | POLLERR | POLLNVAL))
                open = false;
            if (!open)
                Disconnect(link);
        }
        const auto now = Clock::now();
        for (auto& link : links_) {
            if (link->fd >= 0 || now < link->nextTry)
                continue;
            if (link->watch >= 0 && link->retriesLeft <= 0)
                continue;
            if (Connect(*link))
                continue;
            if (link->watch >= 0)
                --link->retriesLeft;
            link->nextTry =
                now + (link->watch >= 0 ? options_.retryPause : options_.unwatchedRetry);
        }
    }
}

} // namespace olvask
