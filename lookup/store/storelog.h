// Logging categories of the answer store and the search. Both are off by default, so a player
// sees nothing; QT_LOGGING_RULES="zc.*=true" shows why a store was refused or a search stopped.
#pragma once

#include <QLoggingCategory>

namespace store {
Q_DECLARE_LOGGING_CATEGORY(lcStore)  // "zc.store": opening, checking and reading a store file
Q_DECLARE_LOGGING_CATEGORY(lcSearch) // "zc.search": the search statement and its failures
} // namespace store
