#ifndef STOREDCLIENT_H
#define STOREDCLIENT_H

// A client of the account that lives in its files, as the program does across
// runs: each LiveClient loads it, acts, and either saves it as the program
// would on quitting (persist) or is dropped as by a kill, when only what was
// written during the run (the saves made before uploads) remains. Several
// stored clients take turns in one process; the notepad file the program
// uses is copied in and out around each turn.

#include "listssyncclient.h"
#include "model/notepadnotes.h"
#include "model/userlists.h"
#include "sync/listssynchost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

struct StoredClient
{
    explicit StoredClient(const QString &name)
        : path(QDir(root.path()).filePath(name))
    {
        QDir().mkpath(path);
    }
    QString listsPath() const { return QDir(path).filePath(QStringLiteral("lists.xhtml")); }
    QString notesPath() const { return QDir(path).filePath(QStringLiteral("notepad.xhtml")); }

    QTemporaryDir root;
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
        notes->load();
        view = new TestNotepadView(notes);
        if (QFile::exists(store.listsPath()))
            lists = UserLists::load(store.listsPath());
        if (!lists)
            lists = new UserLists;
    }

    ~LiveClient() override
    {
        // The notepad saves itself on destruction; the stored copy was
        // taken before, by persist() or kill().
        dropNotepad(notes, view);
        delete lists;
    }

    bool saveLists() override
    {
        ++listSaves;
        return lists->save(m_store.listsPath());
    }

    // Quits normally: everything is written.
    void persist()
    {
        lists->save(m_store.listsPath());
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

private:
    StoredClient &m_store;
};

#endif
