// Reading text with PaddleOCR's PP-OCRv4 models through OpenCV's dnn module: the detection
// model marks where text lies, each row of text found is cut out across the capture, brought to
// the recognition model's height and read. On a quiet panel the rows of text show plainly in
// the profile of the capture's edges, and are read without the detection model (which takes as
// long as reading a line or two); wherever that is not plain, or a line so found is not read
// surely, the detection model looks. Much better than Tesseract on what games draw: outlined,
// glowing or shadowed text over scenes and patterns, brush fonts, small text enlarged by display
// scaling.
//
// The model files are the ones tools/models/patch_ppocr.py writes (see there why they are
// edited). OpenCV 4.6 works out every shape when a model is loaded, so a loaded model serves one
// input size: the recognition model is loaded once per width bucket (ppocr.h), the last three
// kept, the detection model once per input size, the last two kept (the player's region keeps its
// size from one capture to the next). Work and memory are bounded whatever the capture's size: the
// detection input has at most kDetectionPixels pixels and kDetectionLongest on its longer side, at
// most kMaximumBoxes boxes are read, each at most the widest bucket.
#pragma once

#include "lookup/recognition/recognitionerror.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <memory>
#include <vector>

namespace recognition {

class NeuralReader
{
public:
    // The detection model finds text from about 10 px high up; a capture whose shorter side is
    // below kDetectionShortest is enlarged towards it (at most kDetectionEnlarge times), so that
    // a line of small text is found whole.
    static constexpr int kDetectionShortest = 96;
    static constexpr double kDetectionEnlarge = 3.0;
    // When the text found is lower than kSmallText pixels at that scale, or none is found, the
    // capture is detected once more, enlarged so that the text found (or text of
    // kSmallestText pixels) would be kWantedText high (the model finds small text in pieces,
    // or not at all on a busy ground).
    static constexpr int kSmallText = 24;
    static constexpr int kSmallestText = 12;
    static constexpr int kWantedText = 32;
    static constexpr double kMostEnlarged = 4.0;
    static constexpr int kDetectionPixels = 640 * 640;
    static constexpr int kDetectionLongest = 4096;
    static constexpr int kMaximumBoxes = 24;
    // The frame of ground the capture is detected within when nothing is found without one:
    // half its shorter side, within these.
    static constexpr int kFrameLeast = 4;
    static constexpr int kFrameMost = 24;
    // A row of text is read from its first box to its last, kStripMargin of its height beyond
    // either end, and squeezed to kSqueeze of its width at the model's height: the model's
    // time grows with the width it reads, and it was trained on lines squeezed into a fixed
    // width, so it reads characters half as wide as high as well as square ones.
    static constexpr double kStripMargin = 0.5;
    static constexpr double kSqueeze = 0.5;
    // A line read squeezed with less than this mean confidence is read again unsqueezed, and
    // the surer reading kept: a short line of large text squeezed loses whole characters.
    static constexpr double kRereadBelow = 0.9;
    // Lines found by the edges' profile rather than the detection model are kept when each is
    // read with at least this mean confidence; otherwise the detection model looks.
    static constexpr double kSureByProfile = 0.9;
    // Lines so found each read with at least kKeptByProfile are kept aside all the same: when the
    // detection model finds less text (small text on a plain ground, found in part only), they
    // are the reading.
    static constexpr double kKeptByProfile = 0.8;

    // The files in a model folder.
    static QString detectionFile(const QString &folder);
    static QString recognitionFile(const QString &folder);
    static QString keysFile(const QString &folder);

    // `threads`: OpenCV's worker threads while reading (1: the calling thread alone).
    explicit NeuralReader(int threads = 1);
    ~NeuralReader();
    NeuralReader(const NeuralReader &) = delete;
    NeuralReader &operator=(const NeuralReader &) = delete;

    // Reads the model files of `folder` and loads the models at the sizes the first
    // captures most likely need. An error names the file that is missing or unusable.
    std::optional<RecognitionError> load(const QString &folder);
    bool loaded() const { return !m_classes.isEmpty(); }

    struct Line
    {
        QString text;
        double confidence = 0;
        QRect box; // in the capture
    };
    // The lines of text on `capture`, top to bottom; boxes side by side on one row are one
    // line.
    Result<std::vector<Line>> readLines(const QImage &capture);

    // The models' outputs, as readLines() uses them (for the tests that hold them against
    // reference outputs). The recognition model's probabilities on `line` brought to the model's
    // height, its width times `squeeze`, and padded to its width bucket (or to `bucket` when
    // given): frames x classes, row-major.
    struct Output
    {
        std::vector<float> values;
        int rows = 0, columns = 0;
    };
    Result<Output> recognitionOutput(const QImage &line, int *usedFrames = nullptr,
                                     double squeeze = 1.0, int bucket = 0);
    // The detection model's probability map of `capture`, at the size readLines() runs it
    // first, or `enlarge` times that (within the limits).
    Result<Output> detectionOutput(const QImage &capture, double enlarge = 1.0);

    // The size the detection model runs at for `capture`, enlarged `enlarge` times.
    static QSize detectionSize(const QImage &capture, double enlarge = 1.0);

    // A row of text to read: its box in the capture, and the columns of the capture read from
    // it, left to right, put side by side (all of the box when none are given).
    struct Strip
    {
        QRect box;
        std::vector<std::pair<int, int>> columns;
    };

private:
    struct Nets;
    std::optional<RecognitionError> failure(const QString &file) const;
    // The lines the detection model finds on `capture` within a frame of its ground `pad`
    // pixels wide (none: 0), read.
    Result<std::vector<Line>> readByDetection(const QImage &capture, int pad);
    // Each strip of `capture` read; with `sure` above 0, nothing unless every strip is read
    // with that mean confidence at least.
    Result<std::vector<Line>> readStrips(const QImage &capture, const std::vector<Strip> &strips,
                                         double sure);

    int m_threads;
    QString m_folder;
    QByteArray m_detection, m_recognition;
    QStringList m_classes;
    std::unique_ptr<Nets> m_nets;
};

} // namespace recognition
