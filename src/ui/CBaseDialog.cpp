#include "ui/CBaseDialog.h"

#include "ui/SilentExit.h"
#include "ui/SkinRegion.h"
#include "ui/SkinSurface.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace ui {

CBaseDialog::CBaseDialog(QWidget* parent, std::filesystem::path layoutFile,
                         std::filesystem::path skinFolder)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), skinFile_(std::move(layoutFile)),
      skinFolder_(std::move(skinFolder)) {}

CBaseDialog::~CBaseDialog() = default;

int CBaseDialog::exec() {
    OnInitDialog();
    return QDialog::exec();
}

bool CBaseDialog::OnInitDialog() {
    ApplyDialogSkin();
    return true;
}

void CBaseDialog::ApplyDialogSkin() {
    skinning_ = true;
    const std::optional<std::u16string> main = skinFile_.Read(u"SCREEN", u"Main");
    if (!main)
        EndProgramSilently();
    const std::u16string mask = skinFile_.Read(u"SCREEN", u"Mask").value_or(*main);
    backgroundFile_ = skinFolder_ / std::filesystem::path(*main);
    // Only the background's size is needed now: the picture itself is decoded for the first
    // paint and let go while the window is hidden.
    QImageReader reader(QString::fromStdString(backgroundFile_.string()));
    clientSize_ = reader.size();
    if (!reader.canRead() || !clientSize_.isValid())
        EndProgramSilently();
    background_ = QImage();
    const QImage maskPicture = LoadSkinPictureOrEnd(skinFolder_ / std::filesystem::path(mask));
    if (mask == *main)
        background_ = maskPicture;
    setFixedSize(clientSize_);
    const QRegion outline = RegionFromMask(maskPicture, {255, 255, 255}, 0);
    if (outline.isEmpty())
        clearMask();
    else
        setMask(outline);
    update();
    skinning_ = false;
}

void CBaseDialog::ReleasePictures() {
    background_ = QImage();
}

void CBaseDialog::OnOK() {
    ReleasePictures();
    QDialog::accept();
}

void CBaseDialog::paintEvent(QPaintEvent*) {
    if (background_.isNull() && !backgroundFile_.empty())
        background_ = LoadSkinPictureOrEnd(backgroundFile_);
    QPainter p(this);
    p.drawImage(0, 0, background_);
}

void CBaseDialog::hideEvent(QHideEvent* event) {
    // Most of the day the program's windows are hidden: the picture is decoded again when
    // one shows.
    ReleasePictures();
    QDialog::hideEvent(event);
}

void CBaseDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    // Presses on the dialog's own surface only reach here: controls take their own.
    QWindow* window = windowHandle();
    if (!window || !window->startSystemMove()) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    update();
    event->accept();
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

} // namespace ui
