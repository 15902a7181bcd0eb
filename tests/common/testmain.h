// Test entry point shared by the widget tests: the web engine wants its
// attribute set before the application object exists.
#pragma once

#include <QApplication>
#include <QTest>

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
