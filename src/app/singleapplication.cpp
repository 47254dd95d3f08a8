#include "app/singleapplication.h"

#include <QWidget>

SingleApplication::SingleApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

void SingleApplication::activateMainWindow()
{
    QWidget *window = m_mainWindow;
    if (!window)
        return;
    window->activateWindow();
    window->raise();
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
}

bool SingleApplication::isAnotherInstanceRunning()
{
    return false;
}
