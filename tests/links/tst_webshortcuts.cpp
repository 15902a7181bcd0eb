// The seventeen web shortcuts on the real window: every click hands its address to the system's
// handler for web addresses, and nothing in the window changes.
#include "app/window/design.h"
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "links/webshortcuts.h"
#include "siteconfig.h"
#include "tests/common/testmain.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QLineEdit>
#include <QTabWidget>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

// Takes the place of the system's browser: QDesktopServices::openUrl hands it each address.
class Browser : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

namespace {

// What the window shows that a click must leave alone.
struct WindowState
{
    int page;
    QRect frame;
    QString strip;
    Qt::WindowFlags flags;
    QString query;

    bool operator==(const WindowState &) const = default;
};

WindowState stateOf(const Form1 &form)
{
    return {form.control<QTabWidget>("SSTab1")->currentIndex(), form.frameGeometry(),
            form.control<FormLabel>("Label7")->text(), form.windowFlags(),
            form.control<QLineEdit>("Text1")->text()};
}

void click(QWidget *control)
{
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

} // namespace

class TestWebShortcuts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void clickOpensAddress_data();
    void clickOpensAddress();
    void everyClickOpensAgain();
    void suggestionButtonAndLabelOpenSamePage();
    void keyboardPressOfButtonOpens();
    void otherMouseButtonsOpenNothing();
    void linkLooks_data();
    void linkLooks();

private:
    Browser m_browser;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<WebShortcuts> m_shortcuts;
};

void TestWebShortcuts::initTestCase()
{
    QDesktopServices::setUrlHandler(u"http"_s, &m_browser, "open");
}

void TestWebShortcuts::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(u"http"_s);
}

void TestWebShortcuts::init()
{
    m_browser.opened.clear();
    m_form = std::make_unique<Form1>();
    m_shortcuts = std::make_unique<WebShortcuts>(*m_form);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestWebShortcuts::cleanup()
{
    m_shortcuts.reset();
    m_form.reset();
}

void TestWebShortcuts::clickOpensAddress_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QString>("address");

    const QString zone = u"http://"_s + QString::fromUtf16(site::zoneHost);
    const QString forum = u"http://"_s + QString::fromUtf16(site::forumHost);
    const QString official = u"http://"_s + QString::fromUtf16(site::officialHost);
    QTest::newRow("Command6") << "Command6"_ba << zone + u"/zhanhun/index.html"_s;
    QTest::newRow("Command7") << "Command7"_ba << zone + u"/cv/gx/zhjy/529918.shtml"_s;
    QTest::newRow("Command8") << "Command8"_ba << zone + u"/cv/gx/736896.shtml"_s;
    QTest::newRow("Command9") << "Command9"_ba << zone + u"/cv/gx/736898.shtml"_s;
    QTest::newRow("Command10") << "Command10"_ba << zone + u"/zl/186532.shtml"_s;
    QTest::newRow("Command11") << "Command11"_ba << zone + u"/cv/gx/zyxd/vlm/117468.shtml"_s;
    QTest::newRow("Label34") << "Label34"_ba << zone + u"/cv/gx/736896.shtml"_s;
    QTest::newRow("Label35") << "Label35"_ba << zone + u"/"_s;
    QTest::newRow("Label36") << "Label36"_ba << official + u"/"_s;
    QTest::newRow("Label37") << "Label37"_ba << zone + u"/cv/gx/fb/index.shtml"_s;
    QTest::newRow("Label38") << "Label38"_ba << zone + u"/cv/gx/jt/index.shtml"_s;
    QTest::newRow("Label39") << "Label39"_ba << forum + u"/forum-2062-1.html"_s;
    QTest::newRow("Label40") << "Label40"_ba << zone + u"/cv/gx/zyxd/index.shtml"_s;
    QTest::newRow("Label41") << "Label41"_ba << zone + u"/cv/gx/zyxd/vlm/index.shtml"_s;
    QTest::newRow("Label42") << "Label42"_ba << zone + u"/cv/gx/zyxd/osk/index.shtml"_s;
    QTest::newRow("Label43") << "Label43"_ba << zone + u"/cv/gx/zyxd/trn/index.shtml"_s;
    QTest::newRow("Label44") << "Label44"_ba << zone + u"/cv/gx/zyxd/ysl/index.shtml"_s;
}

void TestWebShortcuts::clickOpensAddress()
{
    QFETCH(QByteArray, control);
    QFETCH(QString, address);

    m_form->control<QLineEdit>("Text1")->setText(u"题"_s);
    const WindowState before = stateOf(*m_form);
    click(m_form->control<QWidget>(control.constData()));
    QCOMPARE(m_browser.opened.size(), 1);
    QCOMPARE(m_browser.opened.first().toString(QUrl::FullyEncoded), address);
    QVERIFY(stateOf(*m_form) == before);
}

void TestWebShortcuts::everyClickOpensAgain()
{
    auto *button = m_form->control<QWidget>("Command6");
    auto *label = m_form->control<QWidget>("Label39");
    for (int round = 0; round < 3; ++round) {
        click(button);
        click(label);
    }
    QCOMPARE(m_browser.opened.size(), 6);
    for (int i = 0; i < 6; i += 2) {
        QCOMPARE(m_browser.opened.at(i).path(), u"/zhanhun/index.html"_s);
        QCOMPARE(m_browser.opened.at(i + 1).path(), u"/forum-2062-1.html"_s);
    }
}

void TestWebShortcuts::suggestionButtonAndLabelOpenSamePage()
{
    click(m_form->control<QWidget>("Command8"));
    click(m_form->control<QWidget>("Label34"));
    QCOMPARE(m_browser.opened.size(), 2);
    QCOMPARE(m_browser.opened.at(0), m_browser.opened.at(1));
    QCOMPARE(m_browser.opened.at(0).path(), u"/cv/gx/736896.shtml"_s);
}

void TestWebShortcuts::keyboardPressOfButtonOpens()
{
    auto *button = m_form->control<QAbstractButton>("Command11");
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(m_browser.opened.size(), 1);
    QCOMPARE(m_browser.opened.first().path(), u"/cv/gx/zyxd/vlm/117468.shtml"_s);
}

void TestWebShortcuts::otherMouseButtonsOpenNothing()
{
    for (const char *name : {"Label35", "Label34", "Command7"}) {
        QWidget *control = m_form->control<QWidget>(name);
        QTest::mouseClick(control, Qt::RightButton, Qt::NoModifier, control->rect().center());
        QTest::mouseClick(control, Qt::MiddleButton, Qt::NoModifier, control->rect().center());
    }
    QVERIFY(m_browser.opened.isEmpty());
}

void TestWebShortcuts::linkLooks_data()
{
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("underlined");

    QTest::newRow("Label34 suggestion: red, underlined")
        << "Label34"_ba << QColor(255, 0, 0) << true;
    for (int n = 35; n <= 44; ++n) {
        const QByteArray name = "Label" + QByteArray::number(n);
        QTest::newRow((name + ": blue").constData()) << name << QColor(0, 0, 255) << false;
    }
}

void TestWebShortcuts::linkLooks()
{
    QFETCH(QByteArray, label);
    QFETCH(QColor, colour);
    QFETCH(bool, underlined);

    auto *link = m_form->control<FormLabel>(label.constData());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->palette().color(QPalette::WindowText), colour);
    QCOMPARE(link->font().underline(), underlined);
    QVERIFY(link->isVisible());
}

ZC_TEST_MAIN(TestWebShortcuts)
#include "tst_webshortcuts.moc"
