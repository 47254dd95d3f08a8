// The first full synchronisation of many new lists (200 and 1,000 lists of
// 50 tasks) against the in-process fake server, with the saves of the lists
// file a run makes before its uploads (the marks that let the next run
// recognise an upload whose answer was lost), set against the same run with
// those saves skipped. The ratio is what keeping the uploads safe on disk
// costs the first synchronisation.

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/serversettings.h"
#include "syncbench.h"
#include "fakeserver.h"
#include "model/notepadnotes.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listssynchronizer.h"

namespace {

const int taskCount = 50;

struct Figures
{
    double withSaves = 1e9;
    double skipped = 1e9;
    int saves = 0;
    qint64 fileBytes = 0;
};

QMap<int, Figures> g_figures;

// One first run of `listCount` new lists; the lists file is written to
// `path` at each save the run asks for, or not at all when it is empty.
double firstRun(int listCount, const QString &path, int *saves)
{
    auto server = std::make_unique<FakeServer>();
    if (!server->start())
        return -1;
    server->addUser(QStringLiteral("alice"), QStringLiteral("secret"));
    server->setValidation(false);
    ServerSettings::instance()->setSettings(server->url(), QStringLiteral("alice"), QStringLiteral("secret"));
    UserLists lists;
    SyncBenchHost host(&lists, path);
    NotepadNotes notes;
    addNewLists(lists, listCount, taskCount);
    ListsSynchronizer sync(&lists, &host);
    bool ok = false;
    QEventLoop loop;
    QObject::connect(&sync, &BaseSynchronizer::finished, &loop, [&](bool result) {
        ok = result;
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    sync.start();
    loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!ok) {
        std::fprintf(stderr, "sync failed: %s\n", qPrintable(sync.errorString()));
        return -1;
    }
    *saves = host.saves;
    return seconds;
}

void BM_FirstSyncSaves(benchmark::State &state)
{
    const int listCount = int(state.range(0));
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("lists.xhtml"));
    Figures &f = g_figures[listCount];
    int round = 0;
    for (auto _ : state) {
        int saves = 0;
        int unused = 0;
        // Alternating which goes first evens out what the machine does.
        const bool savingFirst = round++ % 2 == 0;
        const double a = firstRun(listCount, savingFirst ? path : QString(), savingFirst ? &saves : &unused);
        const double b = firstRun(listCount, savingFirst ? QString() : path, savingFirst ? &unused : &saves);
        if (a < 0 || b < 0) {
            state.SkipWithError("a run failed");
            return;
        }
        f.withSaves = std::min(f.withSaves, savingFirst ? a : b);
        f.skipped = std::min(f.skipped, savingFirst ? b : a);
        f.saves = saves;
        f.fileBytes = QFileInfo(path).size();
    }
}

BENCHMARK(BM_FirstSyncSaves)->Arg(200)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runSyncBenchmarks(argc, argv, [] {
        std::printf("\n%-14s %7s %10s %14s %12s %7s\n", "lists x 50", "saves", "file MiB", "with saves ms",
                    "skipped ms", "ratio");
        for (auto it = g_figures.cbegin(); it != g_figures.cend(); ++it) {
            const Figures &f = it.value();
            std::printf("%-14d %7d %10.1f %14.1f %12.1f %6.2fx\n", it.key(), f.saves, f.fileBytes / 1048576.0,
                        f.withSaves * 1000, f.skipped * 1000, f.withSaves / f.skipped);
        }
    });
}
