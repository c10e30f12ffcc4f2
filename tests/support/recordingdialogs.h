// File dialogs that tests answer: each call takes the next scripted name
// (an empty one is a cancelled dialog) and records the filter it was shown;
// an optional hook runs while the dialog is open.
#pragma once

#include "platform/filedialogs.h"

#include <QStringList>
#include <functional>

namespace testsupport {

class RecordingDialogs : public platform::FileDialogs {
public:
    QStringList names;
    QStringList filters;
    std::function<void()> whileOpen;

protected:
    QString chooseOpen(const QString &filter) override { return next(filter); }
    QString chooseSave(const QString &filter) override { return next(filter); }

private:
    QString next(const QString &filter)
    {
        filters << filter;
        if (whileOpen) whileOpen();
        return names.isEmpty() ? QString() : names.takeFirst();
    }
};

} // namespace testsupport
