#pragma once

// The receiving side of the main window channel: a local socket in a folder only this user
// can enter. A thread of its own accepts and reads each request and acknowledges it at once,
// however busy the window's thread is; the window's thread handles it and then answers.

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/MainWindowChannel.h"

namespace app {

class MainWindowServer : public QObject {
    Q_OBJECT
public:
    // handler runs on this object's thread with the message and tag; the answer is sent
    // after it returns.
    using Handler = std::function<void(uint32_t message, uint32_t tag)>;

    explicit MainWindowServer(Handler handler, QObject* parent = nullptr);
    ~MainWindowServer() override;

    // Listens at the socket of this process; false when it cannot.
    bool Listen();
    // Stops listening; requests acknowledged but not yet handled are dropped and their
    // senders released. Call it on this object's thread.
    void Close();

private:
    void Serve();
    void Receive(int client);
    void Handle(uint64_t id, platform::WindowRequest request);

    Handler handler_;
    std::string path_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    std::thread thread_;

    // Connections acknowledged and waiting for the window's thread, by request.
    std::mutex pendingLock_;
    std::map<uint64_t, int> pending_;
    uint64_t nextId_ = 0;
};

} // namespace app
