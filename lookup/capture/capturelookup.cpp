#include "lookup/capture/capturelookup.h"

#include "app/window/controls.h"
#include "lookup/capture/answerwindow.h"
#include "lookup/capture/capturelog.h"
#include "lookup/capture/globalkey.h"
#include "lookup/capture/regionfile.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/regionthumbnail.h"
#include "lookup/capture/regionwatch.h"
#include "lookup/capture/screenlayout.h"
#include "lookup/capture/screenregion.h"
#include "lookup/capture/windowgrab.h"
#include "lookup/lookuppage.h"
#include "lookup/notice.h"
#include "lookup/recognition/options.h"
#include "lookup/recognition/reader.h"
#include "lookup/resultmodel.h"
#include "lookup/store/storelog.h"
#include "lookup/storenotice.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QShortcut>

namespace capture {

namespace {

// "按 Shift+F2 重新框选": what to do when the region no longer shows the question.
QString chooseAgainHint()
{
    return QStringLiteral("按 %1 重新框选")
        .arg(keyName(captureKey(CaptureAction::ChooseRegion).windowKey));
}

// What the answer window says when watch mode is turned on or off.
constexpr char16_t kWatchOn[] = u"自动识别：开";
constexpr char16_t kWatchOff[] = u"自动识别：关";
// What a capture says when the picture holds no question; for watch mode, no failure at all.
constexpr char16_t kNothingRecognised[] = u"未识别到题目";

} // namespace

CaptureLookup::CaptureLookup(const window::Controls &controls, LookupPage &lookup)
    : m_controls(controls), m_lookup(lookup), m_store(lookup.storeReader()),
      m_regionFile(regionFile()), m_answer(std::make_unique<AnswerWindow>()),
      m_watch(std::make_unique<RegionWatch>())
{
    m_grab = windowGrabber();
    for (const CaptureKey &key : kCaptureKeys) {
        auto *shortcut = new QShortcut(QKeySequence(key.windowKey), controls.Form1);
        connect(shortcut, &QShortcut::activated, this,
                [this, action = key.action] { run(action); });
    }
    m_keyRetry.setInterval(kKeyRetryMilliseconds);
    connect(&m_keyRetry, &QTimer::timeout, this, &CaptureLookup::retryGlobalKeys);
    connect(m_watch.get(), &RegionWatch::settled, this, &CaptureLookup::readSettled);
    connect(m_watch.get(), &RegionWatch::longWithoutQuestion, this,
            &CaptureLookup::hintLongWithoutQuestion);

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
    // Watch mode as the player left it, without a word: nothing has changed for them.
    if (const RegionLoad loaded = loadRegion(m_regionFile);
        !m_watch->isOn() && loaded.record && loaded.record->watch) {
        const RegionFit fit = fitRegion(loaded.record->region, desktopScreens());
        if (!fit.mostlyOff) {
            m_watch->start(fit.region);
            emit watchChanged(true);
        }
    }
    if (m_globalKeysTried)
        return;
    m_globalKeysTried = true;
    for (const CaptureKey &key : kCaptureKeys) {
        if (key.globalKey.key() == Qt::Key_unknown)
            continue;
        auto global = std::make_unique<GlobalKey>(key.globalKey);
        connect(global.get(), &GlobalKey::activated, this,
                [this, action = key.action] { run(action); });
        qCDebug(lcCapture).noquote()
            << "global key" << keyName(key.globalKey)
            << (global->isActive() ? QStringLiteral("taken") : global->failureText());
        // Said once; F2 and the menu still work, and a key held by another program is tried
        // again quietly until it is free.
        if (!global->isActive() && screenReadable())
            notice(QStringLiteral("全局热键 %1 不可用：%2")
                       .arg(keyName(key.globalKey), global->failureText()));
        if (global->failure() == GlobalKey::Failure::Held)
            m_keyRetry.start();
        m_globalKeys.push_back(std::move(global));
    }
}

void CaptureLookup::retryGlobalKeys()
{
    bool waiting = false;
    for (const std::unique_ptr<GlobalKey> &global : m_globalKeys) {
        if (global->failure() != GlobalKey::Failure::Held)
            continue;
        if (global->grab())
            qCDebug(lcCapture).noquote() << "global key" << keyName(global->key()) << "taken";
        else
            waiting = true;
    }
    if (!waiting)
        m_keyRetry.stop();
}

void CaptureLookup::run(CaptureAction action)
{
    switch (action) {
    case CaptureAction::Capture:
        return captureQuestion();
    case CaptureAction::ChooseRegion:
        return chooseRegion();
    case CaptureAction::Watch:
        return toggleWatch();
    }
}

void CaptureLookup::showText1Menu(const QPoint &position)
{
    std::unique_ptr<QMenu> menu(m_controls.Text1->createStandardContextMenu());
    menu->addSeparator();
    for (const CaptureKey &key : kCaptureKeys) {
        QAction *entry =
            menu->addAction(QString::fromUtf16(key.menuText) + u'\t' + keyName(key.windowKey), this,
                            [this, action = key.action] { run(action); });
        if (key.checkable) {
            entry->setCheckable(true);
            entry->setChecked(isWatching());
        }
    }
    menu->exec(m_controls.Text1->mapToGlobal(position));
}

void CaptureLookup::captureQuestion()
{
    // The window of the last answer goes first: it must not be read, nor stay with an answer
    // to the question before.
    m_answer->dismiss();
    const RegionLoad loaded = loadRegion(m_regionFile);
    if (!loaded.problem.isEmpty())
        qCDebug(lcCapture).noquote()
            << "region file" << m_regionFile << loaded.problem << "- choosing the region again";
    if (!loaded.record)
        return chooseRegion();
    const RegionFit fit = fitRegion(loaded.record->region, desktopScreens());
    if (fit.mostlyOff)
        return fail(QStringLiteral("题目区域大部分不在屏幕上"), chooseAgainHint(),
                    loaded.record->region, Text1Shows::TitleAndHint);
    captureRegion(fit.region, loaded.record->thumbnail, false);
}

void CaptureLookup::chooseRegion()
{
    if (m_picking)
        return;
    m_answer->dismiss();
    if (!screenReadable())
        return fail(QString::fromUtf16(kNoScreenHere), {}, noticePlace());
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = m_controls.Form1->screen();
    const Grab still = grabScreenStill(screen);
    if (still.image.isNull())
        return fail(still.failure, {}, noticePlace());
    m_picking = true;
    m_watch->pause(true);
    auto *picker = new RegionPicker(still.image, screen->geometry());
    connect(
        picker, &RegionPicker::picked, this,
        [this, image = still.image, origin = screen->geometry().topLeft()](const QRect &region) {
            m_picking = false;
            m_watch->pause(false);
            // The thumbnail is taken from the still the player chose on: the screen as it
            // was, before the overlay lay over it.
            const qreal scale = image.devicePixelRatio();
            const QRect part((region.topLeft() - origin) * scale, region.size() * scale);
            const QByteArray thumbnail = makeThumbnail(image.copy(part));
            if (!m_watchAfterPick)
                return captureRegion(region, thumbnail, true);
            // Watch mode reads it by itself as soon as it has settled.
            m_watchAfterPick = false;
            m_watch->start(region);
            if (!saveWatchState({region, thumbnail}))
                notice(QStringLiteral("无法保存题目区域：%1").arg(m_regionFile));
            m_answer->present(stateCard(QString::fromUtf16(kWatchOn)), region);
            emit watchChanged(true);
        });
    connect(picker, &RegionPicker::cancelled, this, [this] {
        m_picking = false;
        m_watch->pause(false);
        if (std::exchange(m_watchAfterPick, false))
            return; // watch mode stays off, as it was
        emit captureFinished(false);
    });
    picker->show();
    picker->activateWindow();
    picker->setFocus(Qt::OtherFocusReason);
}

bool CaptureLookup::isWatching() const
{
    return m_watch->isOn();
}

void CaptureLookup::toggleWatch()
{
    setWatching(!m_watch->isOn());
}

bool CaptureLookup::saveWatchState(RegionRecord record)
{
    record.watch = m_watch->isOn();
    return saveRegion(m_regionFile, record);
}

void CaptureLookup::setWatching(bool on)
{
    if (m_picking)
        return;
    const RegionLoad loaded = loadRegion(m_regionFile);
    if (!on) {
        m_watch->stop();
        if (loaded.record && loaded.record->watch && !saveWatchState(*loaded.record))
            notice(QStringLiteral("无法保存题目区域：%1").arg(m_regionFile));
        m_answer->present(stateCard(QString::fromUtf16(kWatchOff)),
                          loaded.record ? loaded.record->region : noticePlace());
        emit watchChanged(false);
        return;
    }
    if (!loaded.record) {
        // Nothing to watch yet: the region is chosen first, and watching starts with it.
        m_watchAfterPick = true;
        chooseRegion();
        if (!m_picking)
            m_watchAfterPick = false; // the overlay could not be shown, and has said why
        return;
    }
    const RegionFit fit = fitRegion(loaded.record->region, desktopScreens());
    if (fit.mostlyOff) {
        const QString title = QStringLiteral("题目区域大部分不在屏幕上");
        notice(title + u'：' + chooseAgainHint());
        m_answer->present(noticeCard(title, chooseAgainHint()), loaded.record->region);
        return;
    }
    m_watch->start(fit.region);
    if (!saveWatchState(*loaded.record))
        notice(QStringLiteral("无法保存题目区域：%1").arg(m_regionFile));
    m_answer->present(stateCard(QString::fromUtf16(kWatchOn)), fit.region);
    emit watchChanged(true);
}

void CaptureLookup::readSettled(const QImage &glanced, const QRegion &unread)
{
    const QRect region = m_watch->region();
    m_watch->pause(true);
    m_quiet = true;
    m_quietTitle.clear();
    m_quietHint.clear();
    // Where one of our windows lies over the region, the game beneath is read as a capture
    // reads it; elsewhere the glance is that very picture already.
    QImage picture = glanced;
    QString failure;
    if (!unread.isEmpty())
        picture = m_grab(region, &failure);
    // The state just turned on stays in view, under the first answer.
    const QString footnote =
        m_answer->isVisible() && m_answer->card().kind == AnswerCard::Kind::State
            ? m_answer->card().title
            : QString();
    qint64 row = -1;
    if (picture.isNull()) {
        m_quietTitle = failure.isEmpty() ? QString::fromUtf16(kScreenUnread) : failure;
    } else {
        const RegionLoad loaded = loadRegion(m_regionFile);
        row = readPicture(picture, region, loaded.record ? loaded.record->thumbnail : QByteArray(),
                          false, footnote);
    }
    m_quiet = false;
    // The answer to the question before does not stay beside a picture without one.
    if (row < 0 && m_answer->isVisible() && m_answer->card().kind == AnswerCard::Kind::Answer)
        m_answer->dismiss();
    m_watch->read(picture.isNull() ? glanced : picture, row);
    m_watch->pause(false);
    emit watchRead(row >= 0);
}

void CaptureLookup::hintLongWithoutQuestion(const QString &failure)
{
    const QString off =
        QStringLiteral("答完题按 %1 关闭").arg(keyName(captureKey(CaptureAction::Watch).windowKey));
    AnswerCard card;
    if (!failure.isEmpty())
        // No picture of the region at all: the game window gone or moved, the region off the
        // screen.
        card = noticeCard(QStringLiteral("自动识别：很久没有读到题目区域"),
                          chooseAgainHint() + QStringLiteral("，或") + off);
    else if (!m_quietTitle.isEmpty() && m_quietTitle != QString::fromUtf16(kNothingRecognised))
        // A failure of its own (a missing model, an unreadable store) says what to do.
        card = noticeCard(m_quietTitle, m_quietHint);
    else
        card = noticeCard(QStringLiteral("自动识别：很久没有识别到题目"),
                          m_quietHint.isEmpty() || m_quietHint == chooseAgainHint()
                              ? off + QStringLiteral("，区域不对") + chooseAgainHint()
                              : m_quietHint);
    qCDebug(lcCapture).noquote() << "watch mode has read no question for a long time:" << card.title
                                 << card.hint;
    m_answer->present(card, m_watch->region());
}

void CaptureLookup::notice(const QString &text)
{
    lookup::showNotice(m_controls.Text1, text);
    emit noticeShown(text);
}

void CaptureLookup::fail(const QString &title, const QString &hint, const QRect &near,
                         Text1Shows text1)
{
    if (m_quiet) {
        // Watch mode is silent about pictures it cannot read; the reason waits for the hint.
        qCDebug(lcCapture).noquote() << "watch mode read nothing:" << title << hint;
        m_quietTitle = title;
        m_quietHint = hint;
        return;
    }
    qCDebug(lcCapture).noquote() << "capture ended:" << title << hint;
    notice(text1 == Text1Shows::TitleAndHint && !hint.isEmpty() ? title + u'：' + hint : title);
    m_answer->present(noticeCard(title, hint), near);
    emit captureFinished(false);
}

QRect CaptureLookup::noticePlace() const
{
    if (const RegionLoad loaded = loadRegion(m_regionFile); loaded.record)
        return loaded.record->region;
    return QRect(QCursor::pos(), QSize(1, 1));
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

void CaptureLookup::captureRegion(const QRect &region, const QByteArray &thumbnail, bool chosenNow)
{
    QElapsedTimer clock;
    clock.start();
    QString failure;
    const QImage picture = m_grab(region, &failure);
    qCDebug(lcCapture).noquote() << "region" << region << "read in" << clock.elapsed() << "ms";
    if (picture.isNull())
        return fail(failure.isEmpty() ? QString::fromUtf16(kScreenUnread) : failure, {}, region);
    QString footnote;
    if (chosenNow &&
        !saveWatchState({region, thumbnail.isEmpty() ? makeThumbnail(picture) : thumbnail})) {
        notice(QStringLiteral("无法保存题目区域：%1").arg(m_regionFile));
        footnote = QStringLiteral("无法保存题目区域，下次需重新框选");
    }
    const qint64 row = readPicture(picture, region, thumbnail, chosenNow, footnote);
    // Watch mode does not read again what the player's key has just read, and watches a region
    // chosen anew from now on.
    if (m_watch->isOn()) {
        if (chosenNow)
            m_watch->start(region);
        if (region == m_watch->region())
            m_watch->read(picture, row);
    }
}

qint64 CaptureLookup::readPicture(const QImage &picture, const QRect &region,
                                  const QByteArray &thumbnail, bool chosenNow,
                                  const QString &footnote)
{
    QElapsedTimer clock;
    clock.start();
    const QByteArray seen = makeThumbnail(picture);
    const auto failed = [this](const QString &title, const QString &hint, const QRect &near,
                               Text1Shows text1 = Text1Shows::Title) {
        fail(title, hint, near, text1);
        return qint64(-1);
    };
    if (const auto ranking = refreshRanking(); !ranking)
        return failed(ranking.error(), QStringLiteral("请修复或删除这个题库文件"), region);
    auto reading =
        recognition::readQuestion(m_engine, m_ranked->ranker, picture, 5, [this](qsizetype row) {
            return m_ranked->rows.text(row, store::ResultColumn::Answer);
        });
    if (!reading) {
        qCDebug(lcCapture).noquote() << "recognition failed:" << reading.error().message;
        // The engine's messages are for the tool's users; the player reads what to do.
        switch (reading.error().kind) {
        case recognition::RecognitionError::NoLanguageData:
            return failed(QStringLiteral("缺少简体中文识别数据"),
                          QStringLiteral("请安装软件包 tesseract-ocr-chi-sim"), region,
                          Text1Shows::TitleAndHint);
        case recognition::RecognitionError::NoModel:
        case recognition::RecognitionError::DamagedModel:
            return failed(reading.error().kind == recognition::RecognitionError::NoModel
                              ? QStringLiteral("缺少文字识别模型")
                              : QStringLiteral("文字识别模型已损坏"),
                          QStringLiteral("请重新安装软件包 zembrik-corvanth"), region,
                          Text1Shows::TitleAndHint);
        case recognition::RecognitionError::TooLarge:
            return failed(QStringLiteral("题目区域太大，无法识别"),
                          QStringLiteral("按 %1 只框选题目所在的几行")
                              .arg(keyName(captureKey(CaptureAction::ChooseRegion).windowKey)),
                          region, Text1Shows::TitleAndHint);
        case recognition::RecognitionError::OutOfMemory:
            return failed(QStringLiteral("内存不足，无法识别"),
                          QStringLiteral("关闭一些程序后再试"), region);
        default:
            return failed(QStringLiteral("文字识别失败"), chooseAgainHint(), region);
        }
    }
    qCDebug(lcCapture).noquote() << "recognised:" << reading->text << "-"
                                 << reading->candidates.size() << "questions in" << clock.elapsed()
                                 << "ms";
    if (reading->candidates.empty()) {
        qCDebug(lcCapture).noquote()
            << "region's thumbnail when chosen" << thumbnail.toHex() << "now" << seen.toHex();
        // Another question on the same panel still looks alike; a moved game does not.
        if (!chosenNow && !looksAlike(thumbnail, seen))
            return failed(QString::fromUtf16(kNothingRecognised),
                          QStringLiteral("画面与框选时不同（游戏窗口移动了？），") +
                              chooseAgainHint(),
                          region, Text1Shows::TitleAndHint);
        return failed(QString::fromUtf16(kNothingRecognised), chooseAgainHint(), region);
    }

    // The answer beside the region first: it is what the player is waiting for. Near twins
    // show both answers, best first, rather than one confident wrong one; where the capture
    // holds the options, the one to click is named.
    const size_t shown = reading->twins && reading->candidates.size() > 1 ? 2 : 1;
    std::vector<AnswerCard::Entry> entries;
    for (size_t i = 0; i < shown; ++i) {
        const qsizetype row = reading->candidates[i].row;
        const QString answer = m_ranked->rows.text(row, store::ResultColumn::Answer);
        entries.push_back(
            {m_ranked->rows.text(row, store::ResultColumn::Question),
             answerWithOption(answer, recognition::optionLetter(reading->text, answer))});
    }
    AnswerCard card = answerCard(std::move(entries));
    card.footnote = footnote;
    m_answer->present(card, region);

    // The candidates' rows of the store, best first; their text is read as the list draws it.
    std::vector<qsizetype> order;
    for (const recognition::Candidate &c : reading->candidates)
        order.push_back(c.row);
    m_lookup.showRows({qsizetype(order.size()),
                       [rows = m_ranked->rows, order](qsizetype row, store::ResultColumn column) {
                           return rows.text(order[size_t(row)], column);
                       }});
    if (!m_quiet)
        emit captureFinished(true);
    return reading->candidates.front().row;
}

} // namespace capture
