// Reading table rows with libmdb, after storelayout has walked them.
#pragma once

#include "lookup/storelayout.h"

#include <array>
#include <variant>
#include <vector>

namespace store::detail {

// The rows of `table` in the file `bytes` (as read from disk), taken apart by libmdb, each as
// the text of the columns `wanted` (indexes into table.columns). `expected` is the walk's list
// of the rows libmdb must return; any difference is an error, never a silent loss.
std::variant<std::vector<CvRow>, StoreError> readRowsWithMdb(
    const QByteArray &bytes, const JetImage &image, const JetTable &table,
    const std::array<int, 3> &wanted, const std::vector<JetRowRef> &expected);

} // namespace store::detail
