// What reading text off an image can fail with, and the result of a step that can fail.
#pragma once

#include "lookup/result.h"

#include <QString>

namespace recognition {

struct RecognitionError
{
    enum Kind {
        NoLanguageData, // the engine's Simplified Chinese data is not installed
        EngineFailed,   // the engine would not start or could not read the image
        NoImage,        // an empty image
        NoModel,        // a file of the neural reader's models is missing
        DamagedModel,   // one is there but cannot be used
    } kind;
    QString message; // one line a player can act on
};

// A value or the RecognitionError that kept it from being made.
template <class T> using Result = lookup::Result<T, RecognitionError>;

} // namespace recognition
