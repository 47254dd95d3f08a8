#include "app/application.h"
#include "shell/prefsdialog.h"
#include "shell/webenginestart.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // Before anything can start the web engine: as root it would otherwise
    // end the program at the first help window.
    WebEngineStart::allowRunningAsRoot();
    // The help and player windows' web views share one GL context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    keepArguments(argc, argv);
    const int result = runApplication();
    shutdownApplication();
    if (restartRequested())
        restartProgram();
    return result;
}
