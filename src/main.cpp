#include "shell/application.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // The help and player windows' web views share one GL context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    keepArguments(argc, argv);
    const int result = runApplication();
    shutdownApplication();
    if (restartRequested())
        restartProgram();
    return result;
}
