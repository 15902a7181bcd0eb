// A stand-in for the game: a window that shows a quiz question as games draw them (light
// text over a dark, shaded panel, a question number, the options below), for tests and
// benchmarks on a real X server.
//
//     zc_quizwindow X Y WIDTH HEIGHT QUESTION [OPTIONS]
//
// Each time it has painted, it prints "painted X Y W H": where the question line is on the
// desktop. Lines on standard input change it: "text QUESTION", "options OPTIONS",
// "move X Y", "quit".
#include <QApplication>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QSocketNotifier>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kFontFile = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc");
constexpr int kQuestionPixels = 18;
constexpr int kQuestionTop = 46;
constexpr int kQuestionHeight = 34;
constexpr int kMargin = 24;

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
    }

    void setQuestion(const QString &text)
    {
        m_question = text;
        update();
    }
    void setOptions(const QString &text)
    {
        m_options = text;
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
        QPainter p(this);
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
        p.drawText(QRect(kMargin, 0, width(), 32), Qt::AlignVCenter,
                   QStringLiteral("每日答题  剩余时间 00:15"));
        p.fillRect(questionLine(), QColor(30, 40, 70));
        p.setFont(m_font);
        p.setPen(QColor(250, 230, 160));
        p.drawText(questionLine().adjusted(8, 0, -8, 0), Qt::AlignVCenter, m_question);
        p.setPen(QColor(220, 225, 235));
        p.drawText(QRect(kMargin, kQuestionTop + kQuestionHeight + 12, width() - 2 * kMargin, 60),
                   Qt::AlignLeft | Qt::TextWordWrap, m_options);
        p.end();
        const QRect line(mapToGlobal(questionLine().topLeft()), questionLine().size());
        std::printf("painted %d %d %d %d\n", line.x(), line.y(), line.width(), line.height());
        std::fflush(stdout);
    }

private:
    QString m_question, m_options;
    QFont m_font;
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
            if (word == u"text")
                window.setQuestion(rest);
            else if (word == u"options")
                window.setOptions(rest);
            else if (word == u"move")
                window.move(rest.section(u' ', 0, 0).toInt(), rest.section(u' ', 1, 1).toInt());
            else if (word == u"quit")
                QApplication::quit();
        }
    });
    return QApplication::exec();
}
