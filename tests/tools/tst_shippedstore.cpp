// The store the build ships beside the program, read back with crvt-tool: it must hold
// exactly the quiz lists of data/, and every row must be one the program can show.
#include "tools/pinyin.h"
#include "tools/tsv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestShippedStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void holdsEveryQuizLineInOrder();
    void questionsAreUnique();
    void everyRowIsComplete();
    void valuesFitTheColumns();

private:
    struct Row
    {
        QString where; // file:line of the quiz list
        QStringList fields;
    };
    std::vector<Row> m_expected;
    QList<QStringList> m_dumped;
};

void TestShippedStore::initTestCase()
{
    // The build joins the lists in file name order, as QDir sorts them here.
    const QDir data(QStringLiteral(ZC_DATA_DIR));
    const QStringList lists = data.entryList({u"*.tsv"_s}, QDir::Files, QDir::Name);
    QVERIFY2(!lists.isEmpty(), "no quiz list in data/");
    for (const QString &name : lists) {
        QFile f(data.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto parsed = tools::tsv::parse(f.readAll());
        if (!parsed)
            QFAIL(qPrintable(
                u"%1:%2: %3"_s.arg(name).arg(parsed.error().line).arg(parsed.error().cause)));
        for (const tools::tsv::Entry &e : *parsed) {
            const QString pinyin =
                e.pinyin.isEmpty() ? tools::pinyin::initials(e.question) : e.pinyin;
            m_expected.push_back(
                {u"%1:%2"_s.arg(name).arg(e.line), {e.question, e.answer, pinyin}});
        }
    }

    QProcess dump;
    dump.start(QStringLiteral(ZC_BIN_DIR "/crvt-tool"),
               {u"dump"_s, QStringLiteral(ZC_BIN_DIR "/crvt.dat")});
    QVERIFY(dump.waitForFinished(120000));
    QVERIFY2(dump.exitCode() == 0, dump.readAllStandardError().constData());
    QString out = QString::fromUtf8(dump.readAllStandardOutput());
    QVERIFY(out.endsWith(u'\n'));
    out.chop(1);
    for (const QString &line : out.split(u'\n'))
        m_dumped += line.split(u'\t');
}

void TestShippedStore::holdsEveryQuizLineInOrder()
{
    QCOMPARE(m_dumped.size(), qsizetype(m_expected.size()));
    for (qsizetype i = 0; i < m_dumped.size(); ++i) {
        QVERIFY2(m_dumped[i] == m_expected[size_t(i)].fields,
                 qPrintable(u"%1: stored as %2"_s.arg(m_expected[size_t(i)].where,
                                                      m_dumped[i].join(u" | "))));
    }
}

// Two rows with one question would show the player two answers to choose from.
void TestShippedStore::questionsAreUnique()
{
    QHash<QString, QString> seen;
    for (const Row &row : m_expected) {
        const QString &question = row.fields[0];
        QVERIFY2(!seen.contains(question),
                 qPrintable(u"%1 repeats %2: %3"_s.arg(row.where, seen.value(question), question)));
        seen.insert(question, row.where);
    }
}

void TestShippedStore::everyRowIsComplete()
{
    for (const QStringList &row : std::as_const(m_dumped)) {
        QCOMPARE(row.size(), 3);
        QVERIFY2(!row[0].trimmed().isEmpty(), qPrintable(row.join(u" | ")));
        QVERIFY2(!row[1].trimmed().isEmpty(), qPrintable(row.join(u" | ")));
        // Without pinyin a question can only be found by typing its characters.
        QVERIFY2(!row[2].isEmpty(), qPrintable(u"no pinyin: "_s + row[0]));
    }
}

void TestShippedStore::valuesFitTheColumns()
{
    for (const QStringList &row : std::as_const(m_dumped)) {
        for (const QString &value : row)
            QVERIFY2(value.size() <= jet::kMaxTextLength, qPrintable(value));
    }
}

QTEST_GUILESS_MAIN(TestShippedStore)
#include "tst_shippedstore.moc"
