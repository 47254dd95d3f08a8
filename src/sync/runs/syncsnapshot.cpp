#include "sync/runs/syncsnapshot.h"

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/listsgroupsreaderwriter.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listssynchost.h"
#include "sync/merges/uploadmark.h"

#include <QBuffer>
#include <QDebug>
#include <QSet>

#include <algorithm>

namespace {

// A list removed while its creation was in doubt has no id yet; the mark of
// its upload tells it from another such list.
bool isDeletedAlready(const UserLists *lists, const TaskList *deleted)
{
    if (deleted->serverId() != 0)
        return lists->findDeletedByServerId(deleted->serverId()) != nullptr;
    const QList<TaskList *> current = lists->deletedLists();
    return std::any_of(current.begin(), current.end(), [deleted](const TaskList *list) {
        return list->serverId() == 0 && list->pendingUpload() == deleted->pendingUpload();
    });
}

} // namespace

SyncSnapshot::SyncSnapshot(UserLists *lists, ListsSyncHost *host, NotepadNotes *notes)
    : m_lists(lists)
    , m_host(host)
    , m_notes(notes)
{
    if (lists) {
        for (ListModel *model : lists->models()) {
            ListState state;
            state.model = model;
            state.list = model->taskList()->clone();
            state.sharedUsers = model->sharedUsers();
            state.sharedRevision = model->sharedRevision();
            state.sharedEdited = model->isSharedEdited();
            state.agreedSharedUsers = model->agreedSharedUsers();
            m_listStates << state;
        }
        for (TaskList *list : lists->deletedLists())
            m_deletedLists << list->clone();
        m_displayOrderChanged = lists->isDisplayOrderChanged();
    }
    if (host && host->listsGroups()) {
        QBuffer buffer(&m_groups);
        ListsGroupsReaderWriter writer(XMLReaderWriter::LocalDocument);
        if (!writer.saveListsGroups(host->listsGroups(), &buffer)) {
            qWarning() << "SyncSnapshot: the list groups could not be kept" << writer.errorString();
            m_groups.clear();
        }
        m_groupsEdited = host->listsGroups()->isEditedSinceSync();
    }
    if (notes) {
        for (NotepadNote *note : notes->notes()) {
            m_noteStates << NoteState{note->title(),
                                      note->text(),
                                      int(note->syncStatus()),
                                      note->serverId(),
                                      note->revision(),
                                      note->pendingUpload(),
                                      note->agreed(),
                                      note->isUntoldKeptCopy(),
                                      note->untoldKept()};
        }
        m_notesOrderChanged = notes->isDisplayOrderChanged();
    }
}

SyncSnapshot::~SyncSnapshot()
{
    if (m_holdsSaves) {
        if (m_lists)
            m_lists->setSavesHeld(false);
        if (m_notes)
            m_notes->setSavesHeld(false);
    }
    for (const ListState &state : std::as_const(m_listStates))
        delete state.list;
    qDeleteAll(m_deletedLists);
}

void SyncSnapshot::holdSaves()
{
    m_holdsSaves = true;
    if (m_lists)
        m_lists->setSavesHeld(true);
    if (m_notes)
        m_notes->setSavesHeld(true);
}

void SyncSnapshot::restore()
{
    restoreLists();
    restoreGroups();
    restoreNotes();
}

void SyncSnapshot::applyModelState(ListModel *model, const ListState &state)
{
    model->setSharedUsers(state.sharedUsers);
    model->restoreSharedRevision(state.sharedRevision);
    model->setSharedEdited(state.sharedEdited);
    model->setAgreedSharedUsers(state.agreedSharedUsers);
    model->setChanged();
}

void SyncSnapshot::restoreLists()
{
    UserLists *lists = m_lists;
    if (!lists)
        return;
    QSet<ListModel *> known;
    for (const ListState &state : std::as_const(m_listStates))
        if (state.model)
            known.insert(state.model);
    // Lists the failed run brought in are not the user's state.
    for (ListModel *model : lists->models())
        if (!known.contains(model))
            lists->purgeList(model->taskList());

    const QList<ListModel *> live = lists->models();
    for (ListState &state : m_listStates) {
        ListModel *model = state.model && live.contains(state.model) ? state.model.data() : nullptr;
        const quint32 oldId = state.list->syncStatus() == TaskList::New ? 0 : state.list->serverId();
        if (model) {
            const TaskList *current = model->taskList();
            const quint32 currentId = current->syncStatus() == TaskList::New ? 0 : current->serverId();
            // Marked by the failed run for a post whose outcome is not known:
            // the server may hold a copy, which the next run looks for.
            const bool markedForPost = current->syncStatus() == TaskList::New
                                       && UploadMark::read(current->pendingUpload()).isPost()
                                       && current->pendingUpload() != state.list->pendingUpload();
            // A list new before the run just keeps its mark.
            if (markedForPost)
                continue;
            if (currentId != 0 && currentId != oldId) {
                // Created on the server by the failed run (the server no
                // longer had it): that copy stays.
                if (oldId != 0)
                    m_repostedIds.insert(oldId, currentId);
                continue;
            }
            // Updated in place by a forced remote run, marked to be, or to
            // be posted anew: the next run finishes what this one began
            // where the server still holds what this one saw. One the run
            // never looked at was not forced at all.
            const UploadMark mark = UploadMark::read(current->pendingUpload());
            const bool unseen = mark.isWhole() && mark.wholeSeenRevision() == 0;
            if (m_forcedRemote && oldId != 0 && (currentId == oldId || currentId == 0) && !unseen)
                continue;
            TaskList *restored = state.list->clone();
            // An update the failed run sent without an answer may have added
            // tasks there: the next run looks for them first.
            if (restored->syncStatus() == TaskList::Edited && current->pendingUpload() != restored->pendingUpload()
                && UploadMark::read(current->pendingUpload()).isPut())
                restored->setPendingUpload(
                    UploadMark::ofListPut(restored, UploadMark::read(current->pendingUpload())).text());
            lists->replaceList(model, restored);
        } else {
            UserLists::AddResult result = UserLists::Refused;
            TaskList *copy = state.list->clone();
            model = lists->addList(copy, &result);
            if (result == UserLists::Refused)
                delete copy;
            if (!model)
                continue;
            state.model = model;
        }
        applyModelState(model, state);
    }
    for (TaskList *deleted : std::as_const(m_deletedLists)) {
        if (isDeletedAlready(lists, deleted))
            continue;
        TaskList *copy = deleted->clone();
        UserLists::AddResult result = UserLists::Refused;
        lists->addList(copy, &result);
        if (result == UserLists::Refused)
            delete copy;
    }
    // An order the run meant to send and did not (a forced remote run cut
    // short after its new lists were posted) is still to go up.
    lists->setDisplayOrderChanged(m_displayOrderChanged || lists->isDisplayOrderChanged());
}

void SyncSnapshot::restoreGroups()
{
    if (!m_host || m_groups.isEmpty())
        return;
    // The tree the forced remote run sent is the server's now, with the ids
    // the server gave its new groups: put back, those would go up again.
    const ListsGroups *current = m_host->listsGroups();
    if (m_forcedRemote && current && current->agreed() && !current->isEditedSinceSync()
        && !current->isUploadInDoubt() && current->sentInDoubt().isEmpty() && current->sameOnServer(*current->agreed()))
        return;
    QBuffer buffer(&m_groups);
    ListsGroupsReaderWriter reader(XMLReaderWriter::LocalDocument);
    ListsGroups *groups = reader.loadListsGroups(&buffer);
    if (!groups) {
        qWarning() << "SyncSnapshot: the list groups could not be put back" << reader.errorString();
        return;
    }
    // What the failed run sent without an answer may be on the server: the
    // next run tells it from the other computer's change by its record.
    if (current && current->sentInDoubt().size() > 0) {
        groups->setSentInDoubt(current->sentInDoubt());
        groups->setUploadInDoubt(true);
    }
    m_host->setListsGroups(groups);
    groups = m_host->listsGroups();
    groups->setEditedSinceSync(m_groupsEdited);
    groups->setModified();
    // The tree put back names the lists kept from the failed run by the ids
    // they replaced; left so, they would fall out of their groups.
    for (auto it = m_repostedIds.cbegin(); it != m_repostedIds.cend(); ++it)
        groups->setListServerId(groups->findList(0, it.key()), it.value());
}

void SyncSnapshot::applyNoteState(NotepadNote *note, const NoteState &state)
{
    note->setTitle(state.title);
    note->setText(state.text);
    note->setSyncStatus(NotepadNote::SyncStatus(state.status));
    note->setServerId(state.serverId);
    note->setRevision(state.revision);
    note->setPendingUpload(state.pendingUpload);
    note->setAgreed(state.agreed);
    note->setUntoldKeptCopy(state.untoldKeptCopy);
    note->setUntoldKept(state.untoldKept);
}

void SyncSnapshot::restoreNotes()
{
    NotepadNotes *notes = m_notes;
    if (!notes || m_forcedRemote)
        return;
    // The notepad was emptied (a forced local run): empty it again of what
    // the run fetched, and give the page the notes back.
    notes->deleteAndPurgeEverything();
    for (const NoteState &state : std::as_const(m_noteStates)) {
        auto *note = new NotepadNote;
        applyNoteState(note, state);
        if (state.status == NotepadNote::Deleted) {
            // Kept for the server only: the user deleted it and never sees
            // it again, so it gets no tab.
            notes->appendNote(note);
            continue;
        }
        notes->addNote(note);
        note->setSyncStatus(NotepadNote::SyncStatus(state.status));
    }
    notes->setDisplayOrderChanged(m_notesOrderChanged || notes->isDisplayOrderChanged());
    notes->setChanged(true);
}
