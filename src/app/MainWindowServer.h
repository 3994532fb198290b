#pragma once

// The receiving side of the main window channel: a local socket in a folder only this user
// can enter, acknowledging each request as soon as it is read and answering it after the
// window has handled it.

#include <QLocalServer>
#include <QObject>
#include <functional>

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
    void Close();

private:
    void OnConnection();

    Handler handler_;
    QLocalServer server_;
    QString path_;
};

} // namespace app
