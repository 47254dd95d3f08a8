#ifndef LISTSUI_H
#define LISTSUI_H

#include "core/unreadrecord.h"
#include "dialogs/listdialogshost.h"
#include "lists/tasktreeowner.h"
#include "model/alarmoccurrence.h"
#include "shell/mainwindowmode.h"
#include "sync/runs/listssyncpage.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>

class Action;
class AlarmsOccurredDialog;
class AssigneeChat;
class ChatUI;
class ListGroupsManagerDialog;
class ListInfoDialog;
class ListModel;
class ListSharingUsersDialog;
class ListsGroups;
class Menu;
class ModelsContainer;
class QDialog;
class QMenu;
class QTimer;
class QToolButton;
class SingleListSyncQueue;
class SplashScreen;
class Task;
class TaskAssignmentsDialog;
class TaskAttachment;
class TaskAttachmentsDialog;
class TaskInfoDialog;
class TabWidget;
class ToolButton;
class TreeView;
class UserLists;
class WebkitPlayerDialog;

class AddListAction;
class RemoveListAction;
class RenameListAction;
class NextListAction;
class ExpandAllTasksAction;
class CollapseAllTasksAction;
class AddTaskAction;
class RemoveTaskAction;
class AddNoteAction;
class SetAlarmAction;
class IndentTaskAction;
class OutdentTaskAction;
class DoneTaskAction;
class MoveTaskUpAction;
class MoveTaskDownAction;
class MoveTaskTopAction;
class MoveTaskBottomAction;
class ShowTaskInfoAction;
class ShowListInfoAction;
class TimeManagementAction;
class ShowListGroupsManagerDialogAction;
class ExpandTaskAction;
class CollapseTaskAction;
class IndentGroupTasksAction;
class GenericIndentTaskAction;
class SyncSingleListAction;
class CopyTaskAction;
class PasteTaskAction;
class ShowStartTimeColumnForCurrentAction;
class ShowEndTimeColumnForCurrentAction;
class ShowElapsedTimeColumnForCurrentAction;
class ShowAssignColumnForCurrentAction;
class ShowShortcutsAction;
class UIModeAction;
class ShowTaskAttachmentsAction;
class HideShowSearchTaskAction;
class UndoAction;
class RedoAction;
class SyncAction;
class SetTaskPriorityAction;

// True when `a`, in lower case, sorts before `b` in lower case: the order of
// user names in the assignment and sharing menus.
bool caseInsensitiveLessThan(const QString &a, const QString &b);

// The lists mode of the main window: owns the user's lists and list groups,
// one tab per list, every command of the page, its menus and bottom bar, and
// the list and task dialogs it opens floating or docks as panels. Whatever
// needs the lists, the current list or the current task reaches them here.
class ListsUI : public QObject,
                public MainWindowMode,
                public TaskTreeOwner,
                public ListsSyncPage,
                public ListDialogsHost
{
    Q_OBJECT
public:
    enum UIMode { Normal = 0, Professional = 1, Advanced = 2 };

    // The page's widgets are made inside pageArea when given: the main
    // window's page area, where they are shown.
    ListsUI(ModelsContainer *modelsContainer, ChatUI *chatUI, SplashScreen *splash, QObject *parent = nullptr,
            QWidget *pageArea = nullptr);
    ~ListsUI() override;

    // Where the documents live (the per-user data folder).
    static QString listsFilePath();
    static QString listsGroupsFilePath();

    // Look-ups and navigation.
    UserLists *userLists() const override { return m_userLists; }
    ListsGroups *listsGroups() const override { return m_listsGroups; }
    ModelsContainer *modelsContainer() const override { return m_modelsContainer; }
    ChatUI *chatUI() const override { return m_chatUI; }
    TabWidget *tabWidget() const;
    ListModel *currentList() const override;
    TreeView *currentTreeView() const;
    Task *currentTask() const;
    ListModel *listForTabIndex(int index) const;
    TreeView *treeViewForList(ListModel *list) const;
    void setCurrentList(ListModel *list);
    ListModel *listByIds(quint32 serverId, quint32 localId) const;
    void switchToNextList();
    void focusFirstTab();
    TreeView *addListTab(ListModel *list);
    // The tab icon of a list by the page's rule (null for none).
    static QString tabIconPath(const ListModel *list);
    // The same without the synchronising icon: the icon once a run is over.
    static QString restingTabIconPath(const ListModel *list);

    // State and small commands.
    void setSyncing(bool syncing) override;
    bool isSyncing() const override { return m_fullSyncRunning; }
    void triggerSync();
    void showShortcuts();
    void hideTaskSearch();
    void showTaskSearch();
    bool isTaskSearchShown() const { return m_searchBarShown; }
    void copyTask(Task *task);
    Task *copiedTask() const;
    void toggleStartTimeColumn();
    void toggleEndTimeColumn();
    void toggleElapsedTimeColumn();
    void toggleAssignColumn();
    void addListToGroupsManagerDialog(ListModel *list);

    // MainWindowMode.
    QWidget *centralWidget() override;
    void activated() override;
    QWidget *taskInfoPanel() override;
    QWidget *taskAttachmentsPanel() override;
    QWidget *listsGroupsManagerPanel() override;
    QWidget *listInfoPanel() override;
    QWidget *bottomBarLeftWidget() override;
    QWidget *bottomBarRightWidget() override;
    QList<QWidget *> titleBarWidgets() override { return {}; }
    QList<QAction *> shortcutActions() override;
    QAction *syncAction() override;
    QAction *doneTaskAction() override;
    int uiMode() override { return m_uiMode; }

    // Local documents.
    void loadLists();
    void loadListsGroups();
    void startSaveTimer();
    // Each returns false when a write was tried and failed; the change marks
    // then stay and the next tick tries again. The user is told, once until
    // a save works again, unless `failure` takes what to tell.
    bool saveLists(SaveFailure *failure = nullptr) override;
    bool saveListsGroups(SaveFailure *failure = nullptr) override;
    void setUserLists(UserLists *lists);
    // Rebuilds the list manager's rows after the groups changed outside it.
    void reloadListsGroupsManager();
    void setListsGroups(ListsGroups *groups) override;
    void resetListsGroups() override;
    void attachUserLists(UserLists *lists);
    void assignLocalIds();
    void resetAssignedLocalIds();
    quint32 lowestFreeLocalId();
    void setListNameExternally(ListModel *list, const QString &name);
    void changeListNameExternally(ListModel *list, QWidget *parent) override;
    void editListName(ListModel *list);
    void updateListInfoDialog() override;
    void updateListSharingUsersDialog();

    // Single-list synchronisation: the page's queue runs them.
    void syncSingleList(ListModel *list);
    void syncSingleListManually(ListModel *list);
    void autosyncList(ListModel *list);
    void dequeueSingleListSync(ListModel *list);
    void cancelSingleListSyncs() override;
    void onCancelSingleListSync(ListModel *list) override;
    SingleListSyncQueue *syncQueue() const { return m_syncQueue; }

    // What the synchronisations need of the page.
    QWidget *dialogParent() const override;
    void singleListSyncStarted(ListModel *list) override;
    void singleListSyncEnded(ListModel *list) override;
    void singleListSyncFailed(ListModel *list, const QString &message) override;
    void singleListSyncWaits(ListModel *list, const QString &message) override;
    void keptNoticesChanged() override;
    // The user saw the tab's tip of `list`: what it tells of what runs kept
    // is told, and stays on the tab until the list's next run.
    void keptNoticeSeen(ListModel *list);
    void commitOpenEditor() override;
    void showPreferences() override;

    // Menus and bottom bar.
    void registerActions();
    void createPriorityActions();
    void registerAction(Action *action);
    void addActionToMenu(QMenu *menu, Action *action);
    void showTaskContextMenu(const QPoint &globalPos) override;
    void fillTaskContextMenu(Menu *menu);
    void showTabContextMenu(const QPoint &globalPos, int tabIndex);
    void fillTabContextMenu(Menu *menu, int tabIndex);
    void deleteContextMenu();
    QWidget *createBottomBar();
    QWidget *createMoveButtons();
    Menu *createUIModeMenu();
    Menu *contextMenu() const;
    QList<SetTaskPriorityAction *> priorityActions() const;
    void refreshActions();

    // Modal value dialogs and links of the current task.
    void showTimeManagementDialog() override;
    void showAlarmDialog() override;
    void showNoteDialog() override;
    void openTaskLink() override;
    void playTaskVideo() override;
    void showWebkitPlayerDialog(TaskAttachment *video);
    ListModel *listHolding(const TaskList *list) const override;

    // Dialog refreshes.
    void updateTaskInfoDialog();
    void updateTaskAssignmentsDialog();

    // Following the main window.
    void showNormalDialogs();
    void raiseDialogs();
    void closeHiddenDialogs() override;

    void resetUIMode() override;

    // How the page tells the user about its documents (kept aside, failing
    // saves): a non-modal message over the main window unless replaced.
    using NoticeHandler = std::function<void(const QString &title, const QString &text)>;
    static void setNoticeHandler(const NoticeHandler &handler);

    // What a form's Save says when a run took its list or task away while
    // it was open, with what was typed.
    static QString nameNotSavedText(const QString &name);
    static QString noteNotSavedText(const QString &note);

    // The dialogs that exist (null otherwise).
    TaskInfoDialog *taskInfoDialog() const { return m_taskInfoDialog; }
    AlarmsOccurredDialog *alarmsOccurredDialog() const { return m_alarmsDialog; }
    // Team mode's way to chat with a task's assignee; null offers no chat.
    void setAssigneeChat(AssigneeChat *chat);
    ListInfoDialog *listInfoDialog() const { return m_listInfoDialog; }
    TaskAttachmentsDialog *taskAttachmentsDialog() const { return m_taskAttachmentsDialog; }
    TaskAssignmentsDialog *taskAssignmentsDialog() const { return m_taskAssignmentsDialog; }
    ListSharingUsersDialog *listSharingUsersDialog() const { return m_listSharingUsersDialog; }
    ListGroupsManagerDialog *listGroupsManagerDialog() const { return m_listGroupsManagerDialog; }
    WebkitPlayerDialog *webkitPlayerDialog() const { return m_webkitPlayerDialog; }

signals:
    void uiModeChanged(int mode);
    void showKeysDialogSignal();
    // A list's run began or ended, or the full run.
    void listSyncStateChanged();

public slots:
    void onSaveTimeout();
    void onListAdded(ListModel *list);
    void onListRemoved(ListModel *list);
    void onDisplayOrderChanged();
    void onListNameChanged(ListModel *list);
    void onShareListChanged(ListModel *list);
    void onOwnerPermissionsChanged(ListModel *list);
    void onTaskDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    void onTabTextChanged(int index, const QString &text);
    void onUserChanged();
    void onUserRemoved(const QString &userName);
    void onTreeViewCurrentIndexChanged(TreeView *view);

    void showTaskInfoDialog();
    void showListInfoDialog();
    void createListInfoDialog();
    void showListsGroupsManagerDialog();
    void showTaskAttachmentsDialog();
    void showTaskAssignmentsDialog();
    void showListSharingUsersDialog() override;

    void onCloseTaskInfoDialog();
    void onAlarmsOccurred(const AlarmOccurrenceSet &alarms);
    void onCloseListInfoDialog();
    void onCloseTaskAttachmentsDialog();
    void onCloseTaskAssignmentsDialog();
    void onCloseListsSharingUsersDialog();
    void onCloseListsGroupsManagerDialog();
    void onCloseWebkitPlayerDialog();

    void onMinimizeButtonClicked();
    void userChangeUIMode(int mode);
    void updateUIModeActions();

private slots:
    void onModelReset();
    void onListSyncStateChanged();

private:
    // Whether a dialog's edit of the list would last: not during its run.
    bool acceptsEdits(const ListModel *list) const;
    void holdValueButtonsDuringRuns(QDialog *dialog, ListModel *list);
    // The list manager, wired to this page; shown by the caller.
    void createListGroupsManager();
    TaskInfoDialog *createTaskInfoDialog(QWidget *parent);
    void createTaskAttachmentsDialog();
    void setTabIcon(ListModel *list, const QString &path);
    // What the list's tab tells beside its name; empty for nothing.
    QString tabToolTip(ListModel *list) const;
    void rehandCurrentToDialogs();
    Task *taskForDialogs() const;
    void tellUser(const QString &text) override;
    // Which lists the reader left out of the file, and where it was kept.
    void tellUnreadLists(const UnreadRecords &unread, const QString &keptAside, const QString &path);
    void createCommands();
    bool writesDocuments() const;

    // Page widgets.
    // The main window takes these into its layout and may outlive the page.
    QPointer<TabWidget> m_tabs;
    QPointer<QWidget> m_bottomBarLeft;
    QPointer<QWidget> m_bottomBarRight;
    ToolButton *m_addListButton = nullptr;
    ToolButton *m_showShortcutsButton = nullptr;
    ToolButton *m_moveUpButton = nullptr;
    ToolButton *m_moveDownButton = nullptr;
    QToolButton *m_uiModeButton = nullptr;

    int m_uiMode = Normal;
    AlarmsOccurredDialog *m_alarmsDialog = nullptr;
    UserLists *m_userLists = nullptr;
    ListsGroups *m_listsGroups = nullptr;
    ChatUI *m_chatUI = nullptr;
    QMap<QWidget *, ListModel *> m_viewLists;
    // Why the last run of a list alone failed, until its next run.
    QHash<ListModel *, QString> m_singleSyncFailures;
    // Of those, the lists whose run sent nothing to wait for the full run.
    QSet<ListModel *> m_singleSyncWaiting;
    // What a tab's tip told of what runs kept, once the user saw it.
    QHash<ListModel *, QString> m_keptSeen;
    QList<Action *> m_pageActions;

    // The page's commands.
    AddListAction *m_addListAction = nullptr;
    RemoveListAction *m_removeListAction = nullptr;
    RenameListAction *m_renameListAction = nullptr;
    NextListAction *m_nextListAction = nullptr;
    ExpandAllTasksAction *m_expandAllTasksAction = nullptr;
    CollapseAllTasksAction *m_collapseAllTasksAction = nullptr;
    AddTaskAction *m_addTaskAction = nullptr;
    RemoveTaskAction *m_removeTaskAction = nullptr;
    AddNoteAction *m_addNoteAction = nullptr;
    SetAlarmAction *m_setAlarmAction = nullptr;
    IndentTaskAction *m_indentTaskAction = nullptr;
    OutdentTaskAction *m_outdentTaskAction = nullptr;
    DoneTaskAction *m_doneTaskAction = nullptr;
    MoveTaskUpAction *m_moveTaskUpAction = nullptr;
    MoveTaskDownAction *m_moveTaskDownAction = nullptr;
    MoveTaskTopAction *m_moveTaskTopAction = nullptr;
    MoveTaskBottomAction *m_moveTaskBottomAction = nullptr;
    ShowTaskInfoAction *m_showTaskInfoAction = nullptr;
    ShowListInfoAction *m_showListInfoAction = nullptr;
    TimeManagementAction *m_timeManagementAction = nullptr;
    ShowListGroupsManagerDialogAction *m_showListGroupsManagerDialogAction = nullptr;
    ExpandTaskAction *m_expandTaskAction = nullptr;
    CollapseTaskAction *m_collapseTaskAction = nullptr;
    IndentGroupTasksAction *m_indentGroupTasksAction = nullptr;
    GenericIndentTaskAction *m_genericIndentTaskAction = nullptr;
    SyncSingleListAction *m_syncSingleListAction = nullptr;
    CopyTaskAction *m_copyTaskAction = nullptr;
    PasteTaskAction *m_pasteTaskAction = nullptr;
    ShowStartTimeColumnForCurrentAction *m_showStartTimeColumnAction = nullptr;
    ShowEndTimeColumnForCurrentAction *m_showEndTimeColumnAction = nullptr;
    ShowElapsedTimeColumnForCurrentAction *m_showElapsedTimeColumnAction = nullptr;
    ShowAssignColumnForCurrentAction *m_showAssignColumnAction = nullptr;
    ShowShortcutsAction *m_showShortcutsAction = nullptr;
    UIModeAction *m_normalModeAction = nullptr;
    UIModeAction *m_professionalModeAction = nullptr;
    UIModeAction *m_advancedModeAction = nullptr;
    ShowTaskAttachmentsAction *m_showTaskAttachmentsAction = nullptr;
    HideShowSearchTaskAction *m_hideShowSearchTaskAction = nullptr;
    UndoAction *m_undoAction = nullptr;
    RedoAction *m_redoAction = nullptr;
    SyncAction *m_syncAction = nullptr;
    SetTaskPriorityAction *m_urgentPriorityAction = nullptr;
    SetTaskPriorityAction *m_reminderPriorityAction = nullptr;
    SetTaskPriorityAction *m_nonePriorityAction = nullptr;

    ModelsContainer *m_modelsContainer = nullptr;

    // Non-modal dialogs and panels, created on first use.
    TaskInfoDialog *m_taskInfoDialog = nullptr;
    AssigneeChat *m_assigneeChat = nullptr;
    ListInfoDialog *m_listInfoDialog = nullptr;
    TaskAttachmentsDialog *m_taskAttachmentsDialog = nullptr;
    TaskAssignmentsDialog *m_taskAssignmentsDialog = nullptr;
    ListSharingUsersDialog *m_listSharingUsersDialog = nullptr;
    ListGroupsManagerDialog *m_listGroupsManagerDialog = nullptr;
    WebkitPlayerDialog *m_webkitPlayerDialog = nullptr;

    QSet<quint32> m_usedLocalIds;
    QPointer<Menu> m_contextMenu;
    QPointer<Menu> m_moveToListMenu;
    QPointer<Menu> m_assignToMenu;
    QPointer<Menu> m_sharingMenu;
    bool m_searchBarShown = true;
    SingleListSyncQueue *m_syncQueue = nullptr;
    bool m_fullSyncRunning = false;
    Task *m_clipboardTask = nullptr;

    QTimer *m_saveTimer = nullptr;
    // Each problem with the documents is told once per run, not at every tick.
    bool m_toldListsSaveFailed = false;
    bool m_toldGroupsSaveFailed = false;
};

#endif
