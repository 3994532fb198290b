// skingen: renders the default skin.
//
//   skingen OUTDIR             writes OUTDIR/Skins (pictures, bitmaps, layout files)
//   skingen --preview DIR SKINS  places every control of each window on the skin in SKINS
//                              and writes one PNG per window and state into DIR

#include "Skin.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>

int RunPreview(int argc, char** argv); // Preview.cpp

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && std::strcmp(argv[1], "--preview") == 0)
        return RunPreview(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen OUTDIR | skingen --preview DIR SKINS\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    return skingen::WriteSkin(QDir(QString::fromLocal8Bit(argv[1])).filePath("Skins")) ? 0 : 1;
}
