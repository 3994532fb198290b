#pragma once

// Keeps the skin's surfaces drawn only while a window of the program is on screen. The
// program lives hidden in the notification area most of the day: the surfaces sleep from
// the start, wake just before a dialog window shows, and sleep again once the last one has
// hidden. Menus and the notification-area icon need none of them.

#include <QObject>
#include <QTimer>

namespace ui {

class SkinSurfaceKeeper : public QObject {
public:
    // Watches every window of the application from now on.
    SkinSurfaceKeeper();
    ~SkinSurfaceKeeper() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SleepWhenNothingShows();

    QTimer check_;
};

} // namespace ui
