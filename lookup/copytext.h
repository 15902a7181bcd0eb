// The form in which the display pair goes to the clipboard.
#pragma once

#include <QString>

namespace lookup {

// "题目：" question, "答案：" answer and the attribution line with the zone's home address,
// joined by lone carriage returns and with nothing after the last line: the form players paste
// into the game's chat, where a line feed would show as a stray character.
QString copyText(const QString &question, const QString &answer);

} // namespace lookup
