#pragma once

#include <QString>

class QWidget;

namespace window {

// The program's message box: modal, one OK button, no icon, the application title as caption.
// Returns when the player has closed it.
void showMessage(QWidget *parent, const QString &text);

} // namespace window
