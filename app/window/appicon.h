#pragma once

#include <QIcon>

namespace window {

// The program's own icon, drawn at 16, 32, 48, 64, 128 and 256 pixels.
QIcon appIcon();
QImage appIconImage(int size);

} // namespace window
