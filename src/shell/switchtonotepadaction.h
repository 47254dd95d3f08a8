#ifndef SWITCHTONOTEPADACTION_H
#define SWITCHTONOTEPADACTION_H

#include "shell/action.h"

class MainWindow;

// Shows the notepad page.
class SwitchToNotepadAction : public Action
{
    Q_OBJECT
public:
    explicit SwitchToNotepadAction(MainWindow *mainWindow);

    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

#endif
