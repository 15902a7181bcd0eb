#include "lookup/store/storelocation.h"

#include "lookup/store/store.h"
#include "lookup/store/storelog.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace store {

QString playerStoreFolder(const QString &xdgDataHome, const QString &home)
{
    const QString dataHome =
        QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + u"/.local/share"_s;
    return QDir::cleanPath(dataHome + u"/zembrik-corvanth"_s);
}

QString chooseStoreFolder(const QString &playerFolder, bool playerStoreExists,
                          const QString &programFolder)
{
    return playerStoreExists ? playerFolder : programFolder;
}

QString playerStoreFolder()
{
    return playerStoreFolder(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
}

QString StoreLocation::path() const
{
    return folder + u'/' + QString::fromUtf16(kStoreFileName);
}

StoreLocation locateStore(const QString &programFolder)
{
    const QString player = playerStoreFolder();
    const QFileInfo entry(player + u'/' + QString::fromUtf16(kStoreFileName));
    // A dangling link counts as an entry too: it is the player's store, and it cannot be read.
    const bool exists = entry.exists() || entry.isSymLink();
    StoreLocation chosen{chooseStoreFolder(player, exists, programFolder), exists};
    qCDebug(lcStore) << "store folder:" << chosen.folder
                     << (exists ? "(the player's own)" : "(beside the program)");
    return chosen;
}

} // namespace store
