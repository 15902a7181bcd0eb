#include "tools/inputfile.h"

#include "lookup/filename.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace tools {
namespace {

store::StoreError failure(store::StoreError::Kind kind, const QString &path, const QString &cause)
{
    return {kind, path + u": "_s + cause};
}

store::StoreError systemFailure(const QString &path)
{
    return failure(store::StoreError::Unreadable, path,
                   QString::fromLocal8Bit(std::strerror(errno)));
}

std::optional<QString> notAFile(const struct stat &st)
{
    if (S_ISREG(st.st_mode))
        return std::nullopt;
    return S_ISDIR(st.st_mode)                          ? u"is a directory"_s
           : S_ISFIFO(st.st_mode)                       ? u"is a FIFO"_s
           : S_ISSOCK(st.st_mode)                       ? u"is a socket"_s
           : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? u"is a device"_s
                                                        : u"is not a file"_s;
}

store::StoreError tooLarge(const QString &path, qint64 limit)
{
    return failure(store::StoreError::Unreadable, path,
                   u"more than %1 bytes, larger than any store can be"_s.arg(limit));
}

} // namespace

store::Result<QByteArray> readInput(const QString &path, qint64 limit)
{
    const bool standardInput = path == u"-";
    const QString name = standardInput ? u"standard input"_s : path;
    const QByteArray encoded = lookup::fileNameToBytes(path);
    struct stat st;
    if (!standardInput) {
        if (::stat(encoded.constData(), &st) != 0)
            return systemFailure(path);
        if (auto what = notAFile(st))
            return failure(store::StoreError::NotAFile, path, *what);
    }
    const int fd = standardInput
                       ? STDIN_FILENO
                       : ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemFailure(path);
    struct Closer
    {
        int fd;
        bool own;
        ~Closer()
        {
            if (own)
                ::close(fd);
        }
    } closer{fd, !standardInput};

    QByteArray bytes;
    if (!standardInput) {
        // Checked again on what was opened, in case the name was given to something else.
        if (::fstat(fd, &st) != 0)
            return systemFailure(path);
        if (auto what = notAFile(st))
            return failure(store::StoreError::NotAFile, path, *what);
        if (st.st_size > limit)
            return tooLarge(path, limit);
        bytes.reserve(qsizetype(st.st_size) + 1);
    }
    constexpr qsizetype kChunk = 1 << 16;
    for (;;) {
        const qsizetype done = bytes.size();
        bytes.resize(done + kChunk);
        const ssize_t got = ::read(fd, bytes.data() + done, size_t(kChunk));
        const int error = errno;
        bytes.resize(done + std::max<qsizetype>(got, 0));
        if (got < 0) {
            if (error == EINTR)
                continue;
            errno = error;
            return systemFailure(name);
        }
        if (got == 0)
            return bytes;
        if (bytes.size() > limit)
            return tooLarge(name, limit);
    }
}

} // namespace tools
