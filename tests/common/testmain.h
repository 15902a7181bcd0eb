// Test entry point shared by the widget tests: the web engine wants its
// attribute set before the application object exists.
#pragma once

#include <QApplication>
#include <QTest>

#include "tests/common/xsession.h"

namespace zctest {
void prepareApplication();
}

#define ZC_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        zctest::prepareApplication();                                                              \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// The same for tests on a real X server: Xvfb with a window manager, started first, with the
// -screen argument `screen` ("1280x800x24").
#define ZC_X11_TEST_MAIN(TestObject, screen)                                                       \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        const auto session = zctest::startSessionForQt({QStringLiteral(screen), true});            \
        zctest::prepareApplication();                                                              \
        QApplication app(argc, argv);                                                              \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
