// The program as the start-up benchmark measures it: what main.cpp does (application object,
// Qt's Chinese texts, startUp()), then, once the window is first exposed, one character typed
// into Text1 and the list drawn with the store's answer; it reports the moment of the exposure
// and the resident memory after the list is drawn.
#include "app/platformchoice.h"
#include "app/startup.h"
#include "app/window/design.h"
#include "app/window/form1.h"
#include "bench/startup/probe.h"
#include "siteconfig.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QTranslator>
#include <QTreeView>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    app::PlatformArguments arguments(argc, argv);
    QApplication app(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QString::fromUtf16(site::applicationName));
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    Form1 *form = nullptr;
    int exitCode = 0;
    // Once the list has drawn the answer (texts are read from the store's rows as they are
    // drawn), the memory is taken.
    struct ListPainted : QObject
    {
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint) {
                watched->removeEventFilter(this);
                QMetaObject::invokeMethod(
                    this,
                    [] {
                        startupbench::report("rss", startupbench::residentKb());
                        QCoreApplication::quit();
                    },
                    Qt::QueuedConnection);
            }
            return QObject::eventFilter(watched, event);
        }
    } listPainted;

    startupbench::FirstExpose firstExpose(QString::fromLatin1(window::kFormName), [&] {
        startupbench::report("shown", firstExpose.at());
        QLineEdit *text1 = form->controls().Text1;
        QTreeView *list = form->controls().ListView1;
        list->viewport()->installEventFilter(&listPainted);
        // The search runs inside the key's handling; the list draws at its next update.
        text1->setFocus(Qt::OtherFocusReason);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
        QCoreApplication::sendEvent(text1, &press);
        QCoreApplication::sendEvent(text1, &release);
        if (!list->model() || list->model()->rowCount() == 0) {
            std::fprintf(stderr, "the store gave no answer for \"s\"\n");
            exitCode = 1;
            QCoreApplication::quit();
            return;
        }
        startupbench::report("rows", list->model()->rowCount());
    });
    app.installEventFilter(&firstExpose);

    app::StartResult started = app::startUp();
    if (!started.program) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    form = &started.program->form();
    const int loop = QApplication::exec();
    started.program.reset();
    return exitCode ? exitCode : loop;
}
