// Files a test lays out before the program under test runs and reads back after.
#pragma once

#include <QFile>

namespace testsupport {

// Writes `bytes` as the whole file; false when that fails.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The file's bytes, or why it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "cannot read: " + file.errorString().toUtf8();
}

} // namespace testsupport
