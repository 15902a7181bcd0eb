#include "lookup/store/store.h"
#include "lookup/store/storelocation.h"

#include "lookup/store/storecache.h"
#include "lookup/store/storecheck.h"
#include "lookup/store/storeload.h"
#include "lookup/store/storelog.h"

#include <QCoreApplication>

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

// The player's own store in the data home first, else the one beside the program.
StoreSession::StoreSession()
    : StoreSession([] { return storeFolder(QCoreApplication::applicationDirPath()); })
{}

StoreSession::StoreSession(FolderSource applicationFolder)
    : m_applicationFolder(std::move(applicationFolder)), m_cache(std::make_unique<StoreCache>())
{}

StoreSession::~StoreSession() = default;

int StoreSession::storeLoads() const
{
    return m_cache->loads();
}

std::optional<StoreError> StoreSession::OpenStoreQuery(const QString &statement,
                                                       const QStringList &parameters)
{
    // A new connection replaces the previous one before anything can fail.
    const QString connection = connectionString(m_applicationFolder());
    m_connection = std::make_shared<Connection>(connection);

    if (connection != m_parsedConnection) {
        auto target = parseConnectionString(connection);
        if (!target)
            return refused(target.error());
        m_parsedTarget = *target;
        m_parsedConnection = connection;
    }
    const ConnectionTarget &where = m_parsedTarget;
    auto opened = m_cache->open(where.path);
    if (!opened)
        return refused(opened.error());
    const std::shared_ptr<LoadedStore> store = *opened;
    if (store->headerError)
        return refused(*store->headerError);
    if (!jet::passwordMatches(store->header, where.password))
        return refused(wrongPassword(where.path));
    if (!store->sql && !store->contentError) {
        auto built = loadDatabase(store->bytes, store->header.version, where.path);
        if (!built)
            store->contentError = built.error();
        else
            store->sql = *std::move(built);
        store->bytes = QByteArray();
    }
    if (store->contentError)
        return refused(*store->contentError);
    m_connection->m_store = store;

    // Likewise the record set, once the connection is open.
    m_recordSet = std::make_shared<RecordSet>();
    auto rows = store->sql->run(statement, parameters);
    if (!rows) {
        qCDebug(lcSearch).noquote() << "search failed:" << rows.error().message;
        return rows.error();
    }
    *m_recordSet = RecordSet(*std::move(rows));
    return std::nullopt;
}

} // namespace store
