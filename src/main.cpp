#include "shell/application.h"

int main(int argc, char *argv[])
{
    keepArguments(argc, argv);
    const int result = runApplication();
    shutdownApplication();
    if (restartRequested())
        restartProgram();
    return result;
}
