#include "lookup/capture/capturekeys.h"

#include <QKeySequence>

namespace capture {

const CaptureKey &captureKey(CaptureAction action)
{
    for (const CaptureKey &key : kCaptureKeys)
        if (key.action == action)
            return key;
    qFatal("capture: an action without a key");
}

QString keyName(QKeyCombination key)
{
    // Portable text is the same whatever the system's language: the keys are printed on
    // the keyboard in Latin letters.
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

unsigned keysymOf(Qt::Key key)
{
    // X keysyms for these keys (X11/keysymdef.h): the letters are the lower-case ASCII codes,
    // digits their ASCII codes, F1 is 0xffbe and the function keys follow in order.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return unsigned(key - Qt::Key_A) + 'a';
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return unsigned(key - Qt::Key_0) + '0';
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return unsigned(key - Qt::Key_F1) + 0xffbeu;
    return 0;
}

} // namespace capture
