#include "ui/SkinPalette.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

namespace ui {

void ApplySkinPalette(QWidget& control) {
    QPalette p = control.palette();
    const QColor field(17, 19, 22), panel(24, 27, 32), text(228, 230, 234);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Base, field);
        p.setColor(g, QPalette::AlternateBase, QColor(22, 25, 29));
        p.setColor(g, QPalette::Window, panel);
        p.setColor(g, QPalette::Button, QColor(42, 46, 53));
        p.setColor(g, QPalette::Text, text);
        p.setColor(g, QPalette::WindowText, text);
        p.setColor(g, QPalette::ButtonText, text);
        p.setColor(g, QPalette::Highlight, QColor(196, 92, 22));
        p.setColor(g, QPalette::HighlightedText, Qt::white);
        p.setColor(g, QPalette::Mid, QColor(44, 48, 56));
        p.setColor(g, QPalette::Dark, QColor(10, 11, 13));
        p.setColor(g, QPalette::Light, QColor(70, 76, 86));
    }
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(104, 108, 116));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(104, 108, 116));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(104, 108, 116));
    p.setColor(QPalette::Disabled, QPalette::Base, field);
    control.setPalette(p);
}

void InstallSkinFonts() {
    const QStringList closest = {QStringLiteral("DejaVu Sans"),
                                 QStringLiteral("WenQuanYi Micro Hei")};
    for (const char* face : {"Tahoma", "Verdana"})
        QFont::insertSubstitutions(QString::fromLatin1(face), closest);
}

} // namespace ui
