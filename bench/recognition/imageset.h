// Quiz-panel captures rendered from the store's own rows, the way games show a question: a
// panel over a scene or a textured ground, gold, white or cyan text on dark or dark text on
// parchment, outlined, shadowed or glowing, regular or bold, 11 to 36 px, at 100, 125 or
// 150 % display scaling, the question wrapped over up to three lines, a title or number
// before it, a countdown beside it, the answer options under it, and the capture rectangle
// drawn tight, too big or too small. Every choice comes from the split's seed; nothing is
// picked by hand. Each capture records what it was made of, so that accuracy can be told
// apart by factor.
//
// Two splits: the tuning split, which recognition may be tuned on, and the validation
// split, which it never is. The validation split has a seed of its own and fonts and a
// ground family that the tuning split never uses, so that a figure on it says how the
// reader does on panels it was not made for.
#pragma once

#include "lookup/store/storeerror.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

namespace bench {

enum class Split { Tuning, Validation };

const char *splitName(Split split);

// A factor of a capture and its value: {"font", "AR PL UKai CN"}, {"size", "11-14 px"}.
using Factor = std::pair<QString, QString>;

struct Capture
{
    QImage image;
    Split split = Split::Tuning;
    int index = 0;       // its place in the split, as ZC_BENCH_SAVE names it
    qsizetype row = 0;   // the store row whose question it shows
    bool oneLine = true; // the question on one line and nothing under it
    int questionLines = 1;
    int textRows = 1;    // rows of text: the question's lines and the options' rows
    bool cut = false;    // the rectangle cuts off a first or last character
    QString rightLetter; // "A".."D": the option showing the row's answer; empty: no options
    QStringList options; // the option texts as shown, A first
    QString font;
    int pixelSize = 0;
    std::vector<Factor> factors;
};

// The font faces the splits draw from, those installed; each name once.
QStringList loadFonts();

// The faces and ground families a split may use.
QStringList fontsOf(Split split);
QStringList groundsOf(Split split);

// `count` captures of the split from its seed, or from `seed` when not 0 (more captures of the
// tuning split's families to study its misses on). Rows without a question or an answer, and
// rows a chosen face cannot draw, are never shown.
std::vector<Capture> renderCaptures(const std::vector<store::CvRow> &rows, Split split, int count,
                                    std::uint32_t seed = 0);

} // namespace bench
