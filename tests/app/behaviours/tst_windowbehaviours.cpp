// The window's own behaviours: the always-on-top switch, the expand/collapse strip and the
// fixed page viewport, on the real window.
#include "app/behaviours/windowbehaviours.h"
#include "app/window/design.h"
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "app/window/quietpage.h"
#include "tests/common/formfixture.h"
#include "tests/common/testmain.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWebEngineContextMenuRequest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWheelEvent>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int expandedOuter = 873;  // 13100 twips
constexpr int collapsedOuter = 477; // 7150 twips

int outerWidth(const QWidget &w)
{
    return w.frameGeometry().width();
}

bool flaggedOnTop(const Form1 &form)
{
    return form.windowFlags().testFlag(Qt::WindowStaysOnTopHint) && form.windowHandle() &&
           form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
}

QString expandText()
{
    return QString::fromUtf16(window::kExpandText);
}

QString collapseText()
{
    return QString::fromUtf16(window::kCollapseText);
}

// Runs a script in the page's main world and waits for its result.
QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    struct Outcome
    {
        bool done = false;
        QVariant value;
    };
    auto outcome = std::make_shared<Outcome>();
    page->runJavaScript(script, [outcome](const QVariant &v) {
        outcome->value = v;
        outcome->done = true;
    });
    if (!QTest::qWaitFor([&] { return outcome->done; }, 20000))
        qWarning("script did not answer: %s", qPrintable(script));
    return outcome->value;
}

int counter(QWebEnginePage *page, const QString &name)
{
    return evaluate(page, u"(window.seen && window.seen['%1']) || 0"_s.arg(name)).toInt();
}

bool loadAndWait(QWebEngineView *view, const QUrl &url)
{
    QSignalSpy finished(view, &QWebEngineView::loadFinished);
    view->load(url);
    return finished.wait(30000);
}

// Stands in for the system's browser: records every address handed to it.
class SystemBrowser : public QObject
{
    Q_OBJECT
public:
    SystemBrowser()
    {
        QDesktopServices::setUrlHandler(u"http"_s, this, "open");
        QDesktopServices::setUrlHandler(u"https"_s, this, "open");
        QDesktopServices::setUrlHandler(u"file"_s, this, "open");
    }
    ~SystemBrowser() override
    {
        for (const QString &scheme : {u"http"_s, u"https"_s, u"file"_s})
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

// The widget that takes the view's input: the engine's render widget.
QWidget *renderWidget(QWebEngineView *view)
{
    QWidget *proxy = view->focusProxy();
    return proxy ? proxy : view;
}

// A point of the view that the viewport shows: the middle of Picture1.
QPoint viewportPoint(QWebEngineView *view)
{
    const QWidget *picture = view->parentWidget();
    return view->mapFrom(picture, picture->rect().center());
}

void turnWheel(QWebEngineView *view)
{
    QWidget *target = renderWidget(view);
    const QPoint at = target->mapFrom(view, viewportPoint(view));
    QWheelEvent turn(QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(0, 0), QPoint(0, -360),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &turn);
}

void rightClick(QWebEngineView *view)
{
    QWidget *target = renderWidget(view);
    const QPoint at = target->mapFrom(view, viewportPoint(view));
    QTest::mousePress(target, Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseRelease(target, Qt::RightButton, Qt::NoModifier, at);
}

void pressMenuKey(QWebEngineView *view)
{
    QTest::keyClick(renderWidget(view), Qt::Key_Menu);
}

// Sends an input event until the page reports it: input that reaches the engine before it is
// ready for a new document can be lost, and only the page's report tells that one came through.
bool deliver(QWebEngineView *view, void (*send)(QWebEngineView *), const QString &seenAs)
{
    const int before = counter(view->page(), seenAs);
    for (int attempt = 0; attempt < 6; ++attempt) {
        send(view);
        if (QTest::qWaitFor([&] { return counter(view->page(), seenAs) > before; }, 5000))
            return true;
    }
    qWarning("the page never saw the %s", qPrintable(seenAs));
    return false;
}

QMenu *shownMenu()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// The pages the viewport is tested with. Every document reports the wheel turns and context
// menus it sees into the top page's `seen`, and whether they came to it cancelled.
const char *const reporter = R"js(
<script>
(function () {
    const top = window.top === window;
    if (top) {
        window.seen = window.seen || {};
        addEventListener('message', function (e) { seen[e.data] = (seen[e.data] || 0) + 1; });
    }
    window.report = function (what) {
        if (top) seen[what] = (seen[what] || 0) + 1;
        else parent.postMessage(what, '*');
    };
    window.record = function (e) {
        report(e.type);
        if (e.defaultPrevented) report(e.type + 'Prevented');
    };
    addEventListener('scroll', function () { report('scroll'); });
})();
</script>
)js";

const char *const tallBody = R"html(
<div style="height:8000px;width:4000px;background:linear-gradient(#fff,#468)">tall page</div>
)html";

// The page's own listeners, on the document in the bubbling phase, as most pages have them.
const char *const plainListeners = R"js(
<script>
document.addEventListener('wheel', record, { passive: true });
document.addEventListener('contextmenu', record);
</script>
)js";

// A page that tries to keep its context menu and its wheel: it takes away preventDefault and
// stops both events first thing on the window.
const char *const hostileListeners = R"js(
<script>
Event.prototype.preventDefault = function () {};
addEventListener('wheel', function (e) { record(e); e.stopImmediatePropagation(); },
                 { capture: true, passive: true });
addEventListener('contextmenu', function (e) { record(e); e.stopImmediatePropagation(); }, true);
</script>
)js";

// A page that writes itself anew when told to, which drops every listener of its window and
// its document.
const char *const rewritingPage = R"js(
<script>
window.rewrite = function () {
    document.open();
    document.write('<body style="margin:0"><div style="height:8000px;width:4000px">rewritten</div></body>');
    document.close();
    document.addEventListener('wheel', record, { passive: true });
    document.addEventListener('contextmenu', record);
    return true;
};
</script>
)js";

class Site
{
public:
    Site()
    {
        write(u"plain.html"_s, page(plainListeners, u"<a id='next' href='next.html'>next</a>"_s));
        write(u"next.html"_s, page(plainListeners, QString()));
        write(u"hostile.html"_s, page(hostileListeners, QString()));
        write(u"rewriting.html"_s, page(rewritingPage, QString()));
        // A frame that fills the whole page, so the viewport shows only the frame.
        write(u"framed.html"_s,
              u"<!doctype html><html><head><meta charset='utf-8'>%1</head>"
              "<body style='margin:0'><iframe src='next.html' style='position:fixed;left:0;"
              "top:0;width:100%;height:100%;border:0'></iframe></body></html>"_s.arg(
                  QString::fromUtf8(reporter)));
        write(u"notes.txt"_s, u"plain text, no document to hook\n"_s.repeated(400));
    }

    QUrl url(const QString &name) const { return QUrl::fromLocalFile(m_dir.filePath(name)); }

private:
    static QString page(const char *listeners, const QString &extra)
    {
        return u"<!doctype html><html><head><meta charset='utf-8'>%1%2</head>"
               "<body style='margin:0'>%3%4</body></html>"_s.arg(
                   QString::fromUtf8(reporter), QString::fromUtf8(listeners), extra,
                   QString::fromUtf8(tallBody));
    }

    void write(const QString &name, const QString &text)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    QTemporaryDir m_dir;
};

} // namespace

class TestWindowBehaviours : public QObject, public FormFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // The rules on their own.
    void stripStep_data();
    void stripStep();
    void staysOnTop_data();
    void staysOnTop();

    // Always on top.
    void check2PutsWindowOnTopInPlace();
    void check2ValueSetByProgram_data();
    void check2ValueSetByProgram();
    void check2KeyToggle();
    void check2BeforeWindowShown();

    // Expand and collapse.
    void label7TogglesWidth_data();
    void label7TogglesWidth();
    void label7AnyOtherCaptionCollapses_data();
    void label7AnyOtherCaptionCollapses();
    void label7SetsWidthBeforeCaption();
    void label7BeforeWindowShown();
    void label7DoubleClickIsOneClick();

    // The fixed viewport.
    void viewportCancelsMenuAndWheel_data();
    void viewportCancelsMenuAndWheel();
    void viewportHoldsPageReachedByLink();
    void viewportHooksDocumentOlderThanHook();
    void viewportOutlivesDocumentWithoutHook();
    void unhookedViewScrollsAndShowsMenu();
    void otherControlsKeepMenuAndWheel();
    void newWindowAddresses_data();
    void newWindowAddresses();
    void viewportNewWindowsOpenInSystemBrowser();

private:
    void showForm();
    bool sawCancelledWheelWithoutScrolling(QWebEngineView *view);
    bool sawCancelledMenuWithoutQtMenu(QWebEngineView *view);

    std::unique_ptr<WindowBehaviours> m_behaviours;
};

void TestWindowBehaviours::init()
{
    makeForm();
    m_behaviours = std::make_unique<WindowBehaviours>(ui());
}

void TestWindowBehaviours::cleanup()
{
    if (QMenu *menu = shownMenu())
        menu->close();
    m_behaviours.reset();
    m_form.reset();
}

void TestWindowBehaviours::showForm()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

// ---------------------------------------------------------------------------------------------

void TestWindowBehaviours::stripStep_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("next");

    const QString expand = expandText();
    QTest::newRow("expand text: collapsed window expands") << expand << 13100 << collapseText();
    QTest::newRow("collapse text: expanded window collapses") << collapseText() << 7150 << expand;
    QTest::newRow("empty caption collapses") << QString() << 7150 << expand;
    QTest::newRow("expand text without its last character collapses")
        << expand.chopped(1) << 7150 << expand;
    QTest::newRow("expand text with a trailing space collapses") << expand + u' ' << 7150 << expand;
    QTest::newRow("expand text without its leading spaces collapses")
        << expand.trimmed() << 7150 << expand;
    QString halfway = expand;
    halfway.replace(u'开', u'起');
    QTest::newRow("expand text with one character of the collapse text collapses")
        << halfway << 7150 << expand;
}

void TestWindowBehaviours::stripStep()
{
    QFETCH(QString, caption);
    QFETCH(int, width);
    QFETCH(QString, next);

    const behaviours::StripStep step = behaviours::stripStep(caption);
    QCOMPARE(step.outerWidth, width);
    QCOMPARE(step.caption, next);
    QCOMPARE(step.caption.size(), 100);
}

void TestWindowBehaviours::staysOnTop_data()
{
    QTest::addColumn<Qt::CheckState>("state");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("onTop");
    QTest::newRow("unchecked counts 0, normal stacking") << Qt::Unchecked << 0 << false;
    QTest::newRow("checked counts 1, on top") << Qt::Checked << 1 << true;
    QTest::newRow("greyed counts 2, normal stacking") << Qt::PartiallyChecked << 2 << false;
}

void TestWindowBehaviours::staysOnTop()
{
    QFETCH(Qt::CheckState, state);
    QFETCH(int, value);
    QFETCH(bool, onTop);
    QCOMPARE(behaviours::checkValue(state), value);
    QCOMPARE(behaviours::staysOnTop(value), onTop);
}

// ---------------------------------------------------------------------------------------------

void TestWindowBehaviours::check2PutsWindowOnTopInPlace()
{
    showForm();
    auto *check = ui().Check2;
    auto *tabs = ui().SSTab1;
    QVERIFY(!flaggedOnTop(*m_form));
    const QRect frame = m_form->frameGeometry();
    const QRect client = m_form->geometry();
    QWindow *native = m_form->windowHandle();

    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(check->checkState(), Qt::Checked);
    QVERIFY(flaggedOnTop(*m_form));
    QCOMPARE(m_form->frameGeometry(), frame);
    QCOMPARE(m_form->geometry(), client);
    QVERIFY(m_form->isVisible());
    // The same native window: nothing was hidden and mapped anew.
    QCOMPARE(m_form->windowHandle(), native);
    QCOMPARE(QApplication::focusWidget(), check);
    QCOMPARE(tabs->currentIndex(), 0);

    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(check->checkState(), Qt::Unchecked);
    QVERIFY(!flaggedOnTop(*m_form));
    QVERIFY(!m_form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(m_form->frameGeometry(), frame);
    QCOMPARE(m_form->geometry(), client);
    QCOMPARE(m_form->windowHandle(), native);
    QCOMPARE(QApplication::focusWidget(), check);
}

void TestWindowBehaviours::check2ValueSetByProgram_data()
{
    using States = QList<Qt::CheckState>;
    QTest::addColumn<States>("states"); // set one after the other
    QTest::addColumn<bool>("onTop");

    QTest::newRow("checked") << States{Qt::Checked} << true;
    QTest::newRow("greyed from unchecked") << States{Qt::PartiallyChecked} << false;
    QTest::newRow("greyed after checked takes the window out")
        << States{Qt::Checked, Qt::PartiallyChecked} << false;
    QTest::newRow("checked after greyed") << States{Qt::PartiallyChecked, Qt::Checked} << true;
    QTest::newRow("unchecked after checked") << States{Qt::Checked, Qt::Unchecked} << false;
}

void TestWindowBehaviours::check2ValueSetByProgram()
{
    using States = QList<Qt::CheckState>;
    QFETCH(States, states);
    QFETCH(bool, onTop);

    showForm();
    const QRect frame = m_form->frameGeometry();
    auto *check = ui().Check2;
    for (Qt::CheckState state : states)
        check->setCheckState(state);
    QCOMPARE(flaggedOnTop(*m_form), onTop);
    QCOMPARE(m_form->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
    QCOMPARE(m_form->frameGeometry(), frame);
}

void TestWindowBehaviours::check2KeyToggle()
{
    showForm();
    auto *check = ui().Check2;
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Space);
    QVERIFY(check->isChecked());
    QVERIFY(flaggedOnTop(*m_form));
    QTest::keyClick(check, Qt::Key_Space);
    QVERIFY(!check->isChecked());
    QVERIFY(!flaggedOnTop(*m_form));
}

void TestWindowBehaviours::check2BeforeWindowShown()
{
    ui().Check2->setChecked(true);
    QVERIFY(m_form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!m_form->isVisible());
    showForm();
    QVERIFY(flaggedOnTop(*m_form));
}

// ---------------------------------------------------------------------------------------------

void TestWindowBehaviours::label7TogglesWidth_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("onTop");
    QTest::newRow("page 0, normal stacking") << 0 << false;
    QTest::newRow("page 1, always on top") << 1 << true;
    QTest::newRow("page 2, always on top") << 2 << true;
}

void TestWindowBehaviours::label7TogglesWidth()
{
    QFETCH(int, page);
    QFETCH(bool, onTop);

    showForm();
    auto *strip = ui().Label7;
    auto *tabs = ui().SSTab1;
    tabs->setCurrentIndex(page);
    ui().Check2->setChecked(onTop);
    QCOMPARE(strip->text(), collapseText());
    const QPoint topLeft = m_form->frameGeometry().topLeft();
    const int height = m_form->frameGeometry().height();
    const int frame = outerWidth(*m_form) - m_form->width();

    for (int click = 1; click <= 5; ++click) {
        const bool collapsing = click % 2 == 1;
        QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, strip->rect().center());
        QCOMPARE(outerWidth(*m_form), collapsing ? collapsedOuter : expandedOuter);
        QCOMPARE(m_form->width(), outerWidth(*m_form) - frame);
        QCOMPARE(m_form->minimumWidth(), m_form->maximumWidth());
        QCOMPARE(strip->text(), collapsing ? expandText() : collapseText());
        QCOMPARE(m_form->frameGeometry().topLeft(), topLeft);
        QCOMPARE(m_form->frameGeometry().height(), height);
        QCOMPARE(tabs->currentIndex(), page);
        QCOMPARE(flaggedOnTop(*m_form), onTop);
        // The strip keeps its place and stays inside the window at both widths.
        QCOMPARE(strip->x(), window::px(6720));
        QVERIFY(strip->x() < m_form->width());
    }
}

void TestWindowBehaviours::label7AnyOtherCaptionCollapses_data()
{
    QTest::addColumn<QString>("caption");
    QTest::newRow("empty") << QString();
    QTest::newRow("expand text with a trailing space") << expandText() + u' ';
    QTest::newRow("expand text trimmed") << expandText().trimmed();
    QTest::newRow("a word") << u"展开"_s;
}

void TestWindowBehaviours::label7AnyOtherCaptionCollapses()
{
    QFETCH(QString, caption);

    showForm();
    auto *strip = ui().Label7;
    // Collapse first, so that collapsing again is seen to come from the caption alone.
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, strip->rect().center());
    QCOMPARE(outerWidth(*m_form), collapsedOuter);
    strip->setText(caption);
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, strip->rect().center());
    QCOMPARE(outerWidth(*m_form), collapsedOuter);
    QCOMPARE(strip->text(), expandText());
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, strip->rect().center());
    QCOMPARE(outerWidth(*m_form), expandedOuter);
    QCOMPARE(strip->text(), collapseText());
}

void TestWindowBehaviours::label7SetsWidthBeforeCaption()
{
    showForm();
    auto *strip = ui().Label7;
    QList<int> widthsAtCaption;
    connect(strip, &FormLabel::captionChanged, this,
            [&] { widthsAtCaption << outerWidth(*m_form); });
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, strip->rect().center());
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, strip->rect().center());
    QCOMPARE(widthsAtCaption, (QList<int>{collapsedOuter, expandedOuter}));
}

void TestWindowBehaviours::label7BeforeWindowShown()
{
    // Without a frame to measure, the design's frame of 3 pixels a side stands in.
    m_behaviours->Label7_Click();
    QCOMPARE(m_form->width(), collapsedOuter - 6);
    QCOMPARE(ui().Label7->text(), expandText());
    m_behaviours->Label7_Click();
    QCOMPARE(m_form->width(), expandedOuter - 6);
    QCOMPARE(m_form->height(), window::px(window::kClientHeight));
}

// A double-click is a click, then a double-click whose release is no second click: the window
// collapses and stays collapsed.
void TestWindowBehaviours::label7DoubleClickIsOneClick()
{
    showForm();
    auto *strip = ui().Label7;
    const QPoint centre = strip->rect().center();
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(strip, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(outerWidth(*m_form), collapsedOuter);
    QCOMPARE(strip->text(), expandText());
    // The next click is a click again.
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, centre, 600);
    QCOMPARE(outerWidth(*m_form), expandedOuter);
}

// ---------------------------------------------------------------------------------------------

void TestWindowBehaviours::newWindowAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opens");
    QTest::newRow("http") << u"http://cv.example/a.html"_s << true;
    QTest::newRow("https") << u"https://cv.example/a.html"_s << true;
    QTest::newRow("scheme in capitals") << u"HTTPS://cv.example/"_s << true;
    QTest::newRow("file") << u"file:///etc/passwd"_s << false;
    QTest::newRow("ftp") << u"ftp://cv.example/a"_s << false;
    QTest::newRow("mailto") << u"mailto:a@cv.example"_s << false;
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << false;
    QTest::newRow("data") << u"data:text/html,<b>x</b>"_s << false;
    QTest::newRow("http without host") << u"http:///a.html"_s << false;
}

void TestWindowBehaviours::newWindowAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, opens);
    QCOMPARE(behaviours::opensInSystemBrowser(QUrl(address)), opens);
}

// A link with target=_blank and window.open in the silent viewport open their web addresses in
// the system's browser; a new window to a file opens nothing.
void TestWindowBehaviours::viewportNewWindowsOpenInSystemBrowser()
{
    SystemBrowser browser;
    Site site;
    showForm();
    auto *view = ui().WebBrowser1;
    static_cast<QuietPage *>(view->page())->setSilent(true);
    QVERIFY(loadAndWait(view, site.url(u"plain.html"_s)));
    evaluate(view->page(), u"var a = document.createElement('a'); a.target = '_blank';"
                           "a.href = 'http://127.0.0.1:9/blank.html'; document.body.appendChild(a);"
                           "a.click(); true"_s);
    QTRY_COMPARE_WITH_TIMEOUT(browser.opened.size(), 1, 10000);
    QCOMPARE(browser.opened.first(), QUrl(u"http://127.0.0.1:9/blank.html"_s));
    evaluate(view->page(), u"window.open('%1'); true"_s.arg(site.url(u"next.html"_s).toString()));
    evaluate(view->page(), u"window.open('https://127.0.0.1:9/open.html'); true"_s);
    QTRY_COMPARE_WITH_TIMEOUT(browser.opened.size(), 2, 10000);
    QCOMPARE(browser.opened.last(), QUrl(u"https://127.0.0.1:9/open.html"_s));
    QCOMPARE(view->url(), site.url(u"plain.html"_s));
}

bool TestWindowBehaviours::sawCancelledWheelWithoutScrolling(QWebEngineView *view)
{
    QWebEnginePage *page = view->page();
    // The page's own listener sees the turn come by, already cancelled.
    if (!deliver(view, turnWheel, u"wheel"_s))
        return false;
    const int prevented = counter(page, u"wheelPrevented"_s);
    const int scrolled = counter(page, u"scroll"_s);
    const int y = evaluate(page, u"window.scrollY"_s).toInt();
    if (prevented != counter(page, u"wheel"_s) || scrolled != 0 || y != 0) {
        qWarning("wheel turns %d, cancelled %d, scroll events %d, scrollY %d",
                 counter(page, u"wheel"_s), prevented, scrolled, y);
        return false;
    }
    return true;
}

bool TestWindowBehaviours::sawCancelledMenuWithoutQtMenu(QWebEngineView *view)
{
    // A right click and the menu key: the page's own listener sees each request for a menu come
    // by cancelled, so the engine asks the view for none and none opens.
    QWebEnginePage *page = view->page();
    const QWebEngineContextMenuRequest *asked = view->lastContextMenuRequest();
    const int seenBefore = counter(page, u"contextmenu"_s);
    const int preventedBefore = counter(page, u"contextmenuPrevented"_s);
    if (!deliver(view, rightClick, u"contextmenu"_s) ||
        !deliver(view, pressMenuKey, u"contextmenu"_s))
        return false;
    const int seen = counter(page, u"contextmenu"_s) - seenBefore;
    const int prevented = counter(page, u"contextmenuPrevented"_s) - preventedBefore;
    if (prevented != seen || shownMenu() || view->lastContextMenuRequest() != asked) {
        qWarning("context menus %d, cancelled %d, menu shown %d", seen, prevented,
                 shownMenu() != nullptr);
        return false;
    }
    return true;
}

void TestWindowBehaviours::viewportCancelsMenuAndWheel_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("page with listeners of its own") << u"plain.html"_s;
    QTest::newRow("page that stops the events and takes preventDefault away") << u"hostile.html"_s;
    QTest::newRow("page that writes itself anew") << u"rewriting.html"_s;
    QTest::newRow("page filled by a frame") << u"framed.html"_s;
}

void TestWindowBehaviours::viewportCancelsMenuAndWheel()
{
    QFETCH(QString, page);

    Site site;
    showForm();
    auto *view = ui().WebBrowser1;
    QVERIFY(loadAndWait(view, site.url(page)));
    if (page == u"rewriting.html")
        QVERIFY(evaluate(view->page(), u"rewrite()"_s).toBool());
    QVERIFY(sawCancelledWheelWithoutScrolling(view));
    QVERIFY(sawCancelledMenuWithoutQtMenu(view));
    QVERIFY(sawCancelledWheelWithoutScrolling(view));
}

void TestWindowBehaviours::viewportHoldsPageReachedByLink()
{
    Site site;
    showForm();
    auto *view = ui().WebBrowser1;
    QVERIFY(loadAndWait(view, site.url(u"plain.html"_s)));
    QSignalSpy finished(view, &QWebEngineView::loadFinished);
    evaluate(view->page(), u"document.getElementById('next').click(); true"_s);
    QVERIFY(finished.wait(30000));
    QCOMPARE(view->url(), site.url(u"next.html"_s));
    QVERIFY(sawCancelledWheelWithoutScrolling(view));
    QVERIFY(sawCancelledMenuWithoutQtMenu(view));
}

void TestWindowBehaviours::viewportHooksDocumentOlderThanHook()
{
    // A document loaded before the behaviours existed has no hook: the engine asks the view for
    // its menu, and the view shows none all the same.
    m_behaviours.reset();
    makeForm();
    Site site;
    showForm();
    auto *view = ui().WebBrowser1;
    QVERIFY(loadAndWait(view, site.url(u"plain.html"_s)));
    m_behaviours = std::make_unique<WindowBehaviours>(ui());
    QVERIFY(deliver(view, rightClick, u"contextmenu"_s));
    QCOMPARE(counter(view->page(), u"contextmenuPrevented"_s), 0);
    QTRY_VERIFY_WITH_TIMEOUT(view->lastContextMenuRequest() != nullptr, 20000);
    QVERIFY(!shownMenu());

    // Its navigation completing hooks it.
    m_behaviours->WebBrowser1_NavigateComplete2();
    QVERIFY(sawCancelledWheelWithoutScrolling(view));
    QVERIFY(sawCancelledMenuWithoutQtMenu(view));
}

void TestWindowBehaviours::viewportOutlivesDocumentWithoutHook()
{
    Site site;
    showForm();
    auto *view = ui().WebBrowser1;
    // A plain text file and an address that does not exist: nothing of them can be hooked.
    // (Only a right click goes to the text: a wheel turn still on its way when the next
    // navigation starts leaves the engine's wheel queue waiting for good, with or without the
    // behaviours.)
    QVERIFY(loadAndWait(view, site.url(u"notes.txt"_s)));
    rightClick(view);
    QVERIFY(loadAndWait(view, site.url(u"missing.html"_s)));
    QVERIFY(loadAndWait(view, site.url(u"next.html"_s)));
    QVERIFY(sawCancelledWheelWithoutScrolling(view));
    QVERIFY(sawCancelledMenuWithoutQtMenu(view));
}

void TestWindowBehaviours::unhookedViewScrollsAndShowsMenu()
{
    // The same page and the same events in a browser without the behaviours: it scrolls and
    // opens its menu, so the checks above can tell.
    Site site;
    showForm();
    QWidget host;
    host.resize(m_form->size());
    auto *picture = new QWidget(&host);
    picture->setGeometry(0, 0, 385, 475);
    auto *view = new QWebEngineView(picture);
    view->setGeometry(-306, -404, 761, 908);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(loadAndWait(view, site.url(u"plain.html"_s)));

    QVERIFY(deliver(view, turnWheel, u"wheel"_s));
    QCOMPARE(counter(view->page(), u"wheelPrevented"_s), 0);
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(view->page(), u"window.scrollY"_s).toInt() > 0, 20000);

    QVERIFY(deliver(view, rightClick, u"contextmenu"_s));
    QCOMPARE(counter(view->page(), u"contextmenuPrevented"_s), 0);
    QTRY_VERIFY_WITH_TIMEOUT(shownMenu() != nullptr, 20000);
    shownMenu()->close();
    QTRY_VERIFY(!shownMenu());

    QVERIFY(deliver(view, pressMenuKey, u"contextmenu"_s));
    QCOMPARE(counter(view->page(), u"contextmenuPrevented"_s), 0);
    QTRY_VERIFY_WITH_TIMEOUT(shownMenu() != nullptr, 20000);
    shownMenu()->close();
}

void TestWindowBehaviours::otherControlsKeepMenuAndWheel()
{
    showForm();
    auto *text1 = ui().Text1;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5),
                           text1->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(text1, &menu);
    QTRY_VERIFY(shownMenu() != nullptr);
    shownMenu()->close();

    auto *list = ui().ListView1;
    QStandardItemModel rows(200, 2);
    for (int r = 0; r < 200; ++r)
        rows.setItem(r, 0, new QStandardItem(QString::number(r)));
    list->setModel(&rows);
    QTRY_VERIFY(list->verticalScrollBar()->maximum() > 0);
    const QPoint at = list->viewport()->rect().center();
    QWheelEvent turn(QPointF(at), QPointF(list->viewport()->mapToGlobal(at)), QPoint(0, 0),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list->viewport(), &turn);
    QVERIFY(list->verticalScrollBar()->value() > 0);
    list->setModel(nullptr);
}

ZC_TEST_MAIN(TestWindowBehaviours)
#include "tst_windowbehaviours.moc"
