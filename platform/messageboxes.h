// Modal message boxes behind an interface, so that tests can answer them.
#pragma once

#include "platform/modalgate.h"

#include <QString>

class QWidget;

namespace platform {

class MessageBoxes {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, OkCancel, RetryCancel };
    enum class Button { Ok, Cancel, Retry };

    virtual ~MessageBoxes() = default;
    // Holds the modal gate while the box is open, whichever implementation
    // shows it: the handler that asked runs to its end before anything else.
    Button show(Icon icon, Buttons buttons, const QString &title, const QString &text)
    {
        const ModalGate::Hold hold;
        return ask(icon, buttons, title, text);
    }

protected:
    virtual Button ask(Icon icon, Buttons buttons, const QString &title, const QString &text) = 0;
};

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

protected:
    Button ask(Icon icon, Buttons buttons, const QString &title, const QString &text) override;

private:
    QWidget *m_parent;
};

} // namespace platform
