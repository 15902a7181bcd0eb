// What the store engine hands back: a row of table cv, the one error type, and the result of
// an operation that can fail. Every header of the engine may include this one; none needs the
// facade store.h for these.
#pragma once

#include "shared/result.h"

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace store {

struct StoreError
{
    enum Kind {
        NotAFile,      // nothing, a directory, a FIFO, a device... at the path
        Unreadable,    // an ordinary file that cannot be read
        NotJet,        // not a Jet 3 or Jet 4 database
        Corrupt,       // a Jet header, but the structures behind it do not hold together
        WrongPassword, // the database password does not match
        NoTableCv,     // the database has no table cv
        BadTable,      // table cv lacks question, answer or pinyin, or one is not text
        Engine,        // the statement failed, or a record set was used out of turn
    } kind;
    QString message; // one line naming the file (where there is one) and the cause
};

// One row of table cv; nullopt is a null field.
struct CvRow
{
    std::optional<QString> question, answer, pinyin;
    friend bool operator==(const CvRow &, const CvRow &) = default;
};

// A value or the StoreError that kept it from being made.
template <class T> using Result = shared::Result<T, StoreError>;

} // namespace store
