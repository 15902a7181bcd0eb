// The mirror the package check fetches Debian from when none is given: scripts/apt-mirror.sh
// run on apt folders written here, in both of apt's source formats.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Files = QMap<QString, QString>; // a path below the apt folder and its text

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run aptMirror(const QString &aptFolder)
{
    QProcess process;
    process.start(u"bash"_s, {QStringLiteral(ZC_SCRIPTS_DIR "/apt-mirror.sh"), aptFolder});
    Run run;
    if (!process.waitForFinished(30000)) {
        run.err = u"apt-mirror.sh did not finish: "_s + process.errorString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

const QString kSecurity = uR"(Types: deb
URIs: http://security.example.org/debian-security
Suites: bookworm-security
Components: main
)"_s;

} // namespace

class TestAptMirror : public QObject
{
    Q_OBJECT
private slots:
    void mirrorOfBookworm_data();
    void mirrorOfBookworm();
    void noSourceForBookwormFails_data();
    void noSourceForBookwormFails();
};

void TestAptMirror::mirrorOfBookworm_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("mirror");

    QTest::newRow("one-line sources.list")
        << Files{{u"sources.list"_s, u"deb http://one.example.org/debian bookworm main\n"_s}}
        << u"http://one.example.org/debian"_s;
    QTest::newRow("one-line with options, comments and other suites first")
        << Files{{u"sources.list"_s,
                  u"# deb http://old.example.org/debian bookworm main\n"
                  u"deb-src http://src.example.org/debian bookworm main\n"
                  u"deb http://up.example.org/debian bookworm-updates main\n"
                  u"deb [arch=amd64 signed-by=/usr/share/keyrings/k.gpg] "
                  u"https://two.example.org/debian/ bookworm main contrib # the archive\n"_s}}
        << u"https://two.example.org/debian"_s;
    QTest::newRow("deb822 with several suites and a key block")
        << Files{{u"sources.list.d/debian.sources"_s, u"Types: deb deb-src\n"
                                                      u"# a comment inside the stanza\n"
                                                      u"URIs: http://three.example.org/debian\n"
                                                      u"Suites: bookworm bookworm-updates\n"
                                                      u"Components: main\n"
                                                      u"Signed-By:\n"
                                                      u" -----BEGIN PGP PUBLIC KEY BLOCK-----\n"
                                                      u" .\n"
                                                      u" -----END PGP PUBLIC KEY BLOCK-----\n\n"_s +
                                                          kSecurity}}
        << u"http://three.example.org/debian"_s;
    QTest::newRow("deb822 stanza turned off, then a source-only one, then the archive")
        << Files{{u"sources.list.d/debian.sources"_s,
                  u"Types: deb\nURIs: http://off.example.org/debian\nSuites: bookworm\n"
                  u"Enabled: no\n\n"
                  u"Types: deb-src\nURIs: http://src.example.org/debian\nSuites: bookworm\n\n"
                  u"types: deb\nuris: http://four.example.org/debian\nsuites: bookworm"_s}}
        << u"http://four.example.org/debian"_s;
    QTest::newRow("sources.list without bookworm, sources.list.d in name order")
        << Files{{u"sources.list"_s, u"deb http://sid.example.org/debian sid main\n"_s},
                 {u"sources.list.d/b.list"_s, u"deb http://b.example.org/debian bookworm main\n"_s},
                 {u"sources.list.d/a.sources"_s,
                  u"Types: deb\nURIs: http://a.example.org/debian\nSuites: bookworm\n"_s}}
        << u"http://a.example.org/debian"_s;
    QTest::newRow("files apt does not read are passed over")
        << Files{{u"sources.list.d/a.list.disabled"_s,
                  u"deb http://disabled.example.org/debian bookworm main\n"_s},
                 {u"sources.list.d/b.sources.save"_s,
                  u"Types: deb\nURIs: http://saved.example.org/debian\nSuites: bookworm\n"_s},
                 {u"sources.list.d/c.list"_s,
                  u"deb http://five.example.org/debian bookworm main\n"_s}}
        << u"http://five.example.org/debian"_s;
}

void TestAptMirror::mirrorOfBookworm()
{
    QFETCH(Files, files);
    QFETCH(QString, mirror);
    QTemporaryDir apt;
    QVERIFY2(apt.isValid(), qPrintable(apt.errorString()));
    QVERIFY(QDir(apt.path()).mkpath(u"sources.list.d"_s));
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(apt.filePath(it.key()));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        file.write(it.value().toUtf8());
    }
    const Run run = aptMirror(apt.path());
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, mirror);
}

void TestAptMirror::noSourceForBookwormFails_data()
{
    QTest::addColumn<Files>("files");
    QTest::newRow("no sources at all") << Files{};
    QTest::newRow("only security and updates")
        << Files{{u"sources.list"_s, u"deb http://up.example.org/debian bookworm-updates main\n"_s},
                 {u"sources.list.d/security.sources"_s, kSecurity}};
    QTest::newRow("only turned off or commented out")
        << Files{{u"sources.list"_s, u"#deb http://old.example.org/debian bookworm main\n"_s},
                 {u"sources.list.d/debian.sources"_s,
                  u"Types: deb\nURIs: http://off.example.org/debian\nSuites: bookworm\n"
                  u"Enabled: no\n"_s}};
}

void TestAptMirror::noSourceForBookwormFails()
{
    QFETCH(Files, files);
    QTemporaryDir apt;
    QVERIFY(QDir(apt.path()).mkpath(u"sources.list.d"_s));
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(apt.filePath(it.key()));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        file.write(it.value().toUtf8());
    }
    const Run run = aptMirror(apt.path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.startsWith(u"no enabled deb source for bookworm"_s), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestAptMirror)
#include "tst_aptmirror.moc"
