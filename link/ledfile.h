// .LED image files: one line of hex image text, CR LF.
#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace unitlink {

// An image file is 98 bytes; anything this large is not one.
inline constexpr qint64 kLedFileLimit = 64 * 1024;

// The hex image text an opened file gives: each line, whatever ended it
// (CR LF, CR or LF), followed by CR LF. Bytes are taken as they are, so a
// binary file reads like any other text.
QString ledFileText(QByteArrayView bytes);

// What a save writes: the hex image text and CR LF.
QByteArray ledFileBytes(const QString &hexText);

// Reads a file as the open command does: its hex image text, or why it
// was refused (then the text is empty and nothing may change).
struct [[nodiscard]] LedFileRead {
    QString text;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
LedFileRead readLedFile(const QString &name);

// Saves the hex image text, or says why it could not.
using LedFileWrite = Outcome<QString>;
LedFileWrite writeLedFile(const QString &name, const QString &hexText);

} // namespace unitlink
