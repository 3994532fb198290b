#pragma once

#include <QIcon>

namespace app {

// The program's icons, drawn rather than shipped: 128 a keyboard (no keyboard connected,
// also the application icon), 141 the same keyboard with a green light (connected), 142 a
// play symbol (the keyboard is playing a macro).
QIcon AppIcon(int id);

} // namespace app
