// Loading a checked store: table cv found and walked, its rows read by libmdb, and either handed
// over as rows or laid out as the store's SQLite database.
#pragma once

#include "lookup/jet/jetheader.h"
#include "lookup/store/storeerror.h"
#include "lookup/store/storesql.h"

#include <QByteArray>

#include <memory>
#include <vector>

namespace store::detail {

// Every row of table cv of a store whose header has been read and whose password was right.
Result<std::vector<CvRow>> readRows(const QByteArray &bytes, jet::Version version,
                                    const QString &path);

// The SQLite database of such a store.
Result<std::unique_ptr<SqlStore>> loadDatabase(const QByteArray &bytes, jet::Version version,
                                               const QString &path);

} // namespace store::detail
