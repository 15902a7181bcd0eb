// Picture files that lie about themselves or cost far too much to read, made byte by byte by
// the tests (nothing of the kind is kept in the tree): a PNG chunk claiming 2 GiB in a 44-byte
// file, headers claiming 60000x60000 pixels, a JPEG of endless scans, and pictures that are
// valid but hostile to the engine (thin rules, noise).
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>
#include <QtEndian>

#include <array>
#include <optional>

namespace hostile {

inline quint32 crc32(QByteArrayView bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char b : bytes)
        c = table[(c ^ uchar(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

inline QByteArray bigEndian(quint32 v)
{
    QByteArray b(4, Qt::Uninitialized);
    qToBigEndian(v, b.data());
    return b;
}

// A PNG chunk; `claimed` puts another length in its length field than the data it holds.
inline QByteArray pngChunk(QByteArrayView type, QByteArrayView data,
                           std::optional<quint32> claimed = {})
{
    const QByteArray body = type.toByteArray() + data.toByteArray();
    return bigEndian(claimed.value_or(quint32(data.size()))) + body + bigEndian(crc32(body));
}

inline const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);

inline QByteArray pngHeaderChunk(quint32 width, quint32 height, int depth = 8, int colourType = 0)
{
    QByteArray fields(5, '\0');
    fields[0] = char(depth);
    fields[1] = char(colourType);
    return pngChunk("IHDR", bigEndian(width) + bigEndian(height) + fields);
}

// The zlib stream of `raw` (qCompress puts a length of its own before it).
inline QByteArray zlibStream(const QByteArray &raw)
{
    return qCompress(raw, 9).mid(4);
}

// A grey 8-bit PNG whose header says `width` x `height` and whose data is a few bytes: all a
// decoder that trusts the header needs to allocate the whole picture.
inline QByteArray pngClaiming(quint32 width, quint32 height)
{
    return pngSignature + pngHeaderChunk(width, height) +
           pngChunk("IDAT", zlibStream(QByteArray(16, '\0'))) + pngChunk("IEND", {});
}

// 44 bytes: a 1x1 PNG header, then a text chunk whose length claims 2 GiB - 1, and the file ends.
inline QByteArray pngTextChunkBomb()
{
    QByteArray png = pngSignature + pngHeaderChunk(1, 1) + bigEndian(0x7FFFFFFF) + "tEXt" + "abc";
    return png;
}

// A valid grey PNG of `width` x `height` of one level.
inline QByteArray pngPlain(quint32 width, quint32 height, uchar level = 255)
{
    QByteArray raw;
    for (quint32 y = 0; y < height; ++y)
        raw += '\0' + QByteArray(qsizetype(width), char(level));
    return pngSignature + pngHeaderChunk(width, height) + pngChunk("IDAT", zlibStream(raw)) +
           pngChunk("IEND", {});
}

inline QByteArray encoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// A small real JPEG with the size in its frame header changed to `width` x `height`.
inline QByteArray jpegClaiming(quint16 width, quint16 height)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    QByteArray jpeg = encoded(small, "JPG", 80);
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    if (sof < 0)
        return {};
    qToBigEndian(height, jpeg.data() + sof + 5);
    qToBigEndian(width, jpeg.data() + sof + 7);
    return jpeg;
}

// A progressive JPEG frame followed by `scans` scans of one byte of data each.
inline QByteArray jpegScans(int scans)
{
    QByteArray jpeg("\xFF\xD8", 2);
    // SOF2: length 11, 8-bit, 64x64, one component (id 1, 1x1 sampling, table 0).
    jpeg += QByteArray("\xFF\xC2\x00\x0B\x08\x00\x40\x00\x40\x01\x01\x11\x00", 13);
    for (int i = 0; i < scans; ++i) // SOS: length 8, one component, then one byte of data
        jpeg += QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x00\x00\x00\x2A", 11);
    return jpeg + QByteArray("\xFF\xD9", 2);
}

// A BMP file header and 40-byte information header claiming `width` x `height`, no pixels.
inline QByteArray bmpClaiming(qint32 width, qint32 height)
{
    QByteArray bmp(54, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian(quint32(54), bmp.data() + 2);
    qToLittleEndian(quint32(54), bmp.data() + 10);
    qToLittleEndian(quint32(40), bmp.data() + 14);
    qToLittleEndian(width, bmp.data() + 18);
    qToLittleEndian(height, bmp.data() + 22);
    qToLittleEndian(quint16(1), bmp.data() + 26);
    qToLittleEndian(quint16(24), bmp.data() + 28);
    return bmp;
}

// size x size of thin rules: bands of 5 rows of one-pixel vertical rules every other pixel,
// 5 rows of ground between. Each band looks like a line of small text to the preparation,
// which used to enlarge the whole picture fourfold for it.
inline QImage thinRules(int size)
{
    QImage rules(size, size, QImage::Format_Mono);
    rules.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < size; ++y) {
        uchar *line = rules.scanLine(y);
        const bool band = y % 10 < 5;
        // Bit 1 is ink (colour 1); the leftmost pixel is the highest bit.
        std::fill_n(line, rules.bytesPerLine(), band ? 0x55 : 0x00);
    }
    return rules;
}

// Black and white noise: each pixel black with the chance `density`, from a fixed seed.
inline QImage noise(int width, int height, double density = 0.5)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = random.generateDouble() < density ? 0 : 255;
    }
    return image;
}

} // namespace hostile
