// Port selection shared by the console and the demonstration driver.
#pragma once

#include "platform/serialline.h"

#include <QStringList>

namespace platform {

inline constexpr int kPortCount = 16;

// Step codes of TryOpenPort: the step under way when it failed, or 6.
enum TryOpenStep { ReadingOpen = 2, Closing = 3, SettingPort = 4, Opening = 5, PortReady = 6 };

// The list entry of a port number: "Com1" ... "Com16".
QString portEntry(int port);
// Every entry, port 1 first.
QStringList portEntries();

[[nodiscard]] int TryOpenPort(SerialLine &line, int port);

// Ports 1..16 in order; the first that opens is returned (0: none). The port
// found is left open; the caller selects its list entry, whose click
// handler closes and reopens it.
[[nodiscard]] int startupSearch(SerialLine &line);

// The port-choice steps: close if open, set the port number, open. The
// first failure ends it and is returned.
PortResult choosePort(SerialLine &line, int port);

// "Prompt" box text: the number, the separator and the description.
QString promptText(const PortError &e, const QString &separator = QStringLiteral(": "));

} // namespace platform
