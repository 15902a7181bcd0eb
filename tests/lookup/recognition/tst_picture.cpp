// Pictures taken in for recognition: reading files (what is refused before decoding and why,
// special files, damage), the limits of size and busyness, the enlargement cap, the counting
// of marks, and the conversions that stay on the calling thread. Hostile files are made here,
// byte by byte.
#include "lookup/recognition/engine.h"
#include "lookup/recognition/picture.h"
#include "lookup/recognition/prepare.h"
#include "lookup/recognition/reader.h"
#include "tests/lookup/recognition/hostilepictures.h"
#include "tests/lookup/recognition/oddfiles.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cmath>
#include <unistd.h>

using namespace Qt::StringLiterals;
using recognition::RecognitionError;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Qt messages that reach the handler installed before any picture is read: what would be
// printed. The catcher in picture.cpp passes on only what is not its own thread's.
QStringList leaked;
void recordLeak(QtMsgType, const QMessageLogContext &, const QString &message)
{
    leaked += message;
}

// What `run` writes on the standard error descriptor, where C libraries write.
template <class Run> QByteArray standardErrorOf(Run run)
{
    std::fflush(stderr);
    QTemporaryFile file;
    if (!file.open())
        return "(no temporary file)";
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

int threadCount()
{
    return int(QDir(u"/proc/self/task"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// A question line as a game shows it.
QImage question(int pixelSize = 18)
{
    QImage image(30 * pixelSize, 2 * pixelSize, QImage::Format_RGB32);
    image.fill(QColor(40, 30, 50));
    QPainter p(&image);
    QFont font;
    font.setPixelSize(pixelSize);
    p.setFont(font);
    p.setPen(QColor(250, 240, 200));
    p.drawText(10, pixelSize * 3 / 2, u"Which year did the Qin unify the six states? 221 BC"_s);
    return image;
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    // First: no test before it has started Qt's pool of worker threads.
    void noWorkerThreadsOnThePicturePath();

    void refusedBeforeDecoding_data();
    void refusedBeforeDecoding();
    void specialFilesAreRefusedUnopened_data();
    void specialFilesAreRefusedUnopened();
    void decodesWhatItShould_data();
    void decodesWhatItShould();
    void damageReadPastIsReported();

    void sizeLimits_data();
    void sizeLimits();
    void enlargementIsCapped_data();
    void enlargementIsCapped();
    void marks_data();
    void marks();
    void busyCapturesAreRefused_data();
    void busyCapturesAreRefused();

    void damagedLanguageDataIsNamedQuietly();
    void aWideEmptyPictureIsReadAsEmpty();

    void conversionsMatchQt_data();
    void conversionsMatchQt();
    void enlargementMatchesQtSmoothScaling();

private:
    QTemporaryDir m_dir;
};

void TestPicture::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qInstallMessageHandler(recordLeak);
}

// Each is refused from its header or structure: nothing near the size it claims is allocated.
void TestPicture::refusedBeforeDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("cause");

    const int unreadable = RecognitionError::Unreadable, tooLarge = RecognitionError::TooLarge;
    QTest::newRow("44-byte PNG whose text chunk claims 2 GiB")
        << hostile::pngTextChunkBomb() << unreadable
        << u"damaged PNG picture: a chunk (tEXt) claims 2147483647 bytes, more than the file holds"_s;
    QTest::newRow("PNG chunk length past 2^31")
        << hostile::pngSignature + hostile::pngHeaderChunk(1, 1) +
               hostile::pngChunk("IDAT", "x", 0x80000000u)
        << unreadable
        << u"damaged PNG picture: a chunk claims 2147483648 "
           "bytes, more than a PNG chunk can hold"_s;
    QTest::newRow("PNG header claiming 60000x60000")
        << hostile::pngClaiming(60000, 60000) << tooLarge
        << u"a picture of 60000×60000 pixels, more than 32000 pixels wide or tall, larger than "
           "any screen region; the text recognition reads nothing that size"_s;
    QTest::newRow("PNG header claiming 16000x16000")
        << hostile::pngClaiming(16000, 16000) << tooLarge
        << u"a picture of 16000×16000 pixels, more than 40 megapixels, larger than any screen "
           "region"_s;
    QTest::newRow("PNG header claiming 4 billion pixels wide")
        << hostile::pngClaiming(0xFFFFFFFFu, 1) << tooLarge
        << u"a picture of 2147483647×1 pixels, more than 32000 pixels wide or tall, larger than "
           "any screen region; the text recognition reads nothing that size"_s;
    QTest::newRow("PNG without its header chunk")
        << hostile::pngSignature + hostile::pngChunk("IEND", {}) << unreadable
        << u"damaged PNG picture: it does not start with its header chunk"_s;
    const QByteArray plain = hostile::pngPlain(50, 50);
    const quint32 dataLength =
        qFromBigEndian<quint32>(plain.constData() + plain.indexOf("IDAT") - 4);
    QTest::newRow("PNG cut short inside its data")
        << plain.chopped(30) << unreadable
        << u"damaged PNG picture: a chunk (IDAT) claims %1 bytes, more than the file holds"_s.arg(
               dataLength);
    QTest::newRow("PNG without an end chunk") << hostile::pngPlain(50, 50).chopped(12) << unreadable
                                              << u"damaged PNG picture: the file ends early"_s;
    QTest::newRow("JPEG frame claiming 60000x60000")
        << hostile::jpegClaiming(60000, 60000) << tooLarge
        << u"a picture of 60000×60000 pixels, more than 32000 pixels wide or tall, larger than "
           "any screen region; the text recognition reads nothing that size"_s;
    QTest::newRow("JPEG frame claiming 16000x16000")
        << hostile::jpegClaiming(16000, 16000) << tooLarge
        << u"a picture of 16000×16000 pixels, more than 40 megapixels, larger than any screen "
           "region"_s;
    QTest::newRow("JPEG of 101 scans")
        << hostile::jpegScans(101) << tooLarge
        << u"a JPEG of more than 100 scans (a progressive JPEG has about ten): decoding it would "
           "take far too long"_s;
    QTest::newRow("JPEG height given after the data (DNL)")
        << hostile::jpegClaiming(100, 0) << unreadable
        << u"damaged JPEG picture: its height is given only after the picture data (DNL), which "
           "is not read"_s;
    QTest::newRow("JPEG without a frame header")
        << QByteArray("\xFF\xD8\xFF\xFE\x00\x04hi\xFF\xD9", 10) << unreadable
        << u"damaged JPEG picture: it has no frame header"_s;
    QTest::newRow("BMP claiming 100000x100000")
        << hostile::bmpClaiming(100000, -100000) << tooLarge
        << u"a picture of 100000×100000 pixels, more than 32000 pixels wide or tall, larger than "
           "any screen region; the text recognition reads nothing that size"_s;
    QTest::newRow("BMP claiming 2^31-1 x 2^31-1 (found by fuzzing: the estimate overflowed)")
        << hostile::bmpClaiming(0x7FFFFFFF, 0x7FFFFFFF) << tooLarge
        << u"a picture of 2147483647×2147483647 pixels, more than 32000 pixels wide or tall, "
           "larger than any screen region; the text recognition reads nothing that size"_s;
    QTest::newRow("BMP of no width") << hostile::bmpClaiming(0, 10) << unreadable
                                     << u"damaged BMP picture: its header gives a size of 0×10"_s;
    QTest::newRow("text") << "question\tanswer\n"_ba << unreadable
                          << u"not a PNG, JPEG or BMP picture"_s;
    QTest::newRow("GIF") << QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14) << unreadable
                         << u"not a PNG, JPEG or BMP picture"_s;
    QTest::newRow("empty file") << QByteArray() << unreadable << u"empty file, not a picture"_s;
}

void TestPicture::refusedBeforeDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QFETCH(QString, cause);
    const QString path = m_dir.filePath(u"hostile"_s);
    QVERIFY(writeFile(path, bytes));
    leaked.clear();
    std::optional<recognition::Result<recognition::Picture>> result;
    QCOMPARE(standardErrorOf([&] { result = recognition::readPicture(path); }), QByteArray());
    const auto &picture = *result;
    QVERIFY2(!picture, "read");
    QCOMPARE(picture.error().message, path + u": "_s + cause);
    QCOMPARE(int(picture.error().kind), kind);
    QCOMPARE(leaked, QStringList());
}

// By name, before opening: a FIFO would block the open, a device could have effects of its own.
void TestPicture::specialFilesAreRefusedUnopened_data()
{
    hostile::oddFileRows();
}

void TestPicture::specialFilesAreRefusedUnopened()
{
    QFETCH(QString, kind);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    hostile::OddFile file;
    hostile::makeOddFile(dir, kind, &file);
    if (QTest::currentTestFailed())
        return;
    if (file.notHere)
        QSKIP("cannot make a device node here (not root)");
    const QString path = file.path;
    const auto picture = recognition::readPicture(path);
    file.close();
    QVERIFY(!picture);
    QCOMPARE(picture.error().message, (path.isEmpty() ? u"\"\""_s : path) + u": "_s + cause);
    QCOMPARE(picture.error().kind, RecognitionError::Unreadable);
}

void TestPicture::decodesWhatItShould_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    const QImage q = question();
    QTest::newRow("PNG, colour") << hostile::encoded(q, "PNG") << q.size();
    QTest::newRow("JPEG") << hostile::encoded(q, "JPG", 75) << q.size();
    QTest::newRow("BMP") << hostile::encoded(q, "BMP") << q.size();
    QTest::newRow("PNG, 1 bit") << hostile::encoded(hostile::thinRules(64), "PNG") << QSize(64, 64);
    QTest::newRow("PNG, 16-bit grey")
        << hostile::encoded(q.convertToFormat(QImage::Format_Grayscale16), "PNG") << q.size();
    QTest::newRow("PNG, 20000x1") << hostile::pngPlain(20000, 1) << QSize(20000, 1);
    QTest::newRow("PNG, 32000 wide") << hostile::pngPlain(32000, 2) << QSize(32000, 2);
    QTest::newRow("PNG, 6000x6000, under 40 megapixels")
        << hostile::pngPlain(6000, 6000) << QSize(6000, 6000);
}

void TestPicture::decodesWhatItShould()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const QString path = m_dir.filePath(u"good"_s);
    QVERIFY(writeFile(path, bytes));
    leaked.clear();
    const auto picture = recognition::readPicture(path);
    QVERIFY2(picture, picture ? "" : qPrintable(picture.error().message));
    QCOMPARE(picture->image.size(), size);
    QCOMPARE(picture->damage, QString());
    QCOMPARE(leaked, QStringList());
    // The same pixels as Qt's reader gives, kept in the least memory: one byte a pixel for grey,
    // three for colour.
    QVERIFY2(picture->image.depth() <= 24, qPrintable(QString::number(picture->image.format())));
    const QImage direct = QImage::fromData(bytes);
    QCOMPARE(picture->image, direct.format() == picture->image.format()
                                 ? direct
                                 : direct.convertToFormat(picture->image.format()));
}

// A JPEG cut short still decodes (libjpeg fills in the rest); what it says is kept for the
// message, not printed. A PNG whose compressed data is damaged is refused with libpng's cause.
void TestPicture::damageReadPastIsReported()
{
    const QByteArray jpeg = hostile::encoded(question(), "JPG", 75);
    const QString cut = m_dir.filePath(u"cut.jpg"_s);
    QVERIFY(writeFile(cut, jpeg.first(jpeg.size() * 2 / 3)));
    leaked.clear();
    const auto picture = recognition::readPicture(cut);
    QVERIFY(picture);
    QCOMPARE(picture->damage, u"the file ends early"_s);
    QCOMPARE(leaked, QStringList());

    QByteArray png = hostile::pngPlain(40, 40, 128);
    const qsizetype idat = png.indexOf("IDAT") + 4;
    QByteArray data = png.mid(idat, 20);
    data[3] = char(data[3] ^ 0x5A);
    data[6] = char(data[6] ^ 0xA5);
    QByteArray damaged =
        png.left(idat - 8) + hostile::pngChunk("IDAT", data) + hostile::pngChunk("IEND", {});
    const QString bad = m_dir.filePath(u"bad.png"_s);
    QVERIFY(writeFile(bad, damaged));
    std::optional<recognition::Result<recognition::Picture>> result;
    // libpng prints its errors itself, on the descriptor.
    QCOMPARE(standardErrorOf([&] { result = recognition::readPicture(bad); }), QByteArray());
    const auto &refused = *result;
    QVERIFY(!refused);
    QVERIFY2(refused.error().message.startsWith(bad + u": damaged PNG picture: "_s),
             qPrintable(refused.error().message));
    QCOMPARE(leaked, QStringList());
}

void TestPicture::sizeLimits_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("kind"); // -1: accepted
    const int tooLarge = RecognitionError::TooLarge;
    QTest::newRow("one pixel") << QSize(1, 1) << -1;
    QTest::newRow("no pixels") << QSize(0, 10) << int(RecognitionError::NoImage);
    QTest::newRow("a 4K screen") << QSize(3840, 2160) << -1;
    QTest::newRow("an 8K screen") << QSize(7680, 4320) << -1;
    QTest::newRow("just under 40 megapixels") << QSize(6324, 6324) << -1;
    QTest::newRow("just over 40 megapixels") << QSize(6325, 6325) << tooLarge;
    QTest::newRow("20000x1") << QSize(20000, 1) << -1;
    QTest::newRow("32000 wide") << QSize(32000, 1) << -1;
    QTest::newRow("32001 wide") << QSize(32001, 1) << tooLarge;
    QTest::newRow("32001 tall") << QSize(1, 32001) << tooLarge;
}

void TestPicture::sizeLimits()
{
    QFETCH(QSize, size);
    QFETCH(int, kind);
    const auto problem = recognition::sizeProblem(size);
    QCOMPARE(problem ? int(problem->kind) : -1, kind);
}

// The preparation scales small text up, never a picture past the caps, never down.
void TestPicture::enlargementIsCapped_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("wanted");
    QTest::addColumn<double>("expected"); // 0: the largest within the caps, below `wanted`
    QTest::newRow("a question line, fourfold") << QSize(427, 41) << 4.0 << 4.0;
    QTest::newRow("no enlargement wanted") << QSize(427, 41) << 1.0 << 1.0;
    QTest::newRow("5000x5000 is not enlarged") << QSize(5000, 5000) << 4.0 << 1.0;
    QTest::newRow("over the cap already") << QSize(4000, 3000) << 2.0 << 1.0;
    QTest::newRow("2000x2000: up to 8 megapixels") << QSize(2000, 2000) << 4.0 << 0.0;
    QTest::newRow("20000x1: up to the engine's width") << QSize(20000, 1) << 4.0 << 0.0;
    QTest::newRow("1x20000: up to the engine's height") << QSize(1, 20000) << 4.0 << 0.0;
}

void TestPicture::enlargementIsCapped()
{
    QFETCH(QSize, size);
    QFETCH(double, wanted);
    QFETCH(double, expected);
    constexpr int margin = 10;
    const double scale = recognition::boundedScale(size, wanted, margin);
    if (expected > 0)
        QCOMPARE(scale, expected);
    else
        QVERIFY2(scale > 1 && scale < wanted, qPrintable(QString::number(scale)));
    const qint64 w = qint64(std::llround(size.width() * scale)) + 2 * margin;
    const qint64 h = qint64(std::llround(size.height() * scale)) + 2 * margin;
    if (scale > 1) {
        QVERIFY2(w * h <= recognition::kMaxEnlargedPixels, qPrintable(u"%1x%2"_s.arg(w).arg(h)));
        QVERIFY2(w <= 32767 && h <= 32767, qPrintable(u"%1x%2"_s.arg(w).arg(h)));
        // And not needlessly small: a little more would pass a cap.
        const double more = scale * 1.01;
        const qint64 w2 = qint64(std::llround(size.width() * more)) + 2 * margin;
        const qint64 h2 = qint64(std::llround(size.height() * more)) + 2 * margin;
        if (scale < wanted)
            QVERIFY(w2 * h2 > recognition::kMaxEnlargedPixels || w2 > 32767 || h2 > 32767);
    }
}

// Pieces of ink (touching at corners too) and of ground (touching at sides), the surrounding
// ground included.
void TestPicture::marks_data()
{
    QTest::addColumn<QStringList>("rows"); // '#' ink, '.' ground
    QTest::addColumn<qint64>("expected");
    QTest::newRow("blank") << QStringList{u"...."_s, u"...."_s} << qint64(1);
    QTest::newRow("one dot") << QStringList{u"..."_s, u".#."_s, u"..."_s} << qint64(2);
    QTest::newRow("a ring: ink, ground around, hole")
        << QStringList{u"....."_s, u".###."_s, u".#.#."_s, u".###."_s, u"....."_s} << qint64(3);
    QTest::newRow("dots touching at a corner are one piece")
        << QStringList{u"#."_s, u".#"_s} << qint64(3);
    QTest::newRow("a checkerboard: ink one piece, every ground square its own")
        << QStringList{u"#.#."_s, u".#.#"_s, u"#.#."_s, u".#.#"_s} << qint64(9);
    QTest::newRow("a comb joined at the bottom")
        << QStringList{u"#.#.#.#"_s, u"#.#.#.#"_s, u"#######"_s} << qint64(4);
    QTest::newRow("a comb joined at the top")
        << QStringList{u"#######"_s, u"#.#.#.#"_s, u"#.#.#.#"_s} << qint64(4);
    QTest::newRow("a spiral") << QStringList{u"#######"_s, u"......#"_s, u"#####.#"_s, u"#...#.#"_s,
                                             u"#.###.#"_s, u"#.....#"_s, u"#######"_s}
                              << qint64(2);
    QTest::newRow("ink everywhere") << QStringList{u"###"_s, u"###"_s} << qint64(1);
}

void TestPicture::marks()
{
    QFETCH(QStringList, rows);
    QFETCH(qint64, expected);
    QImage grey(int(rows[0].size()), int(rows.size()), QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.scanLine(y)[x] = rows[y][x] == u'#' ? 0 : 255;
    QCOMPARE(recognition::countMarks(grey, 127, 1000), expected);
    // Upside down and mirrored, the same pieces.
    QCOMPARE(recognition::countMarks(grey.mirrored(true, true), 127, 1000), expected);
}

void TestPicture::busyCapturesAreRefused_data()
{
    QTest::addColumn<QImage>("capture");
    QTest::addColumn<int>("kind"); // -1: read
    const int tooLarge = RecognitionError::TooLarge;
    QTest::newRow("a question") << question() << -1;
    QTest::newRow("a question on a 4K screen") << [] {
        QImage screen(3840, 2160, QImage::Format_RGB32);
        screen.fill(QColor(40, 30, 50));
        QPainter(&screen).drawImage(100, 100, question());
        return screen;
    }() << -1;
    QTest::newRow("1000x1000 of noise") << hostile::noise(1000, 1000) << tooLarge;
    QTest::newRow("5000x5000 of thin rules") << hostile::thinRules(5000) << tooLarge;
    QTest::newRow("over 40 megapixels") << QImage(6400, 6400, QImage::Format_Mono) << tooLarge;
    QTest::newRow("empty") << QImage() << int(RecognitionError::NoImage);
}

// Checked before the engine sees them, on the one entry the program and the tool share.
void TestPicture::busyCapturesAreRefused()
{
    QFETCH(QImage, capture);
    QFETCH(int, kind);
    const auto problem = recognition::captureProblem(capture);
    QCOMPARE(problem ? int(problem->kind) : -1, kind);
    if (kind == -1)
        return;
    // The reader refuses them without starting the engine, which has no data here.
    QTemporaryDir empty;
    recognition::Engine engine(recognition::Engine::Options{.dataPath = empty.path()});
    const auto reading =
        recognition::readQuestion(engine, recognition::Ranker({u"问题"_s}), capture);
    QVERIFY(!reading);
    QCOMPARE(int(reading.error().kind), kind);
}

// The engine's complaints about its data stay off standard error; the error names the file and
// the package that brings it back.
void TestPicture::damagedLanguageDataIsNamedQuietly()
{
    QFile installed(recognition::defaultDataPath() + u"/chi_sim.traineddata"_s);
    if (!installed.open(QIODevice::ReadOnly))
        QSKIP("tesseract-ocr-chi-sim is not installed");
    QTemporaryDir data;
    const QString file = data.filePath(u"chi_sim.traineddata"_s);
    QVERIFY(writeFile(file, installed.read(100000)));
    recognition::Engine engine(recognition::Engine::Options{.dataPath = data.path()});
    std::optional<RecognitionError> error;
    QCOMPARE(standardErrorOf([&] { error = engine.load(recognition::Engine::Pass::Prepared); }),
             QByteArray());
    QVERIFY(error);
    QCOMPARE(error->kind, RecognitionError::NoLanguageData);
    QCOMPARE(error->message, u"text recognition data %1 is damaged: reinstall the package "
                             "tesseract-ocr-chi-sim"_s.arg(file));
}

// Read and found empty, not a failure to read: a capture can hold no text.
void TestPicture::aWideEmptyPictureIsReadAsEmpty()
{
    if (!QFile::exists(recognition::defaultDataPath() + u"/chi_sim.traineddata"_s))
        QSKIP("tesseract-ocr-chi-sim is not installed");
    QImage wide(20000, 1, QImage::Format_Grayscale8);
    wide.fill(255);
    recognition::Engine engine;
    const auto reading = recognition::readQuestion(engine, recognition::Ranker({u"问题"_s}), wide);
    QVERIFY2(reading, reading ? "" : qPrintable(reading.error().message));
    QVERIFY(reading->candidates.empty());
}

void TestPicture::conversionsMatchQt_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QImage::Format>("format");
    const QImage q = question();
    QImage indexed = q.convertToFormat(QImage::Format_Indexed8);
    QImage tagged = q;
    tagged.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    for (const auto to : {QImage::Format_Grayscale8, QImage::Format_RGB888}) {
        const char *target = to == QImage::Format_Grayscale8 ? "grey" : "RGB888";
        QTest::addRow("RGB32 to %s", target) << q << to;
        QTest::addRow("ARGB32 to %s", target) << q.convertToFormat(QImage::Format_ARGB32) << to;
        QTest::addRow("1 bit to %s", target) << hostile::thinRules(300) << to;
        QTest::addRow("indexed to %s", target) << indexed << to;
        QTest::addRow("16-bit grey to %s", target)
            << q.convertToFormat(QImage::Format_Grayscale16) << to;
        QTest::addRow("RGBA64 to %s", target) << q.convertToFormat(QImage::Format_RGBA64) << to;
        QTest::addRow("Adobe RGB to %s", target) << tagged << to;
    }
}

void TestPicture::conversionsMatchQt()
{
    QFETCH(QImage, image);
    QFETCH(QImage::Format, format);
    const QImage ours = recognition::convertedPicture(image, format);
    const QImage qts = image.convertToFormat(format);
    QCOMPARE(ours.format(), format);
    QCOMPARE(ours.size(), image.size());
    for (int y = 0; y < ours.height(); ++y)
        QVERIFY2(std::memcmp(ours.constScanLine(y), qts.constScanLine(y),
                             size_t(ours.width() * ours.depth() / 8)) == 0,
                 qPrintable(u"row %1 differs"_s.arg(y)));
}

// The preparation's own enlargement stands in for Qt's smooth scaling, which it must match:
// the engine was tuned on what Qt gives.
void TestPicture::enlargementMatchesQtSmoothScaling()
{
    const QImage grey = question(14).convertToFormat(QImage::Format_Grayscale8);
    for (const double scale : {1.3, 2.0, 2.7, 4.0}) {
        const int w = int(std::lround(grey.width() * scale)),
                  h = int(std::lround(grey.height() * scale));
        const QImage ours = recognition::enlargedGrey(grey, w, h);
        const QImage qts = grey.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(ours.size(), qts.size());
        int worst = 0;
        qint64 total = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int d = std::abs(ours.constScanLine(y)[x] - qts.constScanLine(y)[x]);
                worst = std::max(worst, d);
                total += d;
            }
        QVERIFY2(worst <= 4, qPrintable(u"scale %1: %2 grey levels apart"_s.arg(scale).arg(worst)));
        QVERIFY2(double(total) / (w * h) < 0.5, qPrintable(u"scale %1"_s.arg(scale)));
    }
}

// Qt converts and scales large pictures on its pool of worker threads and waits forever when a
// thread cannot be started (memory short); the picture path makes no thread at all.
void TestPicture::noWorkerThreadsOnThePicturePath()
{
    // Drawn at its size: scaling it would start Qt's threads before the count.
    QImage large(3000, 2000, QImage::Format_RGB32);
    large.fill(QColor(40, 30, 50));
    QPainter(&large).drawImage(0, 900, question(100));
    const int before = threadCount();
    const QImage grey = recognition::convertedPicture(large, QImage::Format_Grayscale8);
    QVERIFY(!grey.isNull());
    QVERIFY(!recognition::convertedPicture(large, QImage::Format_RGB888).isNull());
    QVERIFY(!recognition::enlargedGrey(grey.copy(0, 0, 1000, 1000), 2500, 2500).isNull());
    QVERIFY(!recognition::prepare(large).image.isNull());
    // A picture of small text over a large area: prepare enlarges it up to the cap.
    QImage small(2000, 1500, QImage::Format_RGB32);
    small.fill(Qt::white);
    QPainter(&small).drawImage(0, 0, question(8));
    QVERIFY(recognition::prepare(small).scale > 1);
    QVERIFY(!recognition::captureProblem(large));
    const QImage rules = hostile::thinRules(2000);
    QVERIFY(!recognition::convertedPicture(rules, QImage::Format_Grayscale8).isNull());
    QCOMPARE(threadCount(), before);
    // Qt's own conversion of such a picture does start threads: the check can see them.
    (void)grey.convertToFormat(QImage::Format_RGB888);
    QVERIFY(threadCount() > before);
}

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
