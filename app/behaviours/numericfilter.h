// The numeric entry filter of page 1: in the nineteen number boxes of the war-soul evaluator and
// the levelling calculator only the ten ASCII digits and Backspace typed at the keyboard reach
// the box. It limits neither length nor value: the boxes' own handlers do that.
#pragma once

#include "app/window/controls.h"

#include <QObject>

#include <array>
#include <string_view>

class QLineEdit;

namespace behaviours {

// The characters a typed key may carry into a number box: the digits, then Backspace (code 8).
inline constexpr std::u16string_view kAcceptedCharacters = u"0123456789\b";

// Whether one typed character reaches the box. The comparison is exact: no case folding and no
// width folding, so the full-width digits U+FF10 to U+FF19 do not pass.
constexpr bool passes(char16_t typed)
{
    return kAcceptedCharacters.find(typed) != std::u16string_view::npos;
}

// The boxes that use the filter; the query box Text1 is not among them.
inline constexpr std::array<QLineEdit * window::Controls::*, 19> kFilteredBoxes = {
    &window::Controls::qs_jx,  &window::Controls::qs_yq, &window::Controls::qs_qz,
    &window::Controls::qs_lq,  &window::Controls::qs_hp, // starting stats
    &window::Controls::mq_jx,  &window::Controls::mq_yq, &window::Controls::mq_qz,
    &window::Controls::mq_lq,  &window::Controls::mq_hp, // current stats
    &window::Controls::mq_dj,  &window::Controls::jy_dj, // level, affinity level
    &window::Controls::Text2,  &window::Controls::Text3, &window::Controls::Text4,
    &window::Controls::Text5,  &window::Controls::Text9, &window::Controls::Text10,
    &window::Controls::Text11, // levelling inputs
};

} // namespace behaviours

// Applies the filter to the key presses and input-method text of the boxes it is installed on.
// Text that enters without a key press (the context menu's paste, text set by the program) is
// not filtered.
class NumericEntryFilter : public QObject
{
    Q_OBJECT
public:
    // Installs itself on the nineteen boxes of the window.
    explicit NumericEntryFilter(const window::Controls &controls);
    // Installs itself on one box; for a box outside the window.
    void attach(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
