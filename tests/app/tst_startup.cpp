// Start-up: the order of its steps, what each step finds done, and the window it shows.
#include "app/startup.h"
#include "app/window/form1.h"
#include "app/window/quietpage.h"
#include "siteconfig.h"
#include "tests/common/testmain.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWebEngineView>

using namespace Qt::StringLiterals;
using namespace app;

namespace {
QUrl requested(QWebEngineView *view)
{
    return view->page()->requestedUrl();
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void stepsRunInOrderEachFindingTheOnesBeforeItDone()
    {
        QStringList steps;
        QStringList problems;
        StartOptions options;
        options.trace = [&](const char *step, Program &program) {
            Form1 &form = program.form();
            const QString name = QString::fromLatin1(step);
            steps << name;
            auto *web1 = form.controls().WebBrowser1;
            auto *web2 = form.controls().WebBrowser2;
            auto *list = form.controls().ListView1;
            const QString text4 = form.controls().Text4->text();
            const QString text5 = form.controls().Text5->text();
            auto expect = [&](bool ok, const char *what) {
                if (!ok)
                    problems << name + u": "_s + QString::fromLatin1(what);
            };
            // The window is never visible before the last step, and the portal page is not
            // asked for before the load-time steps have all run.
            expect(!form.isVisible(), "window already shown");
            if (name != u"show"_s)
                expect(requested(web2).isEmpty(), "WebBrowser2 navigated too early");
            if (name == u"Form_Load"_s || name == u"WebBrowser1.Navigate"_s) {
                expect(requested(web1).isEmpty(), "WebBrowser1 navigated too early");
                expect(list->model() == nullptr, "list shaped too early");
                expect(text4.isEmpty() && text5.isEmpty(), "level boxes filled too early");
            }
            if (name == u"WebBrowser1.Silent"_s)
                expect(!requested(web1).isEmpty(), "WebBrowser1 not navigated yet");
            if (name == u"load defaults"_s)
                expect(list->model() && list->model()->columnCount() == 2, "list not shaped");
            if (name == u"WebBrowser2.Navigate"_s)
                expect(text4 == u"1"_s && text5 == u"60"_s, "load defaults missing");
        };

        StartResult started = startUp(options);
        QVERIFY(started.program);
        QVERIFY(!started.failure);
        QCOMPARE(steps, (QStringList{u"Form_Load"_s, u"WebBrowser1.Navigate"_s,
                                     u"WebBrowser1.Silent"_s, u"ListView1.shape"_s,
                                     u"load defaults"_s, u"WebBrowser2.Navigate"_s, u"show"_s}));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_s)));

        Form1 &form = started.program->form();
        QVERIFY(form.isVisible());
        QCOMPARE(form.controls().SSTab1->currentIndex(), 0);
        QCOMPARE(form.width(), 868);
        QCOMPARE(form.controls().Text4->text(), u"1"_s);
        QCOMPARE(form.controls().Text5->text(), u"60"_s);
        // The engine writes the empty path of the zone address as "/".
        QCOMPARE(requested(form.controls().WebBrowser1),
                 QUrl(QString::fromUtf16(site::zoneHomeAddress) + u'/'));
        QCOMPARE(requested(form.controls().WebBrowser2),
                 QUrl(QString::fromUtf16(site::portalHomeAddress)));
        auto *page1 = static_cast<QuietPage *>(form.controls().WebBrowser1->page());
        QVERIFY(page1->isSilent());
    }

    void addressesHaveTheirFixedShape()
    {
        const QString zone = QString::fromUtf16(site::zoneHomeAddress);
        const QString portal = QString::fromUtf16(site::portalHomeAddress);
        QVERIFY(zone.startsWith(u"http://"_s) && !zone.endsWith(u'/'));
        QVERIFY(portal.startsWith(u"http://"_s) && portal.endsWith(u'/'));
        QCOMPARE(zone, u"http://"_s + QString::fromUtf16(site::zoneHost));
    }

    void resultListIsShapedIntoTwoColumns()
    {
        StartResult started = startUp();
        QVERIFY(started.program);
        auto *list = started.program->form().controls().ListView1;
        QCOMPARE(list->model()->columnCount(), 2);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), u"题目"_s);
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), u"答案"_s);
        QVERIFY(!list->isHeaderHidden());
        // Three quarters and one quarter of the list's width (409 pixels).
        QCOMPARE(list->columnWidth(0), 306);
        QCOMPARE(list->columnWidth(1), 102);

        // The columns are wider than the visible area: the horizontal scroll bar reaches the end
        // of the answer column.
        QVERIFY(QTest::qWaitForWindowExposed(&started.program->form()));
        QCoreApplication::processEvents();
        const int hidden = list->header()->length() - list->viewport()->width();
        QVERIFY(hidden > 0);
        QVERIFY(list->horizontalScrollBar()->isVisible());
        QCOMPARE(list->horizontalScrollBar()->maximum(), hidden);
    }

    void aComponentThatCannotBeWrittenStopsStartUpBeforeAnyWindow()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(u"BLOCKED.OCX"_s))); // a folder stands in the way
        const std::vector<ComponentFile> table = {
            {101, u":/no-such-resource"_s, dir.filePath(u"BLOCKED.OCX"_s)},
        };
        StartOptions options;
        options.components = table;
        bool anyStep = false;
        options.trace = [&](const char *, Program &) { anyStep = true; };
        const auto windowsBefore = QApplication::topLevelWidgets().size();

        StartResult started = startUp(options);
        QVERIFY(!started.program);
        QVERIFY(started.failure.has_value());
        QCOMPARE(started.failure->resourceId, 101);
        QVERIFY(!anyStep);
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
    }
};

ZC_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
