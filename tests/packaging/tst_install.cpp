// The installed tree: one application folder holding the program (and the store beside it),
// a launcher on the PATH that reaches it from anywhere, the desktop entry, the icon theme's
// files and the AppStream metadata, all checked with the freedesktop and AppStream validators.
#include "app/window/appicon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString appId = u"com.zembrik.zembrik_corvanth"_s;

struct Run
{
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000)) {
        result.output = program + u" did not finish: "_s + process.errorString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAll());
    return result;
}

// The desktop entry's keys of its main group, as written (no locale folding).
QMap<QString, QString> desktopKeys(const QString &path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == u"[Desktop Entry]"_s;
        else if (inEntry && line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return keys;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void programAndStoreShareOneFolder();
    void launcherOnThePathIsARelativeLinkToTheProgram();
    void launcherStillReachesTheProgramWhenTheTreeMoves();
    void storeToolOnThePath();
    void recognitionModelsBesideTheProgram_data();
    void recognitionModelsBesideTheProgram();
    void installedToolReadsAPictureWithTheInstalledModels();
    void desktopEntryValidatesAndStartsTheLauncher();
    void iconAtEverySize_data();
    void iconAtEverySize();
    void metainfoValidatesAndNamesTheInstalledFiles();
    void manualPages_data();
    void manualPages();
    void changelogNamesThisVersion();

private:
    QString path(const QString &relative) const { return m_prefix + u'/' + relative; }
    QTemporaryDir m_dir;
    QString m_prefix;
};

void TestInstall::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_prefix = m_dir.path() + u"/usr"_s;
    const Run install =
        run(QStringLiteral(ZC_CMAKE_COMMAND),
            {u"--install"_s, QStringLiteral(ZC_BUILD_DIR), u"--prefix"_s, m_prefix});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void TestInstall::programAndStoreShareOneFolder()
{
    const QFileInfo program(path(u"lib/zembrik-corvanth/zembrik-corvanth"_s));
    QVERIFY(program.isFile());
    QVERIFY(program.isExecutable());
    const QFileInfo store(path(u"lib/zembrik-corvanth/crvt.dat"_s));
    QVERIFY(store.isFile());
    QCOMPARE(store.absolutePath(), program.absolutePath());

    QFile installed(store.filePath());
    QFile built(QStringLiteral(ZC_BIN_DIR "/crvt.dat"));
    QVERIFY(installed.open(QIODevice::ReadOnly));
    QVERIFY(built.open(QIODevice::ReadOnly));
    QVERIFY(installed.size() > 0);
    QVERIFY(installed.readAll() == built.readAll());
}

void TestInstall::launcherOnThePathIsARelativeLinkToTheProgram()
{
    const QString launcher = path(u"bin/zembrik-corvanth"_s);
    QVERIFY(QFileInfo(launcher).isSymLink());
    // The program finds its folder through /proc/self/exe, which the kernel resolves to the
    // link's target: started through the link, it finds the store beside the target.
    char target[4096];
    const ssize_t length =
        ::readlink(QFile::encodeName(launcher).constData(), target, sizeof target);
    QVERIFY(length > 0);
    QVERIFY(QDir::isRelativePath(QFile::decodeName(QByteArray(target, length))));
    QCOMPARE(QFileInfo(launcher).canonicalFilePath(),
             QFileInfo(path(u"lib/zembrik-corvanth/zembrik-corvanth"_s)).canonicalFilePath());
}

void TestInstall::launcherStillReachesTheProgramWhenTheTreeMoves()
{
    const QString moved = m_dir.path() + u"/elsewhere"_s;
    QVERIFY(QDir().rename(m_prefix, moved));
    const QString reached = QFileInfo(moved + u"/bin/zembrik-corvanth"_s).canonicalFilePath();
    const QString program =
        QFileInfo(moved + u"/lib/zembrik-corvanth/zembrik-corvanth"_s).canonicalFilePath();
    QVERIFY(QDir().rename(moved, m_prefix));
    QVERIFY(!program.isEmpty());
    QCOMPARE(reached, program);
}

void TestInstall::storeToolOnThePath()
{
    const QFileInfo tool(path(u"bin/crvt-tool"_s));
    QVERIFY(tool.isFile());
    QVERIFY(tool.isExecutable());
    QVERIFY(!tool.isSymLink());
}

void TestInstall::recognitionModelsBesideTheProgram_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"ppocrv4_det.onnx", "ppocrv4_rec.onnx", "ppocr_keys_v1.txt"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestInstall::recognitionModelsBesideTheProgram()
{
    QFETCH(QString, name);
    QFile installed(path(u"lib/zembrik-corvanth/models/"_s + name));
    QFile built(QStringLiteral(ZC_BIN_DIR "/models/") + name);
    QVERIFY2(installed.open(QIODevice::ReadOnly), qPrintable(installed.fileName()));
    QVERIFY(built.open(QIODevice::ReadOnly));
    QVERIFY(installed.size() > 0);
    QVERIFY(installed.readAll() == built.readAll());
}

void TestInstall::installedToolReadsAPictureWithTheInstalledModels()
{
    // crvt-tool lies in bin/, the models in lib/zembrik-corvanth/models/: it finds them from
    // its own folder, as the installed program does from its own.
    const Run read = run(path(u"bin/crvt-tool"_s),
                         {u"recognize"_s, path(u"lib/zembrik-corvanth/crvt.dat"_s),
                          QStringLiteral(ZC_FIXTURES_DIR "/ppocr/capture.png"), u"--top=1"_s});
    QVERIFY2(read.exitCode == 0, qPrintable(read.output));
    QVERIFY2(read.output.contains(u"五四运动发生在哪一年？\t1919年"_s), qPrintable(read.output));
}

void TestInstall::desktopEntryValidatesAndStartsTheLauncher()
{
    const QString entry = path(u"share/applications/"_s + appId + u".desktop"_s);
    QVERIFY(QFileInfo::exists(entry));
    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate (desktop-file-utils) is missing");
    const Run valid = run(validator, {entry});
    QVERIFY2(valid.exitCode == 0 && valid.output.trimmed().isEmpty(), qPrintable(valid.output));

    const QMap<QString, QString> keys = desktopKeys(entry);
    // Exec names the launcher by its name alone: it must be what bin/ holds.
    QCOMPARE(keys.value(u"Exec"_s), u"zembrik-corvanth"_s);
    QVERIFY(QFileInfo(path(u"bin/"_s) + keys.value(u"Exec"_s)).isExecutable());
    QCOMPARE(keys.value(u"Icon"_s), appId);
    QCOMPARE(keys.value(u"Name[zh_CN]"_s), u"ZembrikCorvanth多功能答题器"_s);
}

void TestInstall::iconAtEverySize_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

void TestInstall::iconAtEverySize()
{
    QFETCH(int, size);
    const QString file = path(u"share/icons/hicolor/%1x%1/apps/"_s.arg(size) + appId + u".png"_s);
    QImage installed(file);
    QVERIFY2(!installed.isNull(), qPrintable(file));
    QCOMPARE(installed.size(), QSize(size, size));
    // The very picture the window uses as its icon, pixel for pixel.
    const QImage drawn = window::appIconImage(size).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(installed.convertToFormat(QImage::Format_ARGB32), drawn);
}

void TestInstall::metainfoValidatesAndNamesTheInstalledFiles()
{
    const QString metainfo = path(u"share/metainfo/"_s + appId + u".metainfo.xml"_s);
    QVERIFY(QFileInfo::exists(metainfo));
    const QString validator = QStandardPaths::findExecutable(u"appstreamcli"_s);
    QVERIFY2(!validator.isEmpty(), "appstreamcli (appstream) is missing");
    // The screenshots lie on the zone's server: the build does not go to the network.
    const Run valid = run(validator, {u"validate"_s, u"--no-net"_s, u"--pedantic"_s, metainfo});
    QVERIFY2(valid.exitCode == 0, qPrintable(valid.output));

    QFile file(metainfo);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString id, launchable;
    QStringList binaries;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"id"_s)
            id = xml.readElementText();
        else if (xml.name() == u"launchable"_s)
            launchable = xml.readElementText();
        else if (xml.name() == u"binary"_s)
            binaries << xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(id, appId);
    QVERIFY(QFileInfo::exists(path(u"share/applications/"_s + launchable)));
    QCOMPARE(binaries, (QStringList{u"zembrik-corvanth"_s, u"crvt-tool"_s}));
    for (const QString &binary : std::as_const(binaries))
        QVERIFY2(QFileInfo(path(u"bin/"_s) + binary).isExecutable(), qPrintable(binary));
}

void TestInstall::manualPages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QByteArrayList>("says"); // what the rendered page must tell the reader
    QTest::newRow("the program") << u"share/man/man1/zembrik-corvanth.1.gz"_s << QByteArrayList();
    QTest::newRow("the store tool")
        << u"share/man/man1/crvt-tool.1.gz"_s
        << QByteArrayList{"crvt.dat.bak", "crvt-tool recognize", "crvt-tool match"};
}

// Installed compressed, and read by man without a warning.
void TestInstall::manualPages()
{
    QFETCH(QString, page);
    QFETCH(QByteArrayList, says);
    QProcess man;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    env.insert(u"MANWIDTH"_s, u"80"_s);
    man.setProcessEnvironment(env);
    man.start(u"man"_s, {u"--warnings"_s, u"-E"_s, u"UTF-8"_s, u"-l"_s, path(page)});
    QVERIFY(man.waitForFinished(60000));
    QCOMPARE(man.exitCode(), 0);
    QCOMPARE(man.readAllStandardError(), QByteArray());
    const QByteArray text = man.readAllStandardOutput();
    QVERIFY(text.contains("SYNOPSIS"));
    for (const QByteArray &words : says)
        QVERIFY2(text.contains(words), words.constData());
}

// The Debian changelog's newest entry is the version being installed.
void TestInstall::changelogNamesThisVersion()
{
    const Run gunzip =
        run(u"gzip"_s, {u"-dc"_s, path(u"share/doc/zembrik-corvanth/changelog.gz"_s)});
    QCOMPARE(gunzip.exitCode, 0);
    QVERIFY2(gunzip.output.startsWith(u"zembrik-corvanth (" ZC_VERSION ") "_s),
             qPrintable(gunzip.output.section(u'\n', 0, 0)));
    QVERIFY(QFileInfo(path(u"share/doc/zembrik-corvanth/copyright"_s)).isFile());
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
