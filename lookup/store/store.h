// The answer store: the Jet database "crvt.dat" beside the program, read-only.
//
// A store file's database password is checked as Jet checks it; every structure libmdb will
// walk is then checked (libmdb trusts what it reads, so a damaged or hostile file is refused
// before it gets there), libmdb reads table cv (question, answer, pinyin), and the rows go, in
// store order, into an in-memory SQLite database on which the program's statements run.
//
// The program's own path mirrors ADO: OpenStoreQuery builds the connection string from the
// application folder, opens a new connection and a new record set per call, replacing the
// previous pair, and leaves the record set on its first row with an exact row count. Each call
// looks at the file again; an unchanged file (same device, inode, size and times) is not parsed
// again. Every failure is returned as a value.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "lookup/store/searchstatement.h"
#include "lookup/store/storeerror.h"

namespace store {

// Every row of table cv of the store at `path`, in store order, opened with `password`.
Result<std::vector<CvRow>> readCvTable(const QString &path, const QString &password);

class RecordSet;

// Runs `statement` (its ? parameters bound in order to `parameters`) on the store at `path`
// opened with `password`, the way the program's query path runs it, without a session.
Result<RecordSet> queryStore(const QString &path, const QString &password, const QString &statement,
                             const QStringList &parameters = {});

// The store's file name and password as the program builds them in: the one home of both,
// for the program, crvt-tool and the benchmarks.
inline constexpr char16_t kStoreFileName[] = u"crvt.dat";
inline constexpr char16_t kStorePassword[] = u"qzv.lan/mt";

// The program's connection string for a store in `applicationFolder` (no separator at its end).
QString connectionString(const QString &applicationFolder);

// What a connection string tells the store layer: the file and the database password.
struct ConnectionTarget
{
    QString path;
    QString password;
};

// Reads a connection string the way the Jet provider reads its keys (key=value pairs separated
// by ';', keys without regard to case, values optionally quoted; a part without '=' such as
// "admin,<password>" is no key and is passed over). The path is the Data Source; where the
// platform's separator is not '\', the last '\' of it, the one the program puts before the
// file name, becomes '/'.
Result<ConnectionTarget> parseConnectionString(const QString &connection);

// The search of the lookup page (searchstatement.h): the text typed is bound to both parameters.
QStringList searchParameters(const QString &text);

namespace detail {
struct LoadedStore;
struct ResultRows;
class StoreCache;
} // namespace detail

// The result of one statement, read out completely when it opens: the row count is exact at
// once, and every row stays readable at random (text is converted on demand, so a list model
// pays only for the rows it shows).
class RecordSet
{
public:
    RecordSet(); // a new, unopened record set
    explicit RecordSet(std::shared_ptr<const detail::ResultRows> rows);

    bool isOpen() const { return bool(m_rows); }
    qsizetype recordCount() const; // 0 while unopened
    int fieldCount() const;
    QString fieldName(int index) const;

    // The cursor: on the first row after opening; past the last row at the end.
    qsizetype position() const { return m_position; }
    bool isEof() const { return m_position >= recordCount(); }
    // Column `index` of the current row as text; a null value reads as empty text.
    Result<QString> field(int index) const;
    std::optional<StoreError> moveNext();

    // Random access for views, without moving the cursor; out of range reads as empty.
    QString text(qsizetype row, int column) const;
    QByteArrayView utf8(qsizetype row, int column) const;
    bool isNull(qsizetype row, int column) const;

private:
    std::shared_ptr<const detail::ResultRows> m_rows;
    qsizetype m_position = 0;
};

class Connection
{
public:
    explicit Connection(QString connectionString = {});
    bool isOpen() const { return bool(m_store); }
    const QString &connectionString() const { return m_connectionString; }
    QString path() const; // the file it is open on, empty while unopened

private:
    friend class StoreSession;
    QString m_connectionString;
    std::shared_ptr<detail::LoadedStore> m_store;
};

class StoreSession
{
public:
    using FolderSource = std::function<QString()>;

    // The store's folder is read at each query; by default the player's data folder when it
    // holds a store, else the program's own (storelocation.h).
    StoreSession();
    explicit StoreSession(FolderSource applicationFolder);
    ~StoreSession();
    StoreSession(const StoreSession &) = delete;
    StoreSession &operator=(const StoreSession &) = delete;

    // Runs `statement` with its ? parameters bound, in order, to `parameters`, on a new
    // connection to the store named by the program's connection string. A failure to open the
    // connection leaves a new, unopened connection current and the previous record set in
    // place; a failure of the statement leaves a new, unopened record set current.
    std::optional<StoreError> OpenStoreQuery(const QString &statement,
                                             const QStringList &parameters = {});

    // Null before the first call.
    const std::shared_ptr<Connection> &currentConnection() const { return m_connection; }
    const std::shared_ptr<RecordSet> &currentRecordSet() const { return m_recordSet; }

    // How many times a store file has been read and parsed, for checking that an unchanged
    // file is not parsed again.
    int storeLoads() const;

private:
    FolderSource m_applicationFolder;
    QString m_parsedConnection; // the last connection string read, and what it said
    ConnectionTarget m_parsedTarget;
    std::shared_ptr<Connection> m_connection;
    std::shared_ptr<RecordSet> m_recordSet;
    std::unique_ptr<detail::StoreCache> m_cache;
};

} // namespace store
