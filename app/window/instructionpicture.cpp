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
    form.control<QLabel>("Picture2")->setPixmap(picture);
    return true;
}
