// Reading table rows with libmdb, after storelayout has walked them.
#pragma once

#include "lookup/store/storelayout.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace store::detail {

// One field as libmdb hands it over: null, the raw bytes of Jet 4 text (decoded here, see
// storemdb.cpp), or text libmdb converted to UTF-8 (Jet 3 text, long values).
struct FieldBytes
{
    enum Form { Null, Jet4Text, Utf8 } form = Null;
    const char *data = nullptr;
    int size = 0;
};
using RowSink = std::function<void(const std::array<FieldBytes, 3> &)>;

// The rows of `table` in the file `bytes` (as read from disk), taken apart by libmdb, each as
// the columns `wanted` (indexes into table.columns), in store order. `rows` is the walk's list of
// the table's rows (where each one's bytes are); libmdb reads each of them from its page.
std::optional<StoreError> readRowsWithMdb(const QByteArray &bytes, const JetImage &image,
                                          const JetTable &table, const std::array<int, 3> &wanted,
                                          const std::vector<JetRowRef> &rows, const RowSink &sink);

QString fieldText(const FieldBytes &field);
// Appends the field's text as UTF-8 (an unpaired surrogate as U+FFFD).
void appendFieldUtf8(std::string &out, const FieldBytes &field);

} // namespace store::detail
