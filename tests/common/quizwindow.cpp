// A stand-in for the game: a window that shows a quiz question as games draw them (light
// text over a dark, shaded panel, a question number, the options below), for tests and
// benchmarks on a real X server.
//
//     zc_quizwindow X Y WIDTH HEIGHT QUESTION [OPTIONS]
//
// Each time a frame of it is on the screen, it prints "painted X Y W H T V": where the question
// line is on the desktop, when the frame reached the X server (CLOCK_MONOTONIC, nanoseconds)
// and the number of the content shown (one more for each change of question or options). Lines
// on standard input change it:
//     text QUESTION          the question at once
//     fade MS QUESTION       the question fades in over MS milliseconds, as games bring it in
//     slide MS QUESTION      the question slides in from the right over MS milliseconds
//     options OPTIONS
//     timer SECONDS          a countdown at the question line's right end, one tick a second,
//                            stopping at 0; "timer off" takes it away
//     noise LEVEL            grain of up to LEVEL grey levels over the whole window, new twelve
//                            times a second, as a game's animated scene; 0 stops it
//     move X Y
//     quit
#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

const QString kFontFile = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc");
constexpr int kQuestionPixels = 18;
constexpr int kQuestionTop = 46;
constexpr int kQuestionHeight = 34;
constexpr int kMargin = 24;
constexpr int kFrameMs = 16; // fades and slides at about 60 frames a second
constexpr int kNoiseMs = 83; // twelve grains a second

qint64 monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

class QuizWindow : public QWidget
{
public:
    QuizWindow(QString question, QString options)
        : m_question(std::move(question)), m_options(std::move(options))
    {
        setWindowTitle(QStringLiteral("Corvanth 每日答题"));
        const int id = QFontDatabase::addApplicationFont(kFontFile);
        m_font = QFont(QFontDatabase::applicationFontFamilies(id).value(0));
        m_font.setPixelSize(kQuestionPixels);
        m_frames.setInterval(kFrameMs);
        connect(&m_frames, &QTimer::timeout, this, [this] {
            if (m_transition.hasExpired(m_transitionMs))
                m_frames.stop();
            update();
        });
        m_ticks.setInterval(1000);
        connect(&m_ticks, &QTimer::timeout, this, [this] {
            if (m_timer > 0 && --m_timer == 0)
                m_ticks.stop();
            update();
        });
        m_grain.setInterval(kNoiseMs);
        connect(&m_grain, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    }

    enum class Entrance { AtOnce, Fade, Slide };
    void setQuestion(const QString &text, Entrance entrance = Entrance::AtOnce, int ms = 0)
    {
        m_question = text;
        m_entrance = entrance;
        m_transitionMs = entrance == Entrance::AtOnce ? 0 : std::max(1, ms);
        m_transition.start();
        ++m_version;
        if (entrance != Entrance::AtOnce)
            m_frames.start();
        update();
    }
    void setOptions(const QString &text)
    {
        m_options = text;
        ++m_version;
        update();
    }
    void setTimer(int seconds)
    {
        m_timer = seconds;
        if (seconds > 0)
            m_ticks.start();
        else
            m_ticks.stop();
        update();
    }
    void setNoise(int level)
    {
        m_noise = std::clamp(level, 0, 100);
        if (m_noise)
            m_grain.start();
        else
            m_grain.stop();
        update();
    }

    // The question line, in the window's coordinates.
    QRect questionLine() const
    {
        return QRect(kMargin, kQuestionTop, width() - 2 * kMargin, kQuestionHeight);
    }

protected:
    // Drawn again where it lands, so that it says where its question is now.
    void moveEvent(QMoveEvent *) override { update(); }

    void paintEvent(QPaintEvent *) override
    {
        QImage scene(size(), QImage::Format_RGB32);
        QPainter p(&scene);
        QLinearGradient sky(0, 0, 0, height());
        sky.setColorAt(0, QColor(24, 38, 66));
        sky.setColorAt(1, QColor(52, 40, 60));
        p.fillRect(rect(), sky);
        // A title band, as the game's quiz panel has.
        p.fillRect(QRect(0, 0, width(), 32), QColor(90, 60, 30));
        p.setPen(QColor(240, 220, 170));
        QFont title = m_font;
        title.setPixelSize(14);
        p.setFont(title);
        p.drawText(
            QRect(kMargin, 0, width(), 32), Qt::AlignVCenter,
            QStringLiteral("每日答题  剩余时间 00:%1").arg(m_timer, 2, 10, QLatin1Char('0')));
        p.fillRect(questionLine(), QColor(30, 40, 70));
        const qreal progress =
            m_transitionMs ? std::min<qreal>(1, qreal(m_transition.elapsed()) / m_transitionMs) : 1;
        QColor ink(250, 230, 160);
        QRect text = questionLine().adjusted(8, 0, -8, 0);
        if (m_entrance == Entrance::Fade)
            ink.setAlphaF(float(progress));
        if (m_entrance == Entrance::Slide)
            text.translate(int((1 - progress) * text.width()), 0);
        p.setClipRect(questionLine());
        p.setFont(m_font);
        p.setPen(ink);
        p.drawText(text, Qt::AlignVCenter, m_question);
        if (m_ticks.isActive() || m_timer > 0) {
            QFont digits = m_font;
            digits.setPixelSize(16);
            p.setFont(digits);
            p.setPen(QColor(255, 120, 90));
            p.drawText(questionLine().adjusted(0, 0, -10, 0), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1秒").arg(m_timer));
        }
        p.setClipping(false);
        p.setPen(QColor(220, 225, 235));
        p.setFont(m_font);
        p.drawText(QRect(kMargin, kQuestionTop + kQuestionHeight + 12, width() - 2 * kMargin, 60),
                   Qt::AlignLeft | Qt::TextWordWrap, m_options);
        p.end();
        if (m_noise)
            addGrain(scene);
        QPainter(this).drawImage(0, 0, scene);
        // Told once the frame is on the X server: the painting is flushed when this returns.
        if (!m_telling) {
            m_telling = true;
            QTimer::singleShot(0, this, &QuizWindow::tell);
        }
    }

private:
    void addGrain(QImage &scene) const
    {
        QRandomGenerator &random = *QRandomGenerator::global();
        const int span = 2 * m_noise + 1;
        for (int y = 0; y < scene.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(scene.scanLine(y));
            for (int x = 0; x < scene.width(); ++x) {
                const int d = int(random.bounded(span)) - m_noise;
                const QRgb c = line[x];
                line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                               std::clamp(qBlue(c) + d, 0, 255));
            }
        }
    }

    void tell()
    {
        m_telling = false;
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            std::free(xcb_get_input_focus_reply(x11->connection(),
                                                xcb_get_input_focus(x11->connection()), nullptr));
        const QRect line(mapToGlobal(questionLine().topLeft()), questionLine().size());
        std::printf("painted %d %d %d %d %lld %d\n", line.x(), line.y(), line.width(),
                    line.height(), static_cast<long long>(monotonicNanoseconds()), m_version);
        std::fflush(stdout);
    }

    QString m_question, m_options;
    QFont m_font;
    Entrance m_entrance = Entrance::AtOnce;
    int m_transitionMs = 0;
    QElapsedTimer m_transition;
    QTimer m_frames, m_ticks, m_grain;
    int m_timer = 0;
    int m_noise = 0;
    int m_version = 0;
    bool m_telling = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 6) {
        std::fprintf(stderr, "usage: zc_quizwindow X Y WIDTH HEIGHT QUESTION [OPTIONS]\n");
        return 2;
    }
    QuizWindow window(args[5], args.value(6));
    window.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    window.show();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0)
            return QApplication::quit();
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.first(end));
            pending.remove(0, end + 1);
            const QString word = line.section(u' ', 0, 0), rest = line.section(u' ', 1);
            const QString first = rest.section(u' ', 0, 0), after = rest.section(u' ', 1);
            if (word == u"text")
                window.setQuestion(rest);
            else if (word == u"fade")
                window.setQuestion(after, QuizWindow::Entrance::Fade, first.toInt());
            else if (word == u"slide")
                window.setQuestion(after, QuizWindow::Entrance::Slide, first.toInt());
            else if (word == u"options")
                window.setOptions(rest);
            else if (word == u"timer")
                window.setTimer(first.toInt());
            else if (word == u"noise")
                window.setNoise(first.toInt());
            else if (word == u"move")
                window.move(first.toInt(), rest.section(u' ', 1, 1).toInt());
            else if (word == u"quit")
                QApplication::quit();
        }
    });
    return QApplication::exec();
}
