// The window of a widget test: the Form1 under test and its controls, typed and named as the
// design names them (ui().Text4, ui().Label18, ...). A test class derives from it beside
// QObject and makes the window in its init().
#pragma once

#include "app/window/controls.h"
#include "app/window/form1.h"

#include <QMetaType>

#include <functional>
#include <memory>

class FormLabel;
class QLineEdit;

// A text box or a label of the window as a value, for the rows of data-driven tests.
using BoxMember = QLineEdit *window::Controls::*;
using LabelMember = FormLabel *window::Controls::*;
Q_DECLARE_METATYPE(BoxMember)
Q_DECLARE_METATYPE(LabelMember)

// Any control of the window as a row value.
using ControlPick = std::function<QWidget *(const window::Controls &)>;
Q_DECLARE_METATYPE(ControlPick)
template <class T> ControlPick pick(T *window::Controls::*member)
{
    return [member](const window::Controls &c) -> QWidget * { return c.*member; };
}

class FormFixture
{
protected:
    // A fresh window, replacing the one before.
    Form1 &makeForm()
    {
        m_form.reset();
        m_form = std::make_unique<Form1>();
        return *m_form;
    }
    const window::Controls &ui() const { return m_form->controls(); }

    std::unique_ptr<Form1> m_form;
};
