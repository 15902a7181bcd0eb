#include "lookup/store/store.h"

#include "lookup/store/storecache.h"
#include "lookup/store/storelog.h"

namespace store {

using namespace detail;

namespace {

// Why a player's store was refused, for QT_LOGGING_RULES="zc.store.debug=true".
StoreError refused(const StoreError &error)
{
    qCDebug(lcStore).noquote() << "store refused:" << error.message;
    return error;
}

} // namespace

QStringList searchParameters(const QString &text)
{
    return {text, text};
}

Connection::Connection(QString connectionString) : m_connectionString(std::move(connectionString))
{}

QString Connection::path() const
{
    return m_store ? m_store->path : QString();
}

// The program's store, through a reader of its own.
StoreSession::StoreSession() : StoreSession(std::make_shared<StoreReader>())
{}

StoreSession::StoreSession(FolderSource applicationFolder)
    : StoreSession(std::make_shared<StoreReader>([folder = std::move(applicationFolder)] {
          return StoreLocation{folder(), false};
      }))
{}

StoreSession::StoreSession(std::shared_ptr<StoreReader> reader) : m_reader(std::move(reader))
{}

StoreSession::~StoreSession() = default;

int StoreSession::storeLoads() const
{
    return m_reader->loads();
}

std::optional<StoreError> StoreSession::OpenStoreQuery(const QString &statement,
                                                       const QStringList &parameters)
{
    // A new connection replaces the previous one before anything can fail.
    const QString connection = connectionString(m_reader->location().folder);
    m_connection = std::make_shared<Connection>(connection);

    if (connection != m_parsedConnection) {
        auto target = parseConnectionString(connection);
        if (!target)
            return refused(target.error());
        m_parsedTarget = *target;
        m_parsedConnection = connection;
    }
    auto opened = m_reader->open(m_parsedTarget.path, m_parsedTarget.password);
    if (!opened)
        return refused(opened.error());
    m_connection->m_store = *opened;

    // Likewise the record set, once the connection is open.
    m_recordSet = std::make_shared<RecordSet>();
    auto rows = m_reader->run(*opened, statement, parameters);
    if (!rows) {
        qCDebug(lcSearch).noquote() << "search failed:" << rows.error().message;
        return rows.error();
    }
    *m_recordSet = *std::move(rows);
    return std::nullopt;
}

} // namespace store
