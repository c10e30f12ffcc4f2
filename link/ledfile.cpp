#include "link/ledfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace unitlink {

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

LedFileRead readLedFile(const QString &name)
{
    const QFileInfo info(name);
    if (info.isDir()) return {{}, QStringLiteral("This is a folder, not an image file.")};
    // Opening a pipe or a device waits for a writer that may never come.
    if (info.exists() && !info.isFile()) return {{}, QStringLiteral("This is not a regular file, not an image file.")};
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return {{}, file.errorString()};
    // One byte past the limit tells a file that is too large, whatever size
    // the file system claims.
    const QByteArray bytes = file.read(kLedFileLimit + 1);
    if (file.error() != QFileDevice::NoError) return {{}, file.errorString()};
    if (bytes.size() > kLedFileLimit)
        return {{},
                QStringLiteral("The file is larger than %1 KiB: it is not an image file.").arg(kLedFileLimit / 1024)};
    return {ledFileText(bytes), {}};
}

LedFileWrite writeLedFile(const QString &name, const QString &hexText)
{
    // Written beside the target and renamed over it, so that a failed save
    // never leaves a half-written or emptied image file behind.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    // A short write (a full disk) only shows when the buffer goes out, and
    // commit() would still rename the cut file over the old one.
    const QByteArray bytes = ledFileBytes(hexText);
    if (file.write(bytes) != bytes.size() || !file.flush())
        return QStringLiteral("Only part of the image could be written: is the disk full?");
    if (!file.commit()) return file.errorString();
    return {};
}

} // namespace unitlink
