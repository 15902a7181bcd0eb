// Build-time generator: turns the Unihan readings file into the initials table that
// pinyin.cpp compiles in, so the store tool never reads Unihan at run time.
//
//   zc_pinyintablegen UNIHAN_READINGS(.txt or .txt.bz2) OUTPUT.cpp
//
// For every code point it keeps one letter: the first letter of its first kMandarin
// reading, tone marks removed. Only when a code point has no kMandarin reading does it
// fall back, in this order, to kHanyuPinlu (readings ranked by frequency), kTGHZ2013,
// kXHC1983 and kHanyuPinyin, each time taking the first reading listed.
#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include "tools/pinyintable.h"

#include <bzlib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Lower index = preferred source.
constexpr std::array<const char *, 5> kReadingFields = {"kMandarin", "kHanyuPinlu", "kTGHZ2013",
                                                        "kXHC1983", "kHanyuPinyin"};

// Gaps up to this many code points without a reading are stored as filler inside one
// segment; longer gaps start a new segment. 16 keeps both the segment count (~300) and
// the filler (~25,000 bytes) small.
constexpr char32_t kMaxGap = 16;

void fail(const QString &message)
{
    std::fprintf(stderr, "zc_pinyintablegen: %s\n", qUtf8Printable(message));
    std::exit(1);
}

std::optional<QByteArray> bunzip(const QByteArray &packed)
{
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return std::nullopt;
    QByteArray out;
    std::array<char, 1 << 16> chunk;
    stream.next_in = const_cast<char *>(packed.constData());
    stream.avail_in = static_cast<unsigned>(packed.size());
    int rc = BZ_OK;
    while (rc == BZ_OK) {
        stream.next_out = chunk.data();
        stream.avail_out = static_cast<unsigned>(chunk.size());
        rc = BZ2_bzDecompress(&stream);
        out.append(chunk.data(), qsizetype(chunk.size() - stream.avail_out));
        // A truncated stream stops consuming input without reaching its end marker.
        if (rc == BZ_OK && stream.avail_in == 0 && stream.avail_out != 0) {
            rc = BZ_UNEXPECTED_EOF;
            break;
        }
    }
    BZ2_bzDecompressEnd(&stream);
    if (rc != BZ_STREAM_END)
        return std::nullopt;
    return out;
}

// The first reading of a field value, in each field's own layout:
//   kMandarin     "zhōng zhòng"            readings separated by spaces
//   kHanyuPinlu   "zhōng(1234) zhòng(56)"  reading, then its frequency
//   kTGHZ2013, kXHC1983, kHanyuPinyin
//                 "0123.040,0124.010:zhōng,zhòng 0200.010:chóng"  locations, colon, readings
QString firstReading(int field, const QString &value)
{
    QString v = value;
    if (field >= 2) {
        const qsizetype colon = v.indexOf(u':');
        if (colon < 0)
            return {};
        v = v.mid(colon + 1);
    }
    qsizetype end = 0;
    while (end < v.size() && v[end] != u' ' && v[end] != u',' && v[end] != u'(')
        ++end;
    return v.left(end);
}

// Pinyin readings start with a Latin letter, possibly carrying a tone mark (ā, é, ń, ḿ,
// ê̄): decomposing separates the mark from the letter.
std::optional<char> initialLetter(const QString &reading)
{
    const QString plain = reading.normalized(QString::NormalizationForm_D);
    if (plain.isEmpty())
        return std::nullopt;
    const char16_t c = QChar::toLower(plain[0].unicode());
    if (c < u'a' || c > u'z')
        return std::nullopt;
    return static_cast<char>(c);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        fail(QStringLiteral("usage: zc_pinyintablegen UNIHAN_READINGS OUTPUT.cpp"));
    const QString inputPath = QFile::decodeName(argv[1]);
    const QString outputPath = QFile::decodeName(argv[2]);

    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly))
        fail(inputPath + u": "_s + input.errorString());
    QByteArray text = input.readAll();
    if (text.startsWith("BZh")) {
        auto unpacked = bunzip(text);
        if (!unpacked)
            fail(inputPath + u": not a complete bzip2 stream"_s);
        text = std::move(*unpacked);
    }

    // code point -> (source field index, letter); a better source replaces a worse one.
    std::map<char32_t, std::pair<int, char>> letters;
    qsizetype lineNo = 0;
    for (const QByteArray &line : text.split('\n')) {
        ++lineNo;
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const auto parts = QString::fromUtf8(line).trimmed().split(u'\t');
        if (parts.size() != 3 || !parts[0].startsWith(u"U+"))
            fail(u"%1:%2: not a Unihan line"_s.arg(inputPath).arg(lineNo));
        int field = -1;
        for (int i = 0; i < int(kReadingFields.size()); ++i) {
            if (parts[1] == QLatin1StringView(kReadingFields[size_t(i)]))
                field = i;
        }
        if (field < 0)
            continue;
        bool ok = false;
        const auto cp = char32_t(parts[0].mid(2).toUInt(&ok, 16));
        if (!ok || cp > 0x10FFFF)
            fail(u"%1:%2: bad code point %3"_s.arg(inputPath).arg(lineNo).arg(parts[0]));
        const auto letter = initialLetter(firstReading(field, parts[2]));
        if (!letter)
            fail(u"%1:%2: reading does not start with a Latin letter: %3"_s.arg(inputPath)
                     .arg(lineNo)
                     .arg(parts[2]));
        auto [it, inserted] = letters.try_emplace(cp, field, *letter);
        if (!inserted && field < it->second.first)
            it->second = {field, *letter};
    }
    // The readings file holds tens of thousands of Mandarin readings; far fewer means the
    // wrong file was given.
    if (letters.size() < 20000)
        fail(u"%1: only %2 code points with a Mandarin reading; not the Unihan readings file"_s
                 .arg(inputPath)
                 .arg(letters.size()));

    struct Segment
    {
        char32_t first;
        QByteArray letters;
    };
    std::vector<Segment> segments;
    std::map<int, int> bySource;
    for (const auto &[cp, entry] : letters) {
        ++bySource[entry.first];
        if (segments.empty() ||
            cp - (segments.back().first + char32_t(segments.back().letters.size())) > kMaxGap) {
            segments.push_back({cp, {}});
        }
        Segment &s = segments.back();
        while (s.first + char32_t(s.letters.size()) < cp)
            s.letters.append(tools::pinyin::table::kNoReading);
        s.letters.append(entry.second);
    }

    QByteArray out;
    out += "// Generated by zc_pinyintablegen from " + QFile::encodeName(inputPath) +
           "; do not edit.\n";
    for (const auto &[source, count] : bySource) {
        out += "// " + QByteArray(kReadingFields[size_t(source)]) + ": " +
               QByteArray::number(count) + " code points\n";
    }
    out += "#include \"tools/pinyintable.h\"\n\nnamespace tools::pinyin::table {\n";
    out += "const Segment kSegments[] = {\n";
    for (const Segment &s : segments) {
        out += "    {0x" + QByteArray::number(quint32(s.first), 16).toUpper() + ", " +
               QByteArray::number(s.letters.size()) + ",\n";
        // Short literal pieces keep every line readable; they join into one literal.
        for (qsizetype i = 0; i < s.letters.size(); i += 96)
            out += "     \"" + s.letters.mid(i, 96) + "\"\n";
        out += "    },\n";
    }
    out += "};\nconst std::size_t kSegmentCount = " + QByteArray::number(segments.size()) +
           ";\n} // namespace tools::pinyin::table\n";

    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly) || output.write(out) != out.size() || !output.commit())
        fail(outputPath + u": "_s + output.errorString());
    return 0;
}
