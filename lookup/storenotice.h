// What page 0 tells the player when the store cannot be read: the file and the cause, in the
// player's language. The store's own messages (StoreError::message) are for the log.
#pragma once

#include "lookup/store/storeerror.h"

#include <QString>

namespace lookup {

// "无法读取题库 PATH：cause".
QString storeNotice(const QString &path, const store::StoreError &error);

} // namespace lookup
