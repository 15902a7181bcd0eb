// The store tool as maintainers run it: the real crvt-tool executable, driven through
// QProcess, on stores it builds itself or that the project's Jet writer makes.
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/store/store.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString toolPath()
{
    return QStringLiteral(ZC_BIN_DIR "/crvt-tool");
}

// `inChild` runs in the child before the tool starts (limits, signals).
Run runTool(const QStringList &arguments, const QString &locale = u"C.UTF-8"_s,
            const QByteArray &input = {}, const std::function<void()> &inChild = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_s, locale);
    env.insert(u"LANG"_s, locale);
    p.setProcessEnvironment(env);
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.start(toolPath(), arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Makes a FIFO, a socket, a directory or a device node (like /dev/null's) at `path`.
bool makeNode(const QString &path, QStringView kind)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == u"FIFO")
        return ::mkfifo(name.constData(), 0600) == 0;
    if (kind == u"directory")
        return ::mkdir(name.constData(), 0700) == 0;
    if (kind == u"device")
        return ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd); // the socket's file stays
    return bound;
}

mode_t typeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// The quiz list most cases build from, and what dump must print for it.
const QByteArray sampleList = "\xEF\xBB\xBF"                       // byte order mark
                              "世界杯冠军最多的国家是？\t巴西\r\n" // CR LF, pinyin filled
                              "\r\n"                               // blank
                              "\"引号\"里的字\t\"答\"\"案\"\n"     // double quotes are text
                              "中国足球\t国足\tZGZQ自定\n"         // pinyin given: kept as is
                              "ＦＩＦＡ成立于哪一年？\t1904年\t\n" // empty pinyin: filled
                              "？！……\t只有标点\n"                 // no initials: null pinyin
                              "it's 100%\ta_b\n"                   // quote, %, _
                              "  前后空格  \t 答 "_ba;             // spaces kept, no final LF

const QByteArray sampleDump = "世界杯冠军最多的国家是？\t巴西\tsjbgjzddgjs\n"
                              "\"引号\"里的字\t\"答\"\"案\"\tyhldz\n"
                              "中国足球\t国足\tZGZQ自定\n"
                              "ＦＩＦＡ成立于哪一年？\t1904年\tfifaclynyn\n"
                              "？！……\t只有标点\t\n"
                              "it's 100%\ta_b\tits100\n"
                              "  前后空格  \t 答 \tqhkg\n"_ba;

} // namespace

class TestCrvtTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void help_data();
    void help();
    void usageErrors_data();
    void usageErrors();

    void buildDumpRoundTrip();
    void nullPinyinIsStoredAsNull();
    void dumpPrintsNullsAsEmpty();
    void outputIsUtf8WhateverTheLocale_data();
    void outputIsUtf8WhateverTheLocale();
    void emptyPasswordBuildsOpenStore();
    void buildReplacesExistingStore();
    void buildReadsStandardInput();
    void dumpEscapesWhatWouldBreakItsLines();

    void query_data();
    void query();
    void queryAgreesWithTheProgram_data();
    void queryAgreesWithTheProgram();

    void optionPositions_data();
    void optionPositions();

    void buildFailures_data();
    void buildFailures();
    void storeFailures_data();
    void storeFailures();
    void outputUntouchedWhenBuildFails_data();
    void outputUntouchedWhenBuildFails();
    void specialFilesAreRefused_data();
    void specialFilesAreRefused();

    void installBuildsThePlayersStore();
    void installRefusesAListWithoutQuestions_data();
    void installRefusesAListWithoutQuestions();
    void installKeepsTheStoreItReplaces();
    void installFollowsALinkedStore();
    void failedInstallLeavesEverythingAsItWas_data();
    void failedInstallLeavesEverythingAsItWas();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QString m_sampleStore;
};

void TestCrvtTool::initTestCase()
{
    QVERIFY2(QFileInfo(toolPath()).isExecutable(), qPrintable(toolPath()));
    QVERIFY(m_dir.isValid());
    QVERIFY(writeFile(path(u"sample.tsv"_s), sampleList));
    m_sampleStore = path(u"sample.dat"_s);
    const Run r = runTool({u"build"_s, path(u"sample.tsv"_s), m_sampleStore});
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
}

// ---- command line ------------------------------------------------------------------

void TestCrvtTool::help_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--help alone") << QStringList{u"--help"_s};
    QTest::newRow("-h alone") << QStringList{u"-h"_s};
    QTest::newRow("after a command") << QStringList{u"build"_s, u"--help"_s};
    QTest::newRow("wins over an unknown command") << QStringList{u"frob"_s, u"--help"_s};
    QTest::newRow("wins over an unknown option") << QStringList{u"--frob"_s, u"-h"_s};
}

void TestCrvtTool::help()
{
    QFETCH(QStringList, arguments);
    const Run r = runTool(arguments);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());
    const QString text = QString::fromUtf8(r.out);
    for (const auto &usage :
         {u"crvt-tool build INPUT.tsv OUTPUT [--password P]"_s,
          u"crvt-tool dump STORE [--password P]"_s, u"crvt-tool query STORE TEXT [--password P]"_s,
          u"qzv.lan/mt"_s, u"kept beside it as crvt.dat.bak"_s,
          u"A list without a single question is refused"_s}) {
        QVERIFY2(text.contains(usage), qPrintable(usage));
    }
}

void TestCrvtTool::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString see = u"; see crvt-tool --help"_s;
    QTest::newRow("nothing") << QStringList() << u"no command given"_s + see;
    QTest::newRow("unknown command")
        << QStringList{u"frob"_s, u"x"_s} << u"unknown command frob"_s + see;
    QTest::newRow("command words are case-sensitive")
        << QStringList{u"DUMP"_s, u"x"_s} << u"unknown command DUMP"_s + see;
    QTest::newRow("build with one operand")
        << QStringList{u"build"_s, u"in.tsv"_s} << u"build needs INPUT.tsv OUTPUT, 1 given"_s + see;
    QTest::newRow("build with three operands") << QStringList{u"build"_s, u"a"_s, u"b"_s, u"c"_s}
                                               << u"build needs INPUT.tsv OUTPUT, 3 given"_s + see;
    QTest::newRow("dump without store")
        << QStringList{u"dump"_s} << u"dump needs STORE, 0 given"_s + see;
    QTest::newRow("query without text")
        << QStringList{u"query"_s, u"s.dat"_s} << u"query needs STORE TEXT, 1 given"_s + see;
    QTest::newRow("query text of two words unquoted")
        << QStringList{u"query"_s, u"s.dat"_s, u"a"_s, u"b"_s}
        << u"query needs STORE TEXT, 3 given"_s + see;
    QTest::newRow("unknown long option") << QStringList{u"dump"_s, u"s.dat"_s, u"--verbose"_s}
                                         << u"unknown option --verbose"_s + see;
    QTest::newRow("unknown short option")
        << QStringList{u"-x"_s, u"dump"_s, u"s.dat"_s} << u"unknown option -x"_s + see;
    QTest::newRow("--password at the end without value")
        << QStringList{u"dump"_s, u"s.dat"_s, u"--password"_s}
        << u"option --password needs a value"_s;
    QTest::newRow("--password twice")
        << QStringList{u"--password"_s, u"a"_s, u"dump"_s, u"s.dat"_s, u"--password=b"_s}
        << u"option --password given twice"_s;
}

void TestCrvtTool::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run r = runTool(arguments);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(QString::fromUtf8(r.err), u"crvt-tool: "_s + message + u'\n');
}

// ---- build and dump ----------------------------------------------------------------

void TestCrvtTool::buildDumpRoundTrip()
{
    const QString store = path(u"roundtrip.dat"_s);
    const Run b = runTool({u"build"_s, path(u"sample.tsv"_s), store});
    QCOMPARE(b.exitCode, 0);
    QCOMPARE(b.err, QByteArray());
    QCOMPARE(QString::fromUtf8(b.out), u"crvt-tool: %1: 7 rows written\n"_s.arg(store));

    const Run d = runTool({u"dump"_s, store});
    QCOMPARE(d.err, QByteArray());
    QCOMPARE(d.exitCode, 0);
    QCOMPARE(d.out, sampleDump);
}

// mdbtools' own reader tells a null from an empty text, which dump prints alike.
void TestCrvtTool::nullPinyinIsStoredAsNull()
{
    QProcess p;
    p.start(u"mdb-export"_s, {u"-Q"_s, u"-d"_s, u"|"_s, u"-q"_s, u"'"_s, m_sampleStore, u"cv"_s});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    QVERIFY(lines.contains("？！……|只有标点|"_ba));
    QVERIFY(lines.contains("中国足球|国足|ZGZQ自定"_ba));
}

void TestCrvtTool::dumpPrintsNullsAsEmpty()
{
    const QString store = path(u"nulls.dat"_s);
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows.push_back({std::nullopt, u"无题"_s, u"wt"_s});
    cv.rows.push_back({u"无答"_s, std::nullopt, std::nullopt});
    cv.rows.push_back({std::nullopt, std::nullopt, std::nullopt});
    cv.rows.push_back({u""_s, u""_s, u""_s});
    QCOMPARE(jetwriter::writeJet4(store, u"qzv.lan/mt"_s, {cv}), std::nullopt);

    const Run d = runTool({u"dump"_s, store});
    QCOMPARE(d.exitCode, 0);
    QCOMPARE(d.out, "\t无题\twt\n无答\t\t\n\t\t\n\t\t\n"_ba);
}

void TestCrvtTool::buildReadsStandardInput()
{
    const QString store = path(u"stdin.dat"_s);
    const Run b = runTool({u"build"_s, u"-"_s, store}, u"C.UTF-8"_s, sampleList);
    QCOMPARE(b.err, QByteArray());
    QCOMPARE(b.exitCode, 0);
    QCOMPARE(runTool({u"dump"_s, store}).out, sampleDump);

    const Run bad = runTool({u"build"_s, u"-"_s, store}, u"C.UTF-8"_s, "q\ta\nno answer\n"_ba);
    QCOMPARE(bad.exitCode, 1);
    QCOMPARE(bad.err, "crvt-tool: standard input:2: missing answer\n"_ba);
}

// A value holding a line break, a tab or a backslash (from a store made elsewhere) is printed
// escaped, one row per line, and build reads the dump back into the same rows.
void TestCrvtTool::dumpEscapesWhatWouldBreakItsLines()
{
    const QString store = path(u"escapes.dat"_s);
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows.push_back({u"两行\n题目"_s, u"制表\t答案"_s, u"lh"_s});
    cv.rows.push_back({u"回车\r\n"_s, u"C:\\目录\\n"_s, u"hc"_s});
    QCOMPARE(jetwriter::writeJet4(store, u"qzv.lan/mt"_s, {cv}), std::nullopt);

    const Run d = runTool({u"dump"_s, store});
    QCOMPARE(d.exitCode, 0);
    const QByteArray dumped = "两行\\n题目\t制表\\t答案\tlh\n"
                              "回车\\r\\n\tC:\\\\目录\\\\n\thc\n"_ba;
    QCOMPARE(d.out, dumped);
    const Run q = runTool({u"query"_s, store, u"hc"_s});
    QCOMPARE(q.out, "回车\\r\\n\tC:\\\\目录\\\\n\n"_ba);

    // Built again from the dump, the store dumps the same.
    const QString rebuilt = path(u"escapes2.dat"_s);
    QVERIFY(writeFile(path(u"escapes.tsv"_s), dumped));
    QCOMPARE(runTool({u"build"_s, path(u"escapes.tsv"_s), rebuilt}).exitCode, 0);
    QCOMPARE(runTool({u"dump"_s, rebuilt}).out, dumped);
}

void TestCrvtTool::outputIsUtf8WhateverTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << u"C"_s;
    QTest::newRow("POSIX") << u"POSIX"_s;
    QTest::newRow("a locale the machine lacks") << u"zh_CN.GB18030"_s;
}

void TestCrvtTool::outputIsUtf8WhateverTheLocale()
{
    QFETCH(QString, locale);
    // A Chinese file name too: it must reach the file system as UTF-8.
    const QString list = path(u"题库.tsv"_s);
    const QString store = path(u"题库-%1.dat"_s.arg(locale));
    QVERIFY(writeFile(list, sampleList));
    const Run b = runTool({u"build"_s, list, store}, locale);
    QCOMPARE(b.exitCode, 0);
    QCOMPARE(b.out, u"crvt-tool: %1: 7 rows written\n"_s.arg(store).toUtf8());

    QCOMPARE(runTool({u"dump"_s, store}, locale).out, sampleDump);
    QCOMPARE(runTool({u"query"_s, store, u"世界"_s}, locale).out,
             "世界杯冠军最多的国家是？\t巴西\n"_ba);
    const Run missing = runTool({u"dump"_s, path(u"缺失.dat"_s)}, locale);
    QVERIFY(missing.err.startsWith(u"crvt-tool: %1: "_s.arg(path(u"缺失.dat"_s)).toUtf8()));
}

void TestCrvtTool::emptyPasswordBuildsOpenStore()
{
    const QString store = path(u"open.dat"_s);
    QCOMPARE(runTool({u"build"_s, path(u"sample.tsv"_s), store, u"--password="_s}).exitCode, 0);
    // A store without a password opens with any password, the program's included.
    for (const auto &password : {u"qzv.lan/mt"_s, u""_s, u"anything"_s}) {
        const Run d = runTool({u"dump"_s, store, u"--password"_s, password});
        QCOMPARE(d.exitCode, 0);
        QCOMPARE(d.out, sampleDump);
    }
}

void TestCrvtTool::buildReplacesExistingStore()
{
    const QString store = path(u"replace.dat"_s);
    QVERIFY(writeFile(path(u"one.tsv"_s), "一\t1\n"));
    QVERIFY(writeFile(path(u"two.tsv"_s), "二\t2\n"));
    QCOMPARE(runTool({u"build"_s, path(u"one.tsv"_s), store}).exitCode, 0);
    QCOMPARE(runTool({u"build"_s, path(u"two.tsv"_s), store}).exitCode, 0);
    QCOMPARE(runTool({u"dump"_s, store}).out, "二\t2\te\n"_ba);
}

// ---- query -------------------------------------------------------------------------

void TestCrvtTool::query_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray cup = "世界杯冠军最多的国家是？\t巴西\n";
    const QByteArray quotes = "\"引号\"里的字\t\"答\"\"案\"\n";
    const QByteArray football = "中国足球\t国足\n";
    const QByteArray fifa = "ＦＩＦＡ成立于哪一年？\t1904年\n";
    const QByteArray marks = "？！……\t只有标点\n";
    const QByteArray percent = "it's 100%\ta_b\n";
    const QByteArray spaces = "  前后空格  \t 答 \n";
    const QByteArray all = cup + quotes + football + fifa + marks + percent + spaces;

    QTest::newRow("pinyin initials") << u"sjb"_s << cup;
    QTest::newRow("fragment of a question") << u"世界"_s << cup;
    QTest::newRow("given pinyin, not the question's initials") << u"ZGZQ"_s << football;
    QTest::newRow("several matches in store order") << u"的"_s << cup + quotes;
    QTest::newRow("question mark in two questions") << u"？"_s << cup + fifa + marks;
    QTest::newRow("quote is an ordinary character") << u"'"_s << percent;
    QTest::newRow("double quote") << u"\""_s << quotes;
    QTest::newRow("percent alone matches every row") << u"%"_s << all;
    QTest::newRow("underscore alone matches every row") << u"_"_s << all;
    QTest::newRow("underscore matches one character") << u"s_b"_s << cup;
    QTest::newRow("underscore does not match none") << u"sj_jb"_s << QByteArray();
    QTest::newRow("percent matches a run") << u"世%国"_s << cup;
    QTest::newRow("spaces are searched as spaces") << u"  前"_s << spaces;
    QTest::newRow("single space") << u" "_s << percent + spaces;
    QTest::newRow("nothing matches") << u"不存在"_s << QByteArray();
    QTest::newRow("full-width letters in the question") << u"ＦＩＦＡ"_s << fifa;
}

void TestCrvtTool::query()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    const Run r = runTool({u"query"_s, m_sampleStore, u"--"_s, text});
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);
}

// The tool leaves out only the program's connection string; what it prints must be what
// the program's own OpenStoreQuery finds in a "crvt.dat" with the program's password.
void TestCrvtTool::queryAgreesWithTheProgram_data()
{
    QTest::addColumn<QString>("text");
    for (const auto &text : {u"sjb"_s, u"SJB"_s, u"zgzq"_s, u"世界"_s, u"？"_s, u"%"_s, u"_"_s,
                             u"'"_s, u"\""_s, u" "_s, u"s_b"_s, u"100%"_s, u"不存在"_s})
        QTest::newRow(qPrintable(text)) << text;
}

void TestCrvtTool::queryAgreesWithTheProgram()
{
    QFETCH(QString, text);
    const QString folder = path(u"program"_s);
    if (!QFileInfo::exists(folder + u"/crvt.dat"_s)) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(m_sampleStore, folder + u"/crvt.dat"_s));
    }
    store::StoreSession session([&folder] { return QString(folder); });
    QCOMPARE(session.OpenStoreQuery(QString::fromUtf16(store::kSearchStatement),
                                    store::searchParameters(text)),
             std::nullopt);
    store::RecordSet &records = *session.currentRecordSet();
    QByteArray expected;
    for (qsizetype i = 0; i < records.recordCount(); ++i) {
        expected +=
            records.field(0).value().toUtf8() + '\t' + records.field(1).value().toUtf8() + '\n';
        QCOMPARE(records.moveNext(), std::nullopt);
    }

    const Run r = runTool({u"query"_s, folder + u"/crvt.dat"_s, u"--"_s, text});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);
}

// ---- option positions --------------------------------------------------------------

void TestCrvtTool::optionPositions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");

    const QString store = path(u"password.dat"_s);
    const QString pw = u"pw 测试"_s;
    const QByteArray dump = "x-1\t减一\tx1\n-\t横杠\t\n"_ba;
    QTest::newRow("dump, password last")
        << QStringList{u"dump"_s, store, u"--password"_s, pw} << dump;
    QTest::newRow("dump, password first")
        << QStringList{u"--password"_s, pw, u"dump"_s, store} << dump;
    QTest::newRow("dump, password between command and store")
        << QStringList{u"dump"_s, u"--password"_s, pw, store} << dump;
    QTest::newRow("dump, --password=P")
        << QStringList{u"dump"_s, store, u"--password="_s + pw} << dump;
    QTest::newRow("query, password between store and text")
        << QStringList{u"query"_s, store, u"--password"_s, pw, u"x"_s} << "x-1\t减一\n"_ba;
    QTest::newRow("query, text after --")
        << QStringList{u"query"_s, store, u"--password"_s, pw, u"--"_s, u"-1"_s}
        << "x-1\t减一\n"_ba;
    QTest::newRow("query, -- before the command")
        << QStringList{u"--password"_s, pw, u"--"_s, u"query"_s, store, u"-1"_s}
        << "x-1\t减一\n"_ba;
    QTest::newRow("query, a lone dash is a text")
        << QStringList{u"query"_s, store, u"-"_s, u"--password"_s, pw} << "x-1\t减一\n-\t横杠\n"_ba;
}

void TestCrvtTool::optionPositions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    const QString store = path(u"password.dat"_s);
    if (!QFile::exists(store)) {
        QVERIFY(writeFile(path(u"password.tsv"_s), "x-1\t减一\n-\t横杠\n"));
        const Run b =
            runTool({u"--password"_s, u"pw 测试"_s, u"build"_s, path(u"password.tsv"_s), store});
        QCOMPARE(b.exitCode, 0);
        // The store really carries that password: the default one is refused.
        QCOMPARE(runTool({u"dump"_s, store}).exitCode, 1);
    }
    const Run r = runTool(arguments);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);
}

// ---- failures ----------------------------------------------------------------------

void TestCrvtTool::buildFailures_data()
{
    QTest::addColumn<QByteArray>("list");       // written to bad.tsv when not empty
    QTest::addColumn<QStringList>("arguments"); // %D is the test folder
    QTest::addColumn<QString>("message");       // %D again; empty: only the file is checked

    QTest::newRow("input missing")
        << QByteArray() << QStringList{u"build"_s, u"%D/nope.tsv"_s, u"%D/o.dat"_s}
        << u"crvt-tool: %D/nope.tsv: No such file or directory"_s;
    QTest::newRow("input is a directory")
        << QByteArray() << QStringList{u"build"_s, u"%D"_s, u"%D/o.dat"_s}
        << u"crvt-tool: %D: is a directory"_s;
    QTest::newRow("missing answer, line counted past blank lines")
        << "q\ta\n\n世界杯\n"_ba << QStringList{u"build"_s, u"%D/bad.tsv"_s, u"%D/o.dat"_s}
        << u"crvt-tool: %D/bad.tsv:3: missing answer"_s;
    QTest::newRow("more than three fields")
        << "q\ta\tp\tx\n"_ba << QStringList{u"build"_s, u"%D/bad.tsv"_s, u"%D/o.dat"_s}
        << u"crvt-tool: %D/bad.tsv:1: more than three fields (4)"_s;
    QTest::newRow("value over 255 characters")
        << "q\t"_ba + QByteArray(256, 'a') + "\n"
        << QStringList{u"build"_s, u"%D/bad.tsv"_s, u"%D/o.dat"_s}
        << u"crvt-tool: %D/bad.tsv:1: answer longer than 255 characters (256)"_s;
    QTest::newRow("not UTF-8") << "q\t\xB4\xF0\xB0\xB8\n"_ba
                               << QStringList{u"build"_s, u"%D/bad.tsv"_s, u"%D/o.dat"_s}
                               << u"crvt-tool: %D/bad.tsv:1: not valid UTF-8"_s;
    QTest::newRow("output is the input")
        << "q\ta\n"_ba << QStringList{u"build"_s, u"%D/bad.tsv"_s, u"%D/./bad.tsv"_s}
        << u"crvt-tool: %D/./bad.tsv: is the input file itself"_s;
    QTest::newRow("output folder missing")
        << "q\ta\n"_ba << QStringList{u"build"_s, u"%D/bad.tsv"_s, u"%D/no/such/o.dat"_s}
        << QString();
    QTest::newRow("password longer than Jet 4 holds")
        << "q\ta\n"_ba
        << QStringList{u"build"_s, u"%D/bad.tsv"_s, u"%D/o.dat"_s, u"--password"_s,
                       QString(21, u'p')}
        << QString();
}

void TestCrvtTool::buildFailures()
{
    QFETCH(QByteArray, list);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QTemporaryDir dir;
    if (!list.isEmpty())
        QVERIFY(writeFile(dir.filePath(u"bad.tsv"_s), list));
    for (QString &a : arguments)
        a.replace(u"%D"_s, dir.path());
    const QString output = arguments[2];

    const Run r = runTool(arguments);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
    if (message.isEmpty())
        QVERIFY2(err.startsWith(u"crvt-tool: %1: "_s.arg(output)), qPrintable(err));
    else
        QCOMPARE(err, message.replace(u"%D"_s, dir.path()) + u'\n');
    if (!output.endsWith(u"bad.tsv"))
        QVERIFY(!QFileInfo::exists(output));
}

void TestCrvtTool::storeFailures_data()
{
    QTest::addColumn<QString>("store");    // name in the test folder
    QTest::addColumn<QByteArray>("bytes"); // written to it unless null
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("cause"); // empty: only the file is checked

    const QByteArray none;
    const QString program = u"qzv.lan/mt"_s;
    QTest::newRow("missing") << u"missing.dat"_s << none << program << QString();
    QTest::newRow("directory") << u"."_s << none << program << QString();
    QTest::newRow("empty file") << u"empty.dat"_s << ""_ba << program << QString();
    QTest::newRow("text file") << u"text.dat"_s << "question\tanswer\n"_ba << program
                               << u"not a Jet database"_s;
    QTest::newRow("random bytes") << u"random.dat"_s << QByteArray(8192, '\x5A') << program
                                  << u"not a Jet database"_s;
    QTest::newRow("wrong password")
        << u"sample.dat"_s << none << u"qzv.lan/MT"_s << u"wrong database password"_s;
    QTest::newRow("Access store with the program's password")
        << QStringLiteral(ZC_FIXTURES_DIR "/access2003-password.mdb") << none << program
        << u"wrong database password"_s;
    QTest::newRow("Access store with its password, no table cv")
        << QStringLiteral(ZC_FIXTURES_DIR "/access2003-password.mdb") << none << u"password"_s
        << u"the database has no table cv"_s;
    QTest::newRow("our store without table cv")
        << u"other.dat"_s << none << program << u"the database has no table cv"_s;
    QTest::newRow("socket") << u"socket"_s << none << program
                            << u"is a socket, not an ordinary file"_s;
}

void TestCrvtTool::storeFailures()
{
    QFETCH(QString, store);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, password);
    QFETCH(QString, cause);
    const QString file = QDir(m_dir.path()).filePath(store);
    if (!bytes.isNull())
        QVERIFY(writeFile(file, bytes));
    if (store == u"socket")
        QVERIFY(makeNode(file, u"socket"));
    if (store == u"other.dat") {
        const jetwriter::TextTable other{
            u"other"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {{u"q"_s, u"a"_s, u"p"_s}}};
        QCOMPARE(jetwriter::writeJet4(file, password, {other}), std::nullopt);
    }
    const QByteArray before = readFile(file);

    for (const QStringList &args :
         {QStringList{u"dump"_s, file, u"--password"_s, password},
          QStringList{u"query"_s, file, u"q"_s, u"--password"_s, password}}) {
        const Run r = runTool(args);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray());
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
        const QString prefix = u"crvt-tool: %1: "_s.arg(file);
        if (cause.isEmpty())
            QVERIFY2(err.startsWith(prefix) && err.size() > prefix.size() + 1, qPrintable(err));
        else
            QCOMPARE(err, prefix + cause + u'\n');
    }
    QCOMPARE(readFile(file), before);
}

void TestCrvtTool::outputUntouchedWhenBuildFails_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("password");
    QTest::newRow("bad line") << "q\ta\nno answer\n"_ba << u"qzv.lan/mt"_s;
    QTest::newRow("writer refuses the password") << "q\ta\n"_ba << QString(21, u'p');
}

void TestCrvtTool::outputUntouchedWhenBuildFails()
{
    QFETCH(QByteArray, list);
    QFETCH(QString, password);
    QTemporaryDir dir;
    const QString output = dir.filePath(u"crvt.dat"_s);
    QVERIFY(writeFile(dir.filePath(u"in.tsv"_s), list));
    QVERIFY(QFile::copy(m_sampleStore, output));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

    const Run r =
        runTool({u"build"_s, dir.filePath(u"in.tsv"_s), output, u"--password"_s, password});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(readFile(output), readFile(m_sampleStore));
    // No temporary file left beside it either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

// Something other than an ordinary file as OUTPUT is named and left as it is; as INPUT it is
// refused before it is read (an endless one included), and standard input is given as "-".
void TestCrvtTool::specialFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("asOutput");
    QTest::addColumn<QString>("cause");
    for (const bool output : {true, false}) {
        const QString suffix = output ? u", not an ordinary file"_s : QString();
        const char *role = output ? "output" : "input";
        QTest::addRow("%s is a FIFO", role) << u"FIFO"_s << output << u"is a FIFO"_s + suffix;
        QTest::addRow("%s is a socket", role) << u"socket"_s << output << u"is a socket"_s + suffix;
        QTest::addRow("%s is a device node", role)
            << u"device"_s << output << u"is a device"_s + suffix;
        QTest::addRow("%s is a link to a FIFO", role)
            << u"link to FIFO"_s << output << u"is a FIFO"_s + suffix;
    }
    QTest::newRow("output is a directory")
        << u"directory"_s << true << u"is a directory, not an ordinary file"_s;
    QTest::newRow("input is /dev/zero") << u"/dev/zero"_s << false << u"is a device"_s;
}

void TestCrvtTool::specialFilesAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(bool, asOutput);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    QString special = kind.startsWith(u'/') ? kind : dir.filePath(u"node"_s);
    if (kind == u"link to FIFO") {
        QVERIFY(makeNode(dir.filePath(u"fifo"_s), u"FIFO"));
        QVERIFY(QFile::link(dir.filePath(u"fifo"_s), special));
    } else if (!kind.startsWith(u'/') && !makeNode(special, kind)) {
        QSKIP("cannot make a device node here (not root)");
    }
    const QString list = dir.filePath(u"in.tsv"_s);
    QVERIFY(writeFile(list, "q\ta\n"_ba));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    const mode_t type = typeOf(special);

    const Run r = runTool(
        {u"build"_s, asOutput ? list : special, asOutput ? special : dir.filePath(u"out.dat"_s)});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err), u"crvt-tool: %1: %2\n"_s.arg(special, cause));
    QCOMPARE(typeOf(special), type);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

// install writes where the program looks first, making the folders on the way; a folder that
// cannot be made is reported by name.
void TestCrvtTool::installBuildsThePlayersStore()
{
    const QString dataHome = path(u"install/nested"_s);
    const QString store = dataHome + u"/zembrik-corvanth/crvt.dat"_s;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    const Run i = runTool({u"install"_s, path(u"sample.tsv"_s)});
    QCOMPARE(i.err, QByteArray());
    QCOMPARE(i.exitCode, 0);
    QCOMPARE(QString::fromUtf8(i.out), u"crvt-tool: %1: 7 rows written\n"_s.arg(store));
    QCOMPARE(runTool({u"dump"_s, store}).out, sampleDump);

    QVERIFY(writeFile(path(u"install/file"_s), "x"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(u"install/file"_s)));
    const Run f = runTool({u"install"_s, path(u"sample.tsv"_s)});
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(f.exitCode, 1);
    QCOMPARE(QString::fromUtf8(f.err),
             u"crvt-tool: %1/zembrik-corvanth: cannot create the folder\n"_s.arg(
                 path(u"install/file"_s)));
}

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Runs install with the player's data folder at `dataHome`.
Run install(const QString &dataHome, const QString &list, const std::function<void()> &inChild = {},
            const QByteArray &input = {})
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    Run r = runTool({u"install"_s, list}, u"C.UTF-8"_s, input, inChild);
    qunsetenv("XDG_DATA_HOME");
    return r;
}

} // namespace

// A list without a single question would leave the player with an empty store.
void TestCrvtTool::installRefusesAListWithoutQuestions_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<bool>("standardInput");
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("blank lines only") << "\n  \n\t\r\n"_ba << false;
    QTest::newRow("a byte order mark only") << "\xEF\xBB\xBF"_ba << false;
    QTest::newRow("nothing on standard input") << QByteArray() << true;
}

void TestCrvtTool::installRefusesAListWithoutQuestions()
{
    QFETCH(QByteArray, list);
    QFETCH(bool, standardInput);
    QTemporaryDir home;
    const QString folder = home.filePath(u"zembrik-corvanth"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(m_sampleStore, folder + u"/crvt.dat"_s));
    QVERIFY(writeFile(home.filePath(u"empty.tsv"_s), list));
    const QStringList before = entries(folder);

    const QString name = standardInput ? u"-"_s : home.filePath(u"empty.tsv"_s);
    const Run r = install(home.path(), name, {}, list);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(
        QString::fromUtf8(r.err),
        u"crvt-tool: %1: the list holds no question; the installed store was left as it is\n"_s.arg(
            standardInput ? u"standard input"_s : name));
    QCOMPARE(readFile(folder + u"/crvt.dat"_s), readFile(m_sampleStore));
    QCOMPARE(entries(folder), before);
}

// Each install keeps the store it replaces as crvt.dat.bak, one generation: renaming it back
// undoes the last install. The new store keeps the permissions of the one it replaces.
void TestCrvtTool::installKeepsTheStoreItReplaces()
{
    QTemporaryDir home;
    const QString folder = home.filePath(u"zembrik-corvanth"_s);
    const QString store = folder + u"/crvt.dat"_s, backup = store + u".bak"_s;
    QVERIFY(writeFile(home.filePath(u"one.tsv"_s), "一\t1\n"));
    QVERIFY(writeFile(home.filePath(u"two.tsv"_s), "二\t2\n"));
    QVERIFY(writeFile(home.filePath(u"three.tsv"_s), "三\t3\n"));

    const Run first = install(home.path(), home.filePath(u"one.tsv"_s));
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(QString::fromUtf8(first.out), u"crvt-tool: %1: 1 row written\n"_s.arg(store));
    QVERIFY(!QFile::exists(backup));
    const QByteArray one = readFile(store);
    QVERIFY(QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));

    const Run second = install(home.path(), home.filePath(u"two.tsv"_s));
    QCOMPARE(second.err, QByteArray());
    QCOMPARE(QString::fromUtf8(second.out),
             u"crvt-tool: %1: 1 row written\ncrvt-tool: the store it replaced is kept as %2; "
             "renaming it back to crvt.dat undoes the install\n"_s.arg(store, backup));
    QCOMPARE(readFile(backup), one);
    QCOMPARE(runTool({u"dump"_s, store}).out, "二\t2\te\n"_ba);
    const QFileDevice::Permissions modes = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                           QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(store) & modes,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QByteArray two = readFile(store);

    QCOMPARE(install(home.path(), home.filePath(u"three.tsv"_s)).exitCode, 0);
    QCOMPARE(readFile(backup), two); // one generation: the first store is gone
    QCOMPARE(entries(folder), (QStringList{u"crvt.dat"_s, u"crvt.dat.bak"_s}));

    // Undone by renaming the file back.
    QVERIFY(QFile::remove(store));
    QVERIFY(QFile::rename(backup, store));
    QCOMPARE(runTool({u"dump"_s, store}).out, "二\t2\te\n"_ba);
}

// A player's crvt.dat that is a link to a store elsewhere: the store it names is replaced, as
// the program reads it through the link, and the link stays.
void TestCrvtTool::installFollowsALinkedStore()
{
    QTemporaryDir home;
    const QString folder = home.filePath(u"zembrik-corvanth"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString elsewhere = home.filePath(u"shared.dat"_s);
    QVERIFY(QFile::copy(m_sampleStore, elsewhere));
    QVERIFY(QFile::link(elsewhere, folder + u"/crvt.dat"_s));
    QVERIFY(writeFile(home.filePath(u"one.tsv"_s), "一\t1\n"));

    QCOMPARE(install(home.path(), home.filePath(u"one.tsv"_s)).exitCode, 0);
    QVERIFY(QFileInfo(folder + u"/crvt.dat"_s).isSymLink());
    QCOMPARE(runTool({u"dump"_s, elsewhere}).out, "一\t1\ty\n"_ba);
    QCOMPARE(readFile(folder + u"/crvt.dat.bak"_s), readFile(m_sampleStore));
    QCOMPARE(entries(home.path()),
             (QStringList{u"one.tsv"_s, u"shared.dat"_s, u"zembrik-corvanth"_s}));
}

// Whatever step fails, the player's store and the kept one stay byte for byte as they were,
// and nothing is left beside them.
void TestCrvtTool::failedInstallLeavesEverythingAsItWas_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message"); // "@" the store's path; "…" any text
    QTest::newRow("a line of the list is wrong") << u"bad list"_s << u"crvt-tool: @list:2: …"_s;
    QTest::newRow("the new store cannot be written (file size limit)")
        << u"new store too large"_s << u"crvt-tool: @: cannot write …"_s;
    QTest::newRow("the replaced store cannot be kept (file size limit)")
        << u"old store too large"_s
        << u"crvt-tool: @.bak: cannot keep the store it replaces here: …; nothing was installed"_s;
    QTest::newRow("crvt.dat.bak is a directory")
        << u"backup is a directory"_s
        << u"crvt-tool: @.bak: cannot keep the store it replaces here: …; nothing was installed"_s;
    QTest::newRow("the folder cannot be written (another user)")
        << u"folder not writable"_s << u"crvt-tool: @: cannot create …"_s;
}

void TestCrvtTool::failedInstallLeavesEverythingAsItWas()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    QTemporaryDir home;
    const QString folder = home.filePath(u"zembrik-corvanth"_s);
    const QString store = folder + u"/crvt.dat"_s, backup = store + u".bak"_s;
    QVERIFY(QDir().mkpath(folder));
    // The store replaced is large, the new one small, so that a file size limit can fall
    // between them.
    QByteArray many;
    for (int i = 0; i < 3000; ++i)
        many += u"第%1题：中国的首都是哪里？\t北京\n"_s.arg(i).toUtf8();
    QVERIFY(writeFile(home.filePath(u"many.tsv"_s), many));
    QCOMPARE(runTool({u"build"_s, home.filePath(u"many.tsv"_s), store}).exitCode, 0);
    if (failure == u"backup is a directory")
        QVERIFY(QDir().mkdir(backup));
    else
        QVERIFY(writeFile(backup, "the store an earlier install replaced"));
    const QString list = home.filePath(u"list"_s);
    QVERIFY(writeFile(list, failure == u"bad list" ? "一\t1\nno answer\n"_ba : "一\t1\n"_ba));
    QCOMPARE(runTool({u"build"_s, list, home.filePath(u"small.dat"_s)}).exitCode,
             failure == u"bad list" ? 1 : 0);
    const qint64 small = QFileInfo(home.filePath(u"small.dat"_s)).size();
    const qint64 large = QFileInfo(store).size();
    QVERIFY2(small < large, qPrintable(u"%1 against %2"_s.arg(small).arg(large)));
    const QByteArray storeBefore = readFile(store), backupBefore = readFile(backup);
    const QStringList before = entries(folder);

    std::function<void()> inChild;
    if (failure.endsWith(u"too large")) {
        // Writing past the limit fails with EFBIG instead of ending the tool.
        const rlim_t limit = rlim_t(failure.startsWith(u"new") ? small / 2 : small + 4096);
        inChild = [limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit l{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &l);
        };
    }
    Run r;
    if (failure == u"folder not writable") {
        if (::geteuid() != 0)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        else if (!QFile::exists(u"/usr/bin/setpriv"_s))
            QSKIP("setpriv (util-linux) is needed to run the tool as another user");
        QVERIFY(QFile::setPermissions(home.path(), QFileDevice::Permissions(0x7755)));
        QVERIFY(QFile::setPermissions(list, QFileDevice::Permissions(0x6644)));
        QVERIFY(QFile::setPermissions(store, QFileDevice::Permissions(0x6644)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        QProcess p;
        if (::geteuid() == 0)
            p.start(u"/usr/bin/setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s,
                                            u"--clear-groups"_s, toolPath(), u"install"_s, list});
        else
            p.start(toolPath(), {u"install"_s, list});
        qunsetenv("XDG_DATA_HOME");
        QVERIFY(p.waitForFinished(60000));
        r = {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7700));
    } else {
        r = install(home.path(), list, inChild);
    }
    QCOMPARE(r.exitCode, 1);
    const QString err = QString::fromUtf8(r.err);
    message.replace(u"@"_s, failure == u"bad list" ? home.path() + u'/' : store);
    QVERIFY2(err.startsWith(message.section(u'…', 0, 0)) &&
                 err.endsWith(message.section(u'…', 1) + u'\n') && err.count(u'\n') == 1,
             qPrintable(err));
    QCOMPARE(readFile(store), storeBefore);
    if (failure != u"backup is a directory")
        QCOMPARE(readFile(backup), backupBefore);
    QCOMPARE(entries(folder), before);
}

QTEST_GUILESS_MAIN(TestCrvtTool)
#include "tst_crvttool.moc"
