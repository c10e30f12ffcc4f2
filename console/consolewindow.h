// The engineering console: one window from which an engineer addresses a
// unit, edits and moves its dot image, switches its tallies, configures it
// and watches the line.
#pragma once

#include "console/consoleform.h"
#include "console/dotimage.h"
#include "console/linelog.h"
#include "console/receiver.h"
#include "link/ledfile.h"
#include "link/protocol.h"
#include "platform/controls.h"
#include "platform/filedialogs.h"
#include "platform/messageboxes.h"
#include "platform/picturebox.h"
#include "platform/portmap.h"
#include "platform/porttitle.h"
#include "platform/serialcomm.h"

#include <QWidget>

#include <memory>
#include <optional>

class QPushButton;

namespace console {

class LineLogWindow;

inline const QString kNoResponse = QStringLiteral("No Response");
inline constexpr char kNotSentPrefix[] = QT_TRANSLATE_NOOP("console::ConsoleWindow", "Not sent: ");
inline const QString kNotSent = QString::fromLatin1(kNotSentPrefix) + QString::fromLatin1(platform::kNoPortOpen);

class ConsoleWindow : public QWidget, public ConsoleForm, private ReceiverView {
    Q_OBJECT
public:
    ConsoleWindow(platform::PortMap ports, platform::MessageBoxes &boxes, platform::FileDialogs &files,
                  QWidget *parent = nullptr);
    ~ConsoleWindow() override;

    // Handlers, named after control and event.
    void Combo1_Click();
    void Command7_Click();
    void Command51_Click();
    void Command52_Click();
    void TallyID_KeyPress(int keyAscii);
    void MSComm1_OnComm();
    void Picture1_MouseDown(Qt::MouseButton button, bool shift, double x, double y);
    void Picture1_MouseMove(Qt::MouseButtons buttons, bool shift, double x, double y);
    void Picture1_MouseUp(Qt::MouseButton button, bool shift, double x, double y);
    void Command3_Click();
    void Command4_Click();
    void Command6_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command1_Click();
    void Command2_Click();
    void Command13_Click();
    void Command16_Click();
    void Command21_Click();
    void Command22_Click();
    void Command23_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Check1_Click();

    void PictureToHex();
    void HexToPicture();

    // The line monitor as the receiver keeps it. Label2 shows it once the
    // characters read with it have all been handled.
    QString monitor() const override;

    // The line log (Ctrl+L): recorded from start-up on, whether or not its
    // window is open; opening it shows the window beside this one.
    LineLog &lineLog() { return m_lineLog; }
    LineLogWindow *showLineLog();

    // Window state of the design.
    DotGrid Dots{};
    bool PgmOn = false;
    bool PvwOn = false;
    bool FlashOn = false;

private:
    friend struct ConsoleForm; // connects the handlers

    void Form_Load();
    void watchLine();
    // Writes one frame. When it cannot, the status line says why (no port
    // open, or the write failed) and the caller must not claim the command
    // went out; callers with nothing more to do may ignore the result.
    bool send(const unitlink::Command &command);
    // Sends a command whose reply is awaited: the status line says so once it went out.
    void sendAwaitingReply(const unitlink::Command &command);
    // Normalises TallyID in place and returns the address.
    QString normaliseTallyID();
    void portLost(const QString &description);
    void download(unitlink::Mnemonic read);
    void upload(unitlink::Mnemonic write);
    bool confirmReplace();
    // What the receiver shows and asks.
    void setStatus(const QString &text) override;
    void setMonitor(const QString &text) override;
    void setProgramList(const QString &text) override;
    void setPreviewList(const QString &text) override;
    void loadImage(const QString &hexText) override;
    void setPxrMode(bool on) override;
    void clearProgramInput() override;
    void showInputs(const QString &pgm, const QString &pvw) override;
    platform::MessageBoxes &boxes() override;
    void drawDot(int column, int row);
    void tallyButton(bool &flag, QPushButton *button, unitlink::Mnemonic onMnemonic, unitlink::Mnemonic offMnemonic);
    void inputChoice(platform::ListCombo *combo, unitlink::Mnemonic mnemonic);
    void fileWarning(const QString &fileName, const QString &reason);

    // Drawn fill of each cell (-1: never drawn), so that redrawing the
    // whole image only paints the dots that change.
    std::array<std::array<signed char, kRows>, kColumns> m_drawn;
    // A drag on the canvas paints the state the pressed dot took into every
    // dot the pointer passes, from the press until the release.
    struct Stroke {
        bool lit;
        QPointF at; // where the pointer was last reported
    };
    std::optional<Stroke> m_stroke;
    // The monitor grows by one character per notification; Label2 is set
    // once the run of characters has been handled, not for each of them.
    QString m_monitor;
    bool m_monitorQueued = false;
    platform::SystemClock m_clock;
    LineLog m_lineLog{m_clock};
    std::unique_ptr<LineLogWindow> m_lineLogWindow;
    Receiver m_receiver{*this};

    platform::MessageBoxes &m_boxes;
    platform::FileDialogs &m_files;
    platform::PortTitle *m_title = nullptr;
};

} // namespace console
