// Reading the quiz question off the screen, on page 0: F2 in the window, Ctrl+Alt+Q anywhere
// on the desktop, or an entry of Text1's context menu captures the region where the game shows
// its question, recognises the text and lists the store's questions that explain it best,
// best first, exactly as a search lists its matches. Text1 is left as it is. Shift+F2 (and a
// second entry) chooses the region again; the first capture asks for it.
//
// Nothing recognised leaves the screen as it was and says so in a notice that goes by itself:
// no dialog ever waits for the player during a timed quiz.
#pragma once

#include "lookup/recognition/engine.h"
#include "lookup/recognition/ranker.h"
#include "lookup/store/store.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <optional>

class LookupPage;

namespace window {
struct Controls;
}

namespace capture {

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

    // Once the window is on screen: the global key, and the engine loaded in the background.
    void windowShown();

    // F2: capture the remembered region, or choose one first.
    void captureQuestion();
    // Shift+F2: choose the region, then capture it.
    void chooseRegion();

    // For tests: the picture source (the screen by default) and the region file.
    void setGrabber(Grabber grabber) { m_grab = std::move(grabber); }
    void setRegionFile(const QString &file) { m_regionFile = file; }

signals:
    // A capture has been read and listed (true), or has ended with a notice (false).
    void captureFinished(bool answered);

private:
    void showText1Menu(const QPoint &position);
    void captureRegion(const QRect &region);
    void fail(const QString &notice);
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
    std::unique_ptr<GlobalKey> m_globalKey;
    recognition::Engine m_engine;
    bool m_picking = false;

    std::optional<RankedRows> m_ranked;
    std::future<std::optional<RankedRows>>
        m_ranking; // started with the window, taken at the first capture
};

} // namespace capture
