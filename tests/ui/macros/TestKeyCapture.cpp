#include "macros/KeyCapture.h"

#include "keys/KeyCodes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <linux/input-event-codes.h>

#include <utility>
#include <vector>

namespace {

// A window that counts the keys it is given.
class KeyWindow : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

using Message = std::pair<uint8_t, uint32_t>;

} // namespace

class TestKeyCapture : public QObject {
    Q_OBJECT

    KeyWindow* window_ = nullptr;
    std::vector<Message> messages_;

    // The way the window system delivers a key: to the window, with the X key code.
    void Send(QEvent::Type type, int qtKey, uint32_t evdev, bool autoRepeat = false) {
        QKeyEvent event(type, qtKey, Qt::NoModifier, evdev + 8, 0, 0, QString(), autoRepeat);
        QCoreApplication::sendEvent(window_->windowHandle(), &event);
    }
    // Swallows every key except those a key code cannot name and the multimedia keys.
    bool Capture(uint8_t virtualKey, uint32_t lParam) {
        messages_.emplace_back(virtualKey, lParam);
        const uint16_t key = keys::KeyCodeOfKeyMessage(virtualKey, lParam);
        return key != 0 && key != 0x130;
    }

private slots:
    void init() {
        window_ = new KeyWindow;
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        messages_.clear();
    }
    void cleanup() { delete window_; }

    void keyEventsBecomeKeyMessagesAndSwallowedOnesReachNoWidget() {
        KeyCapture capture;
        capture.Start([this](uint8_t v, uint32_t l) { return Capture(v, l); });
        QVERIFY(capture.Active());

        Send(QEvent::KeyPress, Qt::Key_Super_L, KEY_LEFTMETA);
        Send(QEvent::KeyPress, Qt::Key_A, KEY_A, true);
        Send(QEvent::KeyRelease, Qt::Key_A, KEY_A);
        Send(QEvent::KeyPress, Qt::Key_Pause, KEY_PAUSE);
        Send(QEvent::KeyPress, Qt::Key_NumLock, KEY_NUMLOCK);
        Send(QEvent::KeyPress, Qt::Key_Enter, KEY_KPENTER);
        Send(QEvent::KeyPress, Qt::Key_Print, KEY_SYSRQ);
        QVERIFY(window_->keys.empty());
        // Passed on: the window gets them.
        Send(QEvent::KeyPress, Qt::Key_VolumeUp, KEY_VOLUMEUP);
        Send(QEvent::KeyPress, Qt::Key_unknown, KEY_KPEQUAL);
        QCOMPARE(window_->keys, (std::vector<int>{Qt::Key_VolumeUp, Qt::Key_unknown}));

        // Each event reaches the handler once, though it passes the window and its widget.
        const std::vector<Message> expected = {
            {0x5B, 0x015B0001}, {0x41, 0x401E0001}, {0x41, 0xC01E0001},
            {0x13, 0x00450001}, {0x90, 0x01450001}, {0x0D, 0x011C0001},
            {0x2C, 0x01370001}, {0xAF, 0x01300001}, {0x00, 0x00000001},
        };
        QCOMPARE(messages_, expected);
    }

    void afterStopKeysGoToTheWindowUntouched() {
        KeyCapture capture;
        capture.Start([this](uint8_t v, uint32_t l) { return Capture(v, l); });
        capture.Stop();
        QVERIFY(!capture.Active());
        Send(QEvent::KeyPress, Qt::Key_A, KEY_A);
        QVERIFY(messages_.empty());
        QCOMPARE(window_->keys, std::vector<int>{Qt::Key_A});
    }

    void theHandlerMayStopTheCaptureFromInside() {
        KeyCapture capture;
        capture.Start([&](uint8_t, uint32_t) {
            capture.Stop();
            return true;
        });
        Send(QEvent::KeyPress, Qt::Key_A, KEY_A);
        Send(QEvent::KeyPress, Qt::Key_B, KEY_B);
        QCOMPARE(window_->keys, std::vector<int>{Qt::Key_B});
    }

    // A shortcut of the application does not fire on a key being captured.
    void shortcutsWaitWhileCapturing() {
        QShortcut shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), window_);
        QSignalSpy fired(&shortcut, &QShortcut::activated);
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));

        KeyCapture capture;
        capture.Start([this](uint8_t v, uint32_t l) {
            messages_.emplace_back(v, l);
            return true;
        });
        QTest::keyClick(window_->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(fired.count(), 0);
        QVERIFY(!messages_.empty());

        capture.Stop();
        QTest::keyClick(window_->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(fired.count(), 1);
    }

    // Without X11 there is nothing to grab; the capture still sees what reaches the window.
    void grabIsRefusedWithoutX11() {
        KeyCapture capture;
        QVERIFY(!capture.Grab(window_));
        QVERIFY(!capture.Grabbed());
        capture.Ungrab();
    }
};

QTEST_MAIN(TestKeyCapture)
#include "TestKeyCapture.moc"
