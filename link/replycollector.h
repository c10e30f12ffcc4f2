// The characters of one reply frame as a controller's receiver gathers
// them, one character per port read. STX empties the buffer; ETX completes
// the frame but leaves it in place, so characters after it are added to
// the old frame until the next STX.
#pragma once

#include "link/frame.h"

#include <QByteArrayView>
#include <QString>

namespace unitlink {

class ReplyCollector {
public:
    // Nothing on the line is longer than an image reply (69 characters), so
    // a frame this long is noise or a line without STX: it is dropped whole
    // rather than kept growing, and collecting starts again at the next STX.
    static constexpr qsizetype kLimit = 4096;

    enum class Fed {
        Started,   // STX: the buffer is empty
        Collected, // the character was added (or there was none to add)
        Completed, // ETX: text() is the frame to act on
        Discarded, // ignored while waiting for STX after an overlong frame
    };

    // What one read of the port gave: one character, or none.
    Fed feed(QByteArrayView read)
    {
        if (read.size() == 1 && read.front() == STX) {
            m_text.clear();
            m_discarding = false;
            return Fed::Started;
        }
        if (m_discarding) return Fed::Discarded;
        if (read.size() == 1 && read.front() == ETX) return Fed::Completed;
        if (m_text.size() + read.size() > kLimit) {
            m_text.clear();
            m_discarding = true;
            return Fed::Discarded;
        }
        m_text.append(QString::fromLatin1(read));
        return Fed::Collected;
    }

    const QString &text() const { return m_text; }

private:
    QString m_text;
    bool m_discarding = false;
};

} // namespace unitlink
