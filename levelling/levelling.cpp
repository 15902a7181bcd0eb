#include "levelling/levelling.h"

#include "levelling/leveltable.h"

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace levelling {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Writes a whole, finite value without exponent or fraction; -0 is written as 0.
QString wholeDigits(double whole)
{
    if (whole == 0)
        return u"0"_s;
    return QString::number(whole, 'f', 0);
}

} // namespace

std::optional<double> readNumber(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            ++digits;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double value = text.toString().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double wholePart(double value)
{
    return std::trunc(value);
}

double roundHalfEven(double value)
{
    const double down = std::floor(value);
    const double rest = value - down;
    if (rest < 0.5)
        return down;
    if (rest > 0.5)
        return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

std::optional<std::int32_t> toInt32(double whole)
{
    if (!(whole >= double(std::numeric_limits<std::int32_t>::min()) &&
          whole <= double(std::numeric_limits<std::int32_t>::max())))
        return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

std::optional<double> divide(double a, double b)
{
    if (b == 0)
        return std::nullopt;
    const double q = a / b;
    if (!std::isfinite(q))
        return std::nullopt;
    return q;
}

bool levelInRange(double level)
{
    return level >= kMinLevel && level <= kMaxLevel;
}

std::optional<double> requiredExperience(double start, double end, const QStringList &entries)
{
    // A counted loop over doubles, as a level pasted with a fraction runs it: the bound is
    // fixed before the first pass and the index of each pass is rounded, not truncated.
    double sum = 0;
    const double last = end - 1;
    for (double level = start; level <= last; level += 1) {
        const double index = roundHalfEven(level);
        if (index < 0 || index >= double(entries.size()))
            return std::nullopt;
        const auto entry = readNumber(entries.at(qsizetype(index)));
        if (!entry)
            return std::nullopt;
        sum += *entry;
    }
    return sum;
}

QString plainText(double whole)
{
    return wholeDigits(whole);
}

QString groupedForm(double whole)
{
    if (whole == 0)
        return u" "_s;
    QString digits = wholeDigits(std::fabs(whole));
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    if (whole < 0)
        digits.prepend(u'-');
    return digits + u' ';
}

std::optional<double> killCount(double required, double perKill)
{
    const auto ratio = divide(required, perKill);
    if (!ratio)
        return std::nullopt;
    return wholePart(*ratio) + 1;
}

std::optional<QString> timeBreakdown(double hours, double hourlyRate, double required)
{
    // Hours, the rate and the experience are taken as 32-bit integers here, so a figure beyond
    // that range fails the breakdown instead of giving a wrapped-around time.
    const auto wholeHours = toInt32(wholePart(hours));
    if (!wholeHours)
        return std::nullopt;
    const std::int32_t days = *wholeHours / 24;
    const std::int32_t hoursLeft = *wholeHours % 24;

    const auto rate = toInt32(roundHalfEven(hourlyRate));
    const auto experience = toInt32(roundHalfEven(required));
    if (!rate || !experience || *rate == 0)
        return std::nullopt;
    // In 64 bits: the lowest 32-bit value modulo -1 would overflow in 32.
    const auto experienceLeft = std::int64_t(*experience) % std::int64_t(*rate);

    // One more than the exact per-minute rate before truncation, as the figures were made.
    const double perMinute = wholePart(hourlyRate / 60 + 1);
    const auto minutes = divide(double(experienceLeft), perMinute);
    if (!minutes)
        return std::nullopt;

    return QString::number(days) + u"天"_s + QString::number(hoursLeft) + u"小时"_s +
           plainText(wholePart(*minutes)) + u"分钟"_s;
}

std::optional<QString> hourlyTime(double required, double perHour)
{
    const auto hours = divide(required, perHour);
    if (!hours)
        return std::nullopt;
    return timeBreakdown(*hours, perHour, required);
}

std::optional<QString> perSecondTime(double required, double seconds, double experience)
{
    // The hourly rate is the per-second rate times 3600, in this order.
    const auto perSecond = divide(experience, seconds);
    if (!perSecond)
        return std::nullopt;
    return hourlyTime(required, *perSecond * 3600);
}

std::optional<double> minutesExperience(double seconds, double experience, double minutes)
{
    // The order of the double operations is part of the result: 1 every 3 seconds for 5
    // minutes is 99.999..., so 99, where the exact rate would give 100.
    const auto perSecond = divide(experience, seconds);
    if (!perSecond)
        return std::nullopt;
    double gained = *perSecond * minutes;
    gained = gained * 60;
    if (!std::isfinite(gained))
        return std::nullopt;
    return wholePart(gained);
}

} // namespace levelling
