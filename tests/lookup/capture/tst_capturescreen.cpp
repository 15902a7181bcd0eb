// Capture on a real X server (Xvfb with the openbox window manager) as a player meets it: a
// stand-in game window shows a rendered question, the program's window stands beside it,
// and the keys go through the X server. The answer window must appear beside the region
// with the right answer whatever the program's window shows, without taking the focus from
// the game; a key that another client holds is taken once it is free; a damaged region file
// leads to choosing the region again.
#include "app/window/formlabel.h"
#include "lookup/capture/answerwindow.h"
#include "lookup/capture/capturekeys.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/capture/regionfile.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/lookuppage.h"
#include "lookup/resultmodel.h"
#include "lookup/store/store.h"
#include "tests/common/formfixture.h"
#include "tests/common/quizdesktop.h"
#include "tests/common/testmain.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString kFontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;
const QString kQuestion = u"第3题 世界上最高的山峰是哪一座？"_s;
const QString kAnswer = u"珠穆朗玛峰"_s;
const QRect kGameWindow(60, 80, 720, 260);
const QPoint kProgramWindow(1000, 80);

using zctest::focusedWindow;
using zctest::xdotool;

void pressCaptureKey()
{
    xdotool({u"key"_s, u"ctrl+alt+q"_s});
}

// What the X server shows at `point` of the desktop, whoever drew it.
QColor desktopPixel(const QPoint &point)
{
    const QImage shot =
        QGuiApplication::primaryScreen()->grabWindow(0, point.x(), point.y(), 1, 1).toImage();
    return shot.isNull() ? QColor() : shot.pixelColor(0, 0);
}

// With ZC_SCREENSHOTS set to a folder, the desktop as the player sees it goes there, for
// people to look at (docs/answer-window.png is one).
void keepScreenshot(const QString &name)
{
    const QString folder = qEnvironmentVariable("ZC_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QGuiApplication::primaryScreen()->grabWindow(0).save(folder + u'/' + name + u".png"_s);
}

} // namespace

class TestCaptureScreen : public QObject, public FormFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void answerShowsBesideTheRegion_data();
    void answerShowsBesideTheRegion();
    void aDamagedRegionFileLeadsToChoosingAgain_data();
    void aDamagedRegionFileLeadsToChoosingAgain();
    void aMovedGameIsToldToChooseAgain();
    void aKeyHeldElsewhereIsTakenOnceFree();

private:
    QString regionFile() const { return m_dir.filePath(u"capture.ini"_s); }
    // Drags the region overlay's rectangle over the game's question line, as a player does.
    void dragOverQuestion();
    // Moves the game's window and waits until it has drawn its question there.
    void moveGame(const QPoint &to);
    // Starts the game's window and waits until it has drawn its question.
    void startGame(const QString &question);
    void focusGame();

    QTemporaryDir m_dir;
    QProcess m_game;
    QString m_gameWindowId;
    QRect m_questionLine; // where the game draws its question, on the desktop
    std::unique_ptr<LookupPage> m_lookup;
    std::unique_ptr<capture::CaptureLookup> m_capture;
};

void TestCaptureScreen::initTestCase()
{
    QVERIFY2(QFile::exists(kFontFile), "fonts-wqy-zenhei (scripts/setup-debian.sh)");
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows = {{u"世界上最高的山峰是哪一座？"_s, kAnswer, u"sjszgdsfsnyz"_s},
               {u"中国的首都是哪座城市？"_s, u"北京"_s, u"zgdsdsnzcs"_s},
               {u"长城东起哪座关隘？"_s, u"山海关"_s, u"ccdqnzga"_s}};
    QVERIFY(!jetwriter::writeJet4(m_dir.filePath(QString::fromUtf16(store::kStoreFileName)),
                                  QString::fromUtf16(store::kStorePassword), {cv}));
    startGame(kQuestion);
}

void TestCaptureScreen::startGame(const QString &question)
{
    zctest::QuizWindowShown shown;
    zctest::showQuizWindow(m_game, kGameWindow, question, &shown);
    m_questionLine = shown.questionLine;
    m_gameWindowId = shown.window;
}

void TestCaptureScreen::focusGame()
{
    zctest::focusWindow(m_gameWindowId);
}

void TestCaptureScreen::cleanupTestCase()
{
    m_game.write("quit\n");
    if (!m_game.waitForFinished(5000))
        m_game.kill();
}

void TestCaptureScreen::init()
{
    makeForm();
    shapeResultList(ui().ListView1);
    m_lookup = std::make_unique<LookupPage>(ui(), std::make_shared<store::StoreReader>([this] {
                                                return store::StoreLocation{m_dir.path(), false};
                                            }));
    m_capture = std::make_unique<capture::CaptureLookup>(ui(), *m_lookup);
    m_capture->setRegionFile(m_dir.filePath(u"capture.ini"_s));
    QVERIFY(capture::saveRegion(regionFile(), {m_questionLine, {}}));
    m_form->move(kProgramWindow);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_capture->windowShown();
}

void TestCaptureScreen::cleanup()
{
    // Whatever a test put in the region file's place goes.
    if (QFileInfo(regionFile()).isDir())
        QDir(regionFile()).removeRecursively();
    else
        QFile::remove(regionFile());
    m_capture.reset();
    m_lookup.reset();
    m_form.reset();
}

void TestCaptureScreen::answerShowsBesideTheRegion_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("page 0 showing") << 0 << false;
    QTest::newRow("page 1 showing") << 1 << false;
    QTest::newRow("the program's window minimised") << 0 << true;
}

void TestCaptureScreen::answerShowsBesideTheRegion()
{
    QFETCH(int, page);
    QFETCH(bool, minimised);
    ui().SSTab1->setCurrentIndex(page);
    if (minimised) {
        m_form->showMinimized();
        QTRY_VERIFY(m_form->isMinimized());
    }
    focusGame();
    const QString focus = focusedWindow();

    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    capture::AnswerWindow &answer = m_capture->answerWindow();
    QSignalSpy painted(&answer, &capture::AnswerWindow::painted);
    pressCaptureKey();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 15000);
    QCOMPARE(finished[0][0].toBool(), true);
    QTRY_VERIFY2(!painted.isEmpty(), "the answer window was never painted");

    // The answer, under the question it answers, beside the region and on top of the game.
    QCOMPARE(answer.card().entries.size(), size_t(1));
    QCOMPARE(answer.card().entries[0].answer, kAnswer);
    QCOMPARE(answer.card().entries[0].question, u"世界上最高的山峰是哪一座？"_s);
    const QRect shown = answer.frameGeometry();
    QVERIFY2(shown.top() > m_questionLine.bottom() && shown.top() <= m_questionLine.bottom() + 12,
             qPrintable(u"answer window at %1,%2, the question's line ends at %3"_s.arg(shown.x())
                            .arg(shown.y())
                            .arg(m_questionLine.bottom())));
    QCOMPARE(shown.left(), m_questionLine.left());
    keepScreenshot(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
    QTRY_COMPARE(desktopPixel(shown.topLeft() + QPoint(12, 4)), QColor(0x1c, 0x22, 0x30));

    // The game keeps the keyboard, and the program's window stays as the player left it.
    QTest::qWait(300);
    QCOMPARE(focusedWindow(), focus);
    QCOMPARE(ui().SSTab1->currentIndex(), page);
    QCOMPARE(m_form->isMinimized(), minimised);
    QVERIFY(!m_form->isActiveWindow());
    // Page 0 is filled as after a search.
    QCOMPARE(ui().Label4->text(), kAnswer);

    // The game raised again (the player clicks it) leaves the answer on top.
    xdotool({u"windowraise"_s, m_gameWindowId});
    xdotool({u"windowactivate"_s, u"--sync"_s, m_gameWindowId});
    QTest::qWait(200);
    QCOMPARE(desktopPixel(shown.topLeft() + QPoint(12, 4)), QColor(0x1c, 0x22, 0x30));
}

void TestCaptureScreen::dragOverQuestion()
{
    zctest::dragAcross(m_questionLine);
}

void TestCaptureScreen::moveGame(const QPoint &to)
{
    m_game.readAll();
    m_game.write(u"move %1 %2\n"_s.arg(to.x()).arg(to.y()).toLatin1());
    QRect line;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            while (m_game.canReadLine()) {
                const QStringList painted = QString::fromLatin1(m_game.readLine()).split(u' ');
                line = QRect(painted.value(1).toInt(), painted.value(2).toInt(),
                             painted.value(3).toInt(), painted.value(4).trimmed().toInt());
            }
            return !line.isNull() && line.topLeft() != m_questionLine.topLeft();
        }(),
        10000);
    m_questionLine = line;
}

void TestCaptureScreen::aDamagedRegionFileLeadsToChoosingAgain_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("pipe");

    QTest::newRow("garbage") << QByteArray("lorem ipsum\n[[[question\nregion==\n") << false
                             << false;
    QByteArray junk(4096, '\0');
    for (qsizetype i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919 + 13) % 256);
    QTest::newRow("binary junk") << junk << false << false;
    QTest::newRow("huge numbers") << QByteArray(
                                         "[question]\nregion=@Rect(0 0 2147483647 2147483647)\n")
                                  << false << false;
    QTest::newRow("negative sides")
        << QByteArray("[question]\nregion=@Rect(100 100 -400 -40)\n") << false << false;
    QTest::newRow("a position no screen reaches")
        << QByteArray("[question]\nregion=@Rect(2147483000 0 400 40)\n") << false << false;
    QTest::newRow("a 10 MB file") << QByteArray("[question]\nregion=@Rect(0 0 1920 1080)\n") +
                                         QByteArray(10 << 20, 'x')
                                  << false << false;
    QTest::newRow("a folder in its place") << QByteArray() << true << false;
    QTest::newRow("a pipe in its place") << QByteArray() << false << true;
}

void TestCaptureScreen::aDamagedRegionFileLeadsToChoosingAgain()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    QFETCH(bool, pipe);
    QFile::remove(regionFile());
    if (folder) {
        QVERIFY(QDir().mkpath(regionFile()));
    } else if (pipe) {
        QCOMPARE(::mkfifo(QFile::encodeName(regionFile()).constData(), 0600), 0);
    } else {
        QFile out(regionFile());
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    focusGame();
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    QSignalSpy notices(m_capture.get(), &capture::CaptureLookup::noticeShown);
    pressCaptureKey();

    // The overlay comes up to choose the region again, and a drag over the question reads it.
    const auto overlay = [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<capture::RegionPicker *>(w) && w->isVisible())
                return true;
        return false;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(overlay(), "the region overlay is shown", 10000);
    QVERIFY2(finished.isEmpty(), "nothing read before the region is chosen");
    dragOverQuestion();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 15000);
    QCOMPARE(finished[0][0].toBool(), true);
    QCOMPARE(m_capture->answerWindow().card().entries.at(0).answer, kAnswer);

    if (folder) {
        // It cannot be kept: said below Text1 and under the answer.
        QCOMPARE(notices.value(0).value(0).toString(), u"无法保存题目区域：%1"_s.arg(regionFile()));
        QVERIFY(!m_capture->answerWindow().card().footnote.isEmpty());
    } else {
        const capture::RegionLoad kept = capture::loadRegion(regionFile());
        QVERIFY2(kept.record, qPrintable(kept.problem));
        QCOMPARE(kept.record->region, m_questionLine);
    }
}

void TestCaptureScreen::aMovedGameIsToldToChooseAgain()
{
    // Chosen with the overlay, so that the region's picture is kept with it.
    m_capture->chooseRegion();
    QTRY_VERIFY_WITH_TIMEOUT(
        QApplication::activePopupWidget() ||
            [] {
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (qobject_cast<capture::RegionPicker *>(w) && w->isVisible())
                        return true;
                return false;
            }(),
        10000);
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    dragOverQuestion();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 15000);
    QCOMPARE(finished[0][0].toBool(), true);

    // Seconds pass between two questions; the overlay's place counts as ours for a moment
    // after it closed (see windowgrab.h).
    QTest::qWait(1500);
    const QPoint home = kGameWindow.topLeft();
    // Most of the region now shows the desktop, its right end the game's left edge: a window
    // is still there to read, but not the panel the region was chosen on.
    moveGame(home + QPoint(m_questionLine.width() - 20, 0));
    focusGame();
    QSignalSpy notices(m_capture.get(), &capture::CaptureLookup::noticeShown);
    pressCaptureKey();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 15000);
    moveGame(home);
    QCOMPARE(finished[1][0].toBool(), false);
    QCOMPARE(notices.value(0).value(0).toString(),
             u"未识别到题目：画面与框选时不同（游戏窗口移动了？），按 Shift+F2 重新框选"_s);
    keepScreenshot(u"game-moved"_s);
}

void TestCaptureScreen::aKeyHeldElsewhereIsTakenOnceFree()
{
    // Another client takes Ctrl+Alt+Q before the program starts.
    m_capture.reset();
    xcb_connection_t *other = xcb_connect(qPrintable(qEnvironmentVariable("DISPLAY")), nullptr);
    QVERIFY(!xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    Display *display = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    const xcb_keycode_t q = XKeysymToKeycode(display, XK_q);
    const uint16_t mask = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    QVERIFY(
        !xcb_request_check(other, xcb_grab_key_checked(other, 1, root, mask, q, XCB_GRAB_MODE_ASYNC,
                                                       XCB_GRAB_MODE_ASYNC)));

    m_capture = std::make_unique<capture::CaptureLookup>(ui(), *m_lookup);
    m_capture->setRegionFile(regionFile());
    QSignalSpy notices(m_capture.get(), &capture::CaptureLookup::noticeShown);
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->windowShown();
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices[0][0].toString(),
             u"全局热键 Ctrl+Alt+Q 不可用：热键已被其他程序占用，空出后自动启用"_s);

    // Said once: trying again goes quietly, and the key stays with the other client.
    focusGame();
    QTest::qWait(capture::CaptureLookup::kKeyRetryMilliseconds + 500);
    pressCaptureKey();
    QTest::qWait(500);
    QCOMPARE(notices.size(), 1);
    QCOMPARE(finished.size(), 0);

    // Once the other client lets it go, the key is the program's.
    xcb_ungrab_key(other, q, root, mask);
    xcb_flush(other);
    xcb_disconnect(other);
    for (int i = 0; i < 20 && finished.isEmpty(); ++i) {
        pressCaptureKey();
        QTest::qWait(500);
    }
    QVERIFY2(!finished.isEmpty(), "the key reaches the program within a few seconds");
    QCOMPARE(finished[0][0].toBool(), true);
    QCOMPARE(notices.size(), 1);
}

ZC_X11_TEST_MAIN(TestCaptureScreen, 1920, 1080)
#include "tst_capturescreen.moc"
