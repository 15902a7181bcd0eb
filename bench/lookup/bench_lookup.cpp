// Time from a keystroke in Text1 to the filled and painted result list, for one-character
// queries and for one more character typed onto a query, on stores of 5,000 and 100,000 quiz
// rows, against stock SQLite running the same statement on the same rows in memory with every
// row read out as text. The store's query is also timed alone, on the old path (SQLite with our
// like()) and on the search index.
//
// The store is written as "crvt.dat" beside this program (its own folder, never the
// program's), as the lookup reads it. One line per figure: name, value, baseline, ratio, target.

#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "bench/common/quizrows.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/lookuppage.h"
#include "lookup/resultmodel.h"
#include "lookup/store/store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRepeats = 25;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Stock SQLite: the rows in an in-memory table, the lookup's statement with its built-in like,
// each result row's two columns read as text.
class StockSqlite
{
public:
    explicit StockSqlite(const std::vector<bench::QuizRow> &rows)
    {
        sqlite3_open(":memory:", &m_db);
        sqlite3_exec(m_db, "create table cv(question text, answer text, pinyin text)", nullptr,
                     nullptr, nullptr);
        sqlite3_exec(m_db, "begin", nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(m_db, "insert into cv values(?1, ?2, ?3)", -1, &insert, nullptr);
        for (const bench::QuizRow &row : rows) {
            const QByteArray q = row.question.toUtf8(), a = row.answer.toUtf8(),
                             p = row.pinyin.toUtf8();
            sqlite3_bind_text(insert, 1, q.constData(), int(q.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, a.constData(), int(a.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, p.constData(), int(p.size()), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(m_db, "commit", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db,
                           "select question as 问题,answer as 答案 from cv where pinyin like '%' "
                           "|| ?1 || '%' or question like '%' || ?1 || '%'",
                           -1, &m_select, nullptr);
    }
    ~StockSqlite()
    {
        sqlite3_finalize(m_select);
        sqlite3_close(m_db);
    }

    // Runs the statement for `text` and reads every row out; returns the number of rows.
    int run(const QString &text, size_t *bytes)
    {
        const QByteArray t = text.toUtf8();
        sqlite3_bind_text(m_select, 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        int count = 0;
        size_t read = 0;
        while (sqlite3_step(m_select) == SQLITE_ROW) {
            const unsigned char *question = sqlite3_column_text(m_select, 0);
            const unsigned char *answer = sqlite3_column_text(m_select, 1);
            read += size_t(sqlite3_column_bytes(m_select, 0) + sqlite3_column_bytes(m_select, 1));
            read += question && answer ? 0 : 1;
            ++count;
        }
        sqlite3_reset(m_select);
        *bytes += read;
        return count;
    }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_select = nullptr;
};

// One keystroke: a Latin letter as a key, a Chinese character committed by the input method.
void typeOne(QLineEdit *box, QChar c)
{
    if (c.unicode() < 0x80) {
        QTest::keyClick(box, char(c.unicode()));
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(QString(c));
        QApplication::sendEvent(box, &commit);
    }
}

struct Figure
{
    QString name;
    double value, baseline;
    QString target;
};

void print(const Figure &f)
{
    std::printf("%-74s %8.3f ms  baseline %9.3f ms  ratio %5.2fx  target %s\n", qPrintable(f.name),
                f.value, f.baseline, f.value / f.baseline, qPrintable(f.target));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The window's browsers are never used here; keep their start-up report off the figures.
    qputenv("QT_LOGGING_RULES", "qt.webenginecontext.debug=false");
    QApplication app(argc, argv);

    const QString store = QDir(QCoreApplication::applicationDirPath())
                              .filePath(QString::fromUtf16(store::kStoreFileName));
    Form1 form;
    LookupPage page(form.controls());
    QLineEdit *text1 = form.controls().Text1;
    QTreeView *list = form.controls().ListView1;
    FormLabel *label2 = form.controls().Label2;
    shapeResultList(list);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "window not shown\n");
        return 1;
    }

    int failures = 0;
    const QString statement = QString::fromUtf16(store::kSearchStatement);
    // The same statement with a blank after it is no longer the lookup's own text, so the store
    // runs it on SQLite with our like(), as every search ran before the search index.
    const QString onSqlite = statement + u' ';
    for (const int size : {5000, 100000}) {
        const std::vector<bench::QuizRow> rows = bench::quizRows(size);
        jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
        for (const bench::QuizRow &row : rows)
            cv.rows.push_back({row.question, row.answer, row.pinyin});
        if (auto failure =
                jetwriter::writeJet4(store, QString::fromUtf16(store::kStorePassword), {cv})) {
            std::fprintf(stderr, "%s\n", qPrintable(*failure));
            return 1;
        }
        StockSqlite stock(rows);
        // The store layer's own share, on sessions of their own: the old path and the new.
        store::StoreSession oldPath, newPath;
        size_t sink = 0;

        // Times one keystroke that takes Text1 from `before` to `before` + `typed`, with the
        // store's query on both paths and stock SQLite's for the same text.
        struct Times
        {
            std::vector<double> floor, old, index, list, painted;
        };
        const auto keystroke = [&](Times &t, const QString &before, QChar typed) {
            const QString query = before + typed;
            QElapsedTimer timer;
            timer.start();
            const int expected = stock.run(query, &sink);
            t.floor.push_back(double(timer.nsecsElapsed()) / 1e6);

            timer.start();
            oldPath.OpenStoreQuery(onSqlite, store::searchParameters(query));
            t.old.push_back(double(timer.nsecsElapsed()) / 1e6);

            if (!before.isEmpty())
                newPath.OpenStoreQuery(statement, store::searchParameters(before));
            timer.start();
            newPath.OpenStoreQuery(statement, store::searchParameters(query));
            t.index.push_back(double(timer.nsecsElapsed()) / 1e6);

            text1->setText(before);
            QCoreApplication::processEvents();
            label2->setText(QString());
            timer.start();
            typeOne(text1, typed);
            t.list.push_back(double(timer.nsecsElapsed()) / 1e6);
            list->viewport()->repaint();
            t.painted.push_back(double(timer.nsecsElapsed()) / 1e6);

            if (list->model()->rowCount() != expected || label2->text().isEmpty() ||
                oldPath.currentRecordSet()->recordCount() != expected ||
                newPath.currentRecordSet()->recordCount() != expected) {
                std::fprintf(stderr, "wrong result for %s: %d rows, expected %d\n",
                             qPrintable(query), list->model()->rowCount(), expected);
                ++failures;
            }
            text1->clear();
            QCoreApplication::processEvents();
            return expected;
        };
        const auto report = [&](const QString &what, const Times &t, const QString &target) {
            const double floor = median(t.floor);
            print({what + u": stock SQLite (floor)"_s, floor, floor, u"-"_s});
            print({what + u": store query, old path (SQLite)"_s, median(t.old), floor, u"-"_s});
            print({what + u": store query, search index"_s, median(t.index), floor, u"-"_s});
            print({what + u": keystroke to list and labels"_s, median(t.list), floor, u"-"_s});
            print({what + u": keystroke to painted list"_s, median(t.painted), floor, target});
        };
        const QString rowsText = QString::number(size) + u" rows, "_s;
        const QString oneChar = size > 10000 ? u"<= 0.25x"_s : u"<= 1 ms"_s;
        const QString oneMore = size > 10000 ? u"<= 0.1x"_s : u"<= 1 ms"_s;

        // The first query after a new store loads it; that is the store's own figure.
        Times warm;
        keystroke(warm, QString(), u'的');

        // One character, a common Han character and a common initial in turn, so that no
        // answer of the previous query helps.
        Times han, initial;
        int hanFound = 0, initialFound = 0;
        for (int i = 0; i < kRepeats; ++i) {
            hanFound = keystroke(han, QString(), u'的');
            initialFound = keystroke(initial, QString(), u's');
        }
        report(rowsText + u"\"的\" (%1 found)"_s.arg(hanFound), han, oneChar);
        report(rowsText + u"\"s\" (%1 found)"_s.arg(initialFound), initial, oneChar);

        // One more character typed onto a query.
        for (const QString &pair : {u"世界"_s, u"sj"_s}) {
            Times more;
            int found = 0;
            for (int i = 0; i < kRepeats; ++i)
                found = keystroke(more, pair.left(1), pair.at(1));
            report(rowsText + u"\"%1\" then \"%2\" (%3 found)"_s.arg(pair.left(1), pair).arg(found),
                   more, oneMore);
        }
        if (sink == 0)
            std::printf("(no text read)\n");
    }
    QFile::remove(store);
    return failures == 0 ? 0 : 1;
}
