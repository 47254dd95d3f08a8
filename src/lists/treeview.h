#ifndef TREEVIEW_H
#define TREEVIEW_H

#include "model/tasktrace.h"

#include <QCursor>
#include <QList>
#include <QPersistentModelIndex>
#include <QTreeView>

#include <functional>
#include <memory>
#include <optional>

class ItemDelegate;
class ListModel;
class SyncingScreen;
class Task;
class TaskListSearchWidget;
class TaskTreeOwner;

// The task tree of one list tab. Every edit goes through the list's model;
// each structural change the user starts here records one undo step first.
// Structural operations commit an open title editor before they change the
// tree, so a shortcut never drops what the user typed.
class TreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit TreeView(TaskTreeOwner *owner, QWidget *parent = nullptr);
    ~TreeView() override;

    void setModel(QAbstractItemModel *model) override;
    ListModel *listModel() const;
    using QTreeView::edit;

    // The task of the current index; the list's root task when no row is
    // current.
    Task *currentTask() const;

    // New tasks.
    void insertAfterCurrent();
    void addTaskAtEnd();
    // Pastes a copy (the model takes it) after the current task and makes it
    // current.
    void pasteTask(Task *copy);

    // No task current, and the one that was is not left as the user leaves
    // it (an empty one stays).
    void clearCurrentGuarded();

    // Removal.
    void removeCurrent();
    void removeOrOutdentEmpty();
    void removeCheckedTasks();
    void removeTaskKeepingChildren(Task *task);
    // Takes the task with its subtree out of this list and returns a deep
    // copy for another list (the caller owns it); null when the index has no
    // task.
    Task *moveCurrentToList(const QModelIndex &index);

    // Moves, indents and outdents of the current task.
    void indentCurrent();
    void indentCurrentGroupTasks();
    void outdentCurrent();
    void moveCurrentUp();
    void moveCurrentDown();
    void moveCurrentToTop();
    void moveCurrentToBottom();
    void reparent(const QModelIndex &toMove, const QModelIndex &newParent, int newRow);
    void reparentCurrent(const QModelIndex &newParent, int newRow);

    // Expansion, stored in the tasks.
    void expandCurrent(const QModelIndex &index);
    void collapseCurrent(const QModelIndex &index);
    void expandAll();
    void collapseAll();

    void closeCurrentEditor();
    void setCurrentTask(Task *task);
    void setListName(const QString &name);

    // Optional columns 8 to 11; the header shows while any of them does.
    void showStartTimeColumn();
    void hideStartTimeColumn();
    void showEndTimeColumn();
    void hideEndTimeColumn();
    void showElapsedColumn();
    void hideElapsedColumn();
    void showAssignColumn();
    void hideAssignColumn();
    void updateHeaderVisibility();

    // The search bar and the syncing overlay are made when first needed: on
    // the tree's first show, or on first use before it. The getters make
    // them.
    void showSearchBar();
    void hideSearchBar();
    void adjustSearchBarGeometry();
    TaskListSearchWidget *searchBar() const;
    SyncingScreen *syncingScreen() const;
    // The overlays when made, null before; never make them.
    TaskListSearchWidget *madeSearchBar() const { return m_searchBar; }
    SyncingScreen *madeSyncingScreen() const { return m_syncingScreen; }

    // Tasks found by the search, in tree order.
    QList<Task *> searchHits() const { return m_searchHits; }

    // Puts in the keys typed while the list's run held it, as typed, once
    // editing is back; nothing while it is not.
    void applyHeldKeys();
    bool hasHeldKeys() const { return !m_heldKeys.isEmpty(); }
    // What the tree says when the run of `list` took away the task keys were
    // typed at, or changed the rows around it that keys moving or acting on
    // rows would have reached (those keys, `typed`, are left out).
    static QString heldKeysLeftOutText(const QString &list, const QString &typed, bool rowsChanged = false);

signals:
    void treeViewCurrentIndexChanged(TreeView *view);

public slots:
    void onShowSyncingScreen();
    void onHideSyncingScreen();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

protected slots:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void commitData(QWidget *editor) override;
    virtual void rowsRemoved(const QModelIndex &parent, int first, int last);

private slots:
    void closeEditorAndDeleteItem(QWidget *editor);
    void closeEditorWithReturnKey(QWidget *editor);
    void onTaskCollapsed(const QModelIndex &index);
    void onTaskExpanded(const QModelIndex &index);
    void expandCollapseAll();
    void onIndexEntered(const QModelIndex &index);
    void onSearchTextChanged(const QString &text);
    void onNextSearchButtonPressed();
    void onModelAboutToBeReset();
    void onModelReset();

private:
    class ResetBatch;
    class ScrollKeeper;

    struct HeldKey
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        bool autoRepeat;
    };

    // The rows around a task as the user saw them: the rows shown above and
    // below it, its parent and the sibling before it (null where there was
    // none); whether it was an untitled row, which a run's copy of the list
    // may not hold, and the last of the top level (Return in its title then
    // opens a row).
    struct Surroundings
    {
        TaskTrace above;
        TaskTrace below;
        TaskTrace parent;
        TaskTrace previous;
        bool empty = false;
        bool last = false;
    };

    // A title editor a run's reset closed: its task, what it held and
    // whether that was typed (not the title as it was).
    struct OpenEditor
    {
        TaskTrace task;
        QString text;
        int cursor = 0;
        bool typed = false;
    };

    bool inputBlocked() const;
    bool holdsKey(const QKeyEvent *event) const;
    // Claims a key typed at the tree or its title editor while the list's
    // run holds it; true when it was the tree's to hold.
    bool claimHeldKey(QEvent *event);
    void holdKey(const QKeyEvent *event);
    void replayKey(const HeldKey &key);
    // Whether a held key, replayed now, keeps to the rows `own` allows.
    bool keepsToOwnRows(const HeldKey &key, const std::function<bool(const QModelIndex &)> &own);
    void tellLeftOut(const QList<HeldKey> &keys, bool rowsChanged);
    // Without the rows on show (`shown` false), only its parent and the
    // sibling before it.
    Surroundings surroundingsOf(const QModelIndex &index, bool shown = true) const;
    // Under the same parent, after the same sibling.
    bool standsAt(const QModelIndex &index, const Surroundings &around) const;
    bool surroundingsHold(const QModelIndex &index, const Surroundings &around) const;
    bool isLastTopLevel(const QModelIndex &row) const;
    // A new untitled row where one stood among `around`, made current; false
    // when none could be made.
    bool makeEmptyRowAt(const Surroundings &around);
    // Typing, with no row chosen or on the row the tree's type-ahead picked,
    // moves the cursor only.
    bool typesAhead(const QKeyEvent *event) const;
    bool writable() const;
    // Tells the user and answers true when the task (alone: without its
    // subtasks) would stand deeper than the documents hold under newParent.
    bool refusedTooDeep(const Task *task, const Task *newParent, bool alone = false);
    bool maybeEditFromRight();
    bool maybeEditFromLeft();
    bool maybeEdit(bool cursorAtEnd);
    void insertTaskAt(int row, const QModelIndex &parent);
    QModelIndex lastTaskIndex(const QModelIndex &from) const;
    void ensureOneTask();
    void moveChildrenAfter(Task *task);
    void removeCheckedTasksUnder(Task *task);
    void makeCurrentGuarded(Task *task);
    void restoreCurrentTask();
    void indent(bool withSubtasks);
    void setOptionalColumn(int column, bool *field, bool shown);
    void expandCollapseUnder(const QModelIndex &parent);
    void setExpandedFlags(const QModelIndex &parent, bool expanded);
    void setTaskExpanded(const QModelIndex &index, bool expanded);
    void setAllExpanded(bool expanded);

    void paintEmptyArea(QPaintEvent *event);
    int dropPosition(const QModelIndex &dragged, const QModelIndex &row) const;
    static int depthOf(QModelIndex index);
    static bool isAfter(QModelIndex a, QModelIndex b, int depthA, int depthB);
    bool endsBranchAtDepth(const QModelIndex &row, const QModelIndex &dragged, int depth) const;
    static bool isInSubtree(const QModelIndex &root, QModelIndex index);
    void drop(const QModelIndex &index);
    void endDrag();

    void setUpColumnsOnFirstShow();
    void setUpColumns();
    TaskListSearchWidget *ensureSearchBar();
    SyncingScreen *ensureSyncingScreen();
    void placeSearchBar();
    void placeSyncingScreen();
    void placeInFocusChain(QWidget *overlay, QWidget *after);
    const QCursor &dragCursor();
    const QCursor &dropIntoCursor();

    void findMatchingTasks(const Task *task, QList<Task *> &hits, const QString &text) const;
    void refreshSearchHits();
    void showNextIcon();

    TaskTreeOwner *m_owner;
    bool m_removingRows = false;
    QPoint m_pressPos;
    QPersistentModelIndex m_draggedIndex;
    QPersistentModelIndex m_previousHoverIndex;
    QPersistentModelIndex m_hoverIndex;
    bool m_dragging = false;
    bool m_dropInto = false;
    std::unique_ptr<QCursor> m_dragCursor;
    std::unique_ptr<QCursor> m_dropIntoCursor;
    bool m_blueSkin;
    TaskListSearchWidget *m_searchBar = nullptr;
    bool m_searchBarWanted = false;
    bool m_shown = false;
    SyncingScreen *m_syncingScreen = nullptr;
    QList<Task *> m_searchHits;
    int m_nextHit = 1;
    QString m_searchText;
    bool m_startTimeShown = false;
    bool m_endTimeShown = false;
    bool m_elapsedShown = false;
    bool m_assigneeShown = false;
    ItemDelegate *m_titleDelegate = nullptr;
    int m_resetBatch = 0;
    bool m_resetPending = false;
    // The current task while the model resets (the reset clears the current
    // index), to find it again once the reset is over.
    TaskTrace m_keptTask;
    // The current task a reset took out of the list, while no other row has
    // been made current: a later undo or redo may bring it back.
    TaskTrace m_goneTask;
    // The current row's task while it lives: a run may free it before the
    // list says it resets.
    std::weak_ptr<const void> m_currentLifetime;
    // The current row was an untitled one a run may take away: where it
    // stood, to make it again there.
    bool m_keptEmpty = false;
    Surroundings m_keptAround;
    // The title editor open when a run's reset closed it.
    OpenEditor m_keptEditor;
    // Keys typed while the list's run held it, in order, the task that was
    // current at the first and the rows the user saw around it: they go in
    // there, or nowhere.
    QList<HeldKey> m_heldKeys;
    TaskTrace m_heldAt;
    Surroundings m_heldAround;
    bool m_replaying = false;
    // While keys are replayed over rows that moved on: whether the row they
    // were typed at was the last of the top level.
    std::optional<bool> m_seenLast;
    // The row the type-ahead picked, while the user has not chosen another.
    QPersistentModelIndex m_typedAhead;
    bool m_typingAhead = false;
};

#endif
