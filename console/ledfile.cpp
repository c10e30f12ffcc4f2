#include "console/ledfile.h"

namespace console {

QString ledFileText(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size() + bytes.size() / 16 + 2);
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        text += QString::fromLatin1(bytes.sliced(start, end - start));
        text += QStringLiteral("\r\n");
        if (end < bytes.size() && bytes[end] == '\r') ++end;
        if (end < bytes.size() && bytes[end] == '\n') ++end;
        start = end;
    }
    return text;
}

QByteArray ledFileBytes(const QString &hexText)
{
    return (hexText + QStringLiteral("\r\n")).toLatin1();
}

} // namespace console
