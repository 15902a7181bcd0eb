#include "lookup/capture/capturelookup.h"

#include "lookup/capture/globalkey.h"
#include "lookup/capture/notice.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/screenregion.h"
#include "lookup/lookuppage.h"
#include "lookup/resultmodel.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QThread>

#include <X11/keysym.h>

namespace capture {

namespace {
const QString kGlobalKeyName = QStringLiteral("Ctrl+Alt+Q");
}

CaptureLookup::CaptureLookup(QWidget &window, QLineEdit &text1, LookupPage &lookup,
                             Recogniser recogniser)
    : QObject(&window), m_window(window), m_text1(text1), m_lookup(lookup),
      m_recogniser(std::move(recogniser)), m_regionFile(regionFile())
{
    m_grab = [](const QRect &region, QString *failure) {
        Grab grab = grabScreenRegion(region);
        *failure = grab.failure;
        return grab.image;
    };
    auto *capture = new QShortcut(QKeySequence(Qt::Key_F2), &m_window);
    connect(capture, &QShortcut::activated, this, &CaptureLookup::captureQuestion);
    auto *choose = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F2), &m_window);
    connect(choose, &QShortcut::activated, this, &CaptureLookup::chooseRegion);

    // Text1's own menu (undo, cut, copy, paste...) with the two capture entries below it.
    m_text1.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_text1, &QWidget::customContextMenuRequested, this, &CaptureLookup::showText1Menu);
}

CaptureLookup::~CaptureLookup()
{
    if (m_warming)
        m_warming->wait();
}

void CaptureLookup::windowShown()
{
    if (!m_globalKey) {
        m_globalKey = std::make_unique<GlobalKey>(XK_q, Qt::ControlModifier | Qt::AltModifier);
        if (m_globalKey->isActive()) {
            connect(m_globalKey.get(), &GlobalKey::activated, this,
                    &CaptureLookup::captureQuestion);
        } else if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            // Said once; F2 and the menu still work.
            showNotice(&m_text1, QStringLiteral("全局热键 %1 不可用：%2")
                                     .arg(kGlobalKeyName, m_globalKey->failure()));
        }
    }
    if (!m_warming && !m_warmed && m_recogniser.warm) {
        m_warming = QThread::create(m_recogniser.warm);
        m_warming->setParent(this);
        m_warming->setObjectName(QStringLiteral("recognition warm-up"));
        m_warming->start(QThread::LowPriority);
    }
}

void CaptureLookup::showText1Menu(const QPoint &position)
{
    std::unique_ptr<QMenu> menu(m_text1.createStandardContextMenu());
    menu->addSeparator();
    menu->addAction(QStringLiteral("识别屏幕上的题目\tF2"), this, &CaptureLookup::captureQuestion);
    menu->addAction(QStringLiteral("重新框选题目区域\tShift+F2"), this,
                    &CaptureLookup::chooseRegion);
    menu->exec(m_text1.mapToGlobal(position));
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
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        showNotice(&m_text1, QStringLiteral("此桌面不允许读取屏幕：请在 X11 会话中使用识别功能"));
        emit captureFinished(false);
        return;
    }
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = m_window.screen();
    const QPixmap still = screen->grabWindow(0);
    if (still.isNull()) {
        showNotice(&m_text1, QStringLiteral("无法读取屏幕"));
        emit captureFinished(false);
        return;
    }
    m_picking = true;
    auto *picker = new RegionPicker(still, screen->geometry());
    connect(picker, &RegionPicker::picked, this, [this](const QRect &region) {
        m_picking = false;
        if (!saveRegion(m_regionFile, region))
            showNotice(&m_text1, QStringLiteral("无法保存题目区域：%1").arg(m_regionFile));
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

void CaptureLookup::waitForEngine()
{
    // The engine is used from this thread only once the warm-up has ended.
    if (m_warming) {
        m_warming->wait();
    } else if (!m_warmed && m_recogniser.warm) {
        m_recogniser.warm();
    }
    m_warmed = true;
}

void CaptureLookup::captureRegion(const QRect &region)
{
    QString failure;
    const QImage picture = m_grab(region, &failure);
    if (picture.isNull()) {
        showNotice(&m_text1, failure.isEmpty() ? QStringLiteral("无法读取屏幕") : failure);
        emit captureFinished(false);
        return;
    }
    waitForEngine();
    const Recogniser::Text read = m_recogniser.read(picture);
    if (!read.failure.isEmpty()) {
        showNotice(&m_text1, read.failure);
        emit captureFinished(false);
        return;
    }
    const std::vector<Recogniser::Candidate> candidates = m_recogniser.rank(read.text);
    if (candidates.empty()) {
        showNotice(&m_text1, QStringLiteral("未识别到题目"));
        emit captureFinished(false);
        return;
    }
    auto shown = std::make_shared<const std::vector<Recogniser::Candidate>>(candidates);
    m_lookup.showRows({qsizetype(shown->size()), [shown](qsizetype row, int column) {
                           const Recogniser::Candidate &c = (*shown)[size_t(row)];
                           return column == 0 ? c.question : c.answer;
                       }});
    emit captureFinished(true);
}

} // namespace capture
