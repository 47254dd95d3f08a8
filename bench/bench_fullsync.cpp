// A full synchronisation of 200 lists of 50 tasks against the in-process fake
// server: (a) the first run, which uploads everything, (b) a run with nothing
// changed, (c) a run after one task of one list changed. Each run is set
// against the same requests (methods, paths and bodies) sent bare through the
// program's request queue, one after the other, to a scratch server holding
// the same lists: the ratio is what the synchronisation adds to its requests.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "core/serversettings.h"
#include "syncbench.h"
#include "fakeserver.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/notepadnotes.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listssynchost.h"
#include "sync/runs/listssynchronizer.h"
#include "sync/requests/serverhttpconnection.h"
#include "sync/requests/xmlrequest.h"

namespace {

const int listCount = 200;
const int taskCount = 50;

struct Sent
{
    QByteArray method;
    QString path;
    QByteArray body;
};

struct Figures
{
    double syncSeconds = 1e9;
    double bareSeconds = 1e9;
    int requests = 0;
    int listUploads = 0;
    int listFetches = 0;
};

QMap<QString, Figures> g_figures;

void pointAt(const FakeServer &server)
{
    ServerSettings::instance()->setSettings(server.url(), QStringLiteral("alice"), QStringLiteral("secret"));
}

bool runSync(UserLists *lists, SyncBenchHost *host)
{
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

// The same requests, one after the other through the queue, as the
// synchroniser sends them.
bool replay(const QList<Sent> &sent)
{
    QEventLoop loop;
    int index = 0;
    int failures = 0;
    std::function<void()> next = [&]() {
        if (index == sent.size()) {
            loop.quit();
            return;
        }
        const Sent &s = sent[index++];
        auto *request = new XMLRequest(QString::fromLatin1(s.method), s.path, true);
        if (!s.body.isEmpty()) {
            QDomDocument doc;
            doc.setContent(s.body);
            request->setRequestDocument(doc);
        }
        QObject::connect(request, &Request::finished, [&, request]() {
            if (request->hasError())
                ++failures;
            request->deleteLater();
            next();
        });
        ServerHttpConnection::instance()->addRequest(request);
    };
    QMetaObject::invokeMethod(&loop, [&] { next(); }, Qt::QueuedConnection);
    loop.exec();
    return failures == 0;
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

// One measured run: the synchronisation against `server`, then its requests
// bare against a scratch server holding what `server` held before the run.
bool measure(const QString &name, FakeServer &server, UserLists *lists, SyncBenchHost *host)
{
    auto scratch = newServer();
    if (!scratch)
        return false;
    for (const FakeList &l : server.lists())
        scratch->putList(l);
    scratch->setListOrder(QStringLiteral("alice"), server.storedListOrder(QStringLiteral("alice")));
    server.clearRequests();
    pointAt(server);
    QElapsedTimer timer;
    timer.start();
    if (!runSync(lists, host))
        return false;
    const double syncSeconds = timer.nsecsElapsed() / 1e9;
    QList<Sent> sent;
    Figures &f = g_figures[name];
    f.requests = int(server.requests().size());
    f.listUploads = int(server.requests("POST", QStringLiteral("^/lists$")).size()
                        + server.requests("PUT", QStringLiteral("^/lists/\\d+$")).size());
    f.listFetches = int(server.requests("GET", QStringLiteral("^/lists/\\d+$")).size());
    for (const FakeRequest &r : server.requests())
        sent << Sent{r.method, r.path, r.body};
    pointAt(*scratch);
    timer.restart();
    if (!replay(sent))
        return false;
    const double bareSeconds = timer.nsecsElapsed() / 1e9;
    f.syncSeconds = std::min(f.syncSeconds, syncSeconds);
    f.bareSeconds = std::min(f.bareSeconds, bareSeconds);
    return true;
}

void BM_FullSync(benchmark::State &state)
{
    for (auto _ : state) {
        auto server = newServer();
        if (!server) {
            state.SkipWithError("fake server");
            return;
        }
        UserLists lists;
        SyncBenchHost host;
        NotepadNotes notes;
        addNewLists(lists, listCount, taskCount);
        if (!measure(QStringLiteral("a first run"), *server, &lists, &host)
            || !measure(QStringLiteral("b nothing changed"), *server, &lists, &host)) {
            state.SkipWithError("a run failed");
            return;
        }
        ListModel *model = lists.models().at(listCount / 2);
        model->setTaskTitle(model->taskList()->rootTask()->children().first(), QStringLiteral("Changed"));
        if (!measure(QStringLiteral("c one task changed"), *server, &lists, &host)) {
            state.SkipWithError("a run failed");
            return;
        }
    }
}

BENCHMARK(BM_FullSync)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runSyncBenchmarks(argc, argv, [] {
        std::printf("\n%-20s %9s %12s %12s %10s %10s %7s\n", "run", "requests", "list uploads", "list fetches",
                    "sync ms", "bare ms", "ratio");
        for (auto it = g_figures.cbegin(); it != g_figures.cend(); ++it) {
            const Figures &f = it.value();
            std::printf("%-20s %9d %12d %12d %10.1f %10.1f %6.2fx\n", qPrintable(it.key()), f.requests,
                        f.listUploads, f.listFetches, f.syncSeconds * 1000, f.bareSeconds * 1000,
                        f.syncSeconds / f.bareSeconds);
        }
    });
}
