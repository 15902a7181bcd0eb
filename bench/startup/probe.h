// What the two measured programs of the start-up benchmark report to the driver on standard
// output, one "key value" line each:
//   shown <ns>   CLOCK_MONOTONIC when the window was first exposed (the driver took the same
//                clock just before starting the process, so the difference is the start-up)
//   rss <kB>     the process's resident memory at the point the program chooses
#pragma once

#include <QObject>
#include <QWindow>

#include <cstdint>
#include <functional>

namespace startupbench {

std::int64_t monotonicNs();
// VmRSS of this process in kB, from /proc/self/status; -1 when it cannot be read.
long residentKb();
void report(const char *key, long long value);

// Records the monotonic time of the first exposure of the window whose widget has the given
// object name, then runs `then` from the event loop; installed on the application before the
// window exists.
class FirstExpose : public QObject
{
public:
    FirstExpose(QString widgetName, std::function<void()> then);
    bool seen() const { return m_at != 0; }
    std::int64_t at() const { return m_at; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_widgetName;
    std::function<void()> m_then;
    std::int64_t m_at = 0;
};

} // namespace startupbench
