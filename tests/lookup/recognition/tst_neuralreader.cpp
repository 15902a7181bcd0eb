// The neural reader on the models the build makes: the edited models run by OpenCV against what
// onnxruntime computed with the unedited ones (tests/data/ppocr, tools/models/make_reference.py),
// missing and damaged model files, and a game-like capture read to its question.
#include "lookup/recognition/neuralreader.h"
#include "lookup/recognition/ppocr.h"
#include "lookup/recognition/reader.h"

#include <QFile>
#include <QFontDatabase>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using recognition::NeuralReader;
using recognition::RecognitionError;

namespace {

const QString models = QStringLiteral(ZC_BIN_DIR "/models");
const QString data = QStringLiteral(ZC_FIXTURES_DIR "/ppocr");

QJsonObject reference()
{
    QFile file(data + u"/reference.json"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// A copy of the model folder in `dir` with `file` removed, cut short, or replaced by `bytes`.
bool copyModels(const QString &dir, const QString &file, const QByteArray &bytes, bool remove)
{
    for (const QString &name :
         {u"ppocrv4_det.onnx"_s, u"ppocrv4_rec.onnx"_s, u"ppocr_keys_v1.txt"_s}) {
        const QString target = dir + u'/' + name;
        if (name != file) {
            if (!QFile::copy(models + u'/' + name, target))
                return false;
            continue;
        }
        if (remove)
            continue;
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

QByteArray head(const QString &name, qsizetype size)
{
    QFile file(models + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.read(size) : QByteArray();
}

// A quiz panel as games draw it: outlined gold text over a tiled pattern, the question after a
// title, a timer beside it and the options below.
QImage gamePanel(const QString &question)
{
    static const int id =
        QFontDatabase::addApplicationFont(u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s);
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(17);
    QImage image(460, 84, QImage::Format_RGB32);
    QPainter p(&image);
    for (int y = 0; y < image.height(); y += 12) {
        for (int x = 0; x < image.width(); x += 24)
            p.fillRect(x + (y / 12 % 2) * 12, y, 22, 10, QColor(70 + x % 50, 45, 40));
    }
    const auto outlined = [&](const QString &text, int x, int y, QColor ink) {
        QPainterPath path;
        path.addText(x, y, font, text);
        p.setRenderHint(QPainter::Antialiasing);
        p.strokePath(path, QPen(Qt::black, 3));
        p.fillPath(path, ink);
    };
    outlined(u"【每日答题】"_s + question + u"  (12s)"_s, 8, 30, QColor(255, 215, 90));
    outlined(u"A.诗经   B.楚辞   C.离骚   D.乐府"_s, 8, 66, Qt::white);
    return image;
}

// `lines` drawn in white at `size` px on a dark panel, `spacing` px apart, over a checked ground
// when `busy`, with a thin frame round the panel when `framed`.
QImage panelWith(const QStringList &lines, int size, int spacing, bool busy, bool framed)
{
    static const int id =
        QFontDatabase::addApplicationFont(u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s);
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(size);
    const int height = 12 + int(lines.size()) * size + int(lines.size() - 1) * spacing + 12;
    QImage image(size * 14, height, QImage::Format_RGB32);
    image.fill(QColor(30, 34, 48));
    QPainter p(&image);
    if (busy) {
        for (int y = 0; y < image.height(); y += 6) {
            for (int x = (y / 6 % 2) * 6; x < image.width(); x += 12)
                p.fillRect(x, y, 6, 6, QColor(120, 110, 90));
        }
    }
    if (framed) {
        p.setPen(QPen(QColor(200, 170, 90), 2));
        p.drawRect(image.rect().adjusted(1, 1, -2, -2));
    }
    p.setFont(font);
    p.setPen(Qt::white);
    for (qsizetype i = 0; i < lines.size(); ++i)
        p.drawText(QRect(10, 12 + int(i) * (size + spacing), image.width() - 20, size),
                   Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    return image;
}

} // namespace

class TestNeuralReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void recognitionMatchesReference_data();
    void recognitionMatchesReference();
    void squeezedLineReadsTheSame_data();
    void squeezedLineReadsTheSame();
    void detectionMatchesReference();
    void detectionAtAnotherSizeAndBack();
    void detectionSizeWithinLimits_data();
    void detectionSizeWithinLimits();
    void damagedModels_data();
    void damagedModels();
    void engineWithoutModels();
    void readsAGamePanel();
    void readsEveryLine_data();
    void readsEveryLine();
    void readsLinesDrawnToTheEdge_data();
    void readsLinesDrawnToTheEdge();

private:
    NeuralReader m_reader;
    QJsonObject m_reference;
};

void TestNeuralReader::initTestCase()
{
    const auto error = m_reader.load(models);
    QVERIFY2(!error, error ? qPrintable(error->message) : "");
    m_reference = reference();
    QVERIFY2(m_reference.contains(u"lines"_s), "tests/data/ppocr/reference.json unreadable");
}

void TestNeuralReader::recognitionMatchesReference_data()
{
    QTest::addColumn<QJsonObject>("line");
    for (const auto &line : m_reference[u"lines"_s].toArray())
        QTest::newRow(qPrintable(line[u"file"_s].toString())) << line.toObject();
}

void TestNeuralReader::recognitionMatchesReference()
{
    QFETCH(QJsonObject, line);
    const QImage image(data + u'/' + line[u"file"_s].toString());
    QVERIFY(!image.isNull());
    int used = 0;
    // At the width the reference was taken at: the padding is part of what the model sees.
    const auto out = m_reader.recognitionOutput(image, &used, 1.0, line[u"width"_s].toInt());
    QVERIFY2(out, out ? "" : qPrintable(out.error().message));
    const QJsonArray best = line[u"best"_s].toArray(),
                     probability = line[u"probability"_s].toArray();
    QCOMPARE(out->rows, int(best.size()));
    QCOMPARE(out->rows * recognition::ppocr::kColumnsPerFrame, line[u"width"_s].toInt());
    for (int t = 0; t < out->rows; ++t) {
        const float *row = out->values.data() + qsizetype(t) * out->columns;
        const int got = int(std::max_element(row, row + out->columns) - row);
        const double expected = probability[t].toDouble();
        // Where the reference is sure, the same class; everywhere the same probability.
        if (expected > 0.6)
            QVERIFY2(got == best[t].toInt(),
                     qPrintable(u"frame %1: class %2, reference %3"_s.arg(t).arg(got).arg(
                         best[t].toInt())));
        QVERIFY2(
            std::abs(row[best[t].toInt()] - expected) < 2e-3,
            qPrintable(
                u"frame %1: %2, reference %3"_s.arg(t).arg(row[best[t].toInt()]).arg(expected)));
    }
    QStringList classes;
    QFile keys(NeuralReader::keysFile(models));
    QVERIFY(keys.open(QIODevice::ReadOnly));
    classes = recognition::ppocr::classesFromKeys(keys.readAll());
    QCOMPARE(
        recognition::ppocr::decode(out->values.data(), out->rows, out->columns, classes, used).text,
        line[u"text"_s].toString());
}

void TestNeuralReader::detectionMatchesReference()
{
    const QJsonObject detection = m_reference[u"detection"_s].toObject();
    const QImage capture(data + u'/' + detection[u"file"_s].toString());
    QVERIFY(!capture.isNull());
    const auto map = m_reader.detectionOutput(capture);
    QVERIFY2(map, map ? "" : qPrintable(map.error().message));
    const int block = detection[u"block"_s].toInt();
    QCOMPARE(map->rows, detection[u"rows"_s].toInt() * block);
    QCOMPARE(map->columns, detection[u"columns"_s].toInt() * block);
    const QJsonArray means = detection[u"mean"_s].toArray();
    for (int by = 0; by < map->rows / block; ++by) {
        for (int bx = 0; bx < map->columns / block; ++bx) {
            double sum = 0;
            for (int y = by * block; y < (by + 1) * block; ++y) {
                for (int x = bx * block; x < (bx + 1) * block; ++x)
                    sum += map->values[size_t(y) * size_t(map->columns) + size_t(x)];
            }
            const double expected = means[by * (map->columns / block) + bx].toDouble();
            QVERIFY2(std::abs(sum / (block * block) - expected) < 2e-3,
                     qPrintable(u"block %1,%2: %3, reference %4"_s.arg(by)
                                    .arg(bx)
                                    .arg(sum / (block * block))
                                    .arg(expected)));
        }
    }
}

void TestNeuralReader::detectionAtAnotherSizeAndBack()
{
    // OpenCV 4.6 gives wrong maps when one loaded detection model runs at a second size; the
    // reader keeps one per size, so a capture reads the same after another of another size.
    const QImage capture(data + u"/capture.png"_s);
    const auto first = m_reader.detectionOutput(capture);
    const auto other = m_reader.detectionOutput(gamePanel(u"中国第一部诗歌总集是？"_s));
    const auto again = m_reader.detectionOutput(capture);
    QVERIFY(first && other && again);
    QVERIFY(other->columns != first->columns || other->rows != first->rows);
    QCOMPARE(again->values.size(), first->values.size());
    double worst = 0;
    for (size_t i = 0; i < first->values.size(); ++i)
        worst = std::max(worst, double(std::abs(again->values[i] - first->values[i])));
    QVERIFY2(worst < 1e-4, qPrintable(QString::number(worst)));
}

void TestNeuralReader::squeezedLineReadsTheSame_data()
{
    recognitionMatchesReference_data();
}

// Lines are read squeezed to half their width, in the smallest bucket that holds them: the
// characters must stay what the model reads at full width.
void TestNeuralReader::squeezedLineReadsTheSame()
{
    QFETCH(QJsonObject, line);
    const QImage image(data + u'/' + line[u"file"_s].toString());
    QVERIFY(!image.isNull());
    int used = 0;
    const auto out = m_reader.recognitionOutput(image, &used, NeuralReader::kSqueeze);
    QVERIFY2(out, out ? "" : qPrintable(out.error().message));
    QVERIFY2(out->rows * recognition::ppocr::kColumnsPerFrame < line[u"width"_s].toInt(),
             "the squeezed line was run at no smaller a width than the whole one");
    QFile keys(NeuralReader::keysFile(models));
    QVERIFY(keys.open(QIODevice::ReadOnly));
    const QStringList classes = recognition::ppocr::classesFromKeys(keys.readAll());
    // The Chinese characters, which the ranking rests on; a quotation mark may turn, "12s" may
    // read "125".
    const auto chinese = [](const QString &text) {
        QString kept;
        for (const QChar c : text) {
            if (c.script() == QChar::Script_Han)
                kept += c;
        }
        return kept;
    };
    QCOMPARE(chinese(recognition::ppocr::decode(out->values.data(), out->rows, out->columns,
                                                classes, used)
                         .text),
             chinese(line[u"text"_s].toString()));
}

void TestNeuralReader::detectionSizeWithinLimits_data()
{
    QTest::addColumn<QSize>("capture");
    QTest::addColumn<double>("enlarge");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("one line of small text: enlarged to 96 high")
        << QSize(454, 47) << 1.0 << QSize(928, 96);
    QTest::newRow("a panel as it is") << QSize(480, 160) << 1.0 << QSize(480, 160);
    QTest::newRow("enlarged again for small text") << QSize(480, 160) << 2.0 << QSize(960, 320);
    QTest::newRow("a whole screen: scaled down to the pixel limit")
        << QSize(2560, 1440) << 1.0 << QSize(864, 480);
    QTest::newRow("huge: the same limit") << QSize(30000, 20000) << 4.0 << QSize(768, 512);
    QTest::newRow("a very long strip: the longest side")
        << QSize(40000, 30) << 1.0 << QSize(4096, 32);
    QTest::newRow("tiny: one block of 32") << QSize(5, 5) << 1.0 << QSize(32, 32);
}

void TestNeuralReader::detectionSizeWithinLimits()
{
    QFETCH(QSize, capture);
    QFETCH(double, enlarge);
    QFETCH(QSize, expected);
    // Only the size is looked at: a null image of that size would do, but QImage has none.
    const QImage image(capture, QImage::Format_Mono);
    QVERIFY(!image.isNull());
    QCOMPARE(NeuralReader::detectionSize(image, enlarge), expected);
}

void TestNeuralReader::damagedModels_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<int>("kind");
    const int missing = RecognitionError::NoModel, damaged = RecognitionError::DamagedModel;
    QTest::newRow("no character list") << u"ppocr_keys_v1.txt"_s << QByteArray() << true << missing;
    QTest::newRow("no detection model") << u"ppocrv4_det.onnx"_s << QByteArray() << true << missing;
    QTest::newRow("no recognition model")
        << u"ppocrv4_rec.onnx"_s << QByteArray() << true << missing;
    QTest::newRow("character list of words")
        << u"ppocr_keys_v1.txt"_s << "ab\ncd\n"_ba << false << damaged;
    QTest::newRow("empty recognition model")
        << u"ppocrv4_rec.onnx"_s << QByteArray() << false << damaged;
    QTest::newRow("recognition model cut short")
        << u"ppocrv4_rec.onnx"_s << head(u"ppocrv4_rec.onnx"_s, 3000000) << false << damaged;
    QTest::newRow("detection model cut short")
        << u"ppocrv4_det.onnx"_s << head(u"ppocrv4_det.onnx"_s, 2000000) << false << damaged;
    QTest::newRow("detection model where the recognition model belongs")
        << u"ppocrv4_rec.onnx"_s << head(u"ppocrv4_det.onnx"_s, 1 << 30) << false << damaged;
}

void TestNeuralReader::damagedModels()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, remove);
    QFETCH(int, kind);
    QTemporaryDir dir;
    QVERIFY(copyModels(dir.path(), file, bytes, remove));
    NeuralReader reader;
    const auto error = reader.load(dir.path());
    QVERIFY(error);
    QCOMPARE(int(error->kind), kind);
    // One line that names the file and says what to do.
    QVERIFY2(error->message.contains(dir.path() + u'/' + file), qPrintable(error->message));
    QVERIFY2(error->message.contains(u"install"_s), qPrintable(error->message));
    QVERIFY(!error->message.contains(u'\n'));
    QVERIFY(!reader.loaded());
    const auto lines = reader.readLines(QImage(data + u"/capture.png"_s));
    QVERIFY(!lines);
}

void TestNeuralReader::engineWithoutModels()
{
    QTemporaryDir empty;
    recognition::Engine engine(recognition::Engine::Options{.modelPath = empty.path()});
    engine.warmUp();
    const auto error = engine.load();
    QVERIFY(error);
    QCOMPARE(error->kind, RecognitionError::NoModel);
    const recognition::Ranker ranker({u"中国第一部诗歌总集是？"_s});
    const auto reading =
        recognition::readQuestion(engine, ranker, QImage(data + u"/capture.png"_s));
    QVERIFY(!reading);
    QCOMPARE(reading.error().kind, RecognitionError::NoModel);
}

void TestNeuralReader::readsAGamePanel()
{
    recognition::Engine engine(recognition::Engine::Options{.modelPath = models});
    engine.warmUp();
    const recognition::Ranker ranker(
        {u"中国第一部小说总集是？"_s, u"中国第一部诗歌总集是？"_s, u"诗经共有多少篇？"_s});
    const auto reading =
        recognition::readQuestion(engine, ranker, gamePanel(u"中国第一部诗歌总集是？"_s));
    QVERIFY2(reading, reading ? "" : qPrintable(reading.error().message));
    QVERIFY2(!reading->candidates.empty(), qPrintable(reading->text));
    QCOMPARE(reading->candidates.front().row, 1);
}

// Whichever way the lines are found (on a quiet panel from the edges alone, on a busy ground
// or with lines touching by the detection model), each is read whole, in order.
void TestNeuralReader::readsEveryLine_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("framed");
    const QStringList two{u"中国第一部诗歌总集是"_s, u"诗经共有多少篇"_s};
    QTest::newRow("one line on a quiet panel")
        << QStringList{u"中国第一部诗歌总集是"_s} << 22 << 0 << false << false;
    QTest::newRow("two lines on a quiet panel") << two << 22 << 12 << false << false;
    QTest::newRow("two lines in a frame") << two << 22 << 12 << false << true;
    QTest::newRow("small text, lines close") << two << 13 << 4 << false << false;
    QTest::newRow("two lines touching") << two << 22 << 0 << false << false;
    QTest::newRow("two lines on a checked ground") << two << 22 << 12 << true << false;
}

void TestNeuralReader::readsEveryLine()
{
    QFETCH(QStringList, lines);
    QFETCH(int, size);
    QFETCH(int, spacing);
    QFETCH(bool, busy);
    QFETCH(bool, framed);
    NeuralReader reader;
    const auto error = reader.load(models);
    QVERIFY2(!error, error ? qPrintable(error->message) : "");
    const auto read = reader.readLines(panelWith(lines, size, spacing, busy, framed));
    QVERIFY2(read, read ? "" : qPrintable(read.error().message));
    QStringList got;
    for (const NeuralReader::Line &line : *read)
        got += line.text;
    QCOMPARE(got, lines);
}

// A region drawn tight round small text: the lines touch the capture's edges, where the
// detection model alone finds nothing.
void TestNeuralReader::readsLinesDrawnToTheEdge_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("busy");
    const QStringList three{u"中国第一部诗歌"_s, u"总集是哪一部"_s, u"诗经共有多少篇"_s};
    QTest::newRow("three lines on a checked ground") << three << true;
    QTest::newRow("three lines on a quiet panel") << three << false;
}

void TestNeuralReader::readsLinesDrawnToTheEdge()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, busy);
    NeuralReader reader;
    const auto error = reader.load(models);
    QVERIFY2(!error, error ? qPrintable(error->message) : "");
    constexpr int size = 13, spacing = 2;
    const QImage panel = panelWith(lines, size, spacing, busy, false);
    const int tallest = int(lines.size()) * size + int(lines.size() - 1) * spacing;
    const auto read = reader.readLines(panel.copy(QRect(10, 12, 7 * size, tallest)));
    QVERIFY2(read, read ? "" : qPrintable(read.error().message));
    QStringList got;
    for (const NeuralReader::Line &line : *read)
        got += line.text;
    QCOMPARE(got, lines);
}

QTEST_MAIN(TestNeuralReader)
#include "tst_neuralreader.moc"
