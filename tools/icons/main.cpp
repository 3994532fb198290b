// brisvane-icons: writes the application icon into an icon theme folder,
// FOLDER/hicolor/NxN/apps/brisvane.png, drawn by the program's own icon code.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/AppIcons.h"
#include "app/ConnectionThread.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brisvane-icons FOLDER\n");
        return 2;
    }
    // Drawing needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(dir) ||
            !app::AppIconPicture(app::kIconNoKeyboard, size).save(dir + "/brisvane.png", "PNG")) {
            std::fprintf(stderr, "brisvane-icons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
