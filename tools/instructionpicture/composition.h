// The layout of the instruction picture: the page pictures taken from the running window,
// reduced, with notes in Chinese that point at the controls they explain.
#pragma once

#include <QImage>
#include <QRect>

namespace tools {

inline constexpr int kWidth = 415;
inline constexpr int kHeight = 440;
inline constexpr int kJpegQuality = 92;

// What the picture shows being typed: the initial letters of the words of 世界杯 (shì jiè bēi),
// and a fragment of a question.
inline constexpr char16_t kInitialsExample[] = u"sjb";
inline constexpr char16_t kInitialsTopic[] = u"世界杯";
inline constexpr char16_t kFragmentExample[] = u"冠军";

// Places of the controls the notes point at, in the coordinates of the page pictures (the
// tab control's top-left corner is the origin).
struct Geometry
{
    QRect text1, check2, listView1, frame1, command12;
    QRect selectedRow; // the row of the list the display pair shows
};

struct Shots
{
    QImage initialsPage0; // page 0 after the initials, the selection moved in the list
    QImage fragmentPage0; // page 0 after the fragment
    QImage page1;         // page 1 with levelling figures
    Geometry geometry;
};

QImage compose(const Shots &shots);

} // namespace tools
