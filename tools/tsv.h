// The maintainers' quiz lists: UTF-8 text, one question per line, question TAB answer
// with an optional TAB pinyin. There is no quoting: a double quote is an ordinary
// character. A backslash starts an escape, the form in which crvt-tool dump prints a value
// holding a line break or a tab: \\ is a backslash, \t a tab, \n a line feed, \r a
// carriage return; any other backslash is an error.
#pragma once

#include "lookup/jet/jetformat.h"
#include "shared/result.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace tools::tsv {

struct Entry
{
    qsizetype line; // 1-based line number in the input
    QString question;
    QString answer;
    QString pinyin; // empty when the line gives none
};

struct Error
{
    qsizetype line;
    QString cause;
};

// Lines end in LF or CR LF; a final line needs no line end. Lines holding nothing but
// spaces and tabs are skipped. A byte order mark at the start of a line (the file's
// own, or one left inside by joining files) is dropped.
// Stops at the first bad line: not UTF-8, a backslash that starts no escape, a missing question or
// answer, more than three fields, or a value the store cannot hold: one with a control character, a
// character outside the Basic Multilingual Plane (Jet 4 text is UCS-2), a byte order mark, or more
// than jet::kMaxTextLength characters.
shared::Result<std::vector<Entry>, Error> parse(QByteArrayView bytes);

// `value` with backslash, tab, line feed and carriage return escaped as parse reads them, so
// that a value always stays within its field and its line.
QString escape(const QString &value);

} // namespace tools::tsv
