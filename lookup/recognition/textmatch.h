// The text of a quiz question reduced to what recognition can be trusted with, and how well a
// question explains a recognised text. Pure functions on QString; no image, no engine.
#pragma once

#include <QString>
#include <QStringView>

namespace recognition {

// Letters and digits only, case folded, full-width forms taken as their ASCII ones: the
// punctuation, spaces and line breaks of a question differ between the store, the game's
// screen and what the engine reads ("，" or ",", "？" or "?", a space the engine puts
// between Chinese characters), so none of them takes part in matching.
QString normalise(QStringView text);

// `text` without the countdown a quiz panel shows beside its question ("倒计时 7秒",
// "剩余时间：12", "8s", "00:15"): read in line order it lands between the question's first
// line and its second, and splits the question in two for the alignment. A countdown is taken
// out where its words say what it is, anywhere on a line; seconds or a clock alone only at a
// line's end, where a question rarely ends in a number of seconds.
QString withoutCountdown(QStringView text);

// How a question lines up with a recognised text, both normalised: the best local
// alignment, so that text before and after the question (a number, a title, a timer, the
// answer options) costs nothing, and neither does the part of the question cut off at the
// region's edge.
// What each character of an alignment adds to its score.
inline constexpr int kMatchScore = 2;     // a character in both
inline constexpr int kMismatchScore = -1; // a character read as another
inline constexpr int kGapScore = -1;      // a character missing from either

struct Alignment
{
    int score = 0;         // kMatchScore per matching character, the others' per the rest
    int matches = 0;       // matching characters in it
    int questionBegin = 0; // the aligned part of the question: [questionBegin, questionEnd)
    int questionEnd = 0;
    // Characters of the question the text lacks that repeat one beside them: the engine
    // reads a doubled character once more often than it loses any other ("198年" for
    // "1998年"), so of two questions explaining the text equally this one is likelier.
    int merged = 0;
};

Alignment align(QStringView question, QStringView text);

} // namespace recognition
