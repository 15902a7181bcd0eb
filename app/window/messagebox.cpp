#include "app/window/messagebox.h"

#include "app/window/design.h"

#include <QMessageBox>

void showMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf16(design::applicationTitle), text,
                    QMessageBox::Ok, parent);
    box.exec();
}
