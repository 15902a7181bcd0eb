// The in-memory SQLite database of one loaded store, and the statements run on it.
#pragma once

#include "lookup/store.h"

#include <QByteArray>
#include <QHash>

#include <memory>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store::detail {

// A statement's whole result: every cell's UTF-8 one after another, with where each ends.
struct ResultRows
{
    std::vector<QString> names;
    int columns = 0;
    qsizetype rows = 0;
    QByteArray text;
    std::vector<qsizetype> ends; // row-major, one per cell
    std::vector<bool> nulls;     // likewise
};

class SqlStore
{
public:
    // Table cv with the rows in the order given, which is the store's order.
    static std::variant<std::unique_ptr<SqlStore>, StoreError> build(const std::vector<CvRow> &rows,
                                                                     const QString &path);
    ~SqlStore();
    SqlStore(const SqlStore &) = delete;
    SqlStore &operator=(const SqlStore &) = delete;

    // Runs one read-only statement with its parameters bound as text, reading every row out.
    std::variant<std::shared_ptr<const ResultRows>, StoreError> run(const QString &statement,
                                                                   const QStringList &parameters);

private:
    SqlStore(sqlite3 *db, const QString &path);
    StoreError engineError(const QString &cause) const;

    sqlite3 *m_db;
    QString m_path;
    QHash<QString, sqlite3_stmt *> m_statements; // prepared once per statement text
};

} // namespace store::detail
