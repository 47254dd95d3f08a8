#include "shell/switchtonotepadaction.h"

#include "shell/mainwindow.h"

SwitchToNotepadAction::SwitchToNotepadAction(MainWindow *mainWindow)
    : Action(tr("Notes"), mainWindow, mainWindow)
{
    setShortcut(QKeySequence(tr("Shift+Ctrl+O", "shortcut")));
}

void SwitchToNotepadAction::execute()
{
    if (auto *window = qobject_cast<MainWindow *>(owner()))
        window->switchToNotepad();
}
