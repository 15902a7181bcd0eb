#include "lookup/capture/capturelookup.h"

#include "app/window/controls.h"
#include "lookup/capture/globalkey.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/screenregion.h"
#include "lookup/lookuppage.h"
#include "lookup/notice.h"
#include "lookup/recognition/reader.h"
#include "lookup/resultmodel.h"
#include "lookup/store/storelog.h"
#include "lookup/storenotice.h"

#include <QCursor>
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
    : m_controls(controls), m_lookup(lookup), m_store(lookup.storeReader()),
      m_regionFile(regionFile())
{
    m_grab = [](const QRect &region, QString *failure) {
        Grab grab = grabScreenRegion(region);
        *failure = grab.failure;
        return grab.image;
    };
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
    if (!m_ranking.valid() && !m_ranked)
        m_ranking =
            std::async(std::launch::async, [store = m_store]() -> std::optional<RankedRows> {
                auto rows = store->everyRow();
                if (!rows)
                    return std::nullopt; // said at the capture
                return rank(*std::move(rows));
            });
    if (m_globalKey)
        return;
    m_globalKey = std::make_unique<GlobalKey>(XK_q, Qt::ControlModifier | Qt::AltModifier);
    if (m_globalKey->isActive()) {
        connect(m_globalKey.get(), &GlobalKey::activated, this, &CaptureLookup::captureQuestion);
    } else if (screenReadable()) {
        // Said once; F2 and the menu still work.
        lookup::showNotice(
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
    const QPixmap still = screen->grabWindow(0);
    if (still.isNull())
        return fail(QString::fromUtf16(kScreenUnread));
    m_picking = true;
    auto *picker = new RegionPicker(still, screen->geometry());
    connect(picker, &RegionPicker::picked, this, [this](const QRect &region) {
        m_picking = false;
        if (!saveRegion(m_regionFile, region))
            lookup::showNotice(m_controls.Text1,
                               QStringLiteral("无法保存题目区域：%1").arg(m_regionFile));
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
    lookup::showNotice(m_controls.Text1, notice);
    emit captureFinished(false);
}

CaptureLookup::RankedRows CaptureLookup::rank(store::RecordSet rows)
{
    recognition::Ranker ranker(rows.texts(store::ResultColumn::Question));
    return {std::move(rows), std::move(ranker)};
}

shared::Result<void, QString> CaptureLookup::refreshRanking()
{
    if (m_ranking.valid())
        m_ranked = m_ranking.get();
    // The reader looks at the file again, as it does for every search.
    auto rows = m_store->everyRow();
    if (!rows) {
        qCDebug(store::lcStore).noquote() << "store refused:" << rows.error().message;
        return lookup::storeNotice(m_store->location().path(), rows.error());
    }
    if (!m_ranked || !m_ranked->rows.sharesRowsWith(*rows))
        m_ranked = rank(*std::move(rows));
    return {};
}

void CaptureLookup::captureRegion(const QRect &region)
{
    QString failure;
    const QImage picture = m_grab(region, &failure);
    if (picture.isNull())
        return fail(failure.isEmpty() ? QString::fromUtf16(kScreenUnread) : failure);
    if (const auto ranking = refreshRanking(); !ranking)
        return fail(ranking.error());
    const auto reading = recognition::readQuestion(m_engine, m_ranked->ranker, picture);
    if (!reading)
        return fail(reading.error().message);
    qCDebug(store::lcSearch).noquote() << "recognised:" << reading->text;
    if (reading->candidates.empty())
        return fail(QStringLiteral("未识别到题目"));

    // The candidates' rows of the store, best first; their text is read as the list draws it.
    std::vector<qsizetype> order;
    for (const recognition::Candidate &c : reading->candidates)
        order.push_back(c.row);
    m_lookup.showRows({qsizetype(order.size()),
                       [rows = m_ranked->rows, order](qsizetype row, store::ResultColumn column) {
                           return rows.text(order[size_t(row)], column);
                       }});
    emit captureFinished(true);
}

} // namespace capture
