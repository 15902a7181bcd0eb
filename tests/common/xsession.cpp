#include "tests/common/xsession.h"

#include <QByteArray>
#include <QStringList>

#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace zctest {

namespace {

// Starts `program` with `arguments`, its output thrown away; -1 when it could not start.
pid_t spawn(const std::vector<std::string> &arguments, const std::vector<std::string> &extraEnv,
            int keepFd = -1)
{
    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    // The environment, with the given variables in place of any of the same name.
    std::vector<std::string> envStrings = extraEnv;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        bool replaced = false;
        for (const std::string &extra : extraEnv)
            replaced = replaced ||
                       entry.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0;
        if (!replaced)
            envStrings.push_back(entry);
    }
    std::vector<char *> envp;
    for (std::string &e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    (void)keepFd; // kept open across exec: created without close-on-exec
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Whether a window manager has announced itself on the display's root window.
bool windowManagerRunning(const QByteArray &display)
{
    xcb_connection_t *c = xcb_connect(display.constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
    bool running = false;
    if (atom && atom->atom != XCB_ATOM_NONE) {
        xcb_get_property_reply_t *p = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
        running = p && xcb_get_property_value_length(p) == 4;
        std::free(p);
    }
    std::free(atom);
    xcb_disconnect(c);
    return running;
}

} // namespace

std::unique_ptr<XSession> XSession::start(const Options &options, QString *failure)
{
    std::unique_ptr<XSession> session(new XSession);
    int fds[2];
    if (::pipe(fds) != 0) {
        *failure = QStringLiteral("no pipe");
        return nullptr;
    }
    // -displayfd: the server picks a free display itself and writes its number here.
    session->m_server = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                               options.screen.toStdString(), "-nolisten", "tcp", "-noreset"},
                              {}, fds[1]);
    ::close(fds[1]);
    if (session->m_server < 0) {
        ::close(fds[0]);
        *failure = QStringLiteral("Xvfb would not start (scripts/setup-debian.sh installs it)");
        return nullptr;
    }
    QByteArray number;
    pollfd wait{fds[0], POLLIN, 0};
    while (!number.endsWith('\n') && ::poll(&wait, 1, 20000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1)
            break;
        number += c;
    }
    ::close(fds[0]);
    if (!number.endsWith('\n')) {
        *failure = QStringLiteral("Xvfb did not say its display");
        return nullptr;
    }
    session->m_display = u':' + QString::fromLatin1(number.trimmed());

    if (options.windowManager) {
        const std::string display = "DISPLAY=" + session->m_display.toStdString();
        session->m_windowManager = spawn({"openbox"}, {display});
        bool up = false;
        for (int i = 0; i < 200 && session->m_windowManager > 0 && !up; ++i) {
            up = windowManagerRunning(session->m_display.toLatin1());
            if (!up)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!up) {
            *failure =
                QStringLiteral("openbox would not start (scripts/setup-debian.sh installs it)");
            return nullptr;
        }
    }
    return session;
}

XSession::~XSession()
{
    stop(m_windowManager);
    stop(m_server);
}

std::unique_ptr<XSession> startSessionForQt(const XSession::Options &options)
{
    QString failure;
    std::unique_ptr<XSession> session = XSession::start(options, &failure);
    if (!session) {
        std::fprintf(stderr, "No X server for this test: %s\n", qPrintable(failure));
        std::exit(1);
    }
    qputenv("DISPLAY", session->display().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    return session;
}

} // namespace zctest
