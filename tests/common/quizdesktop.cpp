#include "tests/common/quizdesktop.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace zctest {

QString xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(u"xdotool"_s, arguments);
    p.waitForFinished(10000);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

QString focusedWindow()
{
    return xdotool({u"getwindowfocus"_s});
}

void focusWindow(const QString &window)
{
    xdotool({u"windowactivate"_s, u"--sync"_s, window});
    QTRY_COMPARE(focusedWindow(), window);
}

void dragAcross(const QRect &area)
{
    const QPoint from = area.topLeft();
    const QPoint to = area.bottomRight() + QPoint(1, 1);
    const auto at = [](const QPoint &p) {
        return QStringList{QString::number(p.x()), QString::number(p.y())};
    };
    xdotool(QStringList{u"mousemove"_s} + at(from) + QStringList{u"mousedown"_s, u"1"_s});
    xdotool(QStringList{u"mousemove"_s} + at((from + to) / 2));
    xdotool(QStringList{u"mousemove"_s} + at(to) + QStringList{u"mouseup"_s, u"1"_s});
}

void launchQuizWindow(QProcess &game, const QRect &where, const QString &question)
{
    game.setProgram(QStringLiteral(ZC_QUIZ_WINDOW));
    game.setArguments({QString::number(where.x()), QString::number(where.y()),
                       QString::number(where.width()), QString::number(where.height()), question});
    game.start();
}

void showQuizWindow(QProcess &game, const QRect &where, const QString &question,
                    QuizWindowShown *shown)
{
    launchQuizWindow(game, where, question);
    QVERIFY2(game.waitForStarted(), "the stand-in game window starts");
    QTRY_VERIFY_WITH_TIMEOUT(game.canReadLine(), 10000);
    const QStringList painted = QString::fromLatin1(game.readLine()).split(u' ');
    QCOMPARE(painted.value(0), u"painted"_s);
    shown->questionLine = QRect(painted[1].toInt(), painted[2].toInt(), painted[3].toInt(),
                                painted[4].trimmed().toInt());
    shown->window = xdotool({u"search"_s, u"--sync"_s, u"--pid"_s,
                             QString::number(game.processId()), u"--name"_s, u"答题"_s})
                        .section(u'\n', 0, 0);
    QVERIFY2(!shown->window.isEmpty(), "the game's window is found on the X server");
}

} // namespace zctest
