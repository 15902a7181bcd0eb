// The facts of the Jet file format that the store's reader and our Jet 4 writer share: page
// sizes, page types, column types and the limits of a table.
#pragma once

#include <QtGlobal>

namespace jet {

// Page sizes: Jet 3 (Access 97) and Jet 4 (Access 2000-2003) and later.
inline constexpr qsizetype kJet3PageSize = 2048;
inline constexpr qsizetype kJet4PageSize = 4096;

// Page types: the first byte of every page.
inline constexpr quint8 kPageData = 0x01;
inline constexpr quint8 kPageTableDefinition = 0x02;
inline constexpr quint8 kPageUsageBitmap = 0x05;

// Column types, as a table definition gives them.
inline constexpr quint8 kTypeBool = 0x01;
inline constexpr quint8 kTypeByte = 0x02;
inline constexpr quint8 kTypeInt = 0x03;
inline constexpr quint8 kTypeLong = 0x04;
inline constexpr quint8 kTypeDateTime = 0x08;
inline constexpr quint8 kTypeBinary = 0x09;
inline constexpr quint8 kTypeText = 0x0A;
inline constexpr quint8 kTypeOle = 0x0B;
inline constexpr quint8 kTypeMemo = 0x0C;

// A text column holds at most this many characters.
inline constexpr qsizetype kMaxTextLength = 255;
// A table has at most this many columns.
inline constexpr int kMaxColumns = 255;
// A row's address elsewhere in the file (usage maps, indexes) keeps the row number in a byte.
inline constexpr int kMaxRowsPerPage = 255;

} // namespace jet
