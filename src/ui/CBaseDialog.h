#pragma once

// The base of every skinned window: frameless, sized by its background picture, shaped by
// its mask picture, painted from the background and dragged by it. The pictures are named
// in section "SCREEN" of the window's layout file and read at every initialisation; the
// background is decoded for the first paint and let go while the window is hidden.

#include "ui/IniFile.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QSize>

#include <filesystem>

namespace ui {

class CBaseDialog : public QDialog {
    Q_OBJECT
public:
    CBaseDialog(QWidget* parent, std::filesystem::path layoutFile,
                std::filesystem::path skinFolder);
    ~CBaseDialog() override;

    // Initialises the dialog (OnInitDialog), then runs it modally.
    int exec() override;

    // The dialog's initialisation: applies the skin. Derived windows call it first.
    virtual bool OnInitDialog();
    // Reads "Main" and "Mask" (default: the value of "Main"), takes the background's size and
    // the mask's outline. A missing "Main" or an unreadable picture ends the program silently.
    void ApplyDialogSkin();
    void ReleasePictures();
    // Releases the pictures, then closes the dialog as accepted.
    virtual void OnOK();
    void accept() override { OnOK(); }

    const CIniFile& SkinFile() const { return skinFile_; }
    const std::filesystem::path& SkinFolder() const { return skinFolder_; }
    bool Skinning() const { return skinning_; }
    // The background as decoded now: empty until the first paint and while hidden.
    const QImage& Background() const { return background_; }
    // The background picture's size, the window's client area.
    QSize ClientSize() const { return clientSize_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CIniFile skinFile_;
    std::filesystem::path skinFolder_;
    std::filesystem::path backgroundFile_;
    QSize clientSize_;
    QImage background_;
    bool skinning_ = false;
    // Dragging by hand where the window system cannot move the window itself.
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace ui
