// Every program's command line, run as built: --help and --version end at
// once with 0, a bad option prints the error and the usage on stderr with 2,
// and --ports is the list the program opens, whatever TALLY_SERIAL_PORTS says.
#include "tests/support/pty.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <unistd.h>

namespace {
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
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("TALLY_SERIAL_PORTS", fromEnvironment.slavePath());
        program.setProcessEnvironment(environment);
        // The ptys' descriptors stay here: the program opens what it is told.
        program.setChildProcessModifier([] { ::close_range(3, ~0U, 0); });
        program.start(binary, arguments.replaceInStrings("PTY", listed.slavePath()));
        if (exitCode == kRunsWithPortOpen) {
            QTRY_VERIFY_WITH_TIMEOUT(testsupport::holdsOpen(program.processId(), listed.slavePath()), 10000);
            QVERIFY(!testsupport::holdsOpen(program.processId(), fromEnvironment.slavePath()));
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
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_cli.moc"
