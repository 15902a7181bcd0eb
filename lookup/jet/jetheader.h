// The header page (page 0) of a Jet database file.
//
// Layout, as far as the store needs it:
//   0x00        page type, 0 for the header page
//   0x04..0x13  "Standard Jet DB\0" (Jet 3 and 4) or "Standard ACE DB\0" (ACE 12 and later)
//   0x14        version: 0 Jet 3, 1 Jet 4, 2 and up the ACE versions
//   0x18..      a region of 126 (Jet 3) or 128 (Jet 4 and later) bytes masked with RC4 under a
//               fixed four-byte key. Inside it, after unmasking:
//   0x3C        code page (2 bytes)
//   0x3E        page encryption key (4 bytes, 0 = pages are stored plain)
//   0x42        database password: Jet 3 20 single-byte characters, Jet 4 40 bytes UTF-16LE;
//               Jet 4 further masks these 40 bytes with the creation date (see jetheader.cpp)
//   0x6E        sort order (Jet 4)
//   0x72        creation date (Jet 4), an OLE automation date (double, days since 1899-12-30)
// A password shorter than its field is padded with zero bytes before masking, so an unprotected
// database decodes to an all-zero field.
#pragma once

#include "lookup/jet/jetformat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace jet {

enum class Version { Jet3, Jet4, Later /* ACE 12+ */ };

struct HeaderInfo
{
    Version version = Version::Jet4;
    QString password;        // empty = none
    double creationDate = 0; // OLE automation date; 0 for Jet 3, which keeps none here
    // The version byte contradicts the magic ("Standard Jet DB" is Jet 3 or 4 only, "Standard
    // ACE DB" never): the header is damaged, and nothing read through it can be trusted.
    bool damaged = false;
};

// Jet 4 keeps the password in 40 bytes of UTF-16: 20 code units.
inline constexpr qsizetype kJet4MaxPasswordLength = 20;

// nullopt when the bytes are not a Jet header (too short, wrong magic)
std::optional<HeaderInfo> readHeader(QByteArrayView firstPage);

// A file whose header says Jet 3 but whose catalog stands where Jet 4 puts it (page 2 of
// 4096-byte pages) and not where Jet 3 does: the version byte is damaged. `file` is the whole
// file, or at least its first three Jet 4 pages.
bool jet3HeaderOnJet4Pages(const HeaderInfo &, QByteArrayView file);

// A store with a password opens only with exactly that password (case matters, as in Jet);
// a store without one opens with any password.
bool passwordMatches(const HeaderInfo &, const QString &given);

// RC4 over `data` in place; the header mask and Jet's page encryption both use it.
void rc4(QByteArrayView key, char *data, qsizetype size);

// Today as an OLE automation date, the form Jet stores dates in.
double oleDateNow();

// A complete Jet 4 header page (4096 bytes) for a database with the given password (at most
// kJet4MaxPasswordLength UTF-16 code units, none of them U+0000; empty = no password) and
// creation date. Pages after it are stored unencrypted. Returns an empty array when the
// password does not fit.
QByteArray jet4HeaderPage(const QString &password, double creationDate);

} // namespace jet
