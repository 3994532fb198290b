#include "app/MainWindowServer.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace app {

namespace {

// Only a process of the same user may talk to the window.
bool PeerIsThisUser(int fd) {
    ucred cred{};
    socklen_t length = sizeof cred;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == getuid();
}

// Replies are 4 bytes to a peer that reads them: they fit in the socket's buffer, and a
// peer that went away must not stop the server.
bool Reply(int fd, const std::array<uint8_t, 4>& reply) {
    ssize_t sent;
    do
        sent = ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(reply.size());
}

} // namespace

MainWindowServer::MainWindowServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

MainWindowServer::~MainWindowServer() {
    Close();
}

bool MainWindowServer::Listen() {
    Close();
    platform::RemoveStaleWindowSockets();
    const std::string path = platform::MainWindowSocketPath(getpid()).string();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(path.c_str()); // a stale socket left by a copy that crashed with this pid
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    path_ = path;
    listenFd_ = fd;
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 16) != 0 || stopFd_ < 0) {
        Close();
        return false;
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void MainWindowServer::Close() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        while (::write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join(); // prompt: the thread never waits for the window's thread
    }
    for (int* fd : {&listenFd_, &stopFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
    // The window will not handle these any more; closing releases their senders, which
    // already know a window had their request.
    std::lock_guard lock(pendingLock_);
    for (const auto& [id, fd] : pending_)
        ::close(fd);
    pending_.clear();
}

void MainWindowServer::Serve() {
    pthread_setname_np(pthread_self(), "window-channel");
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            Receive(client);
        } else if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // The connection stays queued; try again a little later rather than spin.
            pollfd stop{stopFd_, POLLIN, 0};
            if (::poll(&stop, 1, 100) > 0)
                return;
        }
    }
}

void MainWindowServer::Receive(int client) {
    if (!PeerIsThisUser(client)) {
        ::close(client);
        return;
    }
    // A sender writes its request right after connecting and gives up on the
    // acknowledgement after its time-out: one that sends nothing for that long is dropped.
    std::array<uint8_t, 8> bytes{};
    size_t got = 0;
    const auto until = std::chrono::steady_clock::now() + platform::kAcknowledgeTimeout;
    while (got < bytes.size()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd fds[2] = {{client, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int ready = left.count() > 0 ? ::poll(fds, 2, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || fds[1].revents != 0) {
            ::close(client);
            return;
        }
        const ssize_t r = ::recv(client, bytes.data() + got, bytes.size() - got, 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            ::close(client);
            return;
        }
        got += static_cast<size_t>(r);
    }
    const auto request = platform::DecodeRequest(bytes.data(), bytes.size());
    if (!request || !Reply(client, platform::kRequestRead)) {
        ::close(client);
        return;
    }
    const uint64_t id = nextId_++;
    {
        std::lock_guard lock(pendingLock_);
        pending_.emplace(id, client);
    }
    QMetaObject::invokeMethod(
        this, [this, id, request = *request] { Handle(id, request); }, Qt::QueuedConnection);
}

void MainWindowServer::Handle(uint64_t id, platform::WindowRequest request) {
    int fd = -1;
    {
        std::lock_guard lock(pendingLock_);
        const auto it = pending_.find(id);
        if (it == pending_.end())
            return; // closed meanwhile; its sender was released then
        fd = it->second;
        pending_.erase(it);
    }
    // A copy: the handler may close or even destroy this server. It may also end the
    // program's loop; the answer goes out in any case so the sender is never left waiting.
    if (const Handler handler = handler_)
        handler(request.message, request.tag);
    Reply(fd, platform::kRequestDone);
    ::close(fd);
}

} // namespace app
