// Reading the quiz question off the screen, on page 0: the keys of capturekeys.h (F2 in the
// window, Ctrl+Alt+Q anywhere on the desktop, or an entry of Text1's context menu) capture the
// region where the game shows its question, recognise the text and list the store's questions
// that explain it best, best first, exactly as a search lists its matches; Text1 is left as it
// is. The answer also shows in a small window beside the region, where the player looks,
// whatever page the program's window shows and even when it is minimised. Shift+F2 (and a
// second entry) chooses the region again; the first capture asks for it.
//
// Nothing recognised leaves page 0 as it was and says so, with what to do, beside the region
// and below Text1, in notices that go by themselves: no dialog ever waits for the player
// during a timed quiz.
#pragma once

#include "lookup/capture/capturekeys.h"
#include "lookup/recognition/engine.h"
#include "lookup/recognition/ranker.h"
#include "lookup/store/store.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class LookupPage;

namespace window {
struct Controls;
}

namespace capture {

class AnswerWindow;
class GlobalKey;

class CaptureLookup : public QObject
{
    Q_OBJECT
public:
    // The picture of a region of the screen, or a null image and why.
    using Grabber = std::function<QImage(const QRect &region, QString *failure)>;

    // Reads the store through `lookup`'s reader: the store the search reads.
    CaptureLookup(const window::Controls &controls, LookupPage &lookup);
    ~CaptureLookup() override;

    // Once the window is on screen: the global keys, and the engine loaded in the background.
    void windowShown();

    // F2: capture the remembered region, or choose one first.
    void captureQuestion();
    // Shift+F2: choose the region, then capture it.
    void chooseRegion();

    // For tests: the picture source (the screen by default) and the region file.
    void setGrabber(Grabber grabber) { m_grab = std::move(grabber); }
    void setRegionFile(const QString &file) { m_regionFile = file; }
    // The window beside the region; for tests and the benchmark.
    AnswerWindow &answerWindow() { return *m_answer; }

    // How often a global key that another program holds is tried again.
    static constexpr int kKeyRetryMilliseconds = 3000;

signals:
    // A capture has been read and listed (true), or has ended with a notice (false).
    void captureFinished(bool answered);
    // A notice below Text1, as the player reads it.
    void noticeShown(const QString &text);

private:
    void run(CaptureAction action);
    void showText1Menu(const QPoint &position);
    // Reads `region`; `chosenNow` when the player has just chosen it, which saves it with
    // `thumbnail` (or, without one, that of this first picture); otherwise `thumbnail` is
    // the one saved with it.
    void captureRegion(const QRect &region, const QByteArray &thumbnail, bool chosenNow);
    // How a failure is told: below Text1 the title alone as before, or with what to do.
    enum class Text1Shows { Title, TitleAndHint };
    void fail(const QString &title, const QString &hint, const QRect &near,
              Text1Shows text1 = Text1Shows::Title);
    void notice(const QString &text);
    void retryGlobalKeys();
    // Where notices go when there is no region: the place of the pointer.
    QRect noticePlace() const;

    // The store's rows, as the reader gives them, and the ranker of their questions.
    struct RankedRows
    {
        store::RecordSet rows;
        recognition::Ranker ranker;
    };
    // Indexing the questions takes a tenth of a second for the shipped store, seconds for a
    // hundred thousand rows, hence it is done ahead in the background.
    static RankedRows rank(store::RecordSet rows);
    // The rows and their ranker made again only when the reader has read the store again.
    shared::Result<void, QString> refreshRanking();

    const window::Controls &m_controls;
    LookupPage &m_lookup;
    Grabber m_grab;
    std::shared_ptr<store::StoreReader> m_store;
    QString m_regionFile;
    std::unique_ptr<AnswerWindow> m_answer;
    std::vector<std::unique_ptr<GlobalKey>> m_globalKeys; // one per key of the table that has one
    bool m_globalKeysTried = false;
    QTimer m_keyRetry;
    recognition::Engine m_engine;
    bool m_picking = false;

    std::optional<RankedRows> m_ranked;
    std::future<std::optional<RankedRows>>
        m_ranking; // started with the window, taken at the first capture
};

} // namespace capture
