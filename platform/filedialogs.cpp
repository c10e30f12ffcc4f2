#include "platform/filedialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace platform {

QString qtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts.at(i);
        const QString patterns = QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (description.isEmpty() && patterns.isEmpty()) continue;
        const QString own = QLatin1Char('(') + patterns + QLatin1Char(')');
        entries << (description.endsWith(own) ? description : description + QLatin1Char(' ') + own);
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtFileDialogs::chooseOpen(const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, QString(), QString(), qtNameFilters(filter));
}

QString QtFileDialogs::chooseSave(const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, QString(), QString(), qtNameFilters(filter));
}

} // namespace platform
