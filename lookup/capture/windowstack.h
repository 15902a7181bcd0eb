// The pure part of reading the screen window by window: which windows show in the question
// region and which parts of them to read, how an X image's pixels become a QImage, and how a
// region in logical pixels lands on the X server's device pixels. No X connection here; the
// reader in windowgrab.h asks the server and follows these answers.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <vector>

namespace capture {

// One window lying directly on the root window (a window manager's frame, an override-redirect
// menu of any program), as the server stacks them.
struct StackedWindow
{
    quint32 id = 0;
    QRect rect;         // on the root, device pixels, border included
    bool ours = false;  // one of this program's windows, its frame included
    bool opaque = true; // false for a window with an alpha channel (32-bit): what lies beneath
                        // shows through it
};

// What to read of one window of another program.
struct ReadPart
{
    size_t window = 0; // index into the stack
    // What the player would see of it inside the region if none of our windows were there;
    // where it has an alpha channel, the windows beneath show there too and are read first.
    QRegion visible;
    // The part of `visible` under one of our windows stacked above it: its pixels on the screen
    // are ours, so they are read from the window's own contents or not at all.
    QRegion covered;
    // The part of `visible` that one of our windows has just left: the screen may still hold our
    // pixels there until the window draws itself again.
    QRegion vacated;
};

struct ReadPlan
{
    std::vector<ReadPart> parts; // bottom to top, only windows of other programs with something
                                 // visible in the region
    QRegion ours;                // region parts where the screen shows, or just showed, our pixels
    QRegion bare;                // region parts under no window of another program
};

// `stack` is bottom to top; `vacated` is where our windows were a moment ago (device pixels).
ReadPlan planRead(const QRect &region, const std::vector<StackedWindow> &stack,
                  const QRegion &vacated);

// How an X server lays out a ZPixmap image of one visual.
struct PixelLayout
{
    int depth = 24;
    int bitsPerPixel = 32;
    int scanlinePad = 32;
    bool msbFirst = false; // the server's image byte order
    quint32 redMask = 0xff0000;
    quint32 greenMask = 0x00ff00;
    quint32 blueMask = 0x0000ff;
};

// The picture in `data` (`size` bytes, `width`×`height` pixels): RGB32, or premultiplied ARGB32
// for a 32-bit visual, whose alpha lies in the bits no colour mask uses (X's ARGB visuals are
// premultiplied, as the Render extension draws them). Null when `data` is too short for the
// size or the layout is one this reader does not know (fewer than 8 or more than 32 bits per
// pixel, or a colour without a mask).
QImage imageFromPixels(const PixelLayout &layout, const uchar *data, qsizetype size, int width,
                       int height);

// `logical` (desktop coordinates, logical pixels) on the screen whose logical geometry starts at
// `screenTopLeft` and whose device pixel ratio is `dpr`, in the X server's device pixels. Qt keeps
// a screen's top-left corner the same in both; a partly covered device pixel is taken whole.
QRect toDevicePixels(const QRect &logical, const QPoint &screenTopLeft, qreal dpr);

// True when every pixel of `image` is black (alpha aside): what a compositor hands back when it
// does not let a program read a window.
bool allBlack(const QImage &image);

} // namespace capture
