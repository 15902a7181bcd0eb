// crvt-tool install: a player's own store, built into the folder where the program looks
// first (lookup/store/storelocation.h), with the store it replaces kept beside it.
#pragma once

#include "shared/result.h"

#include <QString>

#include <functional>
#include <optional>

namespace tools {

struct InstallError
{
    QString file;
    QString cause;
};

// The path of the player's store, "crvt.dat" in the player's data folder, with the folder
// made if it does not exist yet.
shared::Result<QString, InstallError> prepareInstallTarget();

// The name the replaced store is kept under: "crvt.dat.bak" beside "crvt.dat".
QString backupPath(const QString &target);

// Makes the new store with `write` (which writes a whole store to the path it is given, or says
// why not) and puts it in place at `target`. A store already at `target` is kept as
// backupPath(target) first, replacing an older one: one install is undone by renaming a file.
// The new store is written in full beside the target before anything is replaced, the copy
// is complete before it takes the backup's name, and the new store takes the target's name by
// a rename, so a failure at any step leaves the store at `target` as it was. Returns whether a
// store was replaced.
shared::Result<bool, InstallError>
installStore(const QString &target,
             const std::function<std::optional<QString>(const QString &)> &write);

} // namespace tools
