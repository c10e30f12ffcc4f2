// Every program's command line, run as built: --help and --version end at
// once with 0, a bad option prints the error and the usage on stderr with 2,
// and --ports is the list the program opens, whatever TALLY_SERIAL_PORTS says;
// tally-unit's --link, and the README's provisioning script through it.
#include "tests/support/files.h"
#include "tests/support/pty.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace {
// tally-unit --headless --link tally-unit (in $XDG_RUNTIME_DIR), ended by SIGTERM.
struct LinkedUnit : QProcess {
    LinkedUnit() { start(TALLY_UNIT_BIN, {"--headless", "--quiet", "--link", "tally-unit"}); }
    ~LinkedUnit() { terminate(); waitForFinished(); }
};
const QString kBin[][2] = {{"tally", TALLY_BIN}, {"kandrel", KANDREL_BIN}, {"velk", VELK_BIN}, {"tally-unit", TALLY_UNIT_BIN}};
constexpr int kRunsWithPortOpen = -1;
} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void options_data()
    {
        QTest::addColumn<QString>("binary");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        for (const auto &[name, binary] : kBin) {
            const bool unit = name == "tally-unit";
            const auto row = [&](const char *option) -> QTestData & {
                return QTest::addRow("%s %s", qPrintable(name), option) << binary << QString(option).split(' ');
            };
            row("--help") << 0 << QString(unit ? "  --system-ports" : "  --ports <list>");
            row("--version") << 0 << name + " " TALLY_VERSION "\n";
            row("--bogus") << 2 << QString("Unknown option 'bogus'.");
            row("--lang fr") << 2 << QString("--lang takes zh or en, not 'fr'.");
            row("--ports PTY") << (unit ? 2 : kRunsWithPortOpen) << QString(unit ? "Unknown option 'ports'." : "");
            // One ending signal each: every one of them must be watched.
            const char *ending = name == "tally" ? "SIGINT" : name == "kandrel" ? "SIGTERM" : "SIGHUP";
            if (!unit) QTest::addRow("%s --ports PTY, %s", qPrintable(name), ending) << binary << QStringList{"--ports", "PTY"} << kRunsWithPortOpen << QString();
        }
    }
    void options()
    {
        QFETCH(QString, binary);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        testsupport::Pty listed, fromEnvironment;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TALLY_SERIAL_PORTS", fromEnvironment.slavePath());
        program.setProcessEnvironment(environment);
        // The ptys' descriptors stay here: the program opens what it is told.
        program.setChildProcessModifier([] { ::close_range(3, ~0U, 0); });
        program.start(binary, arguments.replaceInStrings("PTY", listed.slavePath()));
        if (exitCode == kRunsWithPortOpen) {
            QTRY_VERIFY_WITH_TIMEOUT(testsupport::holdsOpen(program.processId(), listed.slavePath()), 10000);
            QVERIFY(!testsupport::holdsOpen(program.processId(), fromEnvironment.slavePath()));
            // Ctrl-C, a logout or a kill ends it as closing the window does: the port's lock goes with it.
            const QString lock = "/var/lock/LCK.." + listed.slavePath().mid(5).replace('/', '_');
            const QByteArray tag = QTest::currentDataTag();
            if (tag.contains(", SIG")) {
                QVERIFY(QFile::exists(lock));
                ::kill(program.processId(), tag.endsWith("SIGINT") ? SIGINT : tag.endsWith("SIGHUP") ? SIGHUP : SIGTERM);
                QVERIFY(program.waitForFinished(10000) && program.exitStatus() == QProcess::NormalExit);
                QVERIFY(!QFile::exists(lock));
                return;
            }
            listed.closeMaster(); // a hung-up port is closed at once
            QTRY_VERIFY_WITH_TIMEOUT(!testsupport::holdsOpen(program.processId(), listed.slavePath()), 10000);
            program.kill();
            QVERIFY(program.waitForFinished());
            return;
        }
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString out = exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
        QVERIFY2(out.contains(output), qPrintable(out));
        if (exitCode != 0) QVERIFY2(out.contains("Usage: " + QFileInfo(binary).fileName() + " [options]"), qPrintable(out));
    }

    // Over a plain SSH login: no display and no platform asked for. The
    // window programs say so and end with 1 rather than abort; tally-unit
    // without its window needs none.
    void noDisplay_data()
    {
        QTest::addColumn<QString>("binary");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        for (const auto &[name, binary] : kBin)
            QTest::addRow("%s", qPrintable(name)) << binary << QStringList() << 1 << name + ": no display: run it from a desktop session, or under xvfb-run\n";
        QTest::addRow("tally-unit --headless --system-ports") << TALLY_UNIT_BIN << QStringList{"--headless", "--system-ports"} << 0 << QString();
    }
    void noDisplay()
    {
        QFETCH(QString, binary);
        QFETCH(QStringList, arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(name);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(binary, arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QTEST(program.exitCode(), "exitCode");
        QTEST(QString(program.readAllStandardError()), "error");
    }

    // --link, and what it is for: with nothing in the way, the README's
    // provisioning script (between its markers, run by sh as it stands) finds
    // the unit through the link as the README shows, the Enters typed.
    void unitLink_data()
    {
        QTest::addColumn<QString>("there"); // at the link's path before
        QTest::addColumn<int>("exitCode"); // 0: ran until SIGTERM
        QTest::newRow("nothing: the README's script") << "" << 0;
        QTest::newRow("a link to a pty gone, no lock: replaced") << "link" << 0;
        QTest::newRow("a file: kept") << "file" << 1;
        QTest::newRow("the link of a tally-unit running: kept") << "unit" << 1;
    }
    void unitLink()
    {
        QFETCH(QString, there);
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const QString link = runtime.filePath("tally-unit");
        QVERIFY(there != "file" || testsupport::writeFile(link, "notes"));
        QVERIFY(there != "link" || QFile::link("/dev/pts/999999", link));
        std::optional<LinkedUnit> first;
        if (there == "unit") first.emplace();
        QTRY_VERIFY(!first || first->canReadLine());
        LinkedUnit unit;
        QTRY_VERIFY(unit.canReadLine() || unit.state() == QProcess::NotRunning);
        QCOMPARE(QString((first ? *first : unit).readLine().trimmed()), there == "file" ? QString() : link); // the link, where a bare name leads
        QVERIFY(there == "file" || QFile::symLinkTarget(link).startsWith("/dev/pts/"));
        if (there.isEmpty()) {
            const QString readme = testsupport::fileBytes(TALLY_README);
            const qsizetype from = readme.indexOf("```sh\n", readme.indexOf("<!-- provisioning script")) + 6;
            const QString script = readme.mid(from, readme.lastIndexOf("```", readme.indexOf("<!-- end -->", from)) - from);
            qputenv("TALLY_SERIAL_PORTS", "tally-unit");
            qputenv("PATH", QFile::encodeName(QFileInfo(TALLYCTL_BIN).path()) + ":" + qgetenv("PATH"));
            QProcess sh;
            sh.start("sh", {"-c", script + "\ntallyctl read prom 05\ntallyctl read ram 05\n"});
            sh.write("\n\n\n\n\n");
            sh.closeWriteChannel();
            QVERIFY(sh.waitForFinished(60000));
            const QString out = sh.readAllStandardOutput(), cam5 = "00 7C 82 82 82 44 00 7E 88 88 88 7E 00 FE 40 20 40 FE 00 00 00 00 00 00 00 E4 A2 A2 A2 9C 00 00\n";
            QVERIFY2(sh.exitCode() == 0 && out.endsWith("Now all on one line:\n05\n" + cam5 + cam5), qPrintable(out + sh.readAllStandardError()));
        }
        unit.terminate();
        unit.waitForFinished();
        QTEST(unit.exitCode(), "exitCode");
        first.reset();
        QCOMPARE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), there == "file" ? QStringList{"tally-unit"} : QStringList{});
        QVERIFY(there != "file" || testsupport::fileBytes(link) == "notes");
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_cli.moc"
