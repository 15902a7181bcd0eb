#include "lookup/capture/regionpicker.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace capture {

RegionPicker::RegionPicker(const QImage &still, const QRect &screenGeometry)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::BypassWindowManagerHint),
      m_still(still), m_screenGeometry(screenGeometry)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::CrossCursor);
    setGeometry(screenGeometry);
    setFocusPolicy(Qt::StrongFocus);
}

void RegionPicker::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.setClipRect(dirty);
    painter.drawImage(QPoint(0, 0), m_still);
    const QRect chosen = selection();
    // Everything but the rectangle is dimmed, so the player sees what will be read.
    QRegion dim(dirty);
    if (m_dragging)
        dim -= chosen;
    for (const QRect &r : dim)
        painter.fillRect(r, QColor(0, 0, 0, 110));
    if (m_dragging) {
        painter.setPen(QPen(QColor(255, 60, 60), 2));
        painter.drawRect(chosen.adjusted(0, 0, -1, -1));
    }
    const QRect band(0, 0, width(), 40);
    if (!band.intersects(dirty))
        return;
    const QString hint = QStringLiteral("拖动鼠标框选游戏中显示题目的区域，按 Esc 取消");
    QFont font = painter.font();
    font.setPixelSize(18);
    painter.setFont(font);
    painter.fillRect(band, QColor(0, 0, 0, 170));
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter, hint);
}

void RegionPicker::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_from = m_to = event->position().toPoint();
    m_dragging = true;
    update(painted(selection()));
}

void RegionPicker::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const QRect before = selection();
    m_to = event->position().toPoint();
    update(QRegion(painted(before)) + painted(selection()));
}

void RegionPicker::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_to = event->position().toPoint();
    m_dragging = false;
    const QRect chosen = selection();
    finish(chosen.width() >= kMinimumSide && chosen.height() >= kMinimumSide);
}

void RegionPicker::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        finish(false);
}

void RegionPicker::finish(bool accepted)
{
    if (m_finished)
        return;
    m_finished = true;
    const QRect chosen = selection().translated(m_screenGeometry.topLeft());
    close();
    if (accepted)
        emit picked(chosen);
    else
        emit cancelled();
}

} // namespace capture
