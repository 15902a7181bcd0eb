#include "tools/install.h"

#include "lookup/store/store.h"
#include "lookup/store/storelocation.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace tools {

shared::Result<QString, InstallError> prepareInstallTarget()
{
    const QString folder = store::playerStoreFolder();
    if (!QDir().mkpath(folder))
        return InstallError{folder, u"cannot create the folder"_s};
    return folder + u'/' + QString::fromUtf16(store::kStoreFileName);
}

} // namespace tools
