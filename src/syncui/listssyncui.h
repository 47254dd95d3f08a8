#ifndef LISTSSYNCUI_H
#define LISTSSYNCUI_H

#include "sync/runs/listoutcome.h"
#include "syncui/basesyncui.h"

#include <QPointer>

#include <functional>

class ListsSyncPage;
class NotepadNotes;
class UserLists;

// The front end of the full synchronisation: the normal run and the two
// forced ones. Made for one command and destroyed after it.
class ListsSyncUI : public BaseSyncUI
{
    Q_OBJECT

public:
    ListsSyncUI(UserLists *lists, ListsSyncPage *page, QObject *parent = nullptr);

    void normalSync();
    // The server takes the local lists, groups and notes.
    void forceRemoteSync();
    // The local lists, groups and notes are replaced by the server's.
    void forceLocalSync();

    void sync() override;

protected:
    BaseSynchronizer *createSynchronizer() override;
    void showSettings() override;

private:
    // One run with the page held still; true when the user asked for the
    // settings after it failed. They open only once the run is wound up.
    bool runHeld();
    // A forced run: `prepare` readies the lists and notes after the snapshot.
    void runForced(const std::function<void(NotepadNotes *)> &prepare, bool holdSaves);
    void ensureANote();
    void tellWhatRunsKept();

    // A backup imported in the settings replaces the lists: they may be gone
    // when a message box or the settings return.
    QPointer<UserLists> m_lists;
    ListsSyncPage *m_page;
    bool m_forceRemote = false;
    bool m_forceLocal = false;
    // A run was started (not only asked for).
    bool m_ran = false;
    // What the runs kept, told once their window is closed.
    ListOutcome::KeptAgainstRemovals m_kept;
};

#endif
