// Component files the window's controls need from the system, written from the program's own
// resources when missing. Qt supplies every control on this platform, so the program's table is
// empty here; the routine stays because it is start-up's first step, whose failure stops the
// program with a message, and it serves any platform whose build lists components.
#pragma once

#include <QString>
#include <optional>
#include <span>

namespace app {

struct ComponentFile
{
    int resourceId;
    QString resource;   // Qt resource path of the file's bytes
    QString targetPath; // where the file must exist
};

struct InstallFailure
{
    int resourceId;
    QString targetPath;
    QString reason;
};

// The program's component table, in installation order.
std::span<const ComponentFile> programComponents();

// True when an ordinary file that is not hidden stands at the path.
bool componentPresent(const QString &path);

// Walks the table in order. A present file is left as it is, whatever its size or content; a
// missing one is written with exactly the resource's bytes. The first failure stops the walk
// and is returned; the rows after it are not looked at.
std::optional<InstallFailure> installComponents(std::span<const ComponentFile> table);

} // namespace app
