#include "vkbd/Server.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "common/SimProtocol.h"
#include "vkbd/FactoryContent.h"
#include "vkbd/Hex.h"
#include "vkbd/Keyboard.h"
#include "vkbd/StateFile.h"

namespace vkbd {

namespace sim = olvask::sim;

namespace {

using Clock = Keyboard::Clock;

enum class Role { Unknown, Host, Control };
struct Client {
    int fd;
    Role role;
};

bool Address(const std::string& path, sockaddr_un* address) {
    if (path.empty() || path.size() >= sizeof address->sun_path)
        return false;
    *address = {};
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool SomeoneListens(const std::string& path) {
    sockaddr_un address;
    if (!Address(path, &address))
        return false;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    const bool listening =
        fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return listening;
}

class Server {
public:
    Server(const ServeOptions& options, KeyboardMemory& memory, ViolationLog violations)
        : options_(options), memory_(memory),
          keyboard_(memory, options.latency, !options.startUnplugged),
          saved_(memory.FlashGeneration()) {
        keyboard_.SetLenient(options.lenient);
        keyboard_.SetViolations(std::move(violations));
        savedViolations_ = keyboard_.ViolationGeneration();
    }
    ~Server();

    int Run();

private:
    bool Listen();
    void Accept();
    bool Receive(Client& client);
    void Send(int fd, sim::Message type, std::span<const uint8_t> payload);
    void SendPlugState(int fd);
    void Flush();
    void Save();
    void ArmTimer();
    void Trace(const char* direction, std::span<const uint8_t> report);

    const ServeOptions& options_;
    KeyboardMemory& memory_;
    Keyboard keyboard_;
    uint64_t saved_;
    uint64_t savedViolations_ = 0;
    int listenFd_ = -1;
    int timerFd_ = -1;
    int signalFd_ = -1;
    ino_t socketInode_ = 0;
    std::vector<Client> clients_;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(sim::kMaxPacket);
};

Server::~Server() {
    for (const Client& c : clients_)
        close(c.fd);
    if (listenFd_ >= 0) {
        close(listenFd_);
        // Remove the socket only if it is still ours (a newer keyboard may have taken it).
        struct stat st;
        if (stat(options_.socketPath.c_str(), &st) == 0 && st.st_ino == socketInode_)
            unlink(options_.socketPath.c_str());
    }
    if (timerFd_ >= 0)
        close(timerFd_);
    if (signalFd_ >= 0)
        close(signalFd_);
}

bool Server::Listen() {
    sockaddr_un address;
    if (!Address(options_.socketPath, &address)) {
        std::fprintf(stderr, "olvask-vkbd: the socket path is empty or too long: %s\n",
                     options_.socketPath.c_str());
        return false;
    }
    if (SomeoneListens(options_.socketPath)) {
        std::fprintf(stderr, "olvask-vkbd: another virtual keyboard is serving %s\n",
                     options_.socketPath.c_str());
        return false;
    }
    const std::filesystem::path parent = std::filesystem::path(options_.socketPath).parent_path();
    std::error_code ec;
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    // Bound and listening under a temporary name, then renamed into place: a host that sees
    // the socket appear can connect at once.
    const std::string temporary = options_.socketPath + ".new" + std::to_string(getpid());
    sockaddr_un temporaryAddress;
    if (!Address(temporary, &temporaryAddress)) {
        std::fprintf(stderr, "olvask-vkbd: the socket path is too long: %s\n",
                     options_.socketPath.c_str());
        return false;
    }
    unlink(temporary.c_str());
    listenFd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0 ||
        bind(listenFd_, reinterpret_cast<sockaddr*>(&temporaryAddress), sizeof temporaryAddress) !=
            0 ||
        listen(listenFd_, 16) != 0 || rename(temporary.c_str(), options_.socketPath.c_str()) != 0) {
        std::fprintf(stderr, "olvask-vkbd: cannot listen on %s: %s\n", options_.socketPath.c_str(),
                     std::strerror(errno));
        unlink(temporary.c_str());
        return false;
    }
    struct stat st;
    if (stat(options_.socketPath.c_str(), &st) == 0)
        socketInode_ = st.st_ino;
    return true;
}

void Server::Send(int fd, sim::Message type, std::span<const uint8_t> payload) {
    const std::vector<uint8_t> packet = sim::Packet(type, payload);
    // A host that does not read loses what the keyboard sends, as on a bus.
    [[maybe_unused]] const ssize_t n =
        send(fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void Server::SendPlugState(int fd) {
    if (keyboard_.Plugged()) {
        const auto descriptor = ReportDescriptor();
        const std::vector<uint8_t> payload = sim::EncodePlugged(
            {0x0C45, 0x6515, std::vector<uint8_t>(descriptor.begin(), descriptor.end())});
        Send(fd, sim::Message::Plugged, payload);
    } else {
        Send(fd, sim::Message::Unplugged, {});
    }
}

void Server::Trace(const char* direction, std::span<const uint8_t> report) {
    if (options_.verbose)
        std::fprintf(stderr, "%s %s\n", direction, ToHex(report).c_str());
}

// Sends what the keyboard has put on the bus by now.
void Server::Flush() {
    for (const BusEvent& event : keyboard_.TakeDue(Clock::now())) {
        for (const Client& c : clients_) {
            if (c.role != Role::Host)
                continue;
            if (event.kind == BusEvent::Kind::Input)
                Send(c.fd, sim::Message::InputReport, event.report);
            else
                SendPlugState(c.fd);
        }
        if (event.kind == BusEvent::Kind::Input)
            Trace("<-", event.report);
    }
}

void Server::Save() {
    if (memory_.FlashGeneration() == saved_ && keyboard_.ViolationGeneration() == savedViolations_)
        return;
    std::string error;
    if (SaveState(options_.statePath, memory_.Flash(), &error, &keyboard_.Violations())) {
        saved_ = memory_.FlashGeneration();
        savedViolations_ = keyboard_.ViolationGeneration();
    } else
        std::fprintf(stderr, "olvask-vkbd: cannot save the state: %s\n", error.c_str());
}

void Server::ArmTimer() {
    itimerspec when{};
    if (const auto due = keyboard_.NextDue()) {
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(due->time_since_epoch()).count();
        // steady_clock is CLOCK_MONOTONIC; a zero time would disarm, so never pass 0.
        when.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
        when.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
        if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0)
            when.it_value.tv_nsec = 1;
    }
    timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &when, nullptr);
}

void Server::Accept() {
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        clients_.push_back({fd, Role::Unknown});
    }
}

// False when the client is gone or spoke out of turn.
bool Server::Receive(Client& client) {
    const ssize_t n = recv(client.fd, buffer_.data(), buffer_.size(), 0);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (n == 0)
        return false;
    const std::span<const uint8_t> packet(buffer_.data(), static_cast<size_t>(n));
    const auto type = static_cast<sim::Message>(packet[0]);
    const auto payload = packet.subspan(1);
    if (client.role == Role::Unknown && type == sim::Message::HostHello) {
        if (payload.empty() || payload[0] != sim::kProtocolVersion)
            return false;
        client.role = Role::Host;
        SendPlugState(client.fd);
        return true;
    }
    if (client.role == Role::Host && type == sim::Message::OutputReport) {
        Trace("->", payload);
        keyboard_.OutputReport(payload, Clock::now(), client.fd);
        return true;
    }
    if (client.role == Role::Unknown && type == sim::Message::Control) {
        client.role = Role::Control;
        const sim::ControlReply reply =
            keyboard_.Control(sim::DecodeControl(payload), Clock::now());
        // The hosts hear of a change before the one who asked for it is told it is done.
        Flush();
        Send(client.fd, sim::Message::ControlReply, sim::EncodeReply(reply));
        return true;
    }
    return false;
}

int Server::Run() {
    if (!Listen())
        return 1;
    // A keyboard answers when its interval is over, not up to the kernel's default 50 us of
    // timer slack later: the answer latency is what --latency says.
    prctl(PR_SET_TIMERSLACK, 1UL);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    signalFd_ = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (signalFd_ < 0 || timerFd_ < 0) {
        std::fprintf(stderr, "olvask-vkbd: %s\n", std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "olvask-vkbd: serving %s (state %s)\n", options_.socketPath.c_str(),
                 options_.statePath.c_str());

    std::vector<pollfd> fds;
    while (!keyboard_.QuitRequested()) {
        fds.assign({{listenFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}, {timerFd_, POLLIN, 0}});
        for (const Client& c : clients_)
            fds.push_back({c.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            break;
        if (fds[2].revents) {
            uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t n = read(timerFd_, &expirations, sizeof expirations);
        }
        std::vector<int> closed;
        for (size_t i = 0; i < clients_.size(); ++i) {
            if (fds[i + 3].revents == 0)
                continue;
            if (!(fds[i + 3].revents & POLLIN) || !Receive(clients_[i]))
                closed.push_back(clients_[i].fd);
            if (keyboard_.ExitRequested())
                std::_Exit(0); // gone, as a keyboard torn off the bus is; flash is saved already
        }
        for (int fd : closed) {
            keyboard_.HostGone(fd, Clock::now());
            close(fd);
            std::erase_if(clients_, [fd](const Client& c) { return c.fd == fd; });
        }
        if (fds[0].revents)
            Accept();
        size_t hosts = 0;
        for (const Client& c : clients_)
            hosts += c.role == Role::Host ? 1 : 0;
        keyboard_.SetHostCount(hosts);
        Save();
        Flush();
        ArmTimer();
    }
    return 0;
}

} // namespace

int Serve(const ServeOptions& options) {
    MemoryImage image = FactoryImage(options.macroUnits.value_or(kDefaultMacroUnits));
    ViolationLog violations;
    if (!options.reset) {
        std::string error;
        switch (LoadState(options.statePath, &image, &error, &violations)) {
        case LoadResult::Loaded:
            break;
        case LoadResult::Missing:
            break;
        case LoadResult::Damaged:
            std::fprintf(stderr, "olvask-vkbd: %s\n(move the file away, or start with --reset)\n",
                         error.c_str());
            return 1;
        }
    }
    KeyboardMemory memory(image);
    if (options.macroUnits)
        memory.SetMacroUnits(*options.macroUnits);
    std::error_code ec;
    if (!options.statePath.parent_path().empty())
        std::filesystem::create_directories(options.statePath.parent_path(), ec);
    // The state file exists from the start, so that it always shows what the keyboard holds.
    std::string error;
    if (!SaveState(options.statePath, memory.Flash(), &error, &violations)) {
        std::fprintf(stderr, "olvask-vkbd: cannot save the state: %s\n", error.c_str());
        return 1;
    }
    Server server(options, memory, std::move(violations));
    return server.Run();
}

} // namespace vkbd
