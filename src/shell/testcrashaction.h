#ifndef TESTCRASHACTION_H
#define TESTCRASHACTION_H

#include "shell/action.h"

class MainWindow;

// Checks that fatal diagnostics reach the log. Its key is easy to hit, so it
// only writes a critical line and says so: ending the program here would lose
// the edits not yet saved.
class TestCrashAction : public Action
{
    Q_OBJECT
public:
    explicit TestCrashAction(MainWindow *mainWindow);

    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

#endif
