#include "lookup/store/storefile.h"

#include <QDir>
#include <QFile>

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

} // namespace

StoreError storeError(StoreError::Kind kind, const QString &path, const QString &cause)
{
    return {kind, QDir::toNativeSeparators(path) + u": "_s + cause};
}

Result<FileIdentity> statStore(const QString &path)
{
    if (path.isEmpty())
        return storeError(StoreError::NotAFile, path, QStringLiteral("no file named"));
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return systemError(errno, path);
    if (auto refused = refuseNonFile(st, path))
        return *refused;
    return identityOf(st);
}

Result<FileBytes> readStore(const QString &path)
{
    if (path.isEmpty())
        return storeError(StoreError::NotAFile, path, QStringLiteral("no file named"));
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. It has no effect
    // on reading an ordinary file. The type is checked on the open descriptor, so a file swapped
    // for something else between a stat and the open is still caught.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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
    if (before.st_size > kLargestStore)
        return storeError(StoreError::NotJet, path,
                          QStringLiteral("larger than any Jet database can be"));

    FileBytes result;
    result.bytes.resize(qsizetype(before.st_size));
    qsizetype done = 0;
    while (done < result.bytes.size()) {
        const ssize_t got = ::pread(fd, result.bytes.data() + done,
                                    size_t(result.bytes.size() - done), off_t(done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno, path);
        }
        if (got == 0)
            break;
        done += got;
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
