#include "shell/switchtofriendsaction.h"

#include "shell/mainwindow.h"

SwitchToFriendsAction::SwitchToFriendsAction(MainWindow *mainWindow)
    : Action(tr("Team"), mainWindow, mainWindow)
{
    setShortcut(QKeySequence(tr("Shift+Ctrl+C", "shortcut")));
}

void SwitchToFriendsAction::execute()
{
    if (auto *window = qobject_cast<MainWindow *>(owner()))
        window->switchToFriends();
}
