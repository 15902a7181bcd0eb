#include "lookup/capture/windowstack.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace capture {

ReadPlan planRead(const QRect &region, const std::vector<StackedWindow> &stack,
                  const QRegion &vacated)
{
    ReadPlan plan;
    QRegion othersAbove; // region parts under an opaque window of another program, higher up
    QRegion othersAnywhere;
    QRegion oursAbove; // region parts under one of ours, higher up
    QRegion oursShown;
    for (size_t i = stack.size(); i-- > 0;) {
        const QRegion inside(stack[i].rect & region);
        if (inside.isEmpty())
            continue;
        if (stack[i].ours) {
            oursShown += inside - othersAbove;
            oursAbove += inside;
            continue;
        }
        const QRegion visible = inside - othersAbove;
        if (!visible.isEmpty()) {
            const QRegion covered = visible & oursAbove;
            plan.parts.push_back({i, visible, covered, (visible & vacated) - covered});
        }
        if (stack[i].opaque)
            othersAbove += inside;
        othersAnywhere += inside;
    }
    std::reverse(plan.parts.begin(), plan.parts.end());
    plan.ours = oursShown + (vacated & region);
    plan.bare = QRegion(region) - othersAnywhere;
    return plan;
}

namespace {

// A colour channel as 8 bits: a narrower one is widened by repeating its top bits (5-bit 31
// becomes 255), a wider one keeps its top 8.
struct Channel
{
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(quint32 m) : mask(m), shift(std::countr_zero(m)), bits(std::popcount(m))
    {
        if (m == 0)
            shift = 0;
    }
    quint32 operator()(quint32 pixel) const
    {
        if (bits == 0)
            return 0;
        quint32 v = (pixel & mask) >> shift;
        if (bits >= 8)
            return v >> (bits - 8);
        quint32 wide = 0;
        for (int filled = 0; filled < 8; filled += bits)
            wide = (wide << bits) | v;
        return wide >> (((8 + bits - 1) / bits) * bits - 8);
    }
};

quint32 readPixel(const uchar *p, int bytes, bool msbFirst)
{
    quint32 v = 0;
    if (msbFirst) {
        for (int b = 0; b < bytes; ++b)
            v = (v << 8) | p[b];
    } else {
        for (int b = bytes; b-- > 0;)
            v = (v << 8) | p[b];
    }
    return v;
}

} // namespace

QImage imageFromPixels(const PixelLayout &layout, const uchar *data, qsizetype size, int width,
                       int height)
{
    const int bpp = layout.bitsPerPixel;
    if (width <= 0 || height <= 0 || bpp % 8 != 0 || bpp < 8 || bpp > 32 ||
        layout.scanlinePad <= 0 || layout.scanlinePad % 8 != 0 || !layout.redMask ||
        !layout.greenMask || !layout.blueMask || layout.depth > bpp)
        return {};
    const qsizetype bytesPerLine = (qsizetype(width) * bpp + layout.scanlinePad - 1) /
                                   layout.scanlinePad * layout.scanlinePad / 8;
    if (!data || size < bytesPerLine * height)
        return {};

    const quint32 colours = layout.redMask | layout.greenMask | layout.blueMask;
    const quint32 depthMask = layout.depth >= 32 ? 0xffffffffu : (1u << layout.depth) - 1;
    const quint32 alphaMask = layout.depth == 32 ? depthMask & ~colours : 0;
    QImage image(width, height,
                 alphaMask ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return {};

    // The common layout (32 bits, 8 to a channel, the host's byte order) line by line.
    const bool hostOrder = (Q_BYTE_ORDER == Q_BIG_ENDIAN) == layout.msbFirst;
    if (bpp == 32 && hostOrder && layout.redMask == 0xff0000 && layout.greenMask == 0xff00 &&
        layout.blueMask == 0xff && (!alphaMask || alphaMask == 0xff000000u)) {
        const quint32 fill = alphaMask ? 0 : 0xff000000u;
        for (int y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
            std::memcpy(line, data + y * bytesPerLine, size_t(width) * 4);
            if (fill) {
                for (int x = 0; x < width; ++x)
                    line[x] |= fill;
            }
        }
        return image;
    }

    const Channel red(layout.redMask), green(layout.greenMask), blue(layout.blueMask),
        alpha(alphaMask);
    const int bytes = bpp / 8;
    for (int y = 0; y < height; ++y) {
        const uchar *in = data + y * bytesPerLine;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += bytes) {
            const quint32 pixel = readPixel(in, bytes, layout.msbFirst);
            out[x] = qRgba(int(red(pixel)), int(green(pixel)), int(blue(pixel)),
                           alphaMask ? int(alpha(pixel)) : 255);
        }
    }
    return image;
}

QRect toDevicePixels(const QRect &logical, const QPoint &screenTopLeft, qreal dpr)
{
    const auto start = [&](int v, int origin) {
        return origin + int(std::floor((v - origin) * dpr + 1e-9));
    };
    const auto end = [&](int v, int origin) {
        return origin + int(std::ceil((v - origin) * dpr - 1e-9));
    };
    const int left = start(logical.x(), screenTopLeft.x());
    const int top = start(logical.y(), screenTopLeft.y());
    const int right = end(logical.x() + logical.width(), screenTopLeft.x());
    const int bottom = end(logical.y() + logical.height(), screenTopLeft.y());
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

bool allBlack(const QImage &image)
{
    const QImage rgb = image.format() == QImage::Format_RGB32 ||
                               image.format() == QImage::Format_ARGB32 ||
                               image.format() == QImage::Format_ARGB32_Premultiplied
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (line[x] & 0x00ffffffu)
                return false;
        }
    }
    return true;
}

} // namespace capture
