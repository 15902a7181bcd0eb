#include "lookup/recognition/prepare.h"

#include "lookup/recognition/picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace recognition {

namespace {

constexpr int kMargin = 10;
constexpr double kMaximumScale = 4.0;
constexpr int kShortestLine = 5; // a band of ink rows lower than this is noise or a rule

} // namespace

std::array<qint64, 256> greyHistogram(const QImage &grey)
{
    std::array<qint64, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++histogram[line[x]];
    }
    return histogram;
}

int otsuThreshold(const std::array<qint64, 256> &histogram, qint64 total)
{
    double sumAll = 0;
    for (int g = 0; g < 256; ++g)
        sumAll += double(g) * double(histogram[size_t(g)]);
    double sumBelow = 0, bestBetween = -1;
    qint64 below = 0;
    int best = 127;
    for (int g = 0; g < 256; ++g) {
        below += histogram[size_t(g)];
        if (below == 0)
            continue;
        const qint64 above = total - below;
        if (above == 0)
            break;
        sumBelow += double(g) * double(histogram[size_t(g)]);
        const double meanBelow = sumBelow / double(below);
        const double meanAbove = (sumAll - sumBelow) / double(above);
        const double between =
            double(below) * double(above) * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (between > bestBetween) {
            bestBetween = between;
            best = g;
        }
    }
    return best;
}

Prepared prepare(const QImage &capture)
{
    Prepared prepared;
    if (capture.isNull())
        return prepared;
    // A null image from here on means memory ran out; the engine says so.
    QImage grey = convertedPicture(capture, QImage::Format_Grayscale8);
    if (grey.isNull())
        return prepared;
    const int width = grey.width(), height = grey.height();

    const std::array<qint64, 256> histogram = greyHistogram(grey);
    const qint64 total = qint64(width) * height;
    const int threshold = otsuThreshold(histogram, total);
    qint64 dark = 0;
    for (int g = 0; g <= threshold; ++g)
        dark += histogram[size_t(g)];

    // Text covers less of a question region than its ground does: when the dark side of
    // the split is the larger, the text is the light side.
    prepared.inverted = dark * 2 > total;

    // Ink to black and ground to white: a ground of any brightness, and the margin added
    // below, then read as one class to the engine's own threshold.
    double inkSum = 0, groundSum = 0;
    qint64 inkCount = 0;
    for (int g = 0; g < 256; ++g) {
        const bool darkSide = g <= threshold;
        const double weighted = double(g) * double(histogram[size_t(g)]);
        if (darkSide != prepared.inverted) {
            inkSum += weighted;
            inkCount += histogram[size_t(g)];
        } else {
            groundSum += weighted;
        }
    }
    const double ink = inkCount ? inkSum / double(inkCount) : 0;
    const double ground = total > inkCount ? groundSum / double(total - inkCount) : 255;
    std::array<uchar, 256> levels{};
    for (int g = 0; g < 256; ++g) {
        const double span = ground - ink;
        levels[size_t(g)] =
            uchar(std::clamp(span == 0 ? 255.0 : (g - ink) * 255.0 / span, 0.0, 255.0));
    }
    for (int y = 0; y < height; ++y) {
        uchar *line = grey.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = levels[line[x]];
    }
    const int inkAtMost = 127;

    // Bands of rows holding ink are the text lines; the tallest gives the text's height.
    const int inkPerRow = std::max(2, width / 100);
    int tallest = 0, run = 0;
    const auto endBand = [&] {
        if (run >= kShortestLine) {
            ++prepared.lines;
            tallest = std::max(tallest, run);
        }
        run = 0;
    };
    for (int y = 0; y < height; ++y) {
        const uchar *line = grey.constScanLine(y);
        int inkPixels = 0;
        for (int x = 0; x < width; ++x)
            inkPixels += line[x] <= inkAtMost;
        if (inkPixels >= inkPerRow)
            ++run;
        else
            endBand();
    }
    endBand();
    const int lineHeight = tallest > 0 ? tallest : height;
    // A textured ground can join two lines into one band; only a band with clear ground
    // around it is surely a single line.
    prepared.oneLine = prepared.lines == 1 && tallest * 4 <= height * 3;

    prepared.scale = std::clamp(double(kTargetLineHeight) / lineHeight, 1.0, kMaximumScale);
    prepared.scale = boundedScale(grey.size(), prepared.scale, kMargin);
    if (prepared.scale > 1.0) {
        grey = enlargedGrey(grey, int(std::lround(width * prepared.scale)),
                            int(std::lround(height * prepared.scale)));
        if (grey.isNull())
            return prepared;
    }

    // The engine finds text that touches the edge less reliably: a margin of plain ground.
    QImage framed(grey.width() + 2 * kMargin, grey.height() + 2 * kMargin,
                  QImage::Format_Grayscale8);
    if (framed.isNull())
        return prepared;
    framed.fill(255);
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), framed.scanLine(y + kMargin) + kMargin);
    prepared.image = framed;
    return prepared;
}

} // namespace recognition
