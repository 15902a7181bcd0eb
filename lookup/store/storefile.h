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
// before anything is read from it.
Result<FileBytes> readStore(const QString &path);

// "PATH: cause", the form of every store error message.
StoreError storeError(StoreError::Kind kind, const QString &path, const QString &cause);

} // namespace store::detail
