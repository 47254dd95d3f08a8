// The task tree on a 10,000-task list of three levels, fully expanded,
// offscreen, in the Green skin. Each figure is set against a baseline measured in the same
// run:
//   (a) setting the model and painting the viewport, against a plain
//       QTreeView with the default delegates on the same model;
//   (b) one indent with its undo step, the model reset and the view
//       restoring expansion, selection and scroll position, against the
//       model operation alone;
//   (c) a search that hits 1,000 tasks and stepping through all of them,
//       against a bare case-insensitive scan of the same titles plus
//       scrollTo on the plain view.

#include "core/clock.h"
#include "core/serversettings.h"
#include "lists/tasklistsearchwidget.h"
#include "lists/tasktreeowner.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "shell/pdlineedit.h"
#include "shell/toolbutton.h"

#include "ratioreporter.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QStandardPaths>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

const int kTopLevel = 100;
const int kChildren = 9;
const int kGrandChildren = 10;
const int kTasks = kTopLevel * (1 + kChildren * (1 + kGrandChildren)); // 10,000
const QSize kViewSize(800, 600);
const QString kQuery = QStringLiteral("PARCEL");

const QDateTime kNow(QDate(2026, 5, 1), QTime(10, 0, 20), Qt::UTC);

struct Owner : TaskTreeOwner
{
    bool isSyncing() const override { return false; }
    void showNoteDialog() override {}
    void showAlarmDialog() override {}
    void showTimeManagementDialog() override {}
    void openTaskLink() override {}
    void playTaskVideo() override {}
    void showTaskContextMenu(const QPoint &) override {}
    void onCancelSingleListSync(ListModel *) override {}
};

// One task in ten mentions the parcel: the search hits 1,000 tasks.
void fillTask(Task *task, int n)
{
    task->setTitle(n % 10 == 0 ? QStringLiteral("Task %1: pick up the parcel and call back").arg(n)
                               : QStringLiteral("Task %1: sort the letters and call back").arg(n));
    task->setCreationTime(kNow.addDays(-(n % 40)));
    if (n % 3 == 0)
        task->setNote(kNow, QStringLiteral("A note of a few words for task %1").arg(n));
    if (n % 5 == 0)
        task->assign(QStringLiteral("bob"));
    if (n % 7 == 0)
        task->setAlarmTime(kNow.addSecs(60 * (n % 600)));
    if (n % 4 == 0)
        task->setDone(true);
}

ListModel *buildModel()
{
    TaskList *list = TaskList::create();
    Task *root = list->rootTask();
    int n = 0;
    for (int i = 0; i < kTopLevel; ++i) {
        auto *top = new Task;
        fillTask(top, n++);
        root->insertChild(top, root->childCount());
        for (int j = 0; j < kChildren; ++j) {
            auto *child = new Task;
            fillTask(child, n++);
            top->insertChild(child, top->childCount());
            for (int k = 0; k < kGrandChildren; ++k) {
                auto *grand = new Task;
                fillTask(grand, n++);
                child->insertChild(grand, child->childCount());
            }
        }
    }
    return new ListModel(list);
}

struct Holder
{
    Holder()
        : model(buildModel())
    {
    }
    ~Holder() { delete model->taskList(); }
    std::unique_ptr<ListModel> model;
};

// Shows the view at the common size over the model, expanded, painted once.
void showOver(QTreeView &view, ListModel *model)
{
    view.resize(kViewSize);
    view.show();
    view.setModel(model);
    view.expandAll();
    view.viewport()->grab();
}

// Both views are shown at the same size; each iteration sets the model
// afresh and paints the whole viewport once.
void BM_PlainViewShow(benchmark::State &state)
{
    Holder holder;
    QTreeView view;
    view.resize(kViewSize);
    view.show();
    for (auto _ : state) {
        view.setModel(nullptr);
        view.setModel(holder.model.get());
        view.expandAll();
        benchmark::DoNotOptimize(view.viewport()->grab());
    }
    view.setModel(nullptr);
}

void BM_TreeViewShow(benchmark::State &state)
{
    Holder holder;
    Owner owner;
    TreeView view(&owner);
    view.resize(kViewSize);
    view.show();
    for (auto _ : state) {
        view.setModel(nullptr);
        view.setModel(holder.model.get());
        benchmark::DoNotOptimize(view.viewport()->grab());
    }
    view.setModel(nullptr);
}

// Top-level task 41 with its subtree goes under task 40 and comes back:
// two operations with an undo step each.
void BM_ModelIndent(benchmark::State &state)
{
    Holder holder;
    ListModel *model = holder.model.get();
    for (auto _ : state) {
        model->saveUndoState();
        const QModelIndex above = model->index(40, 0);
        model->reparentTask(model->index(41, 0), above, model->rowCount(above));
        model->saveUndoState();
        model->reparentTask(model->index(model->rowCount(above) - 1, 0, above), QModelIndex(), 41);
    }
}

void BM_TreeViewIndent(benchmark::State &state)
{
    Holder holder;
    Owner owner;
    TreeView view(&owner);
    showOver(view, holder.model.get());
    view.setCurrentIndex(holder.model->index(41, 0));
    for (auto _ : state) {
        view.indentCurrentGroupTasks();
        view.outdentCurrent();
    }
    view.setModel(nullptr);
}

void collectHits(const ListModel *model, const QModelIndex &parent, QModelIndexList &hits)
{
    const int rows = model->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (model->taskForIndex(index)->title().contains(kQuery, Qt::CaseInsensitive))
            hits.append(index);
        collectHits(model, index, hits);
    }
}

void BM_BareSearchScroll(benchmark::State &state)
{
    Holder holder;
    QTreeView view;
    showOver(view, holder.model.get());
    qsizetype found = 0;
    for (auto _ : state) {
        QModelIndexList hits;
        collectHits(holder.model.get(), QModelIndex(), hits);
        for (const QModelIndex &hit : std::as_const(hits))
            view.scrollTo(hit, QAbstractItemView::PositionAtTop);
        found = hits.size();
    }
    state.counters["hits"] = double(found);
    view.setModel(nullptr);
}

void BM_TreeViewSearch(benchmark::State &state)
{
    Holder holder;
    Owner owner;
    TreeView view(&owner);
    view.showSearchBar();
    showOver(view, holder.model.get());
    qsizetype found = 0;
    for (auto _ : state) {
        view.searchBar()->lineEdit()->setText(kQuery);
        for (int i = 1; i < view.searchHits().size(); ++i)
            view.searchBar()->nextButton()->click();
        found = view.searchHits().size();
        state.PauseTiming();
        view.searchBar()->lineEdit()->clear();
        state.ResumeTiming();
    }
    state.counters["hits"] = double(found);
    view.setModel(nullptr);
}

BENCHMARK(BM_PlainViewShow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeViewShow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelIndent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeViewIndent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSearchScroll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeViewSearch)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    ServerSettings::instance();
    Clock::setFixedTime(kNow);
    // As the program runs: in the Green skin's style sheet.
    QFile sheet(QStringLiteral(":/default.css"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll()));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nThe task tree on a %d-task list, fully expanded (aims: 2x, 3x, 2x):\n", kTasks);
    reporter.printRatio("(a) set model and paint, against a plain QTreeView", QStringLiteral("BM_TreeViewShow"),
                        QStringLiteral("BM_PlainViewShow"));
    reporter.printRatio("(b) indent and outdent, against the model alone", QStringLiteral("BM_TreeViewIndent"),
                        QStringLiteral("BM_ModelIndent"));
    reporter.printRatio("(c) search and step through 1,000 hits, against a scan", QStringLiteral("BM_TreeViewSearch"),
                        QStringLiteral("BM_BareSearchScroll"));
    return 0;
}
