#include "bench/startup/probe.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace startupbench {

std::int64_t monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines)
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void report(const char *key, long long value)
{
    std::printf("%s %lld\n", key, value);
    std::fflush(stdout);
}

FirstExpose::FirstExpose(QString widgetName, std::function<void()> then)
    : m_widgetName(std::move(widgetName)), m_then(std::move(then))
{}

bool FirstExpose::eventFilter(QObject *watched, QEvent *event)
{
    if (m_at == 0 && event->type() == QEvent::Expose) {
        auto *window = qobject_cast<QWindow *>(watched);
        if (window && window->isExposed()) {
            const QWidgetList windows = QApplication::topLevelWidgets();
            for (const QWidget *widget : windows)
                if (widget->windowHandle() == window && widget->objectName() == m_widgetName) {
                    m_at = monotonicNs();
                    QMetaObject::invokeMethod(this, m_then, Qt::QueuedConnection);
                }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace startupbench
