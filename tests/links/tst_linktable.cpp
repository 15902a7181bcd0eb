// The link table on its own: seventeen rows, each control's address exactly.
#include "links/linktable.h"
#include "siteconfig.h"

#include <QSet>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QString zone()
{
    return QString::fromUtf16(site::zoneHost);
}

const links::Link *row(const char *control)
{
    for (const links::Link &link : links::linkTable())
        if (qstrcmp(link.control, control) == 0)
            return &link;
    return nullptr;
}

} // namespace

class TestLinkTable : public QObject
{
    Q_OBJECT

private slots:
    void address_data();
    void address();
    void seventeenControlsOnce();
    void suggestionPageTwice();
    void zoneHomeWithTrailingSlash();
    void hostsFromConfiguration();
};

void TestLinkTable::address_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QString>("expected");

    const QString zoneSite = u"http://"_s + zone();
    QTest::newRow("Command6 war-soul feature")
        << "Command6"_ba << zoneSite + u"/zhanhun/index.html"_s;
    QTest::newRow("Command7 field bosses")
        << "Command7"_ba << zoneSite + u"/cv/gx/zhjy/529918.shtml"_s;
    QTest::newRow("Command8 suggestion") << "Command8"_ba << zoneSite + u"/cv/gx/736896.shtml"_s;
    QTest::newRow("Command9 share experience")
        << "Command9"_ba << zoneSite + u"/cv/gx/736898.shtml"_s;
    QTest::newRow("Command10 gem inlaying") << "Command10"_ba << zoneSite + u"/zl/186532.shtml"_s;
    QTest::newRow("Command11 all skills, in the first faction's folder")
        << "Command11"_ba << zoneSite + u"/cv/gx/zyxd/vlm/117468.shtml"_s;
    QTest::newRow("Label34 submit suggestion")
        << "Label34"_ba << zoneSite + u"/cv/gx/736896.shtml"_s;
    QTest::newRow("Label35 zone home") << "Label35"_ba << zoneSite + u"/"_s;
    QTest::newRow("Label36 official site")
        << "Label36"_ba << u"http://"_s + QString::fromUtf16(site::officialHost) + u"/"_s;
    QTest::newRow("Label37 dungeon guides")
        << "Label37"_ba << zoneSite + u"/cv/gx/fb/index.shtml"_s;
    QTest::newRow("Label38 four-panel comics")
        << "Label38"_ba << zoneSite + u"/cv/gx/jt/index.shtml"_s;
    QTest::newRow("Label39 player forum")
        << "Label39"_ba
        << u"http://"_s + QString::fromUtf16(site::forumHost) + u"/forum-2062-1.html"_s;
    QTest::newRow("Label40 class guides")
        << "Label40"_ba << zoneSite + u"/cv/gx/zyxd/index.shtml"_s;
    QTest::newRow("Label41 first faction")
        << "Label41"_ba << zoneSite + u"/cv/gx/zyxd/vlm/index.shtml"_s;
    QTest::newRow("Label42 second faction")
        << "Label42"_ba << zoneSite + u"/cv/gx/zyxd/osk/index.shtml"_s;
    QTest::newRow("Label43 third faction")
        << "Label43"_ba << zoneSite + u"/cv/gx/zyxd/trn/index.shtml"_s;
    QTest::newRow("Label44 fourth faction")
        << "Label44"_ba << zoneSite + u"/cv/gx/zyxd/ysl/index.shtml"_s;
}

void TestLinkTable::address()
{
    QFETCH(QByteArray, control);
    QFETCH(QString, expected);

    const links::Link *link = row(control.constData());
    QVERIFY(link);
    const QString address = links::address(*link);
    QCOMPARE(address, expected);

    // A plain web address that survives the trip through QUrl unchanged.
    const QUrl url(address, QUrl::StrictMode);
    QVERIFY(url.isValid());
    QCOMPARE(url.scheme(), u"http"_s);
    QCOMPARE(url.toString(QUrl::FullyEncoded), address);
    for (QChar c : address)
        QVERIFY(c.unicode() > 0x20 && c.unicode() < 0x7f);
}

void TestLinkTable::seventeenControlsOnce()
{
    QSet<QByteArray> controls;
    for (const links::Link &link : links::linkTable())
        controls.insert(QByteArray(link.control));
    QCOMPARE(links::linkTable().size(), std::size_t(17));
    QCOMPARE(controls.size(), 17);
}

void TestLinkTable::suggestionPageTwice()
{
    QCOMPARE(links::address(*row("Command8")), links::address(*row("Label34")));
    QSet<QString> addresses;
    for (const links::Link &link : links::linkTable())
        addresses.insert(links::address(link));
    // Only the suggestion page is shared.
    QCOMPARE(addresses.size(), 16);
}

void TestLinkTable::zoneHomeWithTrailingSlash()
{
    QCOMPARE(links::address(*row("Label35")), QString::fromUtf16(site::zoneHomeAddress) + u'/');
}

void TestLinkTable::hostsFromConfiguration()
{
    QCOMPARE(links::hostName(links::Host::Zone), zone());
    QCOMPARE(links::hostName(links::Host::Forum), QString::fromUtf16(site::forumHost));
    QCOMPARE(links::hostName(links::Host::Official), QString::fromUtf16(site::officialHost));
}

QTEST_APPLESS_MAIN(TestLinkTable)
#include "tst_linktable.moc"
