// crvt-tool recognize and match as maintainers run them: the real executable on a store it
// builds, a rendered question picture, and files that are not what they should be. What
// the ranking makes of damaged texts is tested at the ranker; here, the output and the
// exit statuses.
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray quizList = "秦始皇统一六国是在哪一年？\t公元前221年\n"
                            "五四运动发生在哪一年？\t1919年\n"
                            "中国第一部诗歌总集是？\t诗经\n"
                            "简称“陇”或“甘”的省是？\t甘肃省\n"_ba;

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(ZC_BIN_DIR "/crvt-tool"), arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace

class TestCrvtRecognize : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statuses_data();
    void statuses();
    void missingModelsSayWhichFile();

private:
    QTemporaryDir m_dir;
};

void TestCrvtRecognize::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile list(m_dir.filePath(u"quiz.tsv"_s));
    QVERIFY(list.open(QIODevice::WriteOnly) && list.write(quizList) == quizList.size());
    list.close();
    const Run built = runTool({u"build"_s, list.fileName(), m_dir.filePath(u"store.dat"_s)});
    QCOMPARE(built.exitCode, 0);

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

    QImage blank(300, 40, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QVERIFY(blank.save(m_dir.filePath(u"blank.bmp"_s)));
    QVERIFY(QFile::copy(list.fileName(), m_dir.filePath(u"text.png"_s)));
}

void TestCrvtRecognize::statuses_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the test folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");

    const QByteArray poem = "中国第一部诗歌总集是？\t诗经\n";
    const bool engine = QFile::exists(QStringLiteral(ZC_BIN_DIR "/models/ppocrv4_rec.onnx"));
    QTest::newRow("match: damaged text, best row first")
        << QStringList{u"match"_s, u"@/store.dat"_s, u"第2题 五四运动发生在那一年"_s} << 0
        << "五四运动发生在哪一年？\t1919年\n"_ba;
    QTest::newRow("match: --top 1 prints one row")
        << QStringList{u"match"_s, u"@/store.dat"_s, u"秦始皇统一六国是在哪一年"_s, u"--top=1"_s}
        << 0 << "秦始皇统一六国是在哪一年？\t公元前221年\n"_ba;
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
        QTest::newRow("recognize: a picture without a question")
            << QStringList{u"recognize"_s, u"@/store.dat"_s, u"@/blank.bmp"_s} << 3 << QByteArray();
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
    // Every failure says why; recognize shows what it read.
    if (exitCode != 0 || arguments[0] == u"recognize")
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

QTEST_MAIN(TestCrvtRecognize)
#include "tst_crvtrecognize.moc"
