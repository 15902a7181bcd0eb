// Jet 3 stores, which the Jet 4 provider opens too. The project's writer makes Jet 4 only, so the
// test lays out a small Jet 3 database itself, byte by byte from the format notes (2048-byte
// pages; the catalog MSysObjects; table cv with text in the database's code page, GBK here;
// a row long enough to need Jet 3's offset jump table). mdb-export, a reader that shares no code
// with the test, must read it back first; then the store must read the same rows, nulls apart.
#include "lookup/jet/jetheader.h"
#include "storetesting.h"

#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace storetesting;
using store::CvRow;
using store::StoreError;

namespace {

constexpr int kPage = 2048;

void put16(char *p, quint32 v)
{
    p[0] = char(v & 0xFF);
    p[1] = char((v >> 8) & 0xFF);
}

void put32(char *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

struct Column
{
    const char *name;
    int type; // 0x03 integer, 0x04 long, 0x0A text, 0x0B OLE
    int size;
    bool fixed;
    int offset; // within the fixed part, or the slot among the variable-length columns
};

class Jet3File
{
public:
    explicit Jet3File(int pages) : m_bytes(pages * kPage, '\0') {}
    char *page(int n) { return m_bytes.data() + n * kPage; }
    const QByteArray &bytes() const { return m_bytes; }

    void header(const QByteArray &password, quint16 codePage)
    {
        char *p = page(0);
        p[1] = 1;
        std::memcpy(p + 4, "Standard Jet DB", 16);
        p[0x14] = 0; // Jet 3
        put16(p + 0x3C, codePage);
        std::memcpy(p + 0x42, password.constData(), size_t(qMin<qsizetype>(password.size(), 20)));
        static const char key[4] = {char(0xC7), char(0xDA), char(0x39), char(0x6B)};
        jet::rc4(QByteArrayView(key, 4), p + 0x18, 126);
    }

    // A data page with the given rows, the first at the page's end.
    void dataPage(int n, quint32 owner, const std::vector<QByteArray> &rows)
    {
        char *p = page(n);
        p[0] = 0x01;
        p[1] = 0x01;
        put32(p + 4, owner);
        put16(p + 8, quint32(rows.size()));
        int end = kPage;
        for (size_t i = 0; i < rows.size(); ++i) {
            end -= int(rows[i].size());
            std::memcpy(p + end, rows[i].constData(), size_t(rows[i].size()));
            put16(p + 10 + 2 * int(i), quint32(end));
        }
        put16(p + 2, quint32(end - 10 - 2 * int(rows.size())));
    }

    // A page map of type 0 (start page 0, a bitmap of 32 pages), and an empty free-space map.
    void mapPage(int n, const std::vector<int> &dataPages)
    {
        QByteArray usage(9, '\0');
        for (int d : dataPages)
            usage[5 + d / 8] = char(usage[5 + d / 8] | (1 << (d % 8)));
        dataPage(n, 0, {usage, QByteArray(9, '\0')});
    }

    void tableDefinition(int n, const std::vector<Column> &columns, int mapPage, int rows)
    {
        char *p = page(n);
        p[0] = 0x02;
        p[1] = 0x01;
        p[2] = 'V';
        p[3] = 'C';
        put32(p + 12, quint32(rows));
        p[20] = 0x4E;
        int var = 0;
        for (const Column &c : columns)
            var += c.fixed ? 0 : 1;
        put16(p + 21, quint32(columns.size()));
        put16(p + 23, quint32(var));
        put16(p + 25, quint32(columns.size()));
        put32(p + 35, quint32(mapPage) << 8);
        put32(p + 39, (quint32(mapPage) << 8) | 1);
        int at = 43;
        for (size_t i = 0; i < columns.size(); ++i, at += 18) {
            const Column &c = columns[i];
            p[at] = char(c.type);
            put16(p + at + 1, quint32(i));
            put16(p + at + 3, c.fixed ? 0 : quint32(c.offset));
            put16(p + at + 5, quint32(i));
            put16(p + at + 7, 0x409);
            p[at + 13] = char((c.fixed ? 0x01 : 0) | 0x02);
            put16(p + at + 14, c.fixed ? quint32(c.offset) : 0);
            put16(p + at + 16, quint32(c.size));
        }
        for (const Column &c : columns) {
            p[at++] = char(std::strlen(c.name));
            std::memcpy(p + at, c.name, std::strlen(c.name));
            at += int(std::strlen(c.name));
        }
        put32(p + 8, quint32(at - 8));
    }

private:
    QByteArray m_bytes;
};

// A Jet 3 row: the column count, the fixed part, the variable data, then, from the end, the null
// mask, the number of variable columns, the jump table and the variable offsets (one byte each,
// the end of the data last), highest slot first.
QByteArray jet3Row(const std::vector<Column> &columns,
                   const std::vector<std::optional<QByteArray>> &values)
{
    QByteArray fixed;
    QByteArray data;
    std::vector<int> offsets;
    quint8 mask = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (values[i])
            mask |= quint8(1 << i);
        if (columns[i].fixed) {
            QByteArray v = values[i].value_or(QByteArray());
            v.resize(columns[i].size, '\0');
            fixed += v;
        }
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].fixed)
            continue;
        offsets.push_back(1 + int(fixed.size() + data.size()));
        data += values[i].value_or(QByteArray());
    }
    offsets.push_back(1 + int(fixed.size() + data.size()));
    const int tail = int(offsets.size()) + 2;
    const bool jumps = 1 + fixed.size() + data.size() + tail + 1 > 262;
    QByteArray row(1, char(columns.size()));
    row += fixed + data;
    int firstHigh = -1;
    for (int i = int(offsets.size()) - 1; i >= 0; --i) {
        row += char(offsets[size_t(i)] & 0xFF);
        if (offsets[size_t(i)] >= 256)
            firstHigh = i;
    }
    if (jumps)
        row += char(firstHigh);
    row += char(offsets.size() - 1);
    row += char(mask);
    return row;
}

const std::vector<Column> kCatalog{{"Id", 0x04, 4, true, 0},
                                   {"Name", 0x0A, 255, false, 0},
                                   {"Type", 0x03, 2, true, 4},
                                   {"Flags", 0x04, 4, true, 6},
                                   {"LvProp", 0x0B, 0, false, 1}};
const std::vector<Column> kCv{{"question", 0x0A, 255, false, 0},
                              {"answer", 0x0A, 255, false, 1},
                              {"pinyin", 0x0A, 255, false, 2}};

QByteArray le(quint32 v, int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

// Pages: 0 header, 1 unused, 2-4 the catalog, 5-6 cv's definition and map, 7-8 its rows.
QByteArray jet3Store(const QByteArray &password, const std::vector<CvRow> &first,
                     const std::vector<CvRow> &second)
{
    QStringEncoder gbk("GBK");
    const auto encode = [&](const std::optional<QString> &v) -> std::optional<QByteArray> {
        if (!v)
            return std::nullopt;
        return QByteArray(gbk.encode(*v));
    };
    const auto rowsOf = [&](const std::vector<CvRow> &rows) {
        std::vector<QByteArray> out;
        out.reserve(rows.size());
        for (const CvRow &r : rows)
            out.push_back(jet3Row(kCv, {encode(r.question), encode(r.answer), encode(r.pinyin)}));
        return out;
    };
    Jet3File file(9);
    file.header(password, 936);
    file.tableDefinition(2, kCatalog, 3, 1);
    file.mapPage(3, {4});
    file.dataPage(4, 2, {jet3Row(kCatalog, {le(5, 4), "cv"_ba, le(1, 2), le(0, 4), std::nullopt})});
    file.tableDefinition(5, kCv, 6, int(first.size() + second.size()));
    file.mapPage(6, {7, 8});
    file.dataPage(7, 5, rowsOf(first));
    file.dataPage(8, 5, rowsOf(second));
    return file.bytes();
}

QByteArray mdbExport(const QString &path)
{
    QProcess p;
    p.start(u"/usr/bin/mdb-export"_s, {path, u"cv"_s});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return "failed: " + p.readAllStandardError();
    return p.readAllStandardOutput();
}

} // namespace

class TestJet3Store : public QObject
{
    Q_OBJECT

private slots:
    void readsAJet3Store();
    void checksTheJet3Password();

private:
    QTemporaryDir m_dir;
};

void TestJet3Store::readsAJet3Store()
{
    const std::vector<CvRow> first{row(u"中国的首都是哪里？"_s, u"北京"_s, u"zgdsd"_s),
                                   {u"答案为空"_s, std::nullopt, u"daweikong"_s},
                                   row(u"It's 100%"_s, QString(), u"its"_s)};
    const std::vector<CvRow> second{
        row(QString(110, u'长'), u"很长的一行，需要跳表"_s, QString(40, u'c'))};
    const QString path = m_dir.filePath(u"crvt.dat"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(jet3Store("qzv.lan/mt", first, second));
    f.close();

    const QByteArray exported = mdbExport(path);
    const QByteArray expected = "question,answer,pinyin\n"
                                "\"中国的首都是哪里？\",\"北京\",\"zgdsd\"\n"
                                "\"答案为空\",,\"daweikong\"\n"
                                "\"It's 100%\",,\"its\"\n"
                                "\"" +
                                QString(110, u'长').toUtf8() + "\",\"很长的一行，需要跳表\",\"" +
                                QByteArray(40, 'c') + "\"\n";
    QCOMPARE(exported, expected);

    const auto read = store::readCvTable(path, kPassword);
    QVERIFY2(read.ok(), qPrintable(!read.ok() ? read.error().message : QString()));
    std::vector<CvRow> all = first;
    all.insert(all.end(), second.begin(), second.end());
    const auto &got = read.value();
    QCOMPARE(got.size(), all.size());
    for (size_t i = 0; i < all.size(); ++i)
        QVERIFY2(got[i] == all[i], qPrintable(u"row %1 differs"_s.arg(i)));

    store::StoreSession session([&] { return m_dir.path(); });
    const auto error = session.OpenStoreQuery(QString::fromUtf16(store::kSearchStatement),
                                              store::searchParameters(u"首都"_s));
    QVERIFY2(!error, qPrintable(error ? error->message : QString()));
    QCOMPARE(session.currentRecordSet()->recordCount(), 1);
    QCOMPARE(session.currentRecordSet()->text(0, 1), u"北京"_s);
}

void TestJet3Store::checksTheJet3Password()
{
    const QString path = m_dir.filePath(u"pw.dat"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(jet3Store("secret", {row(u"q"_s, u"a"_s, u"p"_s)}, {}));
    f.close();
    const auto wrong = store::readCvTable(path, kPassword);
    QVERIFY2(!wrong.ok(), "opened with the wrong password");
    QCOMPARE(wrong.error().kind, StoreError::WrongPassword);
    const auto right = store::readCvTable(path, u"secret"_s);
    QVERIFY2(right.ok(), qPrintable(!right.ok() ? right.error().message : QString()));
}

QTEST_GUILESS_MAIN(TestJet3Store)
#include "tst_jet3store.moc"
