#ifndef SYNCBENCH_H
#define SYNCBENCH_H

// Shared by the synchronisation benchmarks: the host a run saves the lists
// through, and the program around the benchmarks (test paths, a scratch
// home, the offscreen platform).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "sync/runs/listssynchost.h"

// Writes the lists to `path` at each save a run asks for; with no path it
// only counts them.
class SyncBenchHost : public ListsSyncHost
{
public:
    explicit SyncBenchHost(UserLists *lists = nullptr, const QString &path = QString())
        : m_lists(lists)
        , m_path(path)
    {
    }
    ~SyncBenchHost() override { delete m_groups; }
    ListsGroups *listsGroups() const override { return m_groups; }
    void setListsGroups(ListsGroups *groups) override
    {
        if (groups != m_groups)
            delete m_groups;
        m_groups = groups;
    }
    QWidget *dialogParent() const override { return nullptr; }
    void singleListSyncStarted(ListModel *) override {}
    bool saveLists(SaveFailure * = nullptr) override
    {
        ++saves;
        return m_path.isEmpty() || !m_lists || m_lists->save(m_path);
    }

    int saves = 0;

private:
    UserLists *m_lists;
    QString m_path;
    ListsGroups *m_groups = new ListsGroups;
};

// Adds `listCount` new lists of `taskCount` titled tasks each.
inline void addNewLists(UserLists &lists, int listCount, int taskCount)
{
    for (int i = 0; i < listCount; ++i) {
        TaskList *list = TaskList::create();
        list->setName(QStringLiteral("List %1").arg(i));
        for (int t = 0; t < taskCount; ++t)
            list->rootTask()->createChild(t)->setTitle(QStringLiteral("Task %1 of list %2").arg(t).arg(i));
        lists.addList(list);
    }
}

// Runs the registered benchmarks inside an application of their own, then
// `report`, which prints the ratios.
template <typename Report>
int runSyncBenchmarks(int argc, char **argv, Report report)
{
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PlumDeck"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    report();
    return 0;
}

#endif
