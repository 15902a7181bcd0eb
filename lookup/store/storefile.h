// Reading a store file: only an ordinary file, never blocking, never writing.
#pragma once

#include "lookup/store/storeerror.h"

#include <QByteArray>

namespace store::detail {

// What decides whether a file is still the one that was parsed.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;  // status change, nanoseconds: a chmod or a rewrite in place
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

struct FileBytes
{
    QByteArray bytes;
    FileIdentity identity;
};

// The identity of the ordinary file at `path` now.
Result<FileIdentity> statStore(const QString &path);

// All bytes of the ordinary file at `path`. A directory, FIFO, device or socket is refused
// before it is opened. The header page is read first: a file whose header is no Jet 3 or Jet 4
// database's (or is damaged) gives only its first page, which is all that shows why; only a
// Jet header leads to reading the rest, up to the largest size a Jet database can have.
Result<FileBytes> readStore(const QString &path);

// "PATH: cause", the form of every store error message.
StoreError storeError(StoreError::Kind kind, const QString &path, const QString &cause);

} // namespace store::detail
