// Writes the picture fuzzer's seed corpus: small pictures in every form the decoders take (grey,
// palette, colour, alpha, 16-bit, interlaced and 1-bit PNG; baseline, progressive and grey JPEG;
// 1-, 8-, 24- and 32-bit BMP), one with a question drawn on it, and the hostile files the tests
// make (a chunk claiming 2 GiB, headers claiming 60000x60000, a JPEG of many scans).
#include "tests/lookup/recognition/hostilepictures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QByteArray written(const QImage &image, const char *format, int quality = -1,
                   bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_picture_seeds CORPUS_DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);

    QImage question(120, 24, QImage::Format_RGB32);
    question.fill(QColor(40, 30, 50));
    {
        QPainter p(&question);
        QFont font;
        font.setPixelSize(14);
        p.setFont(font);
        p.setPen(QColor(250, 240, 200));
        p.drawText(4, 17, u"Qin 221 BC?"_s);
    }
    QImage alpha = question.convertToFormat(QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(0, 0, 0, 0));
    const QImage grey = question.convertToFormat(QImage::Format_Grayscale8);

    const QList<std::pair<const char *, QByteArray>> seeds{
        {"question.png", written(question, "PNG")},
        {"alpha.png", written(alpha, "PNG")},
        {"grey.png", written(grey, "PNG")},
        {"palette.png", written(question.convertToFormat(QImage::Format_Indexed8), "PNG")},
        {"grey16.png", written(question.convertToFormat(QImage::Format_Grayscale16), "PNG")},
        {"rgba64.png", written(question.convertToFormat(QImage::Format_RGBA64), "PNG")},
        {"mono.png", written(hostile::thinRules(32), "PNG")},
        {"baseline.jpg", written(question, "JPG", 75)},
        {"progressive.jpg", written(question, "JPG", 75, true)},
        {"grey.jpg", written(grey, "JPG", 60)},
        {"rgb24.bmp", written(question.convertToFormat(QImage::Format_RGB888), "BMP")},
        {"argb32.bmp", written(alpha, "BMP")},
        {"indexed8.bmp", written(question.convertToFormat(QImage::Format_Indexed8), "BMP")},
        {"mono.bmp", written(hostile::thinRules(32), "BMP")},
        {"wide.png", hostile::pngPlain(2000, 1)},
        {"chunk-claims-2GiB.png", hostile::pngTextChunkBomb()},
        {"claims-60000.png", hostile::pngClaiming(60000, 60000)},
        {"claims-16000.jpg", hostile::jpegClaiming(16000, 16000)},
        {"scans.jpg", hostile::jpegScans(20)},
        {"claims-100000.bmp", hostile::bmpClaiming(100000, -100000)},
        {"noise.png", written(hostile::noise(64, 64), "PNG")},
    };
    for (const auto &[name, bytes] : seeds) {
        QFile f(dir + u'/' + QString::fromLatin1(name));
        if (bytes.isEmpty() || !f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
