#ifndef SHOWKEYSDIALOGACTION_H
#define SHOWKEYSDIALOGACTION_H

#include "shell/action.h"

class MainWindow;

// Shows the keyboard shortcuts dialog.
class ShowKeysDialogAction : public Action
{
    Q_OBJECT
public:
    explicit ShowKeysDialogAction(MainWindow *mainWindow);

    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

#endif
