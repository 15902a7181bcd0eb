// Driving a real X server as a player does, for the tests that run the capture beside the
// stand-in game window: keys, focus and mouse through xdotool, the game window started and
// found. The helpers that check report through QTest: call them from a test function.
#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

namespace zctest {

// xdotool's answer, trimmed.
QString xdotool(const QStringList &arguments);

// The X window that has the keyboard focus.
QString focusedWindow();

// Gives `window` the focus through the window manager and waits until it has it.
void focusWindow(const QString &window);

// Presses the first mouse button at the top left of `area`, moves over it and lets go just past
// its bottom right, as a player marks it out.
void dragAcross(const QRect &area);

// Starts the stand-in game window at `where` showing `question`; it tells each frame it draws
// on its standard output.
void launchQuizWindow(QProcess &game, const QRect &where, const QString &question);

// The same, waiting for its first frame: where it drew the question's line on the desktop and
// its X window.
struct QuizWindowShown
{
    QRect questionLine;
    QString window;
};
void showQuizWindow(QProcess &game, const QRect &where, const QString &question,
                    QuizWindowShown *shown);

} // namespace zctest
