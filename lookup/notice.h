// A short notice beside a control that goes by itself: nothing to click during a timed quiz.
// Page 0 says with it what went wrong with a search or a capture.
#pragma once

#include <QString>

class QWidget;

namespace lookup {

inline constexpr int kNoticeMilliseconds = 2500;

// Shows `text` just below `anchor` for a moment; a newer notice replaces an older one.
void showNotice(QWidget *anchor, const QString &text);
// The text of the notice on screen, empty when there is none.
QString visibleNotice();

} // namespace lookup
