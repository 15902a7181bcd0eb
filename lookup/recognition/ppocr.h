// The pure parts of the neural reader (PaddleOCR's PP-OCRv4 detection and recognition
// models, run by OpenCV; see neuralreader.h): the character list, the text boxes found in the
// detection model's map, the widths the recognition model is run at, the model's input width
// written into its bytes, and the decoding of its output. No image, no OpenCV.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace recognition::ppocr {

// The recognition model's input height; its output has one frame per 8 columns.
inline constexpr int kLineHeight = 48;
inline constexpr int kColumnsPerFrame = 8;

// The classes of the recognition model's output: blank, the characters of the list in order,
// and a space. Empty when the list is not one character a line.
QStringList classesFromKeys(const QByteArray &keyFile);

struct DecodedLine
{
    QString text;
    double confidence = 0; // mean probability of the characters kept; 0 for an empty line
};

// Greedy CTC decoding of `frames` rows of `classes` probabilities: the best class of each
// frame, repeats merged, blanks dropped. `usedFrames` limits it to the frames the text
// covers (the rest of the row is padding).
DecodedLine decode(const float *probabilities, int frames, int classes, const QStringList &names,
                   int usedFrames);

// The widths the recognition model is loaded at; a line is padded to the next one, a line wider
// than the last is squeezed to it (the model still reads characters squeezed to half their
// width). The model's time grows with the width it runs at, padding included, so the steps are
// small; each width is one more loaded copy of the model, loaded when a line first needs it.
inline constexpr int kWidthBuckets[] = {128, 256, 384, 512, 768, 1024};
int widthBucket(int width);

// The model file holds the placeholder width 4095 in its input shape (1x3x48x4095); returns the
// bytes with `width` (128 to 16383, the same varint length) in its place, or nullopt when the
// placeholder is not there exactly once (a damaged or different file).
std::optional<QByteArray> withInputWidth(const QByteArray &model, int width);

// Text boxes on the detection model's probability map (row-major, `width` x `height`): the
// connected regions above `threshold`, kept when their mean probability reaches `boxThreshold`
// and they are at least `minimumSide` high and wide, grown by the model's shrink ratio
// (area * `unclipRatio` / perimeter on every side), clipped to the map. Top to bottom, then
// left to right.
struct BoxParameters
{
    float threshold = 0.3f;
    float boxThreshold = 0.6f;
    double unclipRatio = 1.5;
    int minimumSide = 3;
};
std::vector<QRect> findBoxes(const float *map, int width, int height,
                             const BoxParameters &parameters = {});

// Boxes on one row (their vertical middles within each other's height) ordered left to
// right, rows top to bottom; each inner list is one line of text.
std::vector<std::vector<QRect>> groupLines(std::vector<QRect> boxes);

// The columns of a line worth reading, given the spans of columns its ink covers (first and
// last column of each, in any order, overlapping or not): from the first span to the last, in
// pieces, a blank gap wider than `widest` shortened to `widest`, half of it kept beside each
// span. The model's time grows with the width it reads: a countdown at the far end of the
// panel need not cost the width of the blank between it and the question. Left to right.
std::vector<std::pair<int, int>> keptColumns(std::vector<std::pair<int, int>> ink, int widest);

// The rows of text of a capture on a quiet ground, found without the detection model from
// `edges`, the number of strong edges on each pixel row, top to bottom: each row of text is a
// run of rows with edges between rows with next to none. Only where that is plain: nullopt
// (unsure, let the detection model look) when no row stands out or none is quiet, when a run is too
// low for text, much weaker than the strongest, of another height than the others, or dips in its
// middle as two lines touching do, or when there are more than `mostLines`. Each pair is the first
// and last pixel row of a line.
struct ProfileParameters
{
    double quiet = 0.05;   // a row with at most this share of the busiest row's edges is quiet
    int lowestText = 7;    // the lowest run that is text (the smallest text a game draws: 11 px)
    int fewestEdges = 4;   // the busiest row has at least this many edges, or nothing is there
    double weakest = 0.35; // a line's busiest row has at least this share of the busiest of all
    double dip = 0.4;      // a middle row with less than this share of the line's median: a dip
    double heights = 1.6;  // the tallest line at most this many times the lowest
    int mostLines = 8;
};
std::optional<std::vector<std::pair<int, int>>> profileLines(const std::vector<int> &edges,
                                                             const ProfileParameters &p = {});

} // namespace recognition::ppocr
