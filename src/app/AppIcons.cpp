#include "app/AppIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <map>

#include "app/ConnectionThread.h"

namespace app {

namespace {

QPixmap Keyboard(int size, bool connected) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    // Body
    p.setPen(QPen(QColor(0x9a, 0xa4, 0xb4), 1.2 * s));
    p.setBrush(QColor(0x23, 0x27, 0x30));
    p.drawRoundedRect(QRectF(1.5 * s, 8 * s, 29 * s, 17 * s), 3 * s, 3 * s);
    // Keys: three rows and a space bar
    p.setPen(Qt::NoPen);
    p.setBrush(connected ? QColor(0xe8, 0xec, 0xf2) : QColor(0xa8, 0xae, 0xb8));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 7 - (row == 2); ++col)
            p.drawRoundedRect(
                QRectF((4 + col * 3.6 + row * 1.2) * s, (10.5 + row * 3.6) * s, 2.6 * s, 2.6 * s),
                0.5 * s, 0.5 * s);
    p.drawRoundedRect(QRectF(9 * s, 21.3 * s, 14 * s, 2.2 * s), 0.6 * s, 0.6 * s);
    if (connected) {
        p.setBrush(QColor(0x3c, 0xd0, 0x70));
        p.setPen(QPen(QColor(0x10, 0x40, 0x20), 0.8 * s));
        p.drawEllipse(QPointF(26 * s, 6 * s), 4.2 * s, 4.2 * s);
    }
    return pixmap;
}

QPixmap Play(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2d, 0x8c, 0xf0));
    p.drawEllipse(QRectF(0.5 * s, 0.5 * s, 15 * s, 15 * s));
    QPainterPath triangle;
    triangle.moveTo(6 * s, 4 * s);
    triangle.lineTo(12 * s, 8 * s);
    triangle.lineTo(6 * s, 12 * s);
    triangle.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(triangle);
    return pixmap;
}

} // namespace

QPixmap AppIconPicture(int id, int size) {
    return Keyboard(size, id == kIconKeyboard);
}

QIcon AppIcon(int id) {
    static std::map<int, QIcon> cache;
    auto it = cache.find(id);
    if (it != cache.end())
        return it->second;
    QIcon icon;
    if (id == kIconMacroPlaying) {
        icon.addPixmap(Play(16)); // one 16 x 16 picture
    } else {
        for (int size : {16, 22, 24, 32, 48, 64})
            icon.addPixmap(Keyboard(size, id == kIconKeyboard));
    }
    return cache.emplace(id, icon).first->second;
}

} // namespace app
