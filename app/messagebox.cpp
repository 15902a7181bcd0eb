#include "app/messagebox.h"

#include "app/design.h"

#include <QMessageBox>

void showMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf16(design::applicationTitle), text,
                    QMessageBox::Ok, parent);
    box.exec();
}
