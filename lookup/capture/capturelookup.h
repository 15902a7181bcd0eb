// Reading the quiz question off the screen, on page 0: F2 in the window, Ctrl+Alt+Q anywhere
// on the desktop, or an entry of Text1's context menu captures the region where the game shows
// its question, recognises the text and lists the store's questions that explain it best,
// best first, exactly as a search lists its matches. Text1 is left as it is. Shift+F2 (and a
// second entry) chooses the region again; the first capture asks for it.
//
// Nothing recognised leaves the screen as it was and says so in a notice that goes by itself:
// no dialog ever waits for the player during a timed quiz.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LookupPage;
class QLineEdit;
class QThread;
class QWidget;

namespace capture {

class GlobalKey;

// The engine behind a capture, as the program wires it.
struct Recogniser
{
    struct Text
    {
        QString text;    // what was read
        QString failure; // why nothing could be read (no engine, no language data...)
    };
    struct Candidate
    {
        QString question, answer;
    };
    // Loads the engine; run once, in the background, after the window shows.
    std::function<void()> warm;
    std::function<Text(const QImage &)> read;
    // The store's questions that explain `text`, best first; empty when none does.
    std::function<std::vector<Candidate>(const QString &text)> rank;
};

class CaptureLookup : public QObject
{
    Q_OBJECT
public:
    using Grabber = std::function<QImage(const QRect &region, QString *failure)>;

    CaptureLookup(QWidget &window, QLineEdit &text1, LookupPage &lookup, Recogniser recogniser);
    ~CaptureLookup() override;

    // Once the window is on screen: the global key, and the engine warmed in the background.
    void windowShown();

    // F2: capture the remembered region, or choose one first.
    void captureQuestion();
    // Shift+F2: choose the region, then capture it.
    void chooseRegion();

    // For tests: the picture source (the screen by default) and the region file.
    void setGrabber(Grabber grabber) { m_grab = std::move(grabber); }
    void setRegionFile(const QString &file) { m_regionFile = file; }

signals:
    // A capture has been read and shown, or has failed with a notice: for tests and tools.
    void captureFinished(bool answered);

private:
    void showText1Menu(const QPoint &position);
    void captureRegion(const QRect &region);
    void waitForEngine();

    QWidget &m_window;
    QLineEdit &m_text1;
    LookupPage &m_lookup;
    Recogniser m_recogniser;
    Grabber m_grab;
    QString m_regionFile;
    std::unique_ptr<GlobalKey> m_globalKey;
    QThread *m_warming = nullptr;
    bool m_warmed = false;
    bool m_picking = false;
};

} // namespace capture
