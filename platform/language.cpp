#include "platform/language.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTranslator>

namespace platform {

namespace {
// "en_GB.UTF-8" -> "en", "zh_CN" -> "zh", "C.UTF-8" -> "C".
QString languagePart(const QString &locale)
{
    qsizetype end = 0;
    while (end < locale.size() && locale.at(end) != u'_' && locale.at(end) != u'.' && locale.at(end) != u'@') ++end;
    return locale.left(end);
}

std::optional<Language> catalogueFor(const QString &locale)
{
    const QString language = languagePart(locale);
    if (language == u"en") return Language::English;
    if (language == u"zh") return Language::Chinese;
    return std::nullopt;
}
} // namespace

Language chooseLanguage(const std::optional<QString> &option, const QProcessEnvironment &environment)
{
    if (option) return *option == u"en" ? Language::English : Language::Chinese;

    QString locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = environment.value(QString::fromLatin1(name));
        if (!locale.isEmpty()) break;
    }
    const QString language = languagePart(locale);
    if (language.isEmpty() || language == u"C" || language == u"POSIX") return Language::Chinese;

    // Given, LANGUAGE replaces the locale's language, even when none of its
    // languages has a catalogue: then the texts stay as written.
    const QStringList preferred = environment.value(QStringLiteral("LANGUAGE")).split(u':', Qt::SkipEmptyParts);
    if (!preferred.isEmpty()) {
        for (const QString &entry : preferred)
            if (const std::optional<Language> found = catalogueFor(entry)) return *found;
        return Language::Chinese;
    }
    return catalogueFor(locale).value_or(Language::Chinese);
}

bool installTranslation(QCoreApplication &app, Language language)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(language == Language::English ? QStringLiteral(":/i18n/tally_en.qm")
                                                        : QStringLiteral(":/i18n/tally_zh_CN.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace platform
