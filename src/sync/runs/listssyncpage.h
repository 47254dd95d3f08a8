#ifndef LISTSSYNCPAGE_H
#define LISTSSYNCPAGE_H

#include "sync/runs/listssynchost.h"

// What the front end of the full synchronisation needs of the lists page on
// top of what a run needs: the page implements it.
class ListsSyncPage : public ListsSyncHost
{
public:
    // Drops the queued single-list runs and cancels the running ones.
    virtual void cancelSingleListSyncs() = 0;
    // While set, the page refuses edits and drags.
    virtual void setSyncing(bool syncing) = 0;
    // Commits and closes the open item editor of the current task tree, if
    // any, so that the edit is part of the run.
    virtual void commitOpenEditor() = 0;
    // Returns the page to its normal mode.
    virtual void resetUIMode() = 0;
    // Closes the page's non-modal dialogs that exist but are hidden.
    virtual void closeHiddenDialogs() = 0;
    // Gives the page a fresh, empty groups tree.
    virtual void resetListsGroups() = 0;
    // Opens the preferences where the server settings are corrected.
    virtual void showPreferences() = 0;
    // What runs kept and left untold on the lists was told, or changed: the
    // page shows what is left.
    virtual void keptNoticesChanged() {}
};

#endif
