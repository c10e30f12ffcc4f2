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

// "Command7 "Show addresses": 98 px in 97" for each caption that does not
// fit its control beside the style's indicator and margins, or is Chinese.
QStringList overflows(const QWidget *window)
{
    QStringList found;
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        auto pm = [w](QStyle::PixelMetric m) { return w->style()->pixelMetric(m, nullptr, w); };
        QStringList texts;
        int extra = 0, room = w->width();
        QStyleOptionComboBox option; // a combo box's room is its edit field
        option.initFrom(w);
        if (auto *b = qobject_cast<const QAbstractButton *>(w)) {
            texts << b->text();
            extra = qobject_cast<const QCheckBox *>(w)      ? pm(QStyle::PM_IndicatorWidth) + pm(QStyle::PM_CheckBoxLabelSpacing)
                    : qobject_cast<const QRadioButton *>(w) ? pm(QStyle::PM_ExclusiveIndicatorWidth) + pm(QStyle::PM_RadioButtonLabelSpacing)
                                                            : pm(QStyle::PM_ButtonMargin) + 2 * pm(QStyle::PM_DefaultFrameWidth);
        } else if (auto *l = qobject_cast<const QLabel *>(w)) {
            std::tie(texts, room) = std::pair(QStringList{l->text()}, l->contentsRect().width());
        } else if (auto *c = qobject_cast<const QComboBox *>(w)) {
            room = c->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, c).width();
            for (int i = c->currentIndex() < 0 ? -1 : 0; i < c->count(); ++i) texts << (i < 0 ? c->placeholderText() : c->itemText(i)); // the design text while nothing is chosen
        }
        for (const QString &text : texts)
            if (const int needed = w->fontMetrics().horizontalAdvance(text) + extra; !text.isEmpty() && (needed > room || chinese(text)))
                found << QStringLiteral("%1 \"%2\": %3 px in %4").arg(w->objectName(), text).arg(needed).arg(room);
    }
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
    // is in that language, and in English every caption whole.
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
            const QStringList wrong = overflows(w) + (chinese(title) ? QStringList{title} : QStringList());
            if (language == Language::English) QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        }
    }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
