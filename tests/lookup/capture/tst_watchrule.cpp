// Watch mode's change rule decides, several times a second and without reading, whether the
// question region shows something worth reading. Two faults cost the player: a reading missed
// (a new question that counts as the same) and readings for nothing (a ticking countdown, a
// game's grain, our own answer window over the region). Pairs of rendered pictures for the
// rule itself; timed sequences of pictures, glanced at the watcher's pace, for its memory.
#include "lookup/capture/watchrule.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using capture::FrameChange;
using capture::Watcher;

namespace {

const QString kFontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;
const QSize kRegion(520, 34);
const QColor kPanel(30, 40, 70);

// The question line as a game draws it: a panel, the question in light ink (faded in by
// `ink`, slid in from the right by `slide`), a countdown at the right end, grain of up to
// `noise` grey levels, and where our answer window lies (`ours`, left dark as the reader
// leaves it).
struct Scene
{
    QString text = {};
    int timer = -1; // seconds shown; -1: no countdown
    qreal ink = 1;
    qreal slide = 0; // share of the line's width the text still has to travel
    int noise = 0;
    quint32 seed = 1;
    QRect ours = {};
    qreal ratio = 1;
};

QImage render(const Scene &scene)
{
    static const int id = QFontDatabase::addApplicationFont(kFontFile);
    QImage image(kRegion * scene.ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(scene.ratio);
    image.fill(kPanel);
    QPainter p(&image);
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(18);
    p.setFont(font);
    QColor ink(250, 230, 160);
    ink.setAlphaF(float(scene.ink));
    p.setPen(ink);
    p.drawText(QRect(QPoint(8 + int(scene.slide * kRegion.width()), 0), kRegion), Qt::AlignVCenter,
               scene.text);
    if (scene.timer >= 0) {
        font.setPixelSize(16);
        p.setFont(font);
        p.setPen(QColor(255, 120, 90));
        p.drawText(QRect(QPoint(0, 0), kRegion).adjusted(0, 0, -10, 0),
                   Qt::AlignRight | Qt::AlignVCenter, u"%1秒"_s.arg(scene.timer));
    }
    p.end();
    if (scene.noise) {
        QRandomGenerator random(scene.seed);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int d = int(random.bounded(2 * scene.noise + 1)) - scene.noise;
                const QRgb c = line[x];
                line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                               std::clamp(qBlue(c) + d, 0, 255));
            }
        }
    }
    if (!scene.ours.isEmpty()) {
        QPainter dark(&image);
        dark.fillRect(scene.ours, Qt::black);
    }
    return image;
}

capture::WatchFrame frameOf(const Scene &scene)
{
    const QRect ours(scene.ours.topLeft() * scene.ratio, scene.ours.size() * scene.ratio);
    return capture::watchFrame(render(scene), ours.isEmpty() ? QRegion() : QRegion(ours));
}

const QString kQuestion = u"第12题：中国古代四大发明不包括以下哪一项？"_s;
const QString kOther = u"第13题：长城最早修建于哪个朝代？"_s;
const QString kTwinA = u"第14题：黄山位于哪个省？"_s;
const QString kTwinB = u"第14题：泰山位于哪个省？"_s;
// The answer window placed over the region's lower right corner.
const QRect kAnswerWindow(300, 20, 220, 14);

// When readings are expected: each within [from, to] ms.
using Windows = QList<QPair<qint64, qint64>>;

const char *changeName(FrameChange change)
{
    switch (change) {
    case FrameChange::Same:
        return "same";
    case FrameChange::Small:
        return "small";
    case FrameChange::New:
        return "new";
    }
    return "?";
}

} // namespace

Q_DECLARE_METATYPE(Scene)

class TestWatchRule : public QObject
{
    Q_OBJECT
private slots:
    void pairs_data();
    void pairs();
    void unknownCellsNeverCount();
    void sequences_data();
    void sequences();
    void oneQuietHintAfterALongTimeWithoutAQuestion();
};

void TestWatchRule::pairs_data()
{
    QTest::addColumn<Scene>("then");
    QTest::addColumn<Scene>("now");
    QTest::addColumn<int>("change");

    const auto pair = [](const char *name, const Scene &then, const Scene &now,
                         FrameChange change) { QTest::newRow(name) << then << now << int(change); };
    const Scene question{kQuestion, 15};
    Scene ticked = question;
    ticked.timer = 14;
    Scene tensTicked = question;
    tensTicked.timer = 9;
    Scene tenSeconds = question;
    tenSeconds.timer = 10;
    Scene grainy = question;
    grainy.noise = 6;
    Scene grainier = grainy;
    grainier.seed = 2;
    Scene another = question;
    another.text = kOther;
    Scene blank = question;
    blank.text.clear();
    Scene fading = another;
    fading.ink = 0.5;
    Scene faintStart = blank;
    faintStart.text = kOther;
    faintStart.ink = 0.35;
    Scene sliding = another;
    sliding.slide = 0.4;
    Scene answered = question;
    answered.ours = kAnswerWindow;
    Scene otherAnswered = another;
    otherAnswered.ours = kAnswerWindow;
    Scene twinA = question;
    twinA.text = kTwinA;
    Scene twinB = question;
    twinB.text = kTwinB;
    Scene sharp = question;
    sharp.ratio = 2;
    Scene sharpTicked = ticked;
    sharpTicked.ratio = 2;
    Scene sharpOther = another;
    sharpOther.ratio = 2;

    pair("the same picture", question, question, FrameChange::Same);
    pair("grain of six grey levels, new each frame", grainy, grainier, FrameChange::Same);
    pair("grain appearing over the same question", question, grainy, FrameChange::Same);
    pair("the countdown's ones digit ticks", question, ticked, FrameChange::Small);
    pair("the countdown loses its tens digit", tenSeconds, tensTicked, FrameChange::Small);
    pair(
        "the countdown ticks under grain", grainy,
        [&] {
            Scene s = grainier;
            s.timer = 14;
            return s;
        }(),
        FrameChange::Small);
    pair("another question", question, another, FrameChange::New);
    pair(
        "another question, the countdown ticking too", question,
        [&] {
            Scene s = another;
            s.timer = 14;
            return s;
        }(),
        FrameChange::New);
    pair("the question goes, the panel stays", question, blank, FrameChange::New);
    pair("a question fading in, half way", blank, fading, FrameChange::New);
    pair("a question fading in, from the first third", blank, faintStart, FrameChange::New);
    pair("a question half way through sliding in", question, sliding, FrameChange::New);
    pair("the answer window over the region's corner", question, answered, FrameChange::Same);
    pair("the answer window goes away again", answered, question, FrameChange::Same);
    pair("another question beside the answer window", answered, otherAnswered, FrameChange::New);
    // Near twins differ by one character: small, read once it has held still.
    pair("near twins, one character apart", twinA, twinB, FrameChange::Small);
    pair("at twice the pixels, the countdown ticks", sharp, sharpTicked, FrameChange::Small);
    pair("at twice the pixels, another question", sharp, sharpOther, FrameChange::New);
    pair("nothing read yet", Scene{}, question, FrameChange::New);
}

void TestWatchRule::pairs()
{
    QFETCH(Scene, then);
    QFETCH(Scene, now);
    QFETCH(int, change);

    const capture::WatchFrame before =
        then.text.isEmpty() && then.timer < 0 ? capture::WatchFrame() : frameOf(then);
    const FrameChange seen = capture::compareFrames(before, frameOf(now));
    QVERIFY2(seen == FrameChange(change),
             qPrintable(u"expected a %1 change, the rule saw a %2 one (%3 cells changed of %4)"_s
                            .arg(QLatin1StringView(changeName(FrameChange(change))),
                                 QLatin1StringView(changeName(seen)))
                            .arg(capture::changedCells(before, frameOf(now)).size())
                            .arg(frameOf(now).cells())));
}

void TestWatchRule::unknownCellsNeverCount()
{
    // Whatever lies under our window, in either picture, is compared with nothing: even a
    // region wholly covered is no change.
    Scene covered{kQuestion, 15};
    covered.ours = QRect(QPoint(0, 0), kRegion);
    QCOMPARE(int(capture::compareFrames(frameOf({kQuestion, 15}), frameOf(covered))),
             int(FrameChange::Same));
    QCOMPARE(int(capture::compareFrames(frameOf(covered), frameOf({kOther, 3}))),
             int(FrameChange::Same));
    // A picture of another size is another region: always new.
    QImage wider(kRegion.width() + 40, kRegion.height(), QImage::Format_RGB32);
    wider.fill(kPanel);
    QCOMPARE(int(capture::compareFrames(frameOf({kQuestion, 15}), capture::watchFrame(wider))),
             int(FrameChange::New));
    // No picture gives no cells, and a screen-sized region stays within the cell budget.
    QVERIFY2(capture::watchFrame(QImage()).isNull(), "a null picture gave cells");
    QImage screen(3840, 2160, QImage::Format_RGB32);
    screen.fill(kPanel);
    QVERIFY2(capture::watchFrame(screen).cells() <= capture::kWatchMostCells,
             qPrintable(u"%1 cells for a 4K region"_s.arg(capture::watchFrame(screen).cells())));
}

// A quiz as the region shows it over time: what is on screen at each millisecond, and which
// store row a reading of it finds (-1: no question).
struct Quiz
{
    std::function<Scene(qint64 ms)> at;
    std::function<qint64(const Scene &)> question = [](const Scene &s) -> qint64 {
        return s.text.isEmpty() ? -1 : qint64(qHash(s.text) & 0xffffff);
    };
};
Q_DECLARE_METATYPE(Quiz)

void TestWatchRule::sequences_data()
{
    QTest::addColumn<Quiz>("quiz");
    QTest::addColumn<qint64>("lastsMs");
    // When readings are expected: each within [from, to] ms, and none besides.
    QTest::addColumn<Windows>("readings");

    const auto countdown = [](qint64 ms, int from) { return std::max(0, from - int(ms / 1000)); };
    // The first reading: the picture as it is when watching starts.
    const QPair<qint64, qint64> first{0, 300};

    QTest::newRow("a countdown ticking for 20 s under one question") << Quiz{[=](qint64 ms) {
        return Scene{kQuestion, countdown(ms, 30)};
    }} << qint64(20000) << Windows{first};
    // Its tens digit changes once in ten seconds, and then holds still: it goes with the ones
    // digit beside it.
    QTest::newRow("a countdown from 12 through 9 to 0, then still") << Quiz{[=](qint64 ms) {
        return Scene{kQuestion, countdown(ms, 12)};
    }} << qint64(18000) << Windows{first};
    QTest::newRow("a countdown ticking under grain for 15 s") << Quiz{[=](qint64 ms) {
        Scene s{kQuestion, countdown(ms, 20)};
        s.noise = 6;
        s.seed = quint32(ms / 83 + 1);
        return s;
    }} << qint64(15000) << Windows{first};
    QTest::newRow("the answer window comes and goes over the region") << Quiz{[=](qint64 ms) {
        Scene s{kQuestion, countdown(ms, 30)};
        if (ms % 4000 > 500 && ms % 4000 < 3000)
            s.ours = kAnswerWindow;
        return s;
    }} << qint64(12000) << Windows{first};
    // The next question fades in over 300 ms at 5 s, the countdown starting again: one
    // reading, once the fade has ended, well within half a second of its start.
    QTest::newRow("the next question fades in") << Quiz{[=](qint64 ms) {
        if (ms < 5000)
            return Scene{kQuestion, countdown(ms, 15)};
        Scene s{kOther, countdown(ms - 5000, 15)};
        s.ink = std::min<qreal>(1, qreal(ms - 5000) / 300);
        return s;
    }} << qint64(9000) << Windows{first, {5300, 5500}};
    // Between two glances a slow fade moves each cell too little to be seen: the picture is
    // still only once it has stopped changing since it stood still.
    QTest::newRow("the next question fades in slowly") << Quiz{[=](qint64 ms) {
        if (ms < 5000)
            return Scene{kQuestion, countdown(ms, 15)};
        Scene s{kOther, countdown(ms - 5000, 15)};
        s.ink = std::min<qreal>(1, qreal(ms - 5000) / 900);
        return s;
    }} << qint64(9000) << Windows{first, {5900, 6100}};
    QTest::newRow("the next question fades in under grain") << Quiz{[=](qint64 ms) {
        Scene s{ms < 5000 ? kQuestion : kOther, countdown(ms % 5000, 15)};
        if (ms >= 5000)
            s.ink = std::min<qreal>(1, qreal(ms - 5000) / 300);
        s.noise = 6;
        s.seed = quint32(ms / 83 + 1);
        return s;
    }} << qint64(9000) << Windows{first, {5300, 5700}};
    QTest::newRow("the next question slides in") << Quiz{[=](qint64 ms) {
        if (ms < 5000)
            return Scene{kQuestion, countdown(ms, 15)};
        Scene s{kOther, countdown(ms - 5000, 15)};
        s.slide = std::max<qreal>(0, 1 - qreal(ms - 5000) / 250);
        return s;
    }} << qint64(9000) << Windows{first, {5250, 5450}};
    // Its ticks unseen for a while (our window over it, then a fade), the countdown loses its
    // tens digit at its first tick seen: a small change beside one that has just moved.
    QTest::newRow("the countdown's tens digit goes at its first tick seen") << Quiz{[=](qint64 ms) {
        if (ms < 3000) {
            Scene s{kQuestion, countdown(ms, 13)};
            if (ms > 500)
                s.ours = QRect(260, 0, 260, 34);
            return s;
        }
        Scene s{kOther, countdown(ms, 13)};
        s.ink = std::min<qreal>(1, qreal(ms - 3000) / 300);
        return s;
    }} << qint64(9000) << Windows{first, {3300, 3500}};
    QTest::newRow("a question, a blank panel, another question") << Quiz{[=](qint64 ms) {
        if (ms < 3000)
            return Scene{kQuestion, countdown(ms, 15)};
        if (ms < 5000)
            return Scene{QString(), -1};
        return Scene{kOther, countdown(ms - 5000, 15)};
    }} << qint64(8000) << Windows{first, {3000, 3300}, {5000, 5300}};
    // One character apart: read only once it has held still longer than a tick.
    QTest::newRow("the near twin replaces its twin") << Quiz{[=](qint64 ms) {
        return Scene{ms < 4000 ? kTwinA : kTwinB, -1};
    }} << qint64(8000) << Windows{first, {5400, 5800}};
    // Unless it came in as a question does, the panel emptied and the twin faded in, the
    // countdown starting again.
    QTest::newRow("the near twin fades in after its twin") << Quiz{[=](qint64 ms) {
        if (ms < 4000)
            return Scene{kTwinA, countdown(ms, 15)};
        Scene s{kTwinB, countdown(ms - 4000, 15)};
        s.ink = std::min<qreal>(1, qreal(ms - 4000) / 300);
        return s;
    }} << qint64(8000) << Windows{first, {4300, 4500}};
    QTest::newRow("the near twin fades in after its twin, no countdown") << Quiz{[=](qint64 ms) {
        if (ms < 4000)
            return Scene{kTwinA, -1};
        Scene s{kTwinB, -1};
        s.ink = std::min<qreal>(1, qreal(ms - 4000) / 300);
        return s;
    }} << qint64(8000) << Windows{first, {4300, 4500}};
}

void TestWatchRule::sequences()
{
    QFETCH(Quiz, quiz);
    QFETCH(qint64, lastsMs);
    QFETCH(Windows, readings);

    // The watcher's own pace: a glance now and then, quicker while a change settles.
    Watcher watcher;
    QList<qint64> readAt;
    for (qint64 now = 0; now <= lastsMs;) {
        const Scene scene = quiz.at(now);
        const capture::WatchFrame frame = frameOf(scene);
        const Watcher::Step step = watcher.see(frame, now);
        if (step == Watcher::Step::Read) {
            readAt.append(now);
            watcher.read(frame, quiz.question(scene), now);
        }
        now += step == Watcher::Step::Settle ? capture::kSettlingGlanceMs : capture::kGlanceMs;
    }
    QStringList seen;
    for (const qint64 at : readAt)
        seen.append(QString::number(at));
    QVERIFY2(
        readAt.size() == readings.size(),
        qPrintable(
            u"%1 readings expected, read at %2 ms"_s.arg(readings.size()).arg(seen.join(u", "_s))));
    for (qsizetype i = 0; i < readings.size(); ++i)
        QVERIFY2(readAt[i] >= readings[i].first && readAt[i] <= readings[i].second,
                 qPrintable(u"reading %1 expected within %2–%3 ms, made at %4 ms"_s.arg(i)
                                .arg(readings[i].first)
                                .arg(readings[i].second)
                                .arg(readAt[i])));
}

void TestWatchRule::oneQuietHintAfterALongTimeWithoutAQuestion()
{
    Watcher watcher;
    const capture::WatchFrame blank = frameOf({QString(), -1});
    QCOMPARE(int(watcher.see(blank, 0)), int(Watcher::Step::Settle));
    watcher.read(blank, -1, 100);
    int hints = 0;
    qint64 firstHint = -1;
    for (qint64 now = 100; now <= 3 * capture::kNoQuestionHintMs; now += 100) {
        watcher.see(blank, now);
        if (watcher.hintDue(now)) {
            ++hints;
            if (firstHint < 0)
                firstHint = now;
        }
    }
    QVERIFY2(hints == 1,
             qPrintable(u"%1 hints in three long spells without a question"_s.arg(hints)));
    QVERIFY2(firstHint >= capture::kNoQuestionHintMs,
             qPrintable(u"hinted after %1 ms already"_s.arg(firstHint)));
    // A question found starts the count again; a region that gives no picture counts too.
    const capture::WatchFrame question = frameOf({kQuestion, -1});
    watcher.read(question, 7, 200000);
    QVERIFY2(!watcher.hintDue(200000 + capture::kNoQuestionHintMs),
             "hinted although a question was just found");
    watcher.unseen(300000);
    QVERIFY2(!watcher.hintDue(300000 + capture::kNoQuestionHintMs - 100), "hinted too early");
    QVERIFY2(watcher.hintDue(300000 + capture::kNoQuestionHintMs),
             "no hint after a long time without a picture");
}

QTEST_MAIN(TestWatchRule)
#include "tst_watchrule.moc"
