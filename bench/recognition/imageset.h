// Game-like question captures rendered from the store's own rows: several Chinese fonts
// from Debian's packages, 12 to 26 px, light text on dark ground and dark on light, flat,
// gradient and textured grounds, noise, JPEG at quality 60 to 80, a question number or
// title before the question and a timer after it, a second line of answer options, some
// questions cut off at the region's edge. Drawn from a fixed seed; nothing is picked by hand.
#pragma once

#include "lookup/store/storeerror.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace bench {

struct Capture
{
    QImage image;
    qsizetype row = 0;   // the store row whose question it shows
    bool oneLine = true; // false when the answer options stand on a second line
    bool cut = false;
    QString font;
    int pixelSize = 0;
};

// The font files used; those not installed are left out. Empty when none is.
QStringList loadFonts();

std::vector<Capture> renderCaptures(const std::vector<store::CvRow> &rows, const QStringList &fonts,
                                    int count, std::uint32_t seed);

} // namespace bench
