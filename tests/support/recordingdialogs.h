// File dialogs that tests answer: each call takes the next scripted name
// (an empty one is a cancelled dialog) and records the filter it was shown.
#pragma once

#include "platform/filedialogs.h"

#include <QStringList>

namespace testsupport {

class RecordingDialogs : public platform::FileDialogs {
public:
    QStringList names;
    QStringList filters;

    QString openFile(const QString &filter) override { return next(filter); }
    QString saveFile(const QString &filter) override { return next(filter); }

private:
    QString next(const QString &filter)
    {
        filters << filter;
        return names.isEmpty() ? QString() : names.takeFirst();
    }
};

} // namespace testsupport
