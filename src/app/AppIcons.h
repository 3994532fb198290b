#pragma once

#include <QIcon>
#include <QPixmap>

namespace app {

// The program's icons, drawn rather than shipped: 128 a keyboard (no keyboard connected,
// also the application icon), 141 the same keyboard with a green light (connected), 142 a
// play symbol (the keyboard is playing a macro).
QIcon AppIcon(int id);

// One of the keyboard pictures (128 or 141) drawn at any size: the icon theme's files are
// drawn by this too, so that the menus, the About box and the tray show one picture.
QPixmap AppIconPicture(int id, int size);

} // namespace app
