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

using C = window::Controls;

const links::Link *row(QPushButton *C::*button)
{
    for (const links::Link &link : links::linkTable())
        if (link.button == button)
            return &link;
    return nullptr;
}

const links::Link *row(FormLabel *C::*label)
{
    for (const links::Link &link : links::linkTable())
        if (link.label == label)
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
        const QByteArray where = address.toUtf8();
        for (QChar c : address)
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7f, where.constData());
        const QUrl url(address, QUrl::StrictMode);
        QVERIFY2(url.isValid(), where.constData());
        QCOMPARE(url.scheme(), u"http"_s);
        QVERIFY2(hosts.contains(url.host()), where.constData());
        QCOMPARE(url.path(), QString::fromUtf16(link.path));
        QCOMPARE(url.toString(QUrl::FullyEncoded), address);
    }
}

void TestLinkTable::seventeenControlsOnce()
{
    const auto table = links::linkTable();
    QCOMPARE(table.size(), std::size_t(17));
    for (size_t i = 0; i < table.size(); ++i) {
        // Exactly one control per row, and no control in two rows.
        QVERIFY((table[i].button == nullptr) != (table[i].label == nullptr));
        for (size_t j = 0; j < i; ++j)
            QVERIFY(table[i].button != table[j].button || table[i].label != table[j].label);
    }
}

void TestLinkTable::suggestionPageTwice()
{
    QCOMPARE(links::address(*row(&C::Command8)), links::address(*row(&C::Label34)));
    QSet<QString> addresses;
    for (const links::Link &link : links::linkTable())
        addresses.insert(links::address(link));
    // Only the suggestion page is shared.
    QCOMPARE(addresses.size(), 16);
}

void TestLinkTable::zoneHomeWithTrailingSlash()
{
    QCOMPARE(links::address(*row(&C::Label35)), QString::fromUtf16(site::zoneHomeAddress) + u'/');
}

void TestLinkTable::hostsFromConfiguration()
{
    QCOMPARE(links::hostName(links::Host::Zone), zone());
    QCOMPARE(links::hostName(links::Host::Forum), QString::fromUtf16(site::forumHost));
    QCOMPARE(links::hostName(links::Host::Official), QString::fromUtf16(site::officialHost));
}

QTEST_APPLESS_MAIN(TestLinkTable)
#include "tst_linktable.moc"
