#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <future>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/MainWindowServer.h"
#include "platform/MainWindowChannel.h"
#include "platform/WindowMessages.h"

class MainWindowServerTest : public QObject {
    Q_OBJECT

    // Runs a sender on another thread while this thread's event loop serves the request.
    int Send(uint32_t message, uint32_t tag) {
        auto result = std::async(std::launch::async, [=] {
            return platform::SendWindowMessage(getpid(), message, tag);
        });
        while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return result.get();
    }

private slots:
    void requestIsHandledBeforeTheAnswer() {
        std::vector<std::pair<uint32_t, uint32_t>> seen;
        app::MainWindowServer server([&](uint32_t m, uint32_t t) { seen.emplace_back(m, t); });
        QVERIFY(server.Listen());
        QCOMPARE(Send(platform::UM_OPEN, platform::kTagOpen), 1);
        QCOMPARE(Send(platform::UM_KILL, 0x12345678), 1);
        QCOMPARE(seen.size(), size_t(2));
        QCOMPARE(seen[0].first, platform::UM_OPEN);
        QCOMPARE(seen[0].second, platform::kTagOpen);
        // The tag is the window's to check: a wrong one reaches the handler unchanged.
        QVERIFY(!platform::TagMatches(seen[1].first, seen[1].second));
        server.Close();
        QCOMPARE(platform::SendToMainWindow(getpid(), platform::kChoiceOpen), 0);
    }

    // A handler may take long (a message box): the sender learns at once that a window
    // has its request, and gets the answer only after the handler.
    void requestIsAcknowledgedBeforeItIsHandled() {
        const auto path = platform::MainWindowSocketPath(getpid());
        std::atomic<bool> acknowledged{false};
        bool acknowledgedDuringHandling = false;
        app::MainWindowServer server([&](uint32_t, uint32_t) {
            for (int i = 0; i < 200 && !acknowledged; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            acknowledgedDuringHandling = acknowledged;
        });
        QVERIFY(server.Listen());
        auto reply = std::async(std::launch::async, [&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            path.string().copy(addr.sun_path, sizeof addr.sun_path - 1);
            std::string got(8, '\0');
            if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
                const auto request =
                    platform::EncodeRequest({platform::UM_OPEN, platform::kTagOpen});
                ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
                if (::recv(fd, got.data(), 4, MSG_WAITALL) == 4)
                    acknowledged = true;
                ::recv(fd, got.data() + 4, 4, MSG_WAITALL);
            }
            ::close(fd);
            return got;
        });
        while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCOMPARE(reply.get(), std::string("READDONE"));
        QVERIFY(acknowledgedDuringHandling);
    }

    // The window's thread may be busy for seconds (a keyboard that does not answer, the
    // handling of an earlier request): a request that comes meanwhile is still acknowledged
    // within the sender's time-out, and answered only once the window has handled it.
    void requestIsAcknowledgedWhileTheWindowIsBusy() {
        std::atomic<int> handled{0};
        std::atomic<bool> onWindowThread{true};
        std::future<std::pair<int, int>> second;
        app::MainWindowServer server([&](uint32_t, uint32_t tag) {
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                onWindowThread = false;
            if (tag == 1) {
                second = std::async(std::launch::async, [&] {
                    const int seen = platform::SendWindowMessage(getpid(), platform::UM_KILL, 2);
                    return std::pair(seen, handled.load());
                });
                std::this_thread::sleep_for(platform::kAcknowledgeTimeout +
                                            std::chrono::seconds(1));
            }
            ++handled;
        });
        QVERIFY(server.Listen());
        QCOMPARE(Send(platform::UM_OPEN, 1), 1);
        QVERIFY(second.valid());
        while (second.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const auto [seen, handledBeforeTheAnswer] = second.get();
        QCOMPARE(seen, 1);
        QCOMPARE(handledBeforeTheAnswer, 2);
        QVERIFY(onWindowThread);
    }

    // Closing while requests wait for the window's thread ends at once and releases their
    // senders; the window, being closed, does not handle them.
    void closingReleasesRequestsThatWaitForTheWindow() {
        const auto path = platform::MainWindowSocketPath(getpid());
        int handled = 0;
        app::MainWindowServer server([&](uint32_t, uint32_t) { ++handled; });
        QVERIFY(server.Listen());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const timeval patience{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        path.string().copy(addr.sun_path, sizeof addr.sun_path - 1);
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        const auto request = platform::EncodeRequest({platform::UM_OPEN, platform::kTagOpen});
        QCOMPARE(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), ssize_t(8));
        // No event is processed here: the acknowledgement does not need the window's thread.
        std::string got(8, '\0');
        QCOMPARE(::recv(fd, got.data(), 4, MSG_WAITALL), ssize_t(4));

        const auto begin = std::chrono::steady_clock::now();
        server.Close();
        QVERIFY(std::chrono::steady_clock::now() - begin < std::chrono::milliseconds(500));
        QCOMPARE(::recv(fd, got.data() + 4, 4, 0), ssize_t(0));
        ::close(fd);
        QCOMPARE(got.substr(0, 4), std::string("READ"));
        QCoreApplication::processEvents();
        QCOMPARE(handled, 0);
        QVERIFY(!std::filesystem::exists(path));
    }

    void anotherUserCannotReachTheWindow() {
        if (getuid() != 0)
            QSKIP("needs root to act as another user");
        std::atomic<int> handled{0};
        app::MainWindowServer server([&](uint32_t, uint32_t) { ++handled; });
        QVERIFY(server.Listen());
        const auto socket = platform::MainWindowSocketPath(getpid());
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(3);
            _exit(platform::SendWindowMessage(socket, platform::UM_KILL, platform::kTagKill));
        }
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(handled.load(), 0);
    }
};

QTEST_GUILESS_MAIN(MainWindowServerTest)
#include "MainWindowServerTest.moc"
