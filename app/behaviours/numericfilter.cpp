#include "app/behaviours/numericfilter.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// Keys that move the focus or edit without typing a character. X11 gives Delete the text
// "\x7f" and Tab "\t", but they type nothing, so the filter must not see them as characters.
bool typesNoCharacter(int key)
{
    return key == Qt::Key_Delete || key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

QString passingPart(const QString &typed)
{
    QString kept;
    for (QChar c : typed) {
        if (behaviours::passes(c.unicode()))
            kept.append(c);
    }
    return kept;
}

// Returns true when the key press is consumed.
bool filterKeyPress(QObject *box, QKeyEvent *event)
{
    // Ctrl+Backspace would delete the word before the caret; in a number box it does nothing.
    if (event->key() == Qt::Key_Backspace && event->modifiers().testFlag(Qt::ControlModifier))
        return true;
    const QString typed = event->text();
    if (typed.isEmpty() || typesNoCharacter(event->key()))
        return false;
    if (typed == QStringView(u"\b") && event->key() != Qt::Key_Backspace) {
        // Ctrl+H types Backspace, and Backspace deletes as usual; a line edit only knows the
        // Backspace key, so it gets that key instead.
        QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, typed,
                            event->isAutoRepeat());
        QCoreApplication::sendEvent(box, &backspace);
        return true;
    }
    const QString kept = passingPart(typed);
    if (kept == typed)
        return false;
    if (!kept.isEmpty()) {
        // A press carrying several characters loses only those that do not pass.
        QKeyEvent rest(QEvent::KeyPress, Qt::Key_unknown, event->modifiers(), kept,
                       event->isAutoRepeat());
        QCoreApplication::sendEvent(box, &rest);
    }
    // The whole press is dropped: the line edit's own shortcuts (paste on Ctrl+V, undo on
    // Ctrl+Z, ...) must not run either.
    return true;
}

void filterInputMethod(QInputMethodEvent *event)
{
    const QString committed = event->commitString();
    QString kept;
    for (QChar c : committed) {
        // A committed Backspace code would be inserted literally, not delete: digits only.
        if (behaviours::passes(c.unicode()) && c != u'\b')
            kept.append(c);
    }
    if (kept != committed)
        event->setCommitString(kept); // nor does a dropped commit replace text around the caret
}

} // namespace

NumericEntryFilter::NumericEntryFilter(const window::Controls &controls)
{
    for (QLineEdit *window::Controls::*box : behaviours::kFilteredBoxes)
        attach(controls.*box);
}

void NumericEntryFilter::attach(QLineEdit *box)
{
    box->installEventFilter(this);
}

bool NumericEntryFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        return filterKeyPress(watched, static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::InputMethod)
        filterInputMethod(static_cast<QInputMethodEvent *>(event));
    return false;
}
