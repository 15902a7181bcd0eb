// Key press to answer, as the player meets it: on a real X server at 1920x1080 (Xvfb with the
// openbox window manager) a stand-in game window shows a one-line question from the shipped
// store, the program's own window and capture objects run in this process, and Ctrl+Alt+Q is
// pressed through the X server (XTest, from a second connection, as a keyboard would). Timed
// from the moment the key goes to the server to the end of the answer window's first paint:
// the grab, recognition, ranking, page 0 filled and the window laid out, mapped and drawn.
//
// Baseline, measured on the same presses: key press to page 0 filled (list, Label2, Label4),
// the path the program had before the answer window. One line per figure: name, value,
// baseline, ratio, target. The recognition engine is whatever the program links.

#include "bench/common/gamedesk.h"
#include "lookup/capture/answerwindow.h"
#include "lookup/capture/regionfile.h"
#include "tests/common/quizdesktop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPresses = 60;
const QRect kGameWindow(100, 120, 900, 220);

// The ratio is how many times the baseline the value is: above 1, the answer window costs
// that much over filling page 0.
void figure(const char *name, double value, double baseline, const char *target)
{
    std::printf("%-48s %8.1f ms  baseline %8.1f ms  ratio %5.2fx  target %s\n", name, value,
                baseline, baseline > 0 ? value / baseline : 0, target);
}

// Presses and releases Ctrl+Alt+Q through the X server, from a connection of its own.
class Keyboard
{
public:
    Keyboard(const QByteArray &display, Display *keymap)
        : m_connection(xcb_connect(display.constData(), nullptr)),
          m_keys{XKeysymToKeycode(keymap, XK_Control_L), XKeysymToKeycode(keymap, XK_Alt_L),
                 XKeysymToKeycode(keymap, XK_q)}
    {}
    ~Keyboard() { xcb_disconnect(m_connection); }
    bool ok() const { return !xcb_connection_has_error(m_connection); }

    void press()
    {
        for (xcb_keycode_t k : m_keys)
            xcb_test_fake_input(m_connection, XCB_KEY_PRESS, k, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                                0);
        for (auto k = std::rbegin(m_keys); k != std::rend(m_keys); ++k)
            xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *k, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                                0);
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t *m_connection;
    xcb_keycode_t m_keys[3];
};

// Runs the event loop until `done` or `ms` have passed; false on the time-out.
template <class Done> bool waitFor(Done done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    bool finished = false;
    while (!(finished = done()) && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return finished;
}

} // namespace

int main(int argc, char **argv)
{
    const auto display = bench::startDesk();
    if (!display)
        return 1;
    QApplication app(argc, argv);

    const auto rows = bench::shippedRows();
    if (!rows)
        return 1;
    const std::vector<store::CvRow> quiz =
        bench::pickQuestions(*rows, {0, 7, std::size_t(kPresses), 36});

    QProcess game;
    zctest::launchQuizWindow(game, kGameWindow, *quiz.front().question);
    QRect line;
    const auto painted = [&] {
        bool any = false;
        while (game.canReadLine()) {
            const QStringList words = QString::fromLatin1(game.readLine()).split(u' ');
            line = QRect(words.value(1).toInt(), words.value(2).toInt(), words.value(3).toInt(),
                         words.value(4).trimmed().toInt());
            any = true;
        }
        return any;
    };
    const auto newPaint = [&] {
        game.waitForReadyRead(5);
        return painted();
    };
    if (!game.waitForStarted() || !waitFor(newPaint, 10000)) {
        std::fprintf(stderr, "the stand-in game window did not show\n");
        return 1;
    }

    QTemporaryDir dir;
    const QString regionFile = dir.filePath(u"capture.ini"_s);
    capture::saveRegion(regionFile, {line, {}});
    bench::ProgramWindow program(regionFile);
    capture::CaptureLookup &capture = program.capture;
    capture.windowShown();

    Display *keymap = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    Keyboard keyboard(qgetenv("DISPLAY"), keymap);
    if (!keyboard.ok()) {
        std::fprintf(stderr, "no second connection to the X server\n");
        return 1;
    }

    QElapsedTimer clock;
    qint64 filledAt = -1, paintedAt = -1;
    QObject::connect(&capture, &capture::CaptureLookup::captureFinished,
                     [&] { filledAt = clock.nsecsElapsed(); });
    QObject::connect(&capture.answerWindow(), &capture::AnswerWindow::painted, [&] {
        if (paintedAt < 0)
            paintedAt = clock.nsecsElapsed();
    });

    std::vector<double> toPainted, toFilled;
    int right = 0, failed = 0;
    // The first press loads the engine and the store's questions: not timed.
    for (int i = -1; i < int(quiz.size()); ++i) {
        const store::CvRow &row = quiz[size_t(std::max(i, 0))];
        game.write("text " + row.question->toUtf8() + '\n');
        waitFor(newPaint, 5000);
        // Let the window manager and the game settle, as between two questions of a quiz.
        waitFor([] { return false; }, 150);

        filledAt = paintedAt = -1;
        clock.start();
        keyboard.press();
        if (!waitFor([&] { return paintedAt >= 0 && filledAt >= 0; }, i < 0 ? 30000 : 5000)) {
            ++failed;
            continue;
        }
        if (i < 0)
            continue;
        toPainted.push_back(double(paintedAt) / 1e6);
        toFilled.push_back(double(filledAt) / 1e6);
        const auto &card = capture.answerWindow().card();
        if (!card.entries.empty() && card.entries.front().answer == *row.answer)
            ++right;
    }

    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("%zu presses at 1920x1080 on Xvfb with openbox, one-line region %dx%d, the shipped "
                "store (%zu rows); %d answered right, %d without an answer window; load average "
                "%.2f on %d cores\n",
                toPainted.size(), line.width(), line.height(), rows->size(), right, failed, load[0],
                int(std::thread::hardware_concurrency()));
    figure("key press to answer window painted, median", bench::percentile(toPainted, 0.5),
           bench::percentile(toFilled, 0.5), "<= 150 ms");
    figure("key press to answer window painted, 95th pct", bench::percentile(toPainted, 0.95),
           bench::percentile(toFilled, 0.95), "<= 300 ms");
    game.write("quit\n");
    game.waitForFinished(3000);
    return 0;
}
