// A capture made ready for the engine: grey, dark text on a light ground whatever the game
// drew, small text scaled up, a margin of ground around it.
#pragma once

#include <QImage>

#include <array>

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

// How many pixels of a Format_Grayscale8 picture have each grey level.
std::array<qint64, 256> greyHistogram(const QImage &grey);

// Otsu's threshold: the grey level that best splits `histogram`, of `total` pixels, into a dark
// class (that level and below) and a light one; 127 when all pixels have one level.
int otsuThreshold(const std::array<qint64, 256> &histogram, qint64 total);

} // namespace recognition
