#include "demo/demowindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    platform::QtMessageBoxes boxes;
    platform::SystemClock clock;
    demo::DemoWindow window(platform::PortMap::fromEnvironment(), boxes, clock);
    boxes.setParent(&window);
    window.show();
    return app.exec();
}
