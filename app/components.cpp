#include "app/components.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace app {

// Empty: Qt supplies every control on this platform (components.h).
std::span<const ComponentFile> programComponents()
{
    return {};
}

bool componentPresent(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

std::optional<InstallFailure> installComponents(std::span<const ComponentFile> table)
{
    for (const ComponentFile &row : table) {
        if (componentPresent(row.targetPath))
            continue;
        QFile resource(row.resource);
        if (!resource.open(QIODevice::ReadOnly))
            return InstallFailure{row.resourceId, row.targetPath,
                                  u"resource %1 cannot be read"_s.arg(row.resourceId)};
        const QByteArray bytes = resource.readAll();

        // Written beside the target under another name and renamed into place, so that a
        // failed write never leaves a partial file that a later start would take as present.
        QSaveFile out(row.targetPath);
        if (!out.open(QIODevice::WriteOnly))
            return InstallFailure{row.resourceId, row.targetPath, out.errorString()};
        if (out.write(bytes) != bytes.size() || !out.commit())
            return InstallFailure{row.resourceId, row.targetPath, out.errorString()};
    }
    return std::nullopt;
}

} // namespace app
