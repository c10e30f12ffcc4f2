#include "platform/controls.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

namespace platform {

ListCombo::ListCombo(const QString &designText, QWidget *parent) : QComboBox(parent), m_designText(designText)
{
    // The placeholder must be in place before entries are added, or the
    // first entry becomes the current one.
    setPlaceholderText(designText);
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this, [this] { emit click(); });
}

void ListCombo::setListIndex(int index)
{
    if (index < -1 || index >= count()) index = -1;
    if (index == -1) setPlaceholderText(m_designText);
    if (index == currentIndex()) return;
    setCurrentIndex(index);
    emit click();
}

void ListCombo::setShownText(const QString &text)
{
    // An empty placeholder at -1 would make Qt show entry 0 instead.
    setCurrentIndex(-1);
    setPlaceholderText(text.isEmpty() ? QStringLiteral(" ") : text);
}

QString ListCombo::shownText() const
{
    return currentIndex() >= 0 ? currentText() : placeholderText();
}

KeyPressHook::KeyPressHook(QWidget *watched, std::function<void(int)> handler)
    : QObject(watched), m_handler(std::move(handler))
{
    watched->installEventFilter(this);
}

bool KeyPressHook::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        int code = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            code = 13;
        else if (!key->text().isEmpty())
            code = key->text().at(0).unicode();
        if (code != 0) m_handler(code);
    }
    return false;
}

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_setting) m_text = toPlainText();
    });
}

void TextBox::setText(const QString &text)
{
    if (text == m_text) return;
    m_text = text;
    // Laying text out costs more than everything else a downloaded image
    // does; a box nobody sees (the console's image text, most of the time)
    // catches up when it is shown.
    if (!isVisible()) {
        m_shownStale = true;
        return;
    }
    showText();
}

void TextBox::showText()
{
    m_shownStale = false;
    m_setting = true;
    setPlainText(m_text);
    m_setting = false;
}

void TextBox::showEvent(QShowEvent *event)
{
    if (m_shownStale) showText();
    QPlainTextEdit::showEvent(event);
}

void centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void setBold(QWidget *w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

} // namespace platform
