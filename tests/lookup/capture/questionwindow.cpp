// A stand-in for the game: one X11 window (always on the xcb platform, XWayland included)
// showing a rendered quiz question over a busy, game-like scene. It is driven by lines on its
// standard input and answers each on its standard output once the window shows the result:
//   question X Y SIZE TEXT   the question on a dark band from (X, Y) of the window, its
//                            characters SIZE pixels high; answered "painted X Y W H", the band
//   black                    the whole window black, as a compositor that refuses shows it;
//                            answered "painted 0 0 0 0"
//   freeze MS                "frozen", then no drawing (nor answering) for MS milliseconds;
//                            then "thawed"
//   quit
// First it prints "window ID" (decimal) once the window is on the screen.
// Arguments: WIDTH HEIGHT [FONT FILE].

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QSocketNotifier>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// What the server has of the window is what the test reads: a round trip on the window's own
// connection makes sure the drawing has arrived before the answer goes out.
void syncWithServer()
{
    if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        std::free(xcb_get_input_focus_reply(x11->connection(),
                                            xcb_get_input_focus(x11->connection()), nullptr));
}

void answer(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class QuestionWindow : public QRasterWindow
{
public:
    QString family;
    QString question;
    QRect band; // the question's dark band, in the window
    int textSize = 18;
    bool black = false;
    QByteArray pending; // the answer to give after the next paint

    QFont font() const
    {
        QFont f(family);
        f.setPixelSize(textSize);
        return f;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        if (black) {
            p.fillRect(QRect(QPoint(), size()), Qt::black);
            return;
        }
        // A scene of tiles and diagonal stripes, as game backgrounds are busy.
        for (int y = 0; y < height(); y += 32) {
            for (int x = 0; x < width(); x += 32)
                p.fillRect(x, y, 32, 32, QColor(40 + (x * 7 + y * 3) % 50, 70, 60 + (x + y) % 70));
        }
        p.setPen(QPen(QColor(90, 120, 90), 3));
        for (int d = -height(); d < width(); d += 45)
            p.drawLine(d, 0, d + height(), height());
        if (question.isEmpty())
            return;
        p.setFont(font());
        p.fillRect(band, QColor(25, 30, 55));
        p.setPen(QColor(250, 230, 160));
        p.drawText(band, Qt::AlignCenter, question);
    }

    bool event(QEvent *e) override
    {
        const bool handled = QRasterWindow::event(e);
        if (e->type() == QEvent::UpdateRequest || e->type() == QEvent::Expose) {
            if (isExposed() && !pending.isEmpty()) {
                syncWithServer();
                answer(pending);
                pending.clear();
            }
        }
        return handled;
    }
};

} // namespace

int main(int argc, char **argv)
{
    std::vector<char *> arguments(argv, argv + argc);
    char platform[] = "-platform", xcb[] = "xcb";
    arguments.insert(arguments.begin() + 1, {platform, xcb});
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    QGuiApplication app(count, arguments.data());
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: questionwindow WIDTH HEIGHT [FONT FILE]\n", stderr);
        return 2;
    }

    QuestionWindow window;
    if (args.size() > 3 && QFile::exists(args[3]))
        window.family =
            QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(args[3]))
                .value(0);
    window.setTitle(QStringLiteral("Question"));
    window.resize(args[1].toInt(), args[2].toInt());
    window.pending = "window " + QByteArray::number(quint64(window.winId()));
    window.show();

    const auto run = [&](const QString &line) {
        const QStringList words = line.split(u' ');
        const QString command = words.value(0);
        if (command == u"quit")
            return QCoreApplication::quit();
        if (command == u"freeze") {
            answer("frozen");
            QThread::msleep(words.value(1).toULong());
            return answer("thawed");
        }
        if (command == u"question" && words.size() >= 5) {
            window.black = false;
            window.textSize = words[3].toInt();
            window.question = line.section(u' ', 4);
            window.band =
                QRect(QPoint(words[1].toInt(), words[2].toInt()),
                      QSize(QFontMetrics(window.font()).horizontalAdvance(window.question) +
                                2 * window.textSize,
                            2 * window.textSize));
        } else if (command == u"black") {
            window.black = true;
        } else {
            return answer("unknown");
        }
        const QRect b = window.black ? QRect() : window.band;
        window.pending = "painted " + QByteArray::number(b.x()) + ' ' + QByteArray::number(b.y()) +
                         ' ' + QByteArray::number(b.width()) + ' ' + QByteArray::number(b.height());
        window.update();
    };
    QByteArray input;
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &window, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0)
            return QCoreApplication::quit();
        input.append(buffer, got);
        for (qsizetype end; (end = input.indexOf('\n')) >= 0;) {
            run(QString::fromUtf8(input.left(end)).trimmed());
            input.remove(0, end + 1);
        }
    });
    return QGuiApplication::exec();
}
