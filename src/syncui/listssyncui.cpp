#include "syncui/listssyncui.h"

#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/userlists.h"
#include "sync/listssynchronizer.h"
#include "sync/listssyncpage.h"
#include "sync/syncsnapshot.h"

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
    m_page->cancelSingleListSyncs();
    m_page->setSyncing(true);
    m_page->commitOpenEditor();
    const bool hadLists = !m_lists->models().isEmpty();
    BaseSyncUI::sync();
    // The run drops untouched default lists before it starts; one that then
    // fails must not leave a page that had a list with none to type in.
    if (succeeded() || (hadLists && m_lists->models().isEmpty()))
        m_lists->ensureNotEmpty();
    ensureANote();
    m_page->setSyncing(false);
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
// to be posted a second time.
void ListsSyncUI::forceRemoteSync()
{
    if (!checkSettings())
        return;
    NotepadNotes *notes = NotepadNotes::instance();
    SyncSnapshot snapshot(m_lists, m_page, notes);
    ListsSynchronizer::prepareForceRemote(m_lists, notes);
    m_forceRemote = true;
    m_forceLocal = false;
    sync();
    if (!succeeded())
        snapshot.restore();
}

void ListsSyncUI::forceLocalSync()
{
    if (!checkSettings())
        return;
    NotepadNotes *notes = NotepadNotes::instance();
    SyncSnapshot snapshot(m_lists, m_page, notes);
    m_page->resetUIMode();
    m_page->closeHiddenDialogs();
    m_lists->removeAllLists();
    m_page->resetListsGroups();
    if (notes)
        notes->deleteAndPurgeEverything();
    m_forceRemote = false;
    m_forceLocal = true;
    sync();
    if (!succeeded())
        snapshot.restore();
}

BaseSynchronizer *ListsSyncUI::createSynchronizer()
{
    auto *synchronizer = new ListsSynchronizer(m_lists, m_page);
    synchronizer->setForceRemote(m_forceRemote);
    synchronizer->setForceLocal(m_forceLocal);
    return synchronizer;
}

void ListsSyncUI::showSettings()
{
    m_page->showPreferences();
}
