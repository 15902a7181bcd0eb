// The numeric entry filter of page 1: in the nineteen number boxes of the war-soul evaluator and
// the levelling calculator only the ten ASCII digits and Backspace typed at the keyboard reach
// the box. It limits neither length nor value: the boxes' own handlers do that.
#pragma once

#include <QObject>

#include <array>
#include <string_view>

class Form1;
class QLineEdit;

namespace numericentry {

// The characters a typed key may carry into a number box: the digits, then Backspace (code 8).
inline constexpr std::u16string_view acceptedCharacters = u"0123456789\b";

// Whether one typed character reaches the box. The comparison is exact: no case folding and no
// width folding, so the full-width digits U+FF10 to U+FF19 do not pass.
constexpr bool passes(char16_t typed)
{
    return acceptedCharacters.find(typed) != std::u16string_view::npos;
}

// The boxes that use the filter; the query box Text1 is not among them.
inline constexpr std::array<const char *, 19> filteredBoxes = {
    "qs_jx", "qs_yq", "qs_qz", "qs_lq", "qs_hp",                     // starting stats
    "mq_jx", "mq_yq", "mq_qz", "mq_lq", "mq_hp",                     // current stats
    "mq_dj", "jy_dj",                                                // level, affinity level
    "Text2", "Text3", "Text4", "Text5", "Text9", "Text10", "Text11", // levelling inputs
};

} // namespace numericentry

// Applies the filter to the key presses and input-method text of the boxes it is installed on.
// Text that enters without a key press (the context menu's paste, text set by the program) is
// not filtered.
class NumericEntryFilter : public QObject
{
    Q_OBJECT
public:
    // Installs itself on the nineteen boxes of the window.
    explicit NumericEntryFilter(Form1 &form);
    // Installs itself on one box; for a box outside the window.
    void attach(QLineEdit *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
