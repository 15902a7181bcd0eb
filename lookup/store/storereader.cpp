#include "lookup/store/storereader.h"

#include "lookup/store/store.h"
#include "lookup/store/storecache.h"
#include "lookup/store/storecheck.h"
#include "lookup/store/storeload.h"

#include <QCoreApplication>

namespace store {

using namespace detail;

StoreReader::StoreReader()
    : StoreReader([] { return locateStore(QCoreApplication::applicationDirPath()); })
{}

StoreReader::StoreReader(Locator locator)
    : m_locator(std::move(locator)), m_cache(std::make_unique<StoreCache>())
{}

StoreReader::~StoreReader() = default;

StoreLocation StoreReader::location() const
{
    return m_locator();
}

int StoreReader::loads() const
{
    const std::lock_guard lock(m_mutex);
    return m_cache->loads();
}

Result<std::shared_ptr<LoadedStore>> StoreReader::open(const QString &path, const QString &password)
{
    const std::lock_guard lock(m_mutex);
    return openLocked(path, password);
}

Result<std::shared_ptr<LoadedStore>> StoreReader::openLocked(const QString &path,
                                                             const QString &password)
{
    auto opened = m_cache->open(path);
    if (!opened)
        return opened.error();
    std::shared_ptr<LoadedStore> store = *opened;
    if (store->headerError)
        return *store->headerError;
    // The password is compared at every request: the same file may be asked for with another.
    if (!jet::passwordMatches(store->header, password))
        return wrongPassword(path);
    if (!store->sql && !store->contentError) {
        auto built = loadDatabase(store->bytes, store->header.version, path);
        if (!built)
            store->contentError = built.error();
        else
            store->sql = *std::move(built);
        store->bytes = QByteArray();
    }
    if (store->contentError)
        return *store->contentError;
    return store;
}

Result<RecordSet> StoreReader::run(const std::shared_ptr<LoadedStore> &store,
                                   const QString &statement, const QStringList &parameters)
{
    const std::lock_guard lock(m_mutex);
    auto rows = store->sql->run(statement, parameters);
    if (!rows)
        return rows.error();
    return RecordSet(*std::move(rows));
}

Result<RecordSet> StoreReader::query(const QString &path, const QString &password,
                                     const QString &statement, const QStringList &parameters)
{
    auto store = open(path, password);
    if (!store)
        return store.error();
    return run(*store, statement, parameters);
}

Result<RecordSet> StoreReader::everyRow(const QString &path, const QString &password)
{
    const std::lock_guard lock(m_mutex);
    auto opened = openLocked(path, password);
    if (!opened)
        return opened.error();
    LoadedStore &store = **opened;
    if (!store.everyRow) {
        auto rows = store.sql->run(QString::fromUtf16(kEveryRowStatement), {});
        if (!rows)
            return rows.error();
        store.everyRow = *std::move(rows);
    }
    return RecordSet(store.everyRow);
}

Result<RecordSet> StoreReader::everyRow()
{
    return everyRow(location().path(), QString::fromUtf16(kStorePassword));
}

} // namespace store
