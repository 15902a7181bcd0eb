// The war-soul evaluator on page 1: the length clamp of its twelve boxes, the default-values
// check box, the three clear buttons and the evaluate button, wired to the pure evaluation.
#pragma once

#include "app/window/controls.h"
#include "warsoul/evaluation.h"

#include <QObject>

#include <array>

class FormLabel;
class QCheckBox;
class QLineEdit;
class QWidget;

class WarSoulEvaluator : public QObject
{
    Q_OBJECT
public:
    explicit WarSoulEvaluator(const window::Controls &controls);

    // The KeyUp handling shared by the twelve boxes: a text longer than five characters becomes
    // "99999".
    void Box_KeyUp(QLineEdit *box);
    void Check1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using Group = warsoul::PerStat<QLineEdit *>;

    QWidget *m_form;
    Group m_starting{}; // as the evaluation reads them, in the order of warsoul::Stat
    Group m_current{};
    Group m_startingWriteOrder{}; // as the defaults and the clear buttons write them
    Group m_currentWriteOrder{};
    QLineEdit *m_level = nullptr;
    QLineEdit *m_affinityLevel = nullptr;
    QCheckBox *m_defaults = nullptr;
    FormLabel *m_result = nullptr;
    FormLabel *m_rating = nullptr;
};
