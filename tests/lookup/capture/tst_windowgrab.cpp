// Reading the question region from real windows on a real server, run by CTest once on Xvfb
// with openbox and once on a headless weston with Xwayland (ZC_TEST_SERVER): a stand-in game
// window (zc_questionwindow) shows a rendered question, the program's window lies beside it or
// over it with 是否始终前置 checked, and the program's real capture path reads the region.
#include "app/behaviours/windowbehaviours.h"
#include "app/window/formlabel.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/capture/regionfile.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/screenregion.h"
#include "lookup/capture/windowgrab.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/lookuppage.h"
#include "lookup/resultmodel.h"
#include "lookup/store/store.h"
#include "tests/common/formfixture.h"
#include "tests/common/testmain.h"
#include "tests/common/xservers.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWindow>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

const QString kFontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;
const QString kQuestion = u"世界上最高的山峰是哪一座？"_s;
const QString kAnswer = u"珠穆朗玛峰"_s;
constexpr int kWait = 30000; // a loaded two-core machine is slow, never this slow

zctest::TestDisplay *server = nullptr;

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// A window's rectangle on the root, in device pixels, as the server has it now.
QRect rootRect(quint32 window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> g(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> t(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0),
                                        nullptr),
        &std::free);
    if (!g || !t)
        return {};
    return QRect(t->dst_x, t->dst_y, g->width, g->height);
}

// The window lying on the root that holds `window`: its window manager's frame.
quint32 frameOf(quint32 window)
{
    xcb_connection_t *c = connection();
    for (int level = 0; level < 8; ++level) {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> t(
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
        if (!t || t->parent == t->root)
            break;
        window = t->parent;
    }
    return window;
}

QScreen *screen()
{
    return QGuiApplication::primaryScreen();
}

// Device pixels on the root to the desktop's logical pixels (Qt keeps the screen's corner).
QRect logical(const QRect &device)
{
    const QPoint corner = screen()->geometry().topLeft();
    const qreal dpr = screen()->devicePixelRatio();
    return QRect(corner + (device.topLeft() - corner) / dpr, device.size() / dpr);
}

QImage rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// Where a question's band goes: beside the program's window, half under it, under its Label2.
enum class Place { Beside, HalfUnder, UnderLabel2 };

} // namespace

Q_DECLARE_METATYPE(Place)

class TestWindowGrab : public QObject, public FormFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void readsTheScreenMinusOurWindows();
    void questionIsListed_data();
    void questionIsListed();
    void overlayChoosesTheRegionBeneathUs();
    void closedMenuIsNotRead();
    void hiddenPartNotDrawnIsReported();
    void unreadableRegions_data();
    void unreadableRegions();
    void windowThatWentAway();

private:
    QByteArray ask(const QByteArray &command);
    QRect showQuestion(const QPoint &at, const QString &question = kQuestion);
    QRect showQuestion(Place place, const QString &question = kQuestion);
    QRect label2() const;
    QRect formFrame() const { return rootRect(frameOf(quint32(m_form->winId()))); }
    bool rootReadable() const { return server && server->waylandSocket().isEmpty(); }
    bool capture(const QRect &deviceRegion);
    QImage read(const QRect &deviceRegion);

    QTemporaryDir m_dir;
    QProcess m_game;
    quint32 m_gameId = 0;
    QRect m_gameRect; // the game window's inside on the root, device pixels, when last drawn
    std::unique_ptr<WindowBehaviours> m_behaviours;
    std::unique_ptr<LookupPage> m_lookup;
    std::unique_ptr<capture::CaptureLookup> m_capture;
};

QByteArray TestWindowGrab::ask(const QByteArray &command)
{
    if (!command.isEmpty())
        m_game.write(command + '\n');
    [&] { QTRY_VERIFY_WITH_TIMEOUT(m_game.canReadLine(), kWait); }();
    return m_game.readLine().trimmed();
}

// The question on its band at `at` (root, device pixels); the band's rectangle on the root, or
// none if the game window moved meanwhile.
QRect TestWindowGrab::showQuestion(const QPoint &at, const QString &question)
{
    m_gameRect = rootRect(m_gameId);
    const QPoint in = at - m_gameRect.topLeft();
    const QList<QByteArray> reply =
        ask("question " + QByteArray::number(in.x()) + ' ' + QByteArray::number(in.y()) +
            " 20 第3题 " + question.toUtf8())
            .split(' ');
    if (reply.size() != 5 || reply[0] != "painted" || rootRect(m_gameId) != m_gameRect)
        return {};
    return QRect(reply[1].toInt(), reply[2].toInt(), reply[3].toInt(), reply[4].toInt())
        .translated(m_gameRect.topLeft());
}

// Weston places both windows where it likes: the band goes on whichever side has room.
QRect TestWindowGrab::showQuestion(Place place, const QString &question)
{
    m_gameRect = rootRect(m_gameId);
    const QRect f = formFrame();
    const QRect room =
        m_gameRect & QRect(QPoint(), screen()->size() * screen()->devicePixelRatio());
    const QSize b(400, 40); // a little more than the game's band for a question at 20 pixels
    const QPoint off =
        place == Place::Beside ? QPoint(30, 30) : QPoint(-b.width(), -b.height()) / 2;
    std::vector<QPoint> spots{label2().topLeft()};
    for (int k = 0; place != Place::UnderLabel2 && k < 12; ++k) {
        const int x = f.left() + 30 + 100 * k, y = f.top() + 30 + 60 * k;
        spots.insert(spots.end(), {{f.right() + off.x(), y},
                                   {f.left() - off.x() - b.width(), y},
                                   {x, f.bottom() + off.y()},
                                   {x, f.top() - off.y() - b.height()}});
    }
    for (const QPoint &spot : spots) {
        const QRect r(spot, b);
        const bool fits = place == Place::Beside      ? !r.intersects(f)
                          : place == Place::HalfUnder ? r.intersects(f) && !f.contains(r)
                                                      : f.contains(r);
        if (fits && room.contains(r))
            return showQuestion(spot, question);
    }
    return {};
}

QRect TestWindowGrab::label2() const
{
    const qreal dpr = screen()->devicePixelRatio();
    return QRect(rootRect(quint32(m_form->winId())).topLeft() +
                     ui().Label2->mapTo(m_form.get(), QPoint()) * dpr,
                 ui().Label2->size() * dpr);
}

// Captures `deviceRegion` through the program's capture path; true when it listed something.
bool TestWindowGrab::capture(const QRect &deviceRegion)
{
    if (!capture::saveRegion(m_dir.filePath(u"capture.ini"_s), {logical(deviceRegion), {}}))
        return false;
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    [&] { QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kWait); }();
    return finished.value(0).value(0).toBool();
}

QImage TestWindowGrab::read(const QRect &deviceRegion)
{
    const capture::Grab grab = capture::grabWindows(logical(deviceRegion));
    if (grab.image.isNull())
        qWarning() << "nothing read:" << grab.failure;
    return rgb(grab.image);
}

void TestWindowGrab::initTestCase()
{
    QVERIFY2(server, "no display server");
    QVERIFY2(QFile::exists(kFontFile), "fonts-wqy-zenhei (scripts/setup-debian.sh)");
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows = {{kQuestion, kAnswer, u"sjszgdsfsnyz"_s},
               {u"中国的首都是哪座城市？"_s, u"北京"_s, u"zgdsdsnzcs"_s}};
    QVERIFY(!jetwriter::writeJet4(m_dir.filePath(QString::fromUtf16(store::kStoreFileName)),
                                  QString::fromUtf16(store::kStorePassword), {cv}));

    // The game first, as a player starts it; it is drawn at one device pixel per pixel.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_SCALE_FACTOR"_s);
    m_game.setProcessEnvironment(environment);
    m_game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QSize root = screen()->size() * screen()->devicePixelRatio();
    m_game.start(
        QStringLiteral(ZC_QUESTION_WINDOW),
        {QString::number(root.width() - 100), QString::number(root.height() - 100), kFontFile});
    const QByteArray window = ask({});
    QVERIFY2(window.startsWith("window "), window.constData());
    m_gameId = window.mid(7).toUInt();

    makeForm();
    shapeResultList(ui().ListView1);
    m_behaviours = std::make_unique<WindowBehaviours>(ui());
    m_lookup = std::make_unique<LookupPage>(ui(), std::make_shared<store::StoreReader>([this] {
                                                return store::StoreLocation{m_dir.path(), false};
                                            }));
    m_capture = std::make_unique<capture::CaptureLookup>(ui(), *m_lookup);
    m_capture->setRegionFile(m_dir.filePath(u"capture.ini"_s));
    ui().Check2->setChecked(true); // 是否始终前置
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get(), kWait));
    m_capture->windowShown();
    if (rootReadable()) { // openbox moves the program over the game; weston puts it there
        const QPoint target = logical(rootRect(m_gameId)).topLeft() + QPoint(40, 60);
        m_form->move(target);
        QTRY_COMPARE_WITH_TIMEOUT(m_form->pos(), target, kWait);
    }
    // Weston places an X11 window once it has drawn after being mapped: the tests start when
    // the game has drawn and neither window has moved for a while.
    QVERIFY(ask("question 10 10 20 第1题").startsWith("painted"));
    QRect game, form;
    QElapsedTimer still;
    still.start();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QRect g = rootRect(m_gameId);
            const QRect f = formFrame();
            if (g != game || f != form)
                still.restart();
            game = g;
            form = f;
            return still.hasExpired(2000);
        }(),
        kWait);
    QVERIFY2(game.contains(label2()), "the program's window must lie over the game");
}

void TestWindowGrab::cleanupTestCase()
{
    m_capture.reset();
    m_form.reset();
    m_game.write("quit\n");
    if (m_game.state() != QProcess::NotRunning && !m_game.waitForFinished(kWait))
        m_game.kill();
}

// Where the root can be read, the capture is the screen as Qt's grab of the root shows it, less
// our window: a band half under the program's window reads as it did uncovered.
void TestWindowGrab::readsTheScreenMinusOurWindows()
{
    QRect band = showQuestion(Place::Beside);
    QVERIFY(!band.isEmpty());
    const QImage uncovered = read(band);
    QCOMPARE(uncovered.size(), logical(band).size() * screen()->devicePixelRatio());
    if (rootReadable()) {
        const QRect area = logical(band).translated(-screen()->geometry().topLeft());
        QCOMPARE(uncovered, rgb(screen()
                                    ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                    .toImage()));
    }
    band = showQuestion(Place::HalfUnder);
    QVERIFY(!band.isEmpty());
    QCOMPARE(read(band), uncovered);
}

void TestWindowGrab::questionIsListed_data()
{
    QTest::addColumn<Place>("place");
    QTest::newRow("beside the program's window") << Place::Beside;
    // Label2 then shows the question read before: reading our window would list that again.
    QTest::newRow("under the program's Label2") << Place::UnderLabel2;
}

void TestWindowGrab::questionIsListed()
{
    QFETCH(Place, place);
    QVERIFY(capture(showQuestion(Place::Beside, u"中国的首都是哪座城市？"_s)));
    QCOMPARE(ui().Label4->text(), u"北京"_s);
    const QRect band = showQuestion(place);
    QVERIFY(!band.isEmpty());
    QVERIFY(capture(band));
    QCOMPARE(ResultModel::of(ui().ListView1)->question(0), kQuestion);
    QCOMPARE(ui().Label2->text(), kQuestion);
    QCOMPARE(ui().Label4->text(), kAnswer);
}

// Shift+F2 over a band under our window: the overlay's still shows the game there, and the
// region dragged on it is read.
void TestWindowGrab::overlayChoosesTheRegionBeneathUs()
{
    const QRect band = showQuestion(Place::UnderLabel2);
    QVERIFY(!band.isEmpty());
    const capture::Grab still = capture::grabScreenStill(screen());
    QCOMPARE(rgb(still.image.copy(band.translated(-screen()->geometry().topLeft()))), read(band));

    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->chooseRegion();
    QWidget *picker = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        picker = qobject_cast<capture::RegionPicker *>(w) ? w : picker;
    QVERIFY(picker && QTest::qWaitForWindowExposed(picker, kWait));
    const QRect r = logical(band).translated(-picker->geometry().topLeft());
    QTest::mousePress(picker, Qt::LeftButton, {}, r.topLeft());
    QTest::mouseMove(picker, r.topLeft() + QPoint(r.width(), r.height()));
    QTest::mouseRelease(picker, Qt::LeftButton, {}, r.topLeft() + QPoint(r.width(), r.height()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kWait);
    const capture::RegionLoad kept = capture::loadRegion(m_dir.filePath(u"capture.ini"_s));
    QCOMPARE(kept.record ? kept.record->region : QRect(), logical(band));
    QCOMPARE(ui().Label2->text(), kQuestion);
}

// A menu of ours over the band, closed just before the read as the context menu's capture
// entries close it: the read waits for the game to draw that place again, and a game that does
// not (frozen here) is reported rather than read with the menu's pixels still on the screen.
void TestWindowGrab::closedMenuIsNotRead()
{
    const QRect band = showQuestion(Place::Beside);
    QVERIFY(!band.isEmpty());
    const QImage uncovered = read(band);
    const QRect area = logical(band).translated(-screen()->geometry().topLeft());
    for (const bool frozen : {false, true}) {
        QMenu menu;
        for (int i = 0; i < 6; ++i)
            menu.addAction(u"识别屏幕上的题目 识别屏幕上的题目 %1"_s.arg(i));
        menu.popup(logical(band).topLeft() + QPoint(20, -10));
        QVERIFY(QTest::qWaitForWindowExposed(&menu, kWait));
        if (rootReadable()) // the menu is on the screen there before it goes
            QTRY_VERIFY_WITH_TIMEOUT(
                rgb(screen()
                        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                        .toImage()) != uncovered,
                kWait);
        if (frozen)
            QCOMPARE(ask("freeze 5000"), "frozen");
        menu.hide();
        const capture::Grab grab = capture::grabWindows(logical(band));
        if (frozen && rootReadable())
            QCOMPARE(grab.failure, QString::fromUtf16(capture::kCoveredByUs));
        else
            QCOMPARE(rgb(grab.image), uncovered);
    }
    QCOMPARE(ask({}), "thawed");
}

// A game that does not draw the part our window hides: a plain X server has no picture of it,
// so the capture says the program covers the question; a compositor (Xwayland) still has it.
void TestWindowGrab::hiddenPartNotDrawnIsReported()
{
    const QRect band = showQuestion(Place::UnderLabel2);
    QVERIFY(!band.isEmpty());
    const QImage drawn = read(band);
    QCOMPARE(ask("freeze 8000"), "frozen");
    const capture::Grab frozen = capture::grabWindows(logical(band));
    QCOMPARE(frozen.failure,
             rootReadable() ? QString::fromUtf16(capture::kCoveredByUs) : QString());
    if (!rootReadable())
        QCOMPARE(rgb(frozen.image), drawn);
    QCOMPARE(ask({}), "thawed");
}

void TestWindowGrab::unreadableRegions_data()
{
    QTest::addColumn<QByteArray>("game");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QString>("failure");
    QTest::newRow("a region off every screen")
        << QByteArray() << QPoint(-20000, -20000) << QString::fromUtf16(capture::kRegionOffScreen);
    QTest::newRow("a window that hands back only black")
        << "black"_ba << QPoint() << QString::fromUtf16(capture::kAllBlack);
}

void TestWindowGrab::unreadableRegions()
{
    QFETCH(QByteArray, game);
    QFETCH(QPoint, offset);
    QFETCH(QString, failure);
    const QRect band = showQuestion(Place::Beside);
    QVERIFY(!band.isEmpty() && (game.isEmpty() || ask(game).startsWith("painted")));
    const capture::Grab grab = capture::grabWindows(logical(band).translated(offset));
    QVERIFY(grab.image.isNull());
    QCOMPARE(grab.failure, failure);
}

// The game closed: the capture says what lies under the region now, and page 0 stays as it
// was. On weston a native Wayland window there is no X11 window either, and is said so.
void TestWindowGrab::windowThatWentAway()
{
    const QRect band = showQuestion(Place::Beside);
    QVERIFY(!band.isEmpty());
    m_game.write("quit\n");
    QVERIFY(m_game.waitForFinished(kWait));
    const QString failure =
        QString::fromUtf16(rootReadable() ? capture::kNoWindowUnder : capture::kNoX11WindowUnder);
    QTRY_COMPARE_WITH_TIMEOUT(capture::grabWindows(logical(band)).failure, failure, kWait);
    const QString before = ui().Label2->text();
    QVERIFY(!capture(band));
    QCOMPARE(ui().Label2->text(), before);
    if (rootReadable())
        return;
    QProcess native;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"WAYLAND_DISPLAY"_s, QString::fromLocal8Bit(server->waylandSocket()));
    environment.insert(u"XDG_RUNTIME_DIR"_s, QString::fromLocal8Bit(server->runtimeDir()));
    native.setProcessEnvironment(environment);
    native.start(u"weston-simple-shm"_s);
    QVERIFY2(native.waitForStarted(kWait), "weston-simple-shm (package weston)");
    QCOMPARE(capture::grabWindows(screen()->geometry()).failure, failure);
    native.kill();
    native.waitForFinished(kWait);
}

int main(int argc, char **argv)
{
    QString error;
    std::unique_ptr<zctest::TestDisplay> display =
        zctest::TestDisplay::start(zctest::optionsFromEnvironment(), &error);
    if (!display) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    display->useForQt();
    server = display.get();
    zctest::prepareApplication();
    int result = 0;
    {
        QApplication app(argc, argv);
        TestWindowGrab test;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }
    return result;
}

#include "tst_windowgrab.moc"
