#pragma once

// The colour button: a swatch of its colour in the skin's look, and a pop-up palette on a
// click (with the desktop's colour dialog for any other colour).

#include <QAbstractButton>

#include <cstdint>

class QFrame;

namespace ui {

class CSkinColorBtn : public QAbstractButton {
    Q_OBJECT
public:
    explicit CSkinColorBtn(QWidget* parent = nullptr);

    void SetColor(uint32_t colour); // 0x00BBGGRR
    uint32_t GetColor() const { return colour_; }
    // The focus frame: the client rectangle enlarged by 3 pixels on every side.
    QRect FocusFrame() const { return rect().adjusted(-3, -3, 3, 3); }
    // The pop-up palette while it is open, else null.
    QFrame* Palette() const { return popup_; }

signals:
    void ColorChanged(uint32_t colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OpenPalette();
    void Choose(uint32_t colour);

    uint32_t colour_ = 0x0000FF;
    bool hover_ = false;
    QFrame* popup_ = nullptr;
};

} // namespace ui
