// crvt-tool recognize and match as maintainers run them: the real executable on stores it
// builds (one of 100,000 questions that differ only in their number), rendered question
// pictures, and files that are not what they should be. What the ranking makes of damaged
// texts is tested at the ranker; here, the output and the exit statuses, the refusals of
// hostile pictures and special files (one line each), and the tool under tight limits on its
// address space.
#include "tests/lookup/recognition/hostilepictures.h"
#include "tests/lookup/recognition/oddfiles.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray quizList = "秦始皇统一六国是在哪一年？\t公元前221年\n"
                            "五四运动发生在哪一年？\t1919年\n"
                            "中国第一部诗歌总集是？\t诗经\n"
                            "简称“陇”或“甘”的省是？\t甘肃省\n"_ba;

const QString tool = QStringLiteral(ZC_BIN_DIR "/crvt-tool");

struct Run
{
    int exitCode = -1; // -1: killed by a signal, or still running at the time limit
    QByteArray out;
    QByteArray err;
    QString how; // how it ended, for messages
};

struct Options
{
    qint64 addressSpace = 0; // RLIMIT_AS in bytes; 0: none
    QStringList environment; // NAME=VALUE added
    int timeoutMs = 60000;
};

Run runProgram(const QString &program, const QStringList &arguments, const Options &options = {})
{
    QProcess p;
    if (!options.environment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &pair : options.environment)
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        p.setProcessEnvironment(env);
    }
    if (options.addressSpace > 0) {
        const rlim_t limit = rlim_t(options.addressSpace);
        p.setChildProcessModifier([limit] {
            const rlimit l{limit, limit};
            ::setrlimit(RLIMIT_AS, &l);
        });
    }
    p.start(program, arguments);
    if (!p.waitForFinished(options.timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {-1, p.readAllStandardOutput(), p.readAllStandardError(), u"still running"_s};
    }
    if (p.exitStatus() != QProcess::NormalExit)
        return {-1, p.readAllStandardOutput(), p.readAllStandardError(), u"killed by a signal"_s};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError(),
            u"exit status %1"_s.arg(p.exitCode())};
}

Run runTool(const QStringList &arguments, const Options &options = {})
{
    return runProgram(tool, arguments, options);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A refusal is one line on standard error, the tool's own, and nothing on standard output.
bool oneLine(const Run &r)
{
    return r.out.isEmpty() && r.err.startsWith("crvt-tool: ") && r.err.endsWith('\n') &&
           r.err.count('\n') == 1;
}

QByteArray describe(const Run &r)
{
    return (r.how + u": "_s).toUtf8() + r.err.left(600);
}

} // namespace

class TestCrvtRecognize : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void statuses_data();
    void statuses();
    void missingModelsSayWhichFile();

    void specialFilesAreRefusedAtOnce_data();
    void specialFilesAreRefusedAtOnce();
    void hostilePicturesAreRefused_data();
    void hostilePicturesAreRefused();
    void namesAreOpenedAsTheBytesGiven_data();
    void namesAreOpenedAsTheBytesGiven();
    void librariesStayQuiet_data();
    void librariesStayQuiet();
    void unreadableFileSaysSo();
    void memoryRunningOut_data();
    void memoryRunningOut();

private:
    bool engineInstalled() const;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The lowest address-space limit under which the tool starts at all.
    qint64 startingAddressSpace();

    QTemporaryDir m_dir;
    qint64 m_startingAddressSpace = 0;
};

bool TestCrvtRecognize::engineInstalled() const
{
    return QFile::exists(u"/usr/share/tesseract-ocr/5/tessdata/chi_sim.traineddata"_s) ||
           qEnvironmentVariableIsSet("TESSDATA_PREFIX");
}

void TestCrvtRecognize::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile list(m_dir.filePath(u"quiz.tsv"_s));
    QVERIFY(list.open(QIODevice::WriteOnly) && list.write(quizList) == quizList.size());
    list.close();
    const Run built = runTool({u"build"_s, list.fileName(), m_dir.filePath(u"store.dat"_s)});
    QCOMPARE(built.exitCode, 0);

    // 100,000 questions that differ only in their number.
    QFile numbered(m_dir.filePath(u"numbered.tsv"_s));
    QVERIFY(numbered.open(QIODevice::WriteOnly));
    for (int i = 0; i < 100000; ++i) {
        numbered.write(u"问题%1 秦始皇统一六国是在哪一年\t答案%2\n"_s.arg(i, 6, 10, QChar(u'0'))
                           .arg(i)
                           .toUtf8());
    }
    numbered.close();
    QCOMPARE(runTool({u"build"_s, numbered.fileName(), m_dir.filePath(u"numbered.dat"_s)}).exitCode,
             0);

    // The question as the game shows it: a title before it, light text on a dark ground.
    const int id =
        QFontDatabase::addApplicationFont(u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s);
    QFont font(id >= 0 ? QFontDatabase::applicationFontFamilies(id).value(0) : QString());
    font.setPixelSize(18);
    QImage image(420, 40, QImage::Format_RGB32);
    image.fill(QColor(40, 30, 50));
    QPainter p(&image);
    p.setFont(font);
    p.setPen(QColor(250, 240, 200));
    p.drawText(10, 27, u"【每日答题】中国第一部诗歌总集是？"_s);
    p.end();
    QVERIFY(image.save(m_dir.filePath(u"question.png"_s)));
    QVERIFY(image.save(m_dir.filePath(u"question.jpg"_s), "JPG", 70));

    // The question with its answer options under it, the answer second.
    QImage options(420, 76, QImage::Format_RGB32);
    options.fill(QColor(40, 30, 50));
    p.begin(&options);
    p.setFont(font);
    p.setPen(QColor(250, 240, 200));
    p.drawText(10, 27, u"中国第一部诗歌总集是？"_s);
    p.drawText(10, 63, u"A.楚辞   B.诗经   C.离骚   D.乐府"_s);
    p.end();
    QVERIFY(options.save(m_dir.filePath(u"options.png"_s)));

    QImage blank(300, 40, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QVERIFY(blank.save(m_dir.filePath(u"blank.bmp"_s)));
    QVERIFY(QFile::copy(list.fileName(), m_dir.filePath(u"text.png"_s)));
    QVERIFY(writeFile(path(u"wide.png"_s), hostile::pngPlain(20000, 1)));
}

// Qt cannot name the files whose names are not UTF-8, nor so remove them with the folder.
void TestCrvtRecognize::cleanupTestCase()
{
    const QByteArray folder = QFile::encodeName(m_dir.path());
    for (const char *name : {"/\xFF\xFE.png", "/\xFF\xFE.dat"})
        ::unlink((folder + name).constData());
}

void TestCrvtRecognize::statuses_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the test folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");

    const QByteArray poem = "中国第一部诗歌总集是？\t诗经\t\n";
    const bool engine = QFile::exists(QStringLiteral(ZC_BIN_DIR "/models/ppocrv4_rec.onnx"));
    QTest::newRow("match: damaged text, best row first")
        << QStringList{u"match"_s, u"@/store.dat"_s, u"第2题 五四运动发生在那一年"_s} << 0
        << "五四运动发生在哪一年？\t1919年\n"_ba;
    QTest::newRow("match: --top 1 prints one row")
        << QStringList{u"match"_s, u"@/store.dat"_s, u"秦始皇统一六国是在哪一年"_s, u"--top=1"_s}
        << 0 << "秦始皇统一六国是在哪一年？\t公元前221年\n"_ba;
    QTest::newRow("match: the exact number among 100,000 numbered questions")
        << QStringList{u"match"_s, u"@/numbered.dat"_s, u"问题099999 秦始皇统一六国是在哪一年"_s,
                       u"--top=1"_s}
        << 0 << "问题099999 秦始皇统一六国是在哪一年\t答案99999\n"_ba;
    QTest::newRow("match: nothing resembles a question")
        << QStringList{u"match"_s, u"@/store.dat"_s, u"今天天气很好"_s} << 3 << QByteArray();
    QTest::newRow("match: wrong password")
        << QStringList{u"match"_s, u"@/store.dat"_s, u"五四运动"_s, u"--password"_s, u"x"_s} << 1
        << QByteArray();
    QTest::newRow("match: no store")
        << QStringList{u"match"_s, u"@/none.dat"_s, u"五四运动"_s} << 1 << QByteArray();
    if (engine) {
        QTest::newRow("recognize: PNG") << QStringList{u"recognize"_s, u"@/store.dat"_s,
                                                       u"@/question.png"_s, u"--top"_s, u"1"_s}
                                        << 0 << poem;
        QTest::newRow("recognize: JPEG") << QStringList{u"recognize"_s, u"@/store.dat"_s,
                                                        u"@/question.jpg"_s, u"--top"_s, u"1"_s}
                                         << 0 << poem;
        QTest::newRow("recognize: the option showing the answer")
            << QStringList{u"recognize"_s, u"@/store.dat"_s, u"@/options.png"_s, u"--top"_s, u"1"_s}
            << 0 << "中国第一部诗歌总集是？\t诗经\tB\n"_ba;
        QTest::newRow("recognize: a picture without a question")
            << QStringList{u"recognize"_s, u"@/store.dat"_s, u"@/blank.bmp"_s} << 3 << QByteArray();
    }
    if (engine) {
        // Read, and nothing found on it: not a failure to read the file.
        QTest::newRow("recognize: a white 20000x1 PNG")
            << QStringList{u"recognize"_s, u"@/store.dat"_s, u"@/wide.png"_s} << 3 << QByteArray();
    }
    QTest::newRow("recognize: a file that is not an image")
        << QStringList{u"recognize"_s, u"@/store.dat"_s, u"@/text.png"_s} << 1 << QByteArray();
    QTest::newRow("recognize: no image file")
        << QStringList{u"recognize"_s, u"@/store.dat"_s, u"@/none.png"_s} << 1 << QByteArray();
    QTest::newRow("recognize: a folder")
        << QStringList{u"recognize"_s, u"@/store.dat"_s, u"@"_s} << 1 << QByteArray();
    QTest::newRow("recognize: no store")
        << QStringList{u"recognize"_s, u"@/none.dat"_s, u"@/question.png"_s} << 1 << QByteArray();
    QTest::newRow("operand missing")
        << QStringList{u"recognize"_s, u"@/store.dat"_s} << 2 << QByteArray();
    QTest::newRow("--top 0") << QStringList{u"match"_s, u"@/store.dat"_s, u"五四"_s, u"--top"_s,
                                            u"0"_s}
                             << 2 << QByteArray();
    QTest::newRow("--top without a number")
        << QStringList{u"match"_s, u"@/store.dat"_s, u"五四"_s, u"--top"_s} << 2 << QByteArray();
    QTest::newRow("--top with query")
        << QStringList{u"query"_s, u"@/store.dat"_s, u"五四"_s, u"--top"_s, u"2"_s} << 2
        << QByteArray();
}

void TestCrvtRecognize::statuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    for (QString &a : arguments)
        a.replace(u"@"_s, m_dir.path());
    const Run r = runTool(arguments);
    QVERIFY2(r.exitCode == exitCode, r.err.constData());
    QCOMPARE(r.out, out);
    // Every failure says why, in one line; recognize shows what it read.
    if (exitCode != 0)
        QVERIFY2(oneLine(r), describe(r));
    if (arguments[0] == u"recognize")
        QVERIFY(!r.err.isEmpty());
}

void TestCrvtRecognize::missingModelsSayWhichFile()
{
    QTemporaryDir empty;
    QProcess p;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"ZC_MODEL_DIR"_s, empty.path());
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral(ZC_BIN_DIR "/crvt-tool"),
            {u"recognize"_s, m_dir.filePath(u"store.dat"_s), m_dir.filePath(u"question.png"_s)});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardOutput().isEmpty());
    // One line: the file and what to do.
    QCOMPARE(err.count(u'\n'), 1);
    QVERIFY2(err.contains(empty.path() + u'/') && err.contains(u"install"_s), qPrintable(err));
}

// IMAGE must be an ordinary file after links: anything else is named at once, never opened
// (a FIFO would wait for a writer forever).
void TestCrvtRecognize::specialFilesAreRefusedAtOnce_data()
{
    hostile::oddFileRows();
}

void TestCrvtRecognize::specialFilesAreRefusedAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    hostile::OddFile file;
    hostile::makeOddFile(dir, kind, &file);
    if (QTest::currentTestFailed())
        return;
    if (file.notHere)
        QSKIP("cannot make a device node here (not root)");
    const QString node = file.path;
    const Run r = runTool({u"recognize"_s, path(u"store.dat"_s), node}, Options{0, {}, 20000});
    file.close();
    QVERIFY2(r.exitCode == 1, describe(r));
    QCOMPARE(QString::fromUtf8(r.err),
             u"crvt-tool: %1: %2\n"_s.arg(node.isEmpty() ? u"\"\""_s : node, cause));
    QCOMPARE(r.out, QByteArray());
}

// Each costs next to nothing now: refused from its header or structure, or counted busy before
// the engine sees it. Before, the first two peaked at 2 GB; the rules took 20 to 35 s.
void TestCrvtRecognize::hostilePicturesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");
    QTest::newRow("44-byte PNG whose text chunk claims 2 GiB")
        << hostile::pngTextChunkBomb()
        << u"damaged PNG picture: a chunk (tEXt) claims 2147483647 bytes, more than the file holds"_s;
    QTest::newRow("PNG header claiming 60000x60000")
        << hostile::pngClaiming(60000, 60000)
        << u"a picture of 60000×60000 pixels, more than 32000 pixels wide or tall, larger than "
           "any screen region; the text recognition reads nothing that size"_s;
    QTest::newRow("PNG header claiming 16000x16000")
        << hostile::pngClaiming(16000, 16000)
        << u"a picture of 16000×16000 pixels, more than 40 megapixels, larger than any screen "
           "region"_s;
    QTest::newRow("JPEG frame claiming 16000x16000")
        << hostile::jpegClaiming(16000, 16000)
        << u"a picture of 16000×16000 pixels, more than 40 megapixels, larger than any screen "
           "region"_s;
    QTest::newRow("JPEG of 101 scans") << hostile::jpegScans(101)
                                       << u"a JPEG of more than 100 scans (a progressive JPEG has "
                                          "about ten): decoding it would take far too long"_s;
    const QString busy = u"more than 60000 separate marks in the picture, far busier than a "
                         "question; choose a smaller region around the question"_s;
    QTest::newRow("5000x5000 PNG of thin rules (44 KB)")
        << hostile::encoded(hostile::thinRules(5000), "PNG") << busy;
    QTest::newRow("1000x1000 PNG of noise")
        << hostile::encoded(hostile::noise(1000, 1000), "PNG") << busy;
}

void TestCrvtRecognize::hostilePicturesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);
    const QString picture = path(u"hostile.png"_s);
    QVERIFY(writeFile(picture, bytes));
    const Run r = runTool({u"recognize"_s, path(u"store.dat"_s), picture});
    QVERIFY2(r.exitCode == 1, describe(r));
    QCOMPARE(QString::fromUtf8(r.err), u"crvt-tool: %1: %2\n"_s.arg(picture, cause));
    QCOMPARE(r.out, QByteArray());
}

// A name that is not UTF-8 opens the file of those bytes, and messages name it by them. The
// names go through the shell's printf: Qt's process arguments are text.
void TestCrvtRecognize::namesAreOpenedAsTheBytesGiven_data()
{
    QTest::addColumn<QStringList>(
        "arguments"); // after the tool; \0377\0376 as printf's %b reads it
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("store named \\xFF\\xFE")
        << QStringList{u"match"_s, u"\\0377\\0376.dat"_s, u"秦始皇统一六国是在哪一年"_s,
                       u"--top=1"_s}
        << 0 << "秦始皇统一六国是在哪一年？\t公元前221年\n"_ba << QByteArray();
    QTest::newRow("missing picture named \\xFF\\xFE")
        << QStringList{u"recognize"_s, u"store.dat"_s, u"\\0377\\0376-none.png"_s} << 1
        << QByteArray() << "crvt-tool: \xFF\xFE-none.png: no such file\n"_ba;
    if (engineInstalled())
        QTest::newRow("picture named \\xFF\\xFE")
            << QStringList{u"recognize"_s, u"store.dat"_s, u"\\0377\\0376.png"_s, u"--top=1"_s} << 0
            << "中国第一部诗歌总集是？\t诗经\t\n"_ba << QByteArray();
}

void TestCrvtRecognize::namesAreOpenedAsTheBytesGiven()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    const QByteArray folder = QFile::encodeName(m_dir.path());
    QVERIFY(::link((folder + "/question.png").constData(),
                   (folder + "/\xFF\xFE.png").constData()) == 0 ||
            errno == EEXIST);
    QVERIFY(::link((folder + "/store.dat").constData(), (folder + "/\xFF\xFE.dat").constData()) ==
                0 ||
            errno == EEXIST);
    QString script = u"cd \"$1\" && exec \"$0\""_s;
    for (const QString &a : arguments)
        script += u" \"$(printf '%b' '%1')\""_s.arg(a);
    const Run r = runProgram(u"/bin/sh"_s, {u"-c"_s, script, tool, m_dir.path()});
    QVERIFY2(r.exitCode == exitCode, describe(r));
    QCOMPARE(r.out, out);
    if (exitCode != 0)
        QCOMPARE(r.err, err);
}

// What the decoders and the engine have to say comes out in the tool's one line: the file and
// what is wrong with it, never their own lines before it.
void TestCrvtRecognize::librariesStayQuiet_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line"); // "@" the test folder; "…" stands for any text
    QTest::newRow("PNG whose compressed data is damaged (libpng)")
        << u"damaged png"_s << 1 << u"crvt-tool: @/damaged.png: damaged PNG picture: …"_s;
    if (!engineInstalled())
        return;
    QTest::newRow("JPEG cut short (libjpeg)")
        << u"cut jpeg"_s << 3
        << u"crvt-tool: nothing in @/cut.jpg resembles a question of @/store.dat; …(the picture "
           "is damaged: the file ends early)"_s;
    QTest::newRow("recognition model cut short")
        << u"damaged model"_s << 1
        << u"crvt-tool: text recognition model @/models/ppocrv4_rec.onnx unusable: install "
           "zembrik-corvanth again (in a source tree, cmake --build makes it)"_s;
}

void TestCrvtRecognize::librariesStayQuiet()
{
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
    QStringList environment;
    QString picture;
    if (setup == u"damaged png") {
        QByteArray png = hostile::pngPlain(40, 40, 128);
        const qsizetype idat = png.indexOf("IDAT") + 4;
        QByteArray data = png.mid(idat, 20);
        data[3] = char(data[3] ^ 0x5A);
        data[6] = char(data[6] ^ 0xA5);
        picture = path(u"damaged.png"_s);
        QVERIFY(writeFile(picture, png.left(idat - 8) + hostile::pngChunk("IDAT", data) +
                                       hostile::pngChunk("IEND", {})));
    } else if (setup == u"cut jpeg") {
        QImage blank(400, 300, QImage::Format_RGB32);
        blank.fill(Qt::white);
        const QByteArray jpeg = hostile::encoded(blank, "JPG", 90);
        picture = path(u"cut.jpg"_s);
        QVERIFY(writeFile(picture, jpeg.first(jpeg.size() / 2)));
    } else {
        // The models beside crvt-tool, the recognition model cut short.
        const QString models = QStringLiteral(ZC_BIN_DIR "/models/");
        QVERIFY(QDir().mkpath(path(u"models"_s)));
        for (const QString &name : {u"ppocrv4_det.onnx"_s, u"ppocr_keys_v1.txt"_s}) {
            QFile::remove(path(u"models/"_s + name));
            QVERIFY(QFile::copy(models + name, path(u"models/"_s + name)));
        }
        QFile rec(models + u"ppocrv4_rec.onnx"_s);
        QVERIFY(rec.open(QIODevice::ReadOnly));
        QVERIFY(writeFile(path(u"models/ppocrv4_rec.onnx"_s), rec.read(3000000)));
        environment << u"ZC_MODEL_DIR="_s + path(u"models"_s);
        picture = path(u"question.png"_s);
    }
    const Run r =
        runTool({u"recognize"_s, path(u"store.dat"_s), picture}, Options{0, environment, 60000});
    QVERIFY2(r.exitCode == exitCode, describe(r));
    QVERIFY2(oneLine(r), describe(r));
    line.replace(u"@"_s, m_dir.path());
    const QString err = QString::fromUtf8(r.err);
    const QString before = line.section(u'…', 0, 0), after = line.section(u'…', 1) + u'\n';
    if (line.contains(u'…'))
        QVERIFY2(err.startsWith(before) && err.endsWith(after) && !err.contains(u"libpng"_s),
                 qPrintable(err));
    else
        QCOMPARE(err, line + u'\n');
}

// Permission is checked by the system for everyone but root, and the tests run as root: the
// tool runs as nobody here.
void TestCrvtRecognize::unreadableFileSaysSo()
{
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther));
    const QString picture = dir.filePath(u"secret.png"_s);
    QVERIFY(QFile::copy(path(u"question.png"_s), picture));
    QVERIFY(QFile::setPermissions(picture, QFile::WriteOwner));
    Run r;
    if (::geteuid() == 0) {
        if (!QFile::exists(u"/usr/bin/setpriv"_s))
            QSKIP("setpriv (util-linux) is needed to run the tool as another user");
        r = runProgram(u"/usr/bin/setpriv"_s,
                       {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, tool,
                        u"recognize"_s, path(u"store.dat"_s), picture});
    } else {
        r = runTool({u"recognize"_s, path(u"store.dat"_s), picture});
    }
    QVERIFY2(r.exitCode == 1, describe(r));
    QCOMPARE(QString::fromUtf8(r.err), u"crvt-tool: %1: Permission denied\n"_s.arg(picture));
}

qint64 TestCrvtRecognize::startingAddressSpace()
{
    if (m_startingAddressSpace)
        return m_startingAddressSpace;
    qint64 low = 16 << 20, high = qint64(2) << 30; // fails at low, starts at high
    while (high - low > (1 << 20)) {
        const qint64 middle = (low + high) / 2;
        const Run r = runTool({u"--help"_s}, Options{middle, {}, 60000});
        (r.exitCode == 0 ? high : low) = middle;
    }
    return m_startingAddressSpace = high;
}

// Under a limit on its address space (ulimit -v) the tool reads the picture as it does without
// one, or ends with one line (status 1): never a crash, a hang or another status. The limits
// go from the least the tool starts with up to where each picture is read in full; what it
// maps at start differs between machines, so the range is found, not written down.
void TestCrvtRecognize::memoryRunningOut_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<int>("stepMiB");
    QTest::newRow("a question") << u"question.png"_s << 16;
    QTest::newRow("a question on a 4000x3000 screen") << u"screen.png"_s << 24;
    QTest::newRow("5000x5000 of thin rules") << u"rules.png"_s << 24;
    QTest::newRow("6000x6000 colour") << u"colour.png"_s << 32;
}

void TestCrvtRecognize::memoryRunningOut()
{
    QFETCH(QString, picture);
    QFETCH(int, stepMiB);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of address space for its shadow at start: under a
    // limit of a few GiB the tool cannot start at all, so running short is not what is seen.
    QSKIP("an address-space limit cannot be tested under AddressSanitizer");
#endif
    if (!engineInstalled())
        QSKIP("tesseract-ocr-chi-sim is not installed");
    if (picture == u"screen.png"_s && !QFile::exists(path(picture))) {
        QImage screen(4000, 3000, QImage::Format_RGB32);
        screen.fill(QColor(40, 30, 50));
        QPainter(&screen).drawImage(1800, 1400, QImage(path(u"question.png"_s)));
        QVERIFY(screen.save(path(picture)));
    } else if (picture == u"rules.png"_s) {
        QVERIFY(writeFile(path(picture), hostile::encoded(hostile::thinRules(5000), "PNG")));
    } else if (picture == u"colour.png"_s) {
        QImage colour(6000, 6000, QImage::Format_RGB32);
        colour.fill(QColor(200, 180, 40));
        QVERIFY(colour.save(path(picture)));
    }
    const QStringList arguments{u"recognize"_s, path(u"store.dat"_s), path(picture)};
    const Run unlimited = runTool(arguments);
    QVERIFY2(unlimited.exitCode == 0 || unlimited.exitCode == 1 || unlimited.exitCode == 3,
             describe(unlimited));

    const qint64 start = startingAddressSpace();
    int readInFull = 0;
    for (qint64 limit = start; limit < start + (qint64(1) << 30) && readInFull < 2;
         limit += qint64(stepMiB) << 20) {
        const Run r = runTool(arguments, Options{limit, {}, 45000});
        const QByteArray at = u"at %1 MiB: "_s.arg(limit >> 20).toUtf8();
        QVERIFY2(r.exitCode == 1 || r.exitCode == unlimited.exitCode, at + describe(r));
        if (r.exitCode == unlimited.exitCode && r.out == unlimited.out && r.err == unlimited.err) {
            ++readInFull;
            continue;
        }
        QVERIFY2(r.exitCode == 1 && oneLine(r), at + describe(r));
    }
    QVERIFY2(readInFull == 2, "never read in full within 1 GiB above the start");
}

QTEST_MAIN(TestCrvtRecognize)
#include "tst_crvtrecognize.moc"
