#include "shell/switchtolistsaction.h"

#include "shell/mainwindow.h"

SwitchToListsAction::SwitchToListsAction(MainWindow *mainWindow)
    : Action(tr("Lists"), mainWindow, mainWindow)
{
    setShortcut(QKeySequence(tr("Shift+Ctrl+L", "shortcut")));
}

void SwitchToListsAction::execute()
{
    if (auto *window = qobject_cast<MainWindow *>(owner()))
        window->switchToLists();
}
