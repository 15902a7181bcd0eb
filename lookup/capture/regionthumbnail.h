// A small grey picture of the question region, kept from the moment the player chose it, so
// that a later capture that finds nothing can tell "the game has moved" (the region now shows
// something else) from "no question right now" (the same panel, other text or none).
//
// Each cell of a coarse grid keeps the most common grey of its pixels. A question's strokes
// cover less of a cell than its background does and spread over many greys at their smoothed
// edges, so the background's grey wins: another question, a ticking timer or noise leave the
// thumbnail alike, while a panel moved away or another scene change most cells.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QImage;

namespace capture {

inline constexpr int kThumbnailColumns = 16;
inline constexpr int kThumbnailRows = 4;
inline constexpr int kThumbnailCells = kThumbnailColumns * kThumbnailRows;

// The thumbnail of `picture`, one byte of grey per cell, row by row; empty for a null or
// empty picture.
QByteArray makeThumbnail(const QImage &picture);

// How far two cells' greys may be apart and still count as the same, and the share of
// cells that may differ before two thumbnails are unlike.
inline constexpr int kCellTolerance = 24;
inline constexpr double kUnlikeShare = 0.125;

// Whether `now` still looks like `then`. A thumbnail of the wrong size (from an older or
// damaged file) is taken as alike: it cannot say that anything moved.
bool looksAlike(QByteArrayView then, QByteArrayView now);

} // namespace capture
