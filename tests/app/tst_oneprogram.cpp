// The program itself, started twice on a real X server with a window manager: the second copy
// brings the first one's window to the front (from minimised too) and ends.
#include "tests/common/testmain.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QString xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(u"xdotool"_s, arguments);
    p.waitForFinished(15000);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

QString windowState(const QString &window)
{
    QProcess p;
    p.start(u"xprop"_s, {u"-id"_s, window, u"WM_STATE"_s});
    p.waitForFinished(5000);
    return QString::fromLatin1(p.readAllStandardOutput());
}

} // namespace

class TestOneProgram : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void aSecondCopyBringsTheFirstToTheFront();

private:
    void startProgram(QProcess &program);
    // The program's window, once it is mapped.
    QString programWindow(const QProcess &program);

    QTemporaryDir m_home; // runtime, configuration and data folders of the player
    QProcess m_first;
};

void TestOneProgram::initTestCase()
{
    QVERIFY(QDir().mkpath(m_home.filePath(u"runtime"_s)));
    QFile::setPermissions(m_home.filePath(u"runtime"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestOneProgram::cleanupTestCase()
{
    m_first.kill();
    m_first.waitForFinished();
}

void TestOneProgram::startProgram(QProcess &program)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, m_home.filePath(u"runtime"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u"data"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    program.setProcessEnvironment(env);
    program.setProgram(QStringLiteral(ZC_BIN_DIR "/zembrik-corvanth"));
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start();
    QVERIFY2(program.waitForStarted(), "the program starts");
}

QString TestOneProgram::programWindow(const QProcess &program)
{
    // The window the window manager shows: the one with the program's title in a normal state.
    QString found;
    for (int i = 0; i < 100 && found.isEmpty(); ++i) {
        const QStringList windows =
            xdotool({u"search"_s, u"--pid"_s, QString::number(program.processId()), u"--name"_s,
                     u"ZembrikCorvanth"_s})
                .split(u'\n', Qt::SkipEmptyParts);
        for (const QString &w : windows)
            if (windowState(w).contains(u"Normal"_s))
                found = w;
        if (found.isEmpty())
            QTest::qWait(100);
    }
    return found;
}

void TestOneProgram::aSecondCopyBringsTheFirstToTheFront()
{
    startProgram(m_first);
    const QString window = programWindow(m_first);
    QVERIFY2(!window.isEmpty(), "the first copy shows its window");
    xdotool({u"windowminimize"_s, u"--sync"_s, window});
    QTRY_VERIFY(windowState(window).contains(u"Iconic"_s));

    QProcess second;
    startProgram(second);
    QVERIFY2(second.waitForFinished(15000), "the second copy ends by itself");
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(windowState(window).contains(u"Normal"_s), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(xdotool({u"getactivewindow"_s}), window, 10000);
    QCOMPARE(m_first.state(), QProcess::Running);
}

ZC_X11_TEST_MAIN(TestOneProgram, 1280, 800)
#include "tst_oneprogram.moc"
