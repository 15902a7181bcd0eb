// A capture made ready for the engine: grey, dark text on a light ground whatever the game
// drew, small text scaled up, a margin of ground around it.
#pragma once

#include <QImage>

namespace recognition {

struct Prepared
{
    QImage image;          // Format_Grayscale8; null for a null capture
    bool inverted = false; // the capture had light text on a darker ground
    double scale = 1.0;    // the factor the capture was scaled by
    int lines = 0;         // text lines found (0 when none stand out)
    bool oneLine = false;  // one line with ground above and below it: sure to be one line
};

// Text lines are scaled towards this height in pixels, the height the engine reads best.
inline constexpr int kTargetLineHeight = 40;

Prepared prepare(const QImage &capture);

} // namespace recognition
