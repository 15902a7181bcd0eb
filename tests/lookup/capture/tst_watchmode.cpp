// Watch mode on a real X server (Xvfb with openbox) as a player meets it: the stand-in game
// window steps through questions with a ticking countdown, the player turns watch mode on with
// Ctrl+Alt+W while the game has the focus, and the answers must appear beside the region by
// themselves, each question read once, nothing read for the countdown or for our own answer
// window lying over the region, and nothing said when the region shows no question.
#include "app/window/formlabel.h"
#include "lookup/capture/answerwindow.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/capture/regionfile.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/regionwatch.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/lookuppage.h"
#include "lookup/store/store.h"
#include "lookup/store/storereader.h"
#include "tests/common/formfixture.h"
#include "tests/common/quizdesktop.h"
#include "tests/common/testmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kFontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;
struct Question
{
    QString shown; // as the game draws it
    QString stored;
    QString answer;
};
const Question kFirst{u"第3题 世界上最高的山峰是哪一座？"_s, u"世界上最高的山峰是哪一座？"_s,
                      u"珠穆朗玛峰"_s};
const Question kSecond{u"第4题 中国的首都是哪座城市？"_s, u"中国的首都是哪座城市？"_s, u"北京"_s};
const Question kThird{u"第5题 长城东起哪座关隘？"_s, u"长城东起哪座关隘？"_s, u"山海关"_s};
const QRect kGameWindow(60, 80, 720, 260);
const QPoint kProgramWindow(1000, 80);

using zctest::xdotool;

void pressWatchKey()
{
    xdotool({u"key"_s, u"ctrl+alt+w"_s});
}

QString answerShown(const capture::AnswerWindow &window)
{
    const capture::AnswerCard &card = window.card();
    if (card.kind != capture::AnswerCard::Kind::Answer || card.entries.empty())
        return u"(no answer: %1 %2)"_s.arg(card.title, card.hint);
    return card.entries.front().answer;
}

} // namespace

class TestWatchMode : public QObject, public FormFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void eachNewQuestionIsReadOnce();
    void turningOnWithoutARegionAsksForOne();
    void rememberedWithTheRegionAndShownInTheMenu();

private:
    QString regionFile() const { return m_dir.filePath(u"capture.ini"_s); }
    void startCapture();
    // Tells the game's window to change and waits until it has drawn the change.
    void tellGame(const QString &line);
    void focusGame();
    void dragOverQuestion();

    QTemporaryDir m_dir;
    QProcess m_game;
    QString m_gameWindowId;
    QRect m_questionLine;
    std::unique_ptr<LookupPage> m_lookup;
    std::unique_ptr<capture::CaptureLookup> m_capture;
};

void TestWatchMode::initTestCase()
{
    QVERIFY2(QFile::exists(kFontFile), "fonts-wqy-zenhei (scripts/setup-debian.sh)");
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    for (const Question &q : {kFirst, kSecond, kThird})
        cv.rows.push_back({q.stored, q.answer, u"x"_s});
    QVERIFY(!jetwriter::writeJet4(m_dir.filePath(QString::fromUtf16(store::kStoreFileName)),
                                  QString::fromUtf16(store::kStorePassword), {cv}));
    zctest::QuizWindowShown shown;
    zctest::showQuizWindow(m_game, kGameWindow, kFirst.shown, &shown);
    m_questionLine = shown.questionLine;
    m_gameWindowId = shown.window;
}

void TestWatchMode::cleanupTestCase()
{
    m_game.write("quit\n");
    if (!m_game.waitForFinished(5000))
        m_game.kill();
}

void TestWatchMode::tellGame(const QString &line)
{
    m_game.readAll();
    m_game.write((line + u'\n').toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(m_game.canReadLine(), 5000);
}

void TestWatchMode::focusGame()
{
    zctest::focusWindow(m_gameWindowId);
}

void TestWatchMode::dragOverQuestion()
{
    zctest::dragAcross(m_questionLine);
}

void TestWatchMode::init()
{
    tellGame(u"timer off"_s);
    tellGame(u"text "_s + kFirst.shown);
    makeForm();
    m_form->move(kProgramWindow);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestWatchMode::startCapture()
{
    m_lookup = std::make_unique<LookupPage>(ui(), std::make_shared<store::StoreReader>([this] {
                                                return store::StoreLocation{m_dir.path(), false};
                                            }));
    m_capture = std::make_unique<capture::CaptureLookup>(ui(), *m_lookup);
    m_capture->setRegionFile(regionFile());
}

void TestWatchMode::cleanup()
{
    QFile::remove(regionFile());
    m_capture.reset();
    m_lookup.reset();
    m_form.reset();
}

void TestWatchMode::eachNewQuestionIsReadOnce()
{
    QVERIFY(capture::saveRegion(regionFile(), {m_questionLine, {}}));
    startCapture();
    m_capture->windowShown();
    QVERIFY2(!m_capture->isWatching(), "watch mode is off until the player turns it on");
    tellGame(u"timer 15"_s);
    focusGame();

    QSignalSpy changed(m_capture.get(), &capture::CaptureLookup::watchChanged);
    QSignalSpy reads(m_capture.get(), &capture::CaptureLookup::watchRead);
    QSignalSpy notices(m_capture.get(), &capture::CaptureLookup::noticeShown);
    capture::AnswerWindow &answer = m_capture->answerWindow();

    // On with the key, the game keeping the focus; said briefly beside the region.
    pressWatchKey();
    QTRY_COMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toBool(), true);
    QCOMPARE(int(answer.card().kind), int(capture::AnswerCard::Kind::State));
    QCOMPARE(answer.card().title, u"自动识别：开"_s);
    QVERIFY2(capture::loadRegion(regionFile()).record->watch, "watch mode not saved on");

    // The question on screen is read at once, exactly as a capture reads it.
    QTRY_COMPARE_WITH_TIMEOUT(reads.size(), 1, 10000);
    QCOMPARE(reads[0][0].toBool(), true);
    QCOMPARE(answerShown(answer), kFirst.answer);
    QCOMPARE(ui().Label4->text(), kFirst.answer);

    // The countdown ticks, and our answer window lies over the region: nothing is read.
    const int glancesBefore = m_capture->regionWatch().glances();
    answer.move(m_questionLine.topLeft() + QPoint(m_questionLine.width() / 2, 4));
    QTest::qWait(3500);
    const int glances = m_capture->regionWatch().glances() - glancesBefore;
    QVERIFY2(reads.size() == 1,
             qPrintable(u"%1 readings for a ticking countdown and our own window"_s.arg(
                 reads.size() - 1)));
    QVERIFY2(glances >= 3 * 3 && glances <= 3 * 15,
             qPrintable(u"%1 glances in 3.5 s: not a few a second"_s.arg(glances)));

    // The next question fades in: read once, soon after.
    QElapsedTimer clock;
    clock.start();
    tellGame(u"fade 300 "_s + kSecond.shown);
    QTRY_COMPARE_WITH_TIMEOUT(reads.size(), 2, 5000);
    const qint64 latency = clock.elapsed();
    QCOMPARE(reads[1][0].toBool(), true);
    QCOMPARE(answerShown(answer), kSecond.answer);
    QVERIFY2(latency < 3000, qPrintable(u"the faded-in question read after %1 ms"_s.arg(latency)));
    QTest::qWait(1500);
    QVERIFY2(reads.size() == 2, "a question that has faded in was read more than once");

    // A screen without a question: read, nothing said, the last answer taken away.
    tellGame(u"text"_s);
    QTRY_COMPARE_WITH_TIMEOUT(reads.size(), 3, 5000);
    QCOMPARE(reads[2][0].toBool(), false);
    QVERIFY2(notices.isEmpty(),
             qPrintable(u"watch mode said: "_s + notices.value(0).value(0).toString()));
    QTRY_VERIFY(!answer.isVisible());

    // Off with the same key; the game still has the focus.
    pressWatchKey();
    QTRY_COMPARE(changed.size(), 2);
    QCOMPARE(changed[1][0].toBool(), false);
    QCOMPARE(answer.card().title, u"自动识别：关"_s);
    QVERIFY2(!capture::loadRegion(regionFile()).record->watch, "watch mode not saved off");
    QCOMPARE(xdotool({u"getwindowfocus"_s}), m_gameWindowId);
    tellGame(u"text "_s + kThird.shown);
    QTest::qWait(1000);
    QCOMPARE(reads.size(), 3);
}

void TestWatchMode::turningOnWithoutARegionAsksForOne()
{
    QFile::remove(regionFile());
    startCapture();
    m_capture->windowShown();
    QSignalSpy changed(m_capture.get(), &capture::CaptureLookup::watchChanged);
    QSignalSpy reads(m_capture.get(), &capture::CaptureLookup::watchRead);

    // The same key in the program's own window.
    xdotool({u"windowactivate"_s, u"--sync"_s, QString::number(m_form->winId())});
    pressWatchKey();
    capture::RegionPicker *picker = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *p = qobject_cast<capture::RegionPicker *>(w); p && p->isVisible())
                    picker = p;
            return picker != nullptr;
        }(),
        5000);
    QVERIFY2(changed.isEmpty(), "watch mode on before a region was chosen");
    QTest::qWait(200);
    dragOverQuestion();
    QTRY_COMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toBool(), true);
    const capture::RegionLoad saved = capture::loadRegion(regionFile());
    QVERIFY2(saved.record && saved.record->watch, "the chosen region saved without watch mode");
    QTRY_COMPARE_WITH_TIMEOUT(reads.size(), 1, 10000);
    QCOMPARE(answerShown(m_capture->answerWindow()), kFirst.answer);

    // Off with the key in the program's window: once, not off and on again by the window's
    // shortcut and the desktop's key both.
    xdotool({u"windowactivate"_s, u"--sync"_s, QString::number(m_form->winId())});
    pressWatchKey();
    QTRY_COMPARE(changed.size(), 2);
    QTest::qWait(500);
    QCOMPARE(changed.size(), 2);
    QVERIFY2(!m_capture->isWatching(), "the key in the program's window left watch mode on");
}

void TestWatchMode::rememberedWithTheRegionAndShownInTheMenu()
{
    QVERIFY(capture::saveRegion(regionFile(), {m_questionLine, {}, true}));
    startCapture();
    QSignalSpy reads(m_capture.get(), &capture::CaptureLookup::watchRead);
    m_capture->windowShown();
    QVERIFY2(m_capture->isWatching(), "watch mode saved on was not resumed");
    QTRY_COMPARE_WITH_TIMEOUT(reads.size(), 1, 10000);
    QCOMPARE(answerShown(m_capture->answerWindow()), kFirst.answer);

    // The menu's entry shows the state, and turns it off.
    const auto menuEntry = [this](bool choose) {
        bool checked = false;
        QString found;
        QTimer::singleShot(300, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction *a : menu->actions())
                if (a->text().startsWith(u"自动识别题目"_s) && a->isCheckable()) {
                    found = a->text();
                    checked = a->isChecked();
                    if (choose) {
                        menu->close();
                        a->trigger();
                        return;
                    }
                }
            menu->close();
        });
        emit ui().Text1->customContextMenuRequested(QPoint(4, 4));
        return found.isEmpty() ? -1 : int(checked);
    };
    QCOMPARE(menuEntry(true), 1);
    QTRY_VERIFY(!m_capture->isWatching());
    QCOMPARE(menuEntry(false), 0);
    QVERIFY2(!capture::loadRegion(regionFile()).record->watch, "watch mode not saved off");
}

ZC_X11_TEST_MAIN(TestWatchMode, 1920, 1080)
#include "tst_watchmode.moc"
