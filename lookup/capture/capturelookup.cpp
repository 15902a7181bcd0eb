#include "lookup/capture/capturelookup.h"

#include "app/window/controls.h"
#include "lookup/capture/globalkey.h"
#include "lookup/capture/notice.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/screenregion.h"
#include "lookup/capture/windowgrab.h"
#include "lookup/lookuppage.h"
#include "lookup/recognition/reader.h"
#include "lookup/resultmodel.h"
#include "lookup/store/storelocation.h"
#include "lookup/store/storelog.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QShortcut>

#include <X11/keysym.h>

namespace capture {

namespace {

const QString kGlobalKeyName = QStringLiteral("Ctrl+Alt+Q");

} // namespace

CaptureLookup::CaptureLookup(const window::Controls &controls, LookupPage &lookup)
    : m_controls(controls), m_lookup(lookup),
      m_storeFolder([] { return store::storeFolder(QCoreApplication::applicationDirPath()); }),
      m_regionFile(regionFile())
{
    m_grab = windowGrabber();
    auto *capture = new QShortcut(QKeySequence(Qt::Key_F2), controls.Form1);
    connect(capture, &QShortcut::activated, this, &CaptureLookup::captureQuestion);
    auto *choose = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F2), controls.Form1);
    connect(choose, &QShortcut::activated, this, &CaptureLookup::chooseRegion);

    // Text1's own menu (undo, cut, copy, paste...) with the two capture entries below it.
    controls.Text1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(controls.Text1, &QWidget::customContextMenuRequested, this,
            &CaptureLookup::showText1Menu);
}

CaptureLookup::~CaptureLookup() = default;

void CaptureLookup::windowShown()
{
    m_engine.warmUp();
    if (!m_loading.valid() && !m_questions.rows)
        m_loading = std::async(std::launch::async, &CaptureLookup::loadQuestions,
                               m_storeFolder() + u'/' + QString::fromUtf16(store::kStoreFileName));
    if (m_globalKey)
        return;
    m_globalKey = std::make_unique<GlobalKey>(XK_q, Qt::ControlModifier | Qt::AltModifier);
    if (m_globalKey->isActive()) {
        connect(m_globalKey.get(), &GlobalKey::activated, this, &CaptureLookup::captureQuestion);
    } else if (screenReadable()) {
        // Said once; F2 and the menu still work.
        showNotice(
            m_controls.Text1,
            QStringLiteral("全局热键 %1 不可用：%2").arg(kGlobalKeyName, m_globalKey->failure()));
    }
}

void CaptureLookup::showText1Menu(const QPoint &position)
{
    std::unique_ptr<QMenu> menu(m_controls.Text1->createStandardContextMenu());
    menu->addSeparator();
    menu->addAction(QStringLiteral("识别屏幕上的题目\tF2"), this, &CaptureLookup::captureQuestion);
    menu->addAction(QStringLiteral("重新框选题目区域\tShift+F2"), this,
                    &CaptureLookup::chooseRegion);
    menu->exec(m_controls.Text1->mapToGlobal(position));
}

void CaptureLookup::captureQuestion()
{
    if (const std::optional<QRect> region = loadRegion(m_regionFile))
        captureRegion(*region);
    else
        chooseRegion();
}

void CaptureLookup::chooseRegion()
{
    if (m_picking)
        return;
    if (!screenReadable())
        return fail(QString::fromUtf16(kNoScreenHere));
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = m_controls.Form1->screen();
    const Grab still = grabScreenStill(screen);
    if (still.image.isNull())
        return fail(still.failure);
    m_picking = true;
    auto *picker = new RegionPicker(still.image, screen->geometry());
    connect(picker, &RegionPicker::picked, this, [this](const QRect &region) {
        m_picking = false;
        if (!saveRegion(m_regionFile, region))
            showNotice(m_controls.Text1, QStringLiteral("无法保存题目区域：%1").arg(m_regionFile));
        captureRegion(region);
    });
    connect(picker, &RegionPicker::cancelled, this, [this] {
        m_picking = false;
        emit captureFinished(false);
    });
    picker->show();
    picker->activateWindow();
    picker->setFocus(Qt::OtherFocusReason);
}

void CaptureLookup::fail(const QString &notice)
{
    showNotice(m_controls.Text1, notice);
    emit captureFinished(false);
}

CaptureLookup::Questions CaptureLookup::loadQuestions(const QString &path)
{
    const QFileInfo file(path);
    Questions loaded{path, file.size(), file.lastModified(), {}, {}, {}};
    auto rows = store::readCvTable(path, QString::fromUtf16(store::kStorePassword));
    if (!rows) {
        qCDebug(store::lcStore).noquote() << "store refused:" << rows.error().message;
        loaded.failure = QStringLiteral("无法读取题库 %1").arg(path);
        return loaded;
    }
    QStringList questions;
    questions.reserve(qsizetype(rows->size()));
    for (const store::CvRow &row : *rows)
        questions += row.question.value_or(QString());
    loaded.ranker = recognition::Ranker(questions);
    loaded.rows = std::make_shared<const std::vector<store::CvRow>>(std::move(*rows));
    return loaded;
}

bool CaptureLookup::refreshQuestions(QString *failure)
{
    if (m_loading.valid())
        m_questions = m_loading.get();
    const QString path = m_storeFolder() + u'/' + QString::fromUtf16(store::kStoreFileName);
    const QFileInfo file(path);
    if (!m_questions.rows || path != m_questions.path || file.size() != m_questions.size ||
        file.lastModified() != m_questions.modified)
        m_questions = loadQuestions(path);
    *failure = m_questions.failure;
    return bool(m_questions.rows);
}

void CaptureLookup::captureRegion(const QRect &region)
{
    QString failure;
    const QImage picture = m_grab(region, &failure);
    if (picture.isNull())
        return fail(failure.isEmpty() ? QString::fromUtf16(kScreenUnread) : failure);
    if (!refreshQuestions(&failure))
        return fail(failure);
    const auto reading = recognition::readQuestion(m_engine, m_questions.ranker, picture);
    if (!reading)
        return fail(reading.error().message);
    qCDebug(store::lcSearch).noquote() << "recognised:" << reading->text;
    if (reading->candidates.empty())
        return fail(QStringLiteral("未识别到题目"));

    // The candidates' rows of the store, best first; their text is read as the list draws it.
    std::vector<qsizetype> order;
    for (const recognition::Candidate &c : reading->candidates)
        order.push_back(c.row);
    m_lookup.showRows(
        {qsizetype(order.size()), [rows = m_questions.rows, order](qsizetype row, int column) {
             const store::CvRow &r = (*rows)[size_t(order[size_t(row)])];
             return (column == 0 ? r.question : r.answer).value_or(QString());
         }});
    emit captureFinished(true);
}

} // namespace capture
