// The seventeen web shortcuts on the real window: every click hands its address to the system's
// handler for web addresses, and nothing in the window changes.
#include "app/window/design.h"
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "links/webshortcuts.h"
#include "siteconfig.h"
#include "tests/common/formfixture.h"
#include "tests/common/testmain.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPushButton>
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
    return {form.controls().SSTab1->currentIndex(), form.frameGeometry(),
            form.controls().Label7->text(), form.windowFlags(), form.controls().Text1->text()};
}

void click(QWidget *control)
{
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

} // namespace

class TestWebShortcuts : public QObject, public FormFixture
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
    void doubleClickOnLinkOpensOnePage();
    void linkLooks_data();
    void linkLooks();

private:
    Browser m_browser;
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
    makeForm();
    m_shortcuts = std::make_unique<WebShortcuts>(ui());
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
    using C = window::Controls;
    QTest::addColumn<ControlPick>("control");
    QTest::addColumn<QString>("address");

    const QString zone = u"http://"_s + QString::fromUtf16(site::zoneHost);
    const QString forum = u"http://"_s + QString::fromUtf16(site::forumHost);
    const QString official = u"http://"_s + QString::fromUtf16(site::officialHost);
    QTest::newRow("Command6") << pick(&C::Command6) << zone + u"/zhanhun/index.html"_s;
    QTest::newRow("Command7") << pick(&C::Command7) << zone + u"/cv/gx/zhjy/529918.shtml"_s;
    QTest::newRow("Command8") << pick(&C::Command8) << zone + u"/cv/gx/736896.shtml"_s;
    QTest::newRow("Command9") << pick(&C::Command9) << zone + u"/cv/gx/736898.shtml"_s;
    QTest::newRow("Command10") << pick(&C::Command10) << zone + u"/zl/186532.shtml"_s;
    QTest::newRow("Command11") << pick(&C::Command11) << zone + u"/cv/gx/zyxd/vlm/117468.shtml"_s;
    QTest::newRow("Label34") << pick(&C::Label34) << zone + u"/cv/gx/736896.shtml"_s;
    QTest::newRow("Label35") << pick(&C::Label35) << zone + u"/"_s;
    QTest::newRow("Label36") << pick(&C::Label36) << official + u"/"_s;
    QTest::newRow("Label37") << pick(&C::Label37) << zone + u"/cv/gx/fb/index.shtml"_s;
    QTest::newRow("Label38") << pick(&C::Label38) << zone + u"/cv/gx/jt/index.shtml"_s;
    QTest::newRow("Label39") << pick(&C::Label39) << forum + u"/forum-2062-1.html"_s;
    QTest::newRow("Label40") << pick(&C::Label40) << zone + u"/cv/gx/zyxd/index.shtml"_s;
    QTest::newRow("Label41") << pick(&C::Label41) << zone + u"/cv/gx/zyxd/vlm/index.shtml"_s;
    QTest::newRow("Label42") << pick(&C::Label42) << zone + u"/cv/gx/zyxd/osk/index.shtml"_s;
    QTest::newRow("Label43") << pick(&C::Label43) << zone + u"/cv/gx/zyxd/trn/index.shtml"_s;
    QTest::newRow("Label44") << pick(&C::Label44) << zone + u"/cv/gx/zyxd/ysl/index.shtml"_s;
}

void TestWebShortcuts::clickOpensAddress()
{
    QFETCH(ControlPick, control);
    QFETCH(QString, address);

    ui().Text1->setText(u"题"_s);
    const WindowState before = stateOf(*m_form);
    click(control(ui()));
    QCOMPARE(m_browser.opened.size(), 1);
    QCOMPARE(m_browser.opened.first().toString(QUrl::FullyEncoded), address);
    QVERIFY(stateOf(*m_form) == before);
}

void TestWebShortcuts::everyClickOpensAgain()
{
    auto *button = ui().Command6;
    auto *label = ui().Label39;
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
    click(ui().Command8);
    click(ui().Label34);
    QCOMPARE(m_browser.opened.size(), 2);
    QCOMPARE(m_browser.opened.at(0), m_browser.opened.at(1));
    QCOMPARE(m_browser.opened.at(0).path(), u"/cv/gx/736896.shtml"_s);
}

void TestWebShortcuts::keyboardPressOfButtonOpens()
{
    auto *button = ui().Command11;
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(m_browser.opened.size(), 1);
    QCOMPARE(m_browser.opened.first().path(), u"/cv/gx/zyxd/vlm/117468.shtml"_s);
}

void TestWebShortcuts::otherMouseButtonsOpenNothing()
{
    for (QWidget *control :
         std::initializer_list<QWidget *>{ui().Label35, ui().Label34, ui().Command7}) {
        QTest::mouseClick(control, Qt::RightButton, Qt::NoModifier, control->rect().center());
        QTest::mouseClick(control, Qt::MiddleButton, Qt::NoModifier, control->rect().center());
    }
    QVERIFY(m_browser.opened.isEmpty());
}

void TestWebShortcuts::doubleClickOnLinkOpensOnePage()
{
    FormLabel *link = ui().Label39;
    const QPoint centre = link->rect().center();
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(link, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseRelease(link, Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(m_browser.opened.size(), 1);
    QCOMPARE(m_browser.opened.first().path(), u"/forum-2062-1.html"_s);
}

void TestWebShortcuts::linkLooks_data()
{
    using C = window::Controls;
    QTest::addColumn<LabelMember>("label");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("underlined");

    QTest::newRow("Label34 suggestion: red, underlined")
        << &C::Label34 << QColor(255, 0, 0) << true;
    const LabelMember blue[] = {&C::Label35, &C::Label36, &C::Label37, &C::Label38, &C::Label39,
                                &C::Label40, &C::Label41, &C::Label42, &C::Label43, &C::Label44};
    int n = 35;
    for (LabelMember label : blue)
        QTest::addRow("Label%d: blue", n++) << label << QColor(0, 0, 255) << false;
}

void TestWebShortcuts::linkLooks()
{
    QFETCH(LabelMember, label);
    QFETCH(QColor, colour);
    QFETCH(bool, underlined);

    FormLabel *link = ui().*label;
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->palette().color(QPalette::WindowText), colour);
    QCOMPARE(link->font().underline(), underlined);
    QVERIFY(link->isVisible());
}

ZC_TEST_MAIN(TestWebShortcuts)
#include "tst_webshortcuts.moc"
