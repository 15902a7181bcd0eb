// File names as bytes and as text. On Linux a file name is any string of bytes; Qt reads
// names as UTF-8 and turns a byte that is no part of valid UTF-8 into U+FFFD, so such a name
// no longer opens the file it named. These two keep each such byte as a lone low surrogate
// (U+DC80 to U+DCFF, never part of valid UTF-8 text) and give it back as the same byte, so a
// name taken from the command line opens the very file given. Valid UTF-8 reads exactly as Qt
// reads it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace lookup {

inline QString fileNameFromBytes(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto byteAt = [&](qsizetype i) { return uchar(bytes[i]); };
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar lead = byteAt(i);
        if (lead < 0x80) {
            name += QChar(char16_t(lead));
            ++i;
            continue;
        }
        // The length of the sequence and the range its second byte must lie in, which rules out
        // overlong forms, encoded surrogates and code points past U+10FFFF.
        int length = 0;
        uchar low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const uchar b = byteAt(i + k);
            valid = k == 1 ? b >= low && b <= high : b >= 0x80 && b <= 0xBF;
        }
        if (!valid) {
            name += QChar(char16_t(0xDC00 + lead));
            ++i;
            continue;
        }
        char32_t code = lead & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k)
            code = (code << 6) | (byteAt(i + k) & 0x3F);
        name += QString::fromUcs4(&code, 1);
        i += length;
    }
    return name;
}

inline QByteArray fileNameToBytes(QStringView name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool escaped =
            c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !name[i - 1].isHighSurrogate());
        if (!escaped)
            continue;
        bytes += name.mid(start, i - start).toUtf8();
        bytes += char(c - 0xDC00);
        start = i + 1;
    }
    bytes += name.mid(start).toUtf8();
    return bytes;
}

} // namespace lookup
