// Where the game shows its question, as the player chose it, and the picture of that place.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

namespace capture {

// The file that remembers the region: capture.ini in the player's configuration folder
// ($XDG_CONFIG_HOME/zembrik-corvanth, by default ~/.config/zembrik-corvanth).
QString regionFile();

// The remembered region; nullopt when none was chosen or the file does not hold a usable one.
std::optional<QRect> loadRegion(const QString &file);
// False when the file could not be written.
bool saveRegion(const QString &file, const QRect &region);

// A picture of `region` (desktop coordinates, logical pixels), or why there is none.
struct Grab
{
    QImage image;
    QString failure;
};
Grab grabScreenRegion(const QRect &region);

} // namespace capture
