// The entries of velk's port list: "Com<n>" (platform::portEntry) for each
// port that could be opened, then "Search". The port number is read back from the entry's
// text, so the list may have gaps.
#pragma once

#include <QString>

namespace simulator {

inline const QString kSearchEntry = QStringLiteral("Search");

struct PortChoice {
    enum Kind { Nothing, OpenPort, Search };
    Kind kind = Nothing;
    int port = 0;
    friend bool operator==(const PortChoice &, const PortChoice &) = default;
};

// What choosing an entry asks for: the number after "Com" (characters 4
// and 5), a new search, or nothing.
PortChoice portChoice(const QString &entry);

} // namespace simulator
