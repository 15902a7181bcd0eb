// The link table on its own: seventeen controls, plain web addresses on the three hosts.
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
    void plainWebAddresses();
    void seventeenControlsOnce();
    void suggestionPageTwice();
    void zoneHomeWithTrailingSlash();
    void hostsFromConfiguration();
};

void TestLinkTable::plainWebAddresses()
{
    // Each address is a plain ASCII web address on one of the three hosts, which survives the
    // trip through QUrl unchanged. (The exact addresses are checked through the clicks.)
    const QStringList hosts = {zone(), QString::fromUtf16(site::forumHost),
                               QString::fromUtf16(site::officialHost)};
    for (const links::Link &link : links::linkTable()) {
        const QString address = links::address(link);
        for (QChar c : address)
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7f, link.control);
        const QUrl url(address, QUrl::StrictMode);
        QVERIFY2(url.isValid(), link.control);
        QCOMPARE(url.scheme(), u"http"_s);
        QVERIFY2(hosts.contains(url.host()), link.control);
        QCOMPARE(url.path(), QString::fromUtf16(link.path));
        QCOMPARE(url.toString(QUrl::FullyEncoded), address);
    }
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
