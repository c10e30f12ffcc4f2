// The dot image, its hex image text, the data listing and .LED files, without a window.
#include "console/dotimage.h"
#include "link/ledfile.h"
#include "tests/support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace console;
using namespace unitlink;

namespace {
const QString kZeros = QString("00 ").repeated(32);
} // namespace

class TestImage : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    // A reader that loops on a line end grows its text without end: under
    // this cap it fails in a second instead of taking the machine's memory
    // (the sanitizer builds need their address space and go without).
    void initTestCase()
    {
#ifdef TALLY_TEST_MEMORY_MB
        rlimit cap{};
        QVERIFY(getrlimit(RLIMIT_AS, &cap) == 0);
        cap.rlim_cur = std::min<rlim_t>(cap.rlim_cur, rlim_t(TALLY_TEST_MEMORY_MB) << 20);
        QVERIFY(setrlimit(RLIMIT_AS, &cap) == 0);
#endif
    }

    void cells_data()
    {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QPoint>("cell");  // column, row
        QTest::newRow("199.9, 1599") << QPointF(199.9, 1599) << QPoint(0, 7);
        QTest::newRow("6399, 200") << QPointF(6399, 200) << QPoint(31, 1);
        QTest::newRow("far edge 6400, 1600") << QPointF(6400, 1600) << QPoint(31, 7);
        QTest::newRow("before the near edge") << QPointF(-5, -5) << QPoint(0, 0);
    }
    void cells()
    {
        QFETCH(QPointF, at);
        const Cell c = cellAt(at.x(), at.y());
        QTEST(QPoint(c.column, c.row), "cell");
    }

    void hexText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("lower case") << "a5 0f" << "A5 0F " + QString("00 ").repeated(30);
        QTest::newRow("space inside a pair") << " 1 2" << "01 02 " + QString("00 ").repeated(30);
        QTest::newRow("01 CR LF 2 03: the line end takes two places") << "01\r\n2 03" << "01 02 03 " + QString("00 ").repeated(29);
        QTest::newRow("empty") << "" << kZeros;
    }
    void hexText()
    {
        QFETCH(QString, text);
        QTEST(dotsToHex(hexToDots(text)), "written");
    }

    void listing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("02: bit 4") << "DB 008H, 009H, 00CH, 00DH, 028H, 029H, 02CH, 02DH ;02";
        QTest::newRow("04: bit 5") << "DB 040H, 041H, 044H, 045H, 060H, 061H, 064H, 065H ;04";
        QTest::newRow("08: bit 6") << "DB 010H, 011H, 014H, 015H, 030H, 031H, 034H, 035H ;08";
        QTest::newRow("16: bit 7") << "DB 080H, 081H, 084H, 085H, 0A0H, 0A1H, 0A4H, 0A5H ;16";
    }
    void listing()
    {
        QFETCH(QString, text);
        const QStringList lines = dataListing().split("\r\n");
        QCOMPARE(lines.size(), 33);
        QCOMPARE(lines[text.right(2).toInt()], text);
    }

    // An opened file gives each of its lines and CR LF, whatever ended it.
    void ledFileLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("01 CR") << QByteArray("01\r") << "01\r\n";
        QTest::newRow("01, no line end") << QByteArray("01") << "01\r\n";
        QTest::newRow("01 CR 02 LF CR 03 CR LF LF") << QByteArray("01\r02\n\r03\r\n\n") << "01\r\n02\r\n\r\n03\r\n\r\n";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void ledFileLines()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(testsupport::writeFile(path("lines.LED"), bytes));
        QTEST(readLedFile(path("lines.LED")).text, "text");
    }

    void refused()
    {
        QDir(m_dir.path()).mkpath("folder");
        QFile huge(path("huge.LED"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(1 << 20));
        QVERIFY(::mkfifo(qPrintable(path("pipe.LED")), 0600) == 0);
        QStringList errors;
        for (const char *name : {"gone.LED", "folder", "huge.LED", "pipe.LED"}) errors << readLedFile(path(name)).error;
        QCOMPARE(errors, (QStringList{"No such file or directory", "This is a folder, not an image file.",
                                      "The file is larger than 64 KiB: it is not an image file.",
                                      "This is not a regular file, not an image file."}));
    }

    void saveWhoseCommitFails()
    {
        QVERIFY(!writeLedFile(path("no-such-folder/x.LED"), kZeros).ok());
        // No file system takes a name this long; the temporary file has no
        // name yet (O_TMPFILE), so only the commit finds out.
        QVERIFY(!writeLedFile(path(QString(252, 'x') + ".LED"), kZeros).ok());
        QVERIFY(testsupport::writeFile(path("kept.LED"), "old\r\n"));
        // Below a file size limit the image goes out short, whoever runs this:
        // the old file stays.
        rlimit was{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &was) == 0);
        const rlimit tiny{10, was.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &tiny) == 0);
        const bool written = writeLedFile(path("kept.LED"), kZeros).ok();
        setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, handler);
        QVERIFY(!written);
        QCOMPARE(testsupport::fileBytes(path("kept.LED")), QByteArray("old\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "test_image.moc"
