// Real display servers for the tests and benchmarks that read real windows: an Xvfb (with the
// openbox window manager where asked) or a headless weston running Xwayland. Each picks a free
// display itself (Xvfb -displayfd; weston names Xwayland's display in its log) and is started
// before the application object, so that Qt connects to it. Whatever was started is stopped
// when the object goes.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <memory>
#include <sys/types.h>
#include <vector>

namespace zctest {

class TestDisplay
{
public:
    enum class Kind { Xvfb, Weston };
    struct Options
    {
        Kind kind = Kind::Xvfb;
        QSize size{1600, 1000};
        int depth = 24;            // Xvfb only
        bool windowManager = true; // openbox on Xvfb; weston is its own
    };

    // The server running, or null with `*error` saying why.
    static std::unique_ptr<TestDisplay> start(const Options &options, QString *error);
    ~TestDisplay();

    // For DISPLAY, e.g. ":3".
    const QByteArray &display() const { return m_display; }
    // Weston only: its socket name and runtime folder, for native Wayland clients.
    const QByteArray &waylandSocket() const { return m_socket; }
    const QByteArray &runtimeDir() const { return m_runtime; }

    // Points this process at the X server for Qt: DISPLAY set, the xcb platform chosen, no
    // Wayland display left to tempt it.
    void useForQt() const;

private:
    TestDisplay() = default;
    bool startXvfb(const Options &options, QString *error);
    bool startOpenbox(QString *error);
    bool startWeston(const Options &options, QString *error);

    std::vector<pid_t> m_children; // stopped last first
    QByteArray m_display, m_socket, m_runtime;
};

// The server a test runs on: ZC_TEST_SERVER = "xvfb" (default), "xvfb16" (16-bit colour),
// "xvfb-scaled" (twice the size, for QT_SCALE_FACTOR=2) or "weston", for one test program run
// once per server by CTest.
TestDisplay::Options optionsFromEnvironment();

} // namespace zctest
