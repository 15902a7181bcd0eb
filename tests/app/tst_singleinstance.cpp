// One copy per user and display: a later copy finds the first and asks it to show itself;
// what a crashed copy leaves behind (its socket, its lock) stops no one; and the name of the
// place depends on the user's runtime folder and the display.
#include "app/singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void aLaterCopyAsksTheFirstAndEnds();
    void aCrashedCopysSocketStopsNoOne();
    void aCrashedCopysLockStopsNoOne();
    void socketPath_data();
    void socketPath();

private:
    // Starts a probe on `path` and returns its first line.
    QString startProbe(QProcess &probe, const QString &path);
    QTemporaryDir m_dir;
};

QString TestSingleInstance::startProbe(QProcess &probe, const QString &path)
{
    probe.start(QStringLiteral(ZC_INSTANCE_PROBE), {path});
    if (!probe.waitForStarted(5000))
        return u"not started"_s;
    for (int i = 0; i < 100 && !probe.canReadLine(); ++i)
        probe.waitForReadyRead(100);
    return QString::fromLatin1(probe.readLine()).trimmed();
}

void TestSingleInstance::aLaterCopyAsksTheFirstAndEnds()
{
    const QString path = m_dir.filePath(u"later"_s);
    QProcess first, later;
    QCOMPARE(startProbe(first, path), u"primary"_s);
    QCOMPARE(startProbe(later, path), u"secondary"_s);
    QVERIFY(later.waitForFinished(5000));
    QCOMPARE(later.exitCode(), 3);
    QTRY_VERIFY(first.canReadLine() || first.waitForReadyRead(100));
    QCOMPARE(QString::fromLatin1(first.readLine()).trimmed(), u"show requested"_s);
    first.kill();
    first.waitForFinished();
}

void TestSingleInstance::aCrashedCopysSocketStopsNoOne()
{
    const QString path = m_dir.filePath(u"crashed"_s);
    QProcess crashed, next;
    QCOMPARE(startProbe(crashed, path), u"primary"_s);
    ::kill(pid_t(crashed.processId()), SIGKILL);
    crashed.waitForFinished();
    QVERIFY2(QFile::exists(path), "a copy killed outright leaves its socket behind");
    QCOMPARE(startProbe(next, path), u"primary"_s);
    next.kill();
    next.waitForFinished();
}

void TestSingleInstance::aCrashedCopysLockStopsNoOne()
{
    // A copy killed while it held the lock leaves the lock file naming a process that is gone.
    const QString path = m_dir.filePath(u"locked"_s);
    QProcess holder;
    holder.start(QStringLiteral(ZC_INSTANCE_PROBE), {path, u"hold-lock"_s});
    QVERIFY(holder.waitForStarted());
    QTRY_VERIFY(holder.canReadLine() || holder.waitForReadyRead(100));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
    ::kill(pid_t(holder.processId()), SIGKILL);
    holder.waitForFinished();
    QVERIFY2(QFile::exists(path + u".lock"_s), "the killed copy's lock is left behind");

    QElapsedTimer clock;
    clock.start();
    QProcess next;
    QCOMPARE(startProbe(next, path), u"primary"_s);
    QVERIFY2(clock.elapsed() < 3000, "the lock is seen to be stale, not waited out");
    next.kill();
    next.waitForFinished();
}

void TestSingleInstance::socketPath_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<bool>("runtimeFolder");
    QTest::addColumn<QString>("name"); // after the folder

    const QString user = QString::number(::getuid());
    QTest::newRow("X display, runtime folder")
        << QByteArray(":0") << QByteArray() << true << u"zembrik-corvanth-_0"_s;
    QTest::newRow("another X display")
        << QByteArray(":1") << QByteArray() << true << u"zembrik-corvanth-_1"_s;
    QTest::newRow("a remote display") << QByteArray("localhost:10.0") << QByteArray() << true
                                      << u"zembrik-corvanth-localhost_10.0"_s;
    QTest::newRow("XWayland's display wins over Wayland's")
        << QByteArray(":0") << QByteArray("wayland-0") << true << u"zembrik-corvanth-_0"_s;
    QTest::newRow("Wayland only") << QByteArray() << QByteArray("wayland-0") << true
                                  << u"zembrik-corvanth-wayland_0"_s;
    QTest::newRow("no runtime folder: the user's id in the name")
        << QByteArray(":0") << QByteArray() << false << u"zembrik-corvanth-%1-_0"_s.arg(user);
}

void TestSingleInstance::socketPath()
{
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, wayland);
    QFETCH(bool, runtimeFolder);
    QFETCH(QString, name);
    const auto set = [](const char *variable, const QByteArray &value) {
        if (value.isEmpty())
            qunsetenv(variable);
        else
            qputenv(variable, value);
    };
    set("DISPLAY", display);
    set("WAYLAND_DISPLAY", wayland);
    set("XDG_RUNTIME_DIR", runtimeFolder ? QFile::encodeName(m_dir.path()) : QByteArray());
    const QString folder = runtimeFolder ? m_dir.path() : QDir::tempPath();
    QCOMPARE(app::instanceSocketPath(), folder + u'/' + name);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
