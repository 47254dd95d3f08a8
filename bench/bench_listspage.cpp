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
#include "listsdocument.h"
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
    if (!writeListsDocument(ListsUI::listsFilePath(), kLists, kTasksPerList))
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
