// A full synchronisation of 200 lists, each edited on both computers (one
// task here, another there), against the in-process fake server: every list
// is merged onto the server's copy before it goes up. Set against the same
// run when only this computer edited the lists (each goes up without a
// merge). Both write the lists file to disk at every save the run asks for.
// The ratio is what merging costs a run; its aim is 1.5x at most.
// PLUMDECK_MERGE_BENCH_TASKS=<n> sets the tasks of each list (100 unless
// given; 580 makes lists of the size of an account of 100 MB).

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/serversettings.h"
#include "fakeserver.h"
#include "model/listmodel.h"
#include "model/notepadnotes.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listssynchronizer.h"
#include "syncbench.h"

namespace {

const int listCount = 200;

struct Figures
{
    double merging = 1e9;
    double plain = 1e9;
    int mergingSaves = 0;
    int plainSaves = 0;
    int mergingRequests = 0;
    int plainRequests = 0;
    qint64 fileBytes = 0;
    int tasks = 0;
};

Figures g_figures;

int taskCount()
{
    const int n = qEnvironmentVariableIntValue("PLUMDECK_MERGE_BENCH_TASKS");
    return n > 0 ? n : 100;
}

std::unique_ptr<FakeServer> newServer()
{
    auto server = std::make_unique<FakeServer>();
    if (!server->start())
        return nullptr;
    server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server->setValidation(false);
    return server;
}

bool runSync(FakeServer &server, UserLists *lists, SyncBenchHost *host)
{
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
    ListsSynchronizer sync(lists, host);
    bool ok = false;
    QEventLoop loop;
    QObject::connect(&sync, &BaseSynchronizer::finished, &loop, [&](bool result) {
        ok = result;
        loop.quit();
    });
    sync.start();
    loop.exec();
    if (!ok)
        std::fprintf(stderr, "sync failed: %s\n", qPrintable(sync.errorString()));
    return ok;
}

// A copy of the lists as this computer holds them, the agreed copies shared.
void cloneLists(const UserLists &from, UserLists &to)
{
    for (const TaskList *list : from.taskLists())
        to.addList(list->clone());
}

// A scratch server holding what `from` holds.
std::unique_ptr<FakeServer> copyServer(const FakeServer &from)
{
    auto server = newServer();
    if (!server)
        return nullptr;
    for (const FakeList &l : from.lists())
        server->putList(l);
    server->setListOrder(QStringLiteral("alice"), from.storedListOrder(QStringLiteral("alice")));
    return server;
}

// The task `index` of every list retitled, as the tree does it.
void editEveryList(UserLists &lists, int index, const QString &title)
{
    for (ListModel *model : lists.models())
        model->setTaskTitle(model->taskList()->rootTask()->child(index), title);
}

// This computer's run after its edits, timed; with `otherEdits`, after the
// other computer's run that edited every list too (else that run went to
// another server).
double measuredRun(const FakeServer &start, const UserLists &synced, bool otherEdits, const QString &path,
                   int *saves, int *requests)
{
    auto server = copyServer(start);
    auto elsewhere = copyServer(start);
    if (!server || !elsewhere)
        return -1;
    {
        // The other computer's run, onto this run's server or not: both
        // measured runs come after the same work in this process.
        UserLists other;
        SyncBenchHost otherHost;
        cloneLists(synced, other);
        editEveryList(other, 0, QStringLiteral("Changed there"));
        if (!runSync(otherEdits ? *server : *elsewhere, &other, &otherHost))
            return -1;
    }
    UserLists here;
    SyncBenchHost host(&here, path);
    cloneLists(synced, here);
    editEveryList(here, 1, QStringLiteral("Changed here"));
    server->clearRequests();
    QElapsedTimer timer;
    timer.start();
    if (!runSync(*server, &here, &host))
        return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    *saves = host.saves;
    *requests = int(server->requests().size());
    return seconds;
}

void BM_MergeSync(benchmark::State &state)
{
    const int tasks = taskCount();
    g_figures.tasks = tasks;
    auto server = newServer();
    if (!server) {
        state.SkipWithError("fake server");
        return;
    }
    // The lists both computers start from.
    UserLists synced;
    SyncBenchHost host;
    NotepadNotes notes;
    addNewLists(synced, listCount, tasks);
    if (!runSync(*server, &synced, &host)) {
        state.SkipWithError("the first run failed");
        return;
    }
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("lists.xhtml"));
    int round = 0;
    for (auto _ : state) {
        // Alternating which goes first evens out what the machine does.
        const bool mergingFirst = round++ % 2 == 0;
        double merging = -1;
        double plain = -1;
        for (int k = 0; k < 2; ++k) {
            if ((k == 0) == mergingFirst)
                merging = measuredRun(*server, synced, true, path, &g_figures.mergingSaves,
                                      &g_figures.mergingRequests);
            else
                plain = measuredRun(*server, synced, false, path, &g_figures.plainSaves, &g_figures.plainRequests);
        }
        if (merging < 0 || plain < 0) {
            state.SkipWithError("a run failed");
            return;
        }
        g_figures.merging = std::min(g_figures.merging, merging);
        g_figures.plain = std::min(g_figures.plain, plain);
        g_figures.fileBytes = QFileInfo(path).size();
    }
}

BENCHMARK(BM_MergeSync)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runSyncBenchmarks(argc, argv, [] {
        const Figures &f = g_figures;
        std::printf("\n%d lists of %d tasks, lists file %.1f MiB (aim: 1.5x)\n", listCount, f.tasks,
                    f.fileBytes / 1048576.0);
        std::printf("%-22s %9s %7s %10s\n", "run", "requests", "saves", "ms");
        std::printf("%-22s %9d %7d %10.1f\n", "edited on both: merged", f.mergingRequests, f.mergingSaves,
                    f.merging * 1000);
        std::printf("%-22s %9d %7d %10.1f\n", "edited here only", f.plainRequests, f.plainSaves, f.plain * 1000);
        std::printf("ratio %.2fx\n", f.merging / f.plain);
    });
}
