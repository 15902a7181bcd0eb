#include "lookup/capture/regionthumbnail.h"

#include <QImage>

#include <array>
#include <cstdlib>

namespace capture {

namespace {

// At most this many pixels a side are looked at in a cell: a region as large as a screen
// costs no more than a line of text.
constexpr int kSamplesPerSide = 24;
// Greys are counted in buckets of this width, so that noise does not split the background.
constexpr int kBucket = 8;

} // namespace

QByteArray makeThumbnail(const QImage &picture)
{
    if (picture.isNull() || picture.width() < 1 || picture.height() < 1)
        return {};
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QByteArray cells(kThumbnailCells, '\0');
    for (int row = 0; row < kThumbnailRows; ++row) {
        const int top = grey.height() * row / kThumbnailRows;
        const int bottom = std::max(top + 1, grey.height() * (row + 1) / kThumbnailRows);
        for (int column = 0; column < kThumbnailColumns; ++column) {
            const int left = grey.width() * column / kThumbnailColumns;
            const int right = std::max(left + 1, grey.width() * (column + 1) / kThumbnailColumns);
            std::array<int, 256 / kBucket> counts{};
            std::array<int, 256 / kBucket> sums{};
            const int stepY = std::max(1, (bottom - top) / kSamplesPerSide);
            const int stepX = std::max(1, (right - left) / kSamplesPerSide);
            for (int y = top; y < bottom; y += stepY) {
                const uchar *line = grey.constScanLine(y);
                for (int x = left; x < right; x += stepX) {
                    ++counts[size_t(line[x] / kBucket)];
                    sums[size_t(line[x] / kBucket)] += line[x];
                }
            }
            size_t most = 0;
            for (size_t b = 1; b < counts.size(); ++b)
                if (counts[b] > counts[most])
                    most = b;
            cells[row * kThumbnailColumns + column] = char(sums[most] / counts[most]);
        }
    }
    return cells;
}

bool looksAlike(QByteArrayView then, QByteArrayView now)
{
    if (then.size() != kThumbnailCells || now.size() != kThumbnailCells)
        return true;
    int differing = 0;
    for (qsizetype i = 0; i < kThumbnailCells; ++i)
        if (std::abs(int(uchar(then[i])) - int(uchar(now[i]))) > kCellTolerance)
            ++differing;
    return differing <= kUnlikeShare * kThumbnailCells;
}

} // namespace capture
