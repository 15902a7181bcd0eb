// The war-soul evaluation: twelve box texts in, a score and a rating out, or a failure.
// Pure: no widget, no state; the window's glue decides what a failure shows.
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <variant>

namespace warsoul {

// Why an evaluation could not be made. The player sees one message for all of them.
enum class Failure {
    Empty,       // a box holds no text
    NotANumber,  // a box holds a text that is not a decimal number
    OutOfRange,  // a number, a total or the divisor leaves the fixed-point range
    ZeroDivisor, // level plus affinity level is 1
};

// A signed decimal with four places after the point: a 64-bit count of ten-thousandths.
// Stat sums and differences are exact in it.
struct Fixed4
{
    static constexpr std::int64_t kUnitsPerOne = 10000;
    std::int64_t units = 0;

    friend bool operator==(Fixed4, Fixed4) = default;
};

// Reads a box text as a Fixed4. Accepted: optional blanks (space, tab) around, an optional sign
// "+" or "-", then digits with at most one decimal point ("12", "-3", "+4.5", ".5", "7."; at
// least one digit). Digits past the fourth decimal are rounded half to even. Anything else
// (exponents, digit grouping, full-width digits) is not a number.
std::variant<Fixed4, Failure> parseFixed4(QStringView text);

// The value as a double (the nearest double to units / 10000 for the values the boxes can hold).
double toDouble(Fixed4 value);

// Rounds to one decimal place; a value exactly halfway between two tenths (as a double, e.g.
// 0.25 or 0.75) goes to the even tenth. Never returns negative zero.
double roundToTenth(double value);

// The shortest plain decimal that gives the value back: "9", "22.5", "0.2", "-5"; never an
// exponent, never "-0".
QString plainDecimal(double value);

// The rating caption for a rounded score; each bound belongs to the higher grade.
QString ratingText(double score);

// The five stats of a war soul, in the order the evaluation reads them.
enum class Stat { Essence, Vigour, Strength, Agility, Soul }; // 精血, 元气, 强壮, 灵巧, 魂魄
inline constexpr std::size_t kStatCount = 5;

// One value for each stat, in the order of Stat.
template <class T> using PerStat = std::array<T, kStatCount>;
constexpr std::size_t index(Stat stat)
{
    return std::size_t(stat);
}

// The twelve texts of one war soul, as they stand in the boxes.
struct Entries
{
    PerStat<QString> starting;
    PerStat<QString> current;
    QString level;
    QString affinityLevel;
};

struct Evaluation
{
    double score = 0;   // rounded to one decimal
    QString resultText; // caption of lbl_result
    QString ratingText; // caption of lbl_pingjia
};

std::variant<Evaluation, Failure> evaluate(const Entries &entries);

} // namespace warsoul
