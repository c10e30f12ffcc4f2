#include "console/consolewindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    platform::QtFileDialogs dialogs;
    console::ConsoleWindow window(platform::PortMap::fromEnvironment(), boxes, dialogs);
    boxes.setParent(&window);
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}
