// The small window beside the question region that shows the answer where the player looks
// during a timed quiz: above the game, without ever taking the keyboard from it, whatever
// the program's own window shows or whether it is minimised. It goes by itself after a few
// seconds, at the next capture, or when clicked.
#pragma once

#include "lookup/capture/answercard.h"
#include "lookup/capture/screenlayout.h"

#include <QRect>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace capture {

class AnswerWindow : public QWidget
{
    Q_OBJECT
public:
    AnswerWindow();

    // Its width, in logical pixels, whatever it shows: narrow enough to leave the game in
    // view, wide enough for a question's first words.
    static constexpr int kNarrowest = 180;
    static constexpr int kWidest = 520;

    // Shows `card` beside `region` (desktop coordinates, logical pixels), in place of what it
    // showed before.
    void present(const AnswerCard &card, const QRect &region);
    void dismiss();

    // What it shows; meaningful while it is visible.
    const AnswerCard &card() const { return m_card; }
    // Its lines as drawn, top to bottom, elided where they did not fit.
    QStringList shownLines() const;

signals:
    // Each paint, once it has drawn.
    void painted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Line
    {
        QString text;
        QFont font;
        QColor colour;
        bool ruleAbove = false; // a thin line between the two answers of near twins
        bool shrinks = false;   // an answer: smaller type before it is elided
    };
    // The card's lines, elided to fit at most `widest` pixels; the window's size for them.
    QSize layOut(int widest);

    AnswerCard m_card;
    std::vector<Line> m_lines;
    QTimer m_timer;
};

// The screens of the desktop as they are now.
std::vector<ScreenArea> desktopScreens();

} // namespace capture
