#include "tools/tsv.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace tools::tsv {

namespace {

constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

// The escapes of a field, read by parse() and written by escape(): the letter after the
// backslash and the character it stands for.
struct Escape
{
    char16_t letter;
    char16_t character;
};
constexpr std::array kEscapes{Escape{u'\\', u'\\'}, Escape{u't', u'\t'}, Escape{u'n', u'\n'},
                              Escape{u'r', u'\r'}};

bool isBlank(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

QString codePoint(char32_t c)
{
    return u"U+"_s + QString::number(quint32(c), 16).toUpper().rightJustified(4, u'0');
}

// The value a field's text stands for, its escapes read; nullopt for a backslash that starts
// no escape.
std::optional<QString> unescape(const QString &field)
{
    if (!field.contains(u'\\'))
        return field;
    QString value;
    value.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\') {
            value += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        const auto found = std::find_if(kEscapes.begin(), kEscapes.end(),
                                        [&](const Escape &e) { return e.letter == field[i]; });
        if (found == kEscapes.end())
            return std::nullopt;
        value += found->character;
    }
    return value;
}

// Why the store cannot take `value` as it is, if it cannot. The control characters are looked
// for in the field as written (an escaped line break is fine), the length in the value.
std::optional<QString> checkValue(const QString &written, const QString &value, const QString &name)
{
    for (char32_t c : written.toUcs4()) {
        // A raw control character has no place in a line; the escapes stand for those a value
        // may hold.
        if (c < 0x20 || c == 0x7F)
            return u"control character %1 in the %2"_s.arg(codePoint(c), name);
    }
    for (char32_t c : value.toUcs4()) {
        // Jet 4 readers see text as UCS-2; mdbtools cannot read such a character back.
        if (c > 0xFFFF)
            return u"character %1 outside the Basic Multilingual Plane in the %2"_s.arg(
                codePoint(c), name);
        if (c == 0xFEFF)
            return u"byte order mark inside the %1"_s.arg(name);
    }
    if (value.size() > jet::kMaxTextLength)
        return u"%1 longer than %2 characters (%3)"_s.arg(name)
            .arg(jet::kMaxTextLength)
            .arg(value.size());
    return std::nullopt;
}

} // namespace

shared::Result<std::vector<Entry>, Error> parse(QByteArrayView bytes)
{
    std::vector<Entry> entries;
    qsizetype lineNo = 0;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        ++lineNo;
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = bytes.sliced(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith(kByteOrderMark))
            line = line.sliced(kByteOrderMark.size());
        if (isBlank(line))
            continue;

        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(line);
        if (decoder.hasError())
            return Error{lineNo, u"not valid UTF-8"_s};

        const QStringList fields = text.split(u'\t');
        if (fields.size() > 3)
            return Error{lineNo, u"more than three fields (%1)"_s.arg(fields.size())};
        if (fields[0].isEmpty())
            return Error{lineNo, u"missing question"_s};
        if (fields.size() < 2 || fields[1].isEmpty())
            return Error{lineNo, u"missing answer"_s};
        Entry e{lineNo, fields[0], fields[1], fields.size() > 2 ? fields[2] : QString()};
        for (const auto &[value, name] :
             {std::pair{&e.question, u"question"_s}, std::pair{&e.answer, u"answer"_s},
              std::pair{&e.pinyin, u"pinyin"_s}}) {
            const std::optional<QString> unescaped = unescape(*value);
            if (!unescaped)
                return Error{lineNo, u"a backslash in the %1 starts no escape (\\\\ is a "
                                     u"backslash)"_s.arg(name)};
            if (auto problem = checkValue(*value, *unescaped, name))
                return Error{lineNo, *problem};
            *value = *unescaped;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

QString escape(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        const auto found = std::find_if(kEscapes.begin(), kEscapes.end(),
                                        [&](const Escape &e) { return e.character == c; });
        if (found == kEscapes.end()) {
            out += c;
            continue;
        }
        out += u'\\';
        out += found->letter;
    }
    return out;
}

} // namespace tools::tsv
