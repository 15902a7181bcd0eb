// The logging category of capture. Off by default, so a player sees nothing;
// QT_LOGGING_RULES="zc.*=true" shows what each capture read, why a region file was set aside,
// and what became of the global keys.
#pragma once

#include <QLoggingCategory>

namespace capture {
Q_DECLARE_LOGGING_CATEGORY(lcCapture) // "zc.capture"
} // namespace capture
