#ifndef SWITCHTOFRIENDSACTION_H
#define SWITCHTOFRIENDSACTION_H

#include "shell/action.h"

class MainWindow;

// Shows the page of Team mode.
class SwitchToFriendsAction : public Action
{
    Q_OBJECT
public:
    explicit SwitchToFriendsAction(MainWindow *mainWindow);

    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

#endif
