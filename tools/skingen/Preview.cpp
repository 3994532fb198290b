#include "Preview.h"

#include "ui/IniFile.h"
#include "ui/SkinSurface.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>

#include <cstdio>

namespace skingen {

PreviewWindow::PreviewWindow(const QDir& skins, const QString& layout)
    : skins_(skins), layout_(skins.filePath(layout).toStdString()),
      dialog_(nullptr, layout_, skins.path().toStdString()) {
    dialog_.OnInitDialog();
}

const QImage* PreviewWindow::Surface(const QString& picture) {
    return ui::SkinSurface(skins_.filePath(picture).toStdString(), dialog_.size());
}

QString PreviewWindow::Text(const QString& section, const QString& key) const {
    return QString::fromStdU16String(ui::GetPrivateProfileString(
        section.toStdU16String(), key.toStdU16String(), u"", 260, layout_));
}

namespace {
bool chinese = false;
} // namespace

void PreviewWindow::SetChinese(bool on) {
    chinese = on;
}
bool PreviewWindow::Chinese() {
    return chinese;
}

QString PreviewWindow::Say(const QString& key, const QString& fallback) const {
    const std::filesystem::path file = skins_.filePath("language.ini").toStdString();
    return QString::fromStdU16String(
        ui::GetPrivateProfileString(chinese ? u"CHINESE" : u"ENGINSH", key.toStdU16String(),
                                    fallback.toStdU16String(), 260, file));
}

QImage PreviewWindow::Bitmap(const QString& file) const {
    return QImage(skins_.filePath(file));
}

ui::CPngButton* PreviewWindow::Image(const QString& key, const ui::SkinFaces& faces) {
    auto* b = new ui::CPngButton(&dialog_);
    b->setObjectName(key);
    ui::PlaceImageButton(*b, layout_, ui::kButtonInfo, key.toStdU16String(), faces);
    b->show();
    buttons_.push_back(b);
    return b;
}

ui::CPngButton* PreviewWindow::Button(const QString& key) const {
    for (ui::CPngButton* b : buttons_)
        if (b->objectName() == key)
            return b;
    return nullptr;
}

void PreviewWindow::Caption(ui::CPngButton* b, const QString& text, int points) {
    b->setText(text);
    b->SetText(true, points, "Tahoma", 0xFFFFFF, 0x25);
}

void PreviewWindow::ForceAll(Force force) {
    for (ui::CPngButton* b : buttons_) {
        if (b->isHidden())
            continue;
        switch (force) {
        case Force::None:
            break;
        case Force::Hover: {
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), b->mapToGlobal(QPointF(1, 1)));
            QApplication::sendEvent(b, &enter);
            break;
        }
        case Force::Pressed:
            b->setDown(true);
            break;
        case Force::Disabled:
            b->setEnabled(false);
            break;
        }
    }
}

QImage PreviewWindow::Shot() {
    const QImage window = dialog_.grab().toImage();
    const int margin = 24;
    QImage shot(window.width() + 2 * margin, window.height() + 2 * margin, QImage::Format_RGB32);
    QPainter p(&shot);
    QLinearGradient desktop(0, 0, 0, shot.height());
    desktop.setColorAt(0, QColor(88, 104, 122));
    desktop.setColorAt(1, QColor(58, 70, 84));
    p.fillRect(shot.rect(), desktop);
    const QRegion shape = dialog_.mask().isEmpty() ? QRegion(window.rect()) : dialog_.mask();
    p.setClipRegion(shape.translated(margin, margin));
    p.drawImage(margin, margin, window);
    return shot;
}

bool SaveShot(const QImage& shot, const QDir& out, const QString& name) {
    const QString path = out.filePath(name + ".png");
    if (shot.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace skingen

int RunPreview(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: skingen --preview DIR SKINS\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setFont(QFont("DejaVu Sans", 9));
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QDir skins(QString::fromLocal8Bit(argv[3]));
    if (!out.mkpath(".")) {
        std::fprintf(stderr, "skingen: cannot create %s\n", argv[2]);
        return 1;
    }
    if (!skingen::PreviewMain(skins, out) || !skingen::PreviewDialogs(skins, out))
        return 1;
    skingen::PreviewWindow::SetChinese(true);
    return skingen::PreviewChinese(skins, out) ? 0 : 1;
}
