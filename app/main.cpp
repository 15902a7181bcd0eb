#include "app/startup.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char **argv)
{
    // The web engine shares one graphics context across views; this must be set first.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zembrik-corvanth"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZembrikCorvanth专区"));

    StartResult started = startUp();
    if (!started.program) {
        const InstallFailure &f = *started.failure;
        const QString text = QStringLiteral("Cannot write component %1 to %2: %3")
                                 .arg(f.resourceId)
                                 .arg(f.targetPath, f.reason);
        qCritical("%s", qUtf8Printable(text));
        QMessageBox::critical(nullptr, QStringLiteral("ZembrikCorvanth专区"), text);
        return 1;
    }
    return app.exec();
}
