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
    // On a scaled screen the picture is enlarged once, smoothly, to the screen's pixels;
    // left to the label, it would be stretched pixel by pixel at every paint.
    const qreal ratio = controls.Form1->devicePixelRatioF();
    if (ratio != 1.0) {
        picture =
            picture.scaled(picture.size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture.setDevicePixelRatio(ratio);
    }
    controls.Picture2->setPixmap(picture);
    return true;
}

} // namespace window
