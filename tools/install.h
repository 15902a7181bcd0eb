// crvt-tool install: a player's own store, built into the folder where the program looks
// first (lookup/store/storelocation.h).
#pragma once

#include <QString>

#include <variant>

namespace crvttool {

struct InstallError
{
    QString file;
    QString cause;
};

// The path of the player's store, "crvt.dat" in the player's data folder, with the folder
// made if it does not exist yet.
std::variant<QString, InstallError> prepareInstallTarget();

} // namespace crvttool
