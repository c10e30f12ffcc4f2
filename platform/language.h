// Which language the windows speak. The design's texts are written in
// Chinese, those added since in English; each desktop gets the translation
// built into the program for the other.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <optional>

class QCoreApplication;

namespace platform {

enum class Language { Chinese, English };

// --lang (zh or en) wins when given. Otherwise the language messages are
// shown in on this desktop, decided as the C library does: the locale is
// LC_ALL, else LC_MESSAGES, else LANG (the first one set and not empty);
// under C or POSIX (or none) nothing is translated and LANGUAGE is not
// read; otherwise LANGUAGE's colon list, when given, is tried in order and
// its first language with a catalogue here (Chinese or English) wins, and
// without LANGUAGE the locale's language does. English in any region is
// English; every other language gets the texts as written, in Chinese.
Language chooseLanguage(const std::optional<QString> &option, const QProcessEnvironment &environment);

// Loads the built-in translation for the language into the application.
// False when it cannot be found.
bool installTranslation(QCoreApplication &app, Language language);

} // namespace platform
