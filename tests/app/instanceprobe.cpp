// A program that claims its copy as the program does, for tst_singleinstance: prints
// "primary" and stays (printing "show requested" when a later copy asks), or prints
// "secondary" and ends with status 3. With "hold-lock" after the path it takes the lock
// that claiming takes, prints "locked" and stays, to be killed while holding it.
#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    if (argc > 2 && QByteArray(argv[2]) == "hold-lock") {
        QLockFile lock(QString::fromLocal8Bit(argv[1]) + QStringLiteral(".lock"));
        if (!lock.lock())
            return 1;
        std::puts("locked");
        std::fflush(stdout);
        QThread::sleep(3600);
        return 0;
    }
    app::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    if (!instance.claim()) {
        std::puts("secondary");
        return 3;
    }
    std::puts("primary");
    std::fflush(stdout);
    QObject::connect(&instance, &app::SingleInstance::showRequested, [] {
        std::puts("show requested");
        std::fflush(stdout);
    });
    return QCoreApplication::exec();
}
