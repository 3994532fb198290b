#pragma once

// A horizontal slider painted from bitmaps: the channel picture fills the control (the
// owner may change it per position), an optional thumb picture is drawn at the position.
// Every move made by the mouse or the keys is posted to the owner as Notified(id, position),
// the message 0x28D1 of the desktop; releasing the mouse always posts the final position.

#include "ui/SliderModel.h"

#include <QImage>
#include <QWidget>

namespace ui {

class CBitmapSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNotifyMessage = 0x28D1;

    explicit CBitmapSlider(QWidget* parent = nullptr);

    void SetControlId(int id) { id_ = id; }
    int ControlId() const { return id_; }
    void SetRange(int minimum, int maximum, bool redraw = true);
    void SetPos(int position);
    int GetPos() const { return model_.Position(); }
    void SetLineSize(int step) { model_.SetLineStep(step); }
    void SetPageSize(int step) { model_.SetPageStep(step); }
    // Where the thumb's centre stops at either end, in pixels from the control's edges.
    void SetMargins(int left, int right);
    void SetChannel(const QImage& channel);
    void SetThumb(const QImage& thumb);
    bool Dragging() const { return model_.Dragging(); }

signals:
    void Notified(int controlId, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Post(std::optional<int> position);
    void UpdateTrack();

    SliderModel model_;
    int id_ = 0;
    int leftMargin_ = 0;
    int rightMargin_ = 0;
    QImage channel_;
    QImage thumb_;
};

} // namespace ui
