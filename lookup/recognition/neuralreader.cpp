#include "lookup/recognition/neuralreader.h"

#include "lookup/recognition/ppocr.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <opencv2/core.hpp>
#include <opencv2/core/utils/logger.hpp>
#include <opencv2/dnn.hpp>

#include <algorithm>
#include <cmath>
#include <list>

using namespace Qt::StringLiterals;

namespace recognition {

namespace {

constexpr int kDetectionNetsKept = 2;
// A recognition net takes 20 to 40 MB (more the wider it is) and some 40 ms to make: the three
// widths used last are kept, enough for a question's lines and its options.
constexpr size_t kRecognitionNetsKept = 3;

// B, G, R planes of `image` scaled to `size`, pixel / 255: the models take no mean or spread.
void fillPlanes(const QImage &image, float *planes, int planeWidth, int planeHeight)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const qsizetype plane = qsizetype(planeWidth) * planeHeight;
    for (int y = 0; y < rgb.height() && y < planeHeight; ++y) {
        const uchar *line = rgb.constScanLine(y);
        float *b = planes + qsizetype(y) * planeWidth, *g = b + plane, *r = g + plane;
        for (int x = 0; x < rgb.width() && x < planeWidth; ++x) {
            r[x] = float(line[3 * x]) / 255.0f;
            g[x] = float(line[3 * x + 1]) / 255.0f;
            b[x] = float(line[3 * x + 2]) / 255.0f;
        }
    }
}

cv::dnn::Net netFrom(const QByteArray &bytes)
{
    cv::dnn::Net net = cv::dnn::readNetFromONNX(bytes.constData(), size_t(bytes.size()));
    net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
    net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
    return net;
}

int roundTo32(double value)
{
    return std::max(32, int(std::lround(value / 32.0)) * 32);
}

// A pixel whose grey differs from its right or lower neighbour by this much is an edge: text
// drawn to be read stands out far more than a plain panel's gradient or a JPEG's noise.
constexpr int kStrongEdge = 48;

// A blank wider than this many times a line's height, between two parts of the line (a
// question and the countdown at the panel's far end, options side by side), is read as this
// wide only. Wider where the detection model found the parts: on a busy ground it may miss a
// character or two of the line, which the recognition model then reads in the blank.
constexpr int kWidestGapInLines = 2;
constexpr int kWidestDetectedGapInLines = 4;

// The strips a capture on a quiet ground holds its lines of text in, found without the
// detection model (see ppocr::profileLines); none when that is not plain.
std::vector<NeuralReader::Strip> stripsByProfile(const QImage &capture, double margin)
{
    const QImage grey = capture.convertToFormat(QImage::Format_Grayscale8);
    const int width = grey.width(), height = grey.height();
    if (width < 2 || height < 2)
        return {};
    std::vector<uchar> edge(size_t(width) * size_t(height), 0);
    std::vector<int> rows(size_t(height), 0), columns(size_t(width), 0);
    for (int y = 0; y + 1 < height; ++y) {
        const uchar *line = grey.constScanLine(y), *below = grey.constScanLine(y + 1);
        for (int x = 0; x + 1 < width; ++x) {
            if (std::abs(line[x] - line[x + 1]) >= kStrongEdge ||
                std::abs(line[x] - below[x]) >= kStrongEdge) {
                edge[size_t(y) * size_t(width) + size_t(x)] = 1;
                ++rows[size_t(y)];
                ++columns[size_t(x)];
            }
        }
    }
    // A panel's border or a frame's side runs the whole height: it says nothing of where a
    // line of text lies.
    for (int x = 0; x < width; ++x) {
        if (columns[size_t(x)] >= height * 9 / 10) {
            for (int y = 0; y < height; ++y) {
                if (edge[size_t(y) * size_t(width) + size_t(x)]) {
                    edge[size_t(y) * size_t(width) + size_t(x)] = 0;
                    --rows[size_t(y)];
                }
            }
        }
    }
    // So does a rule across the panel: a row of edges nearly as wide as the capture is no text.
    for (int &count : rows) {
        if (count >= (width - 1) * 9 / 10)
            count = 0;
    }
    const auto lines = ppocr::profileLines(rows);
    if (!lines)
        return {};
    std::vector<NeuralReader::Strip> strips;
    for (const auto &[top, bottom] : *lines) {
        std::vector<bool> inked(size_t(width), false);
        for (int y = top; y <= bottom; ++y) {
            const uchar *row = edge.data() + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x)
                inked[size_t(x)] = inked[size_t(x)] || row[x];
        }
        // An edge lies between its column and the next.
        std::vector<std::pair<int, int>> ink;
        for (int x = 0; x < width; ++x) {
            if (!inked[size_t(x)])
                continue;
            if (!ink.empty() && ink.back().second >= x)
                ink.back().second = x + 1;
            else
                ink.emplace_back(x, x + 1);
        }
        if (ink.empty())
            continue;
        // The edges mark a glyph's sides: the line reaches a row beyond its last edge row.
        const int grow = int(std::lround((bottom - top + 2) * margin));
        const QRect box = QRect(QPoint(ink.front().first - grow, top - 1),
                                QPoint(ink.back().second + grow, bottom + 1))
                              .intersected(capture.rect());
        strips.push_back({box, ppocr::keptColumns(ink, kWidestGapInLines * box.height())});
    }
    return strips;
}

// `capture` within a frame `pad` pixels wide of its edge's median colour.
QImage withFrame(const QImage &capture, int pad)
{
    const QImage rgb = capture.convertToFormat(QImage::Format_RGB32);
    std::vector<int> channels[3];
    const auto take = [&](int x, int y) {
        const QRgb c = rgb.pixel(x, y);
        channels[0].push_back(qRed(c));
        channels[1].push_back(qGreen(c));
        channels[2].push_back(qBlue(c));
    };
    for (int x = 0; x < rgb.width(); ++x) {
        take(x, 0);
        take(x, rgb.height() - 1);
    }
    for (int y = 0; y < rgb.height(); ++y) {
        take(0, y);
        take(rgb.width() - 1, y);
    }
    int median[3];
    for (int k = 0; k < 3; ++k) {
        auto &v = channels[k];
        std::nth_element(v.begin(), v.begin() + qsizetype(v.size() / 2), v.end());
        median[k] = v[v.size() / 2];
    }
    QImage out(rgb.width() + 2 * pad, rgb.height() + 2 * pad, QImage::Format_RGB32);
    out.fill(QColor(median[0], median[1], median[2]));
    QPainter painter(&out);
    painter.drawImage(pad, pad, rgb);
    return out;
}

// The picture of `strip` as it is read: its columns side by side.
QImage stripPicture(const QImage &capture, const NeuralReader::Strip &strip)
{
    if (strip.columns.size() <= 1)
        return capture.copy(strip.box);
    std::vector<std::pair<int, int>> columns = strip.columns;
    columns.front().first = strip.box.left();
    columns.back().second = strip.box.right();
    int width = 0;
    for (auto &[first, last] : columns) {
        first = std::max(first, strip.box.left());
        last = std::min(last, strip.box.right());
        width += std::max(0, last - first + 1);
    }
    QImage picture(width, strip.box.height(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    int x = 0;
    for (const auto &[first, last] : columns) {
        if (last < first)
            continue;
        painter.drawImage(QPoint(x, 0), capture,
                          QRect(first, strip.box.top(), last - first + 1, strip.box.height()));
        x += last - first + 1;
    }
    return picture;
}

} // namespace

struct NeuralReader::Nets
{
    std::list<std::pair<std::pair<int, int>, cv::dnn::Net>> detection; // most recent first
    std::list<std::pair<int, cv::dnn::Net>> recognition;               // most recent first
};

QString NeuralReader::detectionFile(const QString &folder)
{
    return folder + u"/ppocrv4_det.onnx"_s;
}

QString NeuralReader::recognitionFile(const QString &folder)
{
    return folder + u"/ppocrv4_rec.onnx"_s;
}

QString NeuralReader::keysFile(const QString &folder)
{
    return folder + u"/ppocr_keys_v1.txt"_s;
}

NeuralReader::NeuralReader(int threads) : m_threads(std::max(1, threads)), m_nets(new Nets)
{}

NeuralReader::~NeuralReader() = default;

std::optional<RecognitionError> NeuralReader::failure(const QString &file) const
{
    const bool missing = !QFileInfo(file).isFile();
    return RecognitionError{
        missing ? RecognitionError::NoModel : RecognitionError::DamagedModel,
        u"text recognition model %1 %2: install zembrik-corvanth again (in a source tree, "
        "cmake --build makes it)"_s.arg(file, missing ? u"not found"_s : u"unusable"_s)};
}

std::optional<RecognitionError> NeuralReader::load(const QString &folder)
{
    // OpenCV reports a damaged model on standard error as well as by its exception; the
    // program reports it once, as a RecognitionError.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    m_folder = folder;
    const auto read = [](const QString &path, QByteArray *bytes) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        *bytes = file.readAll();
        return !bytes->isEmpty();
    };
    QByteArray keys;
    if (!read(keysFile(folder), &keys))
        return failure(keysFile(folder));
    QStringList classes = ppocr::classesFromKeys(keys);
    if (classes.size() < 3)
        return failure(keysFile(folder));
    if (!read(detectionFile(folder), &m_detection))
        return failure(detectionFile(folder));
    if (!read(recognitionFile(folder), &m_recognition))
        return failure(recognitionFile(folder));
    if (!ppocr::withInputWidth(m_recognition, ppocr::kWidthBuckets[0]))
        return failure(recognitionFile(folder));
    // One model of each loaded now: a damaged file is found here rather than at a capture,
    // and the sizes a one-line question needs are ready.
    try {
        cv::setNumThreads(m_threads);
        const int bucket = ppocr::kWidthBuckets[0];
        cv::dnn::Net rec = netFrom(*ppocr::withInputWidth(m_recognition, bucket));
        cv::Mat blob(std::vector<int>{1, 3, ppocr::kLineHeight, bucket}, CV_32F, cv::Scalar(0));
        rec.setInput(blob);
        const cv::Mat out = rec.forward();
        if (out.dims != 3 || out.size[2] != classes.size())
            return failure(recognitionFile(folder));
        m_nets->recognition.emplace_front(bucket, rec);
    } catch (const std::exception &) {
        return failure(recognitionFile(folder));
    }
    try {
        cv::dnn::Net det = netFrom(m_detection);
        cv::Mat blob(std::vector<int>{1, 3, 64, 256}, CV_32F, cv::Scalar(0));
        det.setInput(blob);
        const cv::Mat out = det.forward();
        if (out.dims != 4 || out.size[2] != 64 || out.size[3] != 256)
            return failure(detectionFile(folder));
        m_nets->detection.emplace_front(std::pair{64, 256}, det);
    } catch (const std::exception &) {
        return failure(detectionFile(folder));
    }
    m_classes = std::move(classes);
    return std::nullopt;
}

QSize NeuralReader::detectionSize(const QImage &capture, double enlarge)
{
    // Scaled to multiples of 32 within the limits in the header.
    const double shorter = std::min(capture.width(), capture.height()),
                 longer = std::max(capture.width(), capture.height());
    const double first = std::clamp(kDetectionShortest / shorter, 1.0, kDetectionEnlarge);
    const double scale =
        std::min({first * enlarge, std::max(first, kMostEnlarged),
                  std::sqrt(kDetectionPixels / (shorter * longer)), kDetectionLongest / longer});
    return QSize(roundTo32(capture.width() * scale), roundTo32(capture.height() * scale));
}

Result<NeuralReader::Output> NeuralReader::detectionOutput(const QImage &capture, double enlarge)
{
    if (capture.isNull() || capture.width() == 0 || capture.height() == 0)
        return RecognitionError{RecognitionError::NoImage, u"the capture is empty"_s};
    if (!loaded())
        return RecognitionError{RecognitionError::EngineFailed, u"text recognition not loaded"_s};
    const QSize size = detectionSize(capture, enlarge);
    try {
        cv::setNumThreads(m_threads);
        auto &cache = m_nets->detection;
        const std::pair key{size.height(), size.width()};
        auto found = std::find_if(cache.begin(), cache.end(),
                                  [&](const auto &entry) { return entry.first == key; });
        if (found == cache.end()) {
            // A net run at one size gives wrong maps at another in OpenCV 4.6: one per size.
            cache.emplace_front(key, netFrom(m_detection));
            if (cache.size() > kDetectionNetsKept)
                cache.pop_back();
        } else {
            cache.splice(cache.begin(), cache, found);
        }
        cv::Mat blob(std::vector<int>{1, 3, size.height(), size.width()}, CV_32F);
        fillPlanes(capture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                   blob.ptr<float>(), size.width(), size.height());
        cache.front().second.setInput(blob);
        const cv::Mat map = cache.front().second.forward();
        if (map.dims != 4 || map.size[2] != size.height() || map.size[3] != size.width())
            return *failure(detectionFile(m_folder));
        const float *begin = map.ptr<float>();
        return Output{std::vector<float>(begin, begin + map.total()), size.height(), size.width()};
    } catch (const std::exception &e) {
        return RecognitionError{
            RecognitionError::EngineFailed,
            u"text detection failed: %1"_s.arg(QString::fromUtf8(e.what())).section(u'\n', 0, 0)};
    }
}

Result<NeuralReader::Output> NeuralReader::recognitionOutput(const QImage &line, int *usedFrames,
                                                             double squeeze, int bucket)
{
    if (line.isNull() || line.width() == 0 || line.height() == 0)
        return RecognitionError{RecognitionError::NoImage, u"the capture is empty"_s};
    if (!loaded())
        return RecognitionError{RecognitionError::EngineFailed, u"text recognition not loaded"_s};
    const int widest = std::end(ppocr::kWidthBuckets)[-1];
    const int width = std::clamp(
        int(std::ceil(double(line.width()) * ppocr::kLineHeight * squeeze / line.height())), 1,
        bucket > 0 ? bucket : widest);
    if (bucket <= 0)
        bucket = ppocr::widthBucket(width);
    if (usedFrames)
        *usedFrames = (width + ppocr::kColumnsPerFrame - 1) / ppocr::kColumnsPerFrame + 1;
    try {
        cv::setNumThreads(m_threads);
        auto &cache = m_nets->recognition;
        const auto found = std::find_if(cache.begin(), cache.end(),
                                        [&](const auto &entry) { return entry.first == bucket; });
        if (found == cache.end()) {
            if (cache.size() >= kRecognitionNetsKept)
                cache.pop_back();
            cache.emplace_front(bucket, netFrom(*ppocr::withInputWidth(m_recognition, bucket)));
        } else {
            cache.splice(cache.begin(), cache, found);
        }
        const auto net = cache.begin();
        cv::Mat blob(std::vector<int>{1, 3, ppocr::kLineHeight, bucket}, CV_32F, cv::Scalar(0));
        fillPlanes(
            line.scaled(width, ppocr::kLineHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
            blob.ptr<float>(), bucket, ppocr::kLineHeight);
        net->second.setInput(blob);
        const cv::Mat out = net->second.forward();
        if (out.dims != 3 || out.size[2] != m_classes.size())
            return *failure(recognitionFile(m_folder));
        const float *begin = out.ptr<float>();
        return Output{std::vector<float>(begin, begin + out.total()), out.size[1], out.size[2]};
    } catch (const std::exception &e) {
        return RecognitionError{
            RecognitionError::EngineFailed,
            u"text recognition failed: %1"_s.arg(QString::fromUtf8(e.what())).section(u'\n', 0, 0)};
    }
}

namespace {

qsizetype characters(const std::vector<NeuralReader::Line> &lines)
{
    qsizetype count = 0;
    for (const NeuralReader::Line &line : lines)
        count += line.text.size();
    return count;
}

} // namespace

Result<std::vector<NeuralReader::Line>> NeuralReader::readLines(const QImage &capture)
{
    // On a quiet ground the lines of text show in the edges' profile alone, and the detection
    // model (as long as reading a line or two) is not needed; when a line read so is not read
    // surely, the detection model looks after all, and the reading holding more text is kept
    // (the detection model finds small text on a plain ground in part only, now and then).
    std::vector<Line> byProfile;
    if (const std::vector<Strip> strips = stripsByProfile(capture, kStripMargin); !strips.empty()) {
        auto lines = readStrips(capture, strips, kKeptByProfile);
        if (!lines)
            return lines;
        if (!lines->empty() && std::all_of(lines->begin(), lines->end(), [](const Line &line) {
                return line.confidence >= kSureByProfile;
            }))
            return lines;
        byProfile = std::move(*lines);
    }
    auto byDetection = readByDetection(capture, 0);
    // The detection model finds no text that touches the picture's edge (a region drawn tight
    // round small text): when it finds nothing, it looks again at the capture within a frame
    // of its ground. Not first: on a patterned ground the frame's edge looks like text.
    if (byDetection && byDetection->empty()) {
        byDetection =
            readByDetection(capture, std::clamp(std::min(capture.width(), capture.height()) / 2,
                                                kFrameLeast, kFrameMost));
    }
    if (byDetection && characters(byProfile) > characters(*byDetection))
        return byProfile;
    return byDetection;
}

Result<std::vector<NeuralReader::Line>> NeuralReader::readByDetection(const QImage &capture,
                                                                      int pad)
{
    const QImage framed = pad > 0 ? withFrame(capture, pad) : capture;
    auto map = detectionOutput(framed);
    if (!map)
        return map.error();
    std::vector<QRect> boxes = ppocr::findBoxes(map->values.data(), map->columns, map->rows);
    // Small text is found in pieces or, on a busy ground, not at all: detect again, enlarged
    // so that the text found (or the smallest a game draws, when none was) is kWantedText high.
    int typical = kSmallestText;
    if (!boxes.empty()) {
        std::vector<int> heights;
        heights.reserve(boxes.size());
        for (const QRect &box : boxes)
            heights.push_back(box.height());
        std::nth_element(heights.begin(), heights.begin() + qsizetype(heights.size() / 2),
                         heights.end());
        typical = heights[heights.size() / 2];
    }
    const double enlarge = double(kWantedText) / typical;
    if (typical < kSmallText && detectionSize(framed, enlarge).width() > map->columns * 6 / 5) {
        map = detectionOutput(framed, enlarge);
        if (!map)
            return map.error();
        boxes = ppocr::findBoxes(map->values.data(), map->columns, map->rows);
    }
    const double toX = double(framed.width()) / map->columns,
                 toY = double(framed.height()) / map->rows;
    for (QRect &box : boxes) {
        box = QRect(QPoint(int(box.left() * toX), int(box.top() * toY)),
                    QPoint(int(std::ceil((box.right() + 1) * toX)) - 1,
                           int(std::ceil((box.bottom() + 1) * toY)) - 1))
                  .translated(-pad, -pad)
                  .intersected(capture.rect());
    }
    // Text runs across the screen; a box much taller than wide is an ornament or an icon.
    std::erase_if(boxes, [](const QRect &b) { return b.isEmpty() || b.height() > 2 * b.width(); });
    if (boxes.size() > size_t(kMaximumBoxes))
        boxes.resize(size_t(kMaximumBoxes));

    // Each row of boxes is read from its first box to its last and a little beyond: on a busy
    // ground the detection may find a line in pieces, or miss a character at either end, and
    // the recognition model reads the parts it missed as well. Not across the whole capture:
    // the model's time grows with the width it reads, and an option row is often short.
    std::vector<Strip> strips;
    for (const std::vector<QRect> &row : ppocr::groupLines(std::move(boxes))) {
        int top = row.front().top(), bottom = row.front().bottom();
        for (const QRect &box : row) {
            top = std::min(top, box.top());
            bottom = std::max(bottom, box.bottom());
        }
        int left = row.front().left(), right = row.back().right();
        for (const QRect &box : row) {
            left = std::min(left, box.left());
            right = std::max(right, box.right());
        }
        const int margin = int(std::lround((bottom - top + 1) * kStripMargin));
        std::vector<std::pair<int, int>> ink;
        ink.reserve(row.size());
        for (const QRect &box : row)
            ink.emplace_back(box.left() - margin, box.right() + margin);
        const QRect box = QRect(QPoint(left - margin, top), QPoint(right + margin, bottom))
                              .intersected(capture.rect());
        strips.push_back({box, ppocr::keptColumns(ink, kWidestDetectedGapInLines * box.height())});
    }
    return readStrips(capture, strips, 0.0);
}

Result<std::vector<NeuralReader::Line>>
NeuralReader::readStrips(const QImage &capture, const std::vector<Strip> &strips, double sure)
{
    std::vector<Line> lines;
    for (const Strip &strip : strips) {
        int used = 0;
        const QImage line = stripPicture(capture, strip);
        const auto out = recognitionOutput(line, &used, kSqueeze);
        if (!out)
            return out.error();
        auto decoded = ppocr::decode(out->values.data(), out->rows, out->columns, m_classes, used);
        if (decoded.confidence < kRereadBelow) {
            const auto again = recognitionOutput(line, &used, 1.0);
            if (!again)
                return again.error();
            const auto unsqueezed =
                ppocr::decode(again->values.data(), again->rows, again->columns, m_classes, used);
            if (unsqueezed.confidence > decoded.confidence)
                decoded = unsqueezed;
        }
        if (decoded.text.isEmpty() || decoded.confidence < sure) {
            if (sure > 0)
                return std::vector<Line>();
            continue;
        }
        lines.push_back({decoded.text, decoded.confidence, strip.box});
    }
    return lines;
}

} // namespace recognition
