#ifndef STOREDCLIENT_H
#define STOREDCLIENT_H

// A client of the account that lives in its files, as the program does across
// runs: each LiveClient loads it, acts, and either saves it as the program
// would on quitting (persist) or is dropped as by a kill, when only what was
// written during the run (the saves made before uploads) remains. Several
// stored clients take turns in one process; the notepad file the program
// uses is copied in and out around each turn.

#include "fakeserver.h"
#include "listssyncclient.h"
#include "model/listsgroupselementgroup.h"
#include "model/listsgroupselementlist.h"
#include "model/notepadnotes.h"
#include "model/userlists.h"
#include "sync/runs/listssynchost.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/savefailure.h"
#include "sync/runs/notepadsynchronizer.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

struct StoredClient
{
    explicit StoredClient(const QString &name)
        : root(std::make_unique<QTemporaryDir>())
        , path(QDir(root->path()).filePath(name))
    {
        QDir().mkpath(path);
    }
    // The files another process keeps in `folder`, left where they are.
    struct Folder
    {
        QString path;
    };
    explicit StoredClient(const Folder &folder)
        : path(folder.path)
    {
    }
    QString listsPath() const { return QDir(path).filePath(QStringLiteral("lists.xhtml")); }
    QString notesPath() const { return QDir(path).filePath(QStringLiteral("notepad.xhtml")); }
    QString groupsPath() const { return QDir(path).filePath(QStringLiteral("listsGroups.xhtml")); }

    std::unique_ptr<QTemporaryDir> root;
    QString path;
};

inline void replaceFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (QFile::exists(from))
        QFile::copy(from, to);
}

class LiveClient : public TestSyncHost
{
public:
    explicit LiveClient(StoredClient &store)
        : m_store(store)
    {
        QDir().mkpath(QFileInfo(NotepadNotes::filePath()).absolutePath());
        replaceFile(store.notesPath(), NotepadNotes::filePath());
        notes = new NotepadNotes;
        if (!notes->load())
            loadProblem = QStringLiteral("the notepad file was refused");
        view = new TestNotepadView(notes);
        if (QFile::exists(store.listsPath())) {
            QString error;
            QString keptAside;
            lists = UserLists::load(store.listsPath(), &error, &keptAside);
            // A file set aside, whole or in part, lost what the server lacks.
            if (!lists || !keptAside.isEmpty())
                loadProblem += QStringLiteral("the lists file was refused (%1)").arg(error);
        }
        if (!lists)
            lists = new UserLists;
        if (QFile::exists(store.groupsPath())) {
            if (ListsGroups *groups = ListsGroups::load(store.groupsPath()))
                setListsGroups(groups);
            else
                loadProblem += QStringLiteral("the groups file was refused");
            groupsReplaced = 0;
        }
    }

    ~LiveClient() override
    {
        // The notepad saves itself on destruction; the stored copy was
        // taken before, by persist() or kill().
        dropNotepad(notes, view);
        delete lists;
    }

    // As the lists page saves: a file not marked changed is not written,
    // and the groups wait while the lists file is held.
    bool saveLists(SaveFailure *failure = nullptr) override
    {
        ++listSaves;
        if (!lists->isModified())
            return true;
        if (diskFullFor(SaveFailure::Lists, m_store.listsPath(), failure))
            return false;
        QString error;
        if (lists->save(m_store.listsPath(), &error))
            return true;
        if (failure)
            *failure = SaveFailure(SaveFailure::Lists, m_store.listsPath(), error);
        return false;
    }

    bool saveListsGroups(SaveFailure *failure = nullptr) override
    {
        if (!listsGroups()->isModified() || lists->savesHeld())
            return true;
        if (diskFullFor(SaveFailure::ListsGroups, m_store.groupsPath(), failure))
            return false;
        QString error;
        if (listsGroups()->save(m_store.groupsPath(), &error))
            return true;
        if (failure)
            *failure = SaveFailure(SaveFailure::ListsGroups, m_store.groupsPath(), error);
        return false;
    }

    // As the lists page keeps the groups: every list has a local id and an
    // entry (a new one in the default group), an entry names its list by
    // local id too, and a list removed leaves its group.
    void asThePage()
    {
        const auto place = [this](ListModel *model) {
            TaskList *list = model->taskList();
            if (list->localId() == 0) {
                quint32 next = 1;
                for (const ListModel *m : lists->models())
                    next = qMax(next, m->taskList()->localId() + 1);
                list->setLocalId(next);
                model->setChanged();
            }
            if (!listsGroups()->containsList(list))
                listsGroups()->addListToDefaultGroup(list);
        };
        m_asThePage = true;
        localizeGroups();
        for (ListModel *model : lists->models())
            place(model);
        QObject::connect(lists, &UserLists::listAdded, lists, place);
        QObject::connect(lists, &UserLists::listRemoved, lists,
                         [this](ListModel *model) { listsGroups()->removeList(model->taskList()); });
    }

    void setListsGroups(ListsGroups *groups) override
    {
        TestSyncHost::setListsGroups(groups);
        if (!m_asThePage)
            return;
        localizeGroups();
        for (TaskList *list : lists->taskLists())
            if (!listsGroups()->containsList(list))
                listsGroups()->addListToDefaultGroup(list);
    }

    // Quits normally: everything is written.
    void persist()
    {
        lists->save(m_store.listsPath());
        listsGroups()->save(m_store.groupsPath());
        notes->save();
        replaceFile(NotepadNotes::filePath(), m_store.notesPath());
    }

    // Killed: the files stay as the run last wrote them.
    void kill() { replaceFile(NotepadNotes::filePath(), m_store.notesPath()); }

    ListModel *addList(const QString &name, const QStringList &titles)
    {
        TaskList *list = TaskList::create();
        list->setName(name);
        for (int i = 0; i < titles.size(); ++i)
            list->rootTask()->createChild(i)->setTitle(titles[i]);
        return lists->addList(list);
    }

    ListModel *model(const QString &name) const
    {
        for (ListModel *m : lists->models())
            if (m->taskList()->name() == name)
                return m;
        return nullptr;
    }

    int countLists(const QString &name) const
    {
        int n = 0;
        for (ListModel *m : lists->models())
            n += m->taskList()->name() == name;
        return n;
    }

    NotepadNote *addNote(const QString &title, const QString &text)
    {
        auto *note = new NotepadNote;
        note->setTitle(title);
        note->setText(text);
        notes->appendNote(note);
        return note;
    }

    NotepadNote *note(const QString &title) const
    {
        for (NotepadNote *n : notes->notes())
            if (n->title() == title && n->syncStatus() != NotepadNote::Deleted)
                return n;
        return nullptr;
    }

    int countNotes(const QString &title) const
    {
        int n = 0;
        for (NotepadNote *note : notes->notes())
            n += note->title() == title && note->syncStatus() != NotepadNote::Deleted;
        return n;
    }

    // What the notepad page does when the user closes a note.
    void removeNote(NotepadNote *note)
    {
        if (!note->mayBeOnServer()) {
            notes->purgeNote(note);
        } else {
            note->setSyncStatus(NotepadNote::Deleted);
            notes->setChanged(true);
        }
    }

    UserLists *lists = nullptr;
    NotepadNotes *notes = nullptr;
    TestNotepadView *view = nullptr;
    int listSaves = 0;
    // What the last run that failed ended with.
    QString runError;
    // Set when a stored file could not be read back as written.
    QString loadProblem;

private:
    void localizeGroups()
    {
        std::function<void(ListsGroupsElementGroup *)> localize = [&](ListsGroupsElementGroup *group) {
            for (ListsGroupsElementList *entry : group->lists())
                if (const TaskList *list = entry->serverId() ? lists->taskListByServerId(entry->serverId()) : nullptr)
                    entry->setLocalId(list->localId());
            for (ListsGroupsElementGroup *child : group->groups())
                localize(child);
        };
        localize(listsGroups()->rootGroup());
    }

    StoredClient &m_store;
    bool m_asThePage = false;
};

// Runs a full synchronisation of the client, turning the event loop without
// sleeping (the fake server lives in this process). With `killWhen`, the
// program is killed (the run and the client's objects dropped, nothing more
// saved) once a request the server received makes it true, or at the run's
// end. `prepare` sets the run up before it starts (a forced run). With
// `whenStopped`, the run waits there first (its request held by the server)
// while that is called: true kills it as above, false lets it go on to its
// end (the caller has released the answer). Returns whether the run
// succeeded (false when killed).
inline bool runClientSync(LiveClient &client, FakeServer &server, const std::function<bool()> &killWhen = {},
                          const std::function<void(ListsSynchronizer *)> &prepare = {},
                          const std::function<bool()> &whenStopped = {})
{
    auto *sync = new ListsSynchronizer(client.lists, &client);
    if (prepare)
        prepare(sync);
    bool ended = false;
    bool ok = false;
    bool killNow = false;
    bool watching = bool(killWhen);
    QEventLoop loop;
    QObject::connect(sync, &BaseSynchronizer::finished, &loop, [&](bool success) {
        ended = true;
        ok = success;
        loop.quit();
    });
    if (killWhen) {
        QObject::connect(&server, &FakeServer::requestReceived, &loop, [&] {
            if (watching && killWhen()) {
                watching = false;
                killNow = true;
                loop.quit();
            }
        });
    }
    auto wait = [&] {
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeout.start(20000);
        if (!ended && !killNow)
            loop.exec();
        if (!ended && !killNow)
            qWarning() << "a synchronisation did not end in 20 s";
    };
    sync->start();
    wait();
    const bool goesOn = killNow && !ended && whenStopped && !whenStopped();
    if (goesOn) {
        killNow = false;
        wait();
    }
    if (!ok && ended) {
        qDebug().noquote() << "run failed:" << sync->errorString();
        client.runError = sync->errorString();
    }
    delete sync;
    if (killWhen && !goesOn) {
        client.kill();
        return false;
    }
    // As the front end does once a run is over.
    NotepadSynchronizer::tellWhatWasKept();
    return ok;
}

#endif
