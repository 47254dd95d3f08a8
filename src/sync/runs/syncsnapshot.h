#ifndef SYNCSNAPSHOT_H
#define SYNCSNAPSHOT_H

#include "model/notepadnote.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>

#include <optional>

class ListModel;
class ListsSyncHost;
class NotepadNotes;
class TaskList;
class UserLists;

// The user's lists, list groups and notes as they stood before a forced
// synchronisation prepared them. A forced run that does not succeed puts
// them back, so that neither the user nor the server loses a list or gets
// one twice: a list the failed run had already created on the server stays
// as created, a list a forced remote run sends whole stays so once the run
// looked at the server's copy, and the notes of a forced remote run, which
// keep their ids, stay as the run left them: the next run finishes what it
// began where the server still holds what the run saw.
class SyncSnapshot
{
public:
    SyncSnapshot(UserLists *lists, ListsSyncHost *host, NotepadNotes *notes);
    ~SyncSnapshot();

    SyncSnapshot(const SyncSnapshot &) = delete;
    SyncSnapshot &operator=(const SyncSnapshot &) = delete;

    // A forced remote run: once its groups tree went up and came back, what
    // the server gave it (the ids of the groups made here) stays, should the
    // run fail later; so do its lists under their ids.
    void setForcedRemote(bool forcedRemote) { m_forcedRemote = forcedRemote; }
    void restore();
    // Until the snapshot goes, the lists and notepad files keep what they
    // hold: a run killed before it has the server's copies leaves the
    // user's where they were.
    void holdSaves();

private:
    struct ListState
    {
        QPointer<ListModel> model;
        TaskList *list = nullptr; // a copy, owned
        QMap<QString, QString> sharedUsers;
        quint32 sharedRevision = 1;
        bool sharedEdited = false;
        std::optional<QMap<QString, QString>> agreedSharedUsers;
    };
    struct NoteState
    {
        QString title;
        QString text;
        int status = 0;
        quint32 serverId = 0;
        quint32 revision = 0;
        QString pendingUpload;
        std::optional<NotepadNote::Agreed> agreed;
        bool untoldKeptCopy = false;
        QString untoldKept;
    };

    void restoreLists();
    void restoreGroups();
    void restoreNotes();
    static void applyModelState(ListModel *model, const ListState &state);
    static void applyNoteState(NotepadNote *note, const NoteState &state);

    QPointer<UserLists> m_lists;
    ListsSyncHost *m_host;
    QPointer<NotepadNotes> m_notes;
    QList<ListState> m_listStates;
    QList<TaskList *> m_deletedLists; // copies, owned
    bool m_displayOrderChanged = false;
    QByteArray m_groups;
    bool m_groupsEdited = false;
    // Lists the failed run posted anew and that stay so: old id, new id.
    QHash<quint32, quint32> m_repostedIds;
    QList<NoteState> m_noteStates;
    bool m_notesOrderChanged = false;
    bool m_holdsSaves = false;
    bool m_forcedRemote = false;
};

#endif
