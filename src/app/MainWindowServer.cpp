#include "app/MainWindowServer.h"

#include <QLocalSocket>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/MainWindowChannel.h"

namespace app {

namespace {

// Only a process of the same user may talk to the window.
bool PeerIsThisUser(const QLocalSocket& socket) {
    ucred cred{};
    socklen_t length = sizeof cred;
    const int fd = static_cast<int>(socket.socketDescriptor());
    return fd >= 0 && getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 &&
           cred.uid == getuid();
}

} // namespace

MainWindowServer::MainWindowServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    connect(&server_, &QLocalServer::newConnection, this, &MainWindowServer::OnConnection);
}

MainWindowServer::~MainWindowServer() {
    Close();
}

bool MainWindowServer::Listen() {
    platform::RemoveStaleWindowSockets();
    path_ = QString::fromStdString(platform::MainWindowSocketPath(getpid()).string());
    QLocalServer::removeServer(path_); // a stale socket left by a copy that crashed
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(path_);
}

void MainWindowServer::Close() {
    if (server_.isListening()) {
        server_.close();
        QLocalServer::removeServer(path_);
    }
}

void MainWindowServer::OnConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < 8)
                return;
            const QByteArray bytes = socket->read(8);
            // Acknowledged at once: the sender then knows a window will answer, however
            // long the handling takes.
            socket->write(reinterpret_cast<const char*>(platform::kRequestRead.data()),
                          platform::kRequestRead.size());
            socket->flush();
            const auto request =
                platform::DecodeRequest(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                        static_cast<size_t>(bytes.size()));
            if (request && handler_)
                handler_(request->message, request->tag);
            // The handler may have ended the program's loop; answer in any case so the
            // sender is never left waiting.
            socket->write(reinterpret_cast<const char*>(platform::kRequestDone.data()),
                          platform::kRequestDone.size());
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

} // namespace app
