#include "cli/tallyctl.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // Named as installed, whatever path started it: --help shows this name,
    // and the man page is made from --help.
    QByteArray name("tallyctl");
    char *appArgv[] = {name.data(), nullptr};
    int appArgc = 1;
    QCoreApplication app(appArgc, appArgv);
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return cli::run(args, out, err);
}
