#include "app/window/messagebox.h"

#include "app/window/design.h"

#include <QMessageBox>

namespace window {

void showMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf16(kApplicationTitle), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

} // namespace window
