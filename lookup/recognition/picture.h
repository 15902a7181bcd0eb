// Pictures taken in for recognition, from a file (crvt-tool recognize) or a capture (the
// program), with what they may cost bounded before it is spent.
//
// A picture file's header declares its size; the size is checked before anything is decoded,
// and the memory the decoding needs is known from it. A file whose structure claims more than
// the file holds (a PNG chunk of 2 GiB in a 44-byte file) is refused by that structure, never
// by trying to allocate it. Before a capture is read, its size, how many separate marks it
// holds (what the engine's page layout costs grows with) and the memory the reading needs are
// checked; the enlargement for the engine is capped. Running out of memory on the way is an
// error value, never a crash: the conversions here return a null image instead of leaving the
// work to Qt's worker threads, which hang when no thread can be started.
#pragma once

#include "lookup/recognition/picturelimits.h"
#include "lookup/recognition/recognitionerror.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace recognition {

struct Picture
{
    QImage image;
    QString damage; // what the decoder found wrong yet read past ("the file ends early"), or empty
};

// The refusal of a picture of `size` (too many pixels, a side too long, or no pixels at all), or
// nullopt when it is within the limits. The message is a cause without the picture's name.
std::optional<RecognitionError> sizeProblem(QSize size);

// Reads the PNG, JPEG or BMP file `path` (named as lookup::fileNameToBytes gives it). Anything
// but an ordinary file after links is refused before it is opened (a FIFO would block, a
// device could have effects of its own), and it is never opened so that it could block. The
// size its header declares, and every length its structure claims, are checked before
// decoding. The decoders' own messages are kept off standard error; their meaning is in the
// error, or, for damage the decoder read past, in Picture::damage. Errors read "PATH: cause".
Result<Picture> readPicture(const QString &path);

// Checks a capture before it is read: its size, the memory reading it needs, and how busy it
// is (kMaxMarks). The message is a cause without a name.
std::optional<RecognitionError> captureProblem(const QImage &capture);

// Separate marks on `grey` (Format_Grayscale8) split at `threshold` (a grey level at most it is
// ink): the pieces of ink (touching at corners too) and the pieces of ground between them
// (touching at sides), the surrounding ground included. Counting stops once it passes
// `stopAfter`. Memory grows with the width only.
qint64 countMarks(const QImage &grey, int threshold, qint64 stopAfter);

// `image` in `format`, the same pixels QImage::convertToFormat gives, converted a row at a time
// on the calling thread; null when memory runs out.
QImage convertedPicture(const QImage &image, QImage::Format format);

// `grey` (Format_Grayscale8) scaled up to width x height by bilinear interpolation, on the
// calling thread; null when memory runs out.
QImage enlargedGrey(const QImage &grey, int width, int height);

// The largest factor up to `scale` (and never below 1) by which a picture of `size`, with
// `margin` pixels added on each side after scaling, stays within kMaxEnlargedPixels and
// kMaxPictureSide. A picture over those limits already is not scaled.
double boundedScale(QSize size, double scale, int margin);

// Whether `bytes` more of address space can be had now. Under an address-space limit
// (ulimit -v) a decoder or the engine that runs out of memory part way can leave a null
// pointer where it expected memory; asking first turns that into an error value.
bool memoryAvailable(qint64 bytes);

} // namespace recognition
