// The window platform the program starts on. On a Wayland desktop Qt would pick its Wayland
// platform, where a window cannot keep itself above the others (是否始终前置) and no global
// key can be grabbed; there the program starts on XWayland (xcb) instead, unless the player
// chose a platform.
#pragma once

#include <QByteArray>
#include <QList>

#include <vector>

namespace app {

// True when the session is Wayland (WAYLAND_DISPLAY set), an X server can be reached (DISPLAY
// set) and the player chose no platform (QT_QPA_PLATFORM unset, no -platform NAME among
// `arguments`, the program's name excluded). An empty variable counts as unset, as Qt counts it.
bool startOnXWayland(const QByteArray &waylandDisplay, const QByteArray &display,
                     const QByteArray &qpaPlatform, const QList<QByteArray> &arguments);

// The command line for QApplication: the program's own, with "-platform xcb" added where
// startOnXWayland holds for this process's environment. It must outlive the application.
class PlatformArguments
{
public:
    PlatformArguments(int argc, char **argv);
    int &argc() { return m_argc; }
    char **argv() { return m_argv.data(); }

private:
    int m_argc = 0;
    std::vector<char *> m_argv;
};

} // namespace app
