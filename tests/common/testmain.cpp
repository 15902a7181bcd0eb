#include "tests/common/testmain.h"

#include <QCoreApplication>

namespace zctest {
void prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("QTWEBENGINE_DISABLE_SANDBOX").isEmpty())
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}
} // namespace zctest
