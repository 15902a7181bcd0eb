#include "levelling/levellingcalculator.h"

#include "app/window/formlabel.h"
#include "app/window/messagebox.h"
#include "levelling/levelling.h"
#include "levelling/leveltable.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace levelling;

namespace {

std::optional<double> numberIn(const QLineEdit *box)
{
    return readNumber(box->text());
}

std::optional<double> numberIn(const FormLabel *label)
{
    return readNumber(label->text());
}

bool filled(const QLineEdit *box)
{
    return !box->text().isEmpty();
}

} // namespace

LevellingCalculator::LevellingCalculator(const window::Controls &controls)
    : m_form(controls.Form1), m_text2(controls.Text2), m_text3(controls.Text3),
      m_text4(controls.Text4), m_text5(controls.Text5), m_text9(controls.Text9),
      m_text10(controls.Text10), m_text11(controls.Text11), m_label5(controls.Label5),
      m_label6(controls.Label6), m_label17(controls.Label17), m_label18(controls.Label18),
      m_label20(controls.Label20), m_label49(controls.Label49), m_label51(controls.Label51),
      m_levels(controls.Lis_jy)
{
    // The window keeps the table as the list's items, and the level edit reads it back there.
    m_levels->clear();
    for (std::int32_t entry : kLevelTable)
        m_levels->addItem(QString::number(entry));

    using C = LevellingCalculator;
    connect(m_text4, &QLineEdit::textChanged, this, &C::Text4_Change);
    connect(m_text5, &QLineEdit::textChanged, this, &C::Text5_Change);
    connect(m_text3, &QLineEdit::textChanged, this, &C::Text3_Change);
    connect(m_text2, &QLineEdit::textChanged, this, &C::Text2_Change);
    connect(m_text9, &QLineEdit::textChanged, this, &C::Text9_Change);
    connect(m_text10, &QLineEdit::textChanged, this, &C::Text10_Change);
    connect(m_text11, &QLineEdit::textChanged, this, &C::Text11_Change);
    connect(m_label5, &FormLabel::captionChanged, this, &C::Label5_Change);
    connect(m_label49, &FormLabel::captionChanged, this, &C::Label49_Change);
    connect(controls.Command13, &QPushButton::clicked, this, &C::Command13_Click);
}

void LevellingCalculator::Text4_Change()
{
    levelEdit(m_text4, m_text5);
}

void LevellingCalculator::Text5_Change()
{
    levelEdit(m_text5, m_text4);
}

void LevellingCalculator::levelEdit(QLineEdit *changed, QLineEdit *other)
{
    const auto level = numberIn(changed);
    if (!level)
        return;
    if (!levelInRange(*level)) {
        window::showMessage(m_form, u"超出范围,当前最小等级为0最大等级为60"_s);
        // Whatever key made the level invalid, the last character goes; setting the text
        // runs this edit again, nested, on the shorter text.
        changed->setText(changed->text().chopped(1));
        return;
    }

    if (filled(m_text4) && filled(m_text5)) {
        const auto start = numberIn(m_text4);
        const auto end = numberIn(m_text5);
        if (!start || !end)
            return;
        // The table is the window's: the items of Lis_jy, read back by index.
        QStringList entries;
        entries.reserve(m_levels->count());
        for (int i = 0; i < m_levels->count(); ++i)
            entries << m_levels->item(i)->text();
        const auto sum = requiredExperience(*start, *end, entries);
        if (!sum)
            return;
        const QString text = plainText(*sum);
        if (m_label5->text() == text)
            Label5_Change(); // refills Label18 after a clear has emptied it
        else
            m_label5->setText(text); // its change refreshes Label18 before we go on
        if (filled(m_text2))
            hourlyTimeEstimate();
    }
    // The other box, not this one: this one holds a valid level by now.
    if (filled(other) && filled(m_text3) && !killCountStep())
        return;
    if (filled(other) && filled(m_text9) && filled(m_text10))
        perSecondTimeStep();
}

void LevellingCalculator::Label5_Change()
{
    if (const auto required = numberIn(m_label5))
        m_label18->setText(groupedForm(*required));
}

bool LevellingCalculator::killCountStep()
{
    const auto required = numberIn(m_label5);
    const auto perKill = numberIn(m_text3);
    if (!required || !perKill)
        return false;
    const auto kills = killCount(*required, *perKill);
    if (!kills)
        return false;
    m_label49->setText(plainText(*kills) + u"只"_s);
    return true;
}

void LevellingCalculator::Label49_Change()
{
    // Computed again from its inputs; Label49 only signals that the count was written.
    const auto required = numberIn(m_label5);
    const auto perKill = numberIn(m_text3);
    if (!required || !perKill)
        return;
    if (const auto kills = killCount(*required, *perKill))
        m_label51->setText(groupedForm(*kills) + u"只"_s);
}

bool LevellingCalculator::hourlyTimeEstimate()
{
    const auto required = numberIn(m_label5);
    const auto perHour = numberIn(m_text2);
    if (!required || !perHour)
        return false;
    const auto time = hourlyTime(*required, *perHour);
    if (!time)
        return false;
    m_label6->setText(*time);
    return true;
}

bool LevellingCalculator::perSecondTimeStep()
{
    const auto required = numberIn(m_label5);
    const auto seconds = numberIn(m_text9);
    const auto experience = numberIn(m_text10);
    if (!required || !seconds || !experience)
        return false;
    const auto time = perSecondTime(*required, *seconds, *experience);
    if (!time)
        return false;
    m_label20->setText(*time);
    return true;
}

bool LevellingCalculator::minutesExperienceStep()
{
    const auto seconds = numberIn(m_text9);
    const auto experience = numberIn(m_text10);
    const auto minutes = numberIn(m_text11);
    if (!seconds || !experience || !minutes)
        return false;
    const auto gained = minutesExperience(*seconds, *experience, *minutes);
    if (!gained)
        return false;
    m_label17->setText(plainText(*gained));
    return true;
}

void LevellingCalculator::Text3_Change()
{
    if (filled(m_text4) && filled(m_text5))
        killCountStep();
}

void LevellingCalculator::Text2_Change()
{
    hourlyTimeEstimate();
}

void LevellingCalculator::Text9_Change()
{
    if (filled(m_text10) && filled(m_text11) && !minutesExperienceStep())
        return;
    if (filled(m_text4) && filled(m_text5) && filled(m_text10))
        perSecondTimeStep();
}

void LevellingCalculator::Text10_Change()
{
    if (filled(m_text9) && filled(m_text11) && !minutesExperienceStep())
        return;
    if (filled(m_text4) && filled(m_text5) && filled(m_text9))
        perSecondTimeStep();
}

void LevellingCalculator::Text11_Change()
{
    if (!filled(m_text9) || !filled(m_text10)) {
        window::showMessage(m_form, QString());
        return;
    }
    minutesExperienceStep();
}

void LevellingCalculator::Command13_Click()
{
    // In this order, each emptying running that box's handling before the next: only the
    // last box, the minutes, meets empty seconds and experience boxes and shows its box.
    for (QLineEdit *box : {m_text2, m_text3, m_text4, m_text5, m_text9, m_text10, m_text11})
        box->setText(QString());
    // Label5 and Label51 stay: the required experience and the last kill count survive.
    for (FormLabel *label : {m_label6, m_label17, m_label18, m_label20, m_label49})
        label->setText(QString());
}
