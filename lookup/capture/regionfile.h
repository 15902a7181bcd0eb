// The file that remembers where the game shows its question: capture.ini in the player's
// configuration folder. It is read at every capture, and it is the player's to edit or
// damage: whatever stands there (text of any kind, binary junk, numbers beyond any screen,
// a file of megabytes, a folder, a pipe) is read within bounded time and memory, and what
// does not hold a usable region is set aside, so that the region is chosen again.
//
//     [question]
//     region=@Rect(x y width height)     desktop coordinates, logical pixels
//     thumbnail=0a0b...                  regionthumbnail.h's cells in hexadecimal
//     watch=true                         watch mode on (off when missing or anything else)
//
// The region line is the form QSettings writes, which earlier versions used.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>

#include <optional>

namespace capture {

struct RegionRecord
{
    QRect region;
    QByteArray thumbnail; // from the first capture of the region; empty when unknown
    bool watch = false;   // watch mode: the region read by itself whenever a new question shows
};

// What reading the file gave: a record, or none with the reason it was set aside (empty when
// there is simply no file yet).
struct RegionLoad
{
    std::optional<RegionRecord> record;
    QString problem;
};

// Bounds of what a file may hold: larger files are no region file of ours, and no screen
// (X11 included) has a side over 32767 pixels or lies further out than this.
inline constexpr qint64 kRegionFileLimit = 64 * 1024;
inline constexpr int kRegionSideLimit = 32767;
inline constexpr int kRegionCoordinateLimit = 1 << 20;
// A smaller rectangle cannot hold a line of text: the overlay takes it for a slip.
inline constexpr int kRegionSmallestSide = 8;

// $XDG_CONFIG_HOME/zembrik-corvanth/capture.ini (by default ~/.config/zembrik-corvanth/).
QString regionFile();

RegionLoad loadRegion(const QString &file);
// Replaces the file as a whole; false when it could not be written.
bool saveRegion(const QString &file, const RegionRecord &record);

} // namespace capture
