// Where the program looks for its answer store: first the player's own folder in the data
// home ($XDG_DATA_HOME/zembrik-corvanth/, by default ~/.local/share/zembrik-corvanth/), then
// the program's own folder, where the shipped store lies. Whatever entry named "crvt.dat"
// stands in the player's folder is the store, readable or not: a broken one is refused as any
// store is, and never quietly replaced by the shipped one.
#pragma once

#include <QString>

namespace store {

// The folder of the player's own store, from the values of XDG_DATA_HOME and HOME. A relative
// or empty XDG_DATA_HOME is ignored, as the XDG base directory rules say.
QString playerStoreFolder(const QString &xdgDataHome, const QString &home);

// The folder whose "crvt.dat" the program opens: `playerFolder` when an entry by that name
// exists there, `programFolder` otherwise.
QString chooseStoreFolder(const QString &playerFolder, bool playerStoreExists,
                          const QString &programFolder);

// Where the program's store is: its folder, and whether that is the player's own.
struct StoreLocation
{
    QString folder;
    bool playersOwn = false;

    QString path() const; // the store file, "crvt.dat" in the folder
};

// The two above on this process's environment and file system.
QString playerStoreFolder();
StoreLocation locateStore(const QString &programFolder);

} // namespace store
