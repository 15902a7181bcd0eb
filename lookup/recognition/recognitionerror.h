// What reading text off an image can fail with, and the result of a step that can fail.
#pragma once

#include "shared/result.h"

#include <QString>

namespace recognition {

struct RecognitionError
{
    enum Kind {
        NoLanguageData, // the engine's Simplified Chinese data is missing, unreadable or damaged
        EngineFailed,   // the engine would not start or could not read the image
        NoImage,        // an empty image
        Unreadable,     // a picture file that cannot be read, is no picture or is damaged
        TooLarge,       // a picture larger or busier than any question region, refused unread
        OutOfMemory,    // not enough memory left to read the picture
        NoModel,        // a file of the neural reader's models is missing
        DamagedModel,   // one is there but cannot be used
    } kind;
    QString message; // one line a player can act on
};

// A value or the RecognitionError that kept it from being made.
template <class T> using Result = shared::Result<T, RecognitionError>;

} // namespace recognition
