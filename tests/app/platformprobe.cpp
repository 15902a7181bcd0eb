// Starts a Qt application the way the program's main does and prints the platform Qt picked.
#include "app/platformchoice.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    app::PlatformArguments arguments(argc, argv);
    QGuiApplication application(arguments.argc(), arguments.argv());
    std::printf("%s\n", qPrintable(QGuiApplication::platformName()));
    return 0;
}
