// The neural reader's pure parts: the character list, CTC decoding, width buckets, the input
// width written into the model's bytes, boxes on a detection map and their lines, the columns of
// a line that are read.
#include "lookup/recognition/ppocr.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace recognition;

namespace {

using Areas = QList<QPair<QRect, float>>;

// A map of `width` x `height` at 0.05 with the given rectangles at their probabilities.
std::vector<float> mapWith(int width, int height, const Areas &areas)
{
    std::vector<float> map(size_t(width) * size_t(height), 0.05f);
    for (const auto &[rect, p] : areas) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x)
                map[size_t(y) * size_t(width) + size_t(x)] = p;
        }
    }
    return map;
}

// Frames of probabilities over `classes` classes, each frame sure of the class given.
std::vector<float> framesOf(const QList<int> &best, int classes, float sure = 0.9f)
{
    std::vector<float> out(size_t(best.size()) * size_t(classes),
                           (1.0f - sure) / float(classes - 1));
    for (qsizetype t = 0; t < best.size(); ++t)
        out[size_t(t) * size_t(classes) + size_t(best[t])] = sure;
    return out;
}

} // namespace

class TestPpocr : public QObject
{
    Q_OBJECT

private slots:
    void classes_data();
    void classes();
    void decoding_data();
    void decoding();
    void buckets_data();
    void buckets();
    void inputWidth_data();
    void inputWidth();
    void boxes_data();
    void boxes();
    void lines_data();
    void lines();
    void keptColumns_data();
    void keptColumns();
    void profile_data();
    void profile();
};

void TestPpocr::classes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("blank first, space last")
        << "a\n中\n"_ba << QStringList{{}, u"a"_s, u"中"_s, u" "_s};
    QTest::newRow("no newline at the end, as the model's list")
        << "a\n中"_ba << QStringList{{}, u"a"_s, u"中"_s, u" "_s};
    QTest::newRow("a character outside the basic plane is one character")
        << "𠀀\nb"_ba << QStringList{{}, u"𠀀"_s, u"b"_s, u" "_s};
    QTest::newRow("two characters on a line: not a list") << "ab\nc"_ba << QStringList{};
    QTest::newRow("an empty line inside: not a list") << "a\n\nc"_ba << QStringList{};
}

void TestPpocr::classes()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    QCOMPARE(ppocr::classesFromKeys(file), expected);
}

void TestPpocr::decoding_data()
{
    // Classes: 0 blank, 1 "诗", 2 "经", 3 " ".
    QTest::addColumn<QList<int>>("best");
    QTest::addColumn<int>("used");
    QTest::addColumn<QString>("text");
    QTest::newRow("repeats merge, blanks drop")
        << QList<int>{0, 1, 1, 0, 2, 2, 0} << 7 << u"诗经"_s;
    QTest::newRow("a blank between repeats keeps both")
        << QList<int>{1, 0, 1, 1, 0} << 5 << u"诗诗"_s;
    QTest::newRow("padding frames past the text are not read")
        << QList<int>{1, 0, 2, 0, 1} << 4 << u"诗经"_s;
    QTest::newRow("space class") << QList<int>{1, 3, 2} << 3 << u"诗 经"_s;
    QTest::newRow("only blanks") << QList<int>{0, 0, 0} << 3 << QString();
    QTest::newRow("more frames asked than there are") << QList<int>{2, 1} << 9 << u"经诗"_s;
}

void TestPpocr::decoding()
{
    QFETCH(QList<int>, best);
    QFETCH(int, used);
    QFETCH(QString, text);
    const QStringList names{{}, u"诗"_s, u"经"_s, u" "_s};
    const auto frames = framesOf(best, 4);
    const auto decoded = ppocr::decode(frames.data(), int(best.size()), 4, names, used);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.confidence > 0.89 && decoded.confidence < 0.91, !text.isEmpty());
}

void TestPpocr::buckets_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("bucket");
    QTest::newRow("narrow") << 1 << 128;
    QTest::newRow("exactly a bucket") << 512 << 512;
    QTest::newRow("just past one") << 513 << 768;
    QTest::newRow("between the two widest") << 800 << 1024;
    QTest::newRow("widest") << 1024 << 1024;
    QTest::newRow("wider than any: the widest, squeezed") << 5000 << 1024;
}

void TestPpocr::buckets()
{
    QFETCH(int, width);
    QFETCH(int, bucket);
    QCOMPARE(ppocr::widthBucket(width), bucket);
}

void TestPpocr::inputWidth_data()
{
    const QByteArray shape("\x0a\x02\x08\x01\x0a\x02\x08\x03\x0a\x02\x08\x30\x0a\x03\x08", 15);
    const QByteArray placeholder = shape + "\xff\x1f"_ba;
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("expected"); // empty: refused
    QTest::newRow("256") << "head" + placeholder + "tail" << 256
                         << "head" + shape + "\x80\x02"_ba + "tail";
    QTest::newRow("1536") << placeholder + "x" << 1536 << shape + "\x80\x0c"_ba + "x";
    QTest::newRow("too narrow for the same length") << placeholder << 100 << QByteArray();
    QTest::newRow("placeholder missing: another model")
        << "head" + shape + "\x80\x02"_ba << 256 << QByteArray();
    QTest::newRow("placeholder twice: not ours")
        << placeholder + placeholder << 256 << QByteArray();
}

void TestPpocr::inputWidth()
{
    QFETCH(QByteArray, model);
    QFETCH(int, width);
    QFETCH(QByteArray, expected);
    const auto pinned = ppocr::withInputWidth(model, width);
    QCOMPARE(pinned.value_or(QByteArray()), expected);
    QCOMPARE(pinned.has_value(), !expected.isEmpty());
}

void TestPpocr::boxes_data()
{
    QTest::addColumn<Areas>("areas");
    QTest::addColumn<QList<QRect>>("expected");
    // A 20x6 region grows by 20 * 6 * 1.5 / 52 = 3.46, rounded to 3 on every side.
    QTest::newRow("one line, grown back")
        << Areas{{QRect(10, 10, 20, 6), 0.9f}} << QList<QRect>{QRect(7, 7, 26, 12)};
    QTest::newRow("weak region dropped") << Areas{{QRect(10, 10, 20, 6), 0.5f}} << QList<QRect>{};
    QTest::newRow("thin region dropped") << Areas{{QRect(10, 10, 40, 2), 0.9f}} << QList<QRect>{};
    QTest::newRow("clipped to the map")
        << Areas{{QRect(0, 0, 20, 6), 0.9f}} << QList<QRect>{QRect(0, 0, 23, 9)};
    QTest::newRow("two lines, top first")
        << Areas{{QRect(5, 30, 20, 6), 0.8f}, {QRect(40, 5, 20, 6), 0.8f}}
        << QList<QRect>{QRect(37, 2, 26, 12), QRect(2, 27, 26, 12)};
    QTest::newRow("touching diagonally only: two regions")
        << Areas{{QRect(5, 5, 10, 5), 0.9f}, {QRect(15, 10, 10, 5), 0.9f}}
        << QList<QRect>{QRect(2, 2, 16, 11), QRect(12, 7, 16, 11)};
}

void TestPpocr::boxes()
{
    QFETCH(Areas, areas);
    QFETCH(QList<QRect>, expected);
    const auto map = mapWith(80, 48, areas);
    const auto found = ppocr::findBoxes(map.data(), 80, 48);
    QCOMPARE(QList<QRect>(found.begin(), found.end()), expected);
}

void TestPpocr::lines_data()
{
    QTest::addColumn<QList<QRect>>("boxes");
    QTest::addColumn<QList<QList<QRect>>>("expected");
    const QRect title(0, 0, 60, 20), question(70, 2, 200, 18), timer(280, 4, 30, 14),
        options(0, 40, 200, 20);
    QTest::newRow("title, question and timer on one row, options below")
        << QList<QRect>{options, timer, question, title}
        << QList<QList<QRect>>{{title, question, timer}, {options}};
    QTest::newRow("lines close together stay apart")
        << QList<QRect>{QRect(0, 0, 100, 20), QRect(0, 21, 100, 20)}
        << QList<QList<QRect>>{{QRect(0, 0, 100, 20)}, {QRect(0, 21, 100, 20)}};
    QTest::newRow("nothing") << QList<QRect>{} << QList<QList<QRect>>{};
}

void TestPpocr::lines()
{
    QFETCH(QList<QRect>, boxes);
    QFETCH(QList<QList<QRect>>, expected);
    const auto grouped = ppocr::groupLines(std::vector<QRect>(boxes.begin(), boxes.end()));
    QList<QList<QRect>> got;
    for (const auto &line : grouped)
        got += QList<QRect>(line.begin(), line.end());
    QCOMPARE(got, expected);
}

void TestPpocr::keptColumns_data()
{
    using Spans = QList<QPair<int, int>>;
    QTest::addColumn<Spans>("ink");
    QTest::addColumn<int>("widest");
    QTest::addColumn<Spans>("expected");
    QTest::newRow("one span") << Spans{{10, 50}} << 40 << Spans{{10, 50}};
    QTest::newRow("overlapping and out of order, one piece")
        << Spans{{60, 90}, {10, 50}, {40, 70}} << 40 << Spans{{10, 90}};
    QTest::newRow("a gap as wide as allowed stays whole")
        << Spans{{10, 50}, {91, 120}} << 40 << Spans{{10, 120}};
    // A question and a countdown 400 columns further: 40 columns of the blank are read,
    // 20 beside each.
    QTest::newRow("a wide gap shortened, half beside each part")
        << Spans{{10, 250}, {651, 690}} << 40 << Spans{{10, 270}, {631, 690}};
    QTest::newRow("options side by side, two gaps")
        << Spans{{0, 99}, {300, 399}, {600, 699}} << 41 << Spans{{0, 119}, {279, 419}, {579, 699}};
    QTest::newRow("empty spans are no ink") << Spans{{10, 50}, {300, 200}} << 40 << Spans{{10, 50}};
    QTest::newRow("nothing") << Spans{} << 40 << Spans{};
}

void TestPpocr::keptColumns()
{
    using Spans = QList<QPair<int, int>>;
    QFETCH(Spans, ink);
    QFETCH(int, widest);
    QFETCH(Spans, expected);
    std::vector<std::pair<int, int>> spans;
    for (const auto &[first, last] : ink)
        spans.emplace_back(first, last);
    Spans got;
    for (const auto &[first, last] : ppocr::keptColumns(spans, widest))
        got.append({first, last});
    QCOMPARE(got, expected);
}

namespace {

using Runs = QList<QPair<int, int>>;

// A profile of `rows` quiet rows (`ground` edges each) with `runs` of rows at `edges` edges.
QList<int> profileOf(int rows, const QList<QPair<QPair<int, int>, int>> &runs, int ground = 0)
{
    QList<int> profile(rows, ground);
    for (const auto &[run, edges] : runs) {
        for (int y = run.first; y <= run.second; ++y)
            profile[y] = edges;
    }
    return profile;
}

} // namespace

void TestPpocr::profile_data()
{
    QTest::addColumn<QList<int>>("edges");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<Runs>("expected");
    QTest::newRow("one line") << profileOf(40, {{{10, 29}, 120}}) << true << Runs{{10, 29}};
    QTest::newRow("one line filling the capture: the ground unseen, let detection look")
        << profileOf(20, {{{0, 19}, 80}}) << false << Runs{};
    QTest::newRow("one line with a row of ground above it")
        << profileOf(21, {{{1, 20}, 80}}) << true << Runs{{1, 20}};
    QTest::newRow("three lines with options' spacing")
        << profileOf(90, {{{5, 22}, 100}, {{35, 52}, 90}, {{65, 82}, 60}}) << true
        << Runs{{5, 22}, {35, 52}, {65, 82}};
    QTest::newRow("JPEG's faint noise between the lines is still quiet")
        << profileOf(60, {{{5, 22}, 100}, {{35, 52}, 90}}, 3) << true << Runs{{5, 22}, {35, 52}};
    QTest::newRow("busy ground: no row stands out")
        << profileOf(60, {{{5, 22}, 100}, {{35, 52}, 90}}, 60) << false << Runs{};
    QTest::newRow("nothing drawn") << profileOf(30, {}) << false << Runs{};
    QTest::newRow("a few specks only") << profileOf(30, {{{10, 12}, 2}}) << false << Runs{};
    QTest::newRow("a border line: too low for text")
        << profileOf(50, {{{2, 3}, 200}, {{15, 34}, 100}}) << false << Runs{};
    QTest::newRow("a faint band beside the text: a pattern, not a line")
        << profileOf(50, {{{5, 22}, 100}, {{30, 45}, 20}}) << false << Runs{};
    QTest::newRow("a title twice the height of the question: let detection look")
        << profileOf(80, {{{2, 37}, 100}, {{50, 67}, 100}}) << false << Runs{};
    QList<int> touching = profileOf(50, {{{5, 40}, 100}});
    touching[22] = touching[23] = 8;
    QTest::newRow("two lines touching dip in the middle") << touching << false << Runs{};
    // As a 22 px font draws them with no spacing: one row between them at a quarter.
    QList<int> closeLines = profileOf(50, {{{5, 40}, 90}});
    closeLines[22] = 21;
    QTest::newRow("two lines touching, one row between them at a quarter")
        << closeLines << false << Runs{};
    QList<int> thinEdge = profileOf(40, {{{10, 29}, 100}});
    thinEdge[10] = thinEdge[29] = 10;
    QTest::newRow("thin rows at a line's edges are not a dip")
        << thinEdge << true << Runs{{10, 29}};
    QList<int> many;
    for (int line = 0; line < 9; ++line)
        many += profileOf(14, {{{2, 11}, 50}});
    QTest::newRow("more lines than a question and its options") << many << false << Runs{};
}

void TestPpocr::profile()
{
    QFETCH(QList<int>, edges);
    QFETCH(bool, plain);
    QFETCH(Runs, expected);
    const auto lines = ppocr::profileLines(std::vector<int>(edges.begin(), edges.end()));
    QVERIFY2(lines.has_value() == plain,
             plain ? "the lines were plain but the profile gave up"
                   : "the profile found lines where it should have let detection look");
    if (!lines)
        return;
    Runs got;
    for (const auto &[top, bottom] : *lines)
        got += qMakePair(top, bottom);
    QCOMPARE(got, expected);
}

QTEST_APPLESS_MAIN(TestPpocr)
#include "tst_ppocr.moc"
