// The levelling calculator's arithmetic: how a box's text reads as a number, the required
// experience between two levels, the grouped form, and the kill, time and minutes estimates.
//
// Every computation that can fail returns an empty optional; the window decides what a failure
// means (the calculator's handlings stop silently and keep whatever they wrote before).
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace levelling {

// The text as a double. Accepted: optional spaces around, an optional sign, digits with at most
// one decimal point and at least one digit ("7", "007", "-3", "2.5", ".5", "5."). Everything
// else, the empty text included, does not read: grouping commas, exponents, full-width digits,
// "inf", "nan", a lone sign or point.
std::optional<double> readNumber(QStringView text);

// The number truncated toward zero.
double wholePart(double value);

// The nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double value);

// A whole value as a 32-bit signed integer, or nothing when it lies outside that range.
std::optional<std::int32_t> toInt32(double whole);

// a / b, or nothing when b is 0 or the quotient is not finite.
std::optional<double> divide(double a, double b);

// A level is valid from 0 to 60 inclusive.
bool levelInRange(double level);

// The sum of the table entries start, start + 1, ... while the index stays at most end - 1;
// 0 when start is not below end. A fractional index (only a paste can bring one) picks the
// entry at the index rounded halves to even. The entries are the decimal texts of the level
// list, read back by index; an entry that is missing or does not read fails the sum.
std::optional<double> requiredExperience(double start, double end, const QStringList &entries);

// A whole number as plain decimal text: no grouping, no leading zeros.
QString plainText(double whole);

// The pattern "##,### ": digits grouped by thousands with ",", one trailing space; zero has no
// digits, so it is a single space.
QString groupedForm(double whole);

// Kills needed: whole part of (required / perKill), plus 1 even when the division is exact.
std::optional<double> killCount(double required, double perKill);

// The time to gain `required` experience at `hourlyRate` per hour, as "D天Hr小时M分钟".
std::optional<QString> timeBreakdown(double hours, double hourlyRate, double required);

// The time at a rate typed per hour.
std::optional<QString> hourlyTime(double required, double perHour);

// The time at `experience` gained every `seconds` seconds.
std::optional<QString> perSecondTime(double required, double seconds, double experience);

// Experience gained in `minutes` minutes at `experience` every `seconds` seconds.
std::optional<double> minutesExperience(double seconds, double experience, double minutes);

} // namespace levelling
