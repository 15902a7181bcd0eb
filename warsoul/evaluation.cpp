#include "warsoul/evaluation.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace warsoul {

namespace {

constexpr std::int64_t kOne = Fixed4::kUnitsPerOne;
constexpr int kPlaces = 4;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Adds one decimal digit to a magnitude; false when the magnitude passes `limit`.
bool appendDigit(std::uint64_t &magnitude, QChar digit, std::uint64_t limit)
{
    if (magnitude > (limit - std::uint64_t(digit.unicode() - u'0')) / 10)
        return false;
    magnitude = magnitude * 10 + std::uint64_t(digit.unicode() - u'0');
    return true;
}

std::optional<Fixed4> add(Fixed4 a, Fixed4 b)
{
    Fixed4 sum;
    if (__builtin_add_overflow(a.units, b.units, &sum.units))
        return std::nullopt;
    return sum;
}

std::optional<Fixed4> subtract(Fixed4 a, Fixed4 b)
{
    Fixed4 difference;
    if (__builtin_sub_overflow(a.units, b.units, &difference.units))
        return std::nullopt;
    return difference;
}

Fixed4 truncateToWhole(Fixed4 value)
{
    // % truncates toward zero, so this drops the fraction toward zero for either sign.
    return {value.units - value.units % kOne};
}

// The sum of five box texts, truncated toward zero to a whole number.
std::variant<Fixed4, Failure> total(const PerStat<QString> &texts)
{
    Fixed4 sum;
    for (const QString &text : texts) {
        const auto parsed = parseFixed4(text);
        if (const Failure *failure = std::get_if<Failure>(&parsed))
            return *failure;
        const auto next = add(sum, std::get<Fixed4>(parsed));
        if (!next)
            return Failure::OutOfRange;
        sum = *next;
    }
    return truncateToWhole(sum);
}

} // namespace

std::variant<Fixed4, Failure> parseFixed4(QStringView text)
{
    if (text.isEmpty())
        return Failure::Empty;
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    const QStringView body = text.sliced(begin, end - begin);

    qsizetype i = 0;
    bool negative = false;
    if (i < body.size() && (body[i] == u'+' || body[i] == u'-')) {
        negative = body[i] == u'-';
        ++i;
    }
    const qsizetype intBegin = i;
    while (i < body.size() && isDigit(body[i]))
        ++i;
    const QStringView intDigits = body.sliced(intBegin, i - intBegin);
    QStringView fracDigits;
    if (i < body.size() && body[i] == u'.') {
        const qsizetype fracBegin = ++i;
        while (i < body.size() && isDigit(body[i]))
            ++i;
        fracDigits = body.sliced(fracBegin, i - fracBegin);
    }
    if (i != body.size() || (intDigits.isEmpty() && fracDigits.isEmpty()))
        return Failure::NotANumber;

    // The magnitude may reach 2^63 only for a negative value.
    const std::uint64_t limit =
        std::uint64_t(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    std::uint64_t magnitude = 0;
    for (QChar d : intDigits) {
        if (!appendDigit(magnitude, d, limit))
            return Failure::OutOfRange;
    }
    for (qsizetype k = 0; k < kPlaces; ++k) {
        if (!appendDigit(magnitude, k < fracDigits.size() ? fracDigits[k] : QChar(u'0'), limit))
            return Failure::OutOfRange;
    }
    if (fracDigits.size() > kPlaces) {
        // The digits past the fourth place round the last one, half to even, judged on the
        // exact decimal digits.
        const QStringView dropped = fracDigits.sliced(kPlaces);
        const bool restNonZero =
            std::any_of(dropped.begin() + 1, dropped.end(), [](QChar c) { return c != u'0'; });
        const bool roundUp =
            dropped[0] > u'5' || (dropped[0] == u'5' && (restNonZero || magnitude % 2 == 1));
        if (roundUp) {
            if (magnitude == limit)
                return Failure::OutOfRange;
            ++magnitude;
        }
    }
    return Fixed4{negative ? std::int64_t(0 - magnitude) : std::int64_t(magnitude)};
}

double toDouble(Fixed4 value)
{
    return double(value.units) / double(kOne);
}

double roundToTenth(double value)
{
    const double magnitude = std::fabs(value);
    if (!std::isfinite(value) || magnitude >= 0x1p52)
        return value; // already a whole number
    // magnitude = mantissa / 2^shift exactly, with a 53-bit mantissa and shift >= 1, so ten
    // times it splits exactly into whole tenths and a remainder compared with one half. The
    // tie test is thus on the exact value of the double, not on a product rounded again.
    int exponent = 0;
    const double fraction = std::frexp(magnitude, &exponent);
    const auto mantissa = std::uint64_t(std::ldexp(fraction, 53));
    const int shift = 53 - exponent;
    const std::uint64_t scaled = mantissa * 10; // below 2^57
    std::uint64_t tenths = 0;
    if (shift < 58) {
        tenths = scaled >> shift;
        const std::uint64_t remainder = scaled & ((std::uint64_t(1) << shift) - 1);
        const std::uint64_t half = std::uint64_t(1) << (shift - 1);
        if (remainder > half || (remainder == half && tenths % 2 == 1))
            ++tenths;
    } // else ten times the magnitude is below one half: zero tenths
    if (tenths == 0)
        return 0.0; // also for tiny negative values: no negative zero
    // Exact below 2^49, where the count of tenths still fits a double's mantissa.
    const double rounded = double(tenths) / 10.0;
    return value < 0 ? -rounded : rounded;
}

QString plainDecimal(double value)
{
    if (value == 0)
        return u"0"_s;
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString ratingText(double score)
{
    if (score >= 20)
        return u"评价结果为：极品"_s;
    if (score >= 15)
        return u"评价结果为：优秀"_s;
    if (score >= 9)
        return u"评价结果为：良好"_s;
    return u"评价结果为：差"_s;
}

std::variant<Evaluation, Failure> evaluate(const Entries &entries)
{
    const auto starting = total(entries.starting);
    if (const Failure *failure = std::get_if<Failure>(&starting))
        return *failure;
    const auto current = total(entries.current);
    if (const Failure *failure = std::get_if<Failure>(&current))
        return *failure;
    const auto growth = subtract(std::get<Fixed4>(current), std::get<Fixed4>(starting));
    if (!growth)
        return Failure::OutOfRange;

    const auto level = parseFixed4(entries.level);
    if (const Failure *failure = std::get_if<Failure>(&level))
        return *failure;
    const auto affinity = parseFixed4(entries.affinityLevel);
    if (const Failure *failure = std::get_if<Failure>(&affinity))
        return *failure;
    // Level plus affinity level minus one, not truncated.
    const auto levels = add(std::get<Fixed4>(level), std::get<Fixed4>(affinity));
    const auto divisor = levels ? subtract(*levels, Fixed4{kOne}) : std::nullopt;
    if (!divisor)
        return Failure::OutOfRange;
    if (divisor->units == 0)
        return Failure::ZeroDivisor;

    // Two double divisions, by the divisor and then by two.
    double quotient = toDouble(*growth) / toDouble(*divisor);
    quotient = quotient / 2.0;

    Evaluation result;
    result.score = roundToTenth(quotient);
    result.resultText = u"计算结果为："_s + plainDecimal(result.score);
    result.ratingText = ratingText(result.score);
    return result;
}

} // namespace warsoul
