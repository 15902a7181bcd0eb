#include "app/platformchoice.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/window/design.h"
#include "app/window/form1.h"
#include "siteconfig.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

int main(int argc, char **argv)
{
    // The web engine shares one graphics context across views; this must be set first.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // On a Wayland desktop, XWayland unless the player chose a platform (platformchoice.h).
    app::PlatformArguments arguments(argc, argv);
    QApplication app(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QString::fromUtf16(site::applicationName));
    // Lets desktops match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromUtf16(site::desktopFileName));

    // Everything the player reads is Chinese, Qt's own texts (the text boxes' context menus,
    // the OK button) included, whatever the system's language.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    // A copy started while one runs brings that one to the front and ends, before it builds
    // a window or tries the global key.
    app::SingleInstance instance(app::instanceSocketPath());
    if (!instance.claim())
        return 0;

    app::StartResult started = app::startUp();
    if (!started.program) {
        const app::InstallFailure &f = *started.failure;
        const QString text = QStringLiteral("无法写入运行组件 %1（资源 %2）：%3")
                                 .arg(f.targetPath)
                                 .arg(f.resourceId)
                                 .arg(f.reason);
        qCritical("%s", qUtf8Printable(text));
        QMessageBox::critical(nullptr, QString::fromUtf16(window::kApplicationTitle), text);
        return 1;
    }
    Form1 *window = &started.program->form();
    QObject::connect(&instance, &app::SingleInstance::showRequested, window,
                     [window] { app::bringToFront(window); });
    return QApplication::exec();
}
