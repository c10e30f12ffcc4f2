// The console window offscreen, its port on a pty: each row is what the
// operator does, what goes on the line and what the window shows after it.
#include "console/linelogwindow.h"
#include "tests/support/consolerig.h"
#include "tests/support/shownpixel.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using Rig = testsupport::ConsoleRig;
using Steps = QStringList;

namespace {
const QByteArray kFF32 = QByteArray("FF").repeated(32);

// "Name=text" types into a field, "Name#i" picks entry i of a list,
// "Name+"/"Name-" ticks or unticks, "Enter" presses Enter in the address
// field, "x,y" clicks the canvas at that pixel and "x,y>x,y>..." drags
// through those pixels with the button held, "<bytes" is what the unit
// sends, "hangup" is the far end going away, "file=name" is the next file
// dialog's answer, "cancel" the next box's, "log" opens the line log with
// Ctrl+L (the console keeps its place and size), "save" is Ctrl+S there; any
// other step clicks that button.
void act(Rig &r, const QString &step)
{
    if (step == "log" || step == "save") {
        QWidget *target = step == "log" ? r.w.get() : static_cast<QWidget *>(r.w->showLineLog());
        target->show();
        QVERIFY(QTest::qWaitForWindowActive(target));
        const QRect before = r.w->geometry();
        QTest::keySequence(target, step == "log" ? QKeySequence(Qt::CTRL | Qt::Key_L) : QKeySequence::Save);
        QCOMPARE(r.w->geometry(), before);
        return;
    }
    if (step.startsWith("file=")) return r.dialogs.names.append(step.mid(5));
    if (step == "cancel") return r.boxes.answers.append(platform::MessageBoxes::Button::Cancel);
    QWidget *w = r.w->findChild<QWidget *>(step.section(QRegularExpression("[=#+-]"), 0, 0));
    if (step.startsWith('<')) return r.pty.write(step.mid(1).toLatin1());
    if (step == "hangup") return r.pty.closeMaster();
    if (step == "Enter") return QTest::keyClick(r.w->TallyID, Qt::Key_Return);
    if (step.contains(',')) {
        QList<QPoint> path;
        for (const QString &xy : step.split('>')) path << QPoint(xy.section(',', 0, 0).toInt(), xy.section(',', 1).toInt());
        QTest::mousePress(r.w->Picture1, Qt::LeftButton, {}, path[0]);
        for (const QPoint &at : path) QTest::mouseMove(r.w->Picture1, at);
        return QTest::mouseRelease(r.w->Picture1, Qt::LeftButton, {}, path.last());
    }
    QVERIFY2(w, qPrintable(step));
    if (step.contains('=')) return qobject_cast<QLineEdit *>(w)->setText(step.section('=', 1));
    if (step.contains('#')) return qobject_cast<platform::ListCombo *>(w)->setListIndex(step.section('#', 1).toInt());
    if (step.endsWith('+') || step.endsWith('-')) return qobject_cast<QCheckBox *>(w)->setChecked(step.endsWith('+'));
    qobject_cast<QAbstractButton *>(w)->click();
}

// What a control shows: its text, "checked" or "bold" for buttons.
QString shown(QWidget *w)
{
    if (auto *e = qobject_cast<QLineEdit *>(w)) return e->text();
    if (auto *l = qobject_cast<QLabel *>(w)) return l->text();
    if (auto *c = qobject_cast<platform::ListCombo *>(w)) return c->shownText();
    if (auto *t = qobject_cast<platform::TextBox *>(w)) return t->text();
    if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->isChecked() ? "checked" : b->font().bold() ? "bold" : "";
    return "?";
}
} // namespace

class TestConsole : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void operate_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("after");  // "Name=shown"; "Name^start" for a beginning; "lit=c,r ..." the red dots shown, row 0 at the bottom
        const QString noResponse = "Label1=" + console::kNoResponse, notSent = "Label1=" + console::kNotSent;
        const auto row = [](const char *name, const Steps &steps, const QByteArray &line, const QStringList &after) {
            QTest::newRow(name) << steps << line << after;
        };
        row("STX SID ETX", {"Command7"}, "\x02SID\x03", {"Combo1=Com1", "title=ZIDID 显示控制器 - Com1 (PTY)", "tip0=PTY", "tip15=no device: absent"});
        row("STX QID1A ETX", {"TallyID=1a", "Enter"}, "\x02QID1A\x03", {"TallyID=1A"});
        row("STX SETIDA1 ETX", {"Text1=A1", "Command52"}, "\x02SETIDA1\x03", {"Text1=A2"});
        row("STX RDR05 ETX", {"TallyID=5", "Command9"}, "\x02RDR05\x03", {noResponse});
        row("STX WRR01 00x31 01 02 ETX", {"TallyID=1", "424,104", "Command10"}, "\x02WRR01" + QByteArray("00").repeated(31) + "0102\x03",
            {"Test1=" + QString("00 ").repeated(31) + "01 ", "lit=31,0"});
        row("STX WRM02 00x32 02 ETX", {"TallyID=2", "Command4"}, "\x02WRM02" + QByteArray("00").repeated(32) + "02\x03", {noResponse});
        row("STX RTM01 ETX", {"TallyID=1", "Command11"}, "\x02RTM01\x03", {noResponse});
        row("STX MTR ETX", {"Command12"}, "\x02MTR\x03", {"TallyID=??"});
        row("STX CFG01A0 ETX", {"TallyID=1", "Check1+", "Combo2#8"}, "\x02" "CFG01A0\x03", {noResponse});
        row("STX GPI01E ETX", {"TallyID=1", "Check1+", "Combo3#4"}, "\x02GPI01E\x03", {"Label2=GPI01E", noResponse});
        row("STX GPI01E ETX STX GPW01A ETX STX GPI01@ ETX", {"TallyID=1", "Check1+", "Combo3#4", "Combo4#0", "Check1-"},
            "\x02GPI01E\x03\x02GPW01A\x03\x02GPI01@\x03", {"Combo3=对应并行输入", "Combo4=对应并行输入", "Label2=GPI01@"});
        row("STX GPI1?@ ETX", {"Check1+", "TallyID=1\x02", "Check1-"}, "\x02GPI1?@\x03", {"Combo3=对应并行输入", "TallyID=1\x02"});
        row("STX GPI?1@ ETX", {"Check1+", "TallyID=\x7f" "1", "Check1-"}, "\x02GPI?1@\x03", {"Label2=GPI?1@"});
        row("STX TON01 ETX STX TOF01 ETX", {"TallyID=1", "Command22", "Command22"}, "\x02TON01\x03\x02TOF01\x03", {"Command22="});
        row("STX TWN03 ETX twice in PXR-09 mode", {"TallyID=3", "Check1+", "Command23", "Command23"}, "\x02TWN03\x03\x02TWN03\x03", {"Command23="});
        row("STX TON01 TFH01 TON01 TWF01 ETX", {"TallyID=1", "Command22", "Command21", "Command21"},
            "\x02TON01\x03\x02TFH01\x03\x02TON01\x03\x02TWF01\x03", {"Command22=bold", "Command21="});
        row("STX CHR01   AB ETX", {"TallyID=1", "Text3=AB", "Command13"}, "\x02" "CHR01   AB\x03", {"Text3=   AB"});
        row("STX CHR01 ??ABC ETX", {"TallyID=1", "Text3=x中😀ABC", "Command13"}, "\x02" "CHR01??ABC\x03", {"Text3=中😀ABC"});
        row("reply STX rdm FFx32 E0 ETX", {"<\x02rdm" + kFF32 + "E0\x03"}, {}, {"Test1=" + QString("FF ").repeated(32), "Label1=Download finished!"});
        row("reply STX gpiEB ETX", {"<\x02gpiEB\x03"}, {}, {"Check1=checked", "Combo3=05", "Combo4=02"});
        row("reply STX gpi@@ ETX unticks", {"TallyID=07", "Check1+", "<\x02gpi@@\x03"}, "\x02GPI07@\x03", {"Check1="});
        row("STX GPI01E ETX, reply STX TLYAC ETX", {"TallyID=1", "Check1+", "Combo3#4", "<\x02TLYAC\x03"}, "\x02GPI01E\x03", {"Label3=PGM: 03 01", "Label2=[STX]TLYAC[ETX]"});
        row("listing", {"Command16"}, {}, {"Test1^DB 000H, 001H, 004H"});
        row("absent port", {"Combo1#15", "Command7"}, {}, {notSent, "box=Prompt/8010: Com16: no serial device has this number", "title=ZIDID 显示控制器 - no serial port open"});
        row("not sent, then a port chosen", {"Combo1#15", "Command7", "Combo1#0"}, {}, {"Label1=", "Combo1=Com1"});
        row("set address warning", {"Command51"}, {}, {"box=警告/执行此操作时控制线只能连接单独一个泰丽灯！"});
        row("WRM cancelled", {"cancel", "Command4"}, {}, {"box=Warning!/The programed data will been replaced!\r\nDo you want to go on?"});
        const QString file = "file=" + m_dir.filePath("a.LED");
        row("save and open", {"1,1", file, "Command2", "Command6", file, "Command1", "Command10"},
            "\x02WRR00" "80" + QByteArray("00").repeated(31) + "80\x03",
            {"Test1=80 " + QString("00 ").repeated(31), "box=", "lit=0,7"});
        row("open a folder", {"file=" + m_dir.path(), "Command1"}, {}, {"box^Warning!/" + m_dir.path() + "\r\n"});
        row("not sent: SETID", {"Combo1#15", "Text1=A1", "Command52"}, {}, {notSent, "Text1=A1"});
        // A lamp is claimed on only when its frame went out.
        row("not sent: tallies", {"Combo1#15", "Command22", "Command23", "Command21"}, {}, {notSent, "Command22=", "Command23=", "Command21="});
        row("not sent, then STX TON00 ETX STX TWN00 ETX STX TFH00 ETX", {"Combo1#15", "Command22", "Command23", "Command21", "Combo1#0", "Command22", "Command23", "Command21"},
            "\x02TON00\x03\x02TWN00\x03\x02TFH00\x03", {"Command22=bold", "Command23=bold", "Command21=bold"});
        row("log: STX TON01 ETX", {"log", "TallyID=1", "Command22"}, "\x02TON01\x03", {"log=" + QString::fromUtf8(console::kLineLogCaption), "lastrow=→ [STX]TON01[ETX] TON address 01"});
        row("log: reply STX wrr ETX, a save that fails", {"log", "<\x02wrr\x03", "file=" + m_dir.filePath("no/log.txt"), "save"}, {},
            {"lastrow=← [STX]wrr[ETX] wrr: WRR done", "box^Warning!/Cannot save " + m_dir.filePath("no/log.txt:")});
        row("lost port", {"hangup"}, {}, {"Label1^Com1 (", "title=ZIDID 显示控制器 - Com1 (PTY) lost"});
        // A drag sets each dot it passes as its press set the first, sending nothing.
        row("drag: a fast stroke fills the dots it skips", {"6,6>60,6"}, {}, {"lit=0,7 1,7 2,7 3,7 4,7", "Test1=" + QString("80 ").repeated(5) + QString("00 ").repeated(27)});
        row("drag: from a lit dot, erases", {"6,6>60,6", "33,6>33,98"}, {}, {"lit=0,7 1,7 3,7 4,7"});
        row("drag: diagonal and back over lit dots", {"6,98>60,46>6,98"}, {}, {"lit=0,0 1,1 2,2 3,3 4,4"});
        row("drag: off the edge and back", {"420,6>500,6>500,98>420,98"}, {}, {"lit=31,0 31,7"});
    }
    void operate()
    {
        QFETCH(Steps, steps);
        QFETCH(QByteArray, line);
        QFETCH(QStringList, after);
        Rig r;
        for (const QString &s : steps) act(r, s);
        for (const QString &a : after) {
            const qsizetype at = a.indexOf(QRegularExpression("[=^]"));
            const auto now = [&] {
                if (a.startsWith("log")) return QApplication::activeWindow()->windowTitle();
                if (a.startsWith("lastrow")) {
                    const console::LogRow &row = r.w->lineLog().row(r.w->lineLog().size() - 1);
                    return row.directionText() + " " + row.frameText() + " " + row.meaning;
                }
                if (a.startsWith("title")) return r.w->windowTitle().replace(r.pty.slavePath(), "PTY");
                if (a.startsWith("tip")) return r.w->Combo1->itemData(a.mid(3, at - 3).toInt(), Qt::ToolTipRole).toString().replace(r.pty.slavePath(), "PTY");
                if (a.startsWith("box")) return r.boxes.calls.isEmpty() ? QString() : r.boxes.calls.last().title + "/" + r.boxes.calls.last().text;
                if (a.startsWith("lit")) {
                    QStringList lit;
                    for (int c = 0; c < 32; ++c)
                        for (int y = 0; y < 8; ++y)
                            if (testsupport::shownAt(*r.w->Picture1, 200 * c + 100, 200 * y + 100) == Qt::red) lit << QString("%1,%2").arg(c).arg(y);
                    return lit.join(' ');
                }
                QWidget *w = r.w->findChild<QWidget *>(a.left(at));
                return w ? shown(w) : "no " + a.left(at);
            };
            if (a[at] == '^')
                QTRY_VERIFY2(now().startsWith(a.mid(at + 1)), qPrintable(now()));
            else
                QTRY_COMPARE(now(), a.mid(at + 1));
        }
        // Whatever the steps sent is on the line ahead of a mark written last.
        if (r.w->MSComm1->portOpen() && r.w->MSComm1->output("~").ok()) line += '~';
        QCOMPARE(r.pty.readBytes(int(line.size())), line);
    }

    // A port the operator named that does not open: the title says why, the line log has it, no box.
    void startupRefusal_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("logged");
        QTest::newRow("absent") << false << "ZIDID 显示控制器 - no serial port open (Com1 /dev/tally-none: absent)" << "not opened: Com1 (/dev/tally-none): no such device";
        QTest::newRow("busy") << true << "ZIDID 显示控制器 - no serial port open (Com1 PTY: busy: held by another program)" << "not opened: Com1 (PTY) is in use by another program";
    }
    void startupRefusal()
    {
        QFETCH(bool, held);
        testsupport::Pty pty;
        testsupport::RecordingBoxes boxes;
        testsupport::RecordingDialogs dialogs;
        const platform::PortMap ports({held ? pty.slavePath() : "/dev/tally-none", "", ""});
        platform::SerialComm other(ports, {});
        QVERIFY(!held || other.setPortOpen(true).ok());
        console::ConsoleWindow w(ports, boxes, dialogs);
        QTEST(w.windowTitle().replace(pty.slavePath(), "PTY"), "title");
        QTEST(QString(w.lineLog().row(1).meaning).replace(pty.slavePath(), "PTY"), "logged");
        QVERIFY(boxes.calls.isEmpty());
        // Com2, which has no device, tried after: its box, and the title still says why Com1 is not open.
        w.Combo1->setListIndex(1);
        QCOMPARE(boxes.calls.size(), 1);
        QTEST(w.windowTitle().replace(pty.slavePath(), "PTY"), "title");
    }
};

QTEST_MAIN(TestConsole)
#include "test_console.moc"
