#include "lookup/recognition/options.h"

#include "lookup/recognition/textmatch.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace recognition {

namespace {

// The share of an answer an option must show, and the lead it needs over every other option:
// one misread character of a two-character answer still names it; two options that both
// resemble the answer name neither.
constexpr double kEnough = 0.5;
constexpr double kMargin = 0.12;

enum System { Letters, Digits };

struct Label
{
    qsizetype begin = 0, end = 0; // the label and its mark; the option's text starts at end
    int index = 0;                // 0 for A or 1, 3 for D or 4
    bool marked = false;          // followed by a mark rather than a space only
};

char16_t ascii(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0xFF01 && u <= 0xFF5E ? char16_t(u - 0xFEE0) : u;
}

int indexOf(QChar c, System system)
{
    const char16_t u = ascii(c);
    if (system == Digits)
        return u >= u'1' && u <= u'4' ? u - u'1' : -1;
    if (u >= u'A' && u <= u'D')
        return u - u'A';
    return u >= u'a' && u <= u'd' ? u - u'a' : -1;
}

// The marks after a label, in either width, and what the engine reads them as.
bool isMark(QChar c)
{
    return QStringView(u".:),;]|").contains(QChar(ascii(c))) || QStringView(u"、·。】").contains(c);
}

// What the engine reads a closing bracket as after a letter, "Bi" or "Dj": taken for a mark
// only after a label that stands apart, so that a word such as "Al" inside an option is not.
bool isMisreadBracket(QChar c)
{
    return QStringView(u"ijl1}").contains(QChar(ascii(c)));
}

bool isLatinOrDigit(QChar c)
{
    const char16_t u = ascii(c);
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

bool isChinese(QChar c)
{
    return c.script() == QChar::Script_Han;
}

bool isSpace(QChar c)
{
    return c.isSpace() || c == QChar(0x3000);
}

// Every place a label of `system` may stand.
std::vector<Label> candidates(QStringView text, System system)
{
    std::vector<Label> found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int index = indexOf(text[i], system);
        if (index < 0)
            continue;
        const QChar before = i > 0 ? text[i - 1] : QChar(u'\n');
        qsizetype end = i + 1;
        while (end < text.size() && text[end] == u' ')
            ++end;
        // Inside a word or a number ("FIFA", "1930") a letter is no label; with a mark after it,
        // after a digit or a capital letter, it is one whose option before ended in a number
        // or a Latin word ("C.7D.122", "A.SOSB.约37").
        const bool capital = ascii(text[i]) >= u'A' && ascii(text[i]) <= u'D';
        if (isLatinOrDigit(before) &&
            !((ascii(before) <= u'9' || capital) && end < text.size() && isMark(text[end])))
            continue;
        const bool apart = isSpace(before) || before == u'(' || before == u'（' || before == u'项';
        if (end < text.size() &&
            (isMark(text[end]) || (apart && end == i + 1 && isMisreadBracket(text[end])))) {
            found.push_back({i, end + 1, index, true});
            continue;
        }
        // No mark: the label stands apart, a space after it and text after that; or, as the
        // neural reader often reads a small mark away, Chinese text, a number or the opening
        // of a title or a quotation ("C《论语》") follows it. A digit with no mark is a number,
        // not a label, after Chinese text ("巴西3比1捷克") or before another digit ("2010年").
        const bool digitAfter =
            end < text.size() && ascii(text[end]) >= u'0' && ascii(text[end]) <= u'9';
        if (system == Digits && (!apart || digitAfter))
            continue;
        if ((apart && end > i + 1 && end < text.size() && !isSpace(text[end])) ||
            (!isLatinOrDigit(before) && end < text.size() &&
             (isChinese(text[end]) || digitAfter || QStringView(u"《“「『").contains(text[end]))))
            found.push_back({i, end, index, false});
    }
    return found;
}

// The longest run of labels in order (A before B before C...), those with marks preferred.
std::vector<Label> chain(QStringView text, System system)
{
    const std::vector<Label> all = candidates(text, system);
    const size_t n = all.size();
    std::vector<int> length(n, 1), marked(n, 0), from(n, -1);
    size_t best = n;
    for (size_t i = 0; i < n; ++i) {
        marked[i] = all[i].marked;
        for (size_t j = 0; j < i; ++j) {
            if (all[j].index >= all[i].index || all[j].end > all[i].begin)
                continue;
            if (length[j] + 1 > length[i] ||
                (length[j] + 1 == length[i] && marked[j] + all[i].marked > marked[i])) {
                length[i] = length[j] + 1;
                marked[i] = marked[j] + all[i].marked;
                from[i] = int(j);
            }
        }
        if (best == n || length[i] > length[best] ||
            (length[i] == length[best] && marked[i] >= marked[best]))
            best = i;
    }
    std::vector<Label> labels;
    for (int i = best == n ? -1 : int(best); i >= 0; i = from[size_t(i)])
        labels.push_back(all[size_t(i)]);
    std::reverse(labels.begin(), labels.end());
    return labels;
}

// Characters the two have in common, in order.
int common(QStringView a, QStringView b)
{
    std::vector<int> previous(size_t(b.size() + 1), 0), current(size_t(b.size() + 1), 0);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            current[size_t(j)] = a[i - 1] == b[j - 1]
                                     ? previous[size_t(j - 1)] + 1
                                     : std::max(previous[size_t(j)], current[size_t(j - 1)]);
        }
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

// How well an option's text shows the answer, 0 to 1: mostly the share of the shorter found
// in the longer, a little the share of the longer, so that of two options holding the whole
// answer the one without extra words leads.
double resemblance(const QString &answer, const QString &option)
{
    if (answer.isEmpty() || option.isEmpty())
        return 0;
    const double shared = common(answer, option);
    return 0.7 * shared / double(std::min(answer.size(), option.size())) +
           0.3 * shared / double(std::max(answer.size(), option.size()));
}

struct Piece
{
    QString text;                 // normalised
    int index;                    // -1: the text of several options whose labels were not read
    int first = index, count = 1; // the options the text may hold, when index is -1
    bool open = false;            // the text may be the first option's alone (options left unseen)
};

// Splits `segment`, the text of `count` options from `first` on, into one piece each: by lines,
// else by wide gaps. When neither gives one piece each, it stays one piece that names no
// option (unless it is one option's text).
void split(QStringView segment, int first, int count, std::vector<Piece> &out, bool open = false)
{
    QStringList parts = segment.toString().split(u'\n', Qt::SkipEmptyParts);
    if (parts.size() != count) {
        static const QRegularExpression gap(u"[ \\x{3000}]{2,}|\\n"_s);
        parts = segment.toString().split(gap, Qt::SkipEmptyParts);
    }
    if (parts.size() != count) {
        out.push_back({normalise(segment), count == 1 ? first : -1, first, count, open});
        return;
    }
    for (int k = 0; k < count; ++k)
        out.push_back({normalise(parts[k]), first + k});
}

// The options' texts: each label's up to the next label, the last one's to the end of its
// line, and the lines after it when they can be the options left. Options whose labels were not
// read are looked for between the labels that were, and before the first one on its line when no
// longer than two options ("、儿童  B、黄河": A is 儿童; a question on that line is not taken for
// an option).
std::vector<Piece> pieces(QStringView text, const std::vector<Label> &labels)
{
    std::vector<Piece> out;
    // Lines after the last label's, as many as the options still to come or fewer: those
    // options, their labels lost. With none, and two labels sharing a line (options in a row or
    // a grid), the options left may be on the last label's line, run together.
    const Label &last = labels.back();
    const qsizetype lastLine = text.indexOf(u'\n', last.begin);
    const QList<QStringView> after = lastLine < 0
                                         ? QList<QStringView>()
                                         : text.mid(lastLine + 1).split(u'\n', Qt::SkipEmptyParts);
    const auto sameLine = [&](size_t t) {
        return text.mid(labels[t].end, labels[t + 1].begin - labels[t].end).indexOf(u'\n') < 0;
    };
    bool sharesLine = false;
    for (size_t t = 0; t + 1 < labels.size(); ++t)
        sharesLine = sharesLine || sameLine(t);
    // Two by two, the third label opening the second line: the fourth option is on that line,
    // and a line after it is none (an ornament read as "SSS").
    const bool gridRow =
        sharesLine && last.index == 2 && labels.size() >= 2 && !sameLine(labels.size() - 2);
    for (size_t t = 0; t < labels.size(); ++t) {
        const qsizetype begin = labels[t].end;
        qsizetype end = t + 1 < labels.size() ? labels[t + 1].begin : text.indexOf(u'\n', begin);
        if (end < 0)
            end = text.size();
        const bool rest = t + 1 == labels.size() && (after.isEmpty() || gridRow) && sharesLine;
        const int count = t + 1 < labels.size() ? labels[t + 1].index - labels[t].index
                          : rest                ? 4 - labels[t].index
                                                : 1;
        split(text.mid(begin, end - begin), labels[t].index, count, out, rest);
    }
    if (lastLine >= 0 && last.index < 3 && !gridRow) {
        const int left = 3 - last.index;
        if (sharesLine && after.size() == 1 && left >= 2) {
            // Options in a grid: the one line after holds the options left, side by side.
            split(after[0], last.index + 1, left, out);
        } else if (after.size() <= left) {
            for (qsizetype k = 0; k < after.size(); ++k)
                out.push_back({normalise(after[k]), last.index + 1 + int(k)});
        }
    }
    if (labels.front().index > 0) {
        const qsizetype line = text.lastIndexOf(u'\n', labels.front().begin) + 1;
        const QStringView before = text.mid(line, labels.front().begin - line);
        qsizetype longest = 0;
        for (const Piece &piece : out)
            longest = std::max(longest, piece.text.size());
        const qsizetype size = normalise(before).size();
        if (size > 0 && size <= 2 * longest)
            split(before, 0, labels.front().index, out);
    }
    return out;
}

// Which option of a piece holding several, their labels lost, shows the answer: the first when
// the piece starts with it and does not end with it, the last the other way round; -1 when the
// piece does not tell (the answer in its middle, or as long as the piece).
std::pair<int, double> byEnds(const QString &answer, const Piece &piece)
{
    const qsizetype n = answer.size();
    if (piece.count < 2 || piece.text.size() <= n)
        return {-1, 0.0};
    const double head = resemblance(answer, piece.text.left(n)),
                 tail = resemblance(answer, piece.text.right(n));
    if (head >= kEnough && head - tail >= kMargin)
        return {piece.first, head};
    if (tail >= kEnough && tail - head >= kMargin)
        return {piece.first + piece.count - 1, tail};
    return {-1, std::max(head, tail)};
}

} // namespace

QString optionLetter(QStringView recognised, QStringView answer)
{
    return matchOption(recognised, answer).letter;
}

OptionMatch matchOption(QStringView recognised, QStringView answer)
{
    const QString wanted = normalise(answer);
    if (wanted.isEmpty())
        return {};
    const std::vector<Label> letters = chain(recognised, Letters);
    const std::vector<Label> digits = chain(recognised, Digits);
    const bool byDigits = digits.size() > letters.size();
    const std::vector<Label> &labels = byDigits ? digits : letters;
    if (labels.size() < 2) // one label alone is as likely a letter in the question
        return {};

    double best = 0, second = 0;
    int index = -1;
    for (Piece &piece : pieces(recognised, labels)) {
        double r = resemblance(wanted, piece.text);
        if (piece.index < 0 || piece.open) {
            const auto [found, score] = byEnds(wanted, piece);
            if (found >= 0) {
                piece.index = found;
                r = score;
            } else if (piece.open) {
                piece.index = piece.first; // the first option's text alone, the rest unseen
            }
        }
        if (r > best) {
            second = best;
            best = r;
            index = piece.index;
        } else {
            second = std::max(second, r);
        }
    }
    if (best < kEnough)
        return {};
    // The answer is shown even where its option cannot be named: its label cut off at the
    // region's edge, or another option as like it.
    if (index < 0 || best - second < kMargin)
        return {QString(), best};
    return {QString(QChar((byDigits ? u'1' : u'A') + index)), best};
}

} // namespace recognition
