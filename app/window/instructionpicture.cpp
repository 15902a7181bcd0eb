#include "app/window/instructionpicture.h"

#include "app/window/controls.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>

namespace window {

bool showInstructionPicture(const Controls &controls)
{
    const QString resource = QString::fromUtf16(kInstructionPictureResource);
    if (!QFile::exists(resource))
        return false;
    QPixmap picture(resource);
    if (picture.isNull())
        return false;
    controls.Picture2->setPixmap(picture);
    return true;
}

} // namespace window
