#include "ui/SkinSurfaceKeeper.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>

#include "ui/SkinSurface.h"

namespace ui {

namespace {

bool IsDialogWindow(QObject* object) {
    auto* dialog = qobject_cast<QDialog*>(object);
    return dialog && dialog->isWindow();
}

} // namespace

SkinSurfaceKeeper::SkinSurfaceKeeper() {
    SleepSkinSurfaces();
    // Looked at once the hide is over: a dialog that closes as another opens leaves the
    // surfaces as they are.
    check_.setSingleShot(true);
    check_.setInterval(0);
    connect(&check_, &QTimer::timeout, this, [this] { SleepWhenNothingShows(); });
    qApp->installEventFilter(this);
}

SkinSurfaceKeeper::~SkinSurfaceKeeper() {
    qApp->removeEventFilter(this);
}

bool SkinSurfaceKeeper::eventFilter(QObject* watched, QEvent* event) {
    // Show comes before the window's first paint.
    if (event->type() == QEvent::Show && IsDialogWindow(watched))
        WakeSkinSurfaces();
    else if (event->type() == QEvent::Hide && IsDialogWindow(watched))
        check_.start();
    return false;
}

void SkinSurfaceKeeper::SleepWhenNothingShows() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (IsDialogWindow(window) && window->isVisible())
            return;
    SleepSkinSurfaces();
}

} // namespace ui
