// What reading text off an image can fail with, and the result of a step that can fail.
#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace recognition {

struct RecognitionError
{
    enum Kind {
        NoLanguageData, // the engine's Simplified Chinese data is not installed
        EngineFailed,   // the engine would not start or could not read the image
        NoImage,        // an empty image
    } kind;
    QString message; // one line a player can act on
};

// A value or the RecognitionError that kept it from being made.
template <class T>
class [[nodiscard]] Result
{
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(RecognitionError error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return *std::get_if<0>(&m_state); }
    const T &operator*() const & { return value(); }
    const T *operator->() const { return &value(); }
    const RecognitionError &error() const & { return *std::get_if<1>(&m_state); }

private:
    std::variant<T, RecognitionError> m_state;
};

} // namespace recognition
