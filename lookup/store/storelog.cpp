#include "lookup/store/storelog.h"

namespace store {
// Debug and info are off unless asked for; warnings stay on for faults of the program itself.
Q_LOGGING_CATEGORY(lcStore, "zc.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSearch, "zc.search", QtWarningMsg)
} // namespace store
