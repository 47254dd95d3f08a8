#ifndef LISTSSYNCCLIENT_H
#define LISTSSYNCCLIENT_H

// One client of the account for the full and single-list synchronisation
// tests: its lists, the groups a lists page would hold, and helpers to make
// and read lists.

#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/notepadnote.h"
#include "model/notepadnotes.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listssynchost.h"
#include "sync/runs/savefailure.h"

#include <QStringList>

#include <functional>

class TestSyncHost : public ListsSyncHost
{
public:
    TestSyncHost() : m_groups(new ListsGroups) {}
    ~TestSyncHost() override { delete m_groups; }
    ListsGroups *listsGroups() const override { return m_groups; }
    void setListsGroups(ListsGroups *groups) override
    {
        if (groups == m_groups)
            return;
        delete m_groups;
        m_groups = groups;
        ++groupsReplaced;
    }
    QWidget *dialogParent() const override { return nullptr; }
    void singleListSyncStarted(ListModel *model) override { started << model; }
    void singleListSyncEnded(ListModel *model) override { ended << model; }
    void singleListSyncFailed(ListModel *, const QString &message) override { failures << message; }
    void singleListSyncWaits(ListModel *, const QString &message) override { waits << message; }
    bool saveLists(SaveFailure *failure = nullptr) override
    {
        return !diskFullFor(SaveFailure::Lists, QStringLiteral("lists.xhtml"), failure);
    }
    bool saveListsGroups(SaveFailure *failure = nullptr) override
    {
        return !diskFullFor(SaveFailure::ListsGroups, QStringLiteral("listsGroups.xhtml"), failure);
    }

    // While it holds for a document, saving that fails as on a full disk.
    std::function<bool(SaveFailure::Document)> diskFull;
    int groupsReplaced = 0;
    QList<ListModel *> started;
    QList<ListModel *> ended;
    QStringList failures;
    QStringList waits;

protected:
    bool diskFullFor(SaveFailure::Document document, const QString &path, SaveFailure *failure) const
    {
        if (!diskFull || !diskFull(document))
            return false;
        if (failure)
            *failure = SaveFailure(document, path, QStringLiteral("No space left on device"));
        return true;
    }

private:
    ListsGroups *m_groups;
};

// A tree of groups as "[lists] Group[lists](groups) ...", lists by name, as
// serverGroupsOutline writes the server's.
inline QString groupsOutline(const ListsGroupsElementGroup *group, const UserLists &lists)
{
    QStringList names;
    for (const ListsGroupsElementList *entry : group->lists()) {
        const TaskList *list = lists.taskListByServerId(entry->serverId());
        names << (list ? list->name() : QStringLiteral("?"));
    }
    QStringList children;
    for (const ListsGroupsElementGroup *child : group->groups())
        children << child->name() + QLatin1Char('(') + groupsOutline(child, lists) + QLatin1Char(')');
    return QLatin1Char('[') + names.join(QLatin1Char(' ')) + QLatin1Char(']') + children.join(QString());
}

struct SyncClient
{
    UserLists lists;
    TestSyncHost host;

    // A list made here (New), with top-level tasks of these titles.
    ListModel *addList(const QString &name, const QStringList &titles)
    {
        TaskList *list = TaskList::create();
        list->setName(name);
        for (int i = 0; i < titles.size(); ++i)
            list->rootTask()->createChild(i)->setTitle(titles[i]);
        return lists.addList(list);
    }

    ListModel *model(const QString &name) const
    {
        for (ListModel *m : lists.models())
            if (m->taskList()->name() == name)
                return m;
        return nullptr;
    }

    QString groupsOutline() const { return ::groupsOutline(host.listsGroups()->rootGroup(), lists); }

    QStringList names() const
    {
        QStringList out;
        for (ListModel *m : lists.models())
            out << m->taskList()->name();
        return out;
    }

    static QStringList titles(const ListModel *m)
    {
        QStringList out;
        if (!m)
            return {QStringLiteral("<no list>")};
        for (const Task *task : m->taskList()->rootTask()->children())
            out << task->title();
        return out;
    }

    // How deep the tasks go: 0 for a list without tasks.
    static int depth(const ListModel *m) { return depthBelow(m->taskList()->rootTask()); }
    static int depthBelow(const Task *task)
    {
        int deepest = 0;
        for (const Task *child : task->children())
            deepest = qMax(deepest, 1 + depthBelow(child));
        return deepest;
    }

    // A user edit of the first task's title.
    static void editFirstTask(ListModel *m, const QString &title)
    {
        m->setTaskTitle(m->taskList()->rootTask()->children().first(), title);
    }
};

// Does for the notepad what the notepad page does with its signals.
class TestNotepadView : public QObject
{
public:
    explicit TestNotepadView(NotepadNotes *notes)
        : m_notes(notes)
    {
        connect(notes, &NotepadNotes::addNoteToModelAndView, this, [this](NotepadNote *note) {
            m_notes->appendNote(note);
        });
        connect(notes, &NotepadNotes::removeNoteFromView, this, [this](NotepadNote *note) {
            if (!note->mayBeOnServer())
                m_notes->purgeNote(note);
            else
                note->setSyncStatus(NotepadNote::Deleted);
        });
        connect(notes, &NotepadNotes::deleteAndPurgeEverythingSignal, this, [this] {
            const QList<NotepadNote *> all = m_notes->notes();
            for (NotepadNote *note : all)
                m_notes->purgeNote(note);
        });
        connect(notes, &NotepadNotes::removeDefaultNotes, this, [this] {
            const QList<NotepadNote *> all = m_notes->notes();
            for (NotepadNote *note : all)
                if (note->isUntouched())
                    m_notes->purgeNote(note);
        });
        connect(notes, &NotepadNotes::displayOrderChanged, this, [this](const NotepadNoteIdList &ids) {
            for (int i = 0; i < ids.size(); ++i) {
                const int from = m_notes->indexOfServerId(ids[i]);
                if (from >= 0 && i < m_notes->notes().size())
                    m_notes->moveNote(m_notes->notes()[from], m_notes->notes()[i]);
            }
        });
    }

private:
    NotepadNotes *m_notes;
};

// Ends a test's notepad: the page stand-in, then the notepad and its notes,
// which the notepad does not own.
inline void dropNotepad(NotepadNotes *&notes, TestNotepadView *&view)
{
    delete view;
    view = nullptr;
    if (notes) {
        const QList<NotepadNote *> all = notes->notes();
        delete notes;
        qDeleteAll(all);
    }
    notes = nullptr;
}

#endif
