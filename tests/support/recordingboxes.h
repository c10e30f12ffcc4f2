// Message boxes that tests answer: every call is recorded, answers are
// scripted (OK when none is left), and an optional hook runs while the
// "box" is open, as the operator's reading time would.
#pragma once

#include "platform/messageboxes.h"

#include <QList>
#include <functional>

namespace testsupport {

class RecordingBoxes : public platform::MessageBoxes {
public:
    struct Call {
        Icon icon;
        Buttons buttons;
        QString title, text;
    };

    QList<Call> calls;
    QList<Button> answers;
    std::function<void()> whileOpen;

protected:
    Button ask(Icon icon, Buttons buttons, const QString &title, const QString &text) override
    {
        calls.append({icon, buttons, title, text});
        if (whileOpen) whileOpen();
        if (answers.isEmpty()) return buttons == Buttons::RetryCancel ? Button::Retry : Button::Ok;
        return answers.takeFirst();
    }
};

} // namespace testsupport
