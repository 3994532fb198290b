#include "ui/SkinPalette.h"

#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPushButton>
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

void ApplySkinToPlainWindow(QWidget& window) {
    ApplySkinPalette(window);
    window.setAutoFillBackground(true);
    // On the buttons only: a style sheet on the window would take the palette's text colour
    // from its labels.
    static const QString kButton = QStringLiteral(
        "QPushButton { color: #e4e6ea; border: 1px solid #4c525d; border-radius: 5px;"
        " padding: 5px 18px; min-width: 56px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3a3f48, stop:1 #2a2e35); }"
        "QPushButton:default { border-color: #ff7a1a; }"
        "QPushButton:hover { border-color: #3fc8ff;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3e4c5c, stop:1 #2e3946); }"
        "QPushButton:pressed { border-color: #2a7fa8; background: #1a1e24; }"
        "QPushButton:disabled { color: #686c74; border-color: #2c3037; background: #1c1f24; }");
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        button->setIcon(QIcon());
        button->setStyleSheet(kButton);
    }
}

void InstallSkinFonts() {
    const QStringList closest = {QStringLiteral("DejaVu Sans"),
                                 QStringLiteral("WenQuanYi Micro Hei")};
    for (const char* face : {"Tahoma", "Verdana"})
        QFont::insertSubstitutions(QString::fromLatin1(face), closest);
}

} // namespace ui
