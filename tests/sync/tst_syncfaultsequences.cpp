#include "core/clock.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/listsgroupselementgroup.h"
#include "model/listsgroupselementlist.h"
#include "model/notepadnote.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/tasknote.h"
#include "storedclient.h"
#include "sync/runs/forcedruns.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/runs/notepadsynchronizer.h"
#include "sync/runs/restoredlists.h"
#include "sync/merges/uploadmark.h"
#include "sync/runs/syncsnapshot.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QHashSeed>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

// Two clients of one account take random turns at making, changing and
// removing lists, tasks and notes, at undo and redo, at copying and pasting
// tasks, at leaving an untitled row in a list, at forced runs, at importing
// their own backup, and at synchronising while the server loses answers after
// applying requests, fails them after applying them, fails the fetch after an
// upload, or the program is killed while a request is out: any, a DELETE, or
// the upload of a change made right before the run and not yet saved. Some
// steps make a case on purpose: a step on the other computer in the second of
// a step before (right after it, or on a clock that is behind, into the same
// list when it may); a list made without tasks whose post is lost or in doubt,
// then changed on the other computer; a forced remote run killed once its
// first post is out, before its deletes, followed by a forced local run; the
// other computer synchronising while a forced remote run waits between its
// first post and its deletes (the run then goes on, or is killed), after which
// it may force its own remote run. After quiet synchronisations of both, every
// item exists exactly once on the server and in both clients, with every edit,
// nothing removed is back, no lists file was refused, and one more run of each
// sends nothing.
//
// The expected state stays exact because no two edits conflict: a client
// changes a list only while its copy shows the list as expected, so every
// edit is made on top of all the earlier ones, from either side. The maker
// of an item does everything to it; the other client may add a task to a
// list, rename it, tick a task or paste one in, and may make an item alike
// (same name and titles, or same title and text) while the maker's upload of
// it is in doubt (one that nothing identifies only once the server holds the
// copy that upload made): both stay. Whether an upload in doubt reached the
// server cannot be told once another client changed or removed the server's
// copy of a note, nor once it removed any: the other client does neither
// then. A list posted without titled tasks is still known by its fields when
// the other client only added a task to it; renamed there, nothing is left
// to know it by, and it may stay two (the other's, and its maker's copy
// posted again as it was): that is counted apart. A removal made while the
// item's own creation is in doubt may leave the server's copy of an item
// that nothing identifies: it may come back, once, everywhere; that is
// counted apart too.
//
// A task is known by its creator and creation second, and both clients are
// one user: tasks made in one step share them, so do a task and its pasted
// copies (a paste keeps them, whatever was changed since the copy), and so
// do tasks made on both computers in the same second, the untitled rows a
// run leaves in empty lists included (typed into later, they keep the run's
// second). None of that may cost a task or put one task's data on another.
//
// A forced remote run is made only when the other client has nothing to
// send and this one holds every item, a forced local one only when this
// client has nothing to send (or had nothing before the forced remote run
// cut short that it follows): either leaves the expected state as it was.
// After a forced remote run the other client goes on changing its copies,
// which carry the ids the run replaced, before it has synchronised: each
// change goes to the item the run posted in its place (a list or note of an
// older copy waits though: renamed and changed on others since, nothing may
// tell which item there it is). A forced remote run cut short is finished
// by its client's next run, which replaces them too. Neither client changes a list while the other holds an unsent change
// to it: the later upload of a list wins. The other computer's run in the
// middle of a forced run is a process of its own (plumdeck_syncchild): one
// process sends one request at a time.
//
// Beside those, lists that every computer changes whatever its copy holds,
// older or not (a third computer joins in some sequences): a list renamed, a
// task retitled, ticked, assigned, moved among its siblings, below the one
// before it or out of its parent, removed with what is below it, moved to
// another list, or added; the whole list removed (with two computers only:
// two others changing it would each bring it back, once each). These steps
// are drawn apart, between the others.
// Each change is kept with what its computer knew then of the others'
// changes: what its last run that succeeded brought (a run that failed may
// have brought more, which is only "maybe known"). After the quiet runs a
// field holds the value of a change no later one knew of (of two or more
// such, any); a removal holds unless a change of the task, or of something
// below it, it may not have known of was made (then the task stays; a move
// among its siblings is a place, not such a change, nor is one that gave a
// field the value a change the removal knew of gave it); a task
// is in one place only (or twice where nothing told its copies apart, and
// the user is told so: counted apart), and a place a change put it in holds (after the
// same sibling, where that has not moved since); every computer holds
// what the server holds. A whole list or note removed is gone unless a
// change of it the removal may not have known of was made (a rename, or a
// task of it changed, added or moved in: that task stays, and so the list);
// it is never back when its removal knew of every change of it. A tick, an
// assignment or a place is changed once between two runs that succeed, so
// that none undoes another not yet sent.
// Notes (known by a key at the head of their text) and the groups tree
// (groups known by their names, each given once) are changed so too: a
// note's title and
// text are fields, but a text changed on two computers, neither knowing of
// the other, stays as the server's with the other kept beside it as a new
// note titled "... (my changes)": every text no other change may have known
// of is in the note or beside it, and nothing else is beside it. A group is
// made (sent at once) or renamed, and a list put into a group or back into
// the default one: a group's name and a list's group are fields, a group
// stays where it was made, and each is there once. Now and then another
// computer changes the same note's text, or moves a list in its tree, right
// after, from its own copy. The lists page's placing is played for those
// lists: local ids, a list in a group once the client holds it. A forced
// local run that finishes a forced remote one cut short takes the server's
// tree, which names the lists that run posted anew by their old ids: a
// list's group set before it may be lost then (counted apart). The lists
// are moved among one another in the tab order too: a list put after
// another (or first) holds there where that one has not moved since, and
// every computer shows the server's order. A run of theirs now and then ends
// between the first list it fetches or merges and the end of the lists: the
// user cancels it, quits the program, or a later list's request fails (its
// answer lost, or a 500).
//
// PLUMDECK_LONG_SYNC_SEQUENCES=1 runs the long version,
// PLUMDECK_SYNC_SEQUENCE_SEED=<n> one sequence with its steps told,
// PLUMDECK_SYNC_SEQUENCE_STEPS=<n> only the first n steps of each, and
// PLUMDECK_SYNC_SEQUENCE_WITHOUT=undo,forced,... leaves kinds of steps out
// (undo, forced, forcedkill, cross, alike, blank, rename, tick, taskremoval,
// deletekill, unsaved, samesecond, paste, blankpost, forcedafterkill,
// midforced, overforced (changes over the other's forced remote run wait
// for a run first, as before it), restore (the user's own backup imported);
// stale, and of its steps third, staleruns, stalerename, staleretitle,
// staletick, staleassign, stalereorder, staleindent,
// staleremove, stalemove, staleadd, stalenote, stalegroup, stalesecond,
// staleend, staleremovelist, staleremovenote, stalelistorder, staleuntyped,
// stalemoveboth); without the
// five from samesecond to midforced, and stale, the sequences are those made
// before them, with stale but without stalenote, stalegroup, stalesecond and
// the three after it, those made before these, without stalesecond and the
// three after it those made before them, and without staleend,
// staleremovelist and staleremovenote, those made before these three;
// stalelistorder, with draws of its own, adds list moves to them, and so do
// staleuntyped (rows opened with Return below a task, or above the first
// subtask of one, at any depth, and left untyped: no change) and
// stalemoveboth (a task moved to another list moved right after by another
// computer not synchronised since, to any list, which now and then then
// removes the list the first move went to).
//
// With stalesecond, tasks of those lists are also made in a second another
// task holds, as a person makes them: a list's tasks typed in one second,
// two typed one after the other with Enter (which leaves an untitled row of
// that second), a task typed later into such a row, and a pasted copy of a
// task (its source's creator and second, its title, then a key of its own).
// A task moved to another list is then now and then edited right after on
// another computer's older copy. The moves and edits must tell each task
// from the others.

namespace {

const QString ListsPath = QStringLiteral("^/lists(/\\d+)?$");
const QString NotesPath = QStringLiteral("^/notepad-notes(/\\d+)?$");
const QString ItemPath = QStringLiteral("^/(lists|notepad-notes)(/\\d+)?$");

// A list every computer may change whatever its copy holds: known by its
// description, each task of it by its note, neither of which anyone edits.
const QString StaleTag = QStringLiteral("held in older copies ");
const QString KeyTag = QStringLiteral("key ");
// Two computers, and a third in some sequences.
constexpr int MaxComputers = 3;

QString taskSig(const QString &title, bool done)
{
    return done ? title + QLatin1Char('*') : title;
}

QString listSig(const QString &name, QStringList tasks)
{
    tasks.sort();
    return name + QLatin1Char('[') + tasks.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString noteSig(const QString &title, const QString &text)
{
    return title + QLatin1Char('=') + text;
}

struct ExpTask
{
    QString title;
    bool done = false;
};

struct ExpList
{
    QString name;
    QStringList names; // every name it had: a copy may not have fetched a rename yet
    QList<ExpTask> tasks;
    int maker = 0;
    bool twin = false;    // made alike with another: only removed afterwards
    bool inDoubt = false; // its maker's copy carries an upload mark
    // A client's copy holds changes the server may not have (edited, or an
    // update in doubt): a change made on the other client meanwhile would
    // meet it at the server, where the later upload of a list wins.
    bool pending[MaxComputers] = {false, false, false};
    // Posted while it had no titled task and its maker has no id for it yet:
    // the server's copy may carry nothing to know it by.
    bool untitledInDoubt = false;
    // A task of it may share its creator and creation second with another
    // task (made in a second the other computer used, typed into a row a
    // run left, a pasted copy or the source of one): only its server copy
    // may tell it then.
    bool sharedIdentity = false;
    QStringList posted; // what its maker's runs may have posted while it was new

    QStringList taskSigs() const
    {
        QStringList out;
        for (const ExpTask &t : tasks)
            out << taskSig(t.title, t.done);
        return out;
    }
    QString sig() const { return listSig(name, taskSigs()); }
    // Pasted copies share a title: the one ticked or not as the task is.
    int indexOf(const QString &title, bool done) const
    {
        for (int i = 0; i < tasks.size(); ++i)
            if (tasks[i].title == title && tasks[i].done == done)
                return i;
        return -1;
    }
};

struct ExpNote
{
    QString title;
    QString text;
    int maker = 0;
    bool twin = false;
    bool inDoubt = false;
    QStringList posted;

    QString sig() const { return noteSig(title, text); }
};

// An item removed while its creation was in doubt, with nothing to know it
// by: the copy that upload made on the server (one of what was posted, under
// an id the server held such content under then) may come back. Or a list
// whose first post was in doubt when the other client renamed it: its
// maker's copy may stay beside it, posted again under any id.
struct Ghost
{
    QStringList sigs;
    QSet<quint32> ids;
    bool anyId = false;
    // Or any list of this name ("Name["), whatever it holds.
    QString prefix;
};

struct Expected
{
    QMap<int, ExpList> lists;
    QMap<int, ExpNote> notes;
    QList<Ghost> listGhosts;
    QList<Ghost> noteGhosts;
    // Lists removed while their post was in doubt, told by their tasks when
    // removed: a later upload of a copy of one of those tasks (pasted into
    // another list) leaves nothing of their own, and they may come back.
    struct RemovedInDoubt
    {
        int client;
        QString mark;
        QStringList posted;
    };
    QList<RemovedInDoubt> removedInDoubt;
    int nextKey = 0;
};

struct Figures
{
    int sequences = 0;
    int steps = 0;
    int syncs = 0;
    int faultsSet = 0;
    int faultsFired = 0;
    int kills = 0;
    int failures = 0;
    int undos = 0;
    int redos = 0;
    int forcedRemote = 0;
    int forcedLocal = 0;
    int forcedSkipped = 0;
    int overForced = 0; // changes on a computer whose copies carry ids another's forced run replaced
    int restores = 0;   // the user's own backup imported
    int crossEdits = 0;
    int crossInDoubt = 0;
    int alike = 0;
    int blankRows = 0;
    int listRemovals = 0;
    int taskRemovals = 0;
    int noteRemovals = 0;
    int removalsInDoubt = 0;
    int mayComeBack = 0;
    int deleteKills = 0;
    int unsavedKills = 0;
    int cameBack = 0;
    int refusedFiles = 0;
    int sameSecond = 0;
    int sameList = 0;
    int programRows = 0;
    int copies = 0;
    int pastes = 0;
    int blankPosts = 0;
    int blankFetched = 0;
    int blankTaskAdded = 0;
    int blankRenamed = 0;
    int mayStayTwo = 0;
    int stayedTwo = 0;
    int forcedAfterCut = 0;
    int midForced = 0;
    int midReleased = 0;
    int midKilled = 0;
    int otherForced = 0;
    // Runs ended between the first list they fetched or merged and the end
    // of the lists: cancelled, the program quit, or a later list's request
    // failed.
    int cutCancelled = 0;
    int cutQuit = 0;
    int cutFailed = 0;
    // Lists edited on computers holding older copies.
    int staleLists = 0;
    int staleRuns = 0;
    int threeComputers = 0;
    int thirdEdits = 0;
    int staleBoth = 0;     // fields changed on two computers, neither knowing of the other
    int staleHeld = 0;     // removals that held
    int staleKept = 0;     // removed tasks kept for a change the removal did not know of
    int staleCycles = 0;   // places each wanted by one side that could not hold together
    int staleTwiceTold = 0; // tasks kept twice where nothing told them apart, the user told
    int staleNotes = 0;
    int staleNotesBoth = 0; // texts edited right after on another computer
    int staleGroups = 0;
    int staleGroupsBoth = 0; // trees changed right after on another computer
    int groupsDropped = 0; // lists out of their group after a forced local run finishing a cut remote one
    int keptBeside = 0;    // texts of notes kept beside the server's
    int keptTold = 0;      // told of in a notice
    int removalsTold = 0;  // notices of what was kept against a removal
    int listsBack = 0;     // whole lists removed, back for a change their removal did not know of
    int listsGone = 0;     // whole lists removed, and gone
    int notesBack = 0;
    int notesGone = 0;
    QMap<QString, int> staleEdits;   // by kind
    QMap<QString, int> failureKinds; // sequences with a problem of the kind
    QStringList problems;
};

QStringList clientTaskSigs(const TaskList *list)
{
    QStringList out;
    std::function<void(const Task *)> walk = [&](const Task *task) {
        for (const Task *child : task->children()) {
            if (!child->title().isEmpty()) // the blank row a list always shows
                out << taskSig(child->title(), child->isDone());
            walk(child);
        }
    };
    walk(list->rootTask());
    return out;
}

QString clientListSig(const TaskList *list)
{
    return listSig(list->name(), clientTaskSigs(list));
}

// Every task, an untitled one too: the writer leaves the blank row out. Only
// a task whose title an undo emptied (`blanked`) goes up untitled, and the
// clients show no more of it than of the blank row.
QStringList serverTaskSigs(const FakeServer &server, quint32 id, const QSet<quint32> &blanked)
{
    QStringList out;
    std::function<void(const QList<FakeTask> &)> walk = [&](const QList<FakeTask> &tasks) {
        for (const FakeTask &t : tasks) {
            if (!t.title().isEmpty() || !t.children.isEmpty() || !blanked.contains(t.id))
                out << taskSig(t.title(), fakeField(t.fields, QStringLiteral("done")) == QLatin1String("true"));
            walk(t.children);
        }
    };
    walk(server.tasks(id));
    return out;
}

QStringList serverListSigs(const FakeServer &server, QList<quint32> *ids = nullptr,
                           const QSet<quint32> &blanked = {})
{
    QStringList out;
    for (const FakeList &l : server.visibleLists(QStringLiteral("alice"))) {
        if (l.description.startsWith(StaleTag))
            continue; // told by their fields, not by their contents
        out << listSig(l.name, serverTaskSigs(server, l.id, blanked));
        if (ids)
            *ids << l.id;
    }
    return out;
}

QStringList serverNoteSigs(const FakeServer &server, QList<quint32> *ids = nullptr)
{
    QStringList out;
    for (const FakeNote &n : server.notes(QStringLiteral("alice"))) {
        if (n.text.startsWith(StaleTag))
            continue; // told by their fields, not by their contents
        out << noteSig(n.title, n.text);
        if (ids)
            *ids << n.id;
    }
    return out;
}

// The server's ids of items that read as one of these.
QSet<quint32> idsOf(const QStringList &sigs, const QStringList &onServer, const QList<quint32> &ids)
{
    QSet<quint32> out;
    for (int i = 0; i < onServer.size(); ++i)
        if (sigs.contains(onServer[i]))
            out.insert(ids[i]);
    return out;
}

// The list a run leaves when there is none: the next run drops it.
bool programDefault(const ListModel *model)
{
    return model->taskList()->isUntouchedDefault();
}

QStringList clientListSigs(const LiveClient &client)
{
    QStringList out;
    for (ListModel *m : client.lists->models())
        if (!programDefault(m) && !m->taskList()->description().startsWith(StaleTag))
            out << clientListSig(m->taskList());
    return out;
}

QStringList clientNoteSigs(const LiveClient &client)
{
    QStringList out;
    for (NotepadNote *n : client.notes->notes())
        if (n->syncStatus() != NotepadNote::Deleted && !n->text().startsWith(StaleTag))
            out << noteSig(n->title(), n->text());
    return out;
}

// Empty when `have` holds every item of `want` once and, besides them, only
// copies of ghosts, one each at most; those go to *extra. With the server's
// `ids` (in the order of `have`) a copy must also be the one the ghost's
// upload made.
QString matchItems(const QString &where, QStringList have, const QStringList &want, const QList<Ghost> &ghosts,
                   QStringList *extra, QList<quint32> ids = {})
{
    auto copyOf = [&](const Ghost &g, int i) {
        return (g.sigs.contains(have[i]) || (!g.prefix.isEmpty() && have[i].startsWith(g.prefix)))
               && (ids.isEmpty() || g.anyId || g.ids.contains(ids[i]));
    };
    auto ghostly = [&](int i) {
        return std::any_of(ghosts.begin(), ghosts.end(), [&](const Ghost &g) { return copyOf(g, i); });
    };
    for (const QString &w : want) {
        // Of two alike, the one no ghost can be is the one wanted.
        int found = -1;
        for (int i = 0; i < have.size(); ++i) {
            if (have[i] != w)
                continue;
            if (found < 0 || !ghostly(i))
                found = i;
            if (!ghostly(i))
                break;
        }
        if (found >= 0) {
            have.removeAt(found);
            if (!ids.isEmpty())
                ids.removeAt(found);
            continue;
        }
        const QString prefix = w.left(int(w.indexOf(QRegularExpression(QStringLiteral("[\\[=]")))) + 1);
        QStringList alike;
        for (const QString &h : std::as_const(have))
            if (h.startsWith(prefix))
                alike << h;
        return QStringLiteral("%1 lacks %2 (holds %3)")
            .arg(where, w, alike.isEmpty() ? QStringLiteral("none such") : alike.join(QLatin1Char(' ')));
    }
    QList<bool> used(ghosts.size(), false);
    for (int i = 0; i < have.size(); ++i) {
        int g = 0;
        while (g < ghosts.size() && (used[g] || !copyOf(ghosts[g], i)))
            ++g;
        if (g == ghosts.size())
            return QStringLiteral("%1 holds %2 %3")
                .arg(where, have[i], want.contains(have[i]) ? QStringLiteral("twice") : QStringLiteral("unexpectedly"));
        used[g] = true;
    }
    have.sort();
    if (extra)
        *extra = have;
    return QString();
}

// ------------------------------------------- lists edited on computers holding older copies

const QStringList Nicks = {QStringLiteral("bob"), QStringLiteral("carol")};

bool isStale(const TaskList *list)
{
    return list->description().startsWith(StaleTag);
}

QString keyOf(const Task *task)
{
    const QString text = task->note().text();
    return text.startsWith(KeyTag) ? text.mid(KeyTag.size()) : QString();
}

QString listKeyOf(const TaskList *list)
{
    return list->description().mid(StaleTag.size());
}

// The "list: task" lines of a notice of tasks kept twice beside a move.
QStringList movesUntoldLines(const QString &box)
{
    ListOutcome::KeptAgainstRemovals moves;
    moves.movesUntold << QStringLiteral("x");
    const QString text = ListOutcome::keptAgainstRemovalsText(moves);
    const QString head = text.left(text.lastIndexOf(QLatin1Char('\n')) + 1);
    QStringList out;
    for (const QString &part : box.split(QStringLiteral("\n\n")))
        if (part.startsWith(head))
            out << part.mid(head.size()).split(QLatin1Char('\n'));
    return out;
}

// The lists of older copies a computer holds once each, by key; a key held
// twice (a list kept beside another) names none.
QMap<QString, ListModel *> staleListsHeld(const LiveClient &client)
{
    QMap<QString, ListModel *> held;
    QSet<QString> twice;
    for (ListModel *m : client.lists->models()) {
        if (!isStale(m->taskList()))
            continue;
        const QString key = listKeyOf(m->taskList());
        if (held.contains(key))
            twice.insert(key);
        held.insert(key, m);
    }
    for (const QString &key : std::as_const(twice))
        held.remove(key);
    return held;
}

// Where a task is: a keyed task above it, or the top of a list.
QString containerOf(const Task *task, const QString &listKey)
{
    const Task *parent = task->parent();
    return parent && parent->parent() ? QStringLiteral("T:") + keyOf(parent) : QStringLiteral("L:") + listKey;
}

// The keys of the tasks above it, nearest first.
QStringList chainOf(const Task *task)
{
    QStringList out;
    for (const Task *t = task->parent(); t && t->parent(); t = t->parent())
        out << keyOf(t);
    return out;
}

QList<Task *> keyedChildren(const Task *parent)
{
    QList<Task *> out;
    for (Task *child : parent->children())
        if (!keyOf(child).isEmpty())
            out << child;
    return out;
}

// The task and every keyed task below it.
QList<Task *> keyedTree(Task *task)
{
    QList<Task *> out;
    if (!keyOf(task).isEmpty())
        out << task;
    for (Task *child : task->children())
        out += keyedTree(child);
    return out;
}

// The lists edited on computers holding older copies, as one computer or
// the server holds them.
struct StaleView
{
    struct Item
    {
        QString title;
        bool done = false;
        QStringList assigned;
        QString container;
    };
    QMap<QString, QStringList> names;      // list key: the name of each copy
    QHash<QString, QList<Item>> tasks;     // task key: each copy
    QHash<QString, QStringList> children;  // container: the keys in it, in order
    QStringList unkeyed;                   // titled tasks without a key
    QStringList texts;                     // one per copy of a list, sorted

    QString text() const { return texts.join(QLatin1Char(' ')); }
    int indexIn(const QString &container, const QString &key) const
    {
        return int(children.value(container).indexOf(key));
    }
};

// Fills a view from one list; `Node` is a client's task or the server's.
template <typename Node, typename Children, typename Describe>
void viewList(StaleView &view, const QString &listKey, const QString &name, const QList<Node> &top,
              const Children &childrenOf, const Describe &describe)
{
    view.names[listKey] << name;
    QString text = listKey + QLatin1Char('=') + name + QLatin1Char('{');
    std::function<void(const QList<Node> &, const QString &)> walk = [&](const QList<Node> &nodes,
                                                                          const QString &container) {
        for (const Node &node : nodes) {
            StaleView::Item item;
            QString key;
            describe(node, &key, &item);
            item.container = container;
            if (key.isEmpty()) {
                if (!item.title.isEmpty())
                    view.unkeyed << item.title;
                if (item.title.isEmpty() && childrenOf(node).isEmpty())
                    continue; // the untitled row a list shows
            }
            std::sort(item.assigned.begin(), item.assigned.end());
            view.tasks[key] << item;
            view.children[container] << key;
            text += QStringLiteral("%1(%2%3%4){").arg(key, item.title, item.done ? QStringLiteral("*") : QString(),
                                                     item.assigned.isEmpty() ? QString()
                                                                             : QLatin1Char('@') + item.assigned.join(QLatin1Char('@')));
            walk(childrenOf(node), QStringLiteral("T:") + key);
            text += QLatin1Char('}');
        }
    };
    walk(top, QStringLiteral("L:") + listKey);
    view.texts << text + QLatin1Char('}');
    view.texts.sort();
}

StaleView clientStaleView(const UserLists *lists)
{
    StaleView view;
    for (const ListModel *m : lists->models()) {
        const TaskList *list = m->taskList();
        if (!isStale(list))
            continue;
        viewList<Task *>(
            view, listKeyOf(list), list->name(), list->rootTask()->children(),
            [](Task *t) { return t->children(); },
            [](Task *t, QString *key, StaleView::Item *item) {
                *key = keyOf(t);
                item->title = t->title();
                item->done = t->isDone();
                item->assigned = t->assignments();
            });
    }
    return view;
}

StaleView serverStaleView(const FakeServer &server)
{
    StaleView view;
    for (const FakeList &l : server.visibleLists(QStringLiteral("alice"))) {
        if (!l.description.startsWith(StaleTag))
            continue;
        viewList<FakeTask>(
            view, l.description.mid(StaleTag.size()), l.name, server.tasks(l.id),
            [](const FakeTask &t) { return t.children; },
            [](const FakeTask &t, QString *key, StaleView::Item *item) {
                const QString note = fakeField(t.fields, QStringLiteral("note-text"));
                *key = note.startsWith(KeyTag) ? note.mid(KeyTag.size()) : QString();
                item->title = t.title();
                item->done = fakeField(t.fields, QStringLiteral("done")) == QLatin1String("true");
                item->assigned = t.assignments;
            });
    }
    return view;
}

// The lists edited on older copies in their display order, by key: as a
// computer shows them, or as the server's order gives them.
QStringList clientStaleListOrder(const UserLists *lists)
{
    QStringList out;
    for (const ListModel *m : lists->models())
        if (isStale(m->taskList()))
            out << listKeyOf(m->taskList());
    return out;
}

QStringList serverStaleListOrder(const FakeServer &server)
{
    QStringList out;
    for (quint32 id : server.listOrder(QStringLiteral("alice"))) {
        const FakeList list = server.list(id);
        if (list.description.startsWith(StaleTag))
            out << list.description.mid(StaleTag.size());
    }
    return out;
}

// Notes every computer edits whatever its copy holds: known by a key at the
// head of their text, which no edit changes. A text that gave way to the
// server's comes back beside the note, under its title and this suffix.
const QString KeptSuffix = QStringLiteral(" (my changes)");

QString staleNoteText(const QString &key, const QString &body)
{
    return StaleTag + key + QLatin1Char('\n') + body;
}

struct StaleNotesView
{
    struct Copy
    {
        QString title;
        QString body;
        bool kept() const { return title.endsWith(KeptSuffix); }
    };
    QMap<QString, QList<Copy>> notes; // key: each copy
    QStringList texts;                // one per copy, sorted

    void add(const QString &title, const QString &text)
    {
        if (!text.startsWith(StaleTag))
            return;
        const int end = int(text.indexOf(QLatin1Char('\n')));
        const QString key = text.mid(StaleTag.size(), end - StaleTag.size());
        const QString body = end < 0 ? QString() : text.mid(end + 1);
        notes[key] << Copy{title, body};
        texts << key + QLatin1Char('=') + title + QLatin1Char(':') + body;
        texts.sort();
    }
    QString text() const { return texts.join(QLatin1Char(' ')); }
};

StaleNotesView clientStaleNotes(const NotepadNotes *notes)
{
    StaleNotesView view;
    for (const NotepadNote *n : notes->notes())
        if (n->syncStatus() != NotepadNote::Deleted)
            view.add(n->title(), n->text());
    return view;
}

StaleNotesView serverStaleNotes(const FakeServer &server)
{
    StaleNotesView view;
    for (const FakeNote &n : server.notes(QStringLiteral("alice")))
        view.add(n.title, n.text);
    return view;
}

// The groups tree as one computer or the server holds it: groups known by
// the names changes gave them (each name is given once), the lists above by
// their keys. A list no group names sits in the default one ("root").
struct StaleGroupsView
{
    QMap<QString, QStringList> parents; // group key: the parent of each copy
    QMap<QString, QStringList> names;   // group key: the name of each copy
    QMap<QString, QStringList> entries; // list key: the group of each entry
    QStringList unkeyed;

    QString text() const
    {
        QStringList out;
        for (auto it = parents.cbegin(); it != parents.cend(); ++it)
            out << QStringLiteral("%1=%2<%3>").arg(it.key(), names.value(it.key()).join(QLatin1Char('|')),
                                                   it.value().join(QLatin1Char('|')));
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            if (it.value() != QStringList{QStringLiteral("root")})
                out << QStringLiteral("%1@%2").arg(it.key(), it.value().join(QLatin1Char('|')));
        out << unkeyed;
        return out.join(QLatin1Char(' '));
    }
};

// Walks a tree of either kind; `listKeyOfId` tells the key of an entry's list
// (empty for a list of no concern here).
template <typename Group, typename Describe>
void viewGroups(StaleGroupsView &view, const Group &root, const QHash<QString, QString> &keyOfName,
                const Describe &describe)
{
    std::function<void(const Group &, const QString &)> walk = [&](const Group &group, const QString &key) {
        QString name;
        QStringList listKeys;
        QList<const Group *> children;
        describe(group, &name, &listKeys, &children);
        for (const QString &listKey : std::as_const(listKeys))
            view.entries[listKey] << key;
        for (const Group *child : std::as_const(children)) {
            QString childName;
            QStringList ignored;
            QList<const Group *> below;
            describe(*child, &childName, &ignored, &below);
            const QString childKey = keyOfName.value(childName);
            if (childKey.isEmpty()) {
                view.unkeyed << QStringLiteral("?") + childName;
                continue;
            }
            view.parents[childKey] << key;
            view.names[childKey] << childName;
            walk(*child, childKey);
        }
    };
    walk(root, QStringLiteral("root"));
}

StaleGroupsView clientStaleGroups(const ListsGroups *groups, const UserLists *lists,
                                  const QHash<QString, QString> &keyOfName)
{
    StaleGroupsView view;
    viewGroups<ListsGroupsElementGroup>(
        view, *groups->rootGroup(), keyOfName,
        [&](const ListsGroupsElementGroup &g, QString *name, QStringList *listKeys,
            QList<const ListsGroupsElementGroup *> *children) {
            *name = g.name();
            for (const ListsGroupsElementList *entry : g.lists())
                for (const ListModel *m : lists->models())
                    if (isStale(m->taskList()) && ListsGroups::matches(entry, m->taskList()))
                        *listKeys << listKeyOf(m->taskList());
            for (const ListsGroupsElementGroup *child : g.groups())
                *children << child;
        });
    return view;
}

StaleGroupsView serverStaleGroups(const FakeServer &server, const QHash<QString, QString> &keyOfName)
{
    QHash<quint32, QString> listKeys;
    for (const FakeList &l : server.visibleLists(QStringLiteral("alice")))
        if (l.description.startsWith(StaleTag))
            listKeys.insert(l.id, l.description.mid(StaleTag.size()));
    StaleGroupsView view;
    viewGroups<FakeGroup>(view, server.groups(QStringLiteral("alice")), keyOfName,
                          [&](const FakeGroup &g, QString *name, QStringList *keys, QList<const FakeGroup *> *children) {
                              *name = g.name;
                              for (quint32 id : g.lists)
                                  if (listKeys.contains(id))
                                      *keys << listKeys.value(id);
                              for (const FakeGroup &child : g.children)
                                  *children << &child;
                          });
    return view;
}

// What each computer changed, and what it knew of the others' changes when
// it did: a change it knew of is one it made on top of. A run that succeeds
// leaves the computer and the server knowing the same; one that fails may
// have sent or taken anything, so it only counts as maybe known.
struct StaleWrite
{
    int computer = 0;
    int seq = 0; // its computer's changes so far, this one included
    std::array<int, MaxComputers> knew{};
    std::array<int, MaxComputers> mayKnow{};
    int step = 0;
    QString what;
    QString field;
    QString value;
    QString container, before, after; // a place: where, between which keyed tasks
};

class StaleModel
{
public:
    int write(int c, int step, const QString &what, const QString &field, const QString &value)
    {
        StaleWrite w;
        w.computer = c;
        w.seq = ++m_knows[c][c];
        m_mayKnow[c][c] = w.seq;
        w.knew = m_knows[c];
        w.knew[c] = w.seq - 1;
        w.mayKnow = m_mayKnow[c];
        w.mayKnow[c] = w.seq - 1;
        w.step = step;
        w.what = what;
        w.field = field;
        w.value = value;
        writes << w;
        const int index = int(writes.size()) - 1;
        if (!field.isEmpty()) {
            fields[field] << index;
            writtenSince[c].insert(field);
        }
        return index;
    }
    // A change of the task or of something below it: a removal that did not
    // know of it does not hold.
    void touch(const QString &key, const QStringList &chain, int w)
    {
        touches[key] << w;
        for (const QString &above : chain)
            touches[above] << w;
    }
    void removal(const QString &key, int w) { removals[key] << w; }

    // Any run of computer c, whatever came of it.
    void ran(int c)
    {
        for (int y = 0; y < MaxComputers; ++y) {
            m_serverMay[y] = qMax(m_serverMay[y], m_mayKnow[c][y]);
            m_mayKnow[c][y] = m_serverMay[y];
        }
    }
    // A run of c that succeeded.
    void agreed(int c)
    {
        ran(c);
        for (int y = 0; y < MaxComputers; ++y)
            m_server[y] = qMax(m_server[y], m_knows[c][y]);
        m_knows[c] = m_server;
        writtenSince[c].clear();
    }

    bool saw(const StaleWrite &later, const StaleWrite &earlier) const
    {
        return earlier.seq <= later.knew[earlier.computer];
    }
    bool maySee(const StaleWrite &later, const StaleWrite &earlier) const
    {
        return earlier.seq <= later.mayKnow[earlier.computer];
    }
    // A change that gave a field the value a change the removal saw gave it
    // (a task moved into one list on two computers) told it nothing new.
    bool knewTheSame(const StaleWrite &removal, const StaleWrite &change) const
    {
        const QList<int> same = fields.value(change.field);
        return std::any_of(same.begin(), same.end(), [&](int u) {
            return writes[u].value == change.value && saw(removal, writes[u]);
        });
    }
    // Some removal knew of every change.
    bool removalHolds(const QList<int> &rs, const QList<int> &ts) const
    {
        return std::any_of(rs.begin(), rs.end(), [&](int r) {
            return std::all_of(ts.begin(), ts.end(), [&](int t) { return saw(writes[r], writes[t]); });
        });
    }
    // Every removal missed a change it could not have known of.
    bool removalMissed(const QList<int> &rs, const QList<int> &ts) const
    {
        return std::all_of(rs.begin(), rs.end(), [&](int r) {
            return std::any_of(ts.begin(), ts.end(), [&](int t) { return !maySee(writes[r], writes[t]); });
        });
    }
    // The changes of a field that no later change certainly made on top of.
    QList<int> candidates(const QString &field) const
    {
        const QList<int> all = fields.value(field);
        QList<int> out;
        for (int w : all)
            if (std::none_of(all.begin(), all.end(), [&](int x) { return x != w && saw(writes[x], writes[w]); }))
                out << w;
        return out;
    }
    // Each problem as "kind: text".
    // `keptTwice`: the "list: task" lines of the notices of tasks kept twice;
    // `toldKeys`: how many times a notice named a copy of each task.
    QStringList check(const StaleView &view, int *cycles, const QStringList &keptTwice,
                      const QHash<QString, int> &toldKeys, int *twiceTold) const;
    QStringList checkNotes(const StaleNotesView &view) const;
    QStringList checkGroups(const StaleGroupsView &view, int *dropped) const;
    QStringList checkListOrder(const QStringList &order, const QString &where) const;

    QList<StaleWrite> writes;
    QHash<QString, QList<int>> fields;
    QHash<QString, QList<int>> touches;
    QHash<QString, QList<int>> removals;
    // A whole list or note removed, and the changes of a list (its name, a
    // task in it changed, added, moved in or below another): a removal that
    // knew of every change of the list holds; one that did not know of a
    // rename does not (a change of a task keeps that task, which keeps the
    // list).
    QHash<QString, QList<int>> listRemovals;
    QHash<QString, QList<int>> listTouches;
    // A task carried to another list with the task above it: out of the
    // list, it escapes a removal of that list that did not know of the move.
    QHash<QString, QList<int>> carried;
    QHash<QString, QList<int>> noteRemovals;
    // The lists gone after a removal that held, as the last check saw.
    mutable QSet<QString> absentLists;
    QStringList listKeys;
    QStringList taskKeys;
    QStringList noteKeys;
    QStringList groupKeys;
    QHash<QString, QString> groupOfName;  // every name a group was given: its key
    QHash<QString, QString> groupParent;  // where it was made, which nothing changes
    // A forced local run that finishes a forced remote one cut short keeps
    // the lists that run posted anew, yet takes the server's tree, which
    // names their old ids: the lists then sit in the default group. A list's
    // group set by a change before it may be lost so.
    int groupsTakenBefore = 0;
    // Fields each computer changed since its last run that succeeded.
    QSet<QString> writtenSince[MaxComputers];

private:
    QString told(int w) const
    {
        const StaleWrite &x = writes[w];
        return QStringLiteral("%1 on %2 at step %3").arg(x.what).arg(x.computer).arg(x.step);
    }
    QString checkField(const QString &field, const QString &value, const QString &unwritten, QString *kind,
                       const QList<int> &removedBy = {}) const;

    std::array<std::array<int, MaxComputers>, MaxComputers> m_knows{};
    std::array<std::array<int, MaxComputers>, MaxComputers> m_mayKnow{};
    std::array<int, MaxComputers> m_server{};
    std::array<int, MaxComputers> m_serverMay{};
};

// Empty when the value is one a change left standing may have given.
QString StaleModel::checkField(const QString &field, const QString &value, const QString &unwritten,
                               QString *kind, const QList<int> &removedBy) const
{
    const QList<int> standing = candidates(field);
    QStringList wanted;
    for (int w : standing)
        wanted << writes[w].value;
    if (standing.isEmpty())
        wanted << unwritten;
    // A change its own computer, or one that may have known of it, then
    // removed the task with: the task stays for another's change, which may
    // not carry it. A run that failed after its upload arrived leaves its
    // change on the server, where the remover may have taken it.
    const bool dropped = std::any_of(standing.begin(), standing.end(), [&](int w) {
        return std::any_of(removedBy.begin(), removedBy.end(), [&](int r) { return maySee(writes[r], writes[w]); });
    });
    if (dropped) {
        wanted << unwritten;
        for (int w : fields.value(field))
            wanted << writes[w].value;
    }
    if (wanted.contains(value))
        return QString();
    *kind = standing.size() > 1 ? QStringLiteral(" (changed on both)") : QString();
    QStringList by;
    for (int w : standing)
        by << QStringLiteral("'%1' (%2)").arg(writes[w].value, told(w));
    return QStringLiteral("%1 is '%2', wanted %3").arg(field, value, by.isEmpty() ? unwritten : by.join(QStringLiteral(" or ")));
}

QStringList StaleModel::check(const StaleView &view, int *cycles, const QStringList &keptTwice,
                              const QHash<QString, int> &toldKeys, int *twiceTold) const
{
    QStringList out;
    QSet<int> wholeListRemovals;
    for (const QList<int> &ws : listRemovals)
        for (int w : ws)
            wholeListRemovals.insert(w);
    absentLists.clear();
    for (const QString &key : listKeys) {
        const QStringList names = view.names.value(key);
        const QList<int> rs = listRemovals.value(key);
        if (!rs.isEmpty() && names.isEmpty()) {
            absentLists.insert(key);
            if (removalMissed(rs, fields.value(QStringLiteral("name ") + key)))
                out << QStringLiteral("list lost though renamed: list %1 is gone, though renamed where its removal "
                                      "did not know")
                           .arg(key);
            continue;
        }
        if (!rs.isEmpty() && names.size() == 1 && removalHolds(rs, listTouches.value(key))) {
            out << QStringLiteral("list removal undone: list %1 (%2) is back").arg(key, names.first());
            continue;
        }
        if (names.size() != 1) {
            out << QStringLiteral("list copies: list %1 is there %2 times").arg(key).arg(names.size());
            continue;
        }
        QString kind;
        const QString problem = checkField(QStringLiteral("name ") + key, names.first(), QString(), &kind, rs);
        if (!problem.isEmpty())
            out << QStringLiteral("name%1: %2").arg(kind, problem);
    }
    for (const QString &title : view.unkeyed)
        out << QStringLiteral("unkeyed: a task %1 without its key").arg(title);
    // Where each task's one standing change of place wants it.
    QHash<QString, QString> wantedIn;
    for (const QString &key : taskKeys) {
        const QList<int> standing = candidates(QStringLiteral("container ") + key);
        if (standing.size() == 1)
            wantedIn.insert(key, writes[standing.first()].value);
    }
    const auto inCycle = [&](const QString &key) {
        QSet<QString> seen;
        QString at = key;
        while (wantedIn.contains(at) && wantedIn.value(at).startsWith(QLatin1String("T:")) && !seen.contains(at)) {
            seen.insert(at);
            at = wantedIn.value(at).mid(2);
        }
        return at == key && !seen.isEmpty();
    };
    for (const QString &key : taskKeys) {
        const QList<StaleView::Item> copies = view.tasks.value(key);
        const QList<int> rs = removals.value(key);
        const QList<int> ts = touches.value(key);
        const QList<int> carriedOut = carried.value(key);
        const auto touchesFor = [&](int r) {
            return wholeListRemovals.contains(r) ? ts + carriedOut : ts;
        };
        const bool mustGo = std::any_of(rs.begin(), rs.end(), [&](int r) {
            const QList<int> all = touchesFor(r);
            return std::all_of(all.begin(), all.end(), [&](int t) { return saw(writes[r], writes[t]); });
        });
        // A change made on top of one the remover sent in doubt to the same
        // field may have put back what the remover had agreed: nothing then
        // tells it from no change.
        const auto onRemoversDoubt = [&](int t, int r) {
            const QList<int> same = fields.value(writes[t].field);
            return std::any_of(same.begin(), same.end(), [&](int u) {
                return writes[u].computer == writes[r].computer && saw(writes[r], writes[u])
                       && maySee(writes[t], writes[u]) && !saw(writes[t], writes[u]);
            });
        };
        QStringList keptBy;
        const bool mustStay = std::all_of(rs.begin(), rs.end(), [&](int r) {
            bool any = false;
            for (int t : touchesFor(r)) {
                if (!maySee(writes[r], writes[t]) && !onRemoversDoubt(t, r) && !knewTheSame(writes[r], writes[t])) {
                    any = true;
                    keptBy << told(t);
                }
            }
            return any;
        });
        // Kept twice where nothing told them apart: the user is told.
        const auto isTold = [&](const StaleView::Item &item) {
            return std::any_of(keptTwice.begin(), keptTwice.end(),
                               [&](const QString &line) { return line.endsWith(QStringLiteral(": ") + item.title); });
        };
        // A copy told of stays that copy whatever is done to it after (moved,
        // retitled on any computer): the notice named it by its list and
        // title then, the checker knows it by its key. One more copy than
        // the notices named is what they told.
        const bool toldByKey = toldKeys.value(key) > 0 && copies.size() <= 1 + toldKeys.value(key);
        if (copies.size() > 1 && (toldByKey || std::any_of(copies.begin(), copies.end(), isTold))) {
            ++*twiceTold;
            continue;
        }
        if (copies.size() > 1) {
            QStringList where;
            for (const StaleView::Item &item : copies)
                where << item.container;
            out << QStringLiteral("twice: task %1 is there %2 times (in %3)")
                       .arg(key)
                       .arg(copies.size())
                       .arg(where.join(QLatin1Char(' ')));
            continue;
        }
        if (copies.isEmpty()) {
            if (mustStay) {
                keptBy.removeDuplicates();
                out << QStringLiteral("lost though changed: task %1 is gone, though changed where its removal did "
                                      "not know (%2)")
                           .arg(key, keptBy.join(QStringLiteral(", ")));
            }
            continue;
        }
        if (mustGo) {
            QStringList by;
            for (int r : rs)
                by << told(r);
            out << QStringLiteral("removal undone: task %1 (%2) is back (%3)")
                       .arg(key, copies.first().title, by.join(QStringLiteral(", ")));
            continue;
        }
        const StaleView::Item &item = copies.first();
        const auto field = [&](const QString &name, const QString &suffix, const QString &value,
                               const QString &unwritten) {
            QString kind;
            const QString problem = checkField(name + QLatin1Char(' ') + key + suffix, value, unwritten, &kind, rs);
            if (!problem.isEmpty())
                out << QStringLiteral("%1%2: %3").arg(name, kind, problem);
        };
        field(QStringLiteral("title"), QString(), item.title, QString());
        field(QStringLiteral("done"), QString(), item.done ? QStringLiteral("1") : QStringLiteral("0"),
              QStringLiteral("0"));
        for (const QString &nick : Nicks)
            field(QStringLiteral("assigned"), QLatin1Char(' ') + nick,
                  item.assigned.contains(nick) ? QStringLiteral("1") : QStringLiteral("0"), QStringLiteral("0"));
        QString kind;
        const QString misplaced = checkField(QStringLiteral("container ") + key, item.container, QString(), &kind, rs);
        if (!misplaced.isEmpty()) {
            // Two places each wanted by one side may not hold together.
            if (inCycle(key))
                ++*cycles;
            else
                out << QStringLiteral("container%1: %2").arg(kind, misplaced);
            continue;
        }
        // Its place among its siblings: after the one it was put after (or
        // before the one it was put in front of), where that has not moved
        // since. A task kept for a change a removal did not know of comes
        // back where its keeper puts it: neither it nor its neighbours then.
        const QList<int> placed = candidates(QStringLiteral("order ") + key);
        if (placed.size() != 1 || writes[placed.first()].container != item.container || !rs.isEmpty())
            continue;
        const StaleWrite &w = writes[placed.first()];
        if (std::any_of(rs.begin(), rs.end(), [&](int r) { return saw(writes[r], w); }))
            continue;
        const bool after = !w.before.isEmpty();
        const QString neighbour = after ? w.before : w.after;
        if (neighbour.isEmpty() || view.tasks.value(neighbour).size() != 1
            || view.tasks.value(neighbour).first().container != item.container || removals.contains(neighbour))
            continue;
        const QList<int> moves = fields.value(QStringLiteral("order ") + neighbour)
                                 + fields.value(QStringLiteral("container ") + neighbour);
        if (!std::all_of(moves.begin(), moves.end(), [&](int m) { return saw(w, writes[m]); }))
            continue;
        const int at = view.indexIn(item.container, key);
        const int there = view.indexIn(item.container, neighbour);
        if (after ? there > at : there < at)
            out << QStringLiteral("order: task %1 is %2 %3, wanted %4 it (%5)")
                       .arg(key, after ? QStringLiteral("before") : QStringLiteral("after"), neighbour,
                            after ? QStringLiteral("after") : QStringLiteral("before"), told(placed.first()));
    }
    return out;
}

// A note's title and text are fields. Where both sides changed its text,
// the server's stays and the other comes back beside it, as a new note: a
// text no other change may have known of is in the note or beside it.
QStringList StaleModel::checkNotes(const StaleNotesView &view) const
{
    QStringList out;
    for (const QString &key : noteKeys) {
        const QList<StaleNotesView::Copy> copies = view.notes.value(key);
        QList<StaleNotesView::Copy> main;
        QStringList bodies;
        QStringList keptBodies;
        for (const StaleNotesView::Copy &copy : copies) {
            if (!copy.kept())
                main << copy;
            else
                keptBodies << copy.body;
            bodies << copy.body;
        }
        const QList<int> rs = noteRemovals.value(key);
        const QList<int> written = fields.value(QStringLiteral("note title ") + key)
                                   + fields.value(QStringLiteral("note text ") + key);
        if (!rs.isEmpty() && main.isEmpty()) {
            // A text kept beside it, in a note of its own, outlives the
            // note's removal: only a change nothing holds keeps the note.
            QList<int> unheld;
            for (int w : written)
                if (!writes[w].field.startsWith(QLatin1String("note text ")) || !keptBodies.contains(writes[w].value))
                    unheld << w;
            if (removalMissed(rs, unheld))
                out << QStringLiteral("note lost though changed: note %1 is gone, though changed where its removal "
                                      "did not know")
                           .arg(key);
            continue;
        }
        if (!rs.isEmpty() && main.size() == 1 && removalHolds(rs, written)) {
            out << QStringLiteral("note removal undone: note %1 (%2) is back").arg(key, main.first().title);
            continue;
        }
        if (main.size() != 1) {
            out << QStringLiteral("note copies: note %1 is there %2 times").arg(key).arg(main.size());
            continue;
        }
        QString kind;
        QString problem = checkField(QStringLiteral("note title ") + key, main.first().title, QString(), &kind, rs);
        if (!problem.isEmpty())
            out << QStringLiteral("note title%1: %2").arg(kind, problem);
        kind.clear();
        problem = checkField(QStringLiteral("note text ") + key, main.first().body, QString(), &kind, rs);
        if (!problem.isEmpty())
            out << QStringLiteral("note text%1: %2").arg(kind, problem);
        const QList<int> texts = fields.value(QStringLiteral("note text ") + key);
        QStringList bodiesWritten;
        for (int w : texts) {
            bodiesWritten << writes[w].value;
            const bool known = std::any_of(texts.begin(), texts.end(),
                                           [&](int x) { return x != w && maySee(writes[x], writes[w]); })
                               || std::any_of(rs.begin(), rs.end(), [&](int r) { return saw(writes[r], writes[w]); });
            if (!known && !bodies.contains(writes[w].value))
                out << QStringLiteral("note text lost: note %1 holds '%2' and beside it '%3', without '%4' (%5)")
                           .arg(key, main.first().body, keptBodies.join(QStringLiteral("', '")), writes[w].value,
                                told(w));
        }
        for (const QString &body : std::as_const(keptBodies)) {
            if (!bodiesWritten.contains(body))
                out << QStringLiteral("kept copy: beside note %1, a text '%2' no change wrote").arg(key, body);
            else if (keptBodies.count(body) > 1)
                out << QStringLiteral("kept copy twice: beside note %1, '%2' %3 times")
                           .arg(key, body)
                           .arg(keptBodies.count(body));
        }
    }
    return out;
}

// A group's name is a field; a list's group is a field of the list; a group
// stays where it was made.
QStringList StaleModel::checkGroups(const StaleGroupsView &view, int *dropped) const
{
    QStringList out;
    for (const QString &name : view.unkeyed)
        out << QStringLiteral("unkeyed group: a group named %1, a name no change gave").arg(name.mid(1));
    for (const QString &key : groupKeys) {
        const QStringList parents = view.parents.value(key);
        if (parents.size() != 1) {
            out << QStringLiteral("group copies: group %1 is there %2 times").arg(key).arg(parents.size());
            continue;
        }
        if (parents.first() != groupParent.value(key))
            out << QStringLiteral("group parent: group %1 is in %2, made in %3")
                       .arg(key, parents.first(), groupParent.value(key));
        QString kind;
        const QString problem = checkField(QStringLiteral("group name ") + key, view.names.value(key).first(),
                                           QString(), &kind);
        if (!problem.isEmpty())
            out << QStringLiteral("group name%1: %2").arg(kind, problem);
    }
    for (const QString &listKey : listKeys) {
        if (absentLists.contains(listKey))
            continue;
        QStringList in = view.entries.value(listKey);
        if (in.isEmpty())
            in << QStringLiteral("root");
        if (in.size() > 1) {
            out << QStringLiteral("list entries: list %1 is in %2").arg(listKey, in.join(QLatin1Char(' ')));
            continue;
        }
        QString kind;
        const QString field = QStringLiteral("group of ") + listKey;
        // A list removed and back for another's change is where it was.
        const QString problem = checkField(field, in.first(), QStringLiteral("root"), &kind);
        const QList<int> standing = candidates(field);
        if (!problem.isEmpty() && in.first() == QLatin1String("root")
            && std::all_of(standing.begin(), standing.end(), [&](int w) { return w < groupsTakenBefore; })) {
            ++*dropped;
            continue;
        }
        if (!problem.isEmpty())
            out << QStringLiteral("group of list%1: %2").arg(kind, problem);
    }
    return out;
}

// A list's place in the display order, among the lists edited on older
// copies: after the one it was put after (or before the one it was put in
// front of), where that one has not moved since.
QStringList StaleModel::checkListOrder(const QStringList &order, const QString &where) const
{
    QStringList out;
    for (const QString &key : listKeys) {
        const QList<int> placed = candidates(QStringLiteral("list order ") + key);
        if (placed.size() != 1 || order.count(key) != 1)
            continue;
        const StaleWrite &w = writes[placed.first()];
        const bool after = !w.before.isEmpty();
        const QString neighbour = after ? w.before : w.after;
        if (neighbour.isEmpty() || order.count(neighbour) != 1)
            continue;
        // Back against its removal, a list is posted anew where the
        // computer that kept it had it: once it was gone there, the server's
        // order held nothing of where the other computer put lists about it.
        if (listRemovals.contains(neighbour) || listRemovals.contains(key))
            continue;
        const QList<int> moves = fields.value(QStringLiteral("list order ") + neighbour);
        if (!std::all_of(moves.begin(), moves.end(), [&](int m) { return saw(w, writes[m]); }))
            continue;
        const int at = int(order.indexOf(key));
        const int there = int(order.indexOf(neighbour));
        if (after ? there > at : there < at)
            out << QStringLiteral("list order: %1 holds list %2 %3 %4, wanted %5 it (%6)")
                       .arg(where, key, after ? QStringLiteral("before") : QStringLiteral("after"), neighbour,
                            after ? QStringLiteral("after") : QStringLiteral("before"), told(placed.first()));
    }
    return out;
}

// The steps of a sequence, told only when one sequence is run alone.
QDebug trace()
{
    static const bool on = qEnvironmentVariableIntValue("PLUMDECK_SYNC_SEQUENCE_SEED") != 0;
    static QString discarded;
    discarded.clear();
    return on ? qDebug() : QDebug(&discarded);
}

enum class Force { None, Remote, Local };

// The fault of a run: drawn at random, none, or one a step makes on purpose.
enum class Fault {
    Random,
    None,
    ListPostInDoubt, // the first POST of a list: answer lost, 500 after it, or killed once it is out
    KilledAfterFirstPost, // killed once the first POST of a list or note is out
    OtherRunsMidway, // the other computer runs once the first POST is out; then on, or killed
};

class Sequence
{
public:
    Sequence(CheckedFakeServer &server, quint32 seed, Figures &figures, const QSet<QString> &off)
        : m_server(server)
        , m_rng(seed)
        , m_staleRng(seed ^ 0x5eed0c0du)
        , m_orderRng(seed ^ 0x0dde0c0du)
        , m_restoreRng(seed ^ 0x2e5702e5u)
        , m_rowRng(seed ^ 0x0b1a4c0du)
        , m_bothRng(seed ^ 0x0b07c0deu)
        , m_figures(figures)
        , m_off(off)
        , m_a(QStringLiteral("a"))
        , m_b(QStringLiteral("b"))
        , m_c(QStringLiteral("c"))
        , m_third(on("stale") && on("third") && seed % 3 == 1)
    {
        m_stores = {&m_a, &m_b, &m_c};
        if (m_third)
            ++m_figures.threeComputers;
    }

    void step(int index);
    // The quiet runs and the checks; empty when all is well.
    QString finish();

private:
    bool on(const char *kind) const { return !m_off.contains(QLatin1String(kind)); }
    quint32 below(quint32 n) { return m_draw->bounded(n); }
    QString fresh(const char *prefix) { return QString::fromLatin1(prefix) + QString::number(++m_counter); }
    template <typename T>
    T pick(const QList<T> &from)
    {
        return from.at(int(below(quint32(from.size()))));
    }

    LiveClient &live(int c);
    void dropLive();
    void forgetUnsaved();
    void noteLoad(const LiveClient &client);
    void quietRun(int c);
    // What the lists page does after a run: an empty list gets an untitled
    // row (stamped now), no list at all a default one.
    // Returns the key of a list given a row, -1 for none.
    int afterRun(LiveClient &client, bool ok, bool hadLists);
    // A run of the other computer, in a process of its own, while this
    // process's run waits on a held answer.
    void otherProcessRun(int c);

    QList<ListModel *> copiesOf(const LiveClient &client, const ExpList &list) const;
    ListModel *currentCopy(const LiveClient &client, const ExpList &list) const;
    NotepadNote *currentNote(const LiveClient &client, const ExpNote &note) const;
    // Keys of the lists the client may change now: made here (own) or there.
    QList<int> changeable(const LiveClient &client, int c, bool own, bool inDoubtOnly = false) const;
    QList<int> ownNotes(const LiveClient &client, int c, bool inDoubtOnly = false) const;
    // Not while the other's reposts are in doubt. With its copies still
    // carrying the ids a forced run of the other replaced, a change goes to
    // the list there that is it (without overforced: not then).
    bool mayChange(int c) const { return !m_forcedInDoubt[1 - c] && (on("overforced") || !m_replacedByForce[c]); }
    int pickList(const LiveClient &client, int c, bool crossToo, bool inDoubtFirst = false);
    int ownList(int c, bool inDoubtOnly = false);
    // A titled top-level task of the list, when the pick falls on one.
    struct TaskPick
    {
        ExpList *list = nullptr;
        ListModel *model = nullptr;
        Task *task = nullptr;
    };
    TaskPick pickTask(int key);
    // "(cross)" and "(in doubt)", for the steps told.
    QString about(const ExpList &list, int c) const;
    void countCross(const ExpList &list, int c);
    void takeCopy(ExpList &list, const ListModel *copy);
    struct RepostWatch
    {
        QList<int> reposted[2];
        QList<quint32> idsBefore[2];
    };
    RepostWatch watchReposts(const LiveClient &client, bool posting) const;
    void noteReposts(const RepostWatch &watch);
    void refreshDoubts(int c, const LiveClient &client);
    void notePending(int c, const LiveClient &client);
    bool anyDoubt(int c) const;
    void recordPosted(int c, const LiveClient &client);
    void recheckRemovedInDoubt(int c, const LiveClient &client);
    QString holdsExpected(const LiveClient &client) const;
    // The items' uploads and removals since then, told with the steps.
    QString writesSince(int first) const;

    bool makeList(int c, bool blank = false);
    bool makeNote(int c);
    bool addTask(int c, bool inDoubtOnly = false);
    void typeTask(int c, int key, ListModel *model);
    bool retitle(int c);
    bool tick(int c);
    bool rename(int c);
    void renameList(int c, ExpList &list, ListModel *model);
    bool paste(int c);
    bool blankPost(int c);
    void forcedAfterCut(int c);
    bool bringInStepForForcing(int c, const std::function<bool()> &ready);
    void midForced(int c);
    bool readyToForceRemote(int c) const;
    // Client c made a task in the list `key` (-1: in several) at `at` (now).
    void made(int c, int key, const QDateTime &at = {});
    bool mayType(int c, int key) const;
    bool removeTask(int c);
    bool blankRow(int c);
    bool undoRedo(int c, bool inDoubtOnly = false);
    bool editNote(int c);
    bool removeList(int c, bool inDoubtOnly = false);
    bool removeNote(int c, bool inDoubtOnly = false);
    bool makeAlike(int c);
    void forced(int c, bool remote);
    void restoreOwnBackup(int c);
    // "Move to list": a task of one of its lists appended to another.
    bool moveToOtherList(int c);
    void addGhost(QList<Ghost> &ghosts, const QStringList &posted, bool note);
    bool unsavedUpload(const LiveClient &client, QByteArray *method, QString *path) const;
    bool sync(int c, Force force, Fault fault = Fault::Random);
    // A run stopped, as the user's Cancel does, once `stopWhen` holds for a
    // request the server received; *stopped tells whether it was.
    bool runUntil(LiveClient &client, const std::function<bool()> &stopWhen, bool *stopped);

    // Lists every computer changes whatever its copy holds: steps of their
    // own, drawn apart, between the others.
    QList<int> computers() const { return m_third ? QList<int>{0, 1, 2} : QList<int>{0, 1}; }
    void ran(int c, bool ok);
    void placeAsThePage(LiveClient &client, bool connect = true) const;
    bool mayChangeStale(int c) const;
    // A list's tasks or a note changed on an older copy: not while the copy
    // carries ids another's forced run replaced. Renamed and changed on
    // others since, nothing may tell the list or note there that it is: the
    // program keeps both then, and says so, which these sequences do not
    // expect.
    bool mayEditStaleContent(int c) const { return mayChangeStale(c) && !m_replacedByForce[c]; }
    bool staleInStep(int c) const;
    void staleStep();
    void makeStaleList(int c);
    bool staleEdit(int c);
    QString staleSameSecond(int c, ListModel *model, const QString &listKey, const QMap<QString, ListModel *> &copies);
    void staleEditMovedElsewhere(int c, const QString &listKey, const QString &key);
    void staleMovedElsewhereToo(int c, const QString &listKey, const QString &toKey, const QString &key);
    void staleRemoveList(int c, ListModel *model, const QString &listKey);
    bool staleUntypedRow(int c);
    bool staleListMove(int c);
    void staleChange(int c, const QString &what, const QString &field, const Task *task, const QString &value);
    void stalePlace(int c, const QString &what, const Task *task, const QString &listKey, bool container);
    void staleCarried(Task *moved);
    void staleMade(int c, const Task *task, const QString &listKey);
    // Notes and the groups tree, changed on older copies too.
    void makeStaleNote(int c);
    bool staleNoteEdit(int c);
    void makeStaleGroup(int c);
    bool staleGroupEdit(int c);
    bool staleGroupChange(int c, bool moveOnly = false);
    void sendMade(int c, const QString &what);
    StaleGroupsView groupsOf(const LiveClient &client) const;
    QString staleCheck();
    // The tasks the notices shown since the last call named as kept twice,
    // found by their keys on `client`, the computer that showed them.
    void noteToldTwice(const LiveClient &client);

    CheckedFakeServer &m_server;
    QRandomGenerator m_rng;
    QRandomGenerator m_staleRng;
    QRandomGenerator m_orderRng;
    QRandomGenerator m_restoreRng;
    QRandomGenerator m_rowRng;
    QRandomGenerator m_bothRng;
    QRandomGenerator *m_draw = &m_rng;
    Figures &m_figures;
    QSet<QString> m_off;
    // No question or notice is expected; one left open would stop the run.
    ModalAnswerer m_boxes;
    int m_boxesNoted = 0;
    QHash<QString, int> m_toldTwice; // by task key: the notices that named a copy of it
    StoredClient m_a;
    StoredClient m_b;
    StoredClient m_c; // the third computer: lists edited on older copies, and runs
    bool m_third = false;
    QList<StoredClient *> m_stores;
    StaleModel m_stale;
    int m_staleKeys = 0;
    QString m_staleProblem;
    Expected m_exp;
    int m_counter = 0;
    // A client stays loaded while it keeps the turn, as a running program
    // does; a kill or a change of turn ends it.
    std::unique_ptr<LiveClient> m_live;
    int m_liveIndex = -1;
    bool m_settled[MaxComputers] = {true, true, true}; // nothing to send: the last run succeeded, nothing changed since
    bool m_forcedInDoubt[MaxComputers] = {false, false, false}; // a forced remote run of it did not succeed, none since
    bool m_replacedByForce[MaxComputers] = {false, false, false}; // another forced remote since its last good run
    bool m_followUp = false;                 // the live client's last run left an upload in doubt
    int m_lastMaker = -1;                    // the client whose last step made tasks or ran
    bool m_lastRan = false;                  // that step was a run
    // When each client last made tasks, and in which list (-1: several).
    QDateTime m_madeAt[2];
    int m_madeIn[2] = {-1, -1};
    // The lists page's clipboard: it lives as long as the program.
    std::unique_ptr<Task> m_clipboard;
    int m_clipboardFrom = -1; // the list the copy was taken from
    bool m_sameSecondStep = false;
    // What the last run did: killed, and whether its held request was out.
    bool m_lastKilled = false;
    bool m_lastHeld = false;
    // What the live client changed since its files were last written.
    QSet<int> m_unsavedLists;
    QStringList m_unsavedRemovedLists;
    bool m_unsavedNotes = false;
    bool m_unsavedStale = false;
    QString m_loadProblem;
    int m_step = 0;
    // Tasks the server knows whose title an undo emptied.
    QSet<quint32> m_blanked;
};

LiveClient &Sequence::live(int c)
{
    if (m_liveIndex != c || !m_live) {
        dropLive();
        m_live = std::make_unique<LiveClient>(*m_stores[c]);
        placeAsThePage(*m_live);
        m_liveIndex = c;
        noteLoad(*m_live);
        refreshDoubts(c, *m_live);
    }
    return *m_live;
}

void Sequence::dropLive()
{
    if (m_live) {
        notePending(m_liveIndex, *m_live);
        m_live->persist();
    }
    m_live.reset();
    m_liveIndex = -1;
    m_followUp = false;
    m_clipboard.reset();
    forgetUnsaved();
}

void Sequence::forgetUnsaved()
{
    m_unsavedLists.clear();
    m_unsavedRemovedLists.clear();
    m_unsavedNotes = false;
    m_unsavedStale = false;
}

void Sequence::noteLoad(const LiveClient &client)
{
    if (client.loadProblem.isEmpty())
        return;
    ++m_figures.refusedFiles;
    trace() << "step" << m_step << "load:" << client.loadProblem;
    if (m_loadProblem.isEmpty())
        m_loadProblem = QStringLiteral("at step %1, %2").arg(m_step).arg(client.loadProblem);
}

// A run without faults of a client, loaded for it alone.
void Sequence::quietRun(int c)
{
    dropLive();
    LiveClient client(*m_stores[c]);
    noteLoad(client);
    placeAsThePage(client);
    ++m_figures.syncs;
    recordPosted(c, client);
    recheckRemovedInDoubt(c, client);
    const int requestsBefore = int(m_server.requests().size());
    const bool finishesForced = m_forcedInDoubt[c];
    const RepostWatch reposts = watchReposts(client, finishesForced);
    const bool hadLists = !client.lists->models().isEmpty();
    m_settled[c] = runClientSync(client, m_server);
    placeAsThePage(client, false);
    ran(c, m_settled[c]);
    noteToldTwice(client);
    if (c < 2)
        afterRun(client, m_settled[c], hadLists);
    noteReposts(reposts);
    if (m_settled[c]) {
        m_forcedInDoubt[c] = false;
        m_replacedByForce[c] = false;
    }
    if (finishesForced)
        for (int other : computers())
            if (other != c)
                m_replacedByForce[other] = true;
    refreshDoubts(c, client);
    client.persist();
    trace() << "step" << m_step << "client" << c << "quiet run" << (m_settled[c] ? "succeeded" : "failed")
            << qPrintable(writesSince(requestsBefore)) << "; lists' order there"
            << qPrintable(serverStaleListOrder(m_server).join(QLatin1Char(' ')));
}

int Sequence::afterRun(LiveClient &client, bool ok, bool hadLists)
{
    // The run drops untouched default lists; one that fails must not leave
    // a page that had a list with none.
    if (!on("samesecond") || !(ok || (hadLists && client.lists->models().isEmpty())))
        return -1;
    int given = -1;
    for (const ListModel *m : client.lists->models()) {
        if (m->rowCount() > 0)
            continue;
        ++m_figures.programRows;
        for (auto it = m_exp.lists.cbegin(); it != m_exp.lists.cend() && given < 0; ++it)
            if (it->names.contains(m->taskList()->name()))
                given = it.key();
    }
    client.lists->ensureNotEmpty();
    return given;
}

void Sequence::otherProcessRun(int c)
{
    ++m_figures.syncs;
    const int requestsBefore = int(m_server.requests().size());
    QProcess child;
    QEventLoop loop;
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&child, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(30000);
    // The fake server lives in this process: the loop turns while the child runs.
    child.start(QStringLiteral(PLUMDECK_SYNCCHILD),
                {m_stores[c]->path, m_server.url(), QStringLiteral("alice"), QStringLiteral("secret"),
                 QString::number(Clock::currentMSecsSinceEpoch()),
                 on("samesecond") ? QStringLiteral("rows") : QStringLiteral("norows")});
    if (child.state() != QProcess::NotRunning)
        loop.exec();
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
    }
    const int status = child.exitStatus() == QProcess::NormalExit && child.error() != QProcess::FailedToStart
                           ? child.exitCode()
                           : -1;
    const QString told = QString::fromLocal8Bit(child.readAllStandardError()).trimmed();
    m_settled[c] = status == 0;
    ran(c, status == 0);
    if (status == 0) {
        m_forcedInDoubt[c] = false;
        m_replacedByForce[c] = false;
    }
    if (status == 2)
        ++m_figures.refusedFiles;
    if (status != 0 && status != 1 && m_loadProblem.isEmpty())
        m_loadProblem = QStringLiteral("at step %1, the other computer's run: status %2, %3")
                            .arg(m_step)
                            .arg(status)
                            .arg(told.right(300));
    trace() << "step" << m_step << "client" << c << "runs in the middle:"
            << (status == 0 ? "succeeded" : status == 1 ? "failed" : "broke") << qPrintable(writesSince(requestsBefore));
}

// A copy of a removed item that came back, held by a client whose run posts
// anew what it holds, may come back under a new id.
Sequence::RepostWatch Sequence::watchReposts(const LiveClient &client, bool posting) const
{
    RepostWatch watch;
    if (!posting)
        return watch;
    for (int k = 0; k < 2; ++k) {
        const QList<Ghost> &ghosts = k ? m_exp.noteGhosts : m_exp.listGhosts;
        const QStringList held = k ? clientNoteSigs(client) : clientListSigs(client);
        for (int g = 0; g < ghosts.size(); ++g)
            if (std::any_of(held.begin(), held.end(), [&](const QString &h) { return ghosts[g].sigs.contains(h); }))
                watch.reposted[k] << g;
        k ? serverNoteSigs(m_server, &watch.idsBefore[k]) : serverListSigs(m_server, &watch.idsBefore[k], m_blanked);
    }
    return watch;
}

void Sequence::noteReposts(const RepostWatch &watch)
{
    for (int k = 0; k < 2; ++k) {
        QList<Ghost> &ghosts = k ? m_exp.noteGhosts : m_exp.listGhosts;
        QList<quint32> ids;
        const QStringList onServer = k ? serverNoteSigs(m_server, &ids) : serverListSigs(m_server, &ids, m_blanked);
        for (int g : std::as_const(watch.reposted[k]))
            for (int i = 0; i < ids.size(); ++i)
                if (!watch.idsBefore[k].contains(ids[i]) && ghosts[g].sigs.contains(onServer[i]))
                    ghosts[g].ids.insert(ids[i]);
    }
}

QList<ListModel *> Sequence::copiesOf(const LiveClient &client, const ExpList &list) const
{
    QList<ListModel *> out;
    for (ListModel *m : client.lists->models())
        if (list.names.contains(m->taskList()->name()))
            out << m;
    return out;
}

ListModel *Sequence::currentCopy(const LiveClient &client, const ExpList &list) const
{
    const QList<ListModel *> copies = copiesOf(client, list);
    if (copies.size() != 1 || clientListSig(copies.first()->taskList()) != list.sig())
        return nullptr;
    return copies.first();
}

NotepadNote *Sequence::currentNote(const LiveClient &client, const ExpNote &note) const
{
    NotepadNote *found = nullptr;
    int n = 0;
    for (NotepadNote *x : client.notes->notes()) {
        if (x->syncStatus() != NotepadNote::Deleted && x->title() == note.title) {
            found = x;
            ++n;
        }
    }
    return n == 1 && found->text() == note.text ? found : nullptr;
}

QList<int> Sequence::changeable(const LiveClient &client, int c, bool own, bool inDoubtOnly) const
{
    QList<int> out;
    for (auto it = m_exp.lists.cbegin(); it != m_exp.lists.cend(); ++it) {
        const ExpList &l = it.value();
        if ((l.maker == c) != own || l.twin || (inDoubtOnly && !l.inDoubt) || l.pending[1 - c])
            continue;
        if (!mayChange(c))
            continue;
        // Changed by the other client, a list that nothing identifies would
        // no longer be known by its maker's upload in doubt.
        if (!own && l.untitledInDoubt)
            continue;
        if (currentCopy(client, l))
            out << it.key();
    }
    return out;
}

QList<int> Sequence::ownNotes(const LiveClient &client, int c, bool inDoubtOnly) const
{
    QList<int> out;
    for (auto it = m_exp.notes.cbegin(); it != m_exp.notes.cend(); ++it) {
        const ExpNote &n = it.value();
        if (n.maker != c || (inDoubtOnly && !n.inDoubt) || !mayChange(c))
            continue;
        if (currentNote(client, n))
            out << it.key();
    }
    return out;
}

// A list to change: the client's own, or now and then one the other made.
int Sequence::pickList(const LiveClient &client, int c, bool crossToo, bool inDoubtFirst)
{
    const QList<int> own = changeable(client, c, true);
    QList<int> other = crossToo && on("cross") ? changeable(client, c, false) : QList<int>();
    if (inDoubtFirst) {
        const QList<int> otherInDoubt = crossToo && on("cross") ? changeable(client, c, false, true) : QList<int>();
        if (!otherInDoubt.isEmpty())
            other = otherInDoubt;
    }
    if (own.isEmpty() && other.isEmpty())
        return -1;
    if (own.isEmpty() || (!other.isEmpty() && below(3) == 0))
        return pick(other);
    return pick(own);
}

int Sequence::ownList(int c, bool inDoubtOnly)
{
    const QList<int> keys = changeable(*m_live, c, true, inDoubtOnly);
    return keys.isEmpty() ? -1 : pick(keys);
}

Sequence::TaskPick Sequence::pickTask(int key)
{
    TaskPick picked;
    if (key < 0)
        return picked;
    picked.list = &m_exp.lists[key];
    picked.model = currentCopy(*m_live, *picked.list);
    const QList<Task *> tasks = picked.model->taskList()->rootTask()->children();
    Task *task = tasks.isEmpty() ? nullptr : pick(tasks);
    if (task && picked.list->indexOf(task->title(), task->isDone()) >= 0)
        picked.task = task;
    return picked;
}

QString Sequence::about(const ExpList &list, int c) const
{
    QStringList out;
    if (list.maker != c)
        out << QStringLiteral("(cross)");
    if (list.inDoubt)
        out << QStringLiteral("(in doubt)");
    return out.join(QLatin1Char(' '));
}

void Sequence::countCross(const ExpList &list, int c)
{
    if (list.maker == c)
        return;
    ++m_figures.crossEdits;
    if (list.inDoubt)
        ++m_figures.crossInDoubt;
}

// After an undo or redo the list is what the client shows.
void Sequence::takeCopy(ExpList &list, const ListModel *copy)
{
    const TaskList *t = copy->taskList();
    list.name = t->name();
    if (!list.names.contains(list.name))
        list.names << list.name;
    list.tasks.clear();
    std::function<void(const Task *)> walk = [&](const Task *task) {
        for (const Task *child : task->children()) {
            if (!child->title().isEmpty())
                list.tasks << ExpTask{child->title(), child->isDone()};
            walk(child);
        }
    };
    walk(t->rootTask());
}

void Sequence::notePending(int c, const LiveClient &client)
{
    if (c < 0)
        return;
    for (ExpList &l : m_exp.lists) {
        l.pending[c] = false;
        for (const ListModel *copy : copiesOf(client, l)) {
            const TaskList *list = copy->taskList();
            // A copy edited after a post whose fetch failed is put onto the
            // posted tasks task by task; any other edited copy goes up whole.
            const bool postMark = !list->pendingUpload().isEmpty() && !list->pendingUpload().startsWith("put");
            if (list->syncStatus() == TaskList::Edited && !postMark)
                l.pending[c] = true;
        }
    }
}

void Sequence::refreshDoubts(int c, const LiveClient &client)
{
    notePending(c, client);
    for (ExpList &l : m_exp.lists) {
        if (l.maker != c)
            continue;
        const QList<ListModel *> copies = copiesOf(client, l);
        l.inDoubt = copies.size() == 1 && !copies.first()->taskList()->pendingUpload().isEmpty();
        if (copies.size() != 1)
            continue;
        const TaskList *copy = copies.first()->taskList();
        if (copy->syncStatus() != TaskList::New)
            l.untitledInDoubt = false;
        else if (UploadMark::read(copy->pendingUpload()).isPost()
                 && !UploadMark::read(copy->pendingUpload()).identifiesByTasks())
            l.untitledInDoubt = true; // as its file says after a kill
    }
    for (ExpNote &n : m_exp.notes) {
        if (n.maker != c)
            continue;
        int count = 0;
        bool marked = false;
        for (NotepadNote *x : client.notes->notes()) {
            if (x->syncStatus() != NotepadNote::Deleted && x->title() == n.title) {
                ++count;
                marked = !x->pendingUpload().isEmpty();
            }
        }
        n.inDoubt = count == 1 && marked;
    }
}

bool Sequence::anyDoubt(int c) const
{
    for (const ExpList &l : m_exp.lists)
        if (l.maker == c && l.inDoubt)
            return true;
    for (const ExpNote &n : m_exp.notes)
        if (n.maker == c && n.inDoubt)
            return true;
    return false;
}

// What a run about to start may post: the client's new items as they are.
void Sequence::recordPosted(int c, const LiveClient &client)
{
    for (ListModel *m : client.lists->models()) {
        const TaskList *t = m->taskList();
        if (t->syncStatus() != TaskList::New)
            continue;
        const QString sig = clientListSig(t);
        const bool untitled = clientTaskSigs(t).isEmpty();
        for (ExpList &l : m_exp.lists) {
            if (l.maker == c && l.names.contains(t->name())) {
                l.posted << sig;
                l.untitledInDoubt = l.untitledInDoubt || untitled;
            }
        }
    }
    for (NotepadNote *x : client.notes->notes()) {
        if (x->syncStatus() != NotepadNote::New)
            continue;
        for (ExpNote &n : m_exp.notes)
            if (n.maker == c && n.title == x->title())
                n.posted << noteSig(x->title(), x->text());
    }
}

QString Sequence::holdsExpected(const LiveClient &client) const
{
    QStringList lists;
    for (const ExpList &l : m_exp.lists)
        lists << l.sig();
    QStringList notes;
    for (const ExpNote &n : m_exp.notes)
        notes << n.sig();
    QString problem = matchItems(QStringLiteral("lists"), clientListSigs(client), lists, m_exp.listGhosts, nullptr);
    if (problem.isEmpty())
        problem = matchItems(QStringLiteral("notes"), clientNoteSigs(client), notes, m_exp.noteGhosts, nullptr);
    return problem;
}

QString Sequence::writesSince(int first) const
{
    // The item's name, as the body carries it.
    static const QRegularExpression named(QStringLiteral("<dt>(?:name|title)</dt>\\s*<dd>([^<]*)</dd>"));
    QStringList out;
    const QList<FakeRequest> all = m_server.requests();
    for (int i = first; i < all.size(); ++i) {
        const bool failed = all[i].status != 200 && all[i].status != 204;
        if (!failed && !QRegularExpression(ItemPath).match(all[i].path).hasMatch())
            continue;
        const QRegularExpressionMatch m = named.match(QString::fromUtf8(all[i].body));
        out << QStringLiteral("%1 %2 %3%4")
                   .arg(QString::fromLatin1(all[i].method), all[i].path)
                   .arg(all[i].status)
                   .arg(m.hasMatch() ? QLatin1Char(' ') + m.captured(1) : QString());
    }
    return out.join(QStringLiteral(", "));
}

// ------------------------------------------------------------------ steps

void Sequence::step(int index)
{
    m_step = index;
    ++m_figures.steps;
    if (on("stale"))
        staleStep();
    // Now and then, with draws of its own, the user's own backup imported.
    if (on("restore") && m_restoreRng.bounded(100) < 3)
        restoreOwnBackup(int(m_restoreRng.bounded(2)));
    // A person takes a while between two actions: tasks made in two steps
    // share their creation time only when the second is a step on the other
    // computer in the same second, right after the first or on a clock
    // that is behind.
    int sameAs = -1; // the client whose second this step's computer is in
    bool behind = false;
    if (on("samesecond") && below(5) == 0) {
        if (m_lastMaker >= 0 && below(2) == 0) {
            sameAs = m_lastMaker;
        } else if (m_madeAt[0].isValid() || m_madeAt[1].isValid()) {
            sameAs = !m_madeAt[0].isValid() ? 1 : !m_madeAt[1].isValid() ? 0 : int(below(2));
            behind = true;
        }
    }
    if (sameAs < 0 || behind)
        Clock::advance(1000 * qint64(1 + below(30)));
    const QDateTime now = Clock::currentDateTimeUtc();
    // The third computer takes no steps of these.
    const int current = m_liveIndex == 2 ? 0 : qMax(0, m_liveIndex);
    const int c = sameAs >= 0 ? 1 - sameAs : below(4) == 0 ? 1 - current : current;
    // Where the other made tasks in that second, when typing there is this step.
    const int sameList = behind ? m_madeIn[sameAs] : -1;
    if (behind)
        Clock::setFixedTime(m_madeAt[sameAs]);
    const bool lastRan = m_lastRan;
    m_lastMaker = -1;
    m_lastRan = false;
    const bool followUp = m_followUp && m_liveIndex == c;
    m_followUp = false;
    live(c);

    QMap<int, QString> listsBefore;
    for (auto it = m_exp.lists.cbegin(); it != m_exp.lists.cend(); ++it)
        listsBefore.insert(it.key(), it.value().sig());
    QMap<int, QString> notesBefore;
    for (auto it = m_exp.notes.cbegin(); it != m_exp.notes.cend(); ++it)
        notesBefore.insert(it.key(), it.value().sig());
    bool acted = false;
    bool done = false;
    if (sameAs >= 0) {
        // What makes tasks: a run too, right after one there, for the
        // untitled rows both leave.
        ++m_figures.sameSecond;
        m_sameSecondStep = true;
        trace() << "step" << m_step << "client" << c << "in the same second as the other"
                << qPrintable(behind ? QStringLiteral("(its clock %1 s behind)").arg(m_madeAt[sameAs].secsTo(now))
                                     : QString());
        switch (!behind && lastRan && below(2) == 0 ? 5 : below(5)) {
        case 0:
            acted = makeList(c);
            break;
        case 1:
        case 2:
            // Into the list the other made tasks in then, when it may.
            if (mayType(c, sameList)) {
                typeTask(c, sameList, currentCopy(*m_live, m_exp.lists[sameList]));
                ++m_figures.sameList;
                acted = true;
            } else {
                acted = addTask(c);
            }
            break;
        case 3:
            acted = on("paste") && paste(c);
            break;
        case 4:
            acted = on("blank") && blankRow(c);
            break;
        default:
            sync(c, Force::None);
            break;
        }
        m_sameSecondStep = false;
        done = true;
    }
    if (!done && followUp && below(2) == 0) {
        // Right after a run that left an upload in doubt.
        switch (below(3)) {
        case 0:
            acted = on("undo") && undoRedo(c, true);
            break;
        case 1:
            acted = removeList(c, true) || removeNote(c, true);
            break;
        default:
            acted = addTask(c, true);
            break;
        }
        done = acted;
    }
    if (!done && (on("paste") || on("blankpost") || on("forcedafterkill") || on("midforced")) && below(100) < 12) {
        const int kind = int(below(12));
        if (kind < 5)
            acted = on("paste") && paste(c);
        else if (kind < 8)
            acted = on("blankpost") && blankPost(c);
        else if (kind < 10 && on("forcedafterkill"))
            forcedAfterCut(c);
        else if (kind >= 10 && on("midforced"))
            midForced(c);
        done = true;
    }
    if (!done) {
        const int action = int(below(100));
        if (action < 9)
            acted = makeList(c);
        else if (action < 15)
            acted = makeNote(c);
        else if (action < 25)
            acted = addTask(c);
        else if (action < 29)
            acted = retitle(c);
        else if (action < 33)
            acted = on("tick") && tick(c);
        else if (action < 36)
            acted = on("rename") && rename(c);
        else if (action < 39)
            acted = on("taskremoval") && removeTask(c);
        else if (action < 41)
            acted = on("blank") && blankRow(c);
        else if (action < 45)
            acted = on("undo") && undoRedo(c);
        else if (action < 49)
            acted = editNote(c);
        else if (action < 52)
            acted = removeList(c);
        else if (action < 55)
            acted = removeNote(c);
        else if (action < 58)
            acted = on("alike") && makeAlike(c);
        else if (action < 60) {
            if (on("forced"))
                forced(c, below(3) != 0);
        } else {
            sync(c, Force::None);
        }
    }
    if (behind)
        Clock::setFixedTime(now);
    // A step may end on the other client (the blank list's): the change is
    // that of the client loaded now.
    const int actor = m_liveIndex;
    if (!acted || actor < 0)
        return;
    if (m_replacedByForce[actor]) {
        ++m_figures.overForced;
        trace() << "step" << m_step << "client" << actor << "changed copies a forced run of the other replaced";
    }
    m_settled[actor] = false;
    for (auto it = m_exp.lists.cbegin(); it != m_exp.lists.cend(); ++it)
        if (listsBefore.value(it.key()) != it.value().sig())
            m_unsavedLists.insert(it.key());
    for (auto it = listsBefore.cbegin(); it != listsBefore.cend(); ++it) {
        if (!m_exp.lists.contains(it.key())) {
            m_unsavedLists.remove(it.key());
            m_unsavedRemovedLists << it.value().left(int(it.value().indexOf(QLatin1Char('['))));
        }
    }
    QMap<int, QString> notesAfter;
    for (auto it = m_exp.notes.cbegin(); it != m_exp.notes.cend(); ++it)
        notesAfter.insert(it.key(), it.value().sig());
    m_unsavedNotes = m_unsavedNotes || notesAfter != notesBefore;
}

bool Sequence::makeList(int c, bool blank)
{
    LiveClient &client = *m_live;
    ExpList list;
    list.name = fresh("L");
    list.names << list.name;
    list.maker = c;
    QStringList titles;
    for (quint32 i = blank ? 0 : below(3); i > 0; --i) {
        titles << fresh("t");
        list.tasks << ExpTask{titles.last()};
    }
    ListModel *model = client.addList(list.name, titles);
    // The page shows a list without tasks with one untitled row.
    if (titles.isEmpty() && on("blank") && below(2) == 0) {
        model->insertRow(0);
        ++m_figures.blankRows;
    }
    if (!titles.isEmpty() || model->rowCount() > 0)
        made(c, m_exp.nextKey);
    list.sharedIdentity = m_sameSecondStep && !titles.isEmpty();
    trace() << "step" << m_step << "client" << c << "makes list" << list.sig();
    m_exp.lists.insert(m_exp.nextKey++, list);
    return true;
}

bool Sequence::makeNote(int c)
{
    ExpNote note;
    note.title = fresh("N");
    note.text = fresh("x");
    note.maker = c;
    m_live->addNote(note.title, note.text);
    trace() << "step" << m_step << "client" << c << "makes note" << note.sig();
    m_exp.notes.insert(m_exp.nextKey++, note);
    return true;
}

// As the page adds a task at the end: into the untitled last row if there
// is one, else into a new row; the typed title takes the undo step.
bool Sequence::addTask(int c, bool inDoubtOnly)
{
    const int key = inDoubtOnly ? ownList(c, true) : pickList(*m_live, c, true, true);
    if (key < 0)
        return false;
    typeTask(c, key, currentCopy(*m_live, m_exp.lists[key]));
    return true;
}

// An untitled row keeps the second it was made in: typed into, it is the
// task's creation time.
void Sequence::typeTask(int c, int key, ListModel *model)
{
    ExpList &list = m_exp.lists[key];
    const QString title = fresh("t");
    const int rows = model->rowCount();
    QModelIndex last = rows > 0 ? model->index(rows - 1, 0) : QModelIndex();
    const bool intoRow = last.isValid() && model->taskForIndex(last)->title().isEmpty();
    if (!intoRow) {
        model->insertRow(rows);
        last = model->index(rows, 0);
    }
    model->setData(last, title, Qt::EditRole);
    trace() << "step" << m_step << "client" << c << "adds" << title << "to" << list.name << about(list, c)
            << qPrintable(intoRow ? QStringLiteral("(into the untitled row of %1)")
                                        .arg(model->taskForIndex(last)->creationTime().toString(Qt::ISODate))
                                  : QString());
    countCross(list, c);
    list.tasks << ExpTask{title};
    list.sharedIdentity = list.sharedIdentity || m_sameSecondStep || intoRow;
    made(c, key, model->taskForIndex(last)->creationTime());
}

void Sequence::made(int c, int key, const QDateTime &at)
{
    m_lastMaker = c;
    m_madeAt[c] = at.isValid() ? at : Clock::currentDateTimeUtc();
    m_madeIn[c] = key;
}

// The client may type a task into the list now, as addTask would.
bool Sequence::mayType(int c, int key) const
{
    if (key < 0 || !m_exp.lists.contains(key))
        return false;
    const ExpList &l = m_exp.lists[key];
    if (l.twin || l.pending[1 - c] || !mayChange(c) || (l.maker != c && (!on("cross") || l.untitledInDoubt)))
        return false;
    return currentCopy(*m_live, l) != nullptr;
}

bool Sequence::retitle(int c)
{
    const TaskPick picked = pickTask(ownList(c));
    if (!picked.task)
        return false;
    const QString title = fresh("r");
    trace() << "step" << m_step << "client" << c << "retitles" << picked.task->title() << "to" << title << "in"
            << picked.list->name;
    picked.list->tasks[picked.list->indexOf(picked.task->title(), picked.task->isDone())].title = title;
    // Typed in the tree (an undo step) or set by the task's dialog.
    if (below(2) == 0)
        picked.model->setData(picked.model->indexOfTask(picked.task), title, Qt::EditRole);
    else
        picked.model->setTaskTitle(picked.task, title);
    return true;
}

bool Sequence::tick(int c)
{
    const TaskPick picked = pickTask(pickList(*m_live, c, true, true));
    if (!picked.task)
        return false;
    ExpTask &expected = picked.list->tasks[picked.list->indexOf(picked.task->title(), picked.task->isDone())];
    expected.done = !expected.done;
    trace() << "step" << m_step << "client" << c << (expected.done ? "ticks" : "unticks") << picked.task->title()
            << "in" << picked.list->name << about(*picked.list, c);
    countCross(*picked.list, c);
    picked.model->setTaskDone(picked.task, expected.done);
    return true;
}

bool Sequence::rename(int c)
{
    const int key = pickList(*m_live, c, true, true);
    if (key < 0)
        return false;
    ExpList &list = m_exp.lists[key];
    renameList(c, list, currentCopy(*m_live, list));
    return true;
}

void Sequence::renameList(int c, ExpList &list, ListModel *model)
{
    const QString name = fresh("R");
    trace() << "step" << m_step << "client" << c << "renames" << list.name << "to" << name << about(list, c);
    countCross(list, c);
    list.name = name;
    list.names << name;
    model->setName(name);
}

// As the tree removes the current task: an undo step, the row, and an
// untitled row when none is left.
bool Sequence::removeTask(int c)
{
    const TaskPick picked = pickTask(ownList(c));
    if (!picked.task || picked.task->childCount() > 0)
        return false;
    ExpList &list = *picked.list;
    trace() << "step" << m_step << "client" << c << "removes" << picked.task->title() << "from" << list.name
            << about(list, c);
    ++m_figures.taskRemovals;
    if (list.inDoubt)
        ++m_figures.removalsInDoubt;
    list.tasks.removeAt(list.indexOf(picked.task->title(), picked.task->isDone()));
    picked.model->saveUndoState();
    const QModelIndex index = picked.model->indexOfTask(picked.task);
    picked.model->removeRow(index.row(), index.parent());
    if (picked.model->rowCount() == 0)
        picked.model->insertRow(0);
    return true;
}

bool Sequence::moveToOtherList(int c)
{
    const TaskPick picked = pickTask(ownList(c));
    const int to = ownList(c);
    if (!picked.task || picked.task->childCount() > 0 || to < 0 || &m_exp.lists[to] == picked.list)
        return false;
    ExpList &from = *picked.list;
    ExpList &into = m_exp.lists[to];
    ListModel *target = currentCopy(*m_live, into);
    if (!target || target == picked.model)
        return false;
    trace() << "step" << m_step << "client" << c << "moves" << picked.task->title() << "from" << from.name << "to"
            << into.name;
    into.tasks << from.tasks.takeAt(from.indexOf(picked.task->title(), picked.task->isDone()));
    Task *copy = picked.task->copy();
    copy->setLineage(picked.task->lineage());
    picked.model->saveUndoState();
    const QModelIndex index = picked.model->indexOfTask(picked.task);
    picked.model->removeRow(index.row(), index.parent());
    if (picked.model->rowCount() == 0)
        picked.model->insertRow(0);
    target->appendTask(copy);
    return true;
}

// As the tree opens a row after the current task (Enter): an undo step and
// an untitled row, left so; a list without rows gets one without a step.
bool Sequence::blankRow(int c)
{
    const int key = ownList(c);
    if (key < 0)
        return false;
    ExpList &list = m_exp.lists[key];
    ListModel *model = currentCopy(*m_live, list);
    const int rows = model->rowCount();
    if (rows == 0) {
        model->insertRow(0);
    } else {
        const int row = int(below(quint32(rows)));
        if (model->taskForIndex(model->index(row, 0))->title().isEmpty())
            return false;
        model->saveUndoState();
        model->insertRow(row + 1);
    }
    trace() << "step" << m_step << "client" << c << "leaves an untitled row in" << list.name;
    ++m_figures.blankRows;
    made(c, key);
    return true;
}

bool Sequence::undoRedo(int c, bool inDoubtOnly)
{
    LiveClient &client = *m_live;
    QList<int> keys;
    QList<int> candidates = changeable(client, c, true, inDoubtOnly);
    if (on("cross"))
        candidates += changeable(client, c, false, inDoubtOnly);
    for (int key : std::as_const(candidates)) {
        const ListModel *model = currentCopy(client, m_exp.lists[key]);
        if (model->canUndo() || model->canRedo())
            keys << key;
    }
    if (keys.isEmpty())
        return false;
    ExpList &list = m_exp.lists[pick(keys)];
    ListModel *model = currentCopy(client, list);
    const bool redo = model->canRedo() && (!model->canUndo() || below(3) == 0);
    const QString before = list.sig();
    if (redo) {
        model->redo();
        ++m_figures.redos;
    } else {
        model->undo();
        ++m_figures.undos;
    }
    model->taskList()->rootTask()->forEachBelow([this](const Task *task) {
        if (task->id() != 0 && task->childCount() == 0 && task->isBlankRecursively())
            m_blanked.insert(task->id());
    });
    takeCopy(list, model);
    trace() << "step" << m_step << "client" << c << (redo ? "redoes" : "undoes") << "in" << before << "->"
            << list.sig() << (list.inDoubt ? "(in doubt)" : "");
    return true;
}

bool Sequence::editNote(int c)
{
    const QList<int> keys = ownNotes(*m_live, c);
    if (keys.isEmpty())
        return false;
    ExpNote &note = m_exp.notes[pick(keys)];
    if (note.twin)
        return false;
    const QString text = fresh("x");
    trace() << "step" << m_step << "client" << c << "edits note" << note.title << "to" << text;
    currentNote(*m_live, note)->editText(text);
    note.text = text;
    return true;
}

bool Sequence::removeList(int c, bool inDoubtOnly)
{
    LiveClient &client = *m_live;
    QList<int> keys;
    for (auto it = m_exp.lists.cbegin(); it != m_exp.lists.cend(); ++it)
        if (it.value().maker == c && (!inDoubtOnly || it.value().inDoubt) && mayChange(c)
            && currentCopy(client, it.value()))
            keys << it.key();
    if (keys.isEmpty())
        return false;
    const int key = pick(keys);
    const ExpList list = m_exp.lists.take(key);
    TaskList *copy = currentCopy(client, list)->taskList();
    const bool inDoubt = copy->syncStatus() == TaskList::New && !copy->pendingUpload().isEmpty();
    // Its tasks tell its copy only by identities no other task here holds
    // (a pasted copy, or a task made in the same second, shares one).
    const UploadMark mark = UploadMark::read(copy->pendingUpload());
    const bool unknowable = list.untitledInDoubt
                            || mark.ownIdentities(UploadMark::identityCounts(client.lists->taskLists() + client.lists->deletedLists()), copy)
                                     .isEmpty();
    trace() << "step" << m_step << "client" << c << "removes list" << list.sig() << (inDoubt ? "(in doubt)" : "")
            << (inDoubt && unknowable ? "(may come back)" : "");
    ++m_figures.listRemovals;
    if (!copy->pendingUpload().isEmpty())
        ++m_figures.removalsInDoubt;
    if (inDoubt && unknowable)
        addGhost(m_exp.listGhosts, list.posted, false);
    else if (inDoubt)
        m_exp.removedInDoubt << Expected::RemovedInDoubt{c, copy->pendingUpload(), list.posted};
    // The other computer holds a change of it the server may lack: that
    // brings it back, once, holding the change, unless the change is known
    // to be there. Nothing tells which after a run cut short.
    if (list.pending[1 - c]) {
        Ghost ghost;
        ghost.prefix = list.name + QLatin1Char('[');
        ghost.anyId = true;
        m_exp.listGhosts << ghost;
        ++m_figures.mayComeBack;
        trace() << "step" << m_step << "client" << c << "the other's change may bring it back";
    }
    client.lists->deleteList(copy);
    return true;
}

void Sequence::recheckRemovedInDoubt(int c, const LiveClient &client)
{
    const QList<TaskList *> here = client.lists->taskLists() + client.lists->deletedLists();
    const QHash<QString, int> counts = UploadMark::identityCounts(here);
    for (auto it = m_exp.removedInDoubt.begin(); it != m_exp.removedInDoubt.end();) {
        if (it->client != c) {
            ++it;
            continue;
        }
        const TaskList *record = nullptr;
        for (const TaskList *removed : client.lists->deletedLists())
            if (removed->serverId() == 0 && removed->pendingUpload() == it->mark)
                record = removed;
        if (record && !UploadMark::read(it->mark).ownIdentities(counts, record).isEmpty()) {
            ++it;
            continue;
        }
        // Gone (dealt with), or nothing of its own tells it any more.
        if (record) {
            trace() << "step" << m_step << "client" << c << "list removed in doubt may come back now";
            addGhost(m_exp.listGhosts, it->posted, false);
        }
        it = m_exp.removedInDoubt.erase(it);
    }
}

bool Sequence::removeNote(int c, bool inDoubtOnly)
{
    const QList<int> keys = ownNotes(*m_live, c, inDoubtOnly);
    if (keys.isEmpty())
        return false;
    const ExpNote note = m_exp.notes.take(pick(keys));
    NotepadNote *copy = currentNote(*m_live, note);
    const bool inDoubt = copy->syncStatus() == NotepadNote::New && !copy->pendingUpload().isEmpty();
    trace() << "step" << m_step << "client" << c << "removes note" << note.sig()
            << (inDoubt ? "(in doubt, may come back)" : "");
    ++m_figures.noteRemovals;
    if (!copy->pendingUpload().isEmpty())
        ++m_figures.removalsInDoubt;
    if (inDoubt)
        addGhost(m_exp.noteGhosts, note.posted, true);
    m_live->removeNote(copy);
    return true;
}

void Sequence::addGhost(QList<Ghost> &ghosts, const QStringList &posted, bool note)
{
    QList<quint32> ids;
    const QStringList onServer = note ? serverNoteSigs(m_server, &ids) : serverListSigs(m_server, &ids, m_blanked);
    const Ghost ghost{posted, idsOf(posted, onServer, ids), false, {}};
    if (ghost.ids.isEmpty())
        return;
    ghosts << ghost;
    ++m_figures.mayComeBack;
}

// The user makes here what they made on the other computer, whose upload
// of it is in doubt. One without anything of its own to know it by (no
// titled task, or a task whose identity another may share) is made only
// once the server holds the other's copy: before that the other's next run
// may rightly take this one for its own. Not while a forced remote run of the
// other's is cut short either: the uploads in doubt are then its reposts,
// and the copy the server holds may be one they replace.
bool Sequence::makeAlike(int c)
{
    QList<int> lists;
    const QStringList onServer = serverListSigs(m_server, nullptr, m_blanked);
    const bool reposting = m_forcedInDoubt[1 - c];
    for (auto it = m_exp.lists.cbegin(); it != m_exp.lists.cend(); ++it) {
        const ExpList &l = it.value();
        if (l.maker != c && !l.twin && l.inDoubt
            && ((!l.tasks.isEmpty() && !l.sharedIdentity) || (!reposting && onServer.contains(l.sig()))))
            lists << it.key();
    }
    QList<int> notes;
    const QStringList notesOnServer = serverNoteSigs(m_server);
    for (auto it = m_exp.notes.cbegin(); it != m_exp.notes.cend(); ++it) {
        const ExpNote &n = it.value();
        if (n.maker != c && !n.twin && n.inDoubt && !reposting && notesOnServer.contains(n.sig()))
            notes << it.key();
    }
    if (lists.isEmpty() && notes.isEmpty())
        return false;
    ++m_figures.alike;
    if (notes.isEmpty() || (!lists.isEmpty() && below(2) == 0)) {
        ExpList &original = m_exp.lists[pick(lists)];
        original.twin = true;
        ExpList twin;
        twin.name = original.name;
        twin.names << twin.name;
        twin.maker = c;
        twin.twin = true;
        QStringList titles;
        for (const ExpTask &t : std::as_const(original.tasks)) {
            titles << t.title;
            twin.tasks << ExpTask{t.title};
        }
        // Its tasks are made in a second of their own.
        Clock::advance(1000);
        m_live->addList(twin.name, titles);
        trace() << "step" << m_step << "client" << c << "makes a list alike" << twin.sig();
        m_exp.lists.insert(m_exp.nextKey++, twin);
    } else {
        ExpNote &original = m_exp.notes[pick(notes)];
        original.twin = true;
        ExpNote twin = original;
        twin.maker = c;
        twin.inDoubt = false;
        twin.posted.clear();
        m_live->addNote(twin.title, twin.text);
        trace() << "step" << m_step << "client" << c << "makes a note alike" << twin.sig();
        m_exp.notes.insert(m_exp.nextKey++, twin);
    }
    return true;
}

// As the lists page copies a task (a copy kept aside) and pastes it (a copy
// of that after the current task, or at the end): the copy keeps the task's
// creator and creation time, and what it was when copied. Copied from any
// list this client shows as expected, pasted into one it may change.
bool Sequence::paste(int c)
{
    LiveClient &client = *m_live;
    if (!m_clipboard || below(2) == 0) {
        QList<QPair<Task *, int>> sources;
        for (auto it = m_exp.lists.cbegin(); it != m_exp.lists.cend(); ++it)
            if (const ListModel *copy = currentCopy(client, it.value()))
                for (Task *task : copy->taskList()->rootTask()->children())
                    if (!task->title().isEmpty())
                        sources << qMakePair(task, it.key());
        if (!sources.isEmpty()) {
            const QPair<Task *, int> chosen = pick(sources);
            Task *source = chosen.first;
            m_clipboardFrom = chosen.second;
            m_clipboard.reset(source->copy());
            ++m_figures.copies;
            trace() << "step" << m_step << "client" << c << "copies" << source->title();
        }
    }
    if (!m_clipboard)
        return false;
    const int key = pickList(client, c, true);
    if (key < 0)
        return false;
    ExpList &list = m_exp.lists[key];
    ListModel *model = currentCopy(client, list);
    const int rows = model->rowCount();
    const QModelIndex current = rows > 0 && below(4) != 0 ? model->index(int(below(quint32(rows))), 0) : QModelIndex();
    Task *copy = m_clipboard->copy();
    const ExpTask pasted{copy->title(), copy->isDone()};
    if (!model->pasteTask(copy, current))
        return false;
    trace() << "step" << m_step << "client" << c << "pastes" << taskSig(pasted.title, pasted.done) << "into"
            << list.name << about(list, c);
    countCross(list, c);
    list.tasks << pasted;
    list.sharedIdentity = true;
    if (m_exp.lists.contains(m_clipboardFrom))
        m_exp.lists[m_clipboardFrom].sharedIdentity = true;
    ++m_figures.pastes;
    return true;
}

// A list made without tasks whose post is lost or in doubt; the other
// computer, having fetched it, adds a task to it or renames it.
bool Sequence::blankPost(int c)
{
    if (!mayChange(c) || !mayChange(1 - c))
        return false;
    const int key = m_exp.nextKey;
    makeList(c, true);
    ++m_figures.blankPosts;
    sync(c, Force::None, Fault::ListPostInDoubt);
    if (!m_exp.lists.contains(key) || !m_exp.lists[key].untitledInDoubt)
        return false;
    // Killed, its files tell what it holds unsent once it is started again.
    if (m_lastKilled)
        live(c);
    Clock::advance(1000 * qint64(1 + below(30)));
    live(1 - c);
    if (!sync(1 - c, Force::None, Fault::None))
        return false;
    ExpList &list = m_exp.lists[key];
    ListModel *model = currentCopy(*m_live, list);
    if (!model || list.twin || list.pending[c] || !mayChange(1 - c))
        return false;
    ++m_figures.blankFetched;
    if (below(2) == 0) {
        ++m_figures.blankTaskAdded;
        typeTask(1 - c, key, model);
        return true;
    }
    ++m_figures.blankRenamed;
    if (list.untitledInDoubt) {
        // Its maker's copy, as it was posted, may go up again beside it.
        m_exp.listGhosts << Ghost{QStringList(list.posted) << list.sig(), {}, true, {}};
        ++m_figures.mayStayTwo;
    }
    renameList(1 - c, list, model);
    return true;
}

// When the other client has nothing to send and this one holds every item.
// Not while its copies carry ids the other's forced remote run replaced: as
// any change, it waits for a run that brings the replacements.
bool Sequence::readyToForceRemote(int c) const
{
    for (int other : computers())
        if (other != c && !m_settled[other])
            return false;
    return !m_replacedByForce[c] && m_live && m_liveIndex == c && holdsExpected(*m_live).isEmpty() && staleInStep(c);
}

// Brought in step first, as the user would before forcing; false (and
// counted as skipped) when the client is still not ready for it.
bool Sequence::bringInStepForForcing(int c, const std::function<bool()> &ready)
{
    if (!ready()) {
        if (m_third)
            quietRun(2);
        quietRun(1 - c);
        quietRun(c);
        live(c);
    }
    if (ready())
        return true;
    ++m_figures.forcedSkipped;
    trace() << "step" << m_step << "client" << c << "forced run skipped:"
            << (m_live ? holdsExpected(*m_live) : QString());
    return false;
}

// A forced remote run killed once its first post is out, before its deletes;
// started again, the program runs a forced local one. Both clients had
// nothing to send before: the forced local run loses nothing the user made.
void Sequence::forcedAfterCut(int c)
{
    if (!bringInStepForForcing(c, [&] { return m_settled[c] && readyToForceRemote(c); }))
        return;
    ++m_figures.forcedRemote;
    sync(c, Force::Remote, Fault::KilledAfterFirstPost);
    if (!m_lastKilled || !m_lastHeld)
        return;
    ++m_figures.forcedAfterCut;
    ++m_figures.forcedLocal;
    Clock::advance(1000 * qint64(1 + below(30)));
    live(c);
    sync(c, Force::Local);
    m_stale.groupsTakenBefore = int(m_stale.writes.size());
}

// The other computer synchronises while a forced remote run waits between
// its first post and its deletes; the run goes on or is killed, and the
// other computer may then force its own remote run.
void Sequence::midForced(int c)
{
    if (!readyToForceRemote(c)) {
        if (m_third)
            quietRun(2);
        quietRun(1 - c);
        quietRun(c);
        live(c);
    }
    if (!readyToForceRemote(c)) {
        ++m_figures.forcedSkipped;
        trace() << "step" << m_step << "client" << c << "forced run skipped:" << holdsExpected(*m_live);
        return;
    }
    ++m_figures.forcedRemote;
    sync(c, Force::Remote, Fault::OtherRunsMidway);
    if (below(2) == 0)
        return;
    ++m_figures.otherForced;
    Clock::advance(1000 * qint64(1 + below(30)));
    live(1 - c);
    forced(1 - c, true);
}

// The one list changed since the lists file was written, when nothing else
// changed and the run will PUT or DELETE it: the request to die after.
bool Sequence::unsavedUpload(const LiveClient &client, QByteArray *method, QString *path) const
{
    if (m_unsavedNotes || m_unsavedStale || m_unsavedLists.size() + m_unsavedRemovedLists.size() != 1)
        return false;
    if (!m_unsavedLists.isEmpty()) {
        const ListModel *copy = currentCopy(client, m_exp.lists.value(*m_unsavedLists.cbegin()));
        if (!copy || copy->taskList()->syncStatus() != TaskList::Edited || copy->taskList()->serverId() == 0)
            return false;
        *method = "PUT";
        *path = QStringLiteral("^/lists/%1$").arg(copy->taskList()->serverId());
        return true;
    }
    for (const TaskList *removed : client.lists->deletedLists()) {
        if (removed->name() == m_unsavedRemovedLists.first() && removed->serverId() != 0) {
            *method = "DELETE";
            *path = QStringLiteral("^/lists/%1$").arg(removed->serverId());
            return true;
        }
    }
    return false;
}

void Sequence::forced(int c, bool remote)
{
    if (!bringInStepForForcing(c, [&]() -> bool { return remote ? readyToForceRemote(c) : m_settled[c]; }))
        return;
    if (remote)
        ++m_figures.forcedRemote;
    else
        ++m_figures.forcedLocal;
    sync(c, remote ? Force::Remote : Force::Local);
}

// The user's own backup, exported and imported (after a reinstall, say):
// each list is the server's of the id the backup gave it, once and in its
// group; nothing else changes. With draws of their own, a task is typed
// into a list, or one removed, before the backup is written, the run that
// sends it now and then before the import; and between them, a task moved
// to another list and sent: the import finds each where it is now, once.
void Sequence::restoreOwnBackup(int c)
{
    if (!bringInStepForForcing(c, [&] { return m_settled[c] && readyToForceRemote(c); }))
        return;
    ++m_figures.restores;
    QRandomGenerator *const drawn = std::exchange(m_draw, &m_restoreRng);
    const auto restoreDraw = qScopeGuard([&] { m_draw = drawn; });
    const quint32 change = below(3);
    if ((change == 1 && addTask(c)) || (change == 2 && on("taskremoval") && removeTask(c)))
        m_settled[c] = false;
    const QString path = QDir(m_stores[c]->path).filePath(QStringLiteral("backup.xhtml"));
    // As the backup page writes it.
    RestoredLists::keyLists(m_live->lists);
    if (!m_live->lists->save(path)) {
        m_loadProblem = QStringLiteral("the backup was not written");
        return;
    }
    trace() << "step" << m_step << "client" << c << "exports its backup";
    const auto sendAll = [&] {
        m_server.clearFaults();
        if (!sync(c, Force::None, Fault::None) && m_loadProblem.isEmpty())
            m_loadProblem = QStringLiteral("at step %1, a run before the import failed").arg(m_step);
    };
    if (!m_settled[c] && below(2) == 0)
        sendAll();
    if (below(2) == 0 && moveToOtherList(c)) {
        m_settled[c] = false;
        sendAll();
    }
    if (!m_loadProblem.isEmpty())
        return;
    LiveClient &client = *m_live;
    UserLists *restored = UserLists::load(path);
    if (!restored) {
        m_loadProblem = QStringLiteral("the backup did not read back");
        return;
    }
    trace() << "step" << m_step << "client" << c << "imports its own backup";
    // As the backup page and the lists page do.
    RestoredLists::prepare(restored, client.lists);
    restored->ensureNotEmpty();
    for (const TaskList *list : client.lists->taskLists())
        client.listsGroups()->removeList(list);
    delete client.lists;
    client.lists = restored;
    for (const TaskList *list : restored->taskLists()) {
        if (client.listsGroups()->containsList(list))
            continue;
        client.listsGroups()->addListToDefaultGroup(list);
        if (list->syncStatus() != TaskList::New)
            client.listsGroups()->placeAsAgreed(list);
    }
    placeAsThePage(client);
    m_settled[c] = false;
    // Its run goes to its end: a backup that comes back after others
    // changed its lists brings back what it holds, which is no change of
    // theirs to keep.
    m_server.clearFaults();
    if (!sync(c, Force::None, Fault::None) && m_loadProblem.isEmpty())
        m_loadProblem = QStringLiteral("at step %1, the run after an import failed").arg(m_step);
}

// A run, as F5 or a forced run starts it, with a fault of the server or a
// kill on the way now and then. Returns whether it succeeded.
bool Sequence::sync(int c, Force force, Fault chosen)
{
    LiveClient &client = *m_live;
    ++m_figures.syncs;
    const int firedBefore = m_server.faultsFired();
    const bool random = chosen == Fault::Random;
    const int fault = random ? int(below(10)) : -1;
    QString path = random && below(2) ? ListsPath : NotesPath;
    const quint32 m = random ? below(6) : 0;
    const QByteArray method = m < 3 ? QByteArray("POST") : m < 5 ? QByteArray("PUT") : QByteArray("DELETE");
    std::function<bool()> killWhen;
    std::function<bool()> whenStopped;
    bool resumed = false;
    auto killOn = [this](const QByteArray &method, const QString &path) -> std::function<bool()> {
        const int before = int(m_server.requests().size());
        return [this, before, method, path] {
            const QList<FakeRequest> all = m_server.requests();
            for (int i = before; i < all.size(); ++i)
                if ((method.isEmpty() || all[i].method == method)
                    && QRegularExpression(path).match(all[i].path).hasMatch())
                    return true;
            return false;
        };
    };
    bool deleteKill = false;
    bool unsavedKill = false;
    QString told;
    switch (fault) {
    case 0:
    case 1:
        m_server.dropAnswerAfterApplying(method, path);
        told = QStringLiteral("answer of %1 %2 lost").arg(QString::fromLatin1(method), path);
        ++m_figures.faultsSet;
        break;
    case 2:
        m_server.respondAfterApplying(method, path, 500);
        told = QStringLiteral("%1 %2 applied, then 500").arg(QString::fromLatin1(method), path);
        ++m_figures.faultsSet;
        break;
    case 3:
        m_server.respondOnce("GET", path, 500);
        told = QStringLiteral("GET %1 fails").arg(path);
        ++m_figures.faultsSet;
        break;
    case 4: {
        // Now and then F5 comes right after a change, before the lists are
        // saved, and the program dies once that change reached the server.
        QByteArray unsavedMethod;
        QString unsavedPath;
        if (force == Force::None && below(2) == 0 && on("unsaved")
            && unsavedUpload(client, &unsavedMethod, &unsavedPath)) {
            m_server.hold(unsavedMethod, unsavedPath);
            killWhen = killOn(unsavedMethod, unsavedPath);
            unsavedKill = true;
            told = QStringLiteral("unsaved, killed at %1 %2").arg(QString::fromLatin1(unsavedMethod), unsavedPath);
        } else if (force == Force::None || on("forcedkill")) {
            m_server.hold(path);
            killWhen = killOn({}, path);
            told = QStringLiteral("killed at %1").arg(path);
        }
        if (killWhen)
            ++m_figures.faultsSet;
        break;
    }
    case 5: {
        // Killed once a removal reached the server.
        bool removedNote = false;
        for (const NotepadNote *n : client.notes->notes())
            removedNote = removedNote || n->syncStatus() == NotepadNote::Deleted;
        const bool removedList = !client.lists->deletedLists().isEmpty();
        if (!on("deletekill") || force == Force::Local || (force == Force::Remote && !on("forcedkill"))
            || (!removedList && !removedNote))
            break;
        path = removedList && (!removedNote || below(2) == 0) ? ListsPath : NotesPath;
        m_server.hold("DELETE", path);
        killWhen = killOn("DELETE", path);
        deleteKill = true;
        told = QStringLiteral("killed at DELETE %1").arg(path);
        ++m_figures.faultsSet;
        break;
    }
    default:
        break; // a run without a fault
    }
    // Now and then a run of lists changed on older copies ends between the
    // first list it fetches or merges and the end of the lists: the user
    // cancels it, quits the program, or a later list's request fails.
    enum class Cut { None, Cancel, Quit, Fault };
    Cut cut = Cut::None;
    int cutAt = 0;
    QMetaObject::Connection cutArming;
    const int requestsAtStart = int(m_server.requests().size());
    const auto listRequests = [this, requestsAtStart] {
        static const QRegularExpression oneList(QStringLiteral("^/lists/\\d+$"));
        const QList<FakeRequest> all = m_server.requests();
        int n = 0;
        for (int i = requestsAtStart; i < all.size(); ++i)
            n += oneList.match(all[i].path).hasMatch();
        return n;
    };
    if (random && fault >= 6 && force == Force::None && m_draw == &m_staleRng && on("staleend")) {
        const int kind = int(below(4));
        cutAt = 1 + int(below(4));
        if (kind == 0 || kind == 1) {
            cut = kind == 0 ? Cut::Cancel : Cut::Quit;
            told = QStringLiteral("%1 at list request %2").arg(kind == 0 ? "cancelled" : "quit").arg(cutAt);
        } else if (kind == 2) {
            cut = Cut::Fault;
            const bool lost = below(2) == 0;
            const auto arm = [this, lost] {
                if (lost)
                    m_server.dropAnswerAfterApplying({}, QStringLiteral("^/lists/\\d+$"));
                else
                    m_server.respondOnce({}, QStringLiteral("^/lists/\\d+$"), 500);
            };
            if (cutAt == 1)
                arm();
            else
                cutArming = QObject::connect(&m_server, &FakeServer::requestReceived, &m_server,
                                             [listRequests, arm, cutAt] {
                                                 if (listRequests() == cutAt - 1)
                                                     arm();
                                             });
            told = QStringLiteral("list request %1 %2").arg(cutAt).arg(lost ? "answer lost" : "fails");
        }
    }
    switch (chosen) {
    case Fault::ListPostInDoubt:
        switch (below(3)) {
        case 0:
            m_server.dropAnswerAfterApplying("POST", ListsPath);
            told = QStringLiteral("answer of POST %1 lost").arg(ListsPath);
            break;
        case 1:
            m_server.respondAfterApplying("POST", ListsPath, 500);
            told = QStringLiteral("POST %1 applied, then 500").arg(ListsPath);
            break;
        default:
            m_server.hold("POST", ListsPath);
            killWhen = killOn("POST", ListsPath);
            told = QStringLiteral("killed at POST %1").arg(ListsPath);
            break;
        }
        ++m_figures.faultsSet;
        break;
    case Fault::KilledAfterFirstPost:
    case Fault::OtherRunsMidway:
        // A list's post when there is one, else a note's.
        path = !m_exp.lists.isEmpty() && (m_exp.notes.isEmpty() || below(2) == 0) ? ListsPath : NotesPath;
        m_server.hold("POST", path);
        killWhen = killOn("POST", path);
        ++m_figures.faultsSet;
        if (chosen == Fault::KilledAfterFirstPost) {
            told = QStringLiteral("killed at the first POST %1").arg(path);
            break;
        }
        told = QStringLiteral("the other computer runs at the first POST %1").arg(path);
        whenStopped = [this, c, &resumed] {
            ++m_figures.midForced;
            otherProcessRun(1 - c);
            if (below(2) == 0) {
                ++m_figures.midKilled;
                trace() << "step" << m_step << "client" << c << "is killed";
                return true;
            }
            ++m_figures.midReleased;
            trace() << "step" << m_step << "client" << c << "goes on";
            m_server.releaseHeld();
            resumed = true;
            return false;
        };
        break;
    default:
        break;
    }
    if (unsavedKill) {
        // Only the notepad was written.
        client.notes->save();
        replaceFile(NotepadNotes::filePath(), m_stores[c]->notesPath());
    } else {
        client.persist();
        forgetUnsaved();
    }
    // As the lists page does it: the state kept, then the lists and notes
    // made ready for the server to take them, or emptied to take the
    // server's.
    std::unique_ptr<SyncSnapshot> snapshot;
    // A forced remote run, or the run that finishes one cut short, posts
    // anew what this client holds.
    const RepostWatch reposts = watchReposts(client, force == Force::Remote || m_forcedInDoubt[c]);
    if (force != Force::None) {
        snapshot = std::make_unique<SyncSnapshot>(client.lists, &client, client.notes);
        snapshot->setForcedRemote(force == Force::Remote);
        if (force == Force::Remote) {
            ForcedRuns::prepareForceRemote(client.lists, client.notes);
        } else {
            ForcedRuns::prepareForceLocal(client.lists, client.notes);
            client.setListsGroups(new ListsGroups);
        }
    }
    recordPosted(c, client);
    recheckRemovedInDoubt(c, client);
    const int requestsBefore = int(m_server.requests().size());
    trace() << "step" << m_step << "client" << c
            << (force == Force::Remote ? "forces remote" : force == Force::Local ? "forces local" : "syncs")
            << (told.isEmpty() ? QStringLiteral("without fault") : told);
    const bool hadLists = !client.lists->models().isEmpty();
    bool stopped = false;
    const bool ok = cut == Cut::Cancel || cut == Cut::Quit
                        ? runUntil(client, [&] { return listRequests() >= cutAt; }, &stopped)
                        : runClientSync(
                              client, m_server, killWhen,
                              [force](ListsSynchronizer *run) {
                                  run->setForceRemote(force == Force::Remote);
                                  run->setForceLocal(force == Force::Local);
                              },
                              whenStopped);
    if (cut == Cut::Fault) {
        QObject::disconnect(cutArming);
        m_server.clearFaults();
    }
    if (stopped) {
        ++(cut == Cut::Cancel ? m_figures.cutCancelled : m_figures.cutQuit);
        trace() << "step" << m_step << "client" << c << (cut == Cut::Cancel ? "cancelled" : "quits");
    }
    if (cut == Cut::Fault && m_server.faultsFired() > firedBefore)
        ++m_figures.cutFailed;
    bool killed = false;
    int held = 0;
    if (killWhen) {
        held = m_server.releaseHeld();
        // A change that never went up was not the point: the program lives on.
        killed = !resumed && (!unsavedKill || held > 0);
        if (killed && held > 0) {
            ++m_figures.kills;
            if (deleteKill)
                ++m_figures.deleteKills;
            if (unsavedKill)
                ++m_figures.unsavedKills;
        }
        QTest::qWait(20);
        // A fault that found no request waits for a later run; a hold
        // belongs to this run's kill.
        m_server.clearFaults();
    }
    m_lastKilled = killed;
    m_lastHeld = held > 0;
    m_lastMaker = c < 2 ? c : -1;
    m_lastRan = c < 2;
    ran(c, ok);
    noteReposts(reposts);
    if (killed)
        m_boxesNoted = int(m_boxes.texts.size());
    else
        noteToldTwice(client);
    if (!killed)
        placeAsThePage(client, false);
    if (!killed && c < 2) {
        const int given = afterRun(client, ok, hadLists);
        if (given >= 0)
            made(c, given);
    }
    if (!ok && !killed && snapshot)
        snapshot->restore();
    snapshot.reset();
    const int fired = m_server.faultsFired() - firedBefore;
    m_figures.faultsFired += fired;
    m_settled[c] = ok;
    // A run after a forced remote run cut short finishes its replacements.
    const bool finishesForced = m_forcedInDoubt[c];
    if (ok) {
        m_forcedInDoubt[c] = false;
        m_replacedByForce[c] = false;
    } else if (force == Force::Remote) {
        m_forcedInDoubt[c] = true;
    }
    if (force == Force::Remote || finishesForced)
        for (int other : computers())
            if (other != c)
                m_replacedByForce[other] = true;
    // After a kill only what its files say counts: read when next loaded.
    if (!killed)
        refreshDoubts(c, client);
    trace() << "step" << m_step << "client" << c << (killed ? "killed" : ok ? "run succeeded" : "run failed")
            << "fired" << fired << qPrintable(writesSince(requestsBefore)) << "; lists' order there"
            << qPrintable(serverStaleListOrder(m_server).join(QLatin1Char(' ')));
    // Quit: everything is written, and the program starts anew.
    if (stopped && cut == Cut::Quit)
        dropLive();
    if (killed) {
        // What the kill left on disk is known when it is loaded again.
        for (ExpList &l : m_exp.lists)
            l.pending[c] = true;
        m_live.reset();
        m_liveIndex = -1;
        m_clipboard.reset();
        forgetUnsaved();
    } else {
        m_followUp = fired > 0 && anyDoubt(c);
    }
    return ok;
}

bool Sequence::runUntil(LiveClient &client, const std::function<bool()> &stopWhen, bool *stopped)
{
    auto *run = new ListsSynchronizer(client.lists, &client);
    bool ended = false;
    bool ok = false;
    QEventLoop loop;
    QObject::connect(run, &BaseSynchronizer::finished, &loop, [&](bool success) {
        ended = true;
        ok = success;
        loop.quit();
    });
    QObject::connect(&m_server, &FakeServer::requestReceived, &loop, [&] {
        if (!*stopped && !ended && stopWhen()) {
            *stopped = true;
            loop.quit();
        }
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(20000);
    run->start();
    if (!ended && !*stopped)
        loop.exec();
    // The window's Cancel: the run ends with its synchroniser.
    delete run;
    return ended && ok;
}

// ------------------------------------------ lists edited on older copies

void Sequence::ran(int c, bool ok)
{
    if (ok)
        m_stale.agreed(c);
    else
        m_stale.ran(c);
}

// As the lists page holds them, from its start and as runs bring them: a
// list has a local id (by which the groups follow it to a new server id) and
// sits in a group, the default one at least; an entry of a tree taken from
// the server gets its list's local id. Only the lists changed on older
// copies, and only when their groups are: the other steps go as without
// them. `connect`: for the lists the client's runs will bring.
void Sequence::placeAsThePage(LiveClient &client, bool connect) const
{
    if (!on("stale") || !on("stalegroup"))
        return;
    std::function<void(ListsGroupsElementGroup *)> localize = [&](ListsGroupsElementGroup *group) {
        for (ListsGroupsElementList *entry : group->lists())
            if (const TaskList *list = entry->serverId() ? client.lists->taskListByServerId(entry->serverId()) : nullptr)
                entry->setLocalId(list->localId());
        for (ListsGroupsElementGroup *child : group->groups())
            localize(child);
    };
    const auto place = [&client](ListModel *model) {
        TaskList *list = model->taskList();
        if (!isStale(list))
            return;
        if (list->localId() == 0) {
            quint32 next = 1;
            for (const ListModel *m : client.lists->models())
                next = qMax(next, m->taskList()->localId() + 1);
            list->setLocalId(next);
            model->setChanged();
        }
        if (!client.listsGroups()->containsList(list))
            client.listsGroups()->addListToDefaultGroup(list);
    };
    for (ListModel *model : client.lists->models())
        place(model);
    localize(client.listsGroups()->rootGroup());
    if (connect)
        QObject::connect(client.lists, &UserLists::listAdded, client.lists, place);
    // A list removed, here or by a run, leaves its group.
    if (connect && on("staleremovelist"))
        QObject::connect(client.lists, &UserLists::listRemoved, client.lists, [&client](ListModel *model) {
            if (isStale(model->taskList()))
                client.listsGroups()->removeList(model->taskList());
        });
}

// Not while another's forced remote run is cut short (its reposts are in
// doubt), nor with copies carrying the ids such a run replaced.
bool Sequence::mayChangeStale(int c) const
{
    for (int other : computers())
        if (m_forcedInDoubt[other])
            return false;
    return on("overforced") || !m_replacedByForce[c];
}

bool Sequence::staleInStep(int c) const
{
    return m_live && m_liveIndex == c
           && clientStaleView(m_live->lists).text() == serverStaleView(m_server).text()
           && clientStaleNotes(m_live->notes).text() == serverStaleNotes(m_server).text()
           && groupsOf(*m_live).text() == serverStaleGroups(m_server, m_stale.groupOfName).text()
           && clientStaleListOrder(m_live->lists) == serverStaleListOrder(m_server);
}

// Now and then, before a step, one of its own: made with draws of its own,
// so that the other steps are drawn as without them.
void Sequence::staleStep()
{
    QRandomGenerator *const drawn = m_draw;
    m_draw = &m_staleRng;
    const auto restore = qScopeGuard([&] { m_draw = drawn; });
    if (below(100) >= 45)
        return;
    Clock::advance(1000 * qint64(1 + below(20)));
    const int c = pick(computers());
    // Lists removed (their removal may hold) count for none.
    const int listsMade = int(m_stale.listKeys.size() - m_stale.listRemovals.size());
    if (listsMade < 2 || (listsMade < 3 && below(10) == 0)) {
        if (mayChangeStale(c))
            makeStaleList(c);
        return;
    }
    if (on("stalenote") && m_stale.noteKeys.size() < 2 && below(5) == 0) {
        if (mayChangeStale(c))
            makeStaleNote(c);
        return;
    }
    if (on("stalegroup") && m_stale.groupKeys.size() < 2 && below(6) == 0) {
        if (mayChangeStale(c))
            makeStaleGroup(c);
        return;
    }
    // Now and then a list moved in the tab order first, with draws of its
    // own, so that the steps around it are drawn as without it.
    if (on("stalelistorder") && mayChangeStale(c)) {
        m_draw = &m_orderRng;
        const bool moved = below(100) < 25 && staleListMove(c);
        m_draw = &m_staleRng;
        if (moved) {
            m_settled[c] = false;
            m_unsavedStale = true;
            m_lastMaker = -1;
            m_lastRan = false;
        }
    }
    // Now and then a row opened with Return and left untyped, with draws of
    // its own too: it changes nothing.
    if (on("staleuntyped") && mayChangeStale(c)) {
        m_draw = &m_rowRng;
        const bool opened = below(100) < 25 && staleUntypedRow(c);
        m_draw = &m_staleRng;
        if (opened) {
            m_settled[c] = false;
            m_unsavedStale = true;
            m_lastMaker = -1;
            m_lastRan = false;
        }
    }
    if (below(100) < 30 || !mayChangeStale(c) || !staleEdit(c)) {
        if (!on("staleruns"))
            return;
        ++m_figures.staleRuns;
        live(c);
        sync(c, Force::None);
        return;
    }
    m_settled[c] = false;
    m_unsavedStale = true;
    m_lastMaker = -1;
    m_lastRan = false;
    if (c == 2)
        ++m_figures.thirdEdits;
}

// Made with a few tasks, a second apart (each its own identity), some
// below others, and sent at once without a fault: every computer holds it
// once it has run.
void Sequence::makeStaleList(int c)
{
    LiveClient &client = live(c);
    const QString listKey = QStringLiteral("l%1").arg(m_stale.listKeys.size() + 1);
    TaskList *list = TaskList::create();
    list->setName(fresh("S"));
    list->setDescription(StaleTag + listKey);
    QList<Task *> made;
    // Typed in one second, Enter between them.
    const bool oneSecond = on("stalesecond") && below(3) == 0;
    for (int i = 3 + int(below(3)); i > 0; --i) {
        if (!oneSecond || made.isEmpty())
            Clock::advance(1000);
        Task *parent = list->rootTask();
        if (!made.isEmpty() && below(3) == 0 && chainOf(made.last()).size() < 2)
            parent = made.last();
        Task *task = parent->createChild(parent->childCount());
        task->setTitle(fresh("s"));
        task->setNote(TaskNote(Clock::currentDateTimeUtc(), KeyTag + QStringLiteral("k%1").arg(++m_staleKeys)));
        made << task;
    }
    if (oneSecond)
        list->rootTask()->createChild(list->rootTask()->childCount()); // the row the last Enter made
    Clock::advance(1000);
    client.lists->addList(list);
    m_stale.listKeys << listKey;
    m_stale.write(c, m_step, QStringLiteral("makes ") + listKey, QStringLiteral("name ") + listKey, list->name());
    for (const Task *task : std::as_const(made))
        staleMade(c, task, listKey);
    ++m_figures.staleLists;
    trace() << "step" << m_step << "client" << c << "makes list" << listKey
            << qPrintable(clientStaleView(client.lists).texts.filter(listKey + QLatin1Char('=')).join(QString()));
    sendMade(c, QStringLiteral("list ") + listKey);
}

// What was just made goes up at once, without a fault: its first upload is
// never in doubt.
void Sequence::sendMade(int c, const QString &what)
{
    m_settled[c] = false;
    // A fault left waiting by an earlier run would make its post one in doubt.
    m_server.clearFaults();
    if (!sync(c, Force::None, Fault::None) && m_staleProblem.isEmpty())
        m_staleProblem = QStringLiteral("at step %1, the run that sends %2 failed").arg(m_step).arg(what);
}

void Sequence::staleChange(int c, const QString &what, const QString &field, const Task *task, const QString &value)
{
    const int w = m_stale.write(c, m_step, what, field, value);
    m_stale.touch(keyOf(task), chainOf(task), w);
    // A change of a task is one of the list holding it.
    const Task *top = task;
    while (top->parent())
        top = top->parent();
    for (const ListModel *m : live(c).lists->models())
        if (m->taskList()->rootTask() == top && isStale(m->taskList()))
            m_stale.listTouches[listKeyOf(m->taskList())] << w;
}

// Where the task is now, in the list `listKey`: its container when that
// changed (a change that keeps the task from a removal), and its keyed
// neighbours.
void Sequence::stalePlace(int c, const QString &what, const Task *task, const QString &listKey, bool container)
{
    const QString key = keyOf(task);
    const QString in = containerOf(task, listKey);
    if (container)
        staleChange(c, what, QStringLiteral("container ") + key, task, in);
    const QList<Task *> siblings = keyedChildren(task->parent());
    const int at = int(siblings.indexOf(const_cast<Task *>(task)));
    const int w = m_stale.write(c, m_step, what, QStringLiteral("order ") + key, QString());
    StaleWrite &place = m_stale.writes[w];
    place.container = in;
    place.before = at > 0 ? keyOf(siblings[at - 1]) : QString();
    place.after = at + 1 < siblings.size() ? keyOf(siblings[at + 1]) : QString();
    // A move among its siblings is a place, not content: it keeps no task
    // another computer removed.
}

// The tasks below one just moved to another list went with it.
void Sequence::staleCarried(Task *moved)
{
    const int w = int(m_stale.writes.size()) - 1;
    for (const Task *t : keyedTree(moved))
        if (t != moved)
            m_stale.carried[keyOf(t)] << w;
}

void Sequence::staleMade(int c, const Task *task, const QString &listKey)
{
    const QString key = keyOf(task);
    m_stale.taskKeys << key;
    staleChange(c, QStringLiteral("makes ") + key, QStringLiteral("title ") + key, task, task->title());
    stalePlace(c, QStringLiteral("makes ") + key, task, listKey, true);
}

// One change, as the lists page makes it, to a list this computer holds,
// however old its copy: the list's name, a task's title, tick or
// assignment, its place among its siblings or below another, its removal
// (with what is below it), its move to another list (a copy appended
// there, the row removed here), or a task added. A tick, an assignment or
// a place is changed once between two runs that succeed, so that no change
// undoes another not yet sent.
bool Sequence::staleEdit(int c)
{
    if (on("stalenote") || on("stalegroup")) {
        const int which = int(below(100));
        if (which < 20)
            return on("stalenote") && mayEditStaleContent(c) && staleNoteEdit(c);
        if (which < 36)
            return on("stalegroup") && staleGroupEdit(c);
    }
    if (!mayEditStaleContent(c))
        return false;
    LiveClient &client = live(c);
    QMap<QString, ListModel *> copies = staleListsHeld(client);
    if (copies.isEmpty())
        return false;
    const QString listKey = pick(copies.keys());
    ListModel *model = copies.value(listKey);
    const QList<Task *> tasks = keyedTree(model->taskList()->rootTask());
    Task *task = tasks.isEmpty() ? nullptr : pick(tasks);
    const QString key = task ? keyOf(task) : QString();
    const QSet<QString> &written = m_stale.writtenSince[c];
    const bool placed = task
                        && (written.contains(QStringLiteral("order ") + key)
                            || written.contains(QStringLiteral("container ") + key));
    const auto told = [&](const QString &what) {
        trace() << "step" << m_step << "client" << c << "(older copies)" << qPrintable(what);
    };
    if (on("stalesecond") && below(100) < 20) {
        const QString done = staleSameSecond(c, model, listKey, copies);
        if (done.isEmpty())
            return false;
        ++m_figures.staleEdits[done];
        return true;
    }
    // The whole list, now and then, with what is below it: what another
    // computer changed there since it last knew stays. With a third
    // computer two others changing it would each bring it back: not drawn.
    if (on("staleremovelist") && computers().size() == 2 && below(100) < 4) {
        staleRemoveList(c, model, listKey);
        return true;
    }
    const int kind = int(below(100));
    // A list renamed (a change of a task in it is told by staleChange).
    QString touched;
    QString done;
    if (kind < 8) {
        if (!on("stalerename"))
            return false;
        const QString name = fresh("S");
        told(QStringLiteral("renames %1 %2 to %3").arg(listKey, model->name(), name));
        model->setName(name);
        m_stale.write(c, m_step, QStringLiteral("renames ") + listKey, QStringLiteral("name ") + listKey, name);
        touched = listKey;
        done = QStringLiteral("rename");
    } else if (kind < 20) {
        if (!task || !on("staleretitle"))
            return false;
        const QString title = fresh("s");
        told(QStringLiteral("retitles %1 %2 to %3").arg(key, task->title(), title));
        if (below(2) == 0)
            model->setData(model->indexOfTask(task), title, Qt::EditRole);
        else
            model->setTaskTitle(task, title);
        staleChange(c, QStringLiteral("retitles ") + key, QStringLiteral("title ") + key, task, title);
        done = QStringLiteral("retitle");
    } else if (kind < 30) {
        if (!task || !on("staletick") || written.contains(QStringLiteral("done ") + key))
            return false;
        const bool ticked = !task->isDone();
        told(QStringLiteral("%1 %2").arg(ticked ? QStringLiteral("ticks") : QStringLiteral("unticks"), key));
        model->setTaskDone(task, ticked);
        staleChange(c, (ticked ? QStringLiteral("ticks ") : QStringLiteral("unticks ")) + key,
                    QStringLiteral("done ") + key, task, ticked ? QStringLiteral("1") : QStringLiteral("0"));
        done = QStringLiteral("tick");
    } else if (kind < 40) {
        const QString nick = pick(Nicks);
        const QString field = QStringLiteral("assigned %1 %2").arg(key, nick);
        if (!task || !on("staleassign") || written.contains(field))
            return false;
        const bool assigned = !task->assignments().contains(nick);
        told(QStringLiteral("%1 %2 %3").arg(assigned ? QStringLiteral("assigns") : QStringLiteral("unassigns"), key, nick));
        const QModelIndex index = model->indexOfTask(task);
        if (assigned)
            model->assignTask(index, nick);
        else
            model->unassignTask(index, nick);
        staleChange(c, QStringLiteral("%1 %2 %3").arg(assigned ? QStringLiteral("assigns") : QStringLiteral("unassigns"), key, nick),
                    field, task, assigned ? QStringLiteral("1") : QStringLiteral("0"));
        done = QStringLiteral("assign");
    } else if (kind < 54) {
        // Among its siblings: after another of them, or first.
        if (!task || !on("stalereorder") || placed)
            return false;
        Task *parent = task->parent();
        const QList<Task *> keyed = keyedChildren(parent);
        QList<Task *> others = keyed;
        others.removeOne(task);
        const int now = int(keyed.indexOf(task));
        const int choice = int(below(quint32(others.size() + 1)));
        Task *after = choice > 0 ? others[choice - 1] : nullptr;
        if (others.isEmpty() || after == (now > 0 ? keyed[now - 1] : nullptr))
            return false;
        QList<Task *> rows = parent->children();
        rows.removeOne(task);
        const int position = after ? int(rows.indexOf(after)) + 1 : 0;
        told(QStringLiteral("moves %1 %2").arg(key, after ? QStringLiteral("after ") + keyOf(after) : QStringLiteral("first")));
        model->saveUndoState();
        model->reparentTask(model->indexOfTask(task), parent->parent() ? model->indexOfTask(parent) : QModelIndex(),
                            position);
        stalePlace(c, QStringLiteral("reorders ") + key, task, listKey, false);
        done = QStringLiteral("reorder");
    } else if (kind < 62) {
        // Below the sibling before it, last.
        if (!task || !on("staleindent") || placed || chainOf(task).size() >= 2)
            return false;
        const QList<Task *> keyed = keyedChildren(task->parent());
        const int now = int(keyed.indexOf(task));
        if (now <= 0)
            return false;
        Task *parent = keyed[now - 1];
        told(QStringLiteral("indents %1 below %2").arg(key, keyOf(parent)));
        model->saveUndoState();
        if (!model->reparentTask(model->indexOfTask(task), model->indexOfTask(parent), parent->childCount()))
            return false;
        stalePlace(c, QStringLiteral("indents ") + key, task, listKey, true);
        done = QStringLiteral("indent");
    } else if (kind < 68) {
        // Out of its parent, right after it.
        if (!task || !on("staleindent") || placed || chainOf(task).isEmpty())
            return false;
        Task *parent = task->parent();
        Task *grandparent = parent->parent();
        told(QStringLiteral("outdents %1 from %2").arg(key, keyOf(parent)));
        model->saveUndoState();
        model->reparentTask(model->indexOfTask(task),
                            grandparent->parent() ? model->indexOfTask(grandparent) : QModelIndex(),
                            int(grandparent->children().indexOf(parent)) + 1);
        stalePlace(c, QStringLiteral("outdents ") + key, task, listKey, true);
        done = QStringLiteral("outdent");
    } else if (kind < 78) {
        // As the tree removes the current task: what is below it goes too.
        if (!task || !on("staleremove"))
            return false;
        QStringList gone;
        for (const Task *t : keyedTree(task)) {
            gone << keyOf(t);
            m_stale.removal(keyOf(t), m_stale.write(c, m_step, QStringLiteral("removes ") + keyOf(t), QString(), QString()));
        }
        told(QStringLiteral("removes %1").arg(gone.join(QLatin1Char(' '))));
        model->saveUndoState();
        const QModelIndex index = model->indexOfTask(task);
        model->removeRow(index.row(), index.parent());
        if (model->rowCount() == 0)
            model->insertRow(0);
        done = QStringLiteral("remove");
    } else if (kind < 90) {
        // "Move to list": a copy appended to the other list, the row removed.
        if (!task || !on("stalemove") || placed || copies.size() < 2)
            return false;
        QStringList targets = copies.keys();
        targets.removeOne(listKey);
        const QString toKey = pick(targets);
        ListModel *to = copies.value(toKey);
        told(QStringLiteral("moves %1 from %2 to list %3").arg(key, listKey, toKey));
        Task *copy = task->movedCopy();
        model->saveUndoState();
        task->markLeftByMove();
        const QModelIndex index = model->indexOfTask(task);
        model->removeRow(index.row(), index.parent());
        if (model->rowCount() == 0)
            model->insertRow(0);
        to->appendTask(copy);
        stalePlace(c, QStringLiteral("moves %1 to list %2").arg(key, toKey), copy, toKey, true);
        staleCarried(copy);
        done = QStringLiteral("move to list");
        // Now and then another computer, not synchronised since, moves it
        // too, and may remove the list it went to: with draws of its own.
        if (on("stalemoveboth")) {
            m_draw = &m_bothRng;
            if (below(100) < 35)
                staleMovedElsewhereToo(c, listKey, toKey, key);
            m_draw = &m_staleRng;
        }
        // Now and then another computer, not synchronised since, edits the
        // task right after in its older copy: most telling where the task
        // shares its second with another.
        if (on("stalesecond") && below(2) == 0) {
            ++m_figures.staleEdits[done];
            staleEditMovedElsewhere(c, listKey, key);
            return true;
        }
    } else {
        // Typed in a new row at the end of the list or below a task.
        if (!on("staleadd"))
            return false;
        Task *parent = task && below(3) == 0 && chainOf(task).size() < 2 ? task : nullptr;
        const QModelIndex parentIndex = parent ? model->indexOfTask(parent) : QModelIndex();
        const int row = model->rowCount(parentIndex);
        const QString newKey = QStringLiteral("k%1").arg(++m_staleKeys);
        const QString title = fresh("s");
        Clock::advance(1000);
        model->saveUndoState();
        model->insertRows(row, 1, parentIndex);
        const QModelIndex index = model->index(row, 0, parentIndex);
        model->setData(index, title, Qt::EditRole);
        model->setTaskNote(index, TaskNote(Clock::currentDateTimeUtc(), KeyTag + newKey));
        Clock::advance(1000);
        told(QStringLiteral("adds %1 %2 to %3%4").arg(newKey, title, listKey, parent ? QStringLiteral(" below ") + key : QString()));
        staleMade(c, model->taskForIndex(index), listKey);
        done = QStringLiteral("add");
    }
    if (!touched.isEmpty())
        m_stale.listTouches[touched] << int(m_stale.writes.size()) - 1;
    ++m_figures.staleEdits[done];
    return true;
}

// A list moved among the lists edited on older copies, as the tab bar moves
// it: after another of them, or before the first. Once between two runs
// that succeed, so that no move undoes another not yet sent.
bool Sequence::staleListMove(int c)
{
    LiveClient &client = live(c);
    QList<ListModel *> models;
    QStringList keys;
    for (ListModel *m : client.lists->models()) {
        if (!isStale(m->taskList()))
            continue;
        models << m;
        keys << listKeyOf(m->taskList());
    }
    if (models.size() < 2 || keys.removeDuplicates() > 0)
        return false;
    const int index = int(below(quint32(models.size())));
    const QString key = keys[index];
    if (m_stale.writtenSince[c].contains(QStringLiteral("list order ") + key))
        return false;
    QList<ListModel *> others = models;
    others.removeAt(index);
    const int choice = int(below(quint32(others.size() + 1)));
    ListModel *after = choice > 0 ? others[choice - 1] : nullptr;
    if (after == (index > 0 ? models[index - 1] : nullptr))
        return false;
    const QList<ListModel *> all = client.lists->models();
    const int from = int(all.indexOf(models[index]));
    int to = after ? int(all.indexOf(after)) : int(all.indexOf(others.first()));
    if (after && to < from)
        ++to;
    if (!after && to > from)
        --to;
    client.lists->moveList(from, to);
    const QStringList now = clientStaleListOrder(client.lists);
    const int at = int(now.indexOf(key));
    trace() << "step" << m_step << "client" << c << "(older copies) moves list" << key
            << (after ? QStringLiteral("after ") + listKeyOf(after->taskList()) : QStringLiteral("first"))
            << qPrintable(now.join(QLatin1Char(' ')));
    const int w = m_stale.write(c, m_step, QStringLiteral("moves list ") + key, QStringLiteral("list order ") + key,
                                QString());
    StaleWrite &place = m_stale.writes[w];
    place.before = at > 0 ? now[at - 1] : QString();
    place.after = at + 1 < now.size() ? now[at + 1] : QString();
    ++m_figures.staleEdits[QStringLiteral("list move")];
    return true;
}

// The whole list, with what is below it: what another computer changed there
// since it last knew stays.
void Sequence::staleRemoveList(int c, ListModel *model, const QString &listKey)
{
    const int w = m_stale.write(c, m_step, QStringLiteral("removes list ") + listKey, QString(), QString());
    m_stale.listRemovals[listKey] << w;
    QStringList gone;
    for (const Task *t : keyedTree(model->taskList()->rootTask())) {
        gone << keyOf(t);
        m_stale.removal(keyOf(t), w);
    }
    trace() << "step" << m_step << "client" << c << "(older copies)"
            << qPrintable(QStringLiteral("removes list %1 with %2").arg(listKey, gone.join(QLatin1Char(' '))));
    live(c).lists->deleteList(model->taskList());
    ++m_figures.staleEdits[QStringLiteral("remove list")];
}

// Another computer than `c`, not synchronised since, moves the task `key`
// that `c` moved from `listKey` to `toKey`: to any list but the one it is
// in, that one too; now and then it then removes `toKey` (with two
// computers only, as any list removal).
void Sequence::staleMovedElsewhereToo(int c, const QString &listKey, const QString &toKey, const QString &key)
{
    QList<int> others;
    for (int other : computers())
        if (other != c && mayChangeStale(other) && !m_stale.writtenSince[other].contains(QStringLiteral("order ") + key)
            && !m_stale.writtenSince[other].contains(QStringLiteral("container ") + key))
            others << other;
    if (others.isEmpty())
        return;
    const int other = pick(others);
    LiveClient &client = live(other);
    const QMap<QString, ListModel *> copies = staleListsHeld(client);
    ListModel *model = copies.value(listKey);
    Task *task = nullptr;
    if (model)
        for (Task *t : keyedTree(model->taskList()->rootTask()))
            if (keyOf(t) == key)
                task = t;
    QStringList targets = copies.keys();
    targets.removeOne(listKey);
    if (!task || targets.isEmpty())
        return;
    const QString target = pick(targets);
    ListModel *to = copies.value(target);
    m_settled[other] = false;
    trace() << "step" << m_step << "client" << other << "(older copies) moves" << key << "from" << listKey << "to list"
            << target << "right after its move elsewhere";
    Task *copy = task->movedCopy();
    model->saveUndoState();
    task->markLeftByMove();
    const QModelIndex index = model->indexOfTask(task);
    model->removeRow(index.row(), index.parent());
    if (model->rowCount() == 0)
        model->insertRow(0);
    to->appendTask(copy);
    stalePlace(other, QStringLiteral("moves %1 to list %2").arg(key, target), copy, target, true);
    staleCarried(copy);
    ++m_figures.staleEdits[QStringLiteral("move right after a move elsewhere")];
    // The list the first move went to, removed by one that never saw it.
    if (on("staleremovelist") && computers().size() == 2 && target != toKey && copies.contains(toKey)
        && below(100) < 40)
        staleRemoveList(other, copies.value(toKey), toKey);
}

// A row opened with Return and left untyped, as the tree opens it: on a task
// with subtasks, above its first; on another, below it, at any depth.
bool Sequence::staleUntypedRow(int c)
{
    LiveClient &client = live(c);
    QList<Task *> tasks;
    QHash<Task *, ListModel *> modelOf;
    for (ListModel *m : client.lists->models()) {
        if (!isStale(m->taskList()))
            continue;
        for (Task *t : keyedTree(m->taskList()->rootTask())) {
            tasks << t;
            modelOf.insert(t, m);
        }
    }
    if (tasks.isEmpty())
        return false;
    Task *task = pick(tasks);
    ListModel *model = modelOf.value(task);
    const bool first = task->childCount() > 0 && task->isExpanded();
    const QModelIndex at = model->indexOfTask(task);
    model->saveUndoState();
    if (!model->insertRows(first ? 0 : at.row() + 1, 1, first ? at : at.parent()))
        return false;
    trace() << "step" << m_step << "client" << c << "(older copies) opens an untyped row"
            << (first ? "above the first subtask of" : "below") << keyOf(task) << "in" << listKeyOf(model->taskList());
    ++m_figures.staleEdits[QStringLiteral("untyped row")];
    return true;
}

// Another computer than `c` ticks or retitles the task `key` in its copy of
// the list `listKey`, whatever it holds since.
void Sequence::staleEditMovedElsewhere(int c, const QString &listKey, const QString &key)
{
    QList<int> others;
    for (int other : computers())
        if (other != c && mayEditStaleContent(other))
            others << other;
    if (others.isEmpty())
        return;
    const int other = pick(others);
    LiveClient &client = live(other);
    ListModel *model = nullptr;
    for (ListModel *m : client.lists->models())
        if (isStale(m->taskList()) && listKeyOf(m->taskList()) == listKey)
            model = model ? nullptr : m;
    Task *task = nullptr;
    if (model)
        for (Task *t : keyedTree(model->taskList()->rootTask()))
            if (keyOf(t) == key)
                task = t;
    if (!task)
        return;
    m_settled[other] = false;
    if (below(2) == 0 && !m_stale.writtenSince[other].contains(QStringLiteral("done ") + key)) {
        const bool ticked = !task->isDone();
        trace() << "step" << m_step << "client" << other << "(older copies)" << (ticked ? "ticks" : "unticks") << key
                << "right after its move elsewhere";
        model->setTaskDone(task, ticked);
        staleChange(other, (ticked ? QStringLiteral("ticks ") : QStringLiteral("unticks ")) + key,
                    QStringLiteral("done ") + key, task, ticked ? QStringLiteral("1") : QStringLiteral("0"));
        ++m_figures.staleEdits[QStringLiteral("tick right after a move elsewhere")];
    } else {
        const QString title = fresh("s");
        trace() << "step" << m_step << "client" << other << "(older copies)" << "retitles" << key << "to" << title
                << "right after its move elsewhere";
        model->setTaskTitle(task, title);
        staleChange(other, QStringLiteral("retitles ") + key, QStringLiteral("title ") + key, task, title);
        ++m_figures.staleEdits[QStringLiteral("retitle right after a move elsewhere")];
    }
}

// A task made in a second another task of the list holds: two typed one
// after the other (Enter leaves an untitled row of their second), one typed
// into an untitled row left so (it keeps the row's second), or a pasted copy
// of a task of any of these lists (it keeps its source's, and its title).
// Each is given a key of its own once made. What it did, or "" for nothing.
QString Sequence::staleSameSecond(int c, ListModel *model, const QString &listKey,
                                  const QMap<QString, ListModel *> &copies)
{
    const auto told = [&](const QString &what) {
        trace() << "step" << m_step << "client" << c << "(older copies)" << qPrintable(what);
    };
    const auto keyed = [&](const QModelIndex &index, const QString &title) {
        const QString newKey = QStringLiteral("k%1").arg(++m_staleKeys);
        if (!title.isEmpty())
            model->setData(index, title, Qt::EditRole);
        model->setTaskNote(index, TaskNote(Clock::currentDateTimeUtc(), KeyTag + newKey));
        return newKey;
    };
    const int kind = int(below(3));
    QList<Task *> blanks;
    for (Task *task : model->taskList()->rootTask()->children())
        if (task->isBlankRecursively() && keyOf(task).isEmpty())
            blanks << task;
    if (kind == 1 && !blanks.isEmpty()) {
        Task *row = pick(blanks);
        const QModelIndex index = model->indexOfTask(row);
        model->saveUndoState();
        const QString title = fresh("s");
        const QString newKey = keyed(index, title);
        told(QStringLiteral("types %1 %2 into an untitled row of %3 made at %4")
                 .arg(newKey, title, listKey, row->creationTime().toString(Qt::ISODate)));
        staleMade(c, model->taskForIndex(index), listKey);
        Clock::advance(1000);
        return QStringLiteral("typed into an untitled row");
    }
    if (kind == 2) {
        QList<Task *> sources;
        for (ListModel *copy : copies)
            for (Task *task : keyedTree(copy->taskList()->rootTask()))
                if (keyedChildren(task).isEmpty())
                    sources << task;
        if (sources.isEmpty())
            return QString();
        const Task *source = pick(sources);
        const QList<Task *> rows = model->taskList()->rootTask()->children();
        const QModelIndex at = rows.isEmpty() || below(3) == 0 ? QModelIndex() : model->indexOfTask(pick(rows));
        std::unique_ptr<Task> copy(source->copy());
        const QList<Task *> children = copy->children();
        for (Task *child : children)
            delete copy->takeChild(child);
        Task *pasted = copy.get();
        if (!model->pasteTask(copy.release(), at))
            return QString();
        const QString sourceKey = keyOf(source);
        const QString newKey = keyed(model->indexOfTask(pasted), QString());
        told(QStringLiteral("pastes a copy of %1 into %2 as %3").arg(sourceKey, listKey, newKey));
        staleMade(c, pasted, listKey);
        // The copy holds its source's tick and assignments too.
        const QString what = QStringLiteral("pastes ") + newKey;
        if (pasted->isDone())
            staleChange(c, what, QStringLiteral("done ") + newKey, pasted, QStringLiteral("1"));
        for (const QString &nick : pasted->assignments())
            staleChange(c, what, QStringLiteral("assigned %1 %2").arg(newKey, nick), pasted, QStringLiteral("1"));
        Clock::advance(1000);
        return QStringLiteral("paste");
    }
    // Two typed in one second, the row after them left untitled.
    int row = model->rowCount();
    while (row > 0 && model->taskForIndex(model->index(row - 1, 0))->isBlankRecursively()
           && keyOf(model->taskForIndex(model->index(row - 1, 0))).isEmpty())
        --row;
    QStringList said;
    model->saveUndoState();
    model->insertRows(row, 1);
    for (int i = 0; i < 2; ++i) {
        const QModelIndex index = model->index(row, 0);
        const QString title = fresh("s");
        said << keyed(index, title) + QLatin1Char(' ') + title;
        staleMade(c, model->taskForIndex(index), listKey);
        model->saveUndoState();
        model->insertRows(++row, 1);
    }
    told(QStringLiteral("types %1 in one second into %2").arg(said.join(QStringLiteral(", ")), listKey));
    Clock::advance(1000);
    return QStringLiteral("two typed in one second");
}

// ------------------------------------------ notes and groups edited on older copies

// Made with a title and a text, sent at once like a list.
void Sequence::makeStaleNote(int c)
{
    LiveClient &client = live(c);
    const QString key = QStringLiteral("n%1").arg(m_stale.noteKeys.size() + 1);
    const QString title = fresh("n");
    const QString body = fresh("x");
    client.addNote(title, staleNoteText(key, body));
    m_stale.noteKeys << key;
    const QString what = QStringLiteral("makes note ") + key;
    m_stale.write(c, m_step, what, QStringLiteral("note title ") + key, title);
    m_stale.write(c, m_step, what, QStringLiteral("note text ") + key, body);
    ++m_figures.staleNotes;
    trace() << "step" << m_step << "client" << c << "makes note" << key << title << body;
    sendMade(c, QStringLiteral("note ") + key);
}

// The notes a computer holds once each, by key; never a copy kept beside one.
QMap<QString, NotepadNote *> staleNotesHeld(const LiveClient &client)
{
    QMap<QString, NotepadNote *> held;
    QSet<QString> twice;
    for (NotepadNote *n : client.notes->notes()) {
        StaleNotesView one;
        one.add(n->title(), n->text());
        if (n->syncStatus() == NotepadNote::Deleted || one.notes.isEmpty() || n->title().endsWith(KeptSuffix))
            continue;
        const QString key = one.notes.firstKey();
        if (held.contains(key))
            twice.insert(key);
        held.insert(key, n);
    }
    for (const QString &key : std::as_const(twice))
        held.remove(key);
    return held;
}

// The title or the text of a note this computer holds, however old its
// copy. Now and then another computer edits the same text right after,
// from its own copy: both texts are typed work.
bool Sequence::staleNoteEdit(int c)
{
    const QMap<QString, NotepadNote *> held = staleNotesHeld(live(c));
    if (held.isEmpty())
        return false;
    const QString key = pick(held.keys());
    // Now and then the note goes: a text typed since on another computer
    // stays (not drawn with a third computer, as for a list).
    if (on("staleremovenote") && computers().size() == 2 && below(100) < 10) {
        trace() << "step" << m_step << "client" << c << "(older copies) removes note" << key;
        m_stale.noteRemovals[key] << m_stale.write(c, m_step, QStringLiteral("removes note ") + key, QString(), QString());
        live(c).removeNote(held.value(key));
        ++m_figures.staleEdits[QStringLiteral("remove note")];
        m_settled[c] = false;
        return true;
    }
    // Mostly the text: what two computers may both change.
    const bool title = below(3) == 0;
    const auto edit = [&](int who, NotepadNote *note) {
        const QString value = fresh(title ? "n" : "x");
        trace() << "step" << m_step << "client" << who << "(older copies)" << (title ? "retitles" : "edits")
                << "note" << key << "to" << value;
        if (title) {
            note->editTitle(value);
            m_stale.write(who, m_step, QStringLiteral("retitles note ") + key, QStringLiteral("note title ") + key,
                          value);
        } else {
            note->editText(staleNoteText(key, value));
            m_stale.write(who, m_step, QStringLiteral("edits note ") + key, QStringLiteral("note text ") + key, value);
        }
        ++m_figures.staleEdits[title ? QStringLiteral("note title") : QStringLiteral("note text")];
        m_settled[who] = false;
    };
    edit(c, held.value(key));
    if (title || below(3) != 0)
        return true;
    QList<int> others;
    for (int other : computers())
        if (other != c && mayEditStaleContent(other))
            others << other;
    if (others.isEmpty())
        return true;
    const int other = pick(others);
    if (NotepadNote *there = staleNotesHeld(live(other)).value(key)) {
        edit(other, there);
        ++m_figures.staleNotesBoth;
    }
    return true;
}

StaleGroupsView Sequence::groupsOf(const LiveClient &client) const
{
    return clientStaleGroups(client.listsGroups(), client.lists, m_stale.groupOfName);
}

// The groups a tree holds once each, by key.
QMap<QString, ListsGroupsElementGroup *> keyedGroups(const ListsGroups *groups,
                                                     const QHash<QString, QString> &keyOfName)
{
    QMap<QString, ListsGroupsElementGroup *> out;
    QSet<QString> twice;
    std::function<void(ListsGroupsElementGroup *)> walk = [&](ListsGroupsElementGroup *group) {
        for (ListsGroupsElementGroup *child : group->groups()) {
            const QString key = keyOfName.value(child->name());
            if (!key.isEmpty()) {
                if (out.contains(key))
                    twice.insert(key);
                out.insert(key, child);
            }
            walk(child);
        }
    };
    walk(groups->rootGroup());
    for (const QString &key : std::as_const(twice))
        out.remove(key);
    return out;
}

// In the default group or in one this computer holds, sent at once.
void Sequence::makeStaleGroup(int c)
{
    LiveClient &client = live(c);
    ListsGroups *groups = client.listsGroups();
    const QMap<QString, ListsGroupsElementGroup *> held = keyedGroups(groups, m_stale.groupOfName);
    QString parentKey = QStringLiteral("root");
    ListsGroupsElementGroup *parent = groups->rootGroup();
    if (!held.isEmpty() && below(3) == 0) {
        parentKey = pick(held.keys());
        parent = held.value(parentKey);
    }
    const QString key = QStringLiteral("g%1").arg(m_stale.groupKeys.size() + 1);
    const QString name = fresh("G");
    groups->setGroupName(groups->addGroup(parent), name);
    m_stale.groupKeys << key;
    m_stale.groupOfName.insert(name, key);
    m_stale.groupParent.insert(key, parentKey);
    m_stale.write(c, m_step, QStringLiteral("makes group ") + key, QStringLiteral("group name ") + key, name);
    ++m_figures.staleGroups;
    trace() << "step" << m_step << "client" << c << "makes group" << key << name << "in" << parentKey;
    sendMade(c, QStringLiteral("group ") + key);
}

// Now and then another computer changes the tree right after, from its own
// copy: both trees go up, each with a change the other lacks.
bool Sequence::staleGroupEdit(int c)
{
    if (!staleGroupChange(c))
        return false;
    if (below(3) != 0)
        return true;
    QList<int> others;
    for (int other : computers())
        if (other != c && mayChangeStale(other))
            others << other;
    if (!others.isEmpty()) {
        const int other = pick(others);
        // A list moved there: each tree then holds a change the other lacks.
        if (staleGroupChange(other, true)) {
            m_settled[other] = false;
            ++m_figures.staleGroupsBoth;
        }
    }
    return true;
}

// A group renamed, or a list moved into a group or out to the default one,
// on this computer's tree however old. A list's group is changed once
// between two runs that succeed, as a task's place is.
bool Sequence::staleGroupChange(int c, bool moveOnly)
{
    LiveClient &client = live(c);
    ListsGroups *groups = client.listsGroups();
    const QMap<QString, ListsGroupsElementGroup *> held = keyedGroups(groups, m_stale.groupOfName);
    if (held.isEmpty())
        return false;
    if (!moveOnly && below(3) == 0) {
        const QString key = pick(held.keys());
        const QString name = fresh("G");
        trace() << "step" << m_step << "client" << c << "(older copies) renames group" << key
                << held.value(key)->name() << "to" << name;
        groups->setGroupName(held.value(key), name);
        m_stale.groupOfName.insert(name, key);
        m_stale.write(c, m_step, QStringLiteral("renames group ") + key, QStringLiteral("group name ") + key, name);
        ++m_figures.staleEdits[QStringLiteral("group rename")];
        return true;
    }
    // As the page holds them: a list it shows sits in a group, the default
    // one at least.
    QMap<QString, TaskList *> lists;
    QSet<QString> twice;
    for (ListModel *m : client.lists->models()) {
        TaskList *list = m->taskList();
        if (!isStale(list) || list->serverId() == 0)
            continue;
        if (lists.contains(listKeyOf(list)))
            twice.insert(listKeyOf(list));
        lists.insert(listKeyOf(list), list);
    }
    for (const QString &key : std::as_const(twice))
        lists.remove(key);
    if (lists.isEmpty())
        return false;
    const QString listKey = pick(lists.keys());
    const QString field = QStringLiteral("group of ") + listKey;
    if (m_stale.writtenSince[c].contains(field))
        return false;
    TaskList *list = lists.value(listKey);
    if (!groups->containsList(list))
        groups->addListToDefaultGroup(list);
    ListsGroupsElementList *entry = groups->findList(list->localId(), list->serverId());
    ListsGroupsElementGroup *now = entry ? groups->findGroupOfList(entry, groups->rootGroup()) : nullptr;
    if (!now)
        return false;
    QStringList targets = held.keys();
    targets << QStringLiteral("root");
    targets.removeOne(now == groups->rootGroup() ? QStringLiteral("root") : m_stale.groupOfName.value(now->name()));
    const QString to = pick(targets);
    trace() << "step" << m_step << "client" << c << "(older copies) moves list" << listKey << "to group" << to;
    groups->userMoveListToGroup(entry, to == QLatin1String("root") ? groups->rootGroup() : held.value(to));
    m_stale.write(c, m_step, QStringLiteral("moves list %1 to group %2").arg(listKey, to), field, to);
    ++m_figures.staleEdits[QStringLiteral("group of a list")];
    return true;
}

void Sequence::noteToldTwice(const LiveClient &client)
{
    for (; m_boxesNoted < m_boxes.texts.size(); ++m_boxesNoted) {
        QSet<QString> named;
        for (const QString &line : movesUntoldLines(m_boxes.texts.at(m_boxesNoted))) {
            for (const ListModel *model : client.lists->models()) {
                // "Name (the one you had before)" where two lists share a name.
                const QString name = model->taskList()->name();
                QString title;
                if (line.startsWith(name + QStringLiteral(": ")))
                    title = line.mid(name.size() + 2);
                else if (line.startsWith(name + QStringLiteral(" (")) && line.indexOf(QStringLiteral("): ")) > 0)
                    title = line.mid(line.indexOf(QStringLiteral("): ")) + 3);
                else
                    continue;
                model->taskList()->rootTask()->forEachBelow([&](Task *task) {
                    if (task->title() == title && !keyOf(task).isEmpty())
                        named.insert(keyOf(task));
                });
            }
        }
        for (const QString &key : std::as_const(named))
            ++m_toldTwice[key];
    }
}

// The lists every computer changed: each change made on one side only
// holds, on the server and on every computer.
QString Sequence::staleCheck()
{
    QStringList problems;
    if (!m_staleProblem.isEmpty())
        problems << QStringLiteral("run: ") + m_staleProblem;
    const StaleView onServer = serverStaleView(m_server);
    // What the runs told of tasks kept twice beside a move.
    QStringList told;
    for (const QString &box : std::as_const(m_boxes.texts))
        told << movesUntoldLines(box);
    problems += m_stale.check(onServer, &m_figures.staleCycles, told, m_toldTwice, &m_figures.staleTwiceTold);
    const StaleNotesView notesOnServer = serverStaleNotes(m_server);
    problems += m_stale.checkNotes(notesOnServer);
    const StaleGroupsView groupsOnServer = serverStaleGroups(m_server, m_stale.groupOfName);
    problems += m_stale.checkGroups(groupsOnServer, &m_figures.groupsDropped);
    const QStringList orderOnServer = serverStaleListOrder(m_server);
    problems += m_stale.checkListOrder(orderOnServer, QStringLiteral("the server"));
    for (int c : computers()) {
        LiveClient client(*m_stores[c]);
        const QStringList orderHere = clientStaleListOrder(client.lists);
        if (orderHere != orderOnServer)
            problems << QStringLiteral("computer differs in list order: computer %1 holds %2, the server %3")
                            .arg(c)
                            .arg(orderHere.join(QLatin1Char(' ')), orderOnServer.join(QLatin1Char(' ')));
        const StaleView here = clientStaleView(client.lists);
        if (here.text() != onServer.text()) {
            QStringList differs;
            for (const QString &text : here.texts)
                if (!onServer.texts.contains(text))
                    differs << text;
            problems << QStringLiteral("computer differs: computer %1 holds %2, the server %3")
                            .arg(c)
                            .arg(differs.join(QLatin1Char(' ')), onServer.text());
        }
        const QString notesHere = clientStaleNotes(client.notes).text();
        if (notesHere != notesOnServer.text())
            problems << QStringLiteral("computer differs in notes: computer %1 holds %2, the server %3")
                            .arg(c)
                            .arg(notesHere, notesOnServer.text());
        const QString groupsHere = clientStaleGroups(client.listsGroups(), client.lists, m_stale.groupOfName).text();
        if (groupsHere != groupsOnServer.text())
            problems << QStringLiteral("computer differs in groups: computer %1 holds %2, the server %3")
                            .arg(c)
                            .arg(groupsHere, groupsOnServer.text());
    }
    for (const QList<StaleNotesView::Copy> &copies : std::as_const(notesOnServer.notes))
        for (const StaleNotesView::Copy &copy : copies)
            m_figures.keptBeside += copy.kept();
    // What the sequence came to, counted.
    for (const QString &key : std::as_const(m_stale.taskKeys)) {
        const bool removed = !m_stale.removals.value(key).isEmpty();
        const bool there = !onServer.tasks.value(key).isEmpty();
        if (removed)
            ++(there ? m_figures.staleKept : m_figures.staleHeld);
    }
    for (auto it = m_stale.fields.cbegin(); it != m_stale.fields.cend(); ++it)
        m_figures.staleBoth += m_stale.candidates(it.key()).size() > 1;
    for (auto it = m_stale.listRemovals.cbegin(); it != m_stale.listRemovals.cend(); ++it)
        ++(onServer.names.contains(it.key()) ? m_figures.listsBack : m_figures.listsGone);
    for (auto it = m_stale.noteRemovals.cbegin(); it != m_stale.noteRemovals.cend(); ++it)
        ++(notesOnServer.notes.contains(it.key()) ? m_figures.notesBack : m_figures.notesGone);
    QSet<QString> kinds;
    for (const QString &problem : std::as_const(problems))
        kinds.insert(problem.left(int(problem.indexOf(QLatin1Char(':')))));
    for (const QString &kind : std::as_const(kinds))
        ++m_figures.failureKinds[QStringLiteral("older copies, ") + kind];
    if (problems.isEmpty())
        return QString();
    return QStringLiteral("older copies: ") + problems.join(QStringLiteral(" | "));
}

QString Sequence::finish()
{
    dropLive();
    m_server.clearFaults();
    for (int round = 0; round < 3; ++round)
        for (int c : computers())
            quietRun(c);

    QStringList lists;
    for (const ExpList &l : std::as_const(m_exp.lists))
        lists << l.sig();
    QStringList notes;
    for (const ExpNote &n : std::as_const(m_exp.notes))
        notes << n.sig();
    QStringList serverExtraLists;
    QStringList serverExtraNotes;
    QList<quint32> listIds;
    const QStringList serverLists = serverListSigs(m_server, &listIds, m_blanked);
    QList<quint32> noteIds;
    const QStringList serverNotes = serverNoteSigs(m_server, &noteIds);
    QString problem = matchItems(QStringLiteral("the server"), serverLists, lists, m_exp.listGhosts,
                                 &serverExtraLists, listIds);
    if (problem.isEmpty())
        problem = matchItems(QStringLiteral("the server"), serverNotes, notes, m_exp.noteGhosts, &serverExtraNotes,
                             noteIds);
    for (int c : computers()) {
        if (!problem.isEmpty())
            break;
        LiveClient client(*m_stores[c]);
        noteLoad(client);
        const QString who = QStringLiteral("client %1").arg(c);
        for (ListModel *m : client.lists->models()) {
            const TaskList *list = m->taskList();
            if (programDefault(m))
                continue;
            if (problem.isEmpty() && (list->syncStatus() != TaskList::Unedited || !list->pendingUpload().isEmpty()))
                problem = QStringLiteral("%1: list %2 not in step (status %3, mark %4)")
                              .arg(who, list->name())
                              .arg(int(list->syncStatus()))
                              .arg(list->pendingUpload());
        }
        if (problem.isEmpty() && !client.lists->deletedLists().isEmpty())
            problem = QStringLiteral("%1: removed lists left").arg(who);
        for (NotepadNote *n : client.notes->notes()) {
            if (problem.isEmpty() && (n->syncStatus() != NotepadNote::Unedited || !n->pendingUpload().isEmpty()))
                problem = QStringLiteral("%1: note %2 not in step (status %3, id %4, mark %5)")
                              .arg(who, n->title())
                              .arg(int(n->syncStatus()))
                              .arg(n->serverId())
                              .arg(n->pendingUpload());
        }
        QStringList extraLists;
        QStringList extraNotes;
        if (problem.isEmpty())
            problem = matchItems(who, clientListSigs(client), lists, m_exp.listGhosts, &extraLists);
        if (problem.isEmpty())
            problem = matchItems(who, clientNoteSigs(client), notes, m_exp.noteGhosts, &extraNotes);
        if (problem.isEmpty() && (extraLists != serverExtraLists || extraNotes != serverExtraNotes))
            problem = QStringLiteral("%1 holds %2 come back, the server %3")
                          .arg(who, (extraLists + extraNotes).join(QLatin1Char(' ')),
                               (serverExtraLists + serverExtraNotes).join(QLatin1Char(' ')));
    }
    if (problem.isEmpty()) {
        for (const QString &extra : std::as_const(serverExtraLists)) {
            const bool two = std::any_of(m_exp.listGhosts.cbegin(), m_exp.listGhosts.cend(),
                                         [&](const Ghost &g) { return g.anyId && g.sigs.contains(extra); });
            ++(two ? m_figures.stayedTwo : m_figures.cameBack);
        }
        m_figures.cameBack += int(serverExtraNotes.size());
        // Nothing is left to send.
        const int before = int(m_server.requests().size());
        for (int c : computers())
            quietRun(c);
        const QList<FakeRequest> all = m_server.requests();
        for (int i = before; i < all.size() && problem.isEmpty(); ++i)
            if (all[i].method != "GET"
                && (QRegularExpression(ItemPath).match(all[i].path).hasMatch()
                    || all[i].path.endsWith(QLatin1String("/list-groups-display-order"))))
                problem = QStringLiteral("a run after the quiet ones still sends %1 %2")
                              .arg(QString::fromLatin1(all[i].method), all[i].path);
    }
    if (!problem.isEmpty() || !m_loadProblem.isEmpty())
        ++m_figures.failureKinds[QStringLiteral("items")];
    const QString stale = staleCheck();
    if (!stale.isEmpty())
        problem = problem.isEmpty() ? stale : problem + QStringLiteral("; ") + stale;
    if (!m_loadProblem.isEmpty())
        problem = problem.isEmpty() ? m_loadProblem : m_loadProblem + QStringLiteral("; then ") + problem;
    // The notices expected: notes whose text gave way to the server's, each
    // kept beside it; what was kept against a removal made elsewhere, or
    // beside a move nothing told apart.
    const QString keptNotice = NotepadSynchronizer::keptCopiesText({});
    QStringList againstRemovals;
    const auto heading = [](const QString &text) { return text.left(text.lastIndexOf(QLatin1Char('\n')) + 1); };
    for (int i = 0; i < 6; ++i) {
        ListOutcome::KeptAgainstRemovals one;
        QStringList *part[] = {&one.removedThere, &one.removedThereWhole, &one.removedHere, &one.tasks,
                               &one.movesUntold, &one.movedThere};
        *part[i] << QStringLiteral("x");
        againstRemovals << heading(ListOutcome::keptAgainstRemovalsText(one));
    }
    againstRemovals << heading(NotepadSynchronizer::keptAgainstRemovalsText({QStringLiteral("x")}, {}))
                    << heading(NotepadSynchronizer::keptAgainstRemovalsText({}, {QStringLiteral("x")}));
    // What a run finished of a forced remote run cut short.
    for (const QString &part : ForcedRuns::finishedText({QStringLiteral("x")}, {QStringLiteral("x")})
                                   .split(QStringLiteral("\n\n")))
        againstRemovals << (part.contains(QLatin1Char('\n')) ? heading(part) : part);
    QStringList boxes;
    // A note posted again beside one that may be its copy is kept beside it too.
    const QString besideNotice = NotepadSynchronizer::postedBesideText({});
    for (const QString &text : std::as_const(m_boxes.texts)) {
        const QString head = text.startsWith(keptNotice) ? keptNotice
                             : text.startsWith(besideNotice) ? besideNotice
                                                             : QString();
        const QStringList titles = text.mid(head.size()).split(QLatin1Char('\n'));
        const QStringList parts = text.split(QStringLiteral("\n\n"));
        if (std::all_of(parts.begin(), parts.end(), [&](const QString &part) {
                return std::any_of(againstRemovals.begin(), againstRemovals.end(),
                                   [&](const QString &head) { return part.startsWith(head); });
            }))
            ++m_figures.removalsTold;
        else if (head.isEmpty()
                 || !std::all_of(titles.begin(), titles.end(), [](const QString &t) { return t.endsWith(KeptSuffix); }))
            boxes << text;
        else
            m_figures.keptTold += int(titles.size());
    }
    if (problem.isEmpty() && !boxes.isEmpty())
        problem = QStringLiteral("a message box: %1").arg(boxes.join(QLatin1Char('|')));
    return problem;
}

} // namespace

class TstSyncFaultSequences : public QObject
{
    Q_OBJECT
    // Its sequences are shared out when the program runs in shares.
    Q_CLASSINFO("sharesItsItems", "everyItemOnceWithEveryEdit")

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyItemOnceWithEveryEdit();

private:
    void runSequence(quint32 seed, int steps, Figures &figures, const QSet<QString> &off);

    std::unique_ptr<CheckedFakeServer> m_server;
};

void TstSyncFaultSequences::initTestCase()
{
    // The runs go through sets of ids in hash order: the same order in every
    // process, or a seed would not tell the same sequence twice.
    QHashSeed::setDeterministicGlobalSeed();
}

void TstSyncFaultSequences::init()
{
    QFile::remove(NotepadNotes::filePath());
}

void TstSyncFaultSequences::cleanup()
{
    Clock::reset();
    QCOMPARE(ListsSynchronizer::running(), nullptr);
    m_server.reset();
}

void TstSyncFaultSequences::runSequence(quint32 seed, int steps, Figures &figures, const QSet<QString> &off)
{
    m_server = std::make_unique<CheckedFakeServer>();
    QVERIFY(m_server->start());
    m_server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    ServerSettings::instance()->setSettings(m_server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    QFile::remove(NotepadNotes::filePath());
    Clock::setFixedTime(QDateTime(QDate(2031, 3, 1), QTime(9, 0), Qt::UTC).addDays(seed % 1000));
    QString problem;
    {
        Sequence sequence(*m_server, seed, figures, off);
        for (int step = 0; step < steps; ++step)
            sequence.step(step);
        problem = sequence.finish();
    }
    Clock::reset();
    ++figures.sequences;
    if (!problem.isEmpty()) {
        ++figures.failures;
        figures.problems << QStringLiteral("seed %1: %2").arg(seed).arg(problem);
    }
    PLUMDECK_VERIFY_NO_VIOLATIONS(*m_server);
    m_server.reset();
}

void TstSyncFaultSequences::everyItemOnceWithEveryEdit()
{
    const bool longRun = qEnvironmentVariableIntValue("PLUMDECK_LONG_SYNC_SEQUENCES") != 0;
    const int sequences = longRun ? 100 : 12;
    // Fewer steps: the start of each sequence, to find where a failure begins.
    const int cut = qEnvironmentVariableIntValue("PLUMDECK_SYNC_SEQUENCE_STEPS");
    const int steps = cut > 0 ? cut : longRun ? 60 : 40;
    Figures figures;
    // One sequence alone, to look into it.
    const int only = qEnvironmentVariableIntValue("PLUMDECK_SYNC_SEQUENCE_SEED");
    // Other seeds than the fixed ones, for a run by hand.
    const int base = qEnvironmentVariableIsSet("PLUMDECK_SYNC_SEQUENCE_BASE")
                         ? qEnvironmentVariableIntValue("PLUMDECK_SYNC_SEQUENCE_BASE")
                         : 1000;
    // Kinds of steps left out, to tell which one a failure needs.
    QSet<QString> off;
    const QStringList without =
        qEnvironmentVariable("PLUMDECK_SYNC_SEQUENCE_WITHOUT").split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &kind : without)
        off.insert(kind.trimmed());
    for (int i = 0; i < sequences; ++i) {
        if ((only != 0 && base + i != only) || !TestEnvironment::inShare(i))
            continue;
        runSequence(quint32(base + i), steps, figures, off);
        if (QTest::currentTestFailed())
            return;
    }
    qInfo().noquote() << QStringLiteral("sequences %1, steps %2, syncs %3, faults set %4, fired %5, kills %6, "
                                        "failures %7")
                             .arg(figures.sequences)
                             .arg(figures.steps)
                             .arg(figures.syncs)
                             .arg(figures.faultsSet)
                             .arg(figures.faultsFired)
                             .arg(figures.kills)
                             .arg(figures.failures)
                             + QStringLiteral("; undos %1, redos %2, forced remote %3 (changes meeting it on "
                                              "the other %10), local %4, skipped %5, cross edits %6 (in doubt %7), "
                                              "made alike %8, untitled rows %9, own backups imported %11, ")
                                   .arg(figures.undos)
                                   .arg(figures.redos)
                                   .arg(figures.forcedRemote)
                                   .arg(figures.forcedLocal)
                                   .arg(figures.forcedSkipped)
                                   .arg(figures.crossEdits)
                                   .arg(figures.crossInDoubt)
                                   .arg(figures.alike)
                                   .arg(figures.blankRows)
                                   .arg(figures.overForced)
                                   .arg(figures.restores)
                             + QStringLiteral("removed lists %1, tasks %2, notes %3 (in doubt %4, may come back "
                                              "%9), kills after a DELETE %5, after an unsaved change %6, came back "
                                              "%7, lists files refused %8")
                                   .arg(figures.listRemovals)
                                   .arg(figures.taskRemovals)
                                   .arg(figures.noteRemovals)
                                   .arg(figures.removalsInDoubt)
                                   .arg(figures.deleteKills)
                                   .arg(figures.unsavedKills)
                                   .arg(figures.cameBack)
                                   .arg(figures.refusedFiles)
                                   .arg(figures.mayComeBack)
                             + QStringLiteral("; in the same second as the other %1 (into its list %10, untitled "
                                              "rows after runs %2), copies %3, pastes %4, blank lists posted in doubt "
                                              "%5 (on the other %6: a task added there %7, renamed there %8, may "
                                              "stay two %9), ")
                                   .arg(figures.sameSecond)
                                   .arg(figures.programRows)
                                   .arg(figures.copies)
                                   .arg(figures.pastes)
                                   .arg(figures.blankPosts)
                                   .arg(figures.blankFetched)
                                   .arg(figures.blankTaskAdded)
                                   .arg(figures.blankRenamed)
                                   .arg(figures.mayStayTwo)
                                   .arg(figures.sameList)
                             + QStringLiteral("stayed two %1, forced local after a forced remote cut short %2, "
                                              "other runs in a forced run %3 (then on %4, killed %5), the other "
                                              "forcing after it %6; runs ended after their first list: cancelled %7, "
                                              "quit %8, a later list's request failed %9")
                                   .arg(figures.stayedTwo)
                                   .arg(figures.forcedAfterCut)
                                   .arg(figures.midForced)
                                   .arg(figures.midReleased)
                                   .arg(figures.midKilled)
                                   .arg(figures.otherForced)
                                   .arg(figures.cutCancelled)
                                   .arg(figures.cutQuit)
                                   .arg(figures.cutFailed);
    QStringList edits;
    for (auto it = figures.staleEdits.cbegin(); it != figures.staleEdits.cend(); ++it)
        edits << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    qInfo().noquote() << QStringLiteral("older copies: lists %1, three computers in %2 sequences (changes on the "
                                        "third %3), runs between %4, changes %5; fields changed on two sides %6, "
                                        "removals held %7, kept for a change %8, places that could not all hold %9, "
                                        "tasks kept twice (told) %10")
                             .arg(figures.staleLists)
                             .arg(figures.threeComputers)
                             .arg(figures.thirdEdits)
                             .arg(figures.staleRuns)
                             .arg(edits.join(QStringLiteral(", ")))
                             .arg(figures.staleBoth)
                             .arg(figures.staleHeld)
                             .arg(figures.staleKept)
                             .arg(figures.staleCycles)
                             .arg(figures.staleTwiceTold)
                             + QStringLiteral("; whole lists removed %1 (back for a change their removal did not "
                                              "know of %2), notes removed %3 (back %4), notices of what was kept "
                                              "against a removal %5")
                                   .arg(figures.listsBack + figures.listsGone)
                                   .arg(figures.listsBack)
                                   .arg(figures.notesBack + figures.notesGone)
                                   .arg(figures.notesBack)
                                   .arg(figures.removalsTold)
                             + QStringLiteral("; notes %1 (texts edited right after on another computer %4, "
                                              "kept beside another %2, told %5), groups %3 (trees changed right "
                                              "after on another computer %7, lists out of their "
                                              "group after a forced local run that finished a forced remote "
                                              "one %6)")
                                   .arg(figures.staleNotes)
                                   .arg(figures.keptBeside)
                                   .arg(figures.staleGroups)
                                   .arg(figures.staleNotesBoth)
                                   .arg(figures.keptTold)
                                   .arg(figures.groupsDropped)
                                   .arg(figures.staleGroupsBoth);
    QStringList kinds;
    for (auto it = figures.failureKinds.cbegin(); it != figures.failureKinds.cend(); ++it)
        kinds << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    if (!kinds.isEmpty())
        qInfo().noquote() << "failures by kind:" << kinds.join(QStringLiteral(", "));
    for (const QString &problem : std::as_const(figures.problems))
        qInfo().noquote() << problem;
    QCOMPARE(figures.failures, 0);
}

PLUMDECK_TEST_MAIN(TstSyncFaultSequences)
#include "tst_syncfaultsequences.moc"
