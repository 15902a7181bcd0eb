#include "lookup/store/storefile.h"

#include "lookup/filename.h"
#include "lookup/jet/jetheader.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace store::detail {
namespace {

// Larger than any Jet 4 database can be; refusing it keeps a stray huge file out of memory.
constexpr qint64 kLargestStore = qint64(2) << 30;

FileIdentity identityOf(const struct stat &st)
{
    FileIdentity id;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = qint64(st.st_size);
    id.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changed = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

std::optional<StoreError> refuseNonFile(const struct stat &st, const QString &path)
{
    if (S_ISREG(st.st_mode))
        return std::nullopt;
    const char *what = S_ISDIR(st.st_mode)                          ? "is a directory"
                       : S_ISFIFO(st.st_mode)                       ? "is a FIFO"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "is a device"
                       : S_ISSOCK(st.st_mode)                       ? "is a socket"
                                                                    : "is not a file";
    return storeError(StoreError::NotAFile, path,
                      QString::fromLatin1(what) + u", not an ordinary file"_s);
}

StoreError systemError(int error, const QString &path)
{
    const auto kind = error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENAMETOOLONG
                          ? StoreError::NotAFile
                          : StoreError::Unreadable;
    const QString cause = error == ENOENT ? QStringLiteral("no such file")
                                          : QString::fromLocal8Bit(std::strerror(error));
    return storeError(kind, path, cause);
}

// The status of the file `path` names, if that is an ordinary file.
Result<struct stat> statOrdinaryFile(const QString &path)
{
    if (path.isEmpty())
        return storeError(StoreError::NotAFile, path, QStringLiteral("no file named"));
    struct stat st;
    if (::stat(lookup::fileNameToBytes(path).constData(), &st) != 0)
        return systemError(errno, path);
    if (auto refused = refuseNonFile(st, path))
        return *refused;
    return st;
}

} // namespace

StoreError storeError(StoreError::Kind kind, const QString &path, const QString &cause)
{
    return {kind, QDir::toNativeSeparators(path) + u": "_s + cause};
}

Result<FileIdentity> statStore(const QString &path)
{
    const auto st = statOrdinaryFile(path);
    if (!st)
        return st.error();
    return identityOf(*st);
}

Result<FileBytes> readStore(const QString &path)
{
    // The type is checked before opening: opening a socket fails with a cause that names no
    // socket, and opening a device can have effects of its own.
    if (const auto named = statOrdinaryFile(path); !named)
        return named.error();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. It has no effect
    // on reading an ordinary file. The type is checked again on the open descriptor, so a file
    // swapped for something else between the stat and the open is still caught.
    const int fd = ::open(lookup::fileNameToBytes(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemError(errno, path);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat before;
    if (::fstat(fd, &before) != 0)
        return systemError(errno, path);
    if (auto refused = refuseNonFile(before, path))
        return *refused;

    FileBytes result;
    qsizetype done = 0;
    const auto readUpTo = [&](qsizetype end) -> std::optional<StoreError> {
        while (done < end) {
            const ssize_t got =
                ::pread(fd, result.bytes.data() + done, size_t(end - done), off_t(done));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return systemError(errno, path);
            }
            if (got == 0)
                break;
            done += got;
        }
        return std::nullopt;
    };
    // The header page first: a file that is no Jet 4 or Jet 3 database is not read further
    // (its first page is all the header check needs), whatever its size.
    const qsizetype headerSize = qsizetype(std::min<qint64>(before.st_size, jet::kJet4PageSize));
    result.bytes.resize(headerSize);
    if (auto error = readUpTo(headerSize))
        return *error;
    const auto header = jet::readHeader(QByteArrayView(result.bytes).first(done));
    const bool readable = header && header->version != jet::Version::Later && !header->damaged;
    if (readable) {
        if (before.st_size > kLargestStore)
            return storeError(StoreError::NotJet, path,
                              QStringLiteral("larger than any Jet database can be"));
        result.bytes.resize(qsizetype(before.st_size));
        if (auto error = readUpTo(result.bytes.size()))
            return *error;
    }

    struct stat after;
    if (::fstat(fd, &after) != 0)
        return systemError(errno, path);
    result.identity = identityOf(after);
    if (done != result.bytes.size() || !(identityOf(before) == result.identity))
        return storeError(StoreError::Unreadable, path,
                          QStringLiteral("the file changed while it was being read"));
    return result;
}

} // namespace store::detail
