// Opening the lists page on a lists document of 200 lists of 50 tasks: the
// page reads the document and the groups, builds every tab with its task tree
// and commands, and shows the first tab. Set against reading the same file
// with UserLists::load alone, in the same run.
#include "core/serversettings.h"
#include "lists/listsui.h"
#include "lists/tabwidget.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

const int kLists = 200;
const int kTasksPerList = 50;

void writeDocument()
{
    UserLists lists;
    int serial = 0;
    for (int l = 0; l < kLists; ++l) {
        ListModel *model = lists.createList();
        TaskList *list = model->taskList();
        list->setName(QStringLiteral("List %1").arg(l + 1));
        list->setLocalId(quint32(l + 1));
        Task *parent = list->rootTask();
        for (int t = 0; t < kTasksPerList; ++t) {
            auto *task = new Task;
            ++serial;
            task->setTitle(QStringLiteral("Task number %1 with a title of ordinary length").arg(serial));
            task->setDone(serial % 3 == 0);
            if (serial % 4 == 0)
                task->setNote(QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC),
                              QStringLiteral("A note of a couple of lines.\nSecond line."));
            // Every fifth task opens a group of subtasks under it.
            Task *into = (t % 5 == 1) ? parent->child(parent->childCount() - 1) : parent;
            into->insertChild(task, into->childCount());
        }
    }
    if (!lists.save(ListsUI::listsFilePath()))
        std::fprintf(stderr, "could not write %s\n", qPrintable(ListsUI::listsFilePath()));
    QFile::remove(ListsUI::listsGroupsFilePath());
}

void BM_LoadListsOnly(benchmark::State &state)
{
    const QString path = ListsUI::listsFilePath();
    for (auto _ : state) {
        std::unique_ptr<UserLists> lists(UserLists::load(path));
        benchmark::DoNotOptimize(lists.get());
        state.PauseTiming();
        lists.reset();
        state.ResumeTiming();
    }
}

void BM_OpenListsPage(benchmark::State &state)
{
    int tabs = 0;
    for (auto _ : state) {
        auto page = std::make_unique<ListsUI>(nullptr, nullptr, nullptr);
        QWidget *central = page->centralWidget();
        central->resize(600, 400);
        central->show();
        // Laid out and painted: what the user sees of the first tab.
        central->repaint();
        tabs = page->tabWidget()->count();
        state.PauseTiming();
        page.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["tabs"] = tabs;
}

BENCHMARK(BM_LoadListsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenListsPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    // A home of its own: the test-mode folders are shared by every run on the
    // machine, and another run removing or rewriting the document there would
    // leave this one timing a page of a single empty list.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + QStringLiteral("/.cache")));
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowgate"));
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    ServerSettings::instance();
    // As the program runs: in the Green skin's style sheet.
    QFile sheet(QStringLiteral(":/default.css"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    writeDocument();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nThe lists page on %d lists of %d tasks (aim: 1.5x):\n", kLists, kTasksPerList);
    reporter.printRatio("open the page, against UserLists::load alone", QStringLiteral("BM_OpenListsPage"),
                        QStringLiteral("BM_LoadListsOnly"));
    return 0;
}
