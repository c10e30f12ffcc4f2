// A symbolic link at a fixed path to the line tally-unit answers on, so
// that scripts, --ports and menu launches can name a pty whose number
// changes with every run.
#pragma once

#include <QLockFile>
#include <QString>

#include <optional>

namespace unit {

class DeviceLink {
public:
    // A bare name (no "/") is taken in the user's runtime folder, where the
    // other programs look a bare name up: a menu entry's command line cannot
    // name that folder itself. Any other path is taken as given.
    static QString resolve(const QString &given);

    DeviceLink() = default;
    // Removes the link, unless something else has been put in its place.
    ~DeviceLink();
    Q_DISABLE_COPY(DeviceLink)

    // Points path at device. A link left by a tally-unit that has gone is
    // replaced; false, with the reason, when the path is a file (or anything
    // but a link) or the link of a tally-unit still running. Whose it is
    // tells a lock file beside it (path.lock), which names the process.
    bool make(const QString &path, const QString &device, QString *error);

private:
    QString m_path;
    QString m_device;
    std::optional<QLockFile> m_lock;
};

} // namespace unit
