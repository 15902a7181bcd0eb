// The file-identity cache of the store reader (storereader.h): a store file is read and its
// header checked once per identity (device, inode, size and times); an unchanged file is not
// read again.
#pragma once

#include "lookup/jet/jetheader.h"
#include "lookup/store/storeerror.h"
#include "lookup/store/storefile.h"
#include "lookup/store/storesql.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace store::detail {

// One store file as last seen: its identity and header always; its bytes until the contents
// are parsed (they are parsed only once the password is right), then the database or the
// reason there is none, and every row once someone asked for them. Only the reader that loaded
// it changes it, under its lock.
struct LoadedStore
{
    QString path;
    FileIdentity identity;
    std::optional<StoreError> headerError;
    jet::HeaderInfo header;
    QByteArray bytes;
    std::unique_ptr<SqlStore> sql;
    std::optional<StoreError> contentError;
    std::shared_ptr<const ResultRows> everyRow;
};

class StoreCache
{
public:
    // The store at `path`: the one last seen when the file there is still the same, otherwise
    // the file read afresh with its header checked (a header that fails is kept as its error).
    Result<std::shared_ptr<LoadedStore>> open(const QString &path);

    // How many times a store file has been read.
    int loads() const { return m_loads; }

private:
    std::shared_ptr<LoadedStore> m_cached;
    int m_loads = 0;
};

} // namespace store::detail
