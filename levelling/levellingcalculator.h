// The levelling calculator on the window: the level row of Frame5 and the estimates below it.
//
// Each handling reads the controls, computes with levelling/levelling.h and writes the
// controls. A failure (an empty box, a text that is not a number, a division by zero, a figure
// beyond 32 bits) ends only the handling that meets it, silently, and keeps what it already
// wrote; a handling run by another one, directly or through a control's change, keeps its
// failure to itself, except the kill count step, whose failure also ends the level edit.
#pragma once

#include "app/window/controls.h"

#include <QObject>

class FormLabel;
class QLineEdit;
class QListWidget;
class QWidget;

class LevellingCalculator : public QObject
{
    Q_OBJECT
public:
    // Fills the level list Lis_jy with the level table, then connects the controls.
    explicit LevellingCalculator(const window::Controls &controls);

private:
    // The edit handlings of the boxes, run on every change of their text.
    void Text4_Change();
    void Text5_Change();
    void Text3_Change();
    void Text2_Change();
    void Text9_Change();
    void Text10_Change();
    void Text11_Change();
    // The refreshes of the visible twins of the two hidden labels.
    void Label5_Change();
    void Label49_Change();
    void Command13_Click();

    // Each returns false when it failed, for the handlings that stop on a failure inside them.
    void levelEdit(QLineEdit *changed, QLineEdit *other);
    bool killCountStep();
    bool hourlyTimeEstimate();
    bool perSecondTimeStep();
    bool minutesExperienceStep();

    QWidget *m_form;
    QLineEdit *m_text2;
    QLineEdit *m_text3;
    QLineEdit *m_text4;
    QLineEdit *m_text5;
    QLineEdit *m_text9;
    QLineEdit *m_text10;
    QLineEdit *m_text11;
    FormLabel *m_label5;
    FormLabel *m_label6;
    FormLabel *m_label17;
    FormLabel *m_label18;
    FormLabel *m_label20;
    FormLabel *m_label49;
    FormLabel *m_label51;
    QListWidget *m_levels;
};
