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
// looks at the file again through the store reader (storereader.h), which the search shares
// with capture: an unchanged file (same device, inode, size and times) is not parsed again.
// Every failure is returned as a value.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "lookup/store/recordset.h"
#include "lookup/store/searchstatement.h"
#include "lookup/store/storeerror.h"
#include "lookup/store/storereader.h"

namespace store {

// Every row of table cv of the store at `path`, in store order, opened with `password`.
Result<std::vector<CvRow>> readCvTable(const QString &path, const QString &password);

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

    // The store's folder is read at each query, from `reader`: by default a reader of the
    // program's store, the player's data folder when it holds a store, else the program's own
    // (storelocation.h); or, for tests and benchmarks, whatever folder `applicationFolder` says.
    StoreSession();
    explicit StoreSession(std::shared_ptr<StoreReader> reader);
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

    // How many times its reader has read and parsed a store file, for checking that an
    // unchanged file is not parsed again.
    int storeLoads() const;

private:
    std::shared_ptr<StoreReader> m_reader;
    QString m_parsedConnection; // the last connection string read, and what it said
    ConnectionTarget m_parsedTarget;
    std::shared_ptr<Connection> m_connection;
    std::shared_ptr<RecordSet> m_recordSet;
};

} // namespace store
