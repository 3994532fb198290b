#pragma once

// Small skins written into a temporary folder for the window tests.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

inline std::filesystem::path PathOf(const QTemporaryDir& dir, const QString& name) {
    return std::filesystem::path(dir.filePath(name).toStdString());
}

inline void WriteText(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    QFile f(dir.filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(text), text.size());
}

// A picture whose every pixel tells where it is: red = x, green = y (low bytes), blue = the
// high bits of both.
inline QImage PositionPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8)));
    return image;
}

inline QImage SolidPicture(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}
