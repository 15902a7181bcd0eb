// The capture's preparation on rendered text (polarity, scale, lines) and Tesseract's passes
// on a rendered game-like question: real Tesseract, skipped where its Chinese data is missing.
#include "lookup/recognition/engine.h"
#include "lookup/recognition/prepare.h"
#include "lookup/recognition/reader.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace Qt::StringLiterals;

namespace {

const QString fontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;

// `lines` drawn in `pixelSize` px text of colour `ink` on `ground`.
QImage render(const QStringList &lines, int pixelSize, QColor ink, QColor ground)
{
    static const int id = QFontDatabase::addApplicationFont(fontFile);
    QFont font(id >= 0 ? QFontDatabase::applicationFontFamilies(id).value(0) : QString());
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int lineHeight = metrics.height() * 3 / 2;
    QImage image(width + 16, lineHeight * int(lines.size()) + 8, QImage::Format_RGB32);
    image.fill(ground);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(ink);
    for (qsizetype i = 0; i < lines.size(); ++i)
        p.drawText(8, 4 + int(i) * lineHeight + metrics.ascent(), lines[i]);
    return image;
}

// The share of dark pixels of a prepared image.
double darkShare(const QImage &grey)
{
    qint64 dark = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            dark += line[x] < 128;
    }
    return double(dark) / (double(grey.width()) * grey.height());
}

const QString question = u"中国第一部诗歌总集是？"_s;

} // namespace

class TestRecognition : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void preparation_data();
    void preparation();
    void otsuSplitsDarkFromLight_data();
    void otsuSplitsDarkFromLight();
    void otsuWithNothingToSplit_data();
    void otsuWithNothingToSplit();
    void histogramCountsEveryPixel();
    void nullCaptureStaysNull();
    void missingLanguageDataIsAnError();
    void readsARenderedQuestion_data();
    void readsARenderedQuestion();
    void twinsSettledByTheOptions_data();
    void twinsSettledByTheOptions();
    void aFamilyOfTwinsSettledByTheOptions_data();
    void aFamilyOfTwinsSettledByTheOptions();
};

void TestRecognition::initTestCase()
{
    if (!QFile::exists(fontFile))
        QSKIP("fonts-wqy-zenhei is not installed");
}

void TestRecognition::preparation_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<QColor>("ink");
    QTest::addColumn<QColor>("ground");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<bool>("scaledUp");

    const QStringList one{question};
    const QStringList two{question, u"A.诗经 B.楚辞 C.离骚 D.乐府"_s};
    QTest::newRow("small dark text on light")
        << one << 12 << QColor(30, 30, 30) << QColor(235, 225, 200) << false << 1 << true;
    QTest::newRow("small light text on dark")
        << one << 13 << QColor(250, 230, 120) << QColor(40, 30, 60) << true << 1 << true;
    QTest::newRow("coloured text on mid grey")
        << one << 16 << QColor(20, 40, 140) << QColor(160, 160, 160) << false << 1 << true;
    QTest::newRow("large text is not scaled")
        << one << 48 << QColor(0, 0, 0) << QColor(255, 255, 255) << false << 1 << false;
    QTest::newRow("question and options, light on dark")
        << two << 18 << QColor(255, 255, 255) << QColor(20, 60, 40) << true << 2 << true;
}

// Two grey levels in any proportion: the threshold keeps the darker on the dark side (that
// level included) and the lighter on the other, however lopsided the counts.
void TestRecognition::otsuSplitsDarkFromLight_data()
{
    QTest::addColumn<int>("dark");
    QTest::addColumn<int>("light");
    QTest::addColumn<qint64>("darkCount");
    QTest::addColumn<qint64>("lightCount");
    QTest::newRow("black on white, even") << 0 << 255 << qint64(500) << qint64(500);
    QTest::newRow("sparse text on a ground") << 40 << 210 << qint64(30) << qint64(9000);
    QTest::newRow("light text on a dark ground") << 60 << 180 << qint64(9000) << qint64(30);
    QTest::newRow("neighbouring levels") << 127 << 128 << qint64(10) << qint64(10);
    QTest::newRow("low contrast, both light") << 200 << 230 << qint64(400) << qint64(1200);
}

void TestRecognition::otsuSplitsDarkFromLight()
{
    QFETCH(int, dark);
    QFETCH(int, light);
    QFETCH(qint64, darkCount);
    QFETCH(qint64, lightCount);
    std::array<qint64, 256> histogram{};
    histogram[size_t(dark)] = darkCount;
    histogram[size_t(light)] = lightCount;
    const int threshold = recognition::otsuThreshold(histogram, darkCount + lightCount);
    QVERIFY2(
        threshold >= dark && threshold < light,
        qPrintable(u"threshold %1 does not part %2 from %3"_s.arg(threshold).arg(dark).arg(light)));
}

// One level only, or no pixels: there is nothing to split, and the middle is taken.
void TestRecognition::otsuWithNothingToSplit_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<qint64>("count");
    QTest::newRow("no pixels") << 0 << qint64(0);
    QTest::newRow("all black") << 0 << qint64(64);
    QTest::newRow("all mid grey") << 90 << qint64(64);
    QTest::newRow("all white") << 255 << qint64(64);
}

void TestRecognition::otsuWithNothingToSplit()
{
    QFETCH(int, level);
    QFETCH(qint64, count);
    std::array<qint64, 256> histogram{};
    histogram[size_t(level)] = count;
    QCOMPARE(recognition::otsuThreshold(histogram, count), 127);
}

// Every pixel once, whatever the width: the lines of a grey picture are padded to four bytes
// and the padding must not be counted.
void TestRecognition::histogramCountsEveryPixel()
{
    QImage grey(7, 3, QImage::Format_Grayscale8);
    grey.fill(200);
    grey.setPixel(0, 0, qRgb(10, 10, 10));
    grey.setPixel(6, 2, qRgb(10, 10, 10));
    grey.setPixel(3, 1, qRgb(128, 128, 128));
    const std::array<qint64, 256> histogram = recognition::greyHistogram(grey);
    QCOMPARE(histogram[10], qint64(2));
    QCOMPARE(histogram[128], qint64(1));
    QCOMPARE(histogram[200], qint64(18));
    qint64 all = 0;
    for (const qint64 n : histogram)
        all += n;
    QCOMPARE(all, qint64(21));
}

void TestRecognition::preparation()
{
    QFETCH(QStringList, lines);
    QFETCH(int, pixelSize);
    QFETCH(QColor, ink);
    QFETCH(QColor, ground);
    QFETCH(bool, inverted);
    QFETCH(int, lineCount);
    QFETCH(bool, scaledUp);

    const QImage capture = render(lines, pixelSize, ink, ground);
    const recognition::Prepared prepared = recognition::prepare(capture);
    QCOMPARE(prepared.image.format(), QImage::Format_Grayscale8);
    QCOMPARE(prepared.inverted, inverted);
    QCOMPARE(prepared.lines, lineCount);
    QCOMPARE(prepared.scale > 1.0, scaledUp);
    QVERIFY(prepared.image.width() >= int(capture.width() * prepared.scale));
    // Whatever the colours, the result is dark text on a light ground.
    const double dark = darkShare(prepared.image);
    QVERIFY2(dark > 0.02 && dark < 0.4, qPrintable(QString::number(dark)));
}

void TestRecognition::nullCaptureStaysNull()
{
    QVERIFY(recognition::prepare(QImage()).image.isNull());
    recognition::Engine engine;
    const auto text = engine.recognise(QImage());
    QVERIFY(!text);
    QCOMPARE(text.error().kind, recognition::RecognitionError::NoImage);
}

void TestRecognition::missingLanguageDataIsAnError()
{
    QTemporaryDir empty;
    recognition::Engine engine(recognition::Engine::Options{.dataPath = empty.path()});
    const auto error = engine.load(recognition::Engine::Pass::Prepared);
    QVERIFY(error);
    QCOMPARE(error->kind, recognition::RecognitionError::NoLanguageData);
    QVERIFY(error->message.contains(u"tesseract-ocr-chi-sim"_s));
    const auto text = engine.recognise(render({question}, 20, Qt::black, Qt::white),
                                       recognition::Engine::Pass::Prepared);
    QVERIFY(!text);
    QCOMPARE(text.error().kind, recognition::RecognitionError::NoLanguageData);
}

void TestRecognition::readsARenderedQuestion_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<QColor>("ink");
    QTest::addColumn<QColor>("ground");
    QTest::newRow("number, title and timer around it, light on dark")
        << QStringList{u"【每日答题】第3题 "_s + question + u"  倒计时 12秒"_s} << 15
        << QColor(255, 240, 200) << QColor(50, 35, 30);
    QTest::newRow("options on a second line")
        << QStringList{question, u"A.诗经  B.楚辞  C.离骚  D.乐府"_s} << 18 << QColor(20, 20, 20)
        << QColor(230, 230, 210);
}

void TestRecognition::readsARenderedQuestion()
{
    QFETCH(QStringList, lines);
    QFETCH(int, pixelSize);
    QFETCH(QColor, ink);
    QFETCH(QColor, ground);
    if (!QFile::exists(recognition::defaultDataPath() + u"/chi_sim.traineddata"_s))
        QSKIP("tesseract-ocr-chi-sim is not installed");

    static recognition::Engine engine;
    engine.warmUp(recognition::Engine::Pass::Prepared);
    const recognition::Ranker ranker(
        {u"中国第一部小说总集是？"_s, question, u"诗经共有多少篇？"_s});
    const auto reading = recognition::readQuestion(recognition::Method::Tesseract, engine, ranker,
                                                   render(lines, pixelSize, ink, ground));
    QVERIFY(reading);
    QVERIFY2(!reading->candidates.empty(), qPrintable(reading->text));
    QCOMPARE(reading->candidates.front().row, 1);
}

void TestRecognition::twinsSettledByTheOptions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("first"); // the row shown first
    QTest::addColumn<bool>("twins");

    // 黄山 (0) and 泰山 (1) differ in the one character read wrong or not at all.
    QTest::newRow("the second twin's answer among the options")
        << u"?山位于哪个省？\nA.河北 B.山东 C.湖南 D.江苏"_s << 1 << false;
    QTest::newRow("the first twin's answer among the options")
        << u"?山位于哪个省？\nA.安徽 B.河北 C.湖南 D.江苏"_s << 0 << false;
    QTest::newRow("a misread option still names its twin")
        << u"山位于哪个省？\nA.河北 B.山朱 C.湖南 D.江苏"_s << 1 << false;
    QTest::newRow("both answers among the options: still unsure")
        << u"?山位于哪个省？\nA.安徽 B.山东 C.湖南 D.江苏"_s << 0 << true;
    QTest::newRow("neither answer among the options: still unsure")
        << u"?山位于哪个省？\nA.河北 B.湖南 C.江苏 D.浙江"_s << 0 << true;
    QTest::newRow("no options: still unsure") << u"?山位于哪个省？"_s << 0 << true;
    QTest::newRow("a reading sure of its question is left alone")
        << u"黄山位于哪个省？\nA.河北 B.山东 C.湖南 D.江苏"_s << 0 << false;
}

void TestRecognition::twinsSettledByTheOptions()
{
    QFETCH(QString, text);
    QFETCH(int, first);
    QFETCH(bool, twins);
    const QStringList questions = {u"黄山位于哪个省？"_s, u"泰山位于哪个省？"_s, u"长城有多长？"_s};
    const QStringList answers = {u"安徽"_s, u"山东"_s, u"两万多公里"_s};
    const recognition::Ranker ranker(questions);
    recognition::Reading reading{text, ranker.match(text, 3)};
    reading.twins = recognition::nearTwins(reading.candidates);
    QVERIFY2(reading.candidates.size() >= 2, "both twins ranked");
    recognition::settleTwins(reading, [&](qsizetype row) { return answers[row]; });
    QCOMPARE(reading.candidates.front().row, qsizetype(first));
    QCOMPARE(reading.twins, twins);
    QCOMPARE(reading.candidates.size() >= 2 ? reading.candidates[1].row : -1, qsizetype(1 - first));
}

void TestRecognition::aFamilyOfTwinsSettledByTheOptions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<bool>("twins");
    // Read with its one telling character wrong ("翼" for "冀"), the question is any of the
    // family, and the store puts the right one far down it.
    const QString question = u"简称“翼”的省是？\n"_s;
    QTest::newRow("the family's last named by the options")
        << question + u"A.莎士比亚 B.岳飞\nC.库仑 D.河北省"_s << 5 << 0 << false;
    QTest::newRow("shown where its label was cut off")
        << question + u"河北省C.库仑 D.岳飞"_s << 5 << 0 << false;
    QTest::newRow("the one shown without its last word")
        << question + u"A.莎士比亚 B.河南\nC.库仑 D.岳飞"_s << 4 << 0 << false;
    QTest::newRow("the first answer shown as well as the last: both first, still unsure")
        << question + u"A.湖北省 B.岳飞\nC.库仑 D.河北省"_s << 0 << 5 << true;
    QTest::newRow("two answers shown: those two first, still unsure")
        << question + u"A.河南省 B.岳飞\nC.库仑 D.河北省"_s << 4 << 5 << true;
    QTest::newRow("no answer shown: still unsure, in store order")
        << question + u"A.莎士比亚 B.岳飞\nC.库仑 D.巴黎"_s << 0 << 1 << true;
}

void TestRecognition::aFamilyOfTwinsSettledByTheOptions()
{
    QFETCH(QString, text);
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(bool, twins);
    const QStringList questions = {u"简称“鄂”的省是？"_s, u"简称“湘”的省是？"_s,
                                   u"简称“粤”的省是？"_s, u"简称“晋”的省是？"_s,
                                   u"简称“豫”的省是？"_s, u"简称“冀”的省是？"_s};
    const QStringList answers = {u"湖北省"_s, u"湖南省"_s, u"广东省"_s,
                                 u"山西省"_s, u"河南省"_s, u"河北省"_s};
    const recognition::Ranker ranker(questions);
    recognition::Reading reading{text, ranker.match(text, 16)};
    reading.twins = recognition::nearTwins(reading.candidates);
    QCOMPARE(reading.candidates.size(), size_t(questions.size()));
    QVERIFY2(reading.twins, "the family ranked as twins");
    recognition::settleTwins(reading, [&](qsizetype row) { return answers[row]; });
    QCOMPARE(reading.candidates[0].row, qsizetype(first));
    QCOMPARE(reading.candidates[1].row, qsizetype(second));
    QCOMPARE(reading.twins, twins);
    QCOMPARE(reading.candidates.size(), size_t(questions.size()));
}

QTEST_MAIN(TestRecognition)
#include "tst_recognition.moc"
