// The instruction picture of page 2.
//
// The picture is drawn from the running window by tools/instructionpicture and built into the
// program's executable, not into the window's library: the tool is made from that library, so
// the picture cannot be part of it. A build of the window without the picture (the tool
// itself, most tests) leaves Picture2 empty.
#pragma once

namespace window {

struct Controls;

inline constexpr char16_t kInstructionPictureResource[] = u":/zembrik-corvanth/instructions.jpg";

// Puts the picture into Picture2 where the executable carries it; true when it did.
bool showInstructionPicture(const Controls &controls);

} // namespace window
