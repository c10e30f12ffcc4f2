// What a reader could not read and dropped, counted the one way every
// reader counts it: since the start, and what is still to be told.
#pragma once

#include <QtGlobal>

#include <utility>

namespace bridge {

class MalformedCount {
public:
    MalformedCount &operator++()
    {
        ++m_count;
        return *this;
    }
    // Since the start.
    operator qint64() const { return m_count; }
    // Since the last take: what the log has not been told of yet.
    qint64 take() { return m_count - std::exchange(m_taken, m_count); }

private:
    qint64 m_count = 0;
    qint64 m_taken = 0;
};

} // namespace bridge
