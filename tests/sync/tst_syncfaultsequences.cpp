#include "core/clock.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/notepadnote.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "storedclient.h"
#include "sync/listssynchronizer.h"
#include "sync/uploadmark.h"
#include "sync/syncsnapshot.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QHashSeed>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <functional>
#include <memory>

// Two clients of one account take random turns at making, changing and
// removing lists, tasks and notes, at undo and redo, at copying and pasting
// tasks, at leaving an untitled row in a list, at forced runs, and at
// synchronising while the server loses answers after applying requests,
// fails them after applying them, fails the fetch after an upload, or the
// program is killed while a request is out: any, a DELETE, or the upload of
// a change made right before the run and not yet saved. Some steps make a
// case on purpose: a step on the other computer in the second of a step
// before (right after it, or on a clock that is behind, into the same list
// when it may); a list made without tasks whose post is lost or in doubt,
// then changed on the other computer; a forced remote run killed once its
// first post is out, before its deletes, followed by a forced local run; the
// other computer synchronising while a forced remote run waits between its
// first post and its deletes (the run then goes on, or is killed), after
// which it may force its own remote run. After quiet synchronisations of
// both, every item exists exactly once on the server and in both clients,
// with every edit, nothing removed is back, no lists file was refused, and
// one more run of each sends nothing.
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
// After a forced remote run the other client changes nothing until it has
// synchronised: its copies carry the ids the run replaced. A forced remote
// run cut short is finished by its client's next run, which replaces them
// too. Neither client changes a list while the other holds an unsent change
// to it: the later upload of a list wins. The other computer's run in the
// middle of a forced run is a process of its own (plumdeck_syncchild): one
// process sends one request at a time.
//
// PLUMDECK_LONG_SYNC_SEQUENCES=1 runs the long version,
// PLUMDECK_SYNC_SEQUENCE_SEED=<n> one sequence with its steps told,
// PLUMDECK_SYNC_SEQUENCE_STEPS=<n> only the first n steps of each, and
// PLUMDECK_SYNC_SEQUENCE_WITHOUT=undo,forced,... leaves kinds of steps out
// (undo, forced, forcedkill, cross, alike, blank, rename, tick, taskremoval,
// deletekill, unsaved, samesecond, paste, blankpost, forcedafterkill,
// midforced); without the last five the sequences are those made before
// them.

namespace {

const QString ListsPath = QStringLiteral("^/lists(/\\d+)?$");
const QString NotesPath = QStringLiteral("^/notepad-notes(/\\d+)?$");
const QString ItemPath = QStringLiteral("^/(lists|notepad-notes)(/\\d+)?$");

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
    bool pending[2] = {false, false};
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

// Every task, an untitled one too: the writer leaves the blank row out.
QStringList serverTaskSigs(const FakeServer &server, quint32 id)
{
    QStringList out;
    std::function<void(const QList<FakeTask> &)> walk = [&](const QList<FakeTask> &tasks) {
        for (const FakeTask &t : tasks) {
            out << taskSig(t.title(), fakeField(t.fields, QStringLiteral("done")) == QLatin1String("true"));
            walk(t.children);
        }
    };
    walk(server.tasks(id));
    return out;
}

QStringList serverListSigs(const FakeServer &server, QList<quint32> *ids = nullptr)
{
    QStringList out;
    for (const FakeList &l : server.visibleLists(QStringLiteral("alice"))) {
        out << listSig(l.name, serverTaskSigs(server, l.id));
        if (ids)
            *ids << l.id;
    }
    return out;
}

QStringList serverNoteSigs(const FakeServer &server, QList<quint32> *ids = nullptr)
{
    QStringList out;
    for (const FakeNote &n : server.notes(QStringLiteral("alice"))) {
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
        if (!programDefault(m))
            out << clientListSig(m->taskList());
    return out;
}

QStringList clientNoteSigs(const LiveClient &client)
{
    QStringList out;
    for (NotepadNote *n : client.notes->notes())
        if (n->syncStatus() != NotepadNote::Deleted)
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
        return g.sigs.contains(have[i]) && (ids.isEmpty() || g.anyId || g.ids.contains(ids[i]));
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
        , m_figures(figures)
        , m_off(off)
        , m_a(QStringLiteral("a"))
        , m_b(QStringLiteral("b"))
    {
        m_stores = {&m_a, &m_b};
    }

    void step(int index);
    // The quiet runs and the checks; empty when all is well.
    QString finish();

private:
    bool on(const char *kind) const { return !m_off.contains(QLatin1String(kind)); }
    quint32 below(quint32 n) { return m_rng.bounded(n); }
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
    // Neither while the other's reposts are in doubt nor while this
    // client's copies still carry the ids a forced run of the other
    // replaced (a change to one would go to an id the server dropped).
    bool mayChange(int c) const { return !m_forcedInDoubt[1 - c] && !m_replacedByForce[c]; }
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
    void addGhost(QList<Ghost> &ghosts, const QStringList &posted, bool note);
    bool unsavedUpload(const LiveClient &client, QByteArray *method, QString *path) const;
    bool sync(int c, Force force, Fault fault = Fault::Random);

    CheckedFakeServer &m_server;
    QRandomGenerator m_rng;
    Figures &m_figures;
    QSet<QString> m_off;
    // No question or notice is expected; one left open would stop the run.
    ModalAnswerer m_boxes;
    StoredClient m_a;
    StoredClient m_b;
    QList<StoredClient *> m_stores;
    Expected m_exp;
    int m_counter = 0;
    // A client stays loaded while it keeps the turn, as a running program
    // does; a kill or a change of turn ends it.
    std::unique_ptr<LiveClient> m_live;
    int m_liveIndex = -1;
    bool m_settled[2] = {true, true};       // nothing to send: the last run succeeded, nothing changed since
    bool m_forcedInDoubt[2] = {false, false}; // a forced remote run of it did not succeed, none since
    bool m_replacedByForce[2] = {false, false}; // the other forced remote since its last good run
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
    QString m_loadProblem;
    int m_step = 0;
};

LiveClient &Sequence::live(int c)
{
    if (m_liveIndex != c || !m_live) {
        dropLive();
        m_live = std::make_unique<LiveClient>(*m_stores[c]);
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
    ++m_figures.syncs;
    recordPosted(c, client);
    recheckRemovedInDoubt(c, client);
    const int requestsBefore = int(m_server.requests().size());
    const bool finishesForced = m_forcedInDoubt[c];
    const RepostWatch reposts = watchReposts(client, finishesForced);
    const bool hadLists = !client.lists->models().isEmpty();
    m_settled[c] = runClientSync(client, m_server);
    afterRun(client, m_settled[c], hadLists);
    noteReposts(reposts);
    if (m_settled[c]) {
        m_forcedInDoubt[c] = false;
        m_replacedByForce[c] = false;
    }
    if (finishesForced)
        m_replacedByForce[1 - c] = true;
    refreshDoubts(c, client);
    client.persist();
    trace() << "step" << m_step << "client" << c << "quiet run" << (m_settled[c] ? "succeeded" : "failed")
            << qPrintable(writesSince(requestsBefore));
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
        k ? serverNoteSigs(m_server, &watch.idsBefore[k]) : serverListSigs(m_server, &watch.idsBefore[k]);
    }
    return watch;
}

void Sequence::noteReposts(const RepostWatch &watch)
{
    for (int k = 0; k < 2; ++k) {
        QList<Ghost> &ghosts = k ? m_exp.noteGhosts : m_exp.listGhosts;
        QList<quint32> ids;
        const QStringList onServer = k ? serverNoteSigs(m_server, &ids) : serverListSigs(m_server, &ids);
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
    const int c = sameAs >= 0 ? 1 - sameAs : below(4) == 0 ? 1 - qMax(0, m_liveIndex) : qMax(0, m_liveIndex);
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
    const QStringList onServer = note ? serverNoteSigs(m_server, &ids) : serverListSigs(m_server, &ids);
    const Ghost ghost{posted, idsOf(posted, onServer, ids)};
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
    const QStringList onServer = serverListSigs(m_server);
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
        m_exp.listGhosts << Ghost{QStringList(list.posted) << list.sig(), {}, true};
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
    return m_settled[1 - c] && !m_replacedByForce[c] && m_live && m_liveIndex == c
           && holdsExpected(*m_live).isEmpty();
}

// Brought in step first, as the user would before forcing; false (and
// counted as skipped) when the client is still not ready for it.
bool Sequence::bringInStepForForcing(int c, const std::function<bool()> &ready)
{
    if (!ready()) {
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
}

// The other computer synchronises while a forced remote run waits between
// its first post and its deletes; the run goes on or is killed, and the
// other computer may then force its own remote run.
void Sequence::midForced(int c)
{
    if (!readyToForceRemote(c)) {
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
    if (m_unsavedNotes || m_unsavedLists.size() + m_unsavedRemovedLists.size() != 1)
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
        if (force == Force::Remote) {
            ListsSynchronizer::prepareForceRemote(client.lists, client.notes);
        } else {
            ListsSynchronizer::prepareForceLocal(client.lists, client.notes);
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
    const bool ok = runClientSync(
        client, m_server, killWhen,
        [force](ListsSynchronizer *run) {
            run->setForceRemote(force == Force::Remote);
            run->setForceLocal(force == Force::Local);
        },
        whenStopped);
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
    m_lastMaker = c;
    m_lastRan = true;
    noteReposts(reposts);
    if (!killed) {
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
        m_replacedByForce[1 - c] = true;
    // After a kill only what its files say counts: read when next loaded.
    if (!killed)
        refreshDoubts(c, client);
    trace() << "step" << m_step << "client" << c << (killed ? "killed" : ok ? "run succeeded" : "run failed")
            << "fired" << fired << qPrintable(writesSince(requestsBefore));
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

QString Sequence::finish()
{
    dropLive();
    m_server.clearFaults();
    for (int round = 0; round < 3; ++round)
        for (int c = 0; c < 2; ++c)
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
    const QStringList serverLists = serverListSigs(m_server, &listIds);
    QList<quint32> noteIds;
    const QStringList serverNotes = serverNoteSigs(m_server, &noteIds);
    QString problem = matchItems(QStringLiteral("the server"), serverLists, lists, m_exp.listGhosts,
                                 &serverExtraLists, listIds);
    if (problem.isEmpty())
        problem = matchItems(QStringLiteral("the server"), serverNotes, notes, m_exp.noteGhosts, &serverExtraNotes,
                             noteIds);
    for (int c = 0; c < 2 && problem.isEmpty(); ++c) {
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
        for (int c = 0; c < 2; ++c)
            quietRun(c);
        const QList<FakeRequest> all = m_server.requests();
        for (int i = before; i < all.size() && problem.isEmpty(); ++i)
            if (all[i].method != "GET" && QRegularExpression(ItemPath).match(all[i].path).hasMatch())
                problem = QStringLiteral("a run after the quiet ones still sends %1 %2")
                              .arg(QString::fromLatin1(all[i].method), all[i].path);
    }
    if (!m_loadProblem.isEmpty())
        problem = problem.isEmpty() ? m_loadProblem : m_loadProblem + QStringLiteral("; then ") + problem;
    if (problem.isEmpty() && !m_boxes.titles.isEmpty())
        problem = QStringLiteral("a message box: %1").arg(m_boxes.texts.join(QLatin1Char('|')));
    return problem;
}

} // namespace

class TstSyncFaultSequences : public QObject
{
    Q_OBJECT

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
        if (only != 0 && base + i != only)
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
                             + QStringLiteral("; undos %1, redos %2, forced remote %3, local %4, skipped %5, "
                                              "cross edits %6 (in doubt %7), made alike %8, untitled rows %9, ")
                                   .arg(figures.undos)
                                   .arg(figures.redos)
                                   .arg(figures.forcedRemote)
                                   .arg(figures.forcedLocal)
                                   .arg(figures.forcedSkipped)
                                   .arg(figures.crossEdits)
                                   .arg(figures.crossInDoubt)
                                   .arg(figures.alike)
                                   .arg(figures.blankRows)
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
                                              "forcing after it %6")
                                   .arg(figures.stayedTwo)
                                   .arg(figures.forcedAfterCut)
                                   .arg(figures.midForced)
                                   .arg(figures.midReleased)
                                   .arg(figures.midKilled)
                                   .arg(figures.otherForced);
    for (const QString &problem : std::as_const(figures.problems))
        qInfo().noquote() << problem;
    QCOMPARE(figures.failures, 0);
}

PLUMDECK_TEST_MAIN(TstSyncFaultSequences)
#include "tst_syncfaultsequences.moc"
