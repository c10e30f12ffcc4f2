#include "simulator/simulatorform.h"

#include "platform/formlayout.h"
#include "platform/twips.h"
#include "platform/windowport.h"
#include "simulator/simulatorwindow.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

using platform::twips;

namespace simulator {

namespace {
platform::LineSettings tallyLineSettings()
{
    platform::LineSettings s = platform::switcherLine();
    s.inputBuffer = 256;
    s.outputBuffer = 256;
    // The switcher's tally output raises RTS only, and only from the end of
    // the first search on (SearchPorts enables it); DTR is left alone.
    s.dtr = false;
    s.rts = false;
    return s;
}
} // namespace

void SimulatorForm::setupUi(QWidget *window, platform::PortMap ports)
{
    MSComm1 = platform::createSerialComm(window, std::move(ports), tallyLineSettings());

    window->resize(platform::twipsSize(4785, 5280));

    const platform::FormLayout form(window);

    // Both lists are fixed: an entry is acted on only when it is chosen,
    // never on typed text.
    Combo1 = form.combo("Combo1", QStringLiteral("Combo1"), twips(600, 360, 1335, 300));
    Label6 = form.label("Label6", tr("ID:"), twips(2160, 400, 375, 255));
    Combo2 = form.combo("Combo2", QStringLiteral("Combo2"), twips(2640, 360, 975, 300));
    for (int id = 0; id < 8; ++id) Combo2->addItem(QStringLiteral("%1").arg(id, 2, 10, QLatin1Char('0')));

    Option1 = form.place(new QRadioButton(tr("Continue")), "Option1", twips(600, 720, 1215, 255));
    Option2 = form.place(new QRadioButton(tr("Single")), "Option2", twips(1800, 720, 1215, 255));
    auto *modes = new QButtonGroup(window); // one of the two selected
    modes->addButton(Option1);
    modes->addButton(Option2);

    Picture1 = form.place(new platform::PictureBox(kPanelBackground), "Picture1", twips(600, 1080, 3600, 3600));
    Label1 = form.label("Label1", QString(), twips(600, 4800, 3615, 255));

    Timer1 = new platform::Timer(window);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kRepeatMs);
    // A coarse timer may fire up to 5 % early or late; tally equipment on
    // the far end is tested against a steady 500 ms.
    Timer1->setTimerType(Qt::PreciseTimer);
}

void SimulatorForm::connectHandlers(SimulatorWindow *w)
{
    using W = SimulatorWindow;
    QObject::connect(MSComm1, &platform::SerialComm::portLost, w, &W::portLost);
    QObject::connect(Combo1, &platform::ListCombo::click, w, &W::Combo1_Click);
    QObject::connect(Picture1, &platform::PictureBox::mouseDown, w, &W::Picture1_MouseDown);
    QObject::connect(Option1, &QRadioButton::toggled, w, [w](bool on) {
        if (on) w->Option1_Click();
    });
    QObject::connect(Option2, &QRadioButton::toggled, w, [w](bool on) {
        if (on) w->Option2_Click();
    });
    QObject::connect(Timer1, &platform::Timer::tick, w, &W::Timer1_Timer);
}

} // namespace simulator
