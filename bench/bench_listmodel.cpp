// Edits with whole-list undo in a large list, and the minute alarm scan.
// Every figure is printed beside the cost of TaskList::clone of the same
// list, the floor of one whole-list undo step, measured in the same run.

#include "core/clock.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "core/serversettings.h"

#include "ratioreporter.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <memory>

namespace {

const int kTopLevel = 100;
const int kChildren = 9;
const int kGrandChildren = 10;
const int kTasksPerList = kTopLevel * (1 + kChildren * (1 + kGrandChildren)); // 10,000
const int kScannedLists = 100;

const QDateTime kNow(QDate(2026, 5, 1), QTime(10, 0, 20), Qt::UTC);

void fillTask(Task *task, int n)
{
    task->setTitle(QStringLiteral("Task %1: pick up the parcel and call back").arg(n));
    task->setId(quint32(n + 1));
    task->setRevision(3);
    task->setCreationTime(kNow.addDays(-(n % 40)));
    task->setModificationTime(kNow.addSecs(-(n % 5000)));
    task->setCreatedBy(QStringLiteral("alice"));
    task->setLastModifiedBy(QStringLiteral("alice"));
    task->setHashcode(QStringLiteral("0123456789abcdef0123456789abcdef"));
    if (n % 3 == 0)
        task->setNote(kNow, QStringLiteral("A note of a few words for task %1").arg(n));
    if (n % 5 == 0)
        task->assign(QStringLiteral("bob"));
    if (n % 7 == 0)
        task->setAlarmTime(kNow.addSecs(60 * (n % 600)));
    if (n % 10 == 0) {
        TaskAttachment *a = task->createAttachment(QStringLiteral("webHyperlink"), QStringLiteral("shop"),
                                                   QStringLiteral("http://shop.example.com/item/%1").arg(n));
        Q_UNUSED(a);
    }
    if (n % 4 == 0)
        task->setDone(true);
}

TaskList *buildList()
{
    TaskList *list = TaskList::create();
    list->setSyncStatus(TaskList::Unedited);
    list->setServerId(7);
    int n = 0;
    Task *root = list->rootTask();
    for (int i = 0; i < kTopLevel; ++i) {
        Task *top = new Task;
        fillTask(top, n++);
        root->insertChild(top, root->childCount());
        for (int j = 0; j < kChildren; ++j) {
            Task *child = new Task;
            fillTask(child, n++);
            top->insertChild(child, top->childCount());
            for (int k = 0; k < kGrandChildren; ++k) {
                Task *grand = new Task;
                fillTask(grand, n++);
                child->insertChild(grand, child->childCount());
            }
        }
    }
    return list;
}

struct ModelHolder
{
    ModelHolder()
        : model(new ListModel(buildList()))
    {
    }
    ~ModelHolder()
    {
        TaskList *list = model->taskList();
        delete model;
        delete list;
    }
    ListModel *model;
};

void BM_CloneList(benchmark::State &state)
{
    std::unique_ptr<TaskList> list(buildList());
    for (auto _ : state) {
        TaskList *copy = list->clone();
        benchmark::DoNotOptimize(copy);
        delete copy;
    }
    state.counters["tasks"] = kTasksPerList;
}

void BM_TitleEdit(benchmark::State &state)
{
    ModelHolder holder;
    ListModel *model = holder.model;
    const QModelIndex index = model->index(5, 0, model->index(3, 0, model->index(50, 0)));
    const QString titles[2] = {QStringLiteral("first title"), QStringLiteral("second title")};
    int i = 0;
    for (auto _ : state)
        model->setData(index, titles[i++ & 1], Qt::EditRole);
    state.counters["snapshots"] = model->undoSnapshotCount();
}

void BM_UndoRedo(benchmark::State &state)
{
    ModelHolder holder;
    ListModel *model = holder.model;
    model->setData(model->index(10, 0), QStringLiteral("edited"), Qt::EditRole);
    for (auto _ : state) {
        model->undo();
        model->redo();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

// One indent (or the outdent that restores it) as the task tree does it:
// the undo step, then the move.
void BM_Indent(benchmark::State &state)
{
    ModelHolder holder;
    ListModel *model = holder.model;
    bool indented = false;
    for (auto _ : state) {
        model->saveUndoState();
        if (!indented) {
            const QModelIndex above = model->index(40, 0);
            model->reparentTask(model->index(41, 0), above, model->rowCount(above));
        } else {
            const QModelIndex above = model->index(40, 0);
            model->reparentTask(model->index(model->rowCount(above) - 1, 0, above), QModelIndex(), 41);
        }
        indented = !indented;
    }
}

void BM_AlarmScan(benchmark::State &state)
{
    std::vector<std::unique_ptr<ModelHolder>> holders;
    for (int i = 0; i < kScannedLists; ++i)
        holders.push_back(std::make_unique<ModelHolder>());
    const QDateTime last = kNow.addSecs(60 * 100);
    const QDateTime current = last.addSecs(60);
    qint64 found = 0;
    for (auto _ : state) {
        for (const auto &holder : holders)
            found += holder->model->tasksWithAlarmBetween(last, current).size();
    }
    state.counters["lists"] = kScannedLists;
    state.counters["dueAlarmsPerScan"] = double(found) / double(state.iterations());
}

BENCHMARK(BM_CloneList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TitleEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Indent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlarmScan)->Unit(benchmark::kMillisecond);

size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void reportMemoryPerTask()
{
    const size_t before = heapInUse();
    TaskList *list = buildList();
    const size_t after = heapInUse();
    std::printf("Memory after building a %d-task list: %.0f bytes per task\n\n", kTasksPerList,
                double(after - before) / kTasksPerList);
    delete list;
}

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    ServerSettings::instance();
    Clock::setFixedTime(kNow);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    reportMemoryPerTask();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nAgainst TaskList::clone of the same %d-task list:\n", kTasksPerList);
    const QString clone = QStringLiteral("BM_CloneList");
    reporter.printRatio("title edit (setData, undo snapshot included)", QStringLiteral("BM_TitleEdit"), clone);
    reporter.printRatio("undo + redo", QStringLiteral("BM_UndoRedo"), clone);
    reporter.printRatio("indent (undo step, reparentTask, reset)", QStringLiteral("BM_Indent"), clone);
    reporter.printRatio(QByteArray("alarm scan of ") + QByteArray::number(kScannedLists) + " such lists", QStringLiteral("BM_AlarmScan"), clone);
    return 0;
}
