#include "lookup/store/storecache.h"

#include "lookup/store/storecheck.h"

namespace store::detail {

Result<std::shared_ptr<LoadedStore>> StoreCache::open(const QString &path)
{
    auto identity = statStore(path);
    if (!identity) {
        m_cached.reset(); // gone: whatever stands there next is read afresh
        return identity.error();
    }
    if (m_cached && m_cached->path == path && m_cached->identity == *identity)
        return m_cached;

    m_cached.reset();
    auto file = readStore(path);
    ++m_loads;
    if (!file)
        return file.error();
    auto store = std::make_shared<LoadedStore>();
    store->path = path;
    store->identity = file->identity;
    store->bytes = std::move(file->bytes);
    auto header = readHeaderOf(store->bytes, path);
    if (!header) {
        store->headerError = header.error();
        store->bytes.clear();
    } else {
        store->header = *header;
    }
    m_cached = store;
    return store;
}

} // namespace store::detail
