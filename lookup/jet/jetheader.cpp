#include "lookup/jet/jetheader.h"
#include "lookup/jet/jetbytes.h"

#include <QDateTime>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace jet {
namespace {

constexpr qsizetype kVersionOffset = 0x14;
constexpr qsizetype kMaskedOffset = 0x18;
constexpr qsizetype kJet3MaskedSize = 126;
constexpr qsizetype kJet4MaskedSize = 128;
constexpr qsizetype kCodePageOffset = 0x3C;
constexpr qsizetype kPasswordOffset = 0x42;
constexpr qsizetype kJet3PasswordSize = 20;
constexpr qsizetype kJet4PasswordSize = 40;
constexpr qsizetype kSortOrderOffset = 0x6E;
constexpr qsizetype kCreationDateOffset = 0x72;

// The fixed key of the header mask, the same in every Jet file.
constexpr std::array<char, 4> kHeaderKey{char(0xC7), char(0xDA), char(0x39), char(0x6B)};

constexpr char kJetMagic[] = "Standard Jet DB";
constexpr char kAceMagic[] = "Standard ACE DB";

double getDouble(const char *p)
{
    quint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= quint64(quint8(p[i])) << (8 * i);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void putDouble(char *p, double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    for (int i = 0; i < 8; ++i)
        p[i] = char((bits >> (8 * i)) & 0xFF);
}

// Jet 4 XORs the 40 password bytes, cyclically, with the four little-endian bytes of the
// creation date's whole part taken as a 32-bit integer. A date outside that range is
// clamped the way Jet's own integer conversion saturates (and NaN becomes 0).
std::array<char, 4> dateMask(double creationDate)
{
    qint32 whole = 0;
    if (std::isnan(creationDate))
        whole = 0;
    else if (creationDate >= 2147483647.0)
        whole = std::numeric_limits<qint32>::max();
    else if (creationDate <= -2147483648.0)
        whole = std::numeric_limits<qint32>::min();
    else
        whole = qint32(creationDate); // truncation toward zero
    std::array<char, 4> mask;
    put32(mask.data(), quint32(whole));
    return mask;
}

// Code page 1252 for the bytes 0x80..0x9F, where it differs from Latin-1; 0 = unassigned.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString decodeJet3Password(const char *p)
{
    QString out;
    for (qsizetype i = 0; i < kJet3PasswordSize && p[i] != 0; ++i) {
        const auto byte = quint8(p[i]);
        char16_t c = byte;
        if (byte >= 0x80 && byte <= 0x9F && kCp1252High[byte - 0x80] != 0)
            c = kCp1252High[byte - 0x80];
        out.append(QChar(c));
    }
    return out;
}

QString decodeJet4Password(const char *p, double creationDate)
{
    const auto mask = dateMask(creationDate);
    QString out;
    for (qsizetype i = 0; i + 1 < kJet4PasswordSize; i += 2) {
        const char bytes[2] = {char(p[i] ^ mask[i % 4]), char(p[i + 1] ^ mask[(i + 1) % 4])};
        const char16_t unit = get16(bytes);
        if (unit == 0)
            break;
        out.append(QChar(unit));
    }
    return out;
}

} // namespace

void rc4(QByteArrayView key, char *data, qsizetype size)
{
    if (key.isEmpty())
        return;
    std::array<quint8, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    quint8 j = 0;
    for (int i = 0; i < 256; ++i) {
        j = quint8(j + s[i] + quint8(key[i % key.size()]));
        std::swap(s[i], s[j]);
    }
    quint8 a = 0;
    quint8 b = 0;
    for (qsizetype n = 0; n < size; ++n) {
        a = quint8(a + 1);
        b = quint8(b + s[a]);
        std::swap(s[a], s[b]);
        data[n] = char(data[n] ^ s[quint8(s[a] + s[b])]);
    }
}

std::optional<HeaderInfo> readHeader(QByteArrayView firstPage)
{
    if (firstPage.size() < kMaskedOffset)
        return std::nullopt;
    if (firstPage[0] != 0)
        return std::nullopt;
    const QByteArrayView magic = firstPage.sliced(4, 16);
    if (magic != QByteArrayView(kJetMagic, sizeof kJetMagic) &&
        magic != QByteArrayView(kAceMagic, sizeof kAceMagic))
        return std::nullopt;

    HeaderInfo info;
    const auto versionByte = quint8(firstPage[kVersionOffset]);
    info.version = versionByte == 0   ? Version::Jet3
                   : versionByte == 1 ? Version::Jet4
                                      : Version::Later;
    const bool ace = magic == QByteArrayView(kAceMagic, sizeof kAceMagic);
    info.damaged = ace != (info.version == Version::Later);
    const qsizetype maskedSize = info.version == Version::Jet3 ? kJet3MaskedSize : kJet4MaskedSize;
    if (firstPage.size() < kMaskedOffset + maskedSize)
        return std::nullopt;

    QByteArray page = firstPage.first(kMaskedOffset + maskedSize).toByteArray();
    rc4(QByteArrayView(kHeaderKey.data(), kHeaderKey.size()), page.data() + kMaskedOffset,
        maskedSize);

    if (info.version == Version::Jet3) {
        info.password = decodeJet3Password(page.constData() + kPasswordOffset);
    } else {
        // ACE files are read with the Jet 4 layout, which Access 2007 files keep; later ones
        // protect a database by encrypting it as a whole, which this does not look at.
        info.creationDate = getDouble(page.constData() + kCreationDateOffset);
        info.password = decodeJet4Password(page.constData() + kPasswordOffset, info.creationDate);
    }
    return info;
}

bool jet3HeaderOnJet4Pages(const HeaderInfo &info, QByteArrayView file)
{
    constexpr char kDefinitionPage = 0x02;
    return info.version == Version::Jet3 && file.size() >= 3 * kJet4PageSize &&
           file[2 * kJet3PageSize] != kDefinitionPage && file[2 * kJet4PageSize] == kDefinitionPage;
}

bool passwordMatches(const HeaderInfo &info, const QString &given)
{
    return info.password.isEmpty() || info.password == given;
}

double oleDateNow()
{
    // Day 0 of the OLE automation calendar is 1899-12-30 and the time of day is the fraction.
    // Jet records the wall-clock time of the machine, so the local date and time are counted
    // as they read, without a zone.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime wall(now.date(), now.time(), Qt::UTC);
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return double(epoch.msecsTo(wall)) / 86400000.0;
}

QByteArray jet4HeaderPage(const QString &password, double creationDate)
{
    if (password.size() > kJet4MaxPasswordLength || password.contains(QChar(0)))
        return {};

    QByteArray page(kJet4PageSize, '\0');
    char *p = page.data();
    p[1] = 0x01;
    std::memcpy(p + 4, kJetMagic, sizeof kJetMagic);
    p[kVersionOffset] = 0x01;

    // The start of the masked region holds values that Access writes the same into every
    // Jet 4 file it makes; their meaning is not documented, so they are copied as seen.
    constexpr std::array<quint8, 24> kRegionStart{0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                  0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                  0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    for (std::size_t i = 0; i < kRegionStart.size(); ++i)
        p[kMaskedOffset + qsizetype(i)] = char(kRegionStart[i]);
    put16(p + kCodePageOffset, 1252);
    // Page encryption key 0 at 0x3E: the pages after this one are stored plain.
    put32(p + 0x6A, 0x11A6);             // as Access writes it; meaning unknown
    put32(p + kSortOrderOffset, 0x0409); // "General" sort order
    putDouble(p + kCreationDateOffset, creationDate);

    const auto mask = dateMask(creationDate);
    for (qsizetype i = 0; i < kJet4PasswordSize; ++i) {
        const qsizetype unit = i / 2;
        char byte = 0;
        if (unit < password.size()) {
            const char16_t c = password.at(unit).unicode();
            byte = char(i % 2 == 0 ? (c & 0xFF) : (c >> 8));
        }
        p[kPasswordOffset + i] = char(byte ^ mask[i % 4]);
    }
    rc4(QByteArrayView(kHeaderKey.data(), kHeaderKey.size()), p + kMaskedOffset, kJet4MaskedSize);

    // Outside the mask Access also leaves these, again without documented meaning.
    put32(p + 0x98, 0x0654);
    std::memcpy(p + 0x9C, "4.0", 4);
    p[0xE00] = 0x04;
    p[0xE01] = 0x01;
    p[0xE02] = 0x02;
    p[0xE03] = 0x01;
    for (qsizetype i = 0xE04; i < kJet4PageSize; i += 2)
        p[i + 1] = 0x01;
    return page;
}

} // namespace jet
