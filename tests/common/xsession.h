// A real X server for tests and benchmarks: Xvfb on a display it picks itself, with the
// openbox window manager, started before the application object exists and stopped (by the
// process ids it started, nothing else) when the session goes.
#pragma once

#include <QString>

#include <memory>
#include <sys/types.h>

namespace zctest {

class XSession
{
public:
    struct Options
    {
        QString screen = QStringLiteral("1280x800x24"); // Xvfb's -screen 0 argument
        bool windowManager = true;
    };

    // The running session, or null with why in `failure`.
    static std::unique_ptr<XSession> start(const Options &options, QString *failure);
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // ":N"
    const QString &display() const { return m_display; }

private:
    XSession() = default;
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    QString m_display;
};

// Starts a session and points DISPLAY and QT_QPA_PLATFORM at it; to be called before the
// application object exists. Exits the process with a message when no session starts.
std::unique_ptr<XSession> startSessionForQt(const XSession::Options &options);

} // namespace zctest
