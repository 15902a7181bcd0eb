#include "warsoul/warsoulevaluator.h"

#include "app/window/formlabel.h"
#include "app/window/messagebox.h"
#include "warsoul/evaluation.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

using warsoul::Stat;
using Names = warsoul::PerStat<QLineEdit * window::Controls::*>;
using C = window::Controls;
// Each stat's box, in the order of Stat.
constexpr Names kStartingBoxes = {&C::qs_jx, &C::qs_yq, &C::qs_qz, &C::qs_lq, &C::qs_hp};
constexpr Names kCurrentBoxes = {&C::mq_jx, &C::mq_yq, &C::mq_qz, &C::mq_lq, &C::mq_hp};
// The order in which the default values and the clear buttons set the stats: each setting runs
// that box's change handling at once, so the order is part of the behaviour.
constexpr std::array<Stat, warsoul::kStatCount> kWriteOrder = {
    Stat::Essence, Stat::Strength, Stat::Vigour, Stat::Agility, Stat::Soul};

constexpr qsizetype kLengthLimit = 5;
constexpr QStringView kClampText = u"99999";
constexpr QStringView kDefaultStat = u"32";
constexpr QStringView kIncompleteMessage = u"请填写完整战魂评估内容！";

warsoul::PerStat<QLineEdit *> boxes(const window::Controls &controls, const Names &members)
{
    warsoul::PerStat<QLineEdit *> found{};
    for (size_t i = 0; i < members.size(); ++i)
        found[i] = controls.*members[i];
    return found;
}

warsoul::PerStat<QLineEdit *> inWriteOrder(const warsoul::PerStat<QLineEdit *> &boxes)
{
    warsoul::PerStat<QLineEdit *> ordered{};
    for (size_t i = 0; i < kWriteOrder.size(); ++i)
        ordered[i] = boxes[warsoul::index(kWriteOrder[i])];
    return ordered;
}

} // namespace

WarSoulEvaluator::WarSoulEvaluator(const window::Controls &controls)
    : m_form(controls.Form1), m_starting(boxes(controls, kStartingBoxes)),
      m_current(boxes(controls, kCurrentBoxes)), m_startingWriteOrder(inWriteOrder(m_starting)),
      m_currentWriteOrder(inWriteOrder(m_current)), m_level(controls.mq_dj),
      m_affinityLevel(controls.jy_dj), m_defaults(controls.Check1), m_result(controls.lbl_result),
      m_rating(controls.lbl_pingjia)
{
    for (QLineEdit *box : m_starting)
        box->installEventFilter(this);
    for (QLineEdit *box : m_current)
        box->installEventFilter(this);
    m_level->installEventFilter(this);
    m_affinityLevel->installEventFilter(this);

    // toggled comes with the player's click and with every change of value by the program,
    // which Command3 relies on.
    connect(m_defaults, &QCheckBox::toggled, this, &WarSoulEvaluator::Check1_Click);
    connect(controls.Command2, &QPushButton::clicked, this, &WarSoulEvaluator::Command2_Click);
    connect(controls.Command3, &QPushButton::clicked, this, &WarSoulEvaluator::Command3_Click);
    connect(controls.Command4, &QPushButton::clicked, this, &WarSoulEvaluator::Command4_Click);
    connect(controls.Command5, &QPushButton::clicked, this, &WarSoulEvaluator::Command5_Click);
}

bool WarSoulEvaluator::eventFilter(QObject *watched, QEvent *event)
{
    // A held key repeats its press but is released once; the releases X11 reports between the
    // repeats are not releases of the key.
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent *>(event)->isAutoRepeat())
        Box_KeyUp(static_cast<QLineEdit *>(watched));
    return false;
}

void WarSoulEvaluator::Box_KeyUp(QLineEdit *box)
{
    // Not cut to five: any longer text becomes the largest five-digit number.
    if (box->text().size() > kLengthLimit)
        box->setText(kClampText.toString());
}

void WarSoulEvaluator::Check1_Click()
{
    const bool defaults = m_defaults->isChecked();
    const QString text = defaults ? kDefaultStat.toString() : QString();
    for (QLineEdit *box : m_startingWriteOrder)
        box->setText(text);
    for (QLineEdit *box : m_startingWriteOrder)
        box->setEnabled(!defaults);
}

void WarSoulEvaluator::Command2_Click()
{
    warsoul::Entries entries;
    for (size_t i = 0; i < m_starting.size(); ++i) {
        entries.starting[i] = m_starting[i]->text();
        entries.current[i] = m_current[i]->text();
    }
    entries.level = m_level->text();
    entries.affinityLevel = m_affinityLevel->text();

    const auto outcome = warsoul::evaluate(entries);
    const auto *evaluation = std::get_if<warsoul::Evaluation>(&outcome);
    if (!evaluation) {
        // Every cause gets the same message, and nothing is written.
        window::showMessage(m_form, kIncompleteMessage.toString());
        return;
    }
    m_result->setText(evaluation->resultText);
    m_rating->setText(evaluation->ratingText);
}

void WarSoulEvaluator::Command3_Click()
{
    // Through the check box: setting checked when it already is runs nothing, and the uncheck
    // that follows empties and enables the starting boxes either way.
    m_defaults->setChecked(true);
    m_defaults->setChecked(false);
}

void WarSoulEvaluator::Command4_Click()
{
    m_level->clear();
    m_affinityLevel->clear();
}

void WarSoulEvaluator::Command5_Click()
{
    for (QLineEdit *box : m_currentWriteOrder)
        box->clear();
}
