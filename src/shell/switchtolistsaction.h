#ifndef SWITCHTOLISTSACTION_H
#define SWITCHTOLISTSACTION_H

#include "shell/action.h"

class MainWindow;

// Shows the lists page.
class SwitchToListsAction : public Action
{
    Q_OBJECT
public:
    explicit SwitchToListsAction(MainWindow *mainWindow);

    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

#endif
