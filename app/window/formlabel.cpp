#include "app/window/formlabel.h"

#include <QMouseEvent>
#include <QPainter>

FormLabel::FormLabel(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
}

void FormLabel::setText(const QString &text)
{
    if (text == QLabel::text())
        return;
    QLabel::setText(text);
    if (m_autoSize) {
        const QPoint topLeft = pos();
        setWordWrap(false);
        adjustSize();
        move(topLeft);
    }
    emit captionChanged(text);
}

void FormLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on) {
        setWordWrap(false);
        const QPoint topLeft = pos();
        adjustSize();
        move(topLeft);
    }
}

void FormLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        m_inDoubleClick = true;
}

void FormLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (m_inDoubleClick) {
        m_inDoubleClick = false;
        return;
    }
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void StripLabel::paintEvent(QPaintEvent *)
{
    // Greedy wrapping over single characters: a space advances the pen and breaks the line
    // when it no longer fits; a run of non-space characters (a Chinese character, an arrow
    // run) moves to a fresh line when it does not fit behind what is already there.
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    const int width = contentsRect().width();
    const int lineHeight = fm.height();
    const int spaceWidth = fm.horizontalAdvance(QLatin1Char(' '));
    const QString caption = text();

    int x = 0;
    int y = contentsRect().top();
    qsizetype i = 0;
    while (i < caption.size()) {
        if (caption.at(i) == QLatin1Char(' ')) {
            x += spaceWidth;
            if (x > width) {
                x = 0;
                y += lineHeight;
            }
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < caption.size() && caption.at(end) != QLatin1Char(' '))
            ++end;
        const QString word = caption.mid(i, end - i);
        const int wordWidth = fm.horizontalAdvance(word);
        if (x > 0 && x + wordWidth > width) {
            x = 0;
            y += lineHeight;
        }
        // Centre each word in the strip so that the stacked column reads straight.
        const int left = contentsRect().left() + qMax(0, (width - wordWidth) / 2);
        painter.drawText(QPoint(left, y + fm.ascent()), word);
        x += wordWidth;
        i = end;
    }
}
