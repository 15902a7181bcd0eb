// Speed of the answer store, against baselines measured in the same run.
//
// For stores of 5,000 and 100,000 rows written with the project's Jet writer:
// - the first query of a session (cold open: read, check, libmdb, SQLite load, statement)
//   against running mdb-export on the same file;
// - a repeated query (a common Han character, a common initial, two characters) against stock
//   SQLite running the same statement over the same rows already in memory, every row read out
//   as text; once to the filled record set, once with every row then read out of the record
//   set as QString (what filling a list costs at most).
// Each figure is the best of several runs. Output: one line per figure.
#include "bench/common/quizrows.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/store/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Generated
{
    jetwriter::TextTable table;
    std::vector<std::array<QByteArray, 3>> utf8; // for the stock SQLite database
};

// The benchmarks' quiz-like rows, as a table for the writer and as UTF-8 for stock SQLite.
Generated generate(int count, std::uint32_t seed)
{
    Generated g;
    g.table.name = u"cv"_s;
    g.table.columns = {u"question"_s, u"answer"_s, u"pinyin"_s};
    for (const bench::QuizRow &row : bench::quizRows(count, seed)) {
        g.table.rows.push_back({row.question, row.answer, row.pinyin});
        g.utf8.push_back({row.question.toUtf8(), row.answer.toUtf8(), row.pinyin.toUtf8()});
    }
    return g;
}

double elapsed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The best of `runs` runs of each, the two taking turns, so that a change in the machine's load
// (it is shared) falls on both alike.
std::pair<double, double> bestOfEach(int runs, const std::function<void()> &ours,
                                     const std::function<void()> &baseline)
{
    double best[2] = {1e300, 1e300};
    for (int i = 0; i < runs; ++i) {
        best[0] = std::min(best[0], elapsed(ours));
        best[1] = std::min(best[1], elapsed(baseline));
    }
    return {best[0], best[1]};
}

void print(const QString &name, double value, const QString &baselineName, double baseline,
           const char *target)
{
    std::printf("%-58s %9.2f ms   baseline %-26s %9.2f ms   ratio %5.2f   target %s\n",
                qPrintable(name), value, qPrintable(baselineName), baseline, value / baseline,
                target);
    std::fflush(stdout);
}

// Stock SQLite: default connection and settings, the built-in LIKE, the same rows.
class StockSqlite
{
public:
    explicit StockSqlite(const Generated &g)
    {
        sqlite3_open(":memory:", &m_db);
        sqlite3_exec(m_db, "CREATE TABLE cv(question TEXT, answer TEXT, pinyin TEXT); BEGIN",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(m_db, "INSERT INTO cv VALUES(?, ?, ?)", -1, &insert, nullptr);
        for (const auto &row : g.utf8) {
            for (int c = 0; c < 3; ++c)
                sqlite3_bind_text(insert, c + 1, row[size_t(c)].constData(),
                                  int(row[size_t(c)].size()), SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        const QByteArray statement = QString::fromUtf16(store::kSearchStatement).toUtf8();
        sqlite3_prepare_v2(m_db, statement.constData(), -1, &m_search, nullptr);
    }
    ~StockSqlite()
    {
        sqlite3_finalize(m_search);
        sqlite3_close(m_db);
    }

    // Runs the search reading every row out as text; with `strings`, as QString too.
    qsizetype search(const QByteArray &text, bool strings)
    {
        sqlite3_bind_text(m_search, 1, text.constData(), int(text.size()), SQLITE_STATIC);
        sqlite3_bind_text(m_search, 2, text.constData(), int(text.size()), SQLITE_STATIC);
        qsizetype rows = 0;
        qsizetype bytes = 0;
        while (sqlite3_step(m_search) == SQLITE_ROW) {
            for (int c = 0; c < 2; ++c) {
                const auto *value =
                    reinterpret_cast<const char *>(sqlite3_column_text(m_search, c));
                const int size = sqlite3_column_bytes(m_search, c);
                if (strings)
                    bytes += QString::fromUtf8(value, size).size();
                else
                    bytes += size + (value ? 1 : 0);
            }
            ++rows;
        }
        sqlite3_reset(m_search);
        m_sink += bytes;
        return rows;
    }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_search = nullptr;
    qsizetype m_sink = 0;
};

qsizetype readOut(store::RecordSet &rows)
{
    qsizetype characters = 0;
    while (!rows.isEof()) {
        for (int c = 0; c < 2; ++c)
            characters += rows.field(c)->size();
        rows.moveNext();
    }
    return characters;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString statement = QString::fromUtf16(store::kSearchStatement);
    const QString han = QString(QChar(u'国'));
    const QString initial = u"z"_s;
    // A second keystroke: fewer rows match, so the comparison itself weighs more.
    const QString twoHan = u"世界"_s;

    for (const int count : {5000, 100000}) {
        const bool large = count > 10000;
        const int runs = large ? 9 : 31;
        const Generated g = generate(count, 20240601u + std::uint32_t(count));
        const QString folder = temp.filePath(QString::number(count));
        QDir().mkpath(folder);
        const QString file = folder + u'/' + QString::fromUtf16(store::kStoreFileName);
        if (auto error =
                jetwriter::writeJet4(file, QString::fromUtf16(store::kStorePassword), {g.table})) {
            std::fprintf(stderr, "%s\n", qPrintable(*error));
            return 1;
        }
        const QString rows = QString::number(count) + u" rows"_s;

        std::vector<double> coldTimes;
        // Cold open: a fresh session's first query (the session is made and dropped untimed).
        const auto [cold, export_] = bestOfEach(
            runs,
            [&] {
                auto session = std::make_unique<store::StoreSession>(
                    [&]() -> const QString & { return folder; });
                const double ms = elapsed([&] {
                    if (auto error =
                            session->OpenStoreQuery(statement, store::searchParameters(han))) {
                        std::fprintf(stderr, "%s\n", qPrintable(error->message));
                        std::exit(1);
                    }
                });
                coldTimes.push_back(ms);
            },
            [&] {
                QProcess process;
                process.setStandardOutputFile(QProcess::nullDevice());
                process.start(u"mdb-export"_s, {file, u"cv"_s});
                if (!process.waitForFinished(-1) || process.exitCode() != 0) {
                    std::fprintf(stderr, "mdb-export failed\n");
                    std::exit(1);
                }
            });
        (void)cold;
        const double coldBest = *std::min_element(coldTimes.begin(), coldTimes.end());
        coldTimes.clear();
        print(u"cold open, first query, "_s + rows, coldBest, u"mdb-export"_s, export_, "<= 1.0");

        // Repeated queries on a warm session.
        store::StoreSession session([&]() -> const QString & { return folder; });
        session.OpenStoreQuery(statement, store::searchParameters(han));
        StockSqlite stock(g);
        for (const QString &text : {han, initial, twoHan}) {
            const QByteArray utf8 = text.toUtf8();
            qsizetype ours = 0;
            qsizetype theirs = 0;
            const auto [query, stockQuery] = bestOfEach(
                runs,
                [&] {
                    session.OpenStoreQuery(statement, store::searchParameters(text));
                    ours = session.currentRecordSet()->recordCount();
                },
                [&] { theirs = stock.search(utf8, false); });
            if (ours != theirs) {
                std::fprintf(stderr, "row counts differ: %lld and %lld\n", qlonglong(ours),
                             qlonglong(theirs));
                return 1;
            }
            const QString what = u"repeated query \""_s + text + u"\", "_s + rows + u" ("_s +
                                 QString::number(ours) + u" found)"_s;
            print(what, query, u"stock SQLite, as text"_s, stockQuery, "<= 1.0 (aim 0.5)");

            const auto [filled, stockFilled] = bestOfEach(
                runs,
                [&] {
                    session.OpenStoreQuery(statement, store::searchParameters(text));
                    readOut(*session.currentRecordSet());
                },
                [&] { stock.search(utf8, true); });
            print(what + u", all read as QString"_s, filled, u"stock SQLite, as QString"_s,
                  stockFilled, "<= 1.0 (aim 0.5)");
        }
    }
    return 0;
}
