// Reading the quiz list crvt-tool builds from: an ordinary file, or standard input.
#pragma once

#include "lookup/store/storeerror.h"

#include <QByteArray>
#include <QString>

namespace tools {

// The largest quiz list read: as large as the largest store (2 GiB), which any list that fits
// a store is well below.
inline constexpr qint64 kMaxInputSize = qint64(2) << 30;

// The bytes of the ordinary file at `path` (symbolic links followed), or of standard input when
// `path` is "-". Anything else at `path` (a directory, a FIFO, a device, a socket) is refused
// before it is opened, and more than `limit` bytes are refused without reading further: an
// endless input (a FIFO or /dev/zero fed through standard input) ends there. The error's
// message is "PATH: cause".
store::Result<QByteArray> readInput(const QString &path, qint64 limit = kMaxInputSize);

} // namespace tools
