// Watch mode's eyes: while on, a glance at the question region a few times a second (only the
// region, as windowgrab.h reads it, without waiting for the game beneath our own windows), and
// a word to the owner when a new question has settled there and should be read. What the rule
// decides lies in watchrule.h; here are the clock, the glances and the pace: quicker while a
// change settles, so that a fade's end is caught within a few hundredths of a second.
#pragma once

#include "lookup/capture/screenregion.h"
#include "lookup/capture/watchrule.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QTimer>

#include <functional>

namespace capture {

class RegionWatch : public QObject
{
    Q_OBJECT
public:
    // A picture of the region for watching, or none and why.
    using Glancer = std::function<Grab(const QRect &region)>;

    RegionWatch();

    // Starts watching `region` (desktop coordinates, logical pixels) afresh: nothing read yet,
    // so the first settled picture is read.
    void start(const QRect &region);
    void stop();
    bool isOn() const { return m_on; }
    const QRect &region() const { return m_region; }
    // Glances wait while the player chooses a region or a reading runs.
    void pause(bool paused);

    // `picture` of the region has been read, by watch mode or by the player's key; `question`
    // is the store row of the best question found, -1 for none.
    void read(const QImage &picture, qint64 question);

    // The picture source; windowgrab.h's glance by default.
    void setGlancer(Glancer glancer) { m_glance = std::move(glancer); }
    // How many glances have been made since the start; for tests and the benchmark.
    int glances() const { return m_glances; }

signals:
    // A new picture has settled in the region: read `picture` (whose `unread` parts lie under
    // our own windows and hold nothing of the game).
    void settled(const QImage &picture, const QRegion &unread);
    // The region has shown no question for a long time; `failure` is why the last glance gave
    // no picture, if it gave none. Said once, again only after a question has been found.
    void longWithoutQuestion(const QString &failure);

private:
    void glance();

    bool m_on = false;
    bool m_paused = false;
    QRect m_region;
    Glancer m_glance;
    Watcher m_watcher;
    QElapsedTimer m_clock;
    QTimer m_timer;
    QString m_failure; // why the last glance gave no picture; empty when it gave one
    int m_glances = 0;
    bool m_readMeanwhile = false; // read() was called while `settled` was being handled
};

} // namespace capture
