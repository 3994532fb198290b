#pragma once

// The image button of the skinned windows: five faces (normal, hover, pressed, disabled,
// latched) cut from the skin's picture surfaces at one pixel up and left of the button's
// place, an optional caption, an outline mode, a colour-key mode and a tooltip.

#include "ui/FaceChoice.h"

#include <QAbstractButton>
#include <QImage>

#include <cstdint>
#include <functional>
#include <optional>

namespace ui {

class CPngButton : public QAbstractButton {
    Q_OBJECT
public:
    // Called after every paint with the button and whether its normal face was drawn.
    using DrawCallback = std::function<void(CPngButton& button, bool normalFaceDrawn)>;

    // The tooltip's automatic delay; it stays up ten times as long.
    static constexpr int kTooltipDelayMs = 2000;

    explicit CPngButton(QWidget* parent = nullptr);

    void SetFaces(int x, int y, const QImage* normal, const QImage* hover, const QImage* pressed,
                  const QImage* disabled, const QImage* latched, bool redraw = true);
    void SetFaceSurfaces(const QImage* normal, const QImage* hover, const QImage* pressed,
                         const QImage* disabled, const QImage* latched, bool redraw = true);
    void SetFaceOrigin(int x, int y, bool redraw = true);
    void SetColourKeyFaces(const QImage* unmarked, const QImage* marked, bool on, bool isMarked,
                           bool redraw = true);
    void SetLatched(bool on, bool redraw = true);
    bool Latched() const { return latched_; }

    // Caption: the button's text, in the face name at the point size, colour 0x00BBGGRR,
    // laid out by the DrawText format.
    void SetText(bool show, int pointSize, const QString& faceName, uint32_t colour,
                 uint32_t format);
    // The caption's colour while the button is disabled, so that a disabled command reads
    // as such; without one the caption keeps its colour (a disabled label stays legible).
    void SetDisabledTextColour(uint32_t colour);
    void SetTextMargins(int left, int right, int top, int bottom);
    // Angle in tenths of a degree, counter-clockwise; the flag centres the rotated caption
    // and draws it heavy.
    void SetTextRotation(int tenthsOfDegree, bool rotate);
    void SetTooltip(const QString& text, bool active);
    void SetDrawCallback(DrawCallback callback) { callback_ = std::move(callback); }
    // Outline mode: a 2-pixel frame in the colour instead of the face picture.
    void SetOutline(uint32_t colour, bool on);
    bool OutlineOn() const { return outline_; }
    uint32_t OutlineColour() const { return outlineColour_; }

    // The face that the next paint draws.
    Face CurrentFace() const;
    bool Hovering() const { return hover_; }
    QString TooltipText() const { return tooltip_; }
    bool TooltipActive() const { return tooltipMade_ && tooltipActive_; }
    QPoint FaceOrigin() const { return origin_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    const QImage* SurfaceOf(Face face) const;
    void DrawCaption(QPainter& p);
    void ShowTooltip();
    void Redraw(bool redraw);

    const QImage* faces_[5] = {};
    const QImage* colourFaces_[2] = {};
    QPoint origin_;
    bool hover_ = false;
    bool latched_ = false;
    bool colourKey_ = false;
    bool marked_ = false;
    bool outline_ = false;
    uint32_t outlineColour_ = 0;

    bool showText_ = false;
    int pointSize_ = 8;
    QString faceName_ = "Tahoma";
    uint32_t textColour_ = 0;
    std::optional<uint32_t> disabledTextColour_;
    uint32_t format_ = 0x25;
    int margins_[4] = {}; // left, right, top, bottom
    int angle_ = 0;
    bool rotate_ = false;

    bool tooltipMade_ = false;
    bool tooltipActive_ = false;
    QString tooltip_;
    DrawCallback callback_;
};

} // namespace ui
