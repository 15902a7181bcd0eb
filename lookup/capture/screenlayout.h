// Where things go on the desktop, as plain rectangles: the answer window beside the question
// region, and a remembered region held against the screens there are now. Desktop coordinates
// in logical pixels, as Qt gives them; a screen scaled by 2 is half its pixel size in them, so
// the screens of a mixed desktop need not line up.
#pragma once

#include <QRect>
#include <QSize>

#include <span>

namespace capture {

struct ScreenArea
{
    QRect geometry;  // the whole screen
    QRect available; // without the desktop's panels; empty: the whole screen
};

// The screen that holds most of `region`; when it lies on none, the nearest one. -1 when
// there is no screen at all.
int screenHolding(const QRect &region, std::span<const ScreenArea> screens);

// The gap between the region and the answer window.
inline constexpr int kAnswerGap = 6;

// Where a window of `size` goes beside `region`: below it, left edges aligned, or above it
// when there is no room below; always wholly on the available part of the screen that holds
// the region (smaller than `size` when that part is smaller). Where neither fits, on the side
// with more room, over the region's edge rather than off the screen.
QRect placeBeside(const QRect &region, const QSize &size, std::span<const ScreenArea> screens);

// A remembered region held against the screens: clipped to the screen that holds most of it.
struct RegionFit
{
    QRect region;           // the part on that screen
    bool mostlyOff = false; // most of it lies off every screen, or what is left is a sliver
};
RegionFit fitRegion(const QRect &region, std::span<const ScreenArea> screens);

} // namespace capture
