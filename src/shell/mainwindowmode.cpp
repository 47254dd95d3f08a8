#include "shell/mainwindowmode.h"

#include "shell/mainwindow.h"

MainWindowMode::~MainWindowMode() = default;

void MainWindowMode::showPreferences()
{
    if (m_mainWindow)
        m_mainWindow->showPreferences();
}

void MainWindowMode::activated()
{
}
