#pragma once

// Keeps the skin's surfaces drawn only while a window of the program is on screen. The
// program lives hidden in the notification area most of the day: the surfaces sleep from
// the start, wake just before a dialog window shows, and sleep again once the last one has
// been hidden for a while (a window shown again soon after stays quick to show). Menus and
// the notification-area icon need none of them.

#include <QObject>
#include <QTimer>

#include <chrono>

#include "ui/SkinSurfacePause.h"

namespace ui {

class SkinSurfaceKeeper : public QObject {
public:
    // Watches every window of the application from now on.
    explicit SkinSurfaceKeeper(std::chrono::milliseconds sleepAfter = kSurfacesSleepAfter);
    ~SkinSurfaceKeeper() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SleepWhenNothingShows();

    QTimer check_;
};

} // namespace ui
