// crvt-tool's recognize and match: the program's recognition and ranking on an image file
// or a given text, against a store read the way the program reads it. recognize prints
// question TAB answer TAB option letter, match question TAB answer.
#pragma once

#include "tools/commandline.h"

namespace tools {

// The engine stops its recognition at a deadline of its own, but not in the middle of one word,
// and a picture can make one very long word of noise. For a file, the whole command is bounded:
// past this, recognize says so and ends.
inline constexpr unsigned kRecognizeTimeLimitSeconds = 15;

// Exit statuses: 0 rows printed, 1 a file could not be read, 3 nothing resembles a question.
int recognize(const Invocation &inv);
int match(const Invocation &inv);

} // namespace tools
