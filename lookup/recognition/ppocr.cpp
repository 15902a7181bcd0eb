#include "lookup/recognition/ppocr.h"

#include <algorithm>
#include <cmath>

namespace recognition::ppocr {

namespace {

constexpr int kPlaceholderWidth = 4095;

// The input shape as protobuf writes it: four TensorShapeProto.Dimension messages (field 1,
// 2 bytes or 3 long) each holding dim_value (field 1, varint): 1, 3, 48 and the width.
QByteArray shapeBytes(int width)
{
    QByteArray bytes("\x0a\x02\x08\x01\x0a\x02\x08\x03\x0a\x02\x08\x30\x0a\x03\x08", 15);
    bytes += char(0x80 | (width & 0x7f));
    bytes += char(width >> 7);
    return bytes;
}

} // namespace

QStringList classesFromKeys(const QByteArray &keyFile)
{
    QStringList classes{QString()};
    const QList<QByteArray> lines = keyFile.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString key = QString::fromUtf8(lines[i]);
        if (key.isEmpty() && i == lines.size() - 1)
            break; // the newline that ends the file
        if (key.isEmpty() || key.toUcs4().size() != 1)
            return {};
        classes += key;
    }
    classes += QStringLiteral(" ");
    return classes;
}

DecodedLine decode(const float *probabilities, int frames, int classes, const QStringList &names,
                   int usedFrames)
{
    DecodedLine line;
    int previous = 0, kept = 0;
    double sum = 0;
    for (int t = 0; t < std::min(frames, usedFrames); ++t) {
        const float *row = probabilities + qsizetype(t) * classes;
        const int best = int(std::max_element(row, row + classes) - row);
        if (best != 0 && best != previous && best < names.size()) {
            line.text += names[best];
            sum += row[best];
            ++kept;
        }
        previous = best;
    }
    line.confidence = kept ? sum / kept : 0;
    return line;
}

int widthBucket(int width)
{
    for (const int bucket : kWidthBuckets) {
        if (width <= bucket)
            return bucket;
    }
    return std::end(kWidthBuckets)[-1];
}

std::optional<QByteArray> withInputWidth(const QByteArray &model, int width)
{
    if (width < 128 || width > 16383)
        return std::nullopt;
    const QByteArray placeholder = shapeBytes(kPlaceholderWidth);
    const qsizetype at = model.indexOf(placeholder);
    if (at < 0 || model.indexOf(placeholder, at + 1) >= 0)
        return std::nullopt;
    QByteArray pinned = model;
    pinned.replace(at, placeholder.size(), shapeBytes(width));
    return pinned;
}

std::vector<QRect> findBoxes(const float *map, int width, int height,
                             const BoxParameters &parameters)
{
    std::vector<QRect> boxes;
    if (width <= 0 || height <= 0)
        return boxes;
    // 4-connected regions of the thresholded map, each flooded from its first pixel.
    std::vector<unsigned char> seen(size_t(width) * size_t(height), 0);
    std::vector<int> stack;
    for (int start = 0; start < width * height; ++start) {
        if (seen[size_t(start)] || map[start] <= parameters.threshold)
            continue;
        int left = width, right = -1, top = height, bottom = -1, count = 0;
        double sum = 0; // of the region's probabilities: its score is their mean
        stack.assign(1, start);
        seen[size_t(start)] = 1;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            const int x = at % width, y = at / width;
            sum += map[at];
            ++count;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            const auto visit = [&](int next) {
                if (!seen[size_t(next)] && map[next] > parameters.threshold) {
                    seen[size_t(next)] = 1;
                    stack.push_back(next);
                }
            };
            if (x > 0)
                visit(at - 1);
            if (x + 1 < width)
                visit(at + 1);
            if (y > 0)
                visit(at - width);
            if (y + 1 < height)
                visit(at + width);
        }
        const int w = right - left + 1, h = bottom - top + 1;
        if (std::min(w, h) < parameters.minimumSide || sum / count < parameters.boxThreshold)
            continue;
        // The model marks a region shrunk from the text by this margin; grow it back.
        const int grow = int(std::lround(double(w) * h * parameters.unclipRatio / (2.0 * (w + h))));
        boxes.push_back(QRect(QPoint(left - grow, top - grow), QPoint(right + grow, bottom + grow))
                            .intersected(QRect(0, 0, width, height)));
    }
    std::sort(boxes.begin(), boxes.end(), [](const QRect &a, const QRect &b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    return boxes;
}

std::vector<std::pair<int, int>> keptColumns(std::vector<std::pair<int, int>> ink, int widest)
{
    std::erase_if(ink, [](const auto &span) { return span.second < span.first; });
    std::sort(ink.begin(), ink.end());
    std::vector<std::pair<int, int>> kept;
    widest = std::max(widest, 0);
    for (const auto &[first, last] : ink) {
        if (kept.empty()) {
            kept.emplace_back(first, last);
            continue;
        }
        const int gap = first - kept.back().second - 1;
        if (gap <= widest) {
            kept.back().second = std::max(kept.back().second, last);
            continue;
        }
        kept.back().second += widest / 2;
        kept.emplace_back(first - (widest - widest / 2), last);
    }
    return kept;
}

std::vector<std::vector<QRect>> groupLines(std::vector<QRect> boxes)
{
    std::sort(boxes.begin(), boxes.end(),
              [](const QRect &a, const QRect &b) { return a.center().y() < b.center().y(); });
    std::vector<std::vector<QRect>> lines;
    std::vector<QRect> spans; // each line's vertical extent so far
    for (const QRect &box : boxes) {
        bool placed = false;
        for (size_t i = 0; i < lines.size() && !placed; ++i) {
            const QRect &span = spans[i];
            const int middle = box.center().y(), lineMiddle = span.center().y();
            if (middle >= span.top() && middle <= span.bottom() && lineMiddle >= box.top() &&
                lineMiddle <= box.bottom()) {
                lines[i].push_back(box);
                spans[i] = span.united(box);
                placed = true;
            }
        }
        if (!placed) {
            lines.push_back({box});
            spans.push_back(box);
        }
    }
    for (auto &line : lines) {
        std::sort(line.begin(), line.end(),
                  [](const QRect &a, const QRect &b) { return a.left() < b.left(); });
    }
    return lines;
}

std::optional<std::vector<std::pair<int, int>>> profileLines(const std::vector<int> &edges,
                                                             const ProfileParameters &p)
{
    const int rows = int(edges.size());
    const int busiest = rows == 0 ? 0 : *std::max_element(edges.begin(), edges.end());
    if (busiest < p.fewestEdges)
        return std::nullopt;
    const double quiet = busiest * p.quiet;
    // Without a quiet row the ground is not seen: text filling the capture and a busy ground
    // with text on it give the same profile.
    if (std::none_of(edges.begin(), edges.end(), [&](int e) { return e <= quiet; }))
        return std::nullopt;
    std::vector<std::pair<int, int>> lines;
    for (int y = 0; y < rows;) {
        if (edges[size_t(y)] <= quiet) {
            ++y;
            continue;
        }
        const int top = y;
        while (y < rows && edges[size_t(y)] > quiet)
            ++y;
        lines.emplace_back(top, y - 1);
        if (int(lines.size()) > p.mostLines)
            return std::nullopt;
    }
    int lowest = rows, tallest = 0;
    for (const auto &[top, bottom] : lines) {
        const int height = bottom - top + 1;
        if (height < p.lowestText)
            return std::nullopt;
        lowest = std::min(lowest, height);
        tallest = std::max(tallest, height);
        std::vector<int> line(edges.begin() + top, edges.begin() + bottom + 1);
        if (*std::max_element(line.begin(), line.end()) < busiest * p.weakest)
            return std::nullopt;
        std::nth_element(line.begin(), line.begin() + qsizetype(line.size() / 2), line.end());
        const double median = line[line.size() / 2];
        // The rows near either edge of a line are thin (accents, the tops of strokes); a dip
        // in the middle is a gap between two lines that nearly touch.
        const int inset = height / 5;
        for (int y = top + inset; y <= bottom - inset; ++y) {
            if (edges[size_t(y)] < median * p.dip)
                return std::nullopt;
        }
    }
    if (tallest > lowest * p.heights)
        return std::nullopt;
    return lines;
}

} // namespace recognition::ppocr
