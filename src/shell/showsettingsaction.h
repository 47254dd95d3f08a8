#ifndef SHOWSETTINGSACTION_H
#define SHOWSETTINGSACTION_H

#include "shell/action.h"

#include <functional>

class MainWindow;

// Runs the preferences dialog modally, then whatever it was asked to start
// once it has gone: a forced local sync, a forced remote sync, the backup.
class ShowSettingsAction : public Action
{
    Q_OBJECT
public:
    // What the preferences dialog recorded, read once it has closed.
    struct Outcome
    {
        bool accepted = false;
        bool localSyncRequested = false;
        bool remoteSyncRequested = false;
        bool backupRequested = false;
    };

    // The dialog (PrefsDialog over the user's lists) and the three runs it may
    // ask for (ListsSyncUI::forceLocalSync, ListsSyncUI::forceRemoteSync, the
    // modal BackupDialog) belong to other areas, which plug them in here.
    struct Handlers
    {
        std::function<Outcome(MainWindow *)> runDialog;
        std::function<void(MainWindow *)> forceLocalSync;
        std::function<void(MainWindow *)> forceRemoteSync;
        std::function<void(MainWindow *)> backup;
    };
    static void setHandlers(const Handlers &handlers);
    // The handlers set so far, for an area that plugs in only its own.
    static Handlers handlers();

    explicit ShowSettingsAction(MainWindow *mainWindow);

    bool shouldBeEnabled() override { return true; }
    void execute() override;
};

#endif
