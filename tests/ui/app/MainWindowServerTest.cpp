#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <future>
#include <sys/wait.h>
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
