#include "lookup/notice.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace lookup {

namespace {
QPointer<QLabel> g_notice;
}

void showNotice(QWidget *anchor, const QString &text)
{
    if (g_notice)
        g_notice->deleteLater();
    auto *label = new QLabel(text, anchor->window(),
                             Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setAttribute(Qt::WA_DeleteOnClose);
    label->setStyleSheet(QStringLiteral(
        "QLabel { background: #ffffe1; color: black; border: 1px solid #767676; padding: 4px; }"));
    label->adjustSize();
    label->move(anchor->mapToGlobal(QPoint(0, anchor->height() + 2)));
    label->show();
    g_notice = label;
    QTimer::singleShot(kNoticeMilliseconds, label, &QLabel::close);
}

QString visibleNotice()
{
    return g_notice && g_notice->isVisible() ? g_notice->text() : QString();
}

} // namespace lookup
