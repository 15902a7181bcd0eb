// Reading the screen window by window. The question region is read from the windows of other
// programs that lie under it, each by its own id and put together in stacking order, never from
// the root window: so no capture ever holds one of this program's windows (the main window,
// menus, notices, the answer window, the region overlay), and it works on XWayland, whose
// root window cannot be read at all.
//
// Where one of our windows lies over the game, the game's pixels beneath it are read from the
// game window's own contents: a compositor (XWayland's, or a compositing window manager) keeps
// them for every window, and on a plain X server the window is redirected for the moment of the
// read (XComposite), which makes it draw the hidden part off the screen. If it does not draw it,
// the capture says that our window covers the question rather than read our own pixels.
#pragma once

#include "lookup/capture/screenregion.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>

class QScreen;

namespace capture {

// Why nothing could be read: full sentences for the player, shown beside the region.
inline constexpr char16_t kRegionOffScreen[] =
    u"题目区域不在屏幕上，读不到题目：请按 Shift+F2 重新框选。";
inline constexpr char16_t kNoWindowUnder[] =
    u"题目区域下没有游戏窗口，只有桌面，读不到题目：请把游戏窗口移回原处，或按 Shift+F2 重新框选。";
inline constexpr char16_t kNoX11WindowUnder[] =
    u"此桌面不允许读取题目区域：Wayland 桌面只交出经 XWayland 运行的窗口的画面，而题目区域下没有"
    u"这样的窗口（游戏可能以 Wayland 原生方式运行）。请让游戏经 XWayland 运行，或在 X11 "
    u"会话中使用识别功能；游戏窗口若已移动，请按 Shift+F2 重新框选。";
inline constexpr char16_t kCoveredByUs[] =
    u"本程序的窗口挡住了题目区域，而此桌面读不到被挡住的游戏画面：请把本程序的窗口从题目区域"
    u"移开（或取消“是否始终前置”），再识别一次。";
inline constexpr char16_t kWindowRefused[] =
    u"题目区域下的窗口没有交出画面（可能刚刚关闭），读不到题目：请确认游戏窗口仍在原处，"
    u"再识别一次，或按 Shift+F2 重新框选。";
inline constexpr char16_t kAllBlack[] =
    u"此桌面不允许读取题目区域：读到的画面是一片黑色（游戏可能以 Wayland "
    u"原生方式或独占全屏方式运行）。请让游戏以窗口模式经 XWayland 运行，或在 X11 "
    u"会话中使用识别功能。";

// The capture's picture source: `region` in desktop coordinates (logical pixels), read at the
// device pixel ratio of the screen that holds its centre. Setting it up starts watching this
// program's windows, so that a menu or overlay that has just closed over the region is not read
// from the screen before the windows beneath have drawn themselves again.
std::function<QImage(const QRect &region, QString *failure)> windowGrabber();

// The windows of other programs under `region`; a null image and why when nothing can be read.
Grab grabWindows(const QRect &region);

// The same picture for watching the region several times a second: where one of our windows
// lies or has just lain over the game (and the game's own contents are not at hand), nothing is
// waited for; those parts stay dark and are named in `Grab::unread`.
Grab glanceWindows(const QRect &region);

// The still picture behind the region overlay: the whole of `screen` as `grabWindows` reads it,
// at the screen's device pixel ratio. Parts that cannot be read stay dark rather than failing
// the overlay; it fails only when nothing at all can be read.
Grab grabScreenStill(QScreen *screen);

} // namespace capture
