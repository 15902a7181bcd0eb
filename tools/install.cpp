#include "tools/install.h"

#include "lookup/store/store.h"
#include "lookup/store/storelocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace tools {

namespace {

// The bytes of `source` copied to `destination` through a file of its own that takes the name
// only once it is complete and on disk.
std::optional<QString> copyFile(const QString &source, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(block.data(), block.size());
        if (got < 0)
            return in.errorString();
        if (got == 0)
            break;
        if (out.write(block.constData(), got) != got) {
            const QString error = out.errorString();
            out.cancelWriting();
            return error;
        }
    }
    if (!out.commit())
        return out.errorString();
    return std::nullopt;
}

} // namespace

shared::Result<QString, InstallError> prepareInstallTarget()
{
    const QString folder = store::playerStoreFolder();
    if (!QDir().mkpath(folder))
        return InstallError{folder, u"cannot create the folder"_s};
    return folder + u'/' + QString::fromUtf16(store::kStoreFileName);
}

QString backupPath(const QString &target)
{
    return target + u".bak"_s;
}

shared::Result<bool, InstallError>
installStore(const QString &target,
             const std::function<std::optional<QString>(const QString &)> &write)
{
    // A link at the target is followed, as the program follows it: the store it names is the
    // one replaced.
    const QFileInfo current(target);
    const bool replacing = current.exists();
    const QString finalPath = replacing ? current.canonicalFilePath() : target;

    // 1. The whole new store, beside the store it replaces (a rename does not cross file
    // systems), under a name of its own that is removed again unless it becomes the store.
    struct Fresh
    {
        QString path;
        bool keep = false;
        ~Fresh()
        {
            if (!keep)
                QFile::remove(path);
        }
    } fresh;
    const QString folder = QFileInfo(finalPath).absolutePath();
    for (int i = 0; fresh.path.isEmpty() || QFileInfo::exists(fresh.path); ++i)
        fresh.path = u"%1/.crvt-install-%2-%3"_s.arg(folder).arg(::getpid()).arg(i);
    if (const auto error = write(fresh.path))
        return InstallError{target, *error};
    // The replaced store's permissions go on, as when a store is rewritten in place.
    if (replacing)
        QFile::setPermissions(fresh.path, current.permissions());

    // 2. The store replaced, kept whole before the new one takes its name.
    if (replacing) {
        if (const auto error = copyFile(finalPath, backupPath(target)))
            return InstallError{backupPath(target), u"cannot keep the store it replaces here: "_s +
                                                        *error + u"; nothing was installed"_s};
    }

    // 3. The new store takes the name at once.
    if (std::rename(QFile::encodeName(fresh.path).constData(),
                    QFile::encodeName(finalPath).constData()) != 0)
        return InstallError{target,
                            u"cannot replace: "_s + QString::fromLocal8Bit(std::strerror(errno))};
    fresh.keep = true;
    return replacing;
}

} // namespace tools
