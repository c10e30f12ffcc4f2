// The windows' language: which one the desktop asks for, and the English
// windows at their design size, with the programs' font, showing every
// caption whole and titled as their menu entries are.
#include "console/consolewindow.h"
#include "console/linelogwindow.h"
#include "demo/demowindow.h"
#include "platform/language.h"
#include "simulator/simulatorwindow.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/recordingdialogs.h"
#include "unit/unitline.h"
#include "unit/unitwindow.h"

#include <QTest>
#include <QtWidgets>

using platform::Language;

namespace {
bool chinese(const QString &text) { return text.contains(QRegularExpression(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"))); }

// English words a Chinese window may show: the design's own captions.
bool english(const QString &text)
{
    static const QStringList design{"Continue", "Single", "Kandrel", "DotImage", "Search", "VELK Tally Simulater"};
    QString words = text;
    words.remove(QRegularExpression(QStringLiteral("\\S*/\\S*|\\bCom\\d+"))); // paths and port entries
    for (const QString &word : design) words.remove(word);
    return words.contains(QRegularExpression(QStringLiteral("[A-Za-z]*[a-z][A-Za-z]*[a-z]")));
}

// "Command7 "Show addresses": 98 px in 97" for each caption, placeholder
// or column heading that does not fit its control beside the style's
// indicator and margins, or is not in the window's language.
QStringList overflows(const QWidget *window, Language language)
{
    QStringList found;
    const auto wrongLanguage = [language](const QString &text) { return language == Language::English ? chinese(text) : english(text); };
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        auto pm = [w](QStyle::PixelMetric m) { return w->style()->pixelMetric(m, nullptr, w); };
        QList<std::pair<QString, int>> texts; // and the room for each
        int extra = 0;
        QStyleOptionComboBox option; // a combo box's room is its edit field
        option.initFrom(w);
        if (auto *b = qobject_cast<const QAbstractButton *>(w)) {
            texts << std::pair(b->text(), w->width());
            extra = qobject_cast<const QCheckBox *>(w)      ? pm(QStyle::PM_IndicatorWidth) + pm(QStyle::PM_CheckBoxLabelSpacing)
                    : qobject_cast<const QRadioButton *>(w) ? pm(QStyle::PM_ExclusiveIndicatorWidth) + pm(QStyle::PM_RadioButtonLabelSpacing)
                                                            : pm(QStyle::PM_ButtonMargin) + 2 * pm(QStyle::PM_DefaultFrameWidth);
        } else if (auto *l = qobject_cast<const QLabel *>(w)) {
            texts << std::pair(l->text(), l->contentsRect().width());
        } else if (auto *e = qobject_cast<const QLineEdit *>(w)) {
            texts << std::pair(e->placeholderText(), e->width() - 2 * pm(QStyle::PM_DefaultFrameWidth) - 4);
        } else if (auto *h = qobject_cast<const QHeaderView *>(w); h && h->orientation() == Qt::Horizontal) {
            for (int i = 0; i < h->count(); ++i)
                if (!h->isSectionHidden(i)) texts << std::pair(h->model()->headerData(i, Qt::Horizontal).toString(), h->sectionSize(i) - 2 * pm(QStyle::PM_HeaderMargin));
        } else if (auto *c = qobject_cast<const QComboBox *>(w)) {
            const int room = c->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, c).width();
            for (int i = c->currentIndex() < 0 ? -1 : 0; i < c->count(); ++i) texts << std::pair(i < 0 ? c->placeholderText() : c->itemText(i), room); // the design text while nothing is chosen
        } else if (auto *u = qobject_cast<const unit::UnitView *>(w)) {
            texts << std::pair(u->modeText(), w->width());
        }
        for (const auto &[text, room] : texts)
            if (const int needed = w->fontMetrics().horizontalAdvance(text) + extra; !text.isEmpty() && (needed > room || wrongLanguage(text)))
                found << QStringLiteral("%1 \"%2\": %3 px in %4").arg(w->objectName(), text).arg(needed).arg(room);
    }
    if (wrongLanguage(window->windowTitle())) found << window->windowTitle();
    return found;
}
} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    // Each row: the command line's --lang, when given, then the environment.
    void choice_data()
    {
        QTest::addColumn<bool>("english");
        for (const auto &[row, english] : std::initializer_list<std::pair<const char *, bool>>{
                 {"", false}, {"LANG=en_US.UTF-8", true}, {"LANG=en", true}, {"LANG=zh_CN.UTF-8", false}, {"LANG=de_DE.UTF-8", false},
                 {"LANG=C.UTF-8", false}, {"LANG=eo", false}, {"LC_ALL=C LANG=en_US.UTF-8", false},
                 {"LC_ALL=en_GB.UTF-8 LANG=zh_CN.UTF-8", true}, {"LC_ALL= LC_MESSAGES=en_GB LANG=zh_CN", true},
                 {"LC_MESSAGES=POSIX LANG=en_GB", false}, {"LANGUAGE=en:zh_CN LANG=zh_CN.UTF-8", true},
                 {"LANGUAGE=fr:en_GB LANG=de_DE", true}, {"LANGUAGE=zh_CN:en LANG=en_US", false}, {"LANGUAGE=fr LANG=en_US", false},
                 {"LANGUAGE=en LANG=C", false}, {"LANGUAGE=en", false}, {"--lang zh LANG=en_GB", false}, {"--lang en LC_ALL=C", true}})
            QTest::newRow(row) << english;
    }
    void choice()
    {
        QStringList words = QString::fromLatin1(QTest::currentDataTag()).split(u' ', Qt::SkipEmptyParts);
        const std::optional<QString> option = words.value(0) == u"--lang" ? std::optional(words.value(1)) : std::nullopt;
        QProcessEnvironment env;
        for (const QString &setting : words.mid(option ? 2 : 0)) env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        QTEST(platform::chooseLanguage(option, env) == Language::English, "english");
    }

    // Each window in Chinese, then in English: titled as its menu entry
    // is in that language, every caption whole and in that language (the
    // design's few English captions aside).
    void windows_data()
    {
        QTest::addColumn<int>("unused");
        for (const char *w : {"tally", "log", "kandrel", "velk", "tally-unit"}) QTest::newRow(w) << 0;
    }
    void windows()
    {
        const QString window = QString::fromLatin1(QTest::currentDataTag());
        QSettings entry(QStringLiteral(TALLY_DIST_DIR "/%1.desktop").arg(window), QSettings::IniFormat);
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
        for (const Language language : {Language::Chinese, Language::English}) {
            for (QTranslator *t : qApp->findChildren<QTranslator *>()) delete t; // whichever way the last pass ended
            QVERIFY(platform::installTranslation(*qApp, language));
            testsupport::RecordingBoxes boxes;
            testsupport::RecordingDialogs dialogs;
            platform::SystemClock clock;
            unit::UnitLine line({0x01});
            std::unique_ptr<QWidget> own;
            if (window == u"kandrel") own = std::make_unique<demo::DemoWindow>(platform::PortMap(), boxes, clock);
            else if (window == u"velk") own = std::make_unique<simulator::SimulatorWindow>(platform::PortMap(), boxes);
            else if (window == u"tally-unit") own = std::make_unique<unit::UnitWindow>(line, QStringLiteral("/dev/pts/9"));
            else own = std::make_unique<console::ConsoleWindow>(platform::PortMap(), boxes, dialogs);
            QWidget *w = window == u"log" ? static_cast<console::ConsoleWindow *>(own.get())->showLineLog() : own.get();
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            const QString name = entry.value(language == Language::English ? "Desktop Entry/Name" : "Desktop Entry/Name[zh_CN]").toString(), title = w->windowTitle();
            if (window != u"log") QVERIFY2(title == name || title.startsWith(name + " - "), qPrintable(title + " / " + name));
            const QStringList wrong = overflows(w, language);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        }
    }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
