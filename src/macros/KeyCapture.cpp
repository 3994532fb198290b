#include "macros/KeyCapture.h"

#include "keys/ScanCodes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWindow>

#include <cstdlib>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#include <xcb/xtest.h>
#endif

namespace {

// A grab fails while another client holds the keyboard (the window manager's switcher, a
// menu): it is tried again for a while.
constexpr int kGrabTries = 40;
constexpr int kGrabRetryMs = 50;
// A key handed to the desktop that no one took returns within this time.
constexpr qint64 kReplayReturnMs = 250;

#if QT_CONFIG(xcb)
xcb_connection_t* XConnection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}
#endif

} // namespace

KeyCapture::KeyCapture(QObject* parent) : QObject(parent) {
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(kGrabRetryMs);
    connect(&retryTimer_, &QTimer::timeout, this, [this] { UpdateGrab(); });
}

KeyCapture::~KeyCapture() {
    Stop();
    Ungrab();
}

void KeyCapture::Start(Handler onKeyMessage) {
    handler_ = std::move(onKeyMessage);
    UpdateFilter();
}

void KeyCapture::Stop() {
    handler_ = nullptr;
    replayed_.clear();
    passedPresses_.clear();
    UpdateFilter();
}

// The application's events are watched while keys are captured or the keyboard is wanted.
void KeyCapture::UpdateFilter() {
    const bool want = handler_ || wantGrab_;
    if (want != filtering_ && qApp) {
        filtering_ = want;
        if (want) {
            qApp->installEventFilter(this);
        } else {
            qApp->removeEventFilter(this);
        }
    }
}

bool KeyCapture::Active() const {
    return static_cast<bool>(handler_);
}

bool KeyCapture::Grab(QWidget* window) {
    QWidget* top = window ? window->window() : nullptr;
    if (top != grabWindow_) {
        Ungrab();
        grabWindow_ = top;
    }
    wantGrab_ = top != nullptr;
    grabTries_ = kGrabTries;
    UpdateFilter();
    return UpdateGrab();
}

void KeyCapture::Ungrab() {
    wantGrab_ = false;
    retryTimer_.stop();
    ReleaseGrab();
    grabWindow_ = nullptr;
    UpdateFilter();
}

// The grab follows the window: held while it is shown and active, so that keys typed into
// another window the user clicked are not taken from it.
bool KeyCapture::UpdateGrab() {
    const bool want =
        wantGrab_ && grabWindow_ && grabWindow_->isVisible() && grabWindow_->isActiveWindow();
    if (!want) {
        ReleaseGrab();
        return false;
    }
    if (grabbed_) {
        return true;
    }
#if QT_CONFIG(xcb)
    xcb_connection_t* c = XConnection();
    if (!c) {
        return false;
    }
    const auto window = static_cast<xcb_window_t>(grabWindow_->winId());
    xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(
        c,
        xcb_grab_keyboard(c, 0, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    grabbed_ = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    if (!grabbed_ && grabTries_ > 0) {
        --grabTries_;
        retryTimer_.start();
    }
#endif
    return grabbed_;
}

void KeyCapture::ReleaseGrab() {
    if (!grabbed_) {
        return;
    }
    grabbed_ = false;
#if QT_CONFIG(xcb)
    if (xcb_connection_t* c = XConnection()) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
#endif
}

// Under the grab the desktop's own shortcuts (volume, media) never see their keys. A key the
// handler passes on is typed again through the X test extension once it is released (while
// it is held the server would take a second press of it for none), with the keyboard let go
// for that moment, so that whoever the desktop gave the key to gets it; then the keyboard is
// taken back. A key held down therefore acts once, on its release.
void KeyCapture::PassToDesktop(uint32_t xKeyCode) {
#if QT_CONFIG(xcb)
    xcb_connection_t* c = XConnection();
    if (!c || !grabbed_ || xKeyCode > 0xFF) {
        return;
    }
    const auto key = static_cast<uint8_t>(xKeyCode);
    ReleaseGrab();
    xcb_test_fake_input(c, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    Replayed replayed{xKeyCode, true, true, {}};
    replayed.since.start();
    replayed_.push_back(replayed);
    grabTries_ = kGrabTries;
    UpdateGrab();
#else
    Q_UNUSED(xKeyCode);
#endif
}

bool KeyCapture::TakeReplayed(uint32_t xKeyCode, bool release) {
    std::erase_if(replayed_, [](const Replayed& r) {
        return (!r.press && !r.release) || r.since.hasExpired(kReplayReturnMs);
    });
    for (Replayed& r : replayed_) {
        bool& pending = release ? r.release : r.press;
        if (r.xKeyCode == xKeyCode && pending && (release ? !r.press : true)) {
            pending = false;
            return true;
        }
    }
    return false;
}

bool KeyCapture::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Hide:
        if (wantGrab_ && watched != grabWindow_.data() && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->windowType() == Qt::Popup) {
            // Closing its last popup (a menu, a drop-down list) Qt lets the keyboard go,
            // this grab included: it is taken again once no popup is left.
            grabbed_ = false;
            QTimer::singleShot(0, this, [this] {
                if (!QApplication::activePopupWidget()) {
                    grabTries_ = kGrabTries;
                    UpdateGrab();
                }
            });
            return false;
        }
        [[fallthrough]];
    case QEvent::Show:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        if (watched == grabWindow_.data() && wantGrab_) {
            grabTries_ = kGrabTries;
            UpdateGrab();
        }
        return false;
    case QEvent::ShortcutOverride:
        if (handler_) {
            // The key is the capture's, not a shortcut's.
            event->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        break;
    default:
        return false;
    }
    // Each key event reaches the application's filters once at its window and again at every
    // widget it is passed to: it is taken at the window only.
    if (!handler_ || !watched->isWindowType()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool release = event->type() == QEvent::KeyRelease;
    const uint32_t xKeyCode = key->nativeScanCode();
    if (TakeReplayed(xKeyCode, release)) {
        return false;
    }
    const keys::KeyMessage message =
        keys::KeyMessageOfXKeyCode(xKeyCode, release, key->isAutoRepeat());
    eventTime_ = static_cast<uint32_t>(key->timestamp());
    // A copy: the handler may stop the capture.
    Handler handler = handler_;
    const bool swallow = handler(message.virtualKey, message.lParam);
    if (!release) {
        if (swallow || !grabbed_) {
            passedPresses_.erase(xKeyCode);
        } else {
            passedPresses_.insert(xKeyCode);
        }
    } else if (passedPresses_.erase(xKeyCode) > 0 && !swallow) {
        PassToDesktop(xKeyCode);
    }
    return swallow;
}
