#pragma once

#include <QIcon>

namespace window {

// The program's own icon, drawn in code at the size and device pixel ratio it is shown at.
QIcon appIcon();
QImage appIconImage(int size);

} // namespace window
