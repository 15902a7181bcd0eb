// crvt-tool install: a player's own store, built into the folder where the program looks
// first (lookup/store/storelocation.h).
#pragma once

#include "shared/result.h"

#include <QString>

namespace tools {

struct InstallError
{
    QString file;
    QString cause;
};

// The path of the player's store, "crvt.dat" in the player's data folder, with the folder
// made if it does not exist yet.
shared::Result<QString, InstallError> prepareInstallTarget();

} // namespace tools
