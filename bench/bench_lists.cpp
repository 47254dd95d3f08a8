// Loading and saving a heavy user's lists file: 200 lists of 500 tasks over
// several levels, with notes, alarms, assignments and attachments. Each
// measurement is set against baselines taken in the same run on the same
// bytes: QDomDocument::setContent and a bare QXmlStreamReader pass for
// loading, QDomDocument::toByteArray of the same tree for saving. The
// DomOnly runs show two parts of the work alone: building the tree that
// writeLists returns, and reading the lists out of a parsed tree.
//
// Memory is the kernel's resident set of the process (VmRSS, and VmHWM for
// the peak, reset through clear_refs before each operation), taken after
// malloc_trim so that heap freed earlier is not silently reused. The
// resident run keeps the lists loaded while it reads the growth: what a user
// who just started the program pays.
#include "core/clock.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/taskattachment.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "model/userlists.h"
#include "listsdocument.h"
#include "processmemory.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QMap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstdio>
#include <ctime>
#include <malloc.h>

namespace {

const int kLists = 200;
const int kTasksPerList = 500;

struct Measure
{
    qint64 nanoseconds = 0;
    qint64 runs = 0;
    double peakMiB = 0; // above the resident size when the operation began
    double mean() const { return runs ? double(nanoseconds) / double(runs) : 0; }
};

QMap<QString, Measure> &measures()
{
    static QMap<QString, Measure> m;
    return m;
}

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString listsPath()
{
    return workDir().filePath(QStringLiteral("lists.xhtml"));
}

// The kernel's peak resident size of this process, reset before each
// measured operation so that each reports its own peak.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double statusMiB(const char *key)
{
    return statusKiB(key) / 1024.0;
}

UserLists *generateLists()
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
        int remaining = kTasksPerList;
        while (remaining > 0)
            addAccountTasks(list->rootTask(), remaining, 0, serial);
        ListModel *model = lists->addList(list);
        if (l % 10 == 0)
            model->loadSharedUser(QStringLiteral("alice"), QStringLiteral("rw"));
    }
    return lists;
}

const QByteArray &documentBytes()
{
    static QByteArray bytes;
    if (bytes.isEmpty()) {
        QScopedPointer<UserLists> lists(generateLists());
        if (!lists->save(listsPath()))
            qFatal("cannot write the benchmark document");
        QFile file(listsPath());
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read the benchmark document");
        bytes = file.readAll();
    }
    return bytes;
}

// CPU time of this thread: steadier than wall time on a busy machine, and
// every operation measured here is single-threaded.
qint64 threadCpuNanoseconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

template<typename F>
void measure(benchmark::State &state, const QString &name, F &&body)
{
    Measure &m = measures()[name];
    for (auto _ : state) {
        // Give freed heap back first, or the operation would reuse it unseen.
        malloc_trim(0);
        resetPeak();
        const double before = statusMiB("VmRSS:");
        const qint64 start = threadCpuNanoseconds();
        body();
        m.nanoseconds += threadCpuNanoseconds() - start;
        ++m.runs;
        m.peakMiB = qMax(m.peakMiB, statusMiB("VmHWM:") - before);
    }
    state.counters["extra_peak_MiB"] = m.peakMiB;
    state.counters["MiB"] = double(documentBytes().size()) / (1024.0 * 1024.0);
}

void BM_StreamReaderBaseline(benchmark::State &state)
{
    const QByteArray &bytes = documentBytes();
    measure(state, QStringLiteral("stream"), [&] {
        QXmlStreamReader reader(bytes);
        qint64 tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    });
}

// The same walk over the file, read from the disk as the tokens need it and
// without namespace processing: exactly what a streaming reader must do
// anyway (the walk above decodes the whole text at once).
void BM_StreamReaderFileBaseline(benchmark::State &state)
{
    documentBytes();
    measure(state, QStringLiteral("streamFile"), [&] {
        QFile file(listsPath());
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read the benchmark document");
        QXmlStreamReader reader(&file);
        reader.setNamespaceProcessing(false);
        qint64 tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    });
}

void BM_SetContentBaseline(benchmark::State &state)
{
    const QByteArray &bytes = documentBytes();
    measure(state, QStringLiteral("setContent"), [&] {
        QDomDocument doc;
        if (!doc.setContent(bytes, false))
            qFatal("baseline parse failed");
        benchmark::DoNotOptimize(doc);
    });
}

void BM_UserListsLoad(benchmark::State &state)
{
    documentBytes();
    measure(state, QStringLiteral("load"), [&] {
        QString error;
        UserLists *lists = UserLists::load(listsPath(), &error);
        if (!lists)
            qFatal("load failed: %s", qPrintable(error));
        if (lists->models().size() != kLists)
            qFatal("load lost lists");
        delete lists;
    });
}

int countTasks(const Task *task)
{
    int n = 0;
    for (int i = 0; i < task->childCount(); ++i)
        n += 1 + countTasks(task->child(i));
    return n;
}

struct Resident
{
    double finalMiB = 0; // growth with the lists still loaded
    double peakMiB = 0;  // highest growth during the load
    double heldMiB = 0;  // heap the loaded lists hold (malloc's count)
    int tasks = 0;
};

Resident &resident()
{
    static Resident r;
    return r;
}

void BM_UserListsLoadResident(benchmark::State &state)
{
    documentBytes();
    for (auto _ : state) {
        malloc_trim(0);
        resetPeak();
        const double before = statusMiB("VmRSS:");
        const size_t heapBefore = heapInUse();
        QString error;
        UserLists *lists = UserLists::load(listsPath(), &error);
        if (!lists)
            qFatal("load failed: %s", qPrintable(error));
        Resident &r = resident();
        r.finalMiB = statusMiB("VmRSS:") - before;
        r.heldMiB = double(heapInUse() - heapBefore) / (1024.0 * 1024.0);
        r.peakMiB = statusMiB("VmHWM:") - before;
        r.tasks = 0;
        for (ListModel *model : lists->models())
            r.tasks += countTasks(model->taskList()->rootTask());
        state.counters["final_MiB"] = r.finalMiB;
        state.counters["peak_MiB"] = r.peakMiB;
        delete lists;
    }
}

void BM_SerialiseBaseline(benchmark::State &state)
{
    QDomDocument doc;
    doc.setContent(documentBytes(), false);
    measure(state, QStringLiteral("serialise"), [&] {
        const QByteArray out = doc.toByteArray(1);
        benchmark::DoNotOptimize(out.size());
    });
}

void BM_UserListsSave(benchmark::State &state)
{
    documentBytes();
    QScopedPointer<UserLists> lists(UserLists::load(listsPath()));
    if (!lists)
        qFatal("load failed");
    const QString target = workDir().filePath(QStringLiteral("saved.xhtml"));
    measure(state, QStringLiteral("save"), [&] {
        if (!lists->save(target))
            qFatal("save failed");
    });
}

void BM_WriteListsDomOnly(benchmark::State &state)
{
    documentBytes();
    QScopedPointer<UserLists> lists(UserLists::load(listsPath()));
    measure(state, QStringLiteral("domBuild"), [&] {
        TaskReaderWriter writer(XMLReaderWriter::LocalDocument);
        QDomDocument doc = writer.writeLists(lists.data());
        benchmark::DoNotOptimize(doc);
    });
}

void BM_ReadListsDomOnly(benchmark::State &state)
{
    QDomDocument doc;
    doc.setContent(documentBytes(), false);
    measure(state, QStringLiteral("domRead"), [&] {
        TaskReaderWriter reader(XMLReaderWriter::LocalDocument);
        delete reader.readLists(doc);
    });
}

BENCHMARK(BM_WriteListsDomOnly)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadListsDomOnly)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_StreamReaderBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StreamReaderFileBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SetContentBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UserListsLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UserListsLoadResident)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SerialiseBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UserListsSave)->Unit(benchmark::kMillisecond)->Iterations(3);

void printRatio(const char *label, const QString &a, const QString &b)
{
    const Measure ma = measures().value(a);
    const Measure mb = measures().value(b);
    if (ma.runs && mb.runs)
        std::printf("%-38s %6.2fx  (%.0f ms / %.0f ms)\n", label, ma.mean() / mb.mean(), ma.mean() / 1e6,
                    mb.mean() / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nlists document: %d lists x %d tasks, %.1f MiB\n", kLists, kTasksPerList,
                double(documentBytes().size()) / (1024.0 * 1024.0));
    printRatio("UserLists::load / setContent", QStringLiteral("load"), QStringLiteral("setContent"));
    printRatio("UserLists::load / QXmlStreamReader", QStringLiteral("load"), QStringLiteral("stream"));
    printRatio("UserLists::load / same, file from the disk", QStringLiteral("load"), QStringLiteral("streamFile"));
    printRatio("UserLists::save / serialise same DOM", QStringLiteral("save"), QStringLiteral("serialise"));
    for (const QString &name : {QStringLiteral("setContent"), QStringLiteral("load"), QStringLiteral("serialise"),
                               QStringLiteral("save")}) {
        if (measures().contains(name))
            std::printf("peak memory of %-10s %7.0f MiB above the resident size before it\n", qPrintable(name),
                        measures().value(name).peakMiB);
    }
    const Resident &r = resident();
    if (r.tasks > 0) {
        std::printf("resident growth after the load          %7.0f MiB, %.2f KiB per task (%d tasks)\n", r.finalMiB,
                    r.finalMiB * 1024.0 / r.tasks, r.tasks);
        std::printf("heap held by the loaded lists           %7.0f MiB, %.2f KiB per task\n", r.heldMiB,
                    r.heldMiB * 1024.0 / r.tasks);
        std::printf("peak growth during the load             %7.0f MiB, %.2fx the growth after it\n", r.peakMiB,
                    r.finalMiB > 0 ? r.peakMiB / r.finalMiB : 0.0);
    }
    return 0;
}
