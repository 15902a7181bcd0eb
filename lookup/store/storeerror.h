// What the store engine hands back: a row of table cv, the one error type, and the result of
// an operation that can fail. Every header of the engine may include this one; none needs the
// facade store.h for these.
#pragma once

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
//
//     Result<Thing> r = makeThing();
//     if (!r)
//         return r.error();
//     use(*r);
template <class T>
class [[nodiscard]] Result
{
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(StoreError error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only on success.
    T &value() & { return *valueIf(); }
    const T &value() const & { return *valueIf(); }
    T &&value() && { return std::move(*valueIf()); }
    T &operator*() & { return value(); }
    const T &operator*() const & { return value(); }
    T &&operator*() && { return std::move(*this).value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }

    // Only on failure.
    const StoreError &error() const & { return *errorIf(); }
    StoreError &&error() && { return std::move(*errorIf()); }

private:
    // Using the wrong side is a fault of the program: it stops there, in every build.
    T *valueIf() const
    {
        if (!ok())
            qFatal("store::Result: value() of a failure: %s", qPrintable(error().message));
        return const_cast<T *>(std::get_if<0>(&m_state));
    }
    StoreError *errorIf() const
    {
        if (ok())
            qFatal("store::Result: error() of a success");
        return const_cast<StoreError *>(std::get_if<1>(&m_state));
    }

    std::variant<T, StoreError> m_state;
};

} // namespace store
