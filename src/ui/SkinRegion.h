#pragma once

// A shaped window's outline from its mask picture.

#include "ui/MaskRegion.h"

#include <QImage>
#include <QRegion>

namespace ui {

// Every pixel outside the transparent colour's range (per channel, colour to colour +
// tolerance) belongs to the region. A mask without any such pixel gives an empty region:
// the window then keeps its rectangle.
QRegion RegionFromMask(const QImage& mask, Rgb transparent, uint8_t tolerance);

} // namespace ui
