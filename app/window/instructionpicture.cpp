#include "app/window/instructionpicture.h"

#include "app/window/form1.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>

bool showInstructionPicture(Form1 &form)
{
    const QString resource = QString::fromUtf16(instructionPictureResource);
    if (!QFile::exists(resource))
        return false;
    QPixmap picture(resource);
    if (picture.isNull())
        return false;
    // On a scaled screen the picture is enlarged once, smoothly, to the screen's pixels;
    // left to the label, it would be stretched pixel by pixel at every paint.
    const qreal ratio = form.devicePixelRatioF();
    if (ratio != 1.0) {
        picture = picture.scaled(picture.size() * ratio, Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
        picture.setDevicePixelRatio(ratio);
    }
    form.control<QLabel>("Picture2")->setPixmap(picture);
    return true;
}
