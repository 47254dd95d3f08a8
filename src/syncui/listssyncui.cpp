#include "syncui/listssyncui.h"

#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/userlists.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/listssyncpage.h"
#include "sync/runs/notepadsynchronizer.h"
#include "sync/runs/syncnotices.h"
#include "sync/runs/syncsnapshot.h"

ListsSyncUI::ListsSyncUI(UserLists *lists, ListsSyncPage *page, QObject *parent)
    : BaseSyncUI(page ? page->dialogParent() : nullptr, parent)
    , m_lists(lists)
    , m_page(page)
{
}

void ListsSyncUI::normalSync()
{
    m_forceRemote = false;
    sync();
}

void ListsSyncUI::sync()
{
    const bool settingsRequested = runHeld();
    tellWhatRunsKept();
    if (settingsRequested)
        showSettings();
}

bool ListsSyncUI::runHeld()
{
    m_page->cancelSingleListSyncs();
    m_page->setSyncing(true);
    m_page->commitOpenEditor();
    bool settingsRequested = false;
    // The check may open the settings, and a backup imported there replaces
    // the lists: they are read after it.
    if (checkSettings() && m_lists) {
        const bool hadLists = !m_lists->models().isEmpty();
        settingsRequested = runSync();
        m_ran = true;
        // The run drops untouched default lists before it starts; one that
        // then fails must not leave a page that had a list with none to type in.
        if (m_lists && (succeeded() || (hadLists && m_lists->models().isEmpty())))
            m_lists->ensureNotEmpty();
    }
    ensureANote();
    m_page->setSyncing(false);
    return settingsRequested;
}

// Once the run and its window are over, and what a forced one undid is
// back: the lists and notes this run, or an earlier one cut short, kept
// beside others or against a removal, and the tasks it kept.
void ListsSyncUI::tellWhatRunsKept()
{
    if (!m_ran)
        return;
    ListOutcome::tellWhatWasKept(m_lists, m_kept);
    m_page->keptNoticesChanged();
    NotepadSynchronizer::tellWhatWasKept();
}

// The run drops untouched notes too, before it sends any: when the server
// then has none, the notepad page would be left with no note to type in.
// Added after the run, the fresh note is not uploaded.
void ListsSyncUI::ensureANote()
{
    NotepadNotes *notes = NotepadNotes::instance();
    if (!notes)
        return;
    for (const NotepadNote *note : notes->notes()) {
        if (note->syncStatus() != NotepadNote::Deleted)
            return;
    }
    notes->addDefaultNote();
}

// The forced runs check the settings before they touch anything, and put
// everything back when the run does not succeed: a failed, cancelled or
// never started run must neither empty the user's lists nor leave them ready
// to be posted a second time. Settings asked for after a failure open once
// everything is back: a backup imported there must not be undone by it.
void ListsSyncUI::forceRemoteSync()
{
    m_forceRemote = true;
    m_forceLocal = false;
    runForced([this](NotepadNotes *notes) { ForcedRuns::prepareForceRemote(m_lists, notes); }, false);
}

void ListsSyncUI::forceLocalSync()
{
    m_forceRemote = false;
    m_forceLocal = true;
    runForced([this](NotepadNotes *notes) {
        m_page->resetUIMode();
        m_page->closeHiddenDialogs();
        ForcedRuns::prepareForceLocal(m_lists, notes);
        m_page->resetListsGroups();
    }, true);
}

// A forced local run empties the lists before it has the server's: the
// files keep the user's until the run is over.
void ListsSyncUI::runForced(const std::function<void(NotepadNotes *)> &prepare, bool holdSaves)
{
    if (!checkSettings() || !m_lists)
        return;
    NotepadNotes *notes = NotepadNotes::instance();
    bool settingsRequested = false;
    {
        SyncSnapshot snapshot(m_lists, m_page, notes);
        snapshot.setForcedRemote(m_forceRemote);
        if (holdSaves)
            snapshot.holdSaves();
        prepare(notes);
        settingsRequested = runHeld();
        if (!succeeded())
            snapshot.restore();
    }
    if (m_forceRemote && m_ran && !succeeded()) {
        const QString left = ForcedRuns::leftUndoneText(ForcedRuns::leftUndone(m_lists, notes));
        if (!left.isEmpty())
            SyncNotices::tell(tr("Sync"), left);
    }
    tellWhatRunsKept();
    if (settingsRequested)
        showSettings();
}

BaseSynchronizer *ListsSyncUI::createSynchronizer()
{
    auto *synchronizer = new ListsSynchronizer(m_lists, m_page);
    synchronizer->keepNoticesIn(&m_kept);
    synchronizer->setForceRemote(m_forceRemote);
    synchronizer->setForceLocal(m_forceLocal);
    return synchronizer;
}

void ListsSyncUI::showSettings()
{
    m_page->showPreferences();
}
