// The first look at a store file: its header read and its database password checked, before
// anything behind the header is parsed.
#pragma once

#include "lookup/jet/jetheader.h"
#include "lookup/store/storeerror.h"

#include <QByteArray>

namespace store::detail {

// The header of the file `bytes` read from `path`; a file that is no Jet 3 or Jet 4 database
// is refused.
Result<jet::HeaderInfo> readHeaderOf(const QByteArray &bytes, const QString &path);

StoreError wrongPassword(const QString &path);

// A store file read whole, its header read and its password checked.
struct OpenedFile
{
    QByteArray bytes;
    jet::Version version;
};
Result<OpenedFile> openChecked(const QString &path, const QString &password);

} // namespace store::detail
