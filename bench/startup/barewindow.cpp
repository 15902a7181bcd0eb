// The baseline of the start-up benchmark: a bare Qt window of the program's size holding one
// web view that goes to the same first page as the program's viewport, and nothing else.
#include "bench/startup/probe.h"
#include "siteconfig.h"

#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Measured once the window is on screen and the events queued until then are handled,
    // the moment the program's probe starts its first query.
    startupbench::FirstExpose firstExpose(QStringLiteral("bare"), [&] {
        startupbench::report("shown", firstExpose.at());
        startupbench::report("rss", startupbench::residentKb());
        QCoreApplication::quit();
    });
    app.installEventFilter(&firstExpose);

    QWidget window;
    window.setObjectName(QStringLiteral("bare"));
    window.setFixedSize(868, 505);
    auto *view = new QWebEngineView(&window);
    view->setGeometry(0, 0, 868, 505);
    view->load(QUrl(QString::fromUtf16(site::zoneHomeAddress)));
    window.show();
    return QApplication::exec();
}
