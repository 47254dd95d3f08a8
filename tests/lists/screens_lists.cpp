// Screens of the task tree: a realistic list with notes, alarms,
// priorities, done tasks and the optional columns; the search bar; the
// synchronising overlay.

#include "core/clock.h"
#include "dialogs/deletechildrendialog.h"
#include "lists/syncingscreen.h"
#include "lists/tasklistsearchwidget.h"
#include "lists/tasktreeowner.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "screens.h"
#include "shell/pdlineedit.h"

#include <QTest>

#include <memory>

namespace {

struct QuietOwner : TaskTreeOwner
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

Task *add(Task *parent, const char *title)
{
    auto *task = new Task;
    task->setTitle(QString::fromUtf8(title));
    task->setCreationTime(Clock::currentDateTimeUtc().addDays(-(parent->childCount() * 3 + 2)));
    parent->insertChild(task, parent->childCount());
    return task;
}

ListModel *weekendList()
{
    const QDateTime now = Clock::currentDateTimeUtc();
    TaskList *list = TaskList::create();
    list->setName(QStringLiteral("Weekend"));
    Task *root = list->rootTask();

    Task *plums = add(root, "Buy plums for the jam");
    plums->setPriority(TaskPriority(TaskPriority::Urgent));
    plums->setNote(now, QStringLiteral("The dark ones from the stall by the bridge"));
    add(plums, "Check the market on Saturday")->setAlarmTime(now.addDays(1));
    add(plums, "Ask about the late harvest")->setDone(true);
    add(plums, "Two kilos of sugar");

    Task *garage = add(root, "Call the garage about the brakes");
    garage->setStartTime(now.addDays(2));
    garage->setDueTime(now.addDays(3));
    garage->assign(QStringLiteral("bob"));
    add(root, "Renew the library card")->setDone(true);

    Task *garden = add(root, "Plan the vegetable garden");
    garden->setPriority(TaskPriority(TaskPriority::Reminder));
    garden->createAttachment(QStringLiteral("webHyperlink"), QStringLiteral("seeds"),
                             QStringLiteral("http://seeds.example.org/"));
    Task *seeds = add(garden, "Order seeds");
    seeds->createAttachment(QStringLiteral("videoHyperlink"), QStringLiteral("sowing"),
                            QStringLiteral("http://video.example.org/sowing"));
    seeds->assign(QStringLiteral("carol"));
    add(garden, "Build two raised beds");

    Task *tax = add(root, "File the tax return");
    tax->setAlarmTime(now.addDays(-1));
    tax->setDueTime(now.addDays(5));
    tax->setNote(now, QStringLiteral("Receipts are in the blue folder"));
    add(root, "Water the tomatoes")->setDone(true);
    return new ListModel(list);
}

struct Shown
{
    Shown()
        : model(weekendList())
    {
        view.setModel(model.get());
        view.showStartTimeColumn();
        view.showEndTimeColumn();
        view.showAssignColumn();
        view.resize(640, 420);
    }
    ~Shown()
    {
        view.setModel(nullptr);
        delete model->taskList();
    }
    QuietOwner owner;
    std::unique_ptr<ListModel> model;
    TreeView view{&owner};
};

} // namespace

PLUMDECK_SCREEN(taskTree)
{
    Shown shown;
    shown.view.setCurrentTask(shown.model->taskList()->rootTask()->child(0)->child(0));
    shown.view.setFocus();
    QVERIFY(!shoot(&shown.view, QStringLiteral("task-tree")).isNull());

    shown.view.setCurrentTask(shown.model->taskList()->rootTask()->child(1));
    QTest::keyClick(&shown.view, Qt::Key_Right);
    QVERIFY(!shoot(&shown.view, QStringLiteral("task-tree-editing")).isNull());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
}

// The selection while the focus is elsewhere (another tab, a dialog).
PLUMDECK_SCREEN(taskTreeUnfocused)
{
    Shown shown;
    shown.view.setFocusPolicy(Qt::NoFocus);
    shown.view.setCurrentTask(shown.model->taskList()->rootTask()->child(0)->child(0));
    QVERIFY(!shoot(&shown.view, QStringLiteral("task-tree-unfocused")).isNull());
}

PLUMDECK_SCREEN(taskTreeSearch)
{
    Shown shown;
    shown.view.showSearchBar();
    QTest::keyClicks(shown.view.searchBar()->lineEdit(), QStringLiteral("the"));
    QVERIFY(!shoot(&shown.view, QStringLiteral("task-tree-search")).isNull());
}

PLUMDECK_SCREEN(taskTreeSyncing)
{
    Shown shown;
    shown.view.onShowSyncingScreen();
    QVERIFY(!shoot(&shown.view, QStringLiteral("task-tree-syncing")).isNull());
}

PLUMDECK_SCREEN(removeSubtasksQuestion)
{
    DeleteChildrenDialog dialog;
    QVERIFY(!shoot(&dialog, QStringLiteral("remove-subtasks")).isNull());
}
