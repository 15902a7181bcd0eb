// Screen reading on a real Xvfb (with openbox) at 1920×1080 and 3840×2160: a game-like window
// fills most of the screen and the program's window lies over part of it.
//
// - Shift+F2 to the dimmed region overlay on the screen: the program's path (the windows read
//   once, the still painted as it is) against today's path before this change, reproduced here
//   (Qt's grab of the root window, the overlay painting its pixmap scaled and the whole screen
//   dimmed); the target is 300 ms at 3840×2160.
// - The still alone, against Qt's grab of the whole root window.
// - A one-line question region read beside the program's window, and under it (the game made
//   to draw the hidden part again), against Qt's grab of that part of the root window.
//
// Run without arguments: it runs itself once per screen size, each on its own Xvfb, and
// starts the game-like window as a second copy of itself. One line per figure: name, value,
// baseline, ratio, target.
#include "app/window/form1.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/windowgrab.h"
#include "lookup/lookuppage.h"
#include "tests/common/xservers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QRasterWindow>
#include <QScreen>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRuns = 7;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void print(const QString &name, double value, double baseline, const char *target)
{
    std::printf("%-58s %8.1f ms  baseline %8.1f ms  ratio %5.2fx  target %s\n", qPrintable(name),
                value, baseline, baseline > 0 ? value / baseline : 0.0, target);
    std::fflush(stdout);
}

xcb_connection_t *qtConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Everything Qt has sent has reached the server, and so the screen of an Xvfb.
void syncServer()
{
    std::free(
        xcb_get_input_focus_reply(qtConnection(), xcb_get_input_focus(qtConnection()), nullptr));
}

// The game-like window: tiles and stripes over the whole window, drawn at every exposure.
int runGame(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QRasterWindow window;
    struct Scene : QObject
    {
        QRasterWindow *w;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint) {
                QPainter p(w);
                for (int y = 0; y < w->height(); y += 32)
                    for (int x = 0; x < w->width(); x += 32)
                        p.fillRect(x, y, 32, 32, QColor(40 + (x * 7 + y * 3) % 50, 70, 90));
                p.setPen(QPen(QColor(90, 120, 90), 3));
                for (int d = -w->height(); d < w->width(); d += 45)
                    p.drawLine(d, 0, d + w->height(), w->height());
            }
            return false;
        }
    } scene;
    scene.w = &window;
    window.installEventFilter(&scene);
    window.resize(QCoreApplication::arguments().value(2).toInt(),
                  QCoreApplication::arguments().value(3).toInt());
    window.show();
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char c;
        if (read(STDIN_FILENO, &c, 1) <= 0)
            QCoreApplication::quit();
    });
    QTimer::singleShot(0, &window, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    return QGuiApplication::exec();
}

// The overlay as it was: the root's pixmap scaled into the widget and the whole screen dimmed at
// every paint, shown and given the focus as Shift+F2 did.
class FormerPicker : public QWidget
{
public:
    FormerPicker(const QPixmap &still, const QRect &geometry)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::BypassWindowManagerHint),
          m_still(still)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setCursor(Qt::CrossCursor);
        setGeometry(geometry);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(rect(), m_still);
        painter.setClipRegion(QRegion(rect()));
        painter.fillRect(rect(), QColor(0, 0, 0, 110));
        painter.setClipping(false);
        const QRect band(0, 0, width(), 40);
        painter.fillRect(band, QColor(0, 0, 0, 170));
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, u"拖动鼠标框选游戏中显示题目的区域，按 Esc 取消"_s);
    }

private:
    QPixmap m_still;
};

// Time until `widget`'s first paint is on the screen.
double untilShown(const std::function<QWidget *()> &open)
{
    QElapsedTimer timer;
    timer.start();
    QPointer<QWidget> widget = open();
    bool painted = false;
    struct Watch : QObject
    {
        bool *painted;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                *painted = true;
            return false;
        }
    } watch;
    watch.painted = &painted;
    if (widget)
        widget->installEventFilter(&watch);
    if (!widget) {
        std::fprintf(stderr, "no overlay came up\n");
        return 0;
    }
    while (widget && !painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents(); // the paint's flush to the server
    syncServer();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (widget) {
        widget->removeEventFilter(&watch);
        QTest::keyClick(widget, Qt::Key_Escape); // as the player leaves the overlay
        if (widget)
            widget->close();
        QTest::qWait(1200); // the screen settles and counts as the game's again
    }
    return ms;
}

template <class F> double timed(F &&f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return double(timer.nsecsElapsed()) / 1e6;
}

QWidget *findPicker()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *picker = qobject_cast<capture::RegionPicker *>(w); picker && picker->isVisible())
            return picker;
    }
    return nullptr;
}

int runAt(int argc, char **argv, QSize size)
{
    QString error;
    zctest::TestDisplay::Options options;
    options.size = size;
    const auto display = zctest::TestDisplay::start(options, &error);
    if (!display) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    display->useForQt();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The window's browsers are never used here; keep their start-up report off the figures.
    qputenv("QT_LOGGING_RULES", "qt.webenginecontext.debug=false");
    QApplication app(argc, argv);
    QProcess game;
    game.start(
        QCoreApplication::applicationFilePath(),
        {u"--game"_s, QString::number(size.width() - 200), QString::number(size.height() - 200)});
    if (!game.waitForReadyRead(60000)) {
        std::fprintf(stderr, "the game-like window did not start\n");
        return 1;
    }

    Form1 form;
    LookupPage lookup(form.controls());
    capture::CaptureLookup capture(form.controls(), lookup);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form, 60000))
        return 1;
    form.move(300, 300);
    QTest::qWait(1500);
    QScreen *screen = QGuiApplication::primaryScreen();
    const QString at = u"%1x%2"_s.arg(size.width()).arg(size.height());

    std::vector<double> overlay, former, still, rootGrab, beside, under, regionGrab;
    const QRect besideRegion(form.frameGeometry().right() + 40, 320, 400, 40);
    const QRect underRegion(form.geometry().left() + 20, form.geometry().top() + 80, 400, 40);
    for (int run = 0; run < kRuns; ++run) {
        overlay.push_back(untilShown([&] {
            capture.chooseRegion();
            return findPicker();
        }));
        former.push_back(untilShown([&] {
            auto *picker = new FormerPicker(screen->grabWindow(0), screen->geometry());
            picker->show(); // as Shift+F2 showed it
            picker->activateWindow();
            picker->setFocus(Qt::OtherFocusReason);
            return picker;
        }));
        still.push_back(timed([&] { capture::grabScreenStill(screen); }));
        rootGrab.push_back(timed([&] { screen->grabWindow(0).toImage(); }));
        beside.push_back(timed([&] { capture::grabWindows(besideRegion); }));
        under.push_back(timed([&] { capture::grabWindows(underRegion); }));
        regionGrab.push_back(timed([&] {
            screen
                ->grabWindow(0, besideRegion.x(), besideRegion.y(), besideRegion.width(),
                             besideRegion.height())
                .toImage();
        }));
    }
    const QByteArray overlayTarget = size.width() >= 3840 ? "<= 300 ms" : "-";
    print(at + u": Shift+F2 to dimmed overlay (before: root grab, full dim)"_s, median(overlay),
          median(former), overlayTarget.constData());
    print(at + u": overlay still, windows read (root grab alone)"_s, median(still),
          median(rootGrab), "-");
    print(at + u": question region beside our window (root grab)"_s, median(beside),
          median(regionGrab), "-");
    print(at + u": question region under our window, redrawn (root grab)"_s, median(under),
          median(regionGrab), "-");
    game.closeWriteChannel();
    game.waitForFinished(10000);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--game")
        return runGame(argc, argv);
    if (mode == "--at" && argc > 3)
        return runAt(argc, argv, QSize(atoi(argv[2]), atoi(argv[3])));
    std::printf("medians of %d runs each, on a real Xvfb with openbox; the machine's load shows\n",
                kRuns);
    std::fflush(stdout);
    int failures = 0;
    for (const char *size : {"1920 1080", "3840 2160"}) {
        const std::string command =
            std::string("\"") + argv[0] + "\" --at " + size; // one Xvfb, one application each
        failures += std::system(command.c_str()) != 0;
    }
    return failures;
}
