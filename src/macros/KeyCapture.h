#pragma once

// Catches the keys of the application as desktop key messages (keys/ScanCodes.h) while a key
// is captured or a macro recorded, and on X11 grabs the keyboard for a window so that the
// keys which the desktop keeps for itself (Super, Menu, Alt+F4, Alt+Tab, Print Screen) reach
// it. Wayland offers no grab: there only the keys that reach the window are caught.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

class KeyCapture : public QObject {
    Q_OBJECT
public:
    // Returns true to swallow the event; false passes it on to the application's widgets
    // and, under the grab, to the desktop as well (a key pressed and released again there
    // once it is released here: the volume changes, but a held key does not repeat).
    using Handler = std::function<bool(uint8_t virtualKey, uint32_t lParam)>;

    explicit KeyCapture(QObject* parent = nullptr);
    ~KeyCapture() override;

    // Every key press and release of the application, auto-repeats included, goes to the
    // handler, as the window system delivers it (to a QWindow) and before any widget or
    // shortcut sees it. Shortcuts of the application do not fire meanwhile.
    void Start(Handler onKeyMessage);
    void Stop();
    // Holds the keyboard for the window whenever it is shown and active (X11 only); true
    // when the keyboard is grabbed now, false when that waits for the window or is not
    // possible here.
    bool Grab(QWidget* window);
    void Ungrab();
    bool Active() const;
    bool Grabbed() const { return grabbed_; }
    // While the handler runs: the key event's own time in ms, on the window system's clock
    // (the X server's time on X11), not the time the event was handled.
    uint32_t EventTime() const { return eventTime_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateFilter();
    bool UpdateGrab();
    void ReleaseGrab();
    void PassToDesktop(uint32_t xKeyCode);
    bool TakeReplayed(uint32_t xKeyCode, bool release);

    Handler handler_;
    QPointer<QWidget> grabWindow_;
    bool filtering_ = false;
    bool wantGrab_ = false;
    bool grabbed_ = false;
    int grabTries_ = 0;
    QTimer retryTimer_;
    // Keys handed to the desktop, whose press and release come back to this window when no
    // one takes them.
    struct Replayed {
        uint32_t xKeyCode;
        bool press;
        bool release;
        QElapsedTimer since;
    };
    std::vector<Replayed> replayed_;
    // Keys held down that the handler passed on under the grab.
    std::set<uint32_t> passedPresses_;
    uint32_t eventTime_ = 0;
};
