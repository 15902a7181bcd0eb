// Which of the answer options a capture shows is the stored answer: the option to click.
// Pure functions on the recognised text; no image, no engine.
#pragma once

#include <QString>
#include <QStringView>

namespace recognition {

// The label ("A".."D" or "1".."4") of the option in `recognised` whose text is `answer`.
//
// Options are found by their labels, in order: A to D (or 1 to 4), each followed by a mark
// ("." "、" "：" ":" ")" or one the engine misreads for them) or standing alone before a space,
// "选项" allowed before them, several on a line or one a line. An option's text runs to the
// next label or the end of its line. It matches the answer when most of the shorter of the two
// is found in the longer, in order: misread characters are tolerated, and so is an answer
// stored with words the game leaves out ("公元前221年" shown as "前221年", "甘肃省" as "甘肃")
// or without words the game adds. Empty when the text shows no options, when no option
// matches, and when two match nearly as well.
QString optionLetter(QStringView recognised, QStringView answer);

// The option optionLetter names, and how well the options' texts show the answer, 0 to 1: at
// least 0.5 when they show it, whether or not its option can be named (its label cut off at the
// region's edge), else 0. Of two questions whose answers are both shown, the one with the higher
// resemblance is the one the options hold ("河北省" read: "河北省" rather than "湖北省").
struct OptionMatch
{
    QString letter;
    double resemblance = 0;
};
OptionMatch matchOption(QStringView recognised, QStringView answer);

} // namespace recognition
