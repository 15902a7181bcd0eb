#include "lookup/capture/regionwatch.h"

#include "lookup/capture/capturelog.h"
#include "lookup/capture/windowgrab.h"

namespace capture {

RegionWatch::RegionWatch() : m_glance(&glanceWindows)
{
    m_clock.start();
    m_timer.setSingleShot(true);
    // Coarse timers may fire up to 5 % late, and are merged with the system's other wake-ups.
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RegionWatch::glance);
}

void RegionWatch::start(const QRect &region)
{
    m_on = true;
    m_region = region;
    m_watcher = Watcher();
    m_failure.clear();
    m_glances = 0;
    m_timer.start(0);
}

void RegionWatch::stop()
{
    m_on = false;
    m_timer.stop();
}

void RegionWatch::pause(bool paused)
{
    m_paused = paused;
    if (m_on && !paused && !m_timer.isActive())
        m_timer.start(kGlanceMs);
}

void RegionWatch::read(const QImage &picture, qint64 question)
{
    m_readMeanwhile = true;
    m_watcher.read(watchFrame(picture), question, m_clock.elapsed());
}

void RegionWatch::glance()
{
    if (!m_on || m_paused)
        return;
    ++m_glances;
    const Grab grab = m_glance(m_region);
    const qint64 now = m_clock.elapsed();
    Watcher::Step step = Watcher::Step::Wait;
    WatchFrame frame;
    if (grab.image.isNull()) {
        if (grab.failure != m_failure)
            qCDebug(lcCapture).noquote()
                << "watching" << m_region << "- no picture:" << grab.failure;
        m_failure = grab.failure;
        m_watcher.unseen(now);
    } else {
        m_failure.clear();
        frame = watchFrame(grab.image, grab.unread);
        step = m_watcher.see(frame, now);
    }
    if (m_watcher.hintDue(now))
        emit longWithoutQuestion(m_failure);
    if (step == Watcher::Step::Read) {
        qCDebug(lcCapture).noquote() << "watching" << m_region << "- a new picture has settled";
        m_readMeanwhile = false;
        emit settled(grab.image, grab.unread);
        // Whatever became of the reading, this picture is not asked for again.
        if (!m_readMeanwhile)
            m_watcher.read(frame, -1, m_clock.elapsed());
    }
    // Stopped, or paused by what the reading set off, it is not scheduled again here.
    if (m_on && !m_paused && !m_timer.isActive())
        m_timer.start(step == Watcher::Step::Settle ? kSettlingGlanceMs : kGlanceMs);
}

} // namespace capture
