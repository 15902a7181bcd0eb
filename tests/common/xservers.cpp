#include "tests/common/xservers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zctest {

namespace {

// A loaded two-core machine starts a server in well under this.
constexpr int kStartMilliseconds = 60000;

// Runs `argv` with `environment` added, its output thrown away (or added to the file named by
// ZC_TEST_SERVER_LOG); `keepFd` stays open in it. It is ended with this process, however that
// ends.
pid_t spawn(const std::vector<QByteArray> &argv,
            const std::vector<std::pair<const char *, QByteArray>> &environment, int keepFd = -1)
{
    const QByteArray log = qgetenv("ZC_TEST_SERVER_LOG");
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(1);
    const int null = open("/dev/null", O_RDWR);
    const int output =
        log.isEmpty() ? null : open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(null, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    for (int fd = 3; fd < 256; ++fd) {
        if (fd != keepFd)
            close(fd);
    }
    for (const auto &[name, value] : environment) {
        if (value.isEmpty())
            unsetenv(name);
        else
            setenv(name, value.constData(), 1);
    }
    std::vector<char *> args;
    args.reserve(argv.size() + 1);
    for (const QByteArray &a : argv)
        args.push_back(const_cast<char *>(a.constData()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

bool running(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    QElapsedTimer waited;
    waited.start();
    while (running(pid)) {
        if (waited.hasExpired(5000)) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

std::unique_ptr<TestDisplay> TestDisplay::start(const Options &options, QString *error)
{
    std::unique_ptr<TestDisplay> display(new TestDisplay);
    const bool started = options.kind == Kind::Weston
                             ? display->startWeston(options, error)
                             : display->startXvfb(options, error) &&
                                   (!options.windowManager || display->startOpenbox(error));
    if (!started)
        return nullptr;
    return display;
}

TestDisplay::~TestDisplay()
{
    // The last started first.
    while (!m_children.empty()) {
        stop(m_children.back());
        m_children.pop_back();
    }
    if (!m_runtime.isEmpty())
        QDir(QString::fromLocal8Bit(m_runtime)).removeRecursively();
}

void TestDisplay::useForQt() const
{
    qputenv("DISPLAY", m_display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
}

bool TestDisplay::startXvfb(const Options &options, QString *error)
{
    int fds[2];
    if (pipe(fds) != 0) {
        *error = QStringLiteral("no pipe for Xvfb -displayfd");
        return false;
    }
    const QByteArray screen = QByteArray::number(options.size.width()) + 'x' +
                              QByteArray::number(options.size.height()) + 'x' +
                              QByteArray::number(options.depth);
    const pid_t pid = spawn({"Xvfb", "-displayfd", QByteArray::number(fds[1]), "-screen", "0",
                             screen, "-nolisten", "tcp"},
                            {}, fds[1]);
    close(fds[1]);
    m_children.push_back(pid);
    QByteArray number;
    QElapsedTimer waited;
    waited.start();
    while (!number.endsWith('\n') && !waited.hasExpired(kStartMilliseconds)) {
        pollfd fd{fds[0], POLLIN, 0};
        if (poll(&fd, 1, 200) <= 0)
            continue;
        char c;
        if (read(fds[0], &c, 1) != 1)
            break;
        number += c;
    }
    close(fds[0]);
    if (!number.endsWith('\n')) {
        *error = QStringLiteral("Xvfb (scripts/setup-debian.sh) did not start");
        return false;
    }
    m_display = ':' + number.trimmed();
    return true;
}

bool TestDisplay::startOpenbox(QString *error)
{
    m_children.push_back(spawn({"openbox"}, {{"DISPLAY", m_display}}));
    // The window manager is ready once it has announced itself on the root window.
    xcb_connection_t *c = xcb_connect(m_display.constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        *error = QStringLiteral("cannot reach Xvfb on %1").arg(QString::fromLatin1(m_display));
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    bool ready = false;
    QElapsedTimer waited;
    waited.start();
    while (atom && !ready && !waited.hasExpired(kStartMilliseconds) && running(m_children.back())) {
        xcb_get_property_reply_t *p = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
        ready = p && xcb_get_property_value_length(p) > 0;
        std::free(p);
        if (!ready)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::free(atom);
    xcb_disconnect(c);
    if (!ready)
        *error = QStringLiteral("openbox (scripts/setup-debian.sh) did not start");
    return ready;
}

bool TestDisplay::startWeston(const Options &options, QString *error)
{
    QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/zc-weston-XXXXXX";
    if (!mkdtemp(runtime.data())) { // mode 700, as weston demands
        *error = QStringLiteral("no runtime folder for weston");
        return false;
    }
    m_runtime = runtime;
    m_socket = "zc-test-wayland";
    const QByteArray log = m_runtime + "/weston.log";
    m_children.push_back(
        spawn({"weston", "--backend=headless-backend.so", "--xwayland", "--socket=" + m_socket,
               "--width=" + QByteArray::number(options.size.width()),
               "--height=" + QByteArray::number(options.size.height()), "--log=" + log},
              {{"XDG_RUNTIME_DIR", m_runtime}, {"WAYLAND_DISPLAY", {}}, {"DISPLAY", {}}}));
    static const QRegularExpression listening(
        QStringLiteral("xserver listening on display (:\\d+)"));
    QElapsedTimer waited;
    waited.start();
    while (m_display.isEmpty() && !waited.hasExpired(kStartMilliseconds) &&
           running(m_children.back())) {
        QFile file(QString::fromLocal8Bit(log));
        if (file.open(QIODevice::ReadOnly)) {
            const QRegularExpressionMatch m = listening.match(QString::fromUtf8(file.readAll()));
            if (m.hasMatch())
                m_display = m.captured(1).toLatin1();
        }
        if (m_display.isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (m_display.isEmpty()) {
        *error = QStringLiteral("weston with Xwayland (scripts/setup-debian.sh) did not start");
        return false;
    }
    // The first client starts Xwayland; made here, it is up before the program connects.
    xcb_connection_t *c = xcb_connect(m_display.constData(), nullptr);
    const bool reached = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    if (!reached)
        *error = QStringLiteral("Xwayland did not start on %1").arg(QString::fromLatin1(m_display));
    return reached;
}

TestDisplay::Options optionsFromEnvironment()
{
    TestDisplay::Options options;
    const QByteArray server = qgetenv("ZC_TEST_SERVER");
    if (server == "weston")
        options.kind = TestDisplay::Kind::Weston;
    else if (server == "xvfb16")
        options.depth = 16;
    else if (server == "xvfb-scaled") // for QT_SCALE_FACTOR=2: the same desktop, twice as fine
        options.size *= 2;
    return options;
}

} // namespace zctest
