#pragma once

// Writing the skin: every picture, bitmap and layout file of the four windows.

#include "Geometry.h"

#include <QDir>
#include <QImage>

namespace skingen {

// One full-window picture.
QImage RenderPicture(const Window& w, const Picture& picture);

// The text of the window's layout file.
QByteArray LayoutFile(const Window& w);

// The user colour template: a colour per key, swept across the board.
QByteArray ColourTemplate();

// Writes the whole skin into the folder; false (with a message on stderr) on a failure.
bool WriteSkin(const QDir& skins);

} // namespace skingen
