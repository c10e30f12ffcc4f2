// Controls with the event rules the windows are written against.
#pragma once

#include <QComboBox>
#include <QObject>
#include <QPlainTextEdit>
#include <functional>

class QWidget;

namespace platform {

// A drop-down list whose click handler runs when the operator chooses an
// entry (even the one already shown) and when the program moves the list
// position; setting the position it already has runs nothing. Position -1
// shows the design text.
class ListCombo : public QComboBox {
    Q_OBJECT
public:
    explicit ListCombo(const QString &designText, QWidget *parent = nullptr);

    int listIndex() const { return currentIndex(); }
    void setListIndex(int index);
    // Shows a text without choosing an entry; the handler does not run.
    void setShownText(const QString &text);
    QString shownText() const;

signals:
    void click();

private:
    QString m_designText;
};

// Calls the handler with the key's character code on every key press of
// the watched widget; the key still reaches the widget.
class KeyPressHook : public QObject {
    Q_OBJECT
public:
    KeyPressHook(QWidget *watched, std::function<void(int keyAscii)> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(int)> m_handler;
};

// A multi-line text box that gives back exactly the text it was given,
// CR LF pairs included (a text document would turn every CR into a
// paragraph break and shift character positions). The operator's edits
// become the text as typed.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);
    QString text() const { return m_text; }
    void setText(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showText();

    QString m_text;
    bool m_setting = false;
    bool m_shownStale = false; // m_text not yet laid out: set while hidden
};

// Places a window in the middle of the primary screen.
void centreOnScreen(QWidget *window);

// Where a second window goes so that it covers none of the first (owner):
// on the side of the owner with the most room, sized to that room between
// minimum and preferred; over the owner only where no side has the minimum.
// Frames and screen in the same coordinates.
QRect placeBeside(const QRect &owner, const QRect &screen, QSize preferred, QSize minimum);
// Moves and sizes window by placeBeside next to owner, on owner's screen.
void showBeside(QWidget *window, const QWidget *owner, QSize minimum);

// Bold or normal caption.
void setBold(QWidget *w, bool bold);

} // namespace platform
