#include "lookup/capture/capturelog.h"

namespace capture {
// Debug and info are off unless asked for; warnings stay on for faults of the program itself.
Q_LOGGING_CATEGORY(lcCapture, "zc.capture", QtWarningMsg)
} // namespace capture
