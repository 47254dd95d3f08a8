#include "shell/showkeysdialogaction.h"

#include "shell/mainwindow.h"

ShowKeysDialogAction::ShowKeysDialogAction(MainWindow *mainWindow)
    : Action(tr("Show this dialog"), mainWindow, mainWindow)
{
    setShortcuts({QKeySequence(tr("Ctrl+?", "shortcut")), QKeySequence(tr("Ctrl+/", "shortcut"))});
}

void ShowKeysDialogAction::execute()
{
    if (auto *window = qobject_cast<MainWindow *>(owner()))
        window->showKeysDialog();
}
