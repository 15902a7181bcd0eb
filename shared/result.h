// A value, or the error that kept it from being made: what the store engine, the recognition
// engine, capture and the store tool hand back from anything that can fail. It lives here, in
// no room of its own, because all of them use it.
//
//     Result<Thing, Error> r = makeThing();
//     if (!r)
//         return r.error();
//     use(*r);
//
// Result<void, Error> is the same for a step that makes nothing: success, or why not.
#pragma once

#include <QtGlobal>

#include <optional>
#include <utility>
#include <variant>

namespace shared {

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

template <class E> class [[nodiscard]] Result<void, E>
{
public:
    Result() = default; // success
    Result(E error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }

    // Only on failure.
    const E &error() const & { return *errorIf(); }
    E &&error() && { return std::move(*errorIf()); }

private:
    E *errorIf() const
    {
        if (ok())
            qFatal("Result: error() of a success");
        return const_cast<E *>(&*m_error);
    }

    std::optional<E> m_error;
};

} // namespace shared
