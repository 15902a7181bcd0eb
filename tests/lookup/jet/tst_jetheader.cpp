#include "lookup/jet/jetheader.h"

#include <QFile>
#include <QTest>

#include <cstring>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(jet::Version)

namespace {

QByteArray fixturePage()
{
    QFile f(QStringLiteral(ZC_FIXTURES_DIR "/access2003-password.mdb"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(jet::kJet4PageSize);
}

constexpr char kHeaderKey[] = {char(0xC7), char(0xDA), char(0x39), char(0x6B)};

// Unmasks the RC4 region of a header page, so a test can look at the fields in the clear.
QByteArray unmasked(QByteArray page, qsizetype size = 128)
{
    jet::rc4(QByteArrayView(kHeaderKey, 4), page.data() + 0x18, size);
    return page;
}

QByteArray remasked(QByteArray page, qsizetype size = 128)
{
    return unmasked(std::move(page), size); // RC4 is its own inverse
}

} // namespace

class TestJetHeader : public QObject
{
    Q_OBJECT

private slots:
    // A database password that Access itself wrote.
    void accessFixtureDecodes();
    void accessFixtureOpensOnlyWithItsPassword_data();
    void accessFixtureOpensOnlyWithItsPassword();

    // The format's building blocks.
    void rc4KnownAnswer();
    void dateMaskUsesWholeDays();

    // What is and is not a Jet header.
    void rejectsNonHeaders_data();
    void rejectsNonHeaders();
    void versionByte_data();
    void versionByte();
    void jet3PasswordIsSingleByte();

    // Our own header pages.
    void encodedPasswordRoundTrips_data();
    void encodedPasswordRoundTrips();
    void passwordMatching_data();
    void passwordMatching();
    void encodedPageHasJet4Layout();
    void tooLongPasswordIsRefused();
};

void TestJetHeader::accessFixtureDecodes()
{
    const QByteArray page = fixturePage();
    QCOMPARE(page.size(), jet::kJet4PageSize);
    const auto info = jet::readHeader(page);
    QVERIFY(info);
    QCOMPARE(info->version, jet::Version::Jet4);
    QCOMPARE(info->password, u"password"_s);
    // Saved on 2022-01-07 (OLE date 44568); the mask depends on exactly this day number.
    QCOMPARE(qint64(info->creationDate), 44568);
}

void TestJetHeader::accessFixtureOpensOnlyWithItsPassword_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("opens");
    QTest::newRow("its password") << u"password"_s << true;
    QTest::newRow("the program's store password") << u"qzv.lan/mt"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("other case") << u"Password"_s << false;
    QTest::newRow("prefix") << u"passwor"_s << false;
    QTest::newRow("longer") << u"password1"_s << false;
}

void TestJetHeader::accessFixtureOpensOnlyWithItsPassword()
{
    QFETCH(QString, given);
    QFETCH(bool, opens);
    const auto info = jet::readHeader(fixturePage());
    QVERIFY(info);
    QCOMPARE(jet::passwordMatches(*info, given), opens);
}

void TestJetHeader::rc4KnownAnswer()
{
    // The classic test vector: key "Key", plaintext "Plaintext".
    QByteArray data = "Plaintext";
    jet::rc4("Key", data.data(), data.size());
    QCOMPARE(data.toHex(), QByteArray("bbf316e8d940af0ad3"));
}

void TestJetHeader::dateMaskUsesWholeDays()
{
    // Two pages with the same password and dates on the same day mask it identically; a date
    // one day later masks it differently, yet both decode.
    const QByteArray morning = unmasked(jet::jet4HeaderPage(u"abc"_s, 45000.25));
    const QByteArray evening = unmasked(jet::jet4HeaderPage(u"abc"_s, 45000.75));
    const QByteArray nextDay = unmasked(jet::jet4HeaderPage(u"abc"_s, 45001.25));
    QCOMPARE(morning.mid(0x42, 40), evening.mid(0x42, 40));
    QVERIFY(morning.mid(0x42, 40) != nextDay.mid(0x42, 40));
    // 45000 = 0xAFC8: the first password byte 'a' (0x61) is stored as 0x61 ^ 0xC8.
    QCOMPARE(quint8(morning[0x42]), quint8(0x61 ^ 0xC8));
    QCOMPARE(quint8(morning[0x43]), quint8(0x00 ^ 0xAF));
    const auto decoded = jet::readHeader(remasked(nextDay));
    QVERIFY(decoded);
    QCOMPARE(decoded->password, u"abc"_s);
}

void TestJetHeader::rejectsNonHeaders_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = fixturePage();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only the magic") << good.first(0x18);
    QTest::newRow("cut inside the masked region") << good.first(0x80);
    QByteArray wrongMagic = good;
    wrongMagic[4] = 'X';
    QTest::newRow("wrong magic") << wrongMagic;
    QByteArray notPageZero = good;
    notPageZero[0] = 0x01;
    QTest::newRow("not a header page") << notPageZero;
    QTest::newRow("text file") << QByteArray(4096, 'a');
    QTest::newRow("SQLite file") << QByteArray("SQLite format 3").leftJustified(4096, '\0');
}

void TestJetHeader::rejectsNonHeaders()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!jet::readHeader(bytes));
}

void TestJetHeader::versionByte_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<jet::Version>("version");
    QTest::newRow("0 Jet 3") << 0 << jet::Version::Jet3;
    QTest::newRow("1 Jet 4") << 1 << jet::Version::Jet4;
    QTest::newRow("2 ACE 12") << 2 << jet::Version::Later;
    QTest::newRow("3 ACE 14") << 3 << jet::Version::Later;
    QTest::newRow("5 ACE 16") << 5 << jet::Version::Later;
}

void TestJetHeader::versionByte()
{
    QFETCH(int, byte);
    QFETCH(jet::Version, version);
    QByteArray page = fixturePage();
    page[0x14] = char(byte);
    const auto info = jet::readHeader(page);
    QVERIFY(info);
    QCOMPARE(info->version, version);
}

void TestJetHeader::jet3PasswordIsSingleByte()
{
    // A Jet 3 header: 126 masked bytes, 20 single-byte password characters (code page 1252)
    // and no date mask.
    QByteArray page(jet::kJet3PageSize, '\0');
    std::memcpy(page.data() + 4, "Standard Jet DB", 16);
    page[0x14] = 0;
    const char password[] = "Gr\xfc\xdf"
                            "e\x80";
    std::memcpy(page.data() + 0x42, password, sizeof password - 1);
    std::memcpy(page.data() + 0x72, "\x01\x02\x03\x04\x05\x06\x07\x08", 8); // no mask from this
    const auto info = jet::readHeader(remasked(page, 126));
    QVERIFY(info);
    QCOMPARE(info->version, jet::Version::Jet3);
    QCOMPARE(info->password, u"Grüße€"_s);

    // Exactly 20 characters fill the field with no terminator.
    QByteArray full(jet::kJet3PageSize, '\0');
    std::memcpy(full.data() + 4, "Standard Jet DB", 16);
    std::memcpy(full.data() + 0x42, "abcdefghijklmnopqrst", 20);
    full[0x42 + 20] = 'X'; // outside the field
    QCOMPARE(jet::readHeader(remasked(full, 126))->password, u"abcdefghijklmnopqrst"_s);
}

void TestJetHeader::encodedPasswordRoundTrips_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<double>("date");
    QTest::newRow("none") << QString() << 45000.5;
    QTest::newRow("the program's store password") << u"qzv.lan/mt"_s << 45000.5;
    QTest::newRow("one character") << u"x"_s << 45000.5;
    QTest::newRow("twenty characters") << u"abcdefghijklmnopqrst"_s << 45000.5;
    QTest::newRow("Chinese") << u"答题器密码"_s << 45000.5;
    QTest::newRow("mixed") << u"Zc专区2024!"_s << 44568.68475645834;
    QTest::newRow("twenty Chinese") << u"一二三四五六七八九十甲乙丙丁戊己庚辛壬癸"_s << 45000.5;
    QTest::newRow("date before 1900") << u"old"_s << -10.5;
    QTest::newRow("date zero") << u"zero"_s << 0.0;
}

void TestJetHeader::encodedPasswordRoundTrips()
{
    QFETCH(QString, password);
    QFETCH(double, date);
    const QByteArray page = jet::jet4HeaderPage(password, date);
    QCOMPARE(page.size(), jet::kJet4PageSize);
    const auto info = jet::readHeader(page);
    QVERIFY(info);
    QCOMPARE(info->version, jet::Version::Jet4);
    QCOMPARE(info->password, password);
    QCOMPARE(info->creationDate, date);
}

void TestJetHeader::passwordMatching_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("opens");
    QTest::newRow("none, none given") << QString() << QString() << true;
    QTest::newRow("none, any given") << QString() << u"qzv.lan/mt"_s << true;
    QTest::newRow("set, same") << u"qzv.lan/mt"_s << u"qzv.lan/mt"_s << true;
    QTest::newRow("set, none given") << u"qzv.lan/mt"_s << QString() << false;
    QTest::newRow("set, other case") << u"qzv.lan/mt"_s << u"QZV.LAN/MT"_s << false;
    QTest::newRow("set, trailing space") << u"qzv.lan/mt"_s << u"qzv.lan/mt "_s << false;
    QTest::newRow("Chinese, same") << u"密码"_s << u"密码"_s << true;
    QTest::newRow("Chinese, other") << u"密码"_s << u"密碼"_s << false;
}

void TestJetHeader::passwordMatching()
{
    QFETCH(QString, stored);
    QFETCH(QString, given);
    QFETCH(bool, opens);
    const auto info = jet::readHeader(jet::jet4HeaderPage(stored, 45123.4));
    QVERIFY(info);
    QCOMPARE(jet::passwordMatches(*info, given), opens);
}

void TestJetHeader::encodedPageHasJet4Layout()
{
    const QByteArray page = jet::jet4HeaderPage(u"pw"_s, 45000.5);
    QCOMPARE(page.at(0), '\0');
    QCOMPARE(page.mid(4, 16), QByteArray("Standard Jet DB", 16));
    QCOMPARE(page.at(0x14), '\1');
    const QByteArray clear = unmasked(page);
    // No page encryption key: mdbtools and Jet read the other pages as stored.
    QCOMPARE(clear.mid(0x3E, 4), QByteArray(4, '\0'));
    QCOMPARE(clear.mid(0x3C, 2), QByteArray("\xe4\x04", 2)); // code page 1252
    QCOMPARE(clear.mid(0x6E, 2), QByteArray("\x09\x04", 2)); // General sort order
    // The masked region really is masked: the date is not readable in the raw page.
    QVERIFY(page.mid(0x72, 8) != clear.mid(0x72, 8));
}

void TestJetHeader::tooLongPasswordIsRefused()
{
    QVERIFY(jet::jet4HeaderPage(u"abcdefghijklmnopqrstu"_s, 45000).isEmpty());
    QString withNul = u"a"_s;
    withNul.append(QChar(0)).append(u'b');
    QVERIFY(jet::jet4HeaderPage(withNul, 45000).isEmpty());
}

QTEST_GUILESS_MAIN(TestJetHeader)
#include "tst_jetheader.moc"
