#include "lookup/capture/screenlayout.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace capture {

namespace {

// Areas in 64 bits: a region read from a file may be as large as the file says.
std::int64_t area(const QRect &r)
{
    return r.isEmpty() ? 0 : std::int64_t(r.width()) * r.height();
}

std::int64_t distanceSquared(const QRect &a, const QRect &b)
{
    // Between the nearest edges; zero when they touch or overlap.
    const auto gap = [](std::int64_t from1, std::int64_t to1, std::int64_t from2,
                        std::int64_t to2) {
        return std::max<std::int64_t>({0, from2 - to1, from1 - to2});
    };
    const std::int64_t dx = gap(a.left(), a.right(), b.left(), b.right());
    const std::int64_t dy = gap(a.top(), a.bottom(), b.top(), b.bottom());
    return dx * dx + dy * dy;
}

QRect usable(const ScreenArea &screen)
{
    return screen.available.isEmpty() ? screen.geometry : screen.available;
}

// The smallest side a region may keep after clipping and still hold a line of text.
constexpr int kSliver = 8;

} // namespace

int screenHolding(const QRect &region, std::span<const ScreenArea> screens)
{
    int best = -1;
    std::int64_t bestArea = 0;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (int i = 0; i < int(screens.size()); ++i) {
        const QRect &g = screens[size_t(i)].geometry;
        const std::int64_t shared = area(g & region);
        if (shared > bestArea) {
            best = i;
            bestArea = shared;
        } else if (bestArea == 0) {
            const std::int64_t d = distanceSquared(g, region);
            if (d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
    }
    return best;
}

QRect placeBeside(const QRect &region, const QSize &size, std::span<const ScreenArea> screens)
{
    const int holder = screenHolding(region, screens);
    if (holder < 0)
        return QRect(region.bottomLeft() + QPoint(0, kAnswerGap + 1), size);
    const QRect room = usable(screens[size_t(holder)]);
    const int width = std::min(size.width(), room.width());
    const int height = std::min(size.height(), room.height());
    // The part of the region on that screen is what the player sees beside the window.
    QRect seen = region & room;
    if (seen.isEmpty())
        seen = QRect(std::clamp(region.left(), room.left(), room.right()),
                     std::clamp(region.top(), room.top(), room.bottom()), 1, 1);

    const int x = std::clamp(seen.left(), room.left(), room.right() - width + 1);
    const int below = seen.bottom() + 1 + kAnswerGap;
    const int above = seen.top() - kAnswerGap - height;
    int y;
    if (below + height - 1 <= room.bottom())
        y = below;
    else if (above >= room.top())
        y = above;
    else if (room.bottom() - seen.bottom() >= seen.top() - room.top())
        y = room.bottom() - height + 1;
    else
        y = room.top();
    return QRect(x, y, width, height);
}

RegionFit fitRegion(const QRect &region, std::span<const ScreenArea> screens)
{
    RegionFit fit;
    const int holder = screenHolding(region, screens);
    if (holder < 0 || region.isEmpty()) {
        fit.mostlyOff = true;
        return fit;
    }
    fit.region = region & screens[size_t(holder)].geometry;
    std::int64_t onScreens = 0;
    for (const ScreenArea &screen : screens)
        onScreens += area(screen.geometry & region);
    fit.mostlyOff = onScreens * 2 < area(region) || fit.region.width() < kSliver ||
                    fit.region.height() < kSliver;
    return fit;
}

} // namespace capture
