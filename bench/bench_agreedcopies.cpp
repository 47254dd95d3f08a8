// What keeping each list's agreed copy (the list as this computer and the
// server last agreed on it) costs a heavy account, measured on one set of
// tasks written three ways in the same run:
//
// - without agreed copies: every list edited, as a file written before they
//   were kept (the baseline);
// - as synchronised: every list unedited, so each is what it agreed;
// - edited: one task retitled in every list since it agreed.
//
// Memory is the resident set the load adds, each load in a process of its
// own (this program run with "--load-child"), so that no heap freed by an
// earlier load is reused unseen. The bytes of each file are reported too,
// and the edited account's file is read back.
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "listsdocument.h"
#include "processmemory.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>

namespace {

const char kChildArgument[] = "--load-child";
// About 100 MB of lists.
const int kLists = 200;
const int kTasksPerList = 480;
// The account whose edited file once doubled past what the program reads.
const int kLargeTasksPerList = 850;

enum Form { WithoutAgreed, AsSynchronised, EditedOnePerList };

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString pathOf(const QString &name)
{
    return workDir().filePath(name);
}

// The same lists every time, in the form asked for.
UserLists *generateLists(int tasksPerList, Form form)
{
    UserLists *lists = UserLists::create();
    int serial = 0;
    for (int l = 0; l < kLists; ++l) {
        TaskList *list = TaskList::create();
        list->setSyncStatus(TaskList::Unedited);
        list->setServerId(quint32(l + 1));
        list->setRevision(3);
        list->setLocalId(quint32(l + 1));
        list->setName(QStringLiteral("List %1").arg(l));
        int remaining = tasksPerList;
        while (remaining > 0)
            addAccountTasks(list->rootTask(), remaining, 0, serial);
        switch (form) {
        case WithoutAgreed:
            list->setSyncStatus(TaskList::Edited);
            break;
        case AsSynchronised:
            list->agreeAsIs();
            break;
        case EditedOnePerList: {
            list->agreeAsIs();
            Task *task = list->rootTask()->child(l % list->rootTask()->childCount());
            task->setTitle(task->title() + QStringLiteral(" (edited)"));
            task->touch();
            list->markEdited();
            break;
        }
        }
        lists->addList(list);
    }
    return lists;
}

QString documentPath(int tasksPerList, Form form)
{
    static QMap<QString, bool> written;
    const QString name = QStringLiteral("lists-%1-%2.xhtml").arg(tasksPerList).arg(int(form));
    const QString path = pathOf(name);
    if (!written.value(name)) {
        std::unique_ptr<UserLists> lists(generateLists(tasksPerList, form));
        if (!lists->save(path))
            qFatal("cannot write the benchmark document");
        written[name] = true;
    }
    return path;
}

struct Loaded
{
    double residentKiB = 0;
    double heapKiB = 0;
    qint64 fileBytes = 0;
    bool read = false;
};

QMap<int, Loaded> &loads()
{
    static QMap<int, Loaded> m;
    return m;
}

// In the child: loads the file and says what the lists hold.
int runChild(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    QStandardPaths::setTestModeEnabled(true);
    malloc_trim(0);
    const double before = statusKiB("VmRSS:");
    const size_t heapBefore = heapInUse();
    QString error;
    std::unique_ptr<UserLists> lists(UserLists::load(QString::fromLocal8Bit(argv[2]), &error));
    malloc_trim(0);
    const double after = statusKiB("VmRSS:");
    const size_t heapAfter = heapInUse();
    if (!lists || lists->models().size() != kLists) {
        std::printf("failed %s\n", qPrintable(error));
        return 1;
    }
    std::printf("loaded %.0f %.0f\n", after - before, double(heapAfter - heapBefore) / 1024.0);
    std::fflush(stdout);
    return 0;
}

Loaded loadInChild(const QString &path)
{
    Loaded out;
    out.fileBytes = QFileInfo(path).size();
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildArgument), path});
    if (!child.waitForFinished(600000)) {
        child.kill();
        return out;
    }
    const QList<QByteArray> said = child.readAllStandardOutput().trimmed().split(' ');
    if (said.size() == 3 && said.first() == "loaded") {
        out.read = true;
        out.residentKiB = said.at(1).toDouble();
        out.heapKiB = said.at(2).toDouble();
    }
    return out;
}

void measureLoad(benchmark::State &state, int tasksPerList, Form form)
{
    const QString path = documentPath(tasksPerList, form);
    for (auto _ : state) {
        const Loaded loaded = loadInChild(path);
        loads()[int(form) * 10000 + tasksPerList] = loaded;
        if (!loaded.read) {
            state.SkipWithError("the document did not read back");
            break;
        }
        state.counters["resident_MiB"] = loaded.residentKiB / 1024.0;
        state.counters["file_MiB"] = double(loaded.fileBytes) / (1024.0 * 1024.0);
    }
}

void BM_LoadWithoutAgreedCopies(benchmark::State &state)
{
    measureLoad(state, kTasksPerList, WithoutAgreed);
}

void BM_LoadAsSynchronised(benchmark::State &state)
{
    measureLoad(state, kTasksPerList, AsSynchronised);
}

void BM_LoadEditedOneTaskPerList(benchmark::State &state)
{
    measureLoad(state, kTasksPerList, EditedOnePerList);
}

void BM_LargeAccountWithoutAgreedCopies(benchmark::State &state)
{
    measureLoad(state, kLargeTasksPerList, WithoutAgreed);
}

void BM_LargeAccountEditedOneTaskPerList(benchmark::State &state)
{
    measureLoad(state, kLargeTasksPerList, EditedOnePerList);
}

BENCHMARK(BM_LoadWithoutAgreedCopies)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadAsSynchronised)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadEditedOneTaskPerList)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LargeAccountWithoutAgreedCopies)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LargeAccountEditedOneTaskPerList)->Unit(benchmark::kMillisecond)->Iterations(1);

void printAgainst(const char *what, int tasksPerList, Form form)
{
    const Loaded a = loads().value(int(form) * 10000 + tasksPerList);
    const Loaded b = loads().value(int(WithoutAgreed) * 10000 + tasksPerList);
    if (!b.read)
        return;
    if (!a.read) {
        std::printf("  %-44s does not read back: %.1f MB against %.1f MB\n", what, double(a.fileBytes) / 1e6,
                    double(b.fileBytes) / 1e6);
        return;
    }
    std::printf("  %-44s resident %5.2fx, heap %5.2fx, file %5.2fx (%.1f MB against %.1f MB)\n", what,
                a.residentKiB / b.residentKiB, a.heapKiB / b.heapKiB, double(a.fileBytes) / double(b.fileBytes),
                double(a.fileBytes) / 1e6, double(b.fileBytes) / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && std::strcmp(argv[1], kChildArgument) == 0)
        return runChild(argc, argv);

    QCoreApplication app(argc, argv);
    // The program reads only documents its own name wrote.
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    QStandardPaths::setTestModeEnabled(true);
    // To read the files with another build of the program.
    if (qEnvironmentVariableIsSet("PLUMDECK_BENCH_KEEP_FILES")) {
        workDir().setAutoRemove(false);
        std::printf("files kept in %s\n", qPrintable(workDir().path()));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nAgainst the same tasks without agreed copies (aim: resident within 1.1x):\n");
    printAgainst("as synchronised, 200 x 480 tasks", kTasksPerList, AsSynchronised);
    printAgainst("one task edited per list, 200 x 480 tasks", kTasksPerList, EditedOnePerList);
    printAgainst("one task edited per list, 200 x 850 tasks", kLargeTasksPerList, EditedOnePerList);
    return 0;
}
