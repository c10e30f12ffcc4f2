#include "simulator/simulatorwindow.h"

#include "platform/portchoice.h"
#include "platform/windowgeometry.h"
#include "platform/windowport.h"
#include "simulator/lamppanel.h"
#include "simulator/portlist.h"

#include <QLabel>
#include <QRadioButton>

using platform::MessageBoxes;

namespace simulator {

namespace {
constexpr double kLampRadius = 0.4;
} // namespace

SimulatorWindow::SimulatorWindow(platform::PortMap ports, MessageBoxes &boxes, QWidget *parent)
    : QWidget(parent), m_boxes(boxes)
{
    setupUi(this, std::move(ports));
    connectHandlers(this);
    Form_Load();
    platform::WindowGeometry::remember(this, QStringLiteral("velk"));
}

SimulatorWindow::~SimulatorWindow() = default;

void SimulatorWindow::Form_Load()
{
    m_title = new platform::PortTitle(this, MSComm1, tr(kCaption));
    initPanel();
    m_title->startUp([this] { SearchPorts(); });
    Option1->setChecked(true);
    Combo2->setListIndex(1);

    platform::centreOnScreen(this);
}

void SimulatorWindow::initPanel()
{
    Picture1->setScale(0, 0, kPanelCells, kPanelCells);
    drawLamps();
}

void SimulatorWindow::drawLamps()
{
    const platform::PictureBox::Batch batch(*Picture1);
    for (int column = 0; column < kPanelCells; ++column) {
        for (int row = 0; row < kPanelCells; ++row) {
            const QColor colour = Lamps[std::size_t(lampIndex({column, row}))] ? kLitLamp : kDarkLamp;
            Picture1->setFillColor(colour);
            Picture1->circle(column + 0.5, row + 0.5, kLampRadius, colour);
        }
    }
}

void SimulatorWindow::SearchPorts()
{
    Combo1->clear();
    Combo1->setShownText(QString());
    // The open port is closed first so that it is probed, and listed,
    // like every other.
    if (MSComm1->portOpen()) {
        if (const platform::PortResult closed = MSComm1->setPortOpen(false); !closed.ok()) {
            m_boxes.show(MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok, tr("VELK"), closed.error().description);
            // The list is empty by now; without "Search" the operator could
            // not try again short of restarting.
            Combo1->addItem(kSearchEntry);
            return;
        }
    }
    for (int port = 1; port <= platform::kPortCount; ++port) ProbePort(port);
    Combo1->addItem(kSearchEntry);
    platform::showPortDevices(*Combo1, MSComm1->portMap());
    // The last port found; with none found there is nothing to choose and
    // the list stays blank.
    const int last = Combo1->count() - 2;
    if (last >= 0) Combo1->setListIndex(last);
    MSComm1->setRTSEnable(true);
}

void SimulatorWindow::ProbePort(int port)
{
    // A port that is absent or held by another program is simply left out.
    if (!MSComm1->setCommPort(port).ok()) return;
    if (!MSComm1->setPortOpen(true).ok()) return;
    if (!MSComm1->setPortOpen(false).ok()) return;
    Combo1->addItem(platform::portEntry(port));
}

void SimulatorWindow::Combo1_Click()
{
    const PortChoice choice = portChoice(Combo1->currentText());
    if (choice.kind == PortChoice::Search) {
        SearchPorts();
        return;
    }
    if (choice.kind != PortChoice::OpenPort) return;
    platform::promptFailure(m_boxes, platform::choosePort(*MSComm1, choice.port));
}

void SimulatorWindow::portLost(const QString &description)
{
    // No box: the port is closed already, SendTally skips the write while
    // none is open, and a box would come back with every timed frame.
    // The list stops claiming the port; choosing it or "Search" reopens it.
    Combo1->setShownText(platform::portEntry(MSComm1->commPort()) + tr(" lost"));
    Label1->setText(description);
}

void SimulatorWindow::Picture1_MouseDown(Qt::MouseButton, bool, double x, double y)
{
    // Any button toggles.
    const Cell cell = cellAt(x, y);
    Label1->setText(readout(cell));
    bool &lamp = Lamps[std::size_t(lampIndex(cell))];
    lamp = !lamp;
    drawLamps();
    SendTally();
}

void SimulatorWindow::SendTally()
{
    // Combo2 is a fixed list of the IDs 0 to 7 with no typed text; its
    // position is -1 only before start-up chooses "01", and an ID of -1
    // would put 0xFF after the start byte.
    TallyFrame = switcherlink::packTally(Lamps, qMax(0, Combo2->listIndex()));
    // With no port open (or a write refused) the frame is dropped; the panel
    // keeps working and the next frame that goes out carries the whole state
    // anyway. A lost port is reported by portLost.
    static_cast<void>(MSComm1->output(QByteArrayView(TallyFrame.data(), TallyFrame.size())));
}

void SimulatorWindow::Option1_Click()
{
    if (!Timer1->isActive()) Timer1->start();
}

void SimulatorWindow::Option2_Click()
{
    Timer1->stop();
}

void SimulatorWindow::Timer1_Timer()
{
    SendTally();
}

} // namespace simulator
