#include "lookup/capture/watchrule.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace capture {

namespace {

// A restless cell leaves out its neighbours too, this many cells to each side and one above and
// below: a timer's tens digit changes far less often than its ones digit beside it.
constexpr int kRestlessReach = 4;
// Changed cells this many cells apart or closer, side by side, are one change.
constexpr int kClusterGap = 2;

bool sameGrid(const WatchFrame &a, const WatchFrame &b)
{
    return a.grid == b.grid && a.cellSide == b.cellSide;
}

} // namespace

WatchFrame watchFrame(const QImage &picture, const QRegion &unread)
{
    WatchFrame frame;
    if (picture.isNull() || picture.width() < 1 || picture.height() < 1)
        return frame;
    const QImage rgb = picture.format() == QImage::Format_RGB32 ||
                               picture.format() == QImage::Format_ARGB32 ||
                               picture.format() == QImage::Format_ARGB32_Premultiplied
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    frame.pixelRatio = std::max<qreal>(1, picture.devicePixelRatio());
    int side = std::max(1, int(std::lround(kWatchCellSide * frame.pixelRatio)));
    while (qint64((rgb.width() + side - 1) / side) * ((rgb.height() + side - 1) / side) >
           kWatchMostCells)
        ++side;
    frame.cellSide = side;
    frame.grid = QSize((rgb.width() + side - 1) / side, (rgb.height() + side - 1) / side);
    const int columns = frame.grid.width();
    std::vector<quint32> sums(size_t(frame.grid.width() * frame.grid.height()), 0);
    std::vector<quint32> counts(sums.size(), 0);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        const size_t row = size_t(y / side) * size_t(columns);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = line[x];
            // The eye's weights for grey, in integers: 11/32, 16/32 and 5/32.
            sums[row + size_t(x / side)] += (qRed(p) * 11 + qGreen(p) * 16 + qBlue(p) * 5) >> 5;
        }
        for (int c = 0; c < columns; ++c)
            counts[row + size_t(c)] += quint32(std::min(side, rgb.width() - c * side));
    }
    frame.grey.resize(sums.size());
    for (size_t i = 0; i < sums.size(); ++i)
        frame.grey[i] = uint8_t(sums[i] / std::max<quint32>(1, counts[i]));
    frame.unknown.assign(sums.size(), false);
    for (const QRect &r : unread) {
        const QRect inside = r & rgb.rect();
        if (inside.isEmpty())
            continue;
        for (int row = inside.top() / side; row <= inside.bottom() / side; ++row)
            for (int c = inside.left() / side; c <= inside.right() / side; ++c)
                frame.unknown[size_t(row) * size_t(columns) + size_t(c)] = true;
    }
    return frame;
}

int newChangeCells(const WatchFrame &frame)
{
    const qreal logicalSide = frame.cellSide / std::max<qreal>(1, frame.pixelRatio);
    return std::max(4, int(std::lround(kNewChangeArea / (logicalSide * logicalSide))));
}

std::vector<int> changedCells(const WatchFrame &then, const WatchFrame &now,
                              const std::vector<bool> &ignore, int tolerance)
{
    std::vector<int> changed;
    const bool comparable = sameGrid(then, now);
    for (qsizetype i = 0; i < now.cells(); ++i) {
        if (now.unknown[size_t(i)] || (size_t(i) < ignore.size() && ignore[size_t(i)]))
            continue;
        if (comparable &&
            (then.unknown[size_t(i)] ||
             std::abs(int(then.grey[size_t(i)]) - int(now.grey[size_t(i)])) <= tolerance))
            continue;
        changed.push_back(int(i));
    }
    return changed;
}

FrameChange compareFrames(const WatchFrame &then, const WatchFrame &now,
                          const std::vector<bool> &ignore)
{
    if (then.isNull() || !sameGrid(then, now))
        return FrameChange::New;
    const size_t changed = changedCells(then, now, ignore).size();
    if (changed == 0)
        return FrameChange::Same;
    return changed >= size_t(newChangeCells(now)) ? FrameChange::New : FrameChange::Small;
}

void Watcher::forgetCells(qsizetype cells)
{
    m_changedAt.assign(size_t(cells), -1);
    m_restlessSince.assign(size_t(cells), -1);
    m_learnt.assign(size_t(cells), false);
    m_restlessSinceRead.assign(size_t(cells), false);
}

bool Watcher::restlessNow(size_t c) const
{
    return c < m_changedAt.size() && m_changedAt[c] >= 0 &&
           m_now - m_changedAt[c] <= kRestlessQuietMs &&
           m_changedAt[c] - m_restlessSince[c] >= kRestlessSpanMs;
}

bool Watcher::restless(int cell) const
{
    const size_t c = size_t(cell);
    return restlessNow(c) || (c < m_restlessSinceRead.size() && m_restlessSinceRead[c]);
}

std::vector<bool> Watcher::restlessReach() const
{
    const int columns = m_previous.grid.width(), rows = m_previous.grid.height();
    std::vector<bool> out(size_t(columns * rows), false);
    for (int i = 0; i < columns * rows; ++i) {
        if (!restless(i))
            continue;
        const int row = i / columns, column = i % columns;
        for (int r = std::max(0, row - 1); r <= std::min(rows - 1, row + 1); ++r)
            for (int c = std::max(0, column - kRestlessReach);
                 c <= std::min(columns - 1, column + kRestlessReach); ++c)
                out[size_t(r) * size_t(columns) + size_t(c)] = true;
    }
    return out;
}

bool Watcher::movedSince(const std::vector<int> &cells, int columns, int rows) const
{
    qint64 latest = -1;
    for (const int c : cells)
        latest = std::max(latest, m_changedAt[size_t(c)]);
    for (const int cell : cells) {
        const int row = cell / columns, column = cell % columns;
        for (int r = std::max(0, row - 1); r <= std::min(rows - 1, row + 1); ++r)
            for (int c = std::max(0, column - kRestlessReach);
                 c <= std::min(columns - 1, column + kRestlessReach); ++c) {
                const qint64 at = m_changedAt[size_t(r) * size_t(columns) + size_t(c)];
                if (at > latest && m_now - at < kSmallChangeStillMs)
                    return true;
            }
    }
    return false;
}

std::vector<int> Watcher::counted(const WatchFrame &then, const WatchFrame &now,
                                  int tolerance) const
{
    std::vector<int> changed = changedCells(then, now, m_learnt, tolerance);
    if (changed.empty() || !sameGrid(then, now) || !sameGrid(now, m_previous) ||
        m_changedAt.size() != size_t(now.cells()))
        return changed;
    const std::vector<bool> near = restlessReach();
    const int columns = now.grid.width(), rows = now.grid.height();
    // Changed cells close together are one change: a countdown's tens digit goes with the
    // ones digit beside it, however seldom it changes itself.
    std::vector<int> cluster(size_t(now.cells()), -1);
    for (const int c : changed)
        cluster[size_t(c)] = 0;
    std::vector<std::vector<int>> members{{}};
    std::vector<bool> touches{false};
    std::vector<int> pending;
    for (const int start : changed) {
        if (cluster[size_t(start)] != 0)
            continue;
        const int id = int(members.size());
        members.emplace_back();
        touches.push_back(false);
        cluster[size_t(start)] = id;
        pending.assign(1, start);
        while (!pending.empty()) {
            const int cell = pending.back();
            pending.pop_back();
            members[size_t(id)].push_back(cell);
            if (near[size_t(cell)])
                touches[size_t(id)] = true;
            const int row = cell / columns, column = cell % columns;
            for (int r = std::max(0, row - 1); r <= std::min(rows - 1, row + 1); ++r)
                for (int c = std::max(0, column - kClusterGap);
                     c <= std::min(columns - 1, column + kClusterGap); ++c)
                    if (int &other = cluster[size_t(r) * size_t(columns) + size_t(c)]; other == 0) {
                        other = id;
                        pending.push_back(r * columns + c);
                    }
        }
    }
    // A small change that touches a restless spot belongs to it, and so does one beside cells
    // that have changed by themselves after it: a countdown's ticks may have gone unseen
    // (under our window, during a fade, while reading), and a change next to one still moving
    // is no question holding still. A large one (a new question running up to the countdown)
    // counts, all but the restless cells themselves.
    const int large = newChangeCells(now);
    for (size_t id = 1; id < members.size(); ++id)
        if (!touches[id] && int(members[id].size()) < large)
            touches[id] = movedSince(members[id], columns, rows);
    std::erase_if(changed, [&](int c) {
        const size_t id = size_t(cluster[size_t(c)]);
        return near[size_t(c)] || (touches[id] && int(members[id].size()) < large);
    });
    return changed;
}

bool Watcher::differsFromRead(const WatchFrame &now) const
{
    if (m_lastRead.isNull() || !sameGrid(m_lastRead, now) || !sameGrid(now, m_previous) ||
        m_learnt.size() != size_t(now.cells()))
        return true;
    std::vector<bool> ignore = restlessReach();
    for (size_t i = 0; i < ignore.size(); ++i)
        ignore[i] = ignore[i] || m_learnt[i];
    return !changedCells(m_lastRead, now, ignore).empty();
}

FrameChange Watcher::compare(const WatchFrame &then, const WatchFrame &now) const
{
    if (then.isNull() || !sameGrid(then, now))
        return FrameChange::New;
    const size_t changed = counted(then, now).size();
    if (changed == 0)
        return FrameChange::Same;
    return changed >= size_t(newChangeCells(now)) ? FrameChange::New : FrameChange::Small;
}

Watcher::Step Watcher::see(const WatchFrame &frame, qint64 now)
{
    m_now = now;
    if (!sameGrid(frame, m_previous)) {
        // Another region, or the first glance: nothing is known of its cells yet.
        forgetCells(frame.cells());
        m_stillSince = now;
        m_stillFrame = frame;
    } else {
        // Only changes the size of a character or two tell a timer or an animation: a new
        // question replacing the last, a second later, must not teach that its cells are
        // restless. What is learnt counts at once, so that a tick is never taken for movement.
        const std::vector<int> all = changedCells(m_previous, frame);
        if (!all.empty() && int(all.size()) < newChangeCells(frame)) {
            for (const int c : all) {
                qint64 &at = m_changedAt[size_t(c)];
                if (at < 0 || now - at > kRestlessQuietMs)
                    m_restlessSince[size_t(c)] = now;
                at = now;
                if (restlessNow(size_t(c)))
                    m_restlessSinceRead[size_t(c)] = true;
            }
        }
        // Still means unchanged since the picture stood still, not since the last glance: a
        // slow fade moves each cell too little between two glances to be seen.
        if (!sameGrid(frame, m_stillFrame) || !counted(m_stillFrame, frame, kStillChange).empty()) {
            m_stillSince = now;
            m_stillFrame = frame;
        }
    }
    m_previous = frame;

    FrameChange change = compare(m_lastRead, frame);
    // A question that faded out and its near twin in, or came in behind a curtain, ends a
    // character or two from the last one read, beside cells that were still moving a moment
    // ago: that is the fade, no ticking. Once the picture has been a new one, whatever differs
    // from the picture read, but for restless and learnt cells, is new.
    if (change == FrameChange::New)
        m_wentNew = true;
    else if (m_wentNew)
        change = differsFromRead(frame) ? FrameChange::New : FrameChange::Same;
    if (change == FrameChange::Same) {
        m_settlingSince = -1;
        m_wentNew = false;
        return Step::Wait;
    }
    if (m_settlingSince < 0)
        m_settlingSince = now;
    const qint64 still = now - m_stillSince;
    if (still >= (change == FrameChange::New ? kSettleMs : kSmallChangeStillMs))
        return Step::Read;
    // A picture that keeps moving (an animated scene) is glanced at the usual pace after a while.
    return change == FrameChange::New && now - m_settlingSince < kQuickGlancesMs ? Step::Settle
                                                                                 : Step::Wait;
}

void Watcher::unseen(qint64 now)
{
    m_now = now;
    if (m_noQuestionSince < 0)
        m_noQuestionSince = now;
}

void Watcher::read(const WatchFrame &frame, qint64 question, qint64 now)
{
    m_now = now;
    m_settlingSince = -1;
    m_wentNew = false;
    if (question >= 0 && question == m_lastQuestion && sameGrid(m_lastRead, frame) &&
        m_learnt.size() == size_t(frame.cells())) {
        // The same question read again: what changed is no part of it (a large timer, a
        // blinking mark). A change over much of the region is never taken for that.
        const std::vector<int> changed = counted(m_lastRead, frame);
        if (qsizetype(changed.size()) * kLearntShareDivisor <= frame.cells())
            for (const int c : changed)
                m_learnt[size_t(c)] = true;
    }
    m_lastRead = frame;
    m_lastQuestion = question;
    // A countdown that has stopped stays left out until the next reading: what it shows at
    // the end is no more a new question than what it showed while it ran.
    std::fill(m_restlessSinceRead.begin(), m_restlessSinceRead.end(), false);
    if (question >= 0) {
        m_noQuestionSince = -1;
        m_hinted = false;
    } else if (m_noQuestionSince < 0) {
        m_noQuestionSince = now;
    }
}

bool Watcher::hintDue(qint64 now)
{
    if (m_hinted || m_noQuestionSince < 0 || now - m_noQuestionSince < kNoQuestionHintMs)
        return false;
    m_hinted = true;
    return true;
}

} // namespace capture
