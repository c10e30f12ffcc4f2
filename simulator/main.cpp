#include "simulator/simulatorwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    simulator::SimulatorWindow window(platform::PortMap::fromEnvironment(), boxes);
    boxes.setParent(&window);
    window.show();
    return app.exec();
}
