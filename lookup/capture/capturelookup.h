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

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <vector>

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
    // The folder whose crvt.dat is searched, as the search finds it.
    using StoreFolder = std::function<QString()>;

    CaptureLookup(const window::Controls &controls, LookupPage &lookup);
    ~CaptureLookup() override;

    // Once the window is on screen: the global key, and the engine loaded in the background.
    void windowShown();

    // F2: capture the remembered region, or choose one first.
    void captureQuestion();
    // Shift+F2: choose the region, then capture it.
    void chooseRegion();

    // For tests: the picture source (the screen by default), the region file and the store.
    void setGrabber(Grabber grabber) { m_grab = std::move(grabber); }
    void setRegionFile(const QString &file) { m_regionFile = file; }
    void setStoreFolder(StoreFolder folder) { m_storeFolder = std::move(folder); }

signals:
    // A capture has been read and listed (true), or has ended with a notice (false).
    void captureFinished(bool answered);

private:
    void showText1Menu(const QPoint &position);
    void captureRegion(const QRect &region);
    void fail(const QString &notice);
    // The ranker over the store's questions, made again only when the store file changed.
    bool refreshQuestions(QString *failure);

    // The store the ranker was made from, and its rows in store order.
    struct Questions
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        std::shared_ptr<const std::vector<store::CvRow>> rows;
        recognition::Ranker ranker;
        QString failure; // why the store could not be read; rows are null then
    };
    // Reads the store at `path` and indexes its questions: a tenth of a second for the shipped
    // store, seconds for a hundred thousand rows, hence done ahead in the background.
    static Questions loadQuestions(const QString &path);

    const window::Controls &m_controls;
    LookupPage &m_lookup;
    Grabber m_grab;
    StoreFolder m_storeFolder;
    QString m_regionFile;
    std::unique_ptr<GlobalKey> m_globalKey;
    recognition::Engine m_engine;
    bool m_picking = false;

    Questions m_questions;
    std::future<Questions> m_loading; // started with the window, taken at the first capture
};

} // namespace capture
