// Test entry point shared by the widget tests: the web engine wants its
// attribute set before the application object exists.
#pragma once

#include <QApplication>
#include <QTest>

#include "tests/common/xservers.h"

#include <cstdio>

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

// The same for tests on a real X server: Xvfb of WIDTH x HEIGHT with the openbox window
// manager, started first (the test links zc_testdisplay).
#define ZC_X11_TEST_MAIN(TestObject, width, height)                                                \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QString error;                                                                             \
        const auto display = zctest::TestDisplay::start(                                           \
            {zctest::TestDisplay::Kind::Xvfb, QSize(width, height), 24, true}, &error);            \
        if (!display) {                                                                            \
            std::fprintf(stderr, "No X server for this test: %s\n", qPrintable(error));            \
            return 1;                                                                              \
        }                                                                                          \
        display->useForQt();                                                                       \
        zctest::prepareApplication();                                                              \
        QApplication app(argc, argv);                                                              \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
