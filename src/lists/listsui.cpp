#include "lists/listsui.h"

#include "contacts/friends.h"
#include "contacts/user.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/serversettings.h"
#include "core/uisettings.h"
#include "core/clock.h"
#include "dialogs/alarmdialog.h"
#include "dialogs/alarmsoccurreddialog.h"
#include "dialogs/attachmentvideolinklabel.h"
#include "dialogs/listgroupsmanagerdialog.h"
#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/notedialog.h"
#include "dialogs/listinfodialog.h"
#include "dialogs/listsharingusersdialog.h"
#include "dialogs/renamelistdialog.h"
#include "dialogs/taskassignmentsdialog.h"
#include "dialogs/taskattachmentsdialog.h"
#include "dialogs/taskinfodialog.h"
#include "dialogs/timemanagementdialog.h"
#include "lists/commands/listcommands.h"
#include "lists/commands/navigationcommands.h"
#include "lists/commands/sharingcommands.h"
#include "lists/commands/structurecommands.h"
#include "lists/commands/synccommands.h"
#include "lists/commands/taskcommands.h"
#include "lists/commands/viewcommands.h"
#include "lists/tabwidget.h"
#include "lists/textfieldkeyfilter.h"
#include "lists/treeview.h"
#include "model/documentfile.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/modelscontainer.h"
#include "model/notepadnotes.h"
#include "model/task.h"
#include "model/taskattachmentvideohyperlink.h"
#include "model/taskattachmentwebhyperlink.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/showsettingsaction.h"
#include "shell/mainwindow.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"
#include "shell/splashscreen.h"
#include "shell/tasklinkopener.h"
#include "shell/toolbutton.h"
#include "shell/webkitplayerdialog.h"
#include "sync/runs/listoutcome.h"
#include "sync/runs/savefailure.h"
#include "sync/runs/singlelistsyncqueue.h"

#include <QApplication>
#include <QDebug>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

constexpr int SaveInterval = 10000;

ListsUI::NoticeHandler &noticeHandler()
{
    static ListsUI::NoticeHandler handler;
    return handler;
}

// A command made for one menu goes in itself, showing its state of the moment.
void addOwnAction(QMenu *menu, Action *action)
{
    action->updateState();
    if (action->icon().isNull())
        action->setIcon(action->currentIcon());
    if (auto *ownMenu = qobject_cast<Menu *>(menu))
        ownMenu->addAction(action);
    else
        menu->addAction(action);
}

} // namespace

bool caseInsensitiveLessThan(const QString &a, const QString &b)
{
    return a.toLower() < b.toLower();
}

namespace {

// The contacts a task or list can be offered to, in the menus' order.
QStringList sortedFriendNicks(ModelsContainer *models)
{
    QStringList nicks;
    if (models && models->friends()) {
        for (User *user : models->friends()->friends())
            nicks << user->nick();
    }
    std::sort(nicks.begin(), nicks.end(), caseInsensitiveLessThan);
    return nicks;
}

// The task a modal dialog edits, followed through what changes its list while
// the dialog is open: a reset that keeps the task (a link added elsewhere, an
// import), one that replaces every task (a synchronisation: the task is found
// again by its server id), a removal (then it is gone).
class FollowedTask
{
public:
    FollowedTask(ListModel *list, Task *task)
        : m_list(list)
        , m_task(task)
    {
        // The task is alive at each of these signals' starts: every reset and
        // removal that could free it ends with a look-up.
        QObject::connect(list, &QAbstractItemModel::modelAboutToBeReset, &m_context,
                         [this] { m_id = m_task ? m_task->id() : 0; });
        QObject::connect(list, &QAbstractItemModel::modelReset, &m_context, [this] { m_task = findAgain(true); });
        QObject::connect(list, &QAbstractItemModel::rowsRemoved, &m_context, [this] { m_task = findAgain(false); });
    }
    FollowedTask(const FollowedTask &) = delete;
    FollowedTask &operator=(const FollowedTask &) = delete;

    // The task's index now; invalid once the list has lost it.
    QModelIndex index() const { return m_list && m_task ? m_list->indexOfTask(m_task) : QModelIndex(); }

private:
    // m_task is only compared here: the change may have freed it.
    Task *findAgain(bool byId) const
    {
        if (!m_list)
            return nullptr;
        const QSet<Task *> tasks = m_list->taskList()->allTasks();
        if (m_task && tasks.contains(m_task))
            return m_task;
        if (byId && m_id != 0) {
            for (Task *task : tasks) {
                if (task->id() == m_id)
                    return task;
            }
        }
        return nullptr;
    }

    QPointer<ListModel> m_list;
    Task *m_task;
    quint32 m_id = 0;
    QObject m_context;
};

} // namespace

void ListsUI::setNoticeHandler(const NoticeHandler &handler)
{
    noticeHandler() = handler;
}

ListsUI::ListsUI(ModelsContainer *modelsContainer, ChatUI *chatUI, SplashScreen *splash, QObject *parent,
                 QWidget *pageArea)
    : QObject(parent)
    , m_chatUI(chatUI)
    , m_modelsContainer(modelsContainer)
{
    // The bars show from the start exactly when new bars would.
    m_searchBarShown = UISettings::instance()->showTaskSearchBarByDefault();

    createCommands();
    m_alarmsDialog = new AlarmsOccurredDialog;

    // Built where it is shown: moving it there later would restyle every
    // widget of every tab.
    m_tabs = new TabWidget(this, pageArea);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    connect(m_tabs, &TabWidget::tabTextChanged, this, &ListsUI::onTabTextChanged);
    // A tab clicked, the current one too, is a list chosen.
    connect(m_tabs->tabBar(), &QTabBar::tabBarClicked, this, [this] {
        if (m_listInfoDialog)
            m_listInfoDialog->listChosen();
    });

    if (splash)
        splash->onSetSplashProgress(tr("Reading local lists..."), 300);

    loadLists();
    loadListsGroups();
    startSaveTimer();
    m_syncQueue = new SingleListSyncQueue(m_userLists, this, this);

    const QList<ListModel *> models = m_userLists->models();
    int step = 0;
    if (splash && !models.isEmpty())
        step = std::max(1, SplashScreen::progressBudget() / int(models.size()));
    m_tabs->setAddingMany(true);
    for (ListModel *model : models) {
        if (splash)
            splash->onSplashProgress(tr("Initializing list %1").arg(model->name()), step);
        addListTab(model);
    }
    m_tabs->setAddingMany(false);

    focusFirstTab();
    registerActions();
    for (Action *action : std::as_const(m_pageActions))
        m_tabs->addAction(action);
    new TextFieldKeyFilter(m_tabs, this);

    m_bottomBarLeft = createBottomBar();
    m_bottomBarRight = createMoveButtons();
    refreshActions();

    if (splash)
        splash->onSetSplashProgress(tr("Loading list dialogs..."), 700);

    m_uiMode = std::clamp(UISettings::instance()->listsUiMode(), int(Normal), int(Advanced));

    if (m_modelsContainer && m_modelsContainer->friends())
        connect(m_modelsContainer->friends(), &Friends::userRemoved, this, &ListsUI::onUserRemoved);
    if (ServerSettings *server = ServerSettings::instance())
        connect(server, &ServerSettings::userChanged, this, &ListsUI::onUserChanged);
}

ListsUI::~ListsUI()
{
    // The queue's runs hold the lists: they end before the lists go.
    delete m_syncQueue;
    m_syncQueue = nullptr;
    deleteContextMenu();
    // Dialogs and views point into the lists: they go first.
    onCloseWebkitPlayerDialog();
    delete m_taskInfoDialog;
    m_taskInfoDialog = nullptr;
    delete m_alarmsDialog;
    m_alarmsDialog = nullptr;
    delete m_taskAttachmentsDialog;
    m_taskAttachmentsDialog = nullptr;
    delete m_listInfoDialog;
    m_listInfoDialog = nullptr;
    delete m_taskAssignmentsDialog;
    m_taskAssignmentsDialog = nullptr;
    delete m_listSharingUsersDialog;
    m_listSharingUsersDialog = nullptr;
    delete m_listGroupsManagerDialog;
    m_listGroupsManagerDialog = nullptr;
    delete m_tabs.data();
    delete m_bottomBarLeft.data();
    delete m_bottomBarRight.data();
    m_viewLists.clear();
    delete m_userLists;
    m_userLists = nullptr;
    delete m_listsGroups;
    m_listsGroups = nullptr;
    delete m_clipboardTask;
}

void ListsUI::createCommands()
{
    m_addListAction = new AddListAction(this);
    m_removeListAction = new RemoveListAction(this);
    m_renameListAction = new RenameListAction(this);
    m_nextListAction = new NextListAction(this);
    m_expandAllTasksAction = new ExpandAllTasksAction(this);
    m_collapseAllTasksAction = new CollapseAllTasksAction(this);
    m_addTaskAction = new AddTaskAction(this);
    m_removeTaskAction = new RemoveTaskAction(this);
    m_addNoteAction = new AddNoteAction(this);
    m_setAlarmAction = new SetAlarmAction(this);
    m_indentTaskAction = new IndentTaskAction(this);
    m_outdentTaskAction = new OutdentTaskAction(this);
    m_doneTaskAction = new DoneTaskAction(this);
    m_moveTaskUpAction = new MoveTaskUpAction(this);
    m_moveTaskDownAction = new MoveTaskDownAction(this);
    m_moveTaskTopAction = new MoveTaskTopAction(this);
    m_moveTaskBottomAction = new MoveTaskBottomAction(this);
    m_showTaskInfoAction = new ShowTaskInfoAction(this);
    m_showListInfoAction = new ShowListInfoAction(this);
    m_timeManagementAction = new TimeManagementAction(this);
    m_showListGroupsManagerDialogAction = new ShowListGroupsManagerDialogAction(this);
    m_expandTaskAction = new ExpandTaskAction(this);
    m_collapseTaskAction = new CollapseTaskAction(this);
    m_indentGroupTasksAction = new IndentGroupTasksAction(this);
    m_genericIndentTaskAction = new GenericIndentTaskAction(this);
    m_syncSingleListAction = new SyncSingleListAction(this);
    m_copyTaskAction = new CopyTaskAction(this);
    m_pasteTaskAction = new PasteTaskAction(this);
    m_showStartTimeColumnAction = new ShowStartTimeColumnForCurrentAction(this);
    m_showEndTimeColumnAction = new ShowEndTimeColumnForCurrentAction(this);
    m_showElapsedTimeColumnAction = new ShowElapsedTimeColumnForCurrentAction(this);
    m_showAssignColumnAction = new ShowAssignColumnForCurrentAction(this);
    m_showShortcutsAction = new ShowShortcutsAction(this);
    m_normalModeAction = new UIModeAction(tr("Normal"), Normal, this);
    m_professionalModeAction = new UIModeAction(tr("Professional"), Professional, this);
    m_advancedModeAction = new UIModeAction(tr("Advanced"), Advanced, this);
    m_showTaskAttachmentsAction = new ShowTaskAttachmentsAction(this);
    m_hideShowSearchTaskAction = new HideShowSearchTaskAction(this);
    m_undoAction = new UndoAction(this);
    m_redoAction = new RedoAction(this);
    m_syncAction = new SyncAction(this);
}

// ---------------------------------------------------------------------------
// Look-ups and navigation

TabWidget *ListsUI::tabWidget() const
{
    return m_tabs.data();
}

QString ListsUI::listsFilePath()
{
    return userDataDir().filePath(QStringLiteral("lists.xhtml"));
}

QString ListsUI::listsGroupsFilePath()
{
    return userDataDir().filePath(QStringLiteral("listsGroups.xhtml"));
}

ListModel *ListsUI::currentList() const
{
    if (!m_tabs || !m_tabs->currentWidget())
        return nullptr;
    return m_viewLists.value(m_tabs->currentWidget(), nullptr);
}

TreeView *ListsUI::currentTreeView() const
{
    if (!m_tabs)
        return nullptr;
    return qobject_cast<TreeView *>(m_tabs->currentWidget());
}

Task *ListsUI::currentTask() const
{
    TreeView *view = currentTreeView();
    ListModel *list = currentList();
    if (!view || !list)
        return nullptr;
    return list->taskForIndex(view->currentIndex());
}

ListModel *ListsUI::listHolding(const TaskList *list) const
{
    for (ListModel *model : m_userLists ? m_userLists->models() : QList<ListModel *>())
        if (model->taskList() == list)
            return model;
    return nullptr;
}

ListModel *ListsUI::listForTabIndex(int index) const
{
    if (!m_tabs || index < 0 || index >= m_tabs->count()) {
        qWarning("ListsUI::listForTabIndex: no such tab index");
        return nullptr;
    }
    return m_viewLists.value(m_tabs->widget(index), nullptr);
}

TreeView *ListsUI::treeViewForList(ListModel *list) const
{
    for (auto it = m_viewLists.cbegin(); it != m_viewLists.cend(); ++it) {
        if (it.value() == list)
            return qobject_cast<TreeView *>(it.key());
    }
    return nullptr;
}

void ListsUI::setCurrentList(ListModel *list)
{
    TreeView *view = treeViewForList(list);
    if (!view) {
        qWarning("MainWindow::setCurrentList: list not known");
        return;
    }
    m_tabs->setCurrentWidget(view);
}

ListModel *ListsUI::listByIds(quint32 serverId, quint32 localId) const
{
    if (!m_userLists)
        return nullptr;
    for (ListModel *model : m_userLists->models()) {
        TaskList *list = model->taskList();
        if (!list || list->syncStatus() == TaskList::Deleted)
            continue;
        if (list->serverId() != 0 && list->serverId() == serverId)
            return model;
        if (list->localId() != 0 && list->localId() == localId)
            return model;
    }
    return nullptr;
}

void ListsUI::switchToNextList()
{
    const int count = m_tabs->count();
    if (count == 0)
        return;
    const int current = m_tabs->currentIndex();
    m_tabs->setCurrentIndex(current < 0 ? 0 : (current + 1) % count);
}

void ListsUI::focusFirstTab()
{
    if (m_tabs->count() > 0)
        m_tabs->widget(0)->setFocus(Qt::ActiveWindowFocusReason);
}

QString ListsUI::tabIconPath(const ListModel *list)
{
    if (list->isSynchronizing())
        return QStringLiteral(":/sync_litprog_blue2.png");
    return restingTabIconPath(list);
}

QString ListsUI::restingTabIconPath(const ListModel *list)
{
    if (list->isOwned())
        return list->sharedUserCount() > 0 ? QStringLiteral(":/listshare_shared.png") : QString();
    if (list->hasDeletePermission())
        return QStringLiteral(":/listshare_total.png");
    if (list->hasWritePermission())
        return QStringLiteral(":/share_edit.png");
    return QStringLiteral(":/share_lock.png");
}

// A failed run of the list alone shows on its tab, the reason in its tip,
// until the list's next run; so does one that waits for the full run. What
// a run kept and left untold (a task the user removed, a copy of the list)
// shows there until the user sees the tip, or the full run's window tells
// it once closed; once seen, until the list's next run.
QString ListsUI::tabToolTip(ListModel *list) const
{
    if (list->isSynchronizing())
        return QString();
    QStringList parts{m_singleSyncFailures.value(list), m_keptSeen.value(list), ListOutcome::untoldText(list)};
    parts.removeAll(QString());
    return parts.join(QStringLiteral("\n\n"));
}

void ListsUI::setTabIcon(ListModel *list, const QString &path)
{
    TreeView *view = treeViewForList(list);
    if (!view)
        return;
    const int index = m_tabs->indexOf(view);
    const QString tip = tabToolTip(list);
    const bool failed = !list->isSynchronizing() && m_singleSyncFailures.contains(list)
                        && !m_singleSyncWaiting.contains(list);
    if (!tip.isEmpty())
        m_tabs->setTabIcon(index, QApplication::style()->standardIcon(failed ? QStyle::SP_MessageBoxWarning
                                                                             : QStyle::SP_MessageBoxInformation));
    else
        m_tabs->setTabIcon(index, path.isEmpty() ? QIcon() : QIcon(path));
    m_tabs->setTabToolTip(index, tip);
}

void ListsUI::keptNoticeSeen(ListModel *list)
{
    const QString untold = ListOutcome::untoldText(list);
    if (untold.isEmpty())
        return;
    QString &seen = m_keptSeen[list];
    seen = seen.isEmpty() ? untold : seen + QStringLiteral("\n\n") + untold;
    // Its tip stays as it was: the user may still be reading it.
    ListOutcome::forgetKept(list);
}

void ListsUI::keptNoticesChanged()
{
    for (int index = 0; m_tabs && index < m_tabs->count(); ++index) {
        ListModel *list = m_viewLists.value(m_tabs->widget(index), nullptr);
        if (list && m_tabs->tabToolTip(index) != tabToolTip(list))
            setTabIcon(list, tabIconPath(list));
    }
}

TreeView *ListsUI::addListTab(ListModel *list)
{
    // Made inside the tabs' page stack: adding it as a tab then moves no
    // widget between parents, which would restyle and lay out every tree.
    auto *view = new TreeView(this, m_tabs->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly));
    view->setObjectName(QStringLiteral("treeview"));
    view->setModel(list);

    if (list->showStartTimeColumn())
        view->showStartTimeColumn();
    else
        view->hideStartTimeColumn();
    if (list->showEndTimeColumn())
        view->showEndTimeColumn();
    else
        view->hideEndTimeColumn();
    if (list->showElapsedTimeColumn())
        view->showElapsedColumn();
    else
        view->hideElapsedColumn();
    if (list->showAssignmentColumn())
        view->showAssignColumn();
    else
        view->hideAssignColumn();
    // A tab added later follows the page's search-bar state.
    if (m_searchBarShown)
        view->showSearchBar();
    else
        view->hideSearchBar();

    connect(view, &TreeView::treeViewCurrentIndexChanged, this, &ListsUI::onTreeViewCurrentIndexChanged);
    connect(list, &ListModel::nameChanged, this, &ListsUI::onListNameChanged, Qt::UniqueConnection);
    connect(list, &ListModel::shareListChanged, this, &ListsUI::onShareListChanged, Qt::UniqueConnection);
    connect(list, &ListModel::ownerPermissionsChanged, this, &ListsUI::onOwnerPermissionsChanged,
            Qt::UniqueConnection);
    connect(list, &ListModel::dataChanged, this, &ListsUI::onTaskDataChanged, Qt::UniqueConnection);
    connect(list, &ListModel::modelReset, this, &ListsUI::onModelReset, Qt::UniqueConnection);
    connect(list, &ListModel::rowsRemoved, this, &ListsUI::onModelReset, Qt::UniqueConnection);

    const bool first = m_tabs->count() == 0;
    m_viewLists.insert(view, list);
    const QString icon = tabIconPath(list);
    if (icon.isEmpty())
        m_tabs->addTab(view, Menu::entryText(list->name()));
    else
        m_tabs->addTab(view, QIcon(icon), Menu::entryText(list->name()));
    // What a run kept, left untold when the program last closed.
    if (!ListOutcome::untoldText(list).isEmpty())
        setTabIcon(list, icon);
    if (first)
        view->setFocus();
    return view;
}

// ---------------------------------------------------------------------------
// State and small commands

void ListsUI::setSyncing(bool syncing)
{
    m_fullSyncRunning = syncing;
    if (syncing && (!m_singleSyncFailures.isEmpty() || !m_keptSeen.isEmpty())) {
        // The full run takes every list in hand; it tells its own outcome.
        const QList<ListModel *> told = m_singleSyncFailures.keys() + m_keptSeen.keys();
        m_singleSyncFailures.clear();
        m_singleSyncWaiting.clear();
        m_keptSeen.clear();
        for (ListModel *list : told)
            setTabIcon(list, tabIconPath(list));
    }
    // Keys a list's run held when this run took over go in now, once the
    // commands are back.
    if (!syncing) {
        const QList<QWidget *> views = m_viewLists.keys();
        for (QWidget *widget : views) {
            if (auto *view = qobject_cast<TreeView *>(widget); view && view->hasHeldKeys())
                QTimer::singleShot(0, view, &TreeView::applyHeldKeys);
        }
    }
    onListSyncStateChanged();
}

void ListsUI::triggerSync()
{
    m_syncAction->trigger();
}

QWidget *ListsUI::dialogParent() const
{
    return mainWindow();
}

void ListsUI::commitOpenEditor()
{
    if (TreeView *view = currentTreeView())
        view->closeCurrentEditor();
}

void ListsUI::showPreferences()
{
    MainWindow *window = mainWindow();
    if (!window || !window->settingsAction()) {
        qWarning("ListsUI::showPreferences: no main window");
        return;
    }
    window->settingsAction()->trigger();
}

void ListsUI::showShortcuts()
{
    emit showKeysDialogSignal();
}

void ListsUI::hideTaskSearch()
{
    if (!m_searchBarShown)
        return;
    m_searchBarShown = false;
    m_tabs->hideSearchBars();
}

void ListsUI::showTaskSearch()
{
    if (m_searchBarShown)
        return;
    m_searchBarShown = true;
    m_tabs->showSearchBars();
}

void ListsUI::copyTask(Task *task)
{
    if (!task)
        return;
    delete m_clipboardTask;
    m_clipboardTask = task->copy();
    qDebug("Task copied");
}

Task *ListsUI::copiedTask() const
{
    return m_clipboardTask ? m_clipboardTask->copy() : nullptr;
}

void ListsUI::toggleStartTimeColumn()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view)
        return;
    list->setShowStartTimeColumn(!list->showStartTimeColumn());
    list->showStartTimeColumn() ? view->showStartTimeColumn() : view->hideStartTimeColumn();
}

void ListsUI::toggleEndTimeColumn()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view)
        return;
    list->setShowEndTimeColumn(!list->showEndTimeColumn());
    list->showEndTimeColumn() ? view->showEndTimeColumn() : view->hideEndTimeColumn();
}

void ListsUI::toggleElapsedTimeColumn()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view)
        return;
    list->setShowElapsedTimeColumn(!list->showElapsedTimeColumn());
    list->showElapsedTimeColumn() ? view->showElapsedColumn() : view->hideElapsedColumn();
}

void ListsUI::toggleAssignColumn()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view)
        return;
    list->setShowAssignmentColumn(!list->showAssignmentColumn());
    list->showAssignmentColumn() ? view->showAssignColumn() : view->hideAssignColumn();
}

void ListsUI::addListToGroupsManagerDialog(ListModel *list)
{
    if (m_listGroupsManagerDialog && list)
        m_listGroupsManagerDialog->addListIntoDefaultGroupOnlyView(list->taskList());
}

// ---------------------------------------------------------------------------
// MainWindowMode

QWidget *ListsUI::centralWidget()
{
    return m_tabs.data();
}

// Switched to, the page takes the keys: the current list's tree has them.
void ListsUI::activated()
{
    if (TreeView *view = currentTreeView())
        view->setFocus(Qt::OtherFocusReason);
}

QWidget *ListsUI::bottomBarLeftWidget()
{
    return m_bottomBarLeft.data();
}

QWidget *ListsUI::bottomBarRightWidget()
{
    return m_bottomBarRight.data();
}

QList<QAction *> ListsUI::shortcutActions()
{
    QList<QAction *> actions;
    for (Action *action : std::as_const(m_pageActions))
        actions << action;
    return actions;
}

QAction *ListsUI::syncAction()
{
    return m_syncAction;
}

QAction *ListsUI::doneTaskAction()
{
    return m_doneTaskAction;
}

// ---------------------------------------------------------------------------
// Local documents

bool ListsUI::writesDocuments() const
{
    return Options::nosave.value();
}

void ListsUI::tellUser(const QString &text)
{
    const QString title = tr("Lists");
    if (noticeHandler()) {
        noticeHandler()(title, text);
        return;
    }
    // Over the main window, known by the time it shows.
    MessageDialog::tellLater(this, title, text, [this]() -> QWidget * { return mainWindow(); });
}

void ListsUI::loadLists()
{
    UserLists *lists = nullptr;
    if (Options::noload.value()) {
        const QString path = listsFilePath();
        DocumentFile::removeSaveLeftovers(path);
        if (QFileInfo::exists(path)) {
            QString error;
            QString keptAside;
            UnreadRecords unread;
            lists = UserLists::load(path, &error, &keptAside, &unread);
            // What was just read needs no writing back; lists read without
            // those left out do, at the next save.
            if (lists && unread.isEmpty())
                lists->clearModified();
            if (lists && !unread.isEmpty())
                tellUnreadLists(unread, keptAside, path);
            if (!lists) {
                // The reader's own reason is in the log.
                qWarning().noquote() << "ListsUI::loadLists:" << error;
                if (!keptAside.isEmpty())
                    tellUser(tr("Your lists file could not be read, so you start with new lists. "
                                "The old file was kept as \"%1\".")
                                 .arg(QDir::toNativeSeparators(keptAside)));
                else
                    tellUser(tr("Your lists file \"%1\" could not be read, so you start with new lists. "
                                "The old file stays as it is: your new lists will not be saved over it.")
                                 .arg(QDir::toNativeSeparators(path)));
            }
        }
        if (!lists)
            lists = UserLists::create();
        lists->ensureNotEmpty();
    } else {
        lists = UserLists::create();
    }
    attachUserLists(lists);
    assignLocalIds();
}

void ListsUI::tellUnreadLists(const UnreadRecords &unread, const QString &keptAside, const QString &path)
{
    const QString items = MessageDialog::unreadItems(unread, [](const UnreadRecord &record) {
        return record.serverId != 0 ? tr("the list with server id %1").arg(record.serverId)
                                    : tr("list %1 in the file").arg(record.position);
    });
    QString text = unread.size() == 1
        ? tr("One of your lists could not be read and was left out: %1.").arg(items)
        : tr("%n of your lists could not be read and were left out: %1.", nullptr, int(unread.size())).arg(items);
    text += QLatin1Char(' ') + tr("Your other lists were loaded.") + QLatin1Char(' ');
    if (!keptAside.isEmpty())
        text += tr("The lists file as it was is kept as \"%1\".").arg(QDir::toNativeSeparators(keptAside));
    else
        text += tr("The lists file \"%1\" stays as it is: your changes will not be saved over it.")
                    .arg(QDir::toNativeSeparators(path));
    tellUser(text);
}

void ListsUI::attachUserLists(UserLists *lists)
{
    m_userLists = lists;
    connect(lists, &UserLists::listAdded, this, &ListsUI::onListAdded);
    connect(lists, &UserLists::listRemoved, this, &ListsUI::onListRemoved);
    connect(lists, &UserLists::displayOrderChanged, this, &ListsUI::onDisplayOrderChanged);
    connect(lists, &UserLists::alarmsOccurred, this, &ListsUI::onAlarmsOccurred);
}

void ListsUI::loadListsGroups()
{
    ListsGroups *groups = nullptr;
    if (Options::noload.value()) {
        const QString path = listsGroupsFilePath();
        DocumentFile::removeSaveLeftovers(path);
        if (QFileInfo::exists(path)) {
            groups = ListsGroups::load(path);
            if (!groups) {
                const QString keptAside = DocumentFile::lastKeptAside(path);
                if (!keptAside.isEmpty())
                    tellUser(tr("Your list groups file could not be read, so every list is now in the "
                                "default group. The old file was kept as \"%1\".")
                                 .arg(QDir::toNativeSeparators(keptAside)));
            }
        }
    }
    if (!groups)
        groups = ListsGroups::create();
    setListsGroups(groups);
    m_listsGroups->removeMissingLists(m_userLists->taskLists());
    for (TaskList *list : m_userLists->taskLists()) {
        if (list->syncStatus() != TaskList::Deleted && !m_listsGroups->containsList(list))
            m_listsGroups->addListToDefaultGroup(list);
    }
}

void ListsUI::startSaveTimer()
{
    if (m_saveTimer)
        return;
    m_saveTimer = new QTimer(this);
    m_saveTimer->setInterval(SaveInterval);
    connect(m_saveTimer, &QTimer::timeout, this, &ListsUI::onSaveTimeout);
    m_saveTimer->start();
}

void ListsUI::onSaveTimeout()
{
    saveLists();
    saveListsGroups();
}

bool ListsUI::saveLists(SaveFailure *failure)
{
    if (!writesDocuments() || !m_userLists || !m_userLists->isModified())
        return true;
    QString error;
    if (m_userLists->save(listsFilePath(), &error)) {
        m_toldListsSaveFailed = false;
        return true;
    }
    qWarning().noquote() << "ListsUI::saveLists: could not save" << listsFilePath() << error;
    if (failure) {
        *failure = SaveFailure(SaveFailure::Lists, listsFilePath(), error);
    } else if (!m_toldListsSaveFailed) {
        m_toldListsSaveFailed = true;
        tellUser(tr("Your lists could not be saved to \"%1\". Your changes are kept, and saving is "
                    "tried again every 10 seconds.")
                     .arg(QDir::toNativeSeparators(listsFilePath())));
    }
    return false;
}

bool ListsUI::saveListsGroups(SaveFailure *failure)
{
    // The groups go with the lists: a held lists file holds them too.
    if (!writesDocuments() || !m_listsGroups || !m_listsGroups->isModified()
        || (m_userLists && m_userLists->savesHeld()))
        return true;
    QString error;
    if (m_listsGroups->save(listsGroupsFilePath(), &error)) {
        m_toldGroupsSaveFailed = false;
        return true;
    }
    qWarning().noquote() << "ListsUI::saveListsGroups: could not save" << listsGroupsFilePath();
    if (failure) {
        *failure = SaveFailure(SaveFailure::ListsGroups, listsGroupsFilePath(), error);
    } else if (!m_toldGroupsSaveFailed) {
        m_toldGroupsSaveFailed = true;
        tellUser(tr("Your list groups could not be saved to \"%1\". Your changes are kept, and saving is "
                    "tried again every 10 seconds.")
                     .arg(QDir::toNativeSeparators(listsGroupsFilePath())));
    }
    return false;
}

void ListsUI::setUserLists(UserLists *lists)
{
    closeHiddenDialogs();
    // The sharing dialog shows a list of the old set.
    onCloseListsSharingUsersDialog();
    // The queue's runs work on the old set: they end with it.
    delete m_syncQueue;
    m_syncQueue = nullptr;
    if (m_userLists) {
        m_userLists->removeAllLists();
        m_userLists->disconnect(this);
        delete m_userLists;
        m_userLists = nullptr;
    }
    attachUserLists(lists);
    m_syncQueue = new SingleListSyncQueue(m_userLists, this, this);
    assignLocalIds();
    m_tabs->setAddingMany(true);
    for (ListModel *model : lists->models())
        addListTab(model);
    m_tabs->setAddingMany(false);
    focusFirstTab();
    if (m_listGroupsManagerDialog)
        m_listGroupsManagerDialog->setUserLists(lists);
    rehandCurrentToDialogs();
    refreshActions();
}

// Groups fetched from the server name their lists by server id only; the
// page finds lists by local id, so each entry gets its list's local id. The
// server ids stay: the next upload of the groups needs them.
void ListsUI::setListsGroups(ListsGroups *groups)
{
    if (groups == m_listsGroups)
        return;
    // The manager's rows point into the old groups: they go once it has
    // rebuilt its rows.
    const std::unique_ptr<ListsGroups> old(m_listsGroups);
    m_listsGroups = groups;
    if (groups && m_userLists) {
        std::function<void(ListsGroupsElementGroup *)> localize = [&](ListsGroupsElementGroup *group) {
            for (ListsGroupsElementList *entry : group->lists()) {
                if (entry->serverId() == 0)
                    continue;
                if (const TaskList *list = m_userLists->taskListByServerId(entry->serverId()))
                    entry->setLocalId(list->localId());
            }
            for (ListsGroupsElementGroup *child : group->groups())
                localize(child);
        };
        localize(groups->rootGroup());
        // As at start: a list the groups do not name sits in the default
        // group, or the groups manager would not show it.
        for (TaskList *list : m_userLists->taskLists()) {
            if (list->syncStatus() != TaskList::Deleted && !groups->containsList(list))
                groups->addListToDefaultGroup(list);
        }
    }
    if (m_listGroupsManagerDialog) {
        m_listGroupsManagerDialog->setListsGroups(groups);
        m_listGroupsManagerDialog->reload();
    }
}

void ListsUI::resetListsGroups()
{
    // As in setListsGroups: the old groups outlive the manager's rows.
    const std::unique_ptr<ListsGroups> old(m_listsGroups);
    m_listsGroups = nullptr;
    resetAssignedLocalIds();
    m_listsGroups = new ListsGroups(this);
    if (m_listGroupsManagerDialog) {
        m_listGroupsManagerDialog->setListsGroups(m_listsGroups);
        m_listGroupsManagerDialog->reload();
    }
}

void ListsUI::resetAssignedLocalIds()
{
    m_usedLocalIds.clear();
    if (!m_userLists)
        return;
    // A list without an id yet (the first list of a new set, one read from
    // a document written without ids) is given one by assignLocalIds.
    for (TaskList *list : m_userLists->taskLists()) {
        if (list->localId() != 0)
            m_usedLocalIds.insert(list->localId());
    }
}

quint32 ListsUI::lowestFreeLocalId()
{
    quint32 id = 1;
    while (m_usedLocalIds.contains(id))
        ++id;
    m_usedLocalIds.insert(id);
    return id;
}

void ListsUI::assignLocalIds()
{
    resetAssignedLocalIds();
    for (ListModel *model : m_userLists->models()) {
        if (model->taskList()->localId() != 0)
            continue;
        model->taskList()->setLocalId(lowestFreeLocalId());
        // The groups refer to lists by this id: it must reach the document.
        model->setChanged();
    }
}

void ListsUI::onListAdded(ListModel *list)
{
    TaskList *taskList = list->taskList();
    if (taskList->localId() == 0)
        taskList->setLocalId(lowestFreeLocalId());
    if (m_listsGroups && !m_listsGroups->containsList(taskList)) {
        m_listsGroups->addListToDefaultGroup(taskList);
        // An open list manager shows it too, as it drops a list removed.
        if (m_listGroupsManagerDialog)
            m_listGroupsManagerDialog->addListIntoDefaultGroupOnlyView(taskList);
    }
    addListTab(list);
    refreshActions();
}

void ListsUI::onListRemoved(ListModel *list)
{
    // Before the tab goes: typing for the list or a task of it stays on show.
    const bool taskTypingKept = m_taskInfoDialog && m_taskInfoDialog->listRemoved(list);
    const bool listTypingKept = m_listInfoDialog && m_listInfoDialog->listRemoved(list);
    m_singleSyncFailures.remove(list);
    m_singleSyncWaiting.remove(list);
    m_keptSeen.remove(list);
    TreeView *view = treeViewForList(list);
    if (!view) {
        qWarning("ListsUI::onListRemoved: unknown list");
    } else {
        m_viewLists.remove(view);
        m_tabs->removeTab(m_tabs->indexOf(view));
        view->setModel(nullptr);
        view->deleteLater();
    }
    disconnect(list, nullptr, this, nullptr);
    TaskList *taskList = list->taskList();
    if (m_listGroupsManagerDialog && taskList)
        m_listGroupsManagerDialog->removeListElement(taskList->localId(), taskList->serverId());
    if (m_listsGroups && taskList)
        m_listsGroups->removeList(taskList);
    // As when a run takes a task out of its list, no other task takes its
    // place: the user's next choice of one is a choice.
    if (taskTypingKept || listTypingKept) {
        if (TreeView *next = currentTreeView())
            next->clearCurrentGuarded();
    }
    rehandCurrentToDialogs();
    refreshActions();
}

void ListsUI::onDisplayOrderChanged()
{
    ListModel *current = currentList();
    const QList<ListModel *> models = m_userLists->models();
    for (int i = 0; i < models.size() && i < m_tabs->count(); ++i) {
        ListModel *model = models.at(i);
        if (m_viewLists.value(m_tabs->widget(i)) == model)
            continue;
        // Moved, not taken out and put back: the current tab stays current
        // throughout, so no list is taken for one the user left.
        const int from = m_tabs->indexOf(treeViewForList(model));
        if (from >= 0)
            m_tabs->tabBar()->moveTab(from, i);
    }
    if (current)
        setCurrentList(current);
}

void ListsUI::onListNameChanged(ListModel *list)
{
    TreeView *view = treeViewForList(list);
    if (!view) {
        qWarning("MainWindow::onListNameChanged: list not known");
        return;
    }
    m_tabs->setTabText(m_tabs->indexOf(view), Menu::entryText(list->name()));
    // Said when a run, undo or redo put another copy of the list in place:
    // List info and the list manager's row show that copy's name.
    if (list == currentList())
        updateListInfoDialog();
    if (m_listGroupsManagerDialog)
        m_listGroupsManagerDialog->updateListElement(list);
}

void ListsUI::onTabTextChanged(int index, const QString &text)
{
    auto *view = qobject_cast<TreeView *>(m_tabs->widget(index));
    if (!view)
        return;
    view->setListName(text);
    ListModel *list = m_viewLists.value(view);
    // Its tip names it.
    if (list && m_tabs->tabToolTip(index) != tabToolTip(list))
        setTabIcon(list, tabIconPath(list));
    if (m_listGroupsManagerDialog && list)
        m_listGroupsManagerDialog->updateListElement(list);
    updateListInfoDialog();
}

void ListsUI::setListNameExternally(ListModel *list, const QString &name)
{
    TreeView *view = treeViewForList(list);
    if (!view) {
        qWarning("MainWindow::setListNameExternally: list not known");
        return;
    }
    if (!acceptsEdits(list)) {
        // The row shows the list's name again.
        if (m_listGroupsManagerDialog)
            m_listGroupsManagerDialog->updateListElement(list);
        return;
    }
    if (name != list->name())
        m_tabs->renameTab(m_tabs->indexOf(view), name);
}

QString ListsUI::nameNotSavedText(const QString &name)
{
    return tr("The list was taken away by a synchronisation (removed on another computer, or no longer shared "
              "with you) while you were renaming it, so its new name was not saved:\n%1")
        .arg(name);
}

QString ListsUI::noteNotSavedText(const QString &note)
{
    return tr("The task was taken away by a synchronisation (removed on another computer, or its list no longer "
              "shared with you) while you were writing its note, so the note was not saved:\n%1")
        .arg(note);
}

void ListsUI::changeListNameExternally(ListModel *list, QWidget *parent)
{
    if (!treeViewForList(list)) {
        qWarning("MainWindow::changeListNameExternally: list not known");
        return;
    }
    const QPointer<ListModel> alive(list);
    RenameListDialog dialog(list->name(), parent);
    holdValueButtonsDuringRuns(&dialog, list);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString text = dialog.newName();
    // A run took the list away while the dialog was open: said, not dropped.
    if (!alive) {
        if (!text.isEmpty())
            tellUser(nameNotSavedText(text));
        return;
    }
    if (!acceptsEdits(list))
        return;
    TreeView *view = treeViewForList(list);
    if (view && !text.isEmpty() && text != list->name())
        m_tabs->renameTab(m_tabs->indexOf(view), text);
}

void ListsUI::editListName(ListModel *list)
{
    TreeView *view = treeViewForList(list);
    if (!view) {
        qWarning("MainWindow::editListName: list not known");
        return;
    }
    m_tabs->editTabName(m_tabs->indexOf(view));
}

void ListsUI::onShareListChanged(ListModel *list)
{
    if (!treeViewForList(list)) {
        qWarning("MainWindow::onListSharingChanged: list not known");
        return;
    }
    // The whole rule: a list shared with the user keeps its permission icon.
    setTabIcon(list, tabIconPath(list));
    if (list == currentList()) {
        updateListInfoDialog();
        updateListSharingUsersDialog();
    }
    if (m_listGroupsManagerDialog)
        m_listGroupsManagerDialog->updateListElement(list);
}

void ListsUI::onOwnerPermissionsChanged(ListModel *list)
{
    if (list->isOwned())
        return;
    setTabIcon(list, tabIconPath(list));
    if (list == currentList()) {
        updateListInfoDialog();
        updateListSharingUsersDialog();
    }
}

void ListsUI::onTaskDataChanged(const QModelIndex &, const QModelIndex &)
{
    updateTaskInfoDialog();
    updateListInfoDialog();
}

void ListsUI::onUserChanged()
{
    if (m_listsGroups)
        m_listsGroups->localizeLists(m_userLists);
    if (m_userLists)
        m_userLists->localizeLists();
    if (NotepadNotes *notes = NotepadNotes::instance()) {
        notes->dropDeletedNotes();
        notes->resetAllNotesToNew();
    }
}

void ListsUI::onUserRemoved(const QString &userName)
{
    if (!m_userLists)
        return;
    for (ListModel *list : m_userLists->models()) {
        if (list->isOwned() && list->hasSharedUser(userName))
            list->removeSharedUser(userName);
    }
}

void ListsUI::updateListInfoDialog()
{
    if (m_listInfoDialog)
        m_listInfoDialog->updateInfo();
}

void ListsUI::updateListSharingUsersDialog()
{
    if (!m_listSharingUsersDialog)
        return;
    // A null list (no tab open) leaves the dialog on the list it showed.
    if (ListModel *list = currentList())
        m_listSharingUsersDialog->selectedListChanged(list);
}

void ListsUI::onTreeViewCurrentIndexChanged(TreeView *view)
{
    refreshActions();
    if (m_listInfoDialog && view && view == currentTreeView() && view->currentIndex().isValid())
        m_listInfoDialog->listChosen();
    rehandCurrentToDialogs();
}

void ListsUI::onModelReset()
{
    // Undo, redo and replacing a list free its tasks: nothing may keep one.
    if (sender() == currentList())
        rehandCurrentToDialogs();
    refreshActions();
}

// The task the dialogs and panels show and edit: the current row's, never
// the list's invisible root (which the lists document does not hold).
Task *ListsUI::taskForDialogs() const
{
    TreeView *view = currentTreeView();
    return view && view->currentIndex().isValid() ? currentTask() : nullptr;
}

void ListsUI::rehandCurrentToDialogs()
{
    Task *task = taskForDialogs();
    ListModel *list = currentList();
    if (m_taskAttachmentsDialog)
        m_taskAttachmentsDialog->selectedTaskChanged(task, list);
    if (m_taskInfoDialog)
        m_taskInfoDialog->selectedTaskChanged(task, list);
    updateTaskAssignmentsDialog();
}

// ---------------------------------------------------------------------------
// Single-list synchronisation

void ListsUI::syncSingleList(ListModel *list)
{
    m_syncQueue->syncSingleList(list);
}

void ListsUI::syncSingleListManually(ListModel *list)
{
    m_syncQueue->syncSingleListManually(list);
}

void ListsUI::autosyncList(ListModel *list)
{
    m_syncQueue->autosyncList(list);
}

void ListsUI::dequeueSingleListSync(ListModel *list)
{
    m_syncQueue->dequeueSingleListSync(list);
}

void ListsUI::cancelSingleListSyncs()
{
    m_syncQueue->cancelSingleListSyncs();
}

void ListsUI::onCancelSingleListSync(ListModel *list)
{
    m_syncQueue->cancelSingleListSync(list);
}

void ListsUI::singleListSyncStarted(ListModel *list)
{
    if (!list)
        return;
    m_singleSyncFailures.remove(list);
    m_singleSyncWaiting.remove(list);
    // What its tab told that the user saw; what was not seen stays until it
    // is, or the full run tells it.
    m_keptSeen.remove(list);
    setTabIcon(list, QStringLiteral(":/sync_litprog_blue2.png"));
    if (TreeView *view = treeViewForList(list))
        view->onShowSyncingScreen();
    onListSyncStateChanged();
}

void ListsUI::singleListSyncFailed(ListModel *list, const QString &message)
{
    if (list)
        m_singleSyncFailures.insert(list, tr("The last synchronisation of this list failed: %1").arg(message));
}

// Not a failure: the message says what it waits for.
void ListsUI::singleListSyncWaits(ListModel *list, const QString &message)
{
    if (!list)
        return;
    m_singleSyncFailures.insert(list, message);
    m_singleSyncWaiting.insert(list);
}

// The list's flags are cleared only after this: its icon is the resting one.
void ListsUI::singleListSyncEnded(ListModel *list)
{
    if (!list)
        return;
    setTabIcon(list, restingTabIconPath(list));
    // It may have kept a copy of the list beside it.
    keptNoticesChanged();
    TreeView *view = treeViewForList(list);
    if (view)
        view->onHideSyncingScreen();
    QTimer::singleShot(0, this, &ListsUI::onListSyncStateChanged);
    // Once the run has let go of the list and the commands are back: a key
    // held meanwhile may be one of their shortcuts.
    if (view && view->hasHeldKeys())
        QTimer::singleShot(0, view, &TreeView::applyHeldKeys);
}

// A run replaces its list with the server's copy: an edit made meanwhile in
// an open panel or dialog would be dropped, so their editing waits for it.
// The commands read the same state: a run's resets refresh them while they
// are held, and nothing else would once the run has let go.
void ListsUI::onListSyncStateChanged()
{
    refreshActions();
    updateTaskInfoDialog();
    if (m_taskAttachmentsDialog && m_taskAttachmentsDialog->task())
        m_taskAttachmentsDialog->updateInfo();
    updateTaskAssignmentsDialog();
    // Whatever the run brought (a new revision, a name given elsewhere) is
    // shown as its editing comes back.
    updateListInfoDialog();
    updateListSharingUsersDialog();
    emit listSyncStateChanged();
}

bool ListsUI::acceptsEdits(const ListModel *list) const
{
    return list && list->hasWritePermission() && !list->isSynchronizing() && !isSyncing();
}

// The Save and Delete of a dialog open on a task of the list wait for its run.
void ListsUI::holdValueButtonsDuringRuns(QDialog *dialog, ListModel *list)
{
    const QPointer<ListModel> alive(list);
    auto follow = [this, dialog, alive] {
        const bool held = alive && (alive->isSynchronizing() || isSyncing());
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            if (button->objectName() == QLatin1String("okbutton")
                || button->objectName() == QLatin1String("deleteButton"))
                button->setEnabled(!held);
        }
    };
    follow();
    connect(this, &ListsUI::listSyncStateChanged, dialog, follow);
    // A run that takes the list away ends without its own word: Save then
    // says what could not be saved.
    if (list)
        connect(list, &QObject::destroyed, dialog, follow, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Menus and bottom bar

void ListsUI::createPriorityActions()
{
    m_urgentPriorityAction = new SetTaskPriorityAction(tr("Urgent"), TaskPriority(TaskPriority::Urgent), this);
    m_reminderPriorityAction = new SetTaskPriorityAction(tr("Reminder"), TaskPriority(TaskPriority::Reminder), this);
    m_nonePriorityAction = new SetTaskPriorityAction(tr("None"), TaskPriority(TaskPriority::None), this);
    registerAction(m_urgentPriorityAction);
    registerAction(m_reminderPriorityAction);
    registerAction(m_nonePriorityAction);
}

void ListsUI::registerAction(Action *action)
{
    if (action && !m_pageActions.contains(action))
        m_pageActions.append(action);
}

void ListsUI::registerActions()
{
    createPriorityActions();
    const QList<Action *> actions = {
        m_addListAction,        m_removeListAction,   m_renameListAction,
        m_nextListAction,       m_addTaskAction,      m_removeTaskAction,
        m_setAlarmAction,       m_addNoteAction,      m_genericIndentTaskAction,
        m_outdentTaskAction,    m_doneTaskAction,     m_moveTaskUpAction,
        m_moveTaskDownAction,   m_showTaskInfoAction, m_showListInfoAction,
        m_showListGroupsManagerDialogAction,          m_undoAction,
        m_redoAction,           m_syncAction,         m_hideShowSearchTaskAction,
        m_copyTaskAction,       m_pasteTaskAction,
    };
    for (Action *action : actions)
        registerAction(action);
}

QList<SetTaskPriorityAction *> ListsUI::priorityActions() const
{
    return {m_urgentPriorityAction, m_reminderPriorityAction, m_nonePriorityAction};
}

void ListsUI::refreshActions()
{
    for (Action *action : std::as_const(m_pageActions))
        action->updateState();
}

Menu *ListsUI::contextMenu() const
{
    return m_contextMenu.data();
}

void ListsUI::addActionToMenu(QMenu *menu, Action *action)
{
    auto *entry = new QAction(action->currentIcon(), action->text(), menu);
    // The command decides again when chosen: its own enabled state may be
    // older than the menu.
    connect(entry, &QAction::triggered, action, [action] {
        action->updateState();
        action->trigger();
    });
    if (action->isCheckable()) {
        entry->setCheckable(true);
        entry->setChecked(action->isChecked());
    }
    if (!action->shouldBeEnabled())
        entry->setEnabled(false);
    if (auto *ownMenu = qobject_cast<Menu *>(menu))
        ownMenu->addAction(entry);
    else
        menu->addAction(entry);
}

void ListsUI::deleteContextMenu()
{
    delete m_contextMenu.data();
    m_contextMenu = nullptr;
}

void ListsUI::showTaskContextMenu(const QPoint &globalPos)
{
    ListModel *list = currentList();
    if ((list && list->isSynchronizing()) || isSyncing())
        return;
    deleteContextMenu();
    // A parent window and a name let assistive tools place and announce it.
    m_contextMenu = new Menu(m_tabs);
    m_contextMenu->setObjectName(QStringLiteral("taskContextMenu"));
    m_contextMenu->setAccessibleName(tr("Task"));
    fillTaskContextMenu(m_contextMenu);
    m_contextMenu->popup(globalPos);
}

void ListsUI::fillTaskContextMenu(Menu *menu)
{
    ListModel *list = currentList();
    const bool writable = list && list->hasWritePermission();

    addActionToMenu(menu, m_addTaskAction);
    addActionToMenu(menu, m_doneTaskAction);
    addActionToMenu(menu, m_showTaskInfoAction);

    Menu *priority = new Menu(menu);
    priority->setTitle(tr("Set priority"));
    priority->setIcon(QIcon(QStringLiteral(":/priority_yellow.png")));
    if (writable) {
        for (SetTaskPriorityAction *action : priorityActions()) {
            action->updateState();
            addActionToMenu(priority, action);
        }
    } else {
        priority->setEnabled(false);
    }
    menu->addMenu(priority);

    addActionToMenu(menu, m_setAlarmAction);
    addActionToMenu(menu, m_timeManagementAction);
    addActionToMenu(menu, m_addNoteAction);

    Menu *indenting = new Menu(menu);
    indenting->setTitle(tr("Indenting"));
    indenting->setIcon(QIcon(QStringLiteral(":/indent.png")));
    addActionToMenu(indenting, m_indentGroupTasksAction);
    addActionToMenu(indenting, m_indentTaskAction);
    addActionToMenu(indenting, m_outdentTaskAction);
    menu->addMenu(indenting);

    Menu *moveTask = new Menu(menu);
    moveTask->setTitle(tr("Move task"));
    moveTask->setIcon(QIcon(QStringLiteral(":/move.png")));
    addActionToMenu(moveTask, m_moveTaskTopAction);
    addActionToMenu(moveTask, m_moveTaskUpAction);
    addActionToMenu(moveTask, m_moveTaskDownAction);
    addActionToMenu(moveTask, m_moveTaskBottomAction);
    menu->addMenu(moveTask);

    m_moveToListMenu = new Menu(menu);
    m_moveToListMenu->setTitle(tr("Move to list"));
    m_moveToListMenu->setIcon(QIcon(QStringLiteral(":/task_to_list.png")));
    if (!writable) {
        m_moveToListMenu->setEnabled(false);
    } else if (m_userLists && m_userLists->models().size() >= 2) {
        for (ListModel *other : m_userLists->models()) {
            if (other == list)
                continue;
            auto *action = new MoveTaskToListAction(other, this, m_moveToListMenu);
            addOwnAction(m_moveToListMenu, action);
        }
    }
    menu->addMenu(m_moveToListMenu);

    m_assignToMenu = new Menu(menu);
    m_assignToMenu->setTitle(tr("Assign to"));
    m_assignToMenu->setIcon(QIcon(QStringLiteral(":/asign_task.png")));
    if (list) {
        TreeView *view = currentTreeView();
        const QModelIndex index = view ? view->currentIndex() : QModelIndex();
        QStringList assigned = list->taskAssignments(index);
        const QString me = ServerSettings::instance() ? ServerSettings::instance()->userName() : QString();

        auto *showAll = new ShowTaskAssignmentsAction(this, m_assignToMenu);
        addOwnAction(m_assignToMenu, showAll);

        int counter = 1;
        std::sort(assigned.begin(), assigned.end(), caseInsensitiveLessThan);
        for (const QString &name : std::as_const(assigned)) {
            if (counter >= 10)
                break;
            auto *action = new UnassignTaskAction(name, list, name == me, this, m_assignToMenu);
            addOwnAction(m_assignToMenu, action);
            ++counter;
        }
        if (!me.isEmpty() && !assigned.contains(me)) {
            auto *action = new AssignTaskAction(me, list, true, this, m_assignToMenu);
            addOwnAction(m_assignToMenu, action);
        }
        const QStringList nicks = sortedFriendNicks(m_modelsContainer);
        for (const QString &nick : nicks) {
            if (counter >= 10)
                break;
            if (assigned.contains(nick))
                continue;
            auto *action = new AssignTaskAction(nick, list, false, this, m_assignToMenu);
            addOwnAction(m_assignToMenu, action);
            ++counter;
        }
        auto *unassignAll = new UnassignAllTaskAction(list, this, m_assignToMenu);
        addOwnAction(m_assignToMenu, unassignAll);
    }
    menu->addMenu(m_assignToMenu);

    addActionToMenu(menu, m_showTaskAttachmentsAction);

    Menu *expand = new Menu(menu);
    expand->setTitle(tr("Expand/Collapse"));
    expand->setIcon(QIcon(QStringLiteral(":/expand_collapse.png")));
    addActionToMenu(expand, m_expandTaskAction);
    addActionToMenu(expand, m_collapseTaskAction);
    menu->addMenu(expand);

    addActionToMenu(menu, m_removeTaskAction);
}

void ListsUI::showTabContextMenu(const QPoint &globalPos, int tabIndex)
{
    ListModel *list = currentList();
    if ((list && list->isSynchronizing()) || isSyncing())
        return;
    deleteContextMenu();
    m_contextMenu = new Menu(m_tabs);
    m_contextMenu->setObjectName(QStringLiteral("tabContextMenu"));
    m_contextMenu->setAccessibleName(tr("List"));
    fillTabContextMenu(m_contextMenu, tabIndex);
    m_contextMenu->popup(globalPos);
}

void ListsUI::fillTabContextMenu(Menu *menu, int tabIndex)
{
    ListModel *current = currentList();

    Menu *jump = new Menu(menu);
    jump->setTitle(tr("Jump to"));
    jump->setIcon(QIcon(QStringLiteral(":/list_goto.png")));
    if (m_userLists) {
        for (ListModel *other : m_userLists->models()) {
            if (other == current)
                continue;
            auto *action = new GoToListAction(other, this, jump);
            addOwnAction(jump, action);
        }
    }
    menu->addMenu(jump);

    addActionToMenu(menu, m_addListAction);
    if (tabIndex < 0)
        return;
    ListModel *list = listForTabIndex(tabIndex);
    if (!list)
        return;

    addActionToMenu(menu, m_syncSingleListAction);

    Menu *moveList = new Menu(menu);
    moveList->setTitle(tr("Move list"));
    moveList->setIcon(QIcon(QStringLiteral(":/move.png")));
    const QList<Action *> moves = {
        new MoveListLeftAction(this, list, tabIndex == 0, moveList),
        new MoveListRightAction(this, list, tabIndex == m_tabs->count() - 1, moveList),
    };
    for (Action *action : moves) {
        addOwnAction(moveList, action);
    }
    menu->addMenu(moveList);

    const QList<Action *> listActions = {
        new RenameListAction(this, list, menu),
        new ExportListAction(this, list, menu),
        new PrintListAction(this, list, menu),
    };
    for (Action *action : listActions) {
        addOwnAction(menu, action);
    }

    Menu *columns = new Menu(menu);
    columns->setTitle(tr("View colum"));
    columns->setIcon(QIcon(QStringLiteral(":/show_column.png")));
    for (Action *action : QList<Action *>{m_showStartTimeColumnAction, m_showEndTimeColumnAction,
                                          m_showElapsedTimeColumnAction, m_showAssignColumnAction}) {
        action->updateState();
        addActionToMenu(columns, action);
    }
    menu->addMenu(columns);

    m_sharingMenu = new Menu(menu);
    m_sharingMenu->setIcon(QIcon(QStringLiteral(":/listshare_free_OK.png")));
    if (!list->isOwned()) {
        m_sharingMenu->setTitle(tr("Shared by"));
        auto *owner = new QAction(Menu::entryText(list->owner()), m_sharingMenu);
        m_sharingMenu->addAction(owner);
        auto *unshare = new UnshareListAction(list, this, m_sharingMenu);
        addOwnAction(m_sharingMenu, unshare);
    } else {
        m_sharingMenu->setTitle(tr("Share list"));
        const QStringList nicks = sortedFriendNicks(m_modelsContainer);
        QStringList shared = list->sharedUserNames();
        if (nicks.isEmpty() && shared.isEmpty()) {
            m_sharingMenu->setEnabled(false);
        } else {
            int counter = 0;
            auto *show = new ShowListSharingAction(this, m_sharingMenu);
            addOwnAction(m_sharingMenu, show);
            std::sort(shared.begin(), shared.end(), caseInsensitiveLessThan);
            for (const QString &name : std::as_const(shared)) {
                if (counter >= 10)
                    break;
                auto *action = new ShareUserAction(name, list, this, m_sharingMenu);
                addOwnAction(m_sharingMenu, action);
                ++counter;
            }
            for (const QString &nick : nicks) {
                if (counter >= 10)
                    break;
                if (shared.contains(nick))
                    continue;
                auto *action = new ShareListAction(nick, list, this, m_sharingMenu);
                addOwnAction(m_sharingMenu, action);
                ++counter;
            }
            auto *unshareAll = new UnshareAllAction(list, this, m_sharingMenu);
            addOwnAction(m_sharingMenu, unshareAll);
        }
    }
    menu->addMenu(m_sharingMenu);

    addActionToMenu(menu, m_showListInfoAction);

    Menu *expand = new Menu(menu);
    expand->setTitle(tr("Expand/Collapse"));
    expand->setIcon(QIcon(QStringLiteral(":/expand_collapse.png")));
    addActionToMenu(expand, m_expandAllTasksAction);
    addActionToMenu(expand, m_collapseAllTasksAction);
    menu->addMenu(expand);

    Menu *macros = new Menu(menu);
    macros->setTitle(tr("Macros"));
    macros->setIcon(QIcon(QStringLiteral(":/macros.png")));
    auto *removeChecked = new RemoveCheckedTasksAction(this, list, macros);
    addOwnAction(macros, removeChecked);
    Menu *moveCompleted = new Menu(macros);
    moveCompleted->setTitle(tr("Move completed tasks to"));
    moveCompleted->setIcon(QIcon(QStringLiteral(":/taskcomplete_to_list.png")));
    if (m_userLists && m_userLists->models().size() >= 2) {
        for (ListModel *other : m_userLists->models()) {
            if (other == list)
                continue;
            // Made for this menu and owned by it, so shown as an entry of its own.
            auto *action = new MoveCompletedTasksToListAction(other, this, moveCompleted);
            action->updateState();
            addActionToMenu(moveCompleted, action);
        }
    }
    macros->addMenu(moveCompleted);
    menu->addMenu(macros);

    auto *remove = new RemoveListAction(this, list, menu);
    addOwnAction(menu, remove);
}

QWidget *ListsUI::createBottomBar()
{
    const bool blue = UISettings::instance()->isBlueSkin();
    auto *widget = new QWidget;
    widget->setObjectName(QStringLiteral("listsBottomBarLeft"));
    auto *layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(13);

    m_addListButton = new ToolButton(blue ? QStringLiteral("add-list-button-blue") : QStringLiteral("add-list-button"));
    m_addListButton->setObjectName(QStringLiteral("addlistbutton"));
    m_addListButton->setDefaultActionKeepIcon(m_addListAction);
    layout->addWidget(m_addListButton);

    m_showShortcutsButton =
        new ToolButton(blue ? QStringLiteral("shortcuts_bottom_blue") : QStringLiteral("shortcuts_bottom"));
    m_showShortcutsButton->setObjectName(QStringLiteral("showShortcutsButton"));
    m_showShortcutsButton->setDefaultActionKeepIcon(m_showShortcutsAction);
    layout->addWidget(m_showShortcutsButton);

    m_uiModeButton = new QToolButton;
    m_uiModeButton->setObjectName(QStringLiteral("uiModeButton"));
    m_uiModeButton->setText(tr("Mode"));
    m_uiModeButton->setFocusPolicy(Qt::NoFocus);
    m_uiModeButton->setMenu(createUIModeMenu());
    m_uiModeButton->setPopupMode(QToolButton::InstantPopup);
    layout->addWidget(m_uiModeButton);
    return widget;
}

QWidget *ListsUI::createMoveButtons()
{
    const bool blue = UISettings::instance()->isBlueSkin();
    auto *widget = new QWidget;
    widget->setObjectName(QStringLiteral("listsBottomBarRight"));
    auto *layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(13);

    m_moveUpButton = new ToolButton(blue ? QStringLiteral("move-up-button-blue") : QStringLiteral("move-up-button"));
    m_moveUpButton->setObjectName(QStringLiteral("moveupbutton"));
    m_moveUpButton->setDefaultActionKeepIcon(m_moveTaskUpAction);
    layout->addWidget(m_moveUpButton);

    m_moveDownButton =
        new ToolButton(blue ? QStringLiteral("move-down-button-blue") : QStringLiteral("move-down-button"));
    m_moveDownButton->setObjectName(QStringLiteral("movedownbutton"));
    m_moveDownButton->setDefaultActionKeepIcon(m_moveTaskDownAction);
    layout->addWidget(m_moveDownButton);
    return widget;
}

Menu *ListsUI::createUIModeMenu()
{
    auto *menu = new Menu(m_uiModeButton);
    menu->setObjectName(QStringLiteral("uiModeMenu"));
    menu->addAction(m_normalModeAction);
    menu->addAction(m_professionalModeAction);
    menu->addAction(m_advancedModeAction);
    connect(menu, &QMenu::aboutToShow, this, &ListsUI::updateUIModeActions);
    return menu;
}

void ListsUI::updateUIModeActions()
{
    for (UIModeAction *action : {m_normalModeAction, m_professionalModeAction, m_advancedModeAction}) {
        action->updateState();
        action->setIcon(action->currentIcon());
    }
}

// ---------------------------------------------------------------------------
// Dialogs and panels

TaskInfoDialog *ListsUI::createTaskInfoDialog(QWidget *parent)
{
    auto *dialog = new TaskInfoDialog(this, parent);
    // Chat with an assignee needs Team mode's chat starter; without one the
    // dialog offers no chat.
    dialog->setAssigneeChat(m_assigneeChat);
    connect(dialog, &TaskInfoDialog::closeDialog, this, &ListsUI::onCloseTaskInfoDialog);
    connect(dialog, &TaskInfoDialog::viewAllAssignmentsClicked, this, &ListsUI::showTaskAssignmentsDialog);
    return dialog;
}

void ListsUI::setAssigneeChat(AssigneeChat *chat)
{
    m_assigneeChat = chat;
    if (m_taskInfoDialog)
        m_taskInfoDialog->setAssigneeChat(chat);
}

void ListsUI::showTaskInfoDialog()
{
    if (m_taskInfoDialog)
        return;
    m_taskInfoDialog = createTaskInfoDialog(mainWindow());
    m_taskInfoDialog->selectedTaskChanged(taskForDialogs(), currentList());
    m_taskInfoDialog->show();
    m_taskInfoDialog->raise();
}

void ListsUI::createListInfoDialog()
{
    m_listInfoDialog = new ListInfoDialog(this, mainWindow());
    connect(m_listInfoDialog, &ListInfoDialog::closeDialog, this, &ListsUI::onCloseListInfoDialog);
    m_listInfoDialog->updateInfo();
}

void ListsUI::showListInfoDialog()
{
    if (m_listInfoDialog)
        return;
    createListInfoDialog();
    m_listInfoDialog->show();
    m_listInfoDialog->raise();
}

void ListsUI::showTaskAssignmentsDialog()
{
    if (m_taskAssignmentsDialog)
        return;
    m_taskAssignmentsDialog = new TaskAssignmentsDialog(this, mainWindow());
    connect(m_taskAssignmentsDialog, &TaskAssignmentsDialog::closeDialog, this,
            &ListsUI::onCloseTaskAssignmentsDialog);
    m_taskAssignmentsDialog->selectedTaskChanged(taskForDialogs(), currentList());
    m_taskAssignmentsDialog->show();
    m_taskAssignmentsDialog->raise();
}

void ListsUI::showListSharingUsersDialog()
{
    if (m_listSharingUsersDialog)
        return;
    m_listSharingUsersDialog = new ListSharingUsersDialog(this, mainWindow());
    connect(m_listSharingUsersDialog, &ListSharingUsersDialog::closeDialog, this,
            &ListsUI::onCloseListsSharingUsersDialog);
    m_listSharingUsersDialog->selectedListChanged(currentList());
    m_listSharingUsersDialog->show();
    m_listSharingUsersDialog->raise();
}

void ListsUI::reloadListsGroupsManager()
{
    if (m_listGroupsManagerDialog)
        m_listGroupsManagerDialog->reload();
}

void ListsUI::createListGroupsManager()
{
    m_listGroupsManagerDialog = new ListGroupsManagerDialog(m_userLists, m_listsGroups, mainWindow());
    ListsGroupsManagerContainer *container = m_listGroupsManagerDialog->container();
    container->setPage(this);
    connect(container, &ListsGroupsManagerContainer::openListRequested, this, &ListsUI::setCurrentList);
    connect(container, &ListsGroupsManagerContainer::listNameChangeRequested, this,
            &ListsUI::setListNameExternally);
    connect(m_listGroupsManagerDialog, &ListGroupsManagerDialog::closeDialog, this,
            &ListsUI::onCloseListsGroupsManagerDialog);
}

void ListsUI::showListsGroupsManagerDialog()
{
    // Asked for again while open: brought to the front with fresh rows.
    if (!m_listGroupsManagerDialog)
        createListGroupsManager();
    m_listGroupsManagerDialog->reload();
    m_listGroupsManagerDialog->show();
    m_listGroupsManagerDialog->raise();
}

void ListsUI::createTaskAttachmentsDialog()
{
    m_taskAttachmentsDialog = new TaskAttachmentsDialog(mainWindow());
    connect(m_taskAttachmentsDialog, &TaskAttachmentsDialog::closeDialog, this,
            &ListsUI::onCloseTaskAttachmentsDialog);
    connect(m_taskAttachmentsDialog, &TaskAttachmentsDialog::playVideoRequested, this,
            &ListsUI::showWebkitPlayerDialog);
}

void ListsUI::showTaskAttachmentsDialog()
{
    if (m_taskAttachmentsDialog)
        return;
    createTaskAttachmentsDialog();
    m_taskAttachmentsDialog->selectedTaskChanged(taskForDialogs(), currentList());
    m_taskAttachmentsDialog->show();
    m_taskAttachmentsDialog->raise();
}

QWidget *ListsUI::taskInfoPanel()
{
    if (!m_taskInfoDialog) {
        m_taskInfoDialog = createTaskInfoDialog(nullptr);
        m_taskInfoDialog->selectedTaskChanged(taskForDialogs(), currentList());
    }
    m_taskInfoDialog->hideFrameControls();
    return m_taskInfoDialog;
}

QWidget *ListsUI::listInfoPanel()
{
    if (!m_listInfoDialog)
        createListInfoDialog();
    m_listInfoDialog->hideFrameControls();
    return m_listInfoDialog;
}

QWidget *ListsUI::listsGroupsManagerPanel()
{
    if (!m_listGroupsManagerDialog) {
        createListGroupsManager();
        m_listGroupsManagerDialog->hideFrameControls();
        m_listGroupsManagerDialog->reload();
    } else {
        m_listGroupsManagerDialog->hideFrameControls();
    }
    return m_listGroupsManagerDialog;
}

QWidget *ListsUI::taskAttachmentsPanel()
{
    if (!m_taskAttachmentsDialog) {
        createTaskAttachmentsDialog();
        m_taskAttachmentsDialog->hideFrameControls();
        m_taskAttachmentsDialog->selectedTaskChanged(taskForDialogs(), currentList());
    } else {
        m_taskAttachmentsDialog->hideFrameControls();
    }
    return m_taskAttachmentsDialog;
}

void ListsUI::onCloseTaskInfoDialog()
{
    if (!m_taskInfoDialog)
        return;
    TaskInfoDialog *dialog = m_taskInfoDialog;
    m_taskInfoDialog = nullptr;
    dialog->hide();
    disconnect(dialog, nullptr, this, nullptr);
    dialog->close();
    dialog->deleteLater();
}

void ListsUI::onCloseListInfoDialog()
{
    if (!m_listInfoDialog)
        return;
    ListInfoDialog *dialog = m_listInfoDialog;
    m_listInfoDialog = nullptr;
    dialog->hide();
    disconnect(dialog, &ListInfoDialog::closeDialog, this, &ListsUI::onCloseListInfoDialog);
    dialog->close();
    dialog->deleteLater();
}

void ListsUI::onCloseTaskAssignmentsDialog()
{
    if (!m_taskAssignmentsDialog)
        return;
    TaskAssignmentsDialog *dialog = m_taskAssignmentsDialog;
    m_taskAssignmentsDialog = nullptr;
    dialog->hide();
    disconnect(dialog, &TaskAssignmentsDialog::closeDialog, this, &ListsUI::onCloseTaskAssignmentsDialog);
    dialog->close();
    dialog->deleteLater();
}

void ListsUI::onCloseListsSharingUsersDialog()
{
    if (!m_listSharingUsersDialog)
        return;
    ListSharingUsersDialog *dialog = m_listSharingUsersDialog;
    m_listSharingUsersDialog = nullptr;
    dialog->hide();
    disconnect(dialog, &ListSharingUsersDialog::closeDialog, this, &ListsUI::onCloseListsSharingUsersDialog);
    dialog->close();
    dialog->deleteLater();
}

void ListsUI::onCloseTaskAttachmentsDialog()
{
    if (!m_taskAttachmentsDialog)
        return;
    TaskAttachmentsDialog *dialog = m_taskAttachmentsDialog;
    m_taskAttachmentsDialog = nullptr;
    dialog->hide();
    disconnect(dialog, &TaskAttachmentsDialog::closeDialog, this, &ListsUI::onCloseTaskAttachmentsDialog);
    dialog->close();
    dialog->deleteLater();
}

void ListsUI::onCloseListsGroupsManagerDialog()
{
    if (!m_listGroupsManagerDialog)
        return;
    ListGroupsManagerDialog *dialog = m_listGroupsManagerDialog;
    m_listGroupsManagerDialog = nullptr;
    dialog->hide();
    disconnect(dialog, &ListGroupsManagerDialog::closeDialog, this, &ListsUI::onCloseListsGroupsManagerDialog);
    dialog->close();
    dialog->deleteLater();
}

void ListsUI::onCloseWebkitPlayerDialog()
{
    if (!m_webkitPlayerDialog)
        return;
    WebkitPlayerDialog *dialog = m_webkitPlayerDialog;
    m_webkitPlayerDialog = nullptr;
    dialog->hide();
    disconnect(dialog, &WebkitPlayerDialog::closeDialog, this, &ListsUI::onCloseWebkitPlayerDialog);
    dialog->close();
    dialog->deleteLater();
}

void ListsUI::updateTaskInfoDialog()
{
    if (m_taskInfoDialog)
        m_taskInfoDialog->updateInfo();
}

void ListsUI::updateTaskAssignmentsDialog()
{
    if (m_taskAssignmentsDialog)
        m_taskAssignmentsDialog->selectedTaskChanged(taskForDialogs(), currentList());
}

// Tomorrow at 08:00 local time: the preset of a task without times.
static QDateTime tomorrowMorning()
{
    QDateTime local = Clock::currentDateTime().addDays(1).toLocalTime();
    local.setTime(QTime(8, 0));
    return local;
}

void ListsUI::showTimeManagementDialog()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view || !view->currentIndex().isValid())
        return;
    const QModelIndex index = view->currentIndex();
    const QDateTime startWas = list->taskStartTime(index);
    const QDateTime endWas = list->taskDueTime(index);
    const QDateTime alarmWas = list->taskAlarmTime(index);
    QDateTime start = startWas;
    QDateTime end = endWas;
    QDateTime alarm = alarmWas;
    if (start.isNull())
        start = tomorrowMorning();
    if (end.isNull())
        end = start.addSecs(1800);
    const QPointer<ListModel> alive(list);
    const FollowedTask task(list, list->taskForIndex(index));
    TimeManagementDialog dialog(&start, &end, &alarm, mainWindow());
    dialog.setupButtons(list->hasWritePermission());
    holdValueButtonsDuringRuns(&dialog, list);
    if (dialog.exec() != QDialog::Accepted || !alive || !acceptsEdits(list))
        return;
    const QModelIndex target = task.index();
    if (!target.isValid())
        return;
    // Only what the dialog changed: a run may have brought the others
    // meanwhile. A start and end that would no longer hold together that
    // way are both written as the dialog checked them.
    bool startChanged = start != startWas;
    bool endChanged = end != endWas;
    const QDateTime newStart = startChanged ? start : list->taskStartTime(target);
    const QDateTime newEnd = endChanged ? end : list->taskDueTime(target);
    if ((startChanged || endChanged) && !newStart.isNull() && !newEnd.isNull() && newStart >= newEnd)
        startChanged = endChanged = true;
    if (startChanged)
        list->setTaskStartTime(target, start);
    if (endChanged)
        list->setTaskDueTime(target, end);
    if (alarm != alarmWas)
        list->setTaskAlarmTime(target, alarm);
}

void ListsUI::showAlarmDialog()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view || !view->currentIndex().isValid())
        return;
    const QModelIndex index = view->currentIndex();
    const QDateTime alarmWas = list->taskAlarmTime(index);
    QDateTime alarm = alarmWas;
    if (alarm.isNull())
        alarm = tomorrowMorning().toUTC();
    const QPointer<ListModel> alive(list);
    const FollowedTask task(list, list->taskForIndex(index));
    AlarmDialog dialog(&alarm, mainWindow());
    dialog.setupButtons(list->hasWritePermission());
    holdValueButtonsDuringRuns(&dialog, list);
    if (dialog.exec() != QDialog::Accepted || !alive || !acceptsEdits(list))
        return;
    const QModelIndex target = task.index();
    if (!target.isValid() || alarm == alarmWas)
        return;
    list->setTaskAlarmTime(target, alarm);
}

void ListsUI::showNoteDialog()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view || !view->currentIndex().isValid())
        return;
    const QModelIndex index = view->currentIndex();
    const TaskNote noteWas = list->taskNote(index);
    TaskNote note = noteWas;
    const QPointer<ListModel> alive(list);
    const FollowedTask task(list, list->taskForIndex(index));
    NoteDialog dialog(&note, mainWindow());
    dialog.setupButtons(list->hasWritePermission());
    holdValueButtonsDuringRuns(&dialog, list);
    if (dialog.exec() != QDialog::Accepted || (alive && !acceptsEdits(list)) || note == noteWas)
        return;
    const QModelIndex target = task.index();
    // A run took the task away while the dialog was open: said, not dropped.
    if (!target.isValid()) {
        tellUser(noteNotSavedText(note.text()));
        return;
    }
    list->setTaskNote(target, note);
}

void ListsUI::onAlarmsOccurred(const AlarmOccurrenceSet &alarms)
{
    if (m_alarmsDialog)
        m_alarmsDialog->addAlarms(alarms);
}

void ListsUI::openTaskLink()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view)
        return;
    if (TaskAttachmentWebHyperlink *link = list->taskWebHyperlink(view->currentIndex()))
        TaskLinkOpener::open(link->url());
}

void ListsUI::playTaskVideo()
{
    ListModel *list = currentList();
    TreeView *view = currentTreeView();
    if (!list || !view)
        return;
    if (TaskAttachmentVideoHyperlink *video = list->taskVideoHyperlink(view->currentIndex()))
        showWebkitPlayerDialog(video);
}

void ListsUI::showWebkitPlayerDialog(TaskAttachment *video)
{
    if (!video || !TaskLinkOpener::allows(video->url()))
        return;
    onCloseWebkitPlayerDialog();
    QSize size;
    const QString url = AttachmentVideoLinkLabel::playerUrl(video, &size);
    if (!size.isValid() || size.isEmpty())
        size = QSize(400, 300);
    m_webkitPlayerDialog = new WebkitPlayerDialog(size.width(), size.height());
    connect(m_webkitPlayerDialog, &WebkitPlayerDialog::closeDialog, this, &ListsUI::onCloseWebkitPlayerDialog);
    m_webkitPlayerDialog->load(url);
    m_webkitPlayerDialog->show();
    m_webkitPlayerDialog->raise();
}

// ---------------------------------------------------------------------------
// Following the main window

void ListsUI::onMinimizeButtonClicked()
{
    for (CustomDialog *dialog : std::initializer_list<CustomDialog *>{
             m_taskInfoDialog, m_taskAttachmentsDialog, m_listGroupsManagerDialog, m_webkitPlayerDialog, m_listInfoDialog,
             m_taskAssignmentsDialog, m_listSharingUsersDialog}) {
        if (dialog)
            dialog->minimize();
    }
}

void ListsUI::showNormalDialogs()
{
    for (QWidget *dialog : std::initializer_list<QWidget *>{
             m_taskInfoDialog, m_taskAttachmentsDialog, m_listGroupsManagerDialog, m_webkitPlayerDialog, m_listInfoDialog,
             m_taskAssignmentsDialog, m_listSharingUsersDialog}) {
        if (dialog)
            dialog->showNormal();
    }
}

void ListsUI::raiseDialogs()
{
    for (QWidget *dialog : std::initializer_list<QWidget *>{
             m_taskInfoDialog, m_taskAttachmentsDialog, m_listGroupsManagerDialog, m_webkitPlayerDialog, m_listInfoDialog,
             m_taskAssignmentsDialog, m_listSharingUsersDialog}) {
        if (dialog)
            dialog->raise();
    }
}

void ListsUI::closeHiddenDialogs()
{
    if (m_taskInfoDialog && !m_taskInfoDialog->frameControlsHidden())
        onCloseTaskInfoDialog();
    if (m_taskAttachmentsDialog && !m_taskAttachmentsDialog->frameControlsHidden())
        onCloseTaskAttachmentsDialog();
    if (m_listGroupsManagerDialog && !m_listGroupsManagerDialog->frameControlsHidden())
        onCloseListsGroupsManagerDialog();
    if (m_webkitPlayerDialog && !m_webkitPlayerDialog->frameControlsHidden())
        onCloseWebkitPlayerDialog();
    if (m_listInfoDialog && !m_listInfoDialog->frameControlsHidden())
        onCloseListInfoDialog();
    if (m_taskAssignmentsDialog && !m_taskAssignmentsDialog->frameControlsHidden())
        onCloseTaskAssignmentsDialog();
}

void ListsUI::userChangeUIMode(int mode)
{
    mode = std::clamp(mode, int(Normal), int(Advanced));
    m_uiMode = mode;
    UISettings::instance()->setListsUiMode(mode);
    emit uiModeChanged(mode);
}

void ListsUI::resetUIMode()
{
    m_uiMode = Normal;
    userChangeUIMode(Normal);
}
