#include "platform/controls.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <utility>

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

QRect placeBeside(const QRect &owner, const QRect &screen, QSize preferred, QSize minimum)
{
    const QSize fit = preferred.boundedTo(screen.size());
    // Along the owner's edge the window lines up with the owner and is
    // pushed back onto the screen where it would run off.
    const auto along = [](int ownerStart, int length, int screenStart, int screenLength) {
        return std::max(screenStart, std::min(ownerStart, screenStart + screenLength - length));
    };
    const int right = screen.x() + screen.width() - (owner.x() + owner.width());
    const int left = owner.x() - screen.x();
    const int below = screen.y() + screen.height() - (owner.y() + owner.height());
    const int above = owner.y() - screen.y();
    const int top = along(owner.y(), fit.height(), screen.y(), screen.height());
    const int start = along(owner.x(), fit.width(), screen.x(), screen.width());
    const int wRight = std::min(fit.width(), right), wLeft = std::min(fit.width(), left);
    const int hBelow = std::min(fit.height(), below), hAbove = std::min(fit.height(), above);
    const bool tallEnough = fit.height() >= minimum.height(), wideEnough = fit.width() >= minimum.width();
    const std::pair<bool, QRect> sides[] = {
        {tallEnough && right >= minimum.width(), {owner.x() + owner.width(), top, wRight, fit.height()}},
        {tallEnough && left >= minimum.width(), {owner.x() - wLeft, top, wLeft, fit.height()}},
        {wideEnough && below >= minimum.height(), {start, owner.y() + owner.height(), fit.width(), hBelow}},
        {wideEnough && above >= minimum.height(), {start, owner.y() - hAbove, fit.width(), hAbove}},
    };
    QRect best;
    for (const auto &[fits, place] : sides) {
        const auto area = [](const QRect &r) { return qint64(r.width()) * r.height(); };
        if (fits && area(place) > area(best)) best = place;
    }
    if (best.isValid()) return best;
    // No side has room: at the screen's right edge, over the owner's right part.
    return {screen.x() + screen.width() - fit.width(), top, fit.width(), fit.height()};
}

void showBeside(QWidget *window, const QWidget *owner, QSize minimum)
{
    // A window not yet shown has no frame: take the owner's as its measure.
    const QRect frame = owner->frameGeometry(), inner = owner->geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
    const QSize edges(margins.left() + margins.right(), margins.top() + margins.bottom());
    const QRect screen = owner->screen()->availableGeometry();
    const QRect outer = placeBeside(frame, screen, window->size() + edges, minimum + edges);
    window->setGeometry(outer.marginsRemoved(margins));
}

void setBold(QWidget *w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

} // namespace platform
