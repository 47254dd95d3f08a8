// Screens of the task tree: a realistic list with notes, alarms,
// priorities, done tasks and the optional columns; the search bar; the
// synchronising overlay. Then the lists page itself in the main window, in
// each layout mode, with its menus and its notice about an unreadable file.

#include "core/clock.h"
#include "dialogs/deletechildrendialog.h"
#include "dialogs/taskattachmentsdialog.h"
#include "lists/listsui.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/singlelistsynchronizer.h"
#include "lists/syncingscreen.h"
#include "lists/tabwidget.h"
#include "lists/tasklistsearchwidget.h"
#include "lists/tasktreeowner.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "screens.h"
#include "shell/mainwindow.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"
#include "shell/pdlineedit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

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

namespace {

void writeScreenLists()
{
    UserLists lists;
    std::unique_ptr<ListModel> weekend(weekendList());
    const std::unique_ptr<TaskList> weekendTasks(weekend->taskList());
    TaskList *taken = weekend->taskList()->clone();
    taken->setLocalId(1);
    lists.addList(taken);
    const QList<QPair<const char *, QStringList>> others = {
        {"Work", {"Send the quarterly report", "Book the meeting room", "Review Anna's draft"}},
        {"Groceries", {"Bread", "Apples", "Coffee beans", "Oat milk"}},
    };
    quint32 id = 2;
    for (const auto &other : others) {
        ListModel *model = lists.createList();
        model->taskList()->setName(QLatin1String(other.first));
        model->taskList()->setLocalId(id++);
        for (const QString &title : other.second)
            add(model->taskList()->rootTask(), title.toUtf8().constData());
    }
    ListModel *shared = lists.models().at(1);
    shared->addSharedUser(QStringLiteral("carol"), QStringLiteral("rw"));
    ListModel *theirs = lists.models().at(2);
    theirs->taskList()->setOwned(false);
    theirs->taskList()->setOwner(QStringLiteral("alice"));
    theirs->taskList()->setPermissions(QStringLiteral("rw"));
    QFile::remove(ListsUI::listsGroupsFilePath());
    QVERIFY(lists.save(ListsUI::listsFilePath()));
}

struct ListsWindow
{
    explicit ListsWindow(int mode)
    {
        writeScreenLists();
        QSettings().setValue(QStringLiteral("ui/lists-ui-mode"), mode);
        MainWindow::PageBuilders builders;
        builders.lists = [this](ModelsContainer *, MainWindowMode *, SplashScreen *, MainWindow *) {
            page = new ListsUI(nullptr, nullptr, nullptr);
            return static_cast<MainWindowMode *>(page);
        };
        MainWindow::setPageBuilders(builders);
        window = std::make_unique<MainWindow>(nullptr, nullptr);
        MainWindow::setPageBuilders({});
        QSettings().remove(QStringLiteral("ui/lists-ui-mode"));
    }

    ListsUI *page = nullptr;
    std::unique_ptr<MainWindow> window;
};

void shootMenu(const Screens::Shooter &shoot, QMenu *menu, const QString &name)
{
    QVERIFY(menu);
    QVERIFY(!shoot(menu, name).isNull());
    menu->hide();
}

} // namespace

PLUMDECK_SCREEN(listsPageNormal)
{
    ListsWindow w(0);
    w.window->resize(560, 460);
    QVERIFY(!shoot(w.window.get(), QStringLiteral("lists-page-normal")).isNull());
}

PLUMDECK_SCREEN(listsPageProfessional)
{
    ListsWindow w(1);
    w.window->resize(860, 520);
    QVERIFY(!shoot(w.window.get(), QStringLiteral("lists-page-professional")).isNull());
}

PLUMDECK_SCREEN(listsPageAdvanced)
{
    ListsWindow w(2);
    w.window->resize(1100, 560);
    QVERIFY(!shoot(w.window.get(), QStringLiteral("lists-page-advanced")).isNull());
}

// The search bar on the page, the cursor in its field on the second list
// (the first list's bar made too): assistive tools are to find the field and
// be told the focus is there.
PLUMDECK_SCREEN(listsPageSearch)
{
    ListsWindow w(0);
    w.window->resize(560, 460);
    w.page->showTaskSearch();
    QVERIFY(w.page->currentTreeView()->searchBar());
    w.page->tabWidget()->setCurrentIndex(1);
    PDLineEdit *field = w.page->currentTreeView()->searchBar()->lineEdit();
    QTest::keyClicks(field, QStringLiteral("the"));
    field->setFocus();
    QVERIFY(!shoot(w.window.get(), QStringLiteral("lists-page-search")).isNull());
}

// A list whose last run on its own did not synchronise it: its tab says so.
PLUMDECK_SCREEN(listsPageSyncListFailed)
{
    ListsWindow w(0);
    w.window->resize(560, 460);
    ListModel *list = w.page->userLists()->models().first();
    w.page->singleListSyncFailed(
        list, QStringLiteral("Failed to upload changes. Unexpected response 500 Internal Server Error"));
    w.page->singleListSyncEnded(list);
    QVERIFY(!w.page->tabWidget()->tabToolTip(0).isEmpty());
    QVERIFY(!shoot(w.window.get(), QStringLiteral("lists-page-sync-list-failed")).isNull());
}

// A list whose own run left it to the next full synchronisation: its tab
// says it waits, not that it failed.
PLUMDECK_SCREEN(listsPageSyncListWaits)
{
    ListsWindow w(0);
    w.window->resize(560, 460);
    ListModel *list = w.page->userLists()->models().first();
    w.page->singleListSyncWaits(list, SingleListSynchronizer::waitsForMovesText(list->name()));
    w.page->singleListSyncEnded(list);
    QVERIFY(!w.page->tabWidget()->tabToolTip(0).isEmpty());
    QVERIFY(!shoot(w.window.get(), QStringLiteral("lists-page-sync-list-waits")).isNull());
}

// A list whose own run kept a task the user had removed (changed on another
// computer since), and the tab of a copy of a list it kept beside it: each
// tab says so in its tip, and the keyboard stays where it was.
PLUMDECK_SCREEN(listsPageKeptNotice)
{
    ListsWindow w(0);
    w.window->resize(560, 460);
    ListModel *work = w.page->userLists()->models().at(1);
    ListOutcome::markKeptTasks(work, {QStringLiteral("Review Anna's draft")});
    ListModel *groceries = w.page->userLists()->models().at(2);
    ListOutcome::markKept(groceries, ListOutcome::Kept::ReadOnly);
    w.page->keptNoticesChanged();
    QTabBar *bar = w.page->tabWidget()->tabBar();
    QVERIFY(!bar->tabToolTip(1).isEmpty());
    QVERIFY(!bar->tabToolTip(2).isEmpty());
    QVERIFY(!shoot(w.window.get(), QStringLiteral("lists-page-kept-notice")).isNull());
    // Its tip, as the pointer over the tab shows it.
    QToolTip::showText(bar->mapToGlobal(bar->tabRect(1).center()), bar->tabToolTip(1), bar);
    QWidget *tip = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible())
            tip = widget;
    QVERIFY(tip);
    QVERIFY(!shoot(tip, QStringLiteral("lists-page-kept-notice-tip")).isNull());
    QToolTip::hideText();
}

PLUMDECK_SCREEN(listsPageMenus)
{
    ListsWindow w(0);
    w.window->resize(560, 460);
    w.window->show();
    ListsUI *page = w.page;
    page->currentTreeView()->setCurrentIndex(page->currentList()->index(0, 0));
    page->refreshActions();
    page->showTaskContextMenu(QPoint(40, 40));
    shootMenu(shoot, page->contextMenu(), QStringLiteral("lists-task-menu"));
    page->showTabContextMenu(QPoint(40, 40), 0);
    shootMenu(shoot, page->contextMenu(), QStringLiteral("lists-tab-menu"));
    // A list shared with the user read and write.
    page->tabWidget()->setCurrentIndex(2);
    page->showTabContextMenu(QPoint(40, 40), 2);
    shootMenu(shoot, page->contextMenu(), QStringLiteral("lists-tab-menu-shared"));
    auto *mode = page->bottomBarLeftWidget()->findChild<QToolButton *>(QStringLiteral("uiModeButton"));
    QVERIFY(mode && mode->menu());
    page->updateUIModeActions();
    mode->menu()->popup(QPoint(40, 40));
    shootMenu(shoot, mode->menu(), QStringLiteral("lists-mode-menu"));
    page->deleteContextMenu();
}

// The message at the start when one list could not be read.
PLUMDECK_SCREEN(listsUnreadListNotice)
{
    UserLists lists;
    for (const char *name : {"Groceries", "Garden"})
        lists.createList()->taskList()->setName(QLatin1String(name));
    QVERIFY(lists.save(ListsUI::listsFilePath()));
    QFile file(ListsUI::listsFilePath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const QByteArray list("<div class=\"pd-list\">");
    bytes.insert(bytes.indexOf(list, bytes.indexOf(list) + 1),
                 "<div class=\"pd-list\"><dl class=\"pd-list-fields\"><dt>sync-status</dt><dd>deleted</dd><dt>id</dt>"
                 "<dd>7</dd><dt>revision</dt><dd>0</dd><dt>name</dt><dd>Old plans</dd></dl></div>");
    file.resize(0);
    file.write(bytes);
    file.close();
    QString told;
    ListsUI::setNoticeHandler([&told](const QString &, const QString &text) { told = text; });
    {
        ListsUI page(nullptr, nullptr, nullptr);
    }
    ListsUI::setNoticeHandler({});
    QVERIFY(told.contains(QStringLiteral("\"Old plans\"")));
    MessageDialog dialog(QStringLiteral("Lists"), told, false);
    QVERIFY(!shoot(&dialog, QStringLiteral("lists-unread-list-notice")).isNull());
    const QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
    for (const QString &name : dir.entryList({QStringLiteral("lists.xhtml*")}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

PLUMDECK_SCREEN(listsUnreadableNotice)
{
    QFile file(ListsUI::listsFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><body><div class=\"pd-list\"><<< not a lists document");
    file.close();
    QString told;
    ListsUI::setNoticeHandler([&told](const QString &, const QString &text) { told = text; });
    {
        ListsUI page(nullptr, nullptr, nullptr);
    }
    ListsUI::setNoticeHandler({});
    QVERIFY(!told.isEmpty());
    MessageDialog dialog(QStringLiteral("Lists"), told, false);
    QVERIFY(!shoot(&dialog, QStringLiteral("lists-unreadable-notice")).isNull());
    const QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
    for (const QString &name : dir.entryList({QStringLiteral("lists.xhtml*")}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

// What a form's Save says when a run took its list or task away meanwhile.
PLUMDECK_SCREEN(formsNotSaved)
{
    MessageDialog name(QStringLiteral("Lists"), ListsUI::nameNotSavedText(QStringLiteral("Summer trip")), false);
    QVERIFY(!shoot(&name, QStringLiteral("lists-name-not-saved")).isNull());
    MessageDialog note(QStringLiteral("Lists"),
                       ListsUI::noteNotSavedText(QStringLiteral("Ask for the spare key.\nThe code is on the card.")),
                       false);
    QVERIFY(!shoot(&note, QStringLiteral("lists-note-not-saved")).isNull());
    MessageDialog link(QStringLiteral("Attachments"), TaskAttachmentsDialog::notSavedText(QStringLiteral("Lease")),
                       false);
    QVERIFY(!shoot(&link, QStringLiteral("attachment-not-saved")).isNull());
}

// Keys typed while a list synchronised, at a task the run then took away,
// and keys acting on rows the run changed around the task.
PLUMDECK_SCREEN(heldKeysLeftOut)
{
    MessageDialog dialog(QStringLiteral("Lists"),
                         TreeView::heldKeysLeftOutText(QStringLiteral("Home"), QStringLiteral("one two")), false);
    QVERIFY(!shoot(&dialog, QStringLiteral("held-keys-left-out")).isNull());
    MessageDialog rows(QStringLiteral("Lists"),
                       TreeView::heldKeysLeftOutText(QStringLiteral("Home"), QStringLiteral("Down Del"), true), false);
    QVERIFY(!shoot(&rows, QStringLiteral("held-keys-rows-changed")).isNull());
}
