// The other computer of tst_syncfaultsequences, as a process of its own: it
// synchronises a stored client while a run of the test's process waits on an
// answer the fake server holds (a process sends one request at a time, and
// only one run is registered in it).
//
// Arguments: the stored client's folder, the server URL, the user, the
// password, the time (ms since the epoch, UTC) and "rows" when empty lists
// get their untitled row after a good run, as the lists page gives them.
// Exit status: 0 the run succeeded, 1 it failed, 2 a stored file was
// refused, 3 a message box opened, 4 bad arguments.

#include "core/clock.h"
#include "core/serversettings.h"
#include "storedclient.h"
#include "syncfixture.h"
#include "testenvironment.h"

#include <QApplication>
#include <QHashSeed>

#include <cstdio>

int main(int argc, char *argv[])
{
    TestEnvironment::isolateUserFolders();
    QApplication app(argc, argv);
    TestEnvironment::setProgramNames();
    TestEnvironment::answerAsTheProgram();
    // The same order of ids as in the test's process, run after run.
    QHashSeed::setDeterministicGlobalSeed();
    const QStringList args = app.arguments();
    if (args.size() < 6)
        return 4;
    ServerSettings::instance()->setSettings(args.at(2), args.at(3), args.at(4));
    Clock::setFixedTime(QDateTime::fromMSecsSinceEpoch(args.at(5).toLongLong(), Qt::UTC));
    const bool rows = args.value(6) == QLatin1String("rows");

    ModalAnswerer boxes;
    StoredClient store(StoredClient::Folder{args.at(1)});
    int status = 0;
    {
        LiveClient client(store);
        if (!client.loadProblem.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(client.loadProblem));
            status = 2;
        }
        // The run drops untouched default lists as it starts.
        const bool hadLists = !client.lists->models().isEmpty();
        auto *run = new ListsSynchronizer(client.lists, &client);
        bool ended = false;
        bool ok = false;
        QObject::connect(run, &BaseSynchronizer::finished, &app, [&](bool success) {
            ended = true;
            ok = success;
        });
        run->start();
        QTimer timeout;
        timeout.setSingleShot(true);
        timeout.start(20000);
        while (!ended && timeout.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!ok)
            std::fprintf(stderr, "run failed: %s\n", qPrintable(ended ? run->errorString() : QStringLiteral("timed out")));
        delete run;
        if (rows && (ok || (hadLists && client.lists->models().isEmpty())))
            client.lists->ensureNotEmpty();
        client.persist();
        if (status == 0 && !ok)
            status = 1;
    }
    if (!boxes.texts.isEmpty()) {
        std::fprintf(stderr, "a message box: %s\n", qPrintable(boxes.texts.join(QLatin1Char('|'))));
        status = 3;
    }
    return status;
}
