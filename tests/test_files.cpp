// .LED image files and the data listing.
#include "tests/support/consolerig.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using console::ConsoleWindow;
using platform::MessageBoxes;
using testsupport::ConsoleRig;

namespace {
const QByteArray kZeroFile = QByteArray("00 ").repeated(32) + "\r\n";

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void clickCanvas(ConsoleWindow &w, QPoint at) { QTest::mouseClick(w.Picture1, Qt::LeftButton, Qt::NoModifier, at); }
} // namespace

class TestFiles : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void filterListsTwoEntries()
    {
        QCOMPARE(platform::qtNameFilters(console::kLedFilter), QString("点阵文件(*.LED);;所有文件(*.*)"));
        QCOMPARE(platform::qtNameFilters("Text|*.txt;*.log|"), QString("Text (*.txt *.log)"));
    }

    void saveRightAfterStart()
    {
        ConsoleRig r;
        r.dialogs.names = {path("start.LED")};
        r.w->Label1->setText("x");
        r.w->Command2_Click();
        QCOMPARE(r.dialogs.filters, QStringList{console::kLedFilter});
        const QByteArray saved = readFile(path("start.LED"));
        QCOMPARE(saved, kZeroFile);
        QCOMPARE(saved.size(), 98);
        QVERIFY(r.boxes.calls.isEmpty());
        QCOMPARE(r.w->Label1->text(), QString());
    }

    void savedFileOpensToSameImage()
    {
        ConsoleRig r;
        clickCanvas(*r.w, QPoint(1, 1));
        clickCanvas(*r.w, QPoint(424, 104));
        r.dialogs.names = {path("two.LED")};
        r.w->Command2_Click();
        QCOMPARE(readFile(path("two.LED")), "80 " + QByteArray("00 ").repeated(30) + "01 \r\n");

        ConsoleRig other;
        other.dialogs.names = {path("two.LED")};
        other.w->Command1_Click();
        QVERIFY(other.w->Dots[0][7] && other.w->Dots[31][0]);
        QCOMPARE(other.w->Picture1->colorAt(100, 1500), QColor(255, 0, 0));
        other.w->PictureToHex();
        QCOMPARE(other.w->Test1->text(), "80 " + QString("00 ").repeated(30) + "01 ");
    }

    void opening_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("image");
        const QByteArray ff = QByteArray("ff ").repeated(32);
        QTest::newRow("lower case") << ff + "\r\n" << QString(ff) + "\r\n" << QString("FF ").repeated(32);
        QTest::newRow("further lines") << "01 " + QByteArray("00 ").repeated(31) + "\r\nFF FF\r\nnote"
                                       << "01 " + QString("00 ").repeated(31) + "\r\nFF FF\r\nnote\r\n"
                                       << "01 " + QString("00 ").repeated(31);
        QTest::newRow("groups over two lines shift") << QByteArray("00 ").repeated(16) + "\r\n" + QByteArray("FF ").repeated(16)
                                                     << QString("00 ").repeated(16) + "\r\n" + QString("FF ").repeated(16) + "\r\n"
                                                     << QString("00 ").repeated(17) + QString("0F ").repeated(15);
        QTest::newRow("LF line ends") << QByteArray("80 \nFF\n") << QString("80 \r\nFF\r\n") << "80 00 0F " + QString("00 ").repeated(29);
        QTest::newRow("empty file") << QByteArray() << QString() << QString("00 ").repeated(32);
        QTest::newRow("binary") << QByteArray("\x00\xff" "1\x02", 4) << QString::fromLatin1("\x00\xff" "1\x02\r\n", 6)
                                << QString("00 ").repeated(32);
    }
    void opening()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, held);
        QFETCH(QString, image);
        ConsoleRig r;
        writeFile(path("in.LED"), content);
        r.dialogs.names = {path("in.LED")};
        r.w->Label1->setText(console::kNoResponse);
        r.w->Command1_Click();
        QVERIFY(r.boxes.calls.isEmpty());
        QCOMPARE(r.w->Label1->text(), QString());
        QCOMPARE(r.w->Test1->text(), held);
        r.w->PictureToHex();
        QCOMPARE(r.w->Test1->text(), image);
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("missing file") << "gone.LED" << false << "";
        QTest::newRow("folder") << "folder" << false << "folder";
        QTest::newRow("1 MB file") << "huge.LED" << false << "64 KiB";
        QTest::newRow("pipe") << "pipe.LED" << false << "regular file";
        QTest::newRow("device") << "/dev/zero" << false << "regular file";
        QTest::newRow("read fails") << "/proc/self/mem" << false << "";
        QTest::newRow("unwritable folder") << "no-such-folder/x.LED" << true << "";
        QTest::newRow("save onto a folder") << "folder" << true << "";
    }
    void refusedFiles()
    {
        QFETCH(QString, name);
        QFETCH(bool, save);
        QFETCH(QString, reasonPart);
        QDir(m_dir.path()).mkpath("folder");
        writeFile(path("huge.LED"), QByteArray(1 << 20, 'F'));
        if (!QFile::exists(path("pipe.LED"))) QVERIFY(::mkfifo(qPrintable(path("pipe.LED")), 0600) == 0);
        ConsoleRig r;
        clickCanvas(*r.w, QPoint(1, 1));
        const QString before = r.w->Test1->text();
        const QString file = name.startsWith('/') ? name : path(name);
        r.dialogs.names = {file};
        save ? r.w->Command2_Click() : r.w->Command1_Click();
        QCOMPARE(r.boxes.calls.size(), 1);
        const auto &c = r.boxes.calls[0];
        QCOMPARE(c.title, QString("Warning!"));
        QCOMPARE(c.icon, MessageBoxes::Icon::Exclamation);
        QVERIFY2(c.text.contains(file), qPrintable(c.text));
        QVERIFY2(c.text.contains(reasonPart), qPrintable(c.text));
        QCOMPARE(r.w->Test1->text(), before);
        QVERIFY(r.w->Dots[0][7]);
        QCOMPARE(r.w->Picture1->colorAt(100, 1500), QColor(255, 0, 0));
    }

    void cancelledDialogsDoNothing()
    {
        ConsoleRig r;
        clickCanvas(*r.w, QPoint(1, 1));
        const QString before = r.w->Test1->text();
        r.w->Command1_Click();
        r.w->Command2_Click();
        QVERIFY(r.boxes.calls.isEmpty());
        QCOMPARE(r.dialogs.filters.size(), 2);
        QCOMPARE(r.w->Test1->text(), before);
    }

    void listing()
    {
        ConsoleRig r;
        QVERIFY(r.w->Test1->isHidden());
        r.w->Command16_Click();
        QVERIFY(!r.w->Test1->isHidden());
        const QString text = r.w->Test1->text();
        QCOMPARE(text.size(), 1760);
        const QStringList lines = text.split("\r\n");
        QCOMPARE(lines.size(), 33);
        QCOMPARE(lines[0], QString("DB 000H, 001H, 004H, 005H, 020H, 021H, 024H, 025H ;00"));
        QCOMPARE(lines[1], QString("DB 002H, 003H, 006H, 007H, 022H, 023H, 026H, 027H ;01"));
        QCOMPARE(lines[31], QString("DB 0DAH, 0DBH, 0DEH, 0DFH, 0FAH, 0FBH, 0FEH, 0FFH ;31"));
        QCOMPARE(lines[32], QString());
        // Entries 4 (bit 2 alone) and 8 (bit 3 alone).
        QVERIFY(lines[0].contains("020H, 021H"));
        QCOMPARE(lines[1].left(8), QString("DB 002H,"));
        r.w->Command16_Click();
        QCOMPARE(r.w->Test1->text(), text);
        clickCanvas(*r.w, QPoint(1, 1));
        QCOMPARE(r.w->Test1->text(), "80 " + QString("00 ").repeated(31));
        QVERIFY(!r.w->Test1->isHidden());
    }
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
