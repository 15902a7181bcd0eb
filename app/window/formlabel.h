// The window's label: a QLabel whose caption change and click can drive behaviour. It shows its
// caption as plain text, whatever the caption holds (a question from a player's store may look
// like markup).
#pragma once

#include <QLabel>

class FormLabel : public QLabel
{
    Q_OBJECT
public:
    explicit FormLabel(QWidget *parent = nullptr);

    // Setting the caption through this class raises captionChanged() at once, before
    // setText() returns, when the text differs from the one shown. The calculators rely on
    // this: a hidden label's change refreshes its visible twin in the same handling.
    void setText(const QString &text);

    // Labels that size themselves to their text keep their left edge and grow to the right.
    void setAutoSize(bool on);
    bool autoSize() const { return m_autoSize; }

signals:
    void captionChanged(const QString &text);
    void clicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_autoSize = false;
    // A double-click is one click, then a double-click: its second release is no click.
    bool m_inDoubleClick = false;
};

// The expand/collapse strip: its caption is drawn wrapped into the narrow column so that the
// runs of spaces set the vertical distance between the stacked characters and arrows.
class StripLabel : public FormLabel
{
    Q_OBJECT
public:
    using FormLabel::FormLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};
