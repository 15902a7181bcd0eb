// A value, or the error that kept it from being made: what the store engine, the recognition
// engine and the store tool hand back from anything that can fail.
//
//     Result<Thing, Error> r = makeThing();
//     if (!r)
//         return r.error();
//     use(*r);
#pragma once

#include <QtGlobal>

#include <utility>
#include <variant>

namespace lookup {

template <class T, class E> class [[nodiscard]] Result
{
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_state(std::in_place_index<1>, std::move(error)) {}

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
    const E &error() const & { return *errorIf(); }
    E &&error() && { return std::move(*errorIf()); }

private:
    // Using the wrong side is a fault of the program: it stops there, in every build.
    T *valueIf() const
    {
        if (!ok())
            qFatal("Result: value() of a failure");
        return const_cast<T *>(std::get_if<0>(&m_state));
    }
    E *errorIf() const
    {
        if (ok())
            qFatal("Result: error() of a success");
        return const_cast<E *>(std::get_if<1>(&m_state));
    }

    std::variant<T, E> m_state;
};

} // namespace lookup
