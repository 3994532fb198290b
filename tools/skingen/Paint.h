#pragma once

// Drawing of the skin's parts: backdrops, key caps, buttons, indicators and the lighting
// panel's bitmaps. Every routine draws inside the rectangle it is given.

#include "Geometry.h"

#include <QImage>
#include <QPainter>

namespace skingen {

namespace palette {
inline const QColor kPanel(24, 27, 32); // flat: the lighting bitmaps sit on it
inline const QColor kPlate(15, 17, 20); // flat: the arrow faces sit on it
inline const QColor kText(228, 230, 234);
inline const QColor kDim(104, 108, 116);
inline const QColor kHover(63, 200, 255);
inline const QColor kPress(42, 127, 168);
inline const QColor kAccent(255, 122, 26);
} // namespace palette

// The window's backdrop: body, title bar, boxes, wells, baked title and hint.
void DrawBackdrop(QPainter& p, const Window& w);

// One element in one look. `set` is the image set being drawn (key assignment dialog).
void DrawElement(QPainter& p, const Window& w, const Element& e, Look look, uint32_t set);

// The outline mask: white outside the rounded window, black inside.
QImage RenderMask(const Window& w);

// One bitmap of the lighting panel or the busy animation, at the given size.
QImage RenderBitmap(const Bitmap& b, QSize size);

// A font of the skin: DejaVu Sans, pixel size, bold or not.
QFont SkinFont(int pixels, bool bold = false);

} // namespace skingen
