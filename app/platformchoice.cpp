#include "app/platformchoice.h"

namespace app {

namespace {
// Qt reads "-platform NAME", and "--platform NAME" alike; a last word without a name is ignored.
bool namesPlatform(const QList<QByteArray> &arguments)
{
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-platform" || arguments[i] == "--platform")
            return true;
    }
    return false;
}

char kPlatformOption[] = "-platform";
char kXcb[] = "xcb";
} // namespace

bool startOnXWayland(const QByteArray &waylandDisplay, const QByteArray &display,
                     const QByteArray &qpaPlatform, const QList<QByteArray> &arguments)
{
    return !waylandDisplay.isEmpty() && !display.isEmpty() && qpaPlatform.isEmpty() &&
           !namesPlatform(arguments);
}

PlatformArguments::PlatformArguments(int argc, char **argv)
    : m_argc(argc), m_argv(argv, argv + argc)
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    if (startOnXWayland(qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM"),
                        arguments)) {
        m_argv.push_back(kPlatformOption);
        m_argv.push_back(kXcb);
        m_argc += 2;
    }
    m_argv.push_back(nullptr); // argv[argc] is null, as the C runtime leaves it
}

} // namespace app
