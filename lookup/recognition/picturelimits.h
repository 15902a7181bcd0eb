// What a picture taken in for recognition may be, checked before it costs anything (picture.h).
// Apart, so that texts about the limits (crvt-tool --help) need no image library.
#pragma once

#include <QtGlobal>

namespace recognition {

// The most pixels a picture may have: more than an 8K screen (33 megapixels), so a region of
// any screen passes, while a header claiming more is refused before decoding.
inline constexpr qint64 kMaxPicturePixels = 40'000'000;
// The widest and tallest picture read: the engine reads nothing over 32767 pixels (Tesseract's
// limit), and the preparation adds a margin.
inline constexpr int kMaxPictureSide = 32000;
// The largest picture file read: a BMP of kMaxPicturePixels at 32 bits a pixel is 160 MB.
inline constexpr qint64 kMaxPictureFileSize = qint64(256) << 20;
// The most pixels the enlargement for the engine makes of a picture: small text is scaled up,
// a picture that is large already is not made larger than this (nor a side past
// the engine's 32767).
inline constexpr qint64 kMaxEnlargedPixels = 8'000'000;
// The most separate marks (pieces of ink and of ground between them) a capture may hold. A
// question with its options holds a few hundred, a whole window of text or a photograph a few
// thousand; the engine's page layout costs time growing with the square of their number, so
// that a picture of noise would take minutes.
inline constexpr qint64 kMaxMarks = 60'000;
// The most scans a JPEG may have: a progressive JPEG has about ten; each scan is a pass over
// the whole picture.
inline constexpr int kMaxJpegScans = 100;

} // namespace recognition
