#include "shell/showsettingsaction.h"

#include "shell/mainwindow.h"

#include <QDebug>

namespace {

ShowSettingsAction::Handlers &currentHandlers()
{
    static ShowSettingsAction::Handlers value;
    return value;
}

void run(const std::function<void(MainWindow *)> &followUp, MainWindow *window)
{
    if (followUp)
        followUp(window);
}

} // namespace

void ShowSettingsAction::setHandlers(const Handlers &value)
{
    currentHandlers() = value;
}

ShowSettingsAction::Handlers ShowSettingsAction::handlers()
{
    return currentHandlers();
}

ShowSettingsAction::ShowSettingsAction(MainWindow *mainWindow)
    : Action(tr("Preferences"), mainWindow, mainWindow)
{
    setShortcuts({QKeySequence(tr("F12", "shortcut")), QKeySequence(tr("Ctrl+Shift+P", "shortcut"))});
}

void ShowSettingsAction::execute()
{
    auto *window = qobject_cast<MainWindow *>(owner());
    const Handlers &h = currentHandlers();
    if (!h.runDialog) {
        qWarning() << "ShowSettingsAction: no preferences dialog";
        return;
    }
    const Outcome outcome = h.runDialog(window);
    // A request confirmed in a dialog that was then cancelled is no request:
    // a forced local sync replaces every local list.
    if (!outcome.accepted)
        return;
    if (outcome.localSyncRequested)
        run(h.forceLocalSync, window);
    if (outcome.remoteSyncRequested)
        run(h.forceRemoteSync, window);
    if (outcome.backupRequested)
        run(h.backup, window);
}
