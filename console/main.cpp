#include "console/consolewindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    console::ConsoleWindow window(platform::PortMap::fromEnvironment(), boxes);
    boxes.setParent(&window);
    window.show();
    return app.exec();
}
