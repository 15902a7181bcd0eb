// What watch mode decides, as plain values: whether the question region shows a new question
// since the last picture read, and when a changing picture has settled enough to be read.
//
// A picture is boiled down to a grid of small cells, each holding its mean grey: a glance a few
// times a second costs a few microseconds to compare. Noise moves a cell's mean by a grey level
// or two; a question's strokes appearing, leaving or fading move many cells by tens. A ticking
// timer or a sparkle in the region changes a few cells again and again: those cells are learnt
// as restless and left out until the next reading, together with any small change touching
// them (a countdown's tens digit, which changes once in ten seconds), so they never cause one. A
// change the size of a character or two (the question number, near-twin questions told apart by one
// word) counts only once it has held still for a while, which a ticking timer never does.
//
// Cells under one of our own windows (the answer window placed over the region's edge) are
// unknown and compared with nothing: our windows never count as a change.
#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>

#include <cstdint>
#include <vector>

namespace capture {

// A picture of the region as the rule sees it.
struct WatchFrame
{
    QSize grid;                // columns × rows of cells; empty for no picture
    int cellSide = 0;          // in the picture's device pixels
    qreal pixelRatio = 1;      // the picture's device pixels per logical pixel
    std::vector<uint8_t> grey; // the mean grey of each cell, row by row
    std::vector<bool> unknown; // cells that could not be read (one of our windows over them)

    bool isNull() const { return grid.isEmpty(); }
    qsizetype cells() const { return qsizetype(grey.size()); }
};

// The side of a cell at device pixel ratio 1: about a quarter of a character's height, so that
// a character spans a few cells and noise averages out over sixteen pixels.
inline constexpr int kWatchCellSide = 4;
// At most this many cells however large the region: cells grow for a region as large as a screen.
inline constexpr int kWatchMostCells = 16384;

// `picture` in cells; `unread`: where, in the picture's device pixels, nothing could be read.
WatchFrame watchFrame(const QImage &picture, const QRegion &unread = {});

// A cell counts as changed when its mean grey moved by more than this: several times what
// noise moves it, a fraction of what a stroke appearing in it does.
inline constexpr int kCellChange = 10;
// A picture holds still while no cell has moved by more than this since it stood still: half
// the above, so that the last, slowest steps of a fade are not taken for stillness, and still
// well above what grain of up to about eight grey levels a pixel moves a cell's mean.
inline constexpr int kStillChange = 5;
// A change over at least this area (logical pixels; two 20-pixel characters) is a new picture
// at once; a smaller one must hold still for kSmallChangeStillMs first.
inline constexpr int kNewChangeArea = 800;
// That area in cells of `frame`.
int newChangeCells(const WatchFrame &frame);

enum class FrameChange {
    Same,  // nothing beyond noise, or only cells left out
    Small, // a character or two: a question number, one word, a timer
    New,   // another question, another screen
};

// The cells of `now` whose grey differs from `then` (other grids: every cell), leaving out
// `ignore`d cells and those unknown in either frame; a cell has changed when its grey moved by
// more than `tolerance`.
std::vector<int> changedCells(const WatchFrame &then, const WatchFrame &now,
                              const std::vector<bool> &ignore = {}, int tolerance = kCellChange);

// The change rule: how `now` differs from `then`, leaving out `ignore`d cells (restless ones)
// and those unknown in either frame. A null `then` (nothing read yet) or frames of different
// grids (the region changed) are New.
FrameChange compareFrames(const WatchFrame &then, const WatchFrame &now,
                          const std::vector<bool> &ignore = {});

// The pace of glances at the region: the usual one, and the one while a change settles, so
// that a fade's end is caught within a few hundredths of a second.
inline constexpr int kGlanceMs = 100;
inline constexpr int kSettlingGlanceMs = 25;
// How long a picture that changed must hold still before it is read: a fade or slide has ended
// by then, while the answer is not kept waiting.
inline constexpr int kSettleMs = 50;
// How long a small change must hold still: longer than a timer's tick.
inline constexpr int kSmallChangeStillMs = 1500;
// A cell that changed by itself at moments this far apart, with no longer pause than
// kRestlessQuietMs between, is restless (a timer, an animation).
inline constexpr int kRestlessSpanMs = 700;
inline constexpr int kRestlessQuietMs = 2500;
// How long a picture that keeps changing is glanced at quickly before the usual pace resumes.
inline constexpr int kQuickGlancesMs = 1500;
// A change that brought a reading of the same question again is learnt as no part of the
// question when it covers at most this share of the region (one part in so many).
inline constexpr int kLearntShareDivisor = 6;
// How long the region may show no question before the one quiet hint.
inline constexpr int kNoQuestionHintMs = 60000;

// The watcher's memory between glances: the picture last read, the picture last seen, which
// cells are restless, and how long the region has shown no question. Times are milliseconds on
// any steady clock.
class Watcher
{
public:
    enum class Step {
        Wait,   // nothing new, or not settled yet
        Settle, // something new is settling: glance again soon
        Read,   // read the picture just seen
    };

    // A glance at the region.
    Step see(const WatchFrame &frame, qint64 now);
    // A glance that gave no picture (the game window gone, the region off the screen).
    void unseen(qint64 now);
    // `frame` has been read (by watch mode or by the player's key); `question` is the store
    // row of the best question found, -1 for none.
    void read(const WatchFrame &frame, qint64 question, qint64 now);
    // True once when the region has shown no question for kNoQuestionHintMs; again only after
    // a question has been found in between.
    bool hintDue(qint64 now);

    bool restless(int cell) const;
    const WatchFrame &lastRead() const { return m_lastRead; }

private:
    bool restlessNow(size_t cell) const;
    // Restless cells and their neighbours, which a countdown's other digits may occupy.
    std::vector<bool> restlessReach() const;
    // Whether a cell beside `cells` has changed by itself, a moment ago, after any of them.
    bool movedSince(const std::vector<int> &cells, int columns, int rows) const;
    // The cells of `now` that differ from `then` and count: neither learnt, nor unknown, nor
    // part of a small change touching a restless spot.
    std::vector<int> counted(const WatchFrame &then, const WatchFrame &now,
                             int tolerance = kCellChange) const;
    FrameChange compare(const WatchFrame &then, const WatchFrame &now) const;
    // Whether `now` differs from the picture last read in any cell neither learnt nor restless.
    bool differsFromRead(const WatchFrame &now) const;
    void forgetCells(qsizetype cells);

    WatchFrame m_lastRead;
    qint64 m_lastQuestion = -1;
    WatchFrame m_previous;
    WatchFrame m_stillFrame; // the picture as it was when it last stood still
    qint64 m_stillSince = 0;
    qint64 m_settlingSince = -1; // when the picture last began to differ from the one read
    bool m_wentNew = false;      // and whether it has differed as a new question since
    // Per cell: when it last changed by itself, and when its current run of changes began.
    std::vector<qint64> m_changedAt, m_restlessSince;
    // Cells whose change alone brought a reading of the same question again.
    std::vector<bool> m_learnt;
    // Cells that have been restless since the last reading.
    std::vector<bool> m_restlessSinceRead;
    qint64 m_noQuestionSince = -1;
    bool m_hinted = false;
    qint64 m_now = 0;
};

} // namespace capture
