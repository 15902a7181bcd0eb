// The window platform: XWayland on a Wayland desktop unless the player chose one.
#include "app/platformchoice.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPlatformChoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void choice_data();
    void choice();
    void platformQtPicks_data();
    void platformQtPicks();

private:
    QTemporaryDir m_runtime; // XDG_RUNTIME_DIR, mode 700
    QProcess m_xvfb;
    QProcess m_weston;
    QString m_display;
    const QString m_socket = u"zc-platform-test"_s;
};

// A real X server (Xvfb) and a real Wayland compositor (weston, headless).
void TestPlatformChoice::initTestCase()
{
    const auto waitFor = [](const QString &path) {
        for (int i = 0; i < 200 && !QFile::exists(path); ++i)
            QTest::qWait(100);
        return QFile::exists(path);
    };
    int number = 140;
    while (QFile::exists(u"/tmp/.X%1-lock"_s.arg(number)))
        ++number;
    m_display = u":%1"_s.arg(number);
    m_xvfb.start(u"Xvfb"_s,
                 {m_display, u"-screen"_s, u"0"_s, u"640x480x24"_s, u"-nolisten"_s, u"tcp"_s});
    QVERIFY2(waitFor(u"/tmp/.X11-unix/X%1"_s.arg(number)),
             "Xvfb (scripts/setup-debian.sh) must start");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
    m_weston.setProcessEnvironment(env);
    m_weston.start(u"weston"_s, {u"--backend=headless-backend.so"_s, u"--socket="_s + m_socket});
    QVERIFY2(waitFor(m_runtime.path() + u'/' + m_socket),
             "weston (scripts/setup-debian.sh) must start");
}

void TestPlatformChoice::cleanupTestCase()
{
    for (QProcess *server : {&m_weston, &m_xvfb}) {
        server->terminate();
        if (!server->waitForFinished(5000))
            server->kill();
        server->waitForFinished(5000);
    }
}

void TestPlatformChoice::choice_data()
{
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("qpaPlatform");
    QTest::addColumn<QList<QByteArray>>("arguments");
    QTest::addColumn<bool>("xwayland");

    const QList<QByteArray> none;
    const QList<QByteArray> platformArg{"-platform", "wayland"};
    // Every combination of Wayland session, X server and the player's choice (by variable,
    // by argument, or both).
    for (bool wayland : {false, true}) {
        for (bool x : {false, true}) {
            for (int chosen = 0; chosen < 4; ++chosen) {
                const char *how[] = {"nothing chosen", "QT_QPA_PLATFORM", "-platform", "both"};
                QTest::addRow("%s, %s, %s", wayland ? "Wayland" : "no Wayland",
                              x ? "X server" : "no X server", how[chosen])
                    << QByteArray(wayland ? "wayland-0" : "") << QByteArray(x ? ":0" : "")
                    << QByteArray(chosen & 1 ? "wayland" : "") << (chosen & 2 ? platformArg : none)
                    << (wayland && x && chosen == 0);
            }
        }
    }
    QTest::newRow("--platform is a choice too")
        << "wayland-0"_ba
        << ":0"_ba
        << ""_ba << QList<QByteArray>{"--platform", "xcb"} << false;
    QTest::newRow("-platform without a name is no choice")
        << "wayland-0"_ba
        << ":0"_ba
        << ""_ba << QList<QByteArray>{"-platform"} << true;
}

void TestPlatformChoice::choice()
{
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, qpaPlatform);
    QFETCH(QList<QByteArray>, arguments);
    QFETCH(bool, xwayland);
    QCOMPARE(app::startOnXWayland(waylandDisplay, display, qpaPlatform, arguments), xwayland);
}

void TestPlatformChoice::platformQtPicks_data()
{
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<bool>("x");
    QTest::addColumn<QString>("qpaPlatform");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");
    QTest::newRow("Wayland and X, nothing chosen: xcb")
        << true << true << QString() << QStringList() << u"xcb"_s;
    QTest::newRow("Wayland and X, -platform wayland kept")
        << true << true << QString() << QStringList{u"-platform"_s, u"wayland"_s} << u"wayland"_s;
    QTest::newRow("Wayland only: Qt's own pick")
        << true << false << QString() << QStringList() << u"wayland"_s;
    QTest::newRow("X only: Qt's own pick")
        << false << true << QString() << QStringList() << u"xcb"_s;
}

void TestPlatformChoice::platformQtPicks()
{
    QFETCH(bool, wayland);
    QFETCH(bool, x);
    QFETCH(QString, qpaPlatform);
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    env.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
    env.insert(u"XDG_SESSION_TYPE"_s, wayland ? u"wayland"_s : u"x11"_s);
    if (wayland)
        env.insert(u"WAYLAND_DISPLAY"_s, m_socket);
    if (x)
        env.insert(u"DISPLAY"_s, m_display);
    if (!qpaPlatform.isEmpty())
        env.insert(u"QT_QPA_PLATFORM"_s, qpaPlatform);
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(ZC_PLATFORM_PROBE), arguments);
    QVERIFY(probe.waitForFinished(30000));
    QVERIFY2(probe.exitCode() == 0, probe.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), platform);
}

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"
