// The full-screen overlay on which the player drags a rectangle over the quiz question. It
// shows a still of the screen under the mouse pointer, dimmed outside the rectangle; Escape
// (or a click without a drag) cancels. On a 4K screen the still holds 33 MB: it is painted as it
// is, only where something changed, and dimmed by a fill, never copied per frame.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

namespace capture {

class RegionPicker : public QWidget
{
    Q_OBJECT
public:
    // `still` is the screen's picture at its device pixel ratio; `screenGeometry` its place on
    // the desktop, in logical pixels.
    RegionPicker(const QImage &still, const QRect &screenGeometry);

    // Smaller rectangles are taken for a slip of the mouse.
    static constexpr int kMinimumSide = 8;

signals:
    // The rectangle in desktop coordinates (logical pixels).
    void picked(const QRect &region);
    void cancelled();

protected:
    void paintEvent(QPaintEvent *event) override;
    // Nothing on the overlay shows the focus: taking it repaints nothing (a whole 4K screen
    // otherwise, as dear as the first paint).
    void focusInEvent(QFocusEvent *) override {}
    void focusOutEvent(QFocusEvent *) override {}
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The rectangle between the two corners dragged, in the overlay's coordinates.
    QRect selection() const
    {
        return QRect(QPoint(qMin(m_from.x(), m_to.x()), qMin(m_from.y(), m_to.y())),
                     QSize(qAbs(m_to.x() - m_from.x()), qAbs(m_to.y() - m_from.y())));
    }
    // What the red frame and the undimmed inside of a selection touch.
    static QRect painted(const QRect &selection) { return selection.adjusted(-2, -2, 2, 2); }
    void finish(bool accepted);

    QImage m_still;
    QRect m_screenGeometry;
    QPoint m_from, m_to;
    bool m_dragging = false;
    bool m_finished = false;
};

} // namespace capture
