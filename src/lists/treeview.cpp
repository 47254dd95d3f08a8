#include "lists/treeview.h"

#include "core/uisettings.h"
#include "dialogs/deletechildrendialog.h"
#include "lists/icondelegate.h"
#include "lists/itemdelegate.h"
#include "lists/syncingscreen.h"
#include "lists/tasklistsearchwidget.h"
#include "lists/tasktreeowner.h"
#include "lists/textfieldkeyfilter.h"
#include "lists/timedelegate.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/taskreaderwriter.h"
#include "shell/colorpalette.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDebug>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include <utility>

namespace {

// The row holds the traced task, or there is no row where none was traced.
bool isTraced(const ListModel *list, const QModelIndex &row, const TaskTrace &trace)
{
    if (!row.isValid())
        return trace.isNull();
    return !trace.isNull() && trace.find(list) == list->taskForIndex(row);
}

} // namespace

// Several model resets in a row (each child moved on its own) restore the
// view's expansion and search hits once, at the end, instead of after each.
// Indenting and outdenting keep the list where the user sees it.
class TreeView::ScrollKeeper
{
public:
    explicit ScrollKeeper(TreeView *view)
        : m_view(view)
        , m_value(view->verticalScrollBar()->value())
    {
    }
    ~ScrollKeeper()
    {
        m_view->executeDelayedItemsLayout();
        m_view->verticalScrollBar()->setValue(m_value);
    }
    ScrollKeeper(const ScrollKeeper &) = delete;
    ScrollKeeper &operator=(const ScrollKeeper &) = delete;

private:
    TreeView *m_view;
    int m_value;
};

class TreeView::ResetBatch
{
public:
    explicit ResetBatch(TreeView *view)
        : m_view(view)
    {
        ++m_view->m_resetBatch;
    }
    ~ResetBatch()
    {
        if (--m_view->m_resetBatch == 0 && m_view->m_resetPending) {
            m_view->m_resetPending = false;
            m_view->onModelReset();
        }
    }
    ResetBatch(const ResetBatch &) = delete;
    ResetBatch &operator=(const ResetBatch &) = delete;

private:
    TreeView *m_view;
};

TreeView::TreeView(TaskTreeOwner *owner, QWidget *parent)
    : QTreeView(parent)
    , m_owner(owner)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
{
    // The style sheets select the tree by this name (row height, check dot),
    // and the style keeps the rules it first finds: name it before anything
    // asks. The page sets the same name.
    setObjectName(QStringLiteral("treeview"));
    setAccessibleName(tr("Tasks"));
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row is one line of the skin's row height; with per-pixel
    // scrolling the view would otherwise measure every task of the list.
    setUniformRowHeights(true);

    m_titleDelegate = new ItemDelegate(this);
    setItemDelegateForColumn(ListModel::TitleColumn, m_titleDelegate);
    // The icon and time delegates keep nothing of a cell: one of each serves
    // all its columns.
    auto *icons = new IconDelegate(this);
    for (int column = ListModel::FirstIconColumn; column <= ListModel::LastIconColumn; ++column)
        setItemDelegateForColumn(column, icons);
    auto *times = new TimeDelegate(this);
    for (int column = ListModel::StartTimeColumn; column <= ListModel::AssignmentColumn; ++column)
        setItemDelegateForColumn(column, times);

    header()->setSectionsMovable(false);
    header()->setObjectName(QStringLiteral("treeViewHeader"));
    header()->hide();

    // A page holds one tree per list and shows one: the overlays of the
    // others wait until needed.
    m_searchBarWanted = UISettings::instance()->showTaskSearchBarByDefault();

    connect(m_titleDelegate, &ItemDelegate::closeEditorAndDeleteItem, this, &TreeView::closeEditorAndDeleteItem);
    connect(m_titleDelegate, &ItemDelegate::closeEditorWithReturnKey, this, &TreeView::closeEditorWithReturnKey);
    setMouseTracking(true);
    connect(this, &QAbstractItemView::entered, this, &TreeView::onIndexEntered);
    connect(this, &QTreeView::collapsed, this, &TreeView::onTaskCollapsed);
    connect(this, &QTreeView::expanded, this, &TreeView::onTaskExpanded);

    setItemsExpandable(true);
    setAnimated(UISettings::instance()->showAnimations());
}

TreeView::~TreeView() = default;

ListModel *TreeView::listModel() const
{
    return qobject_cast<ListModel *>(model());
}

Task *TreeView::currentTask() const
{
    ListModel *list = listModel();
    return list ? list->taskForIndex(currentIndex()) : nullptr;
}

void TreeView::setModel(QAbstractItemModel *newModel)
{
    m_keptTask = TaskTrace();
    m_goneTask = TaskTrace();
    if (QAbstractItemModel *old = model()) {
        disconnect(old, &QAbstractItemModel::modelAboutToBeReset, this, &TreeView::onModelAboutToBeReset);
        disconnect(old, &QAbstractItemModel::modelReset, this, &TreeView::onModelReset);
        disconnect(old, &QAbstractItemModel::rowsRemoved, this, nullptr);
    }
    m_searchHits.clear();
    QTreeView::setModel(newModel);
    if (!newModel)
        return;
    // Row removal reaches the base view through this view's slot, which then
    // clears the removal guard; exactly one connection, whichever way the
    // base view made its own.
    disconnect(newModel, &QAbstractItemModel::rowsRemoved, this, nullptr);
    connect(newModel, &QAbstractItemModel::rowsRemoved, this, &TreeView::rowsRemoved);

    // Columns sized to their contents measure every row, again after each
    // change: a tree not shown yet sizes its columns when it first shows.
    if (m_shown)
        setUpColumns();
    // The optional columns show as the fields say until the page sets them.
    setColumnHidden(ListModel::StartTimeColumn, !m_startTimeShown);
    setColumnHidden(ListModel::EndTimeColumn, !m_endTimeShown);
    setColumnHidden(ListModel::ElapsedColumn, !m_elapsedShown);
    setColumnHidden(ListModel::AssignmentColumn, !m_assigneeShown);

    connect(newModel, &QAbstractItemModel::modelAboutToBeReset, this, &TreeView::onModelAboutToBeReset);
    connect(newModel, &QAbstractItemModel::modelReset, this, &TreeView::onModelReset);
    expandCollapseAll();
    ensureOneTask();
    setCurrentIndex(QModelIndex());
    refreshSearchHits();
}

void TreeView::setUpColumnsOnFirstShow()
{
    if (m_shown)
        return;
    m_shown = true;
    if (model())
        setUpColumns();
}

void TreeView::setUpColumns()
{
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(ListModel::TitleColumn, QHeaderView::Stretch);
    for (int column = ListModel::FirstIconColumn; column < ListModel::ColumnCount; ++column)
        header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

// ------------------------------------------------------------------ input

bool TreeView::inputBlocked() const
{
    const ListModel *list = listModel();
    if (!list)
        return false;
    return list->isSynchronizing() || (m_owner && m_owner->isSyncing());
}

bool TreeView::writable() const
{
    const ListModel *list = listModel();
    return list && list->hasWritePermission();
}

bool TreeView::event(QEvent *event)
{
    // Rows measured before the style sheet reached the view (a task made
    // current before the tab was first shown) are measured again.
    if (event->type() == QEvent::Polish) {
        const bool handled = QTreeView::event(event);
        scheduleDelayedItemsLayout();
        return handled;
    }
    // A tree once shown holds both overlays, as it would have from the start.
    if (event->type() == QEvent::Show) {
        setUpColumnsOnFirstShow();
        ensureSyncingScreen();
        ensureSearchBar();
    }
    if (claimHeldKey(event))
        return true;
    // The row the type-ahead picked is none the user chose: Space goes on
    // with the search there rather than tick it.
    if (event->type() == QEvent::ShortcutOverride && typesAhead(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    // Tab and Shift+Tab are the indent and outdent shortcuts: the view never
    // moves the focus on them.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            return false;
    }
    return QTreeView::event(event);
}

// The title editor's keys wait for the list's run as the tree's do.
bool TreeView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched->isWidgetType() && static_cast<QWidget *>(watched)->parentWidget() == viewport()
        && claimHeldKey(event))
        return true;
    return QTreeView::eventFilter(watched, event);
}

bool TreeView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (!QTreeView::edit(index, trigger, event))
        return false;
    if (QWidget *editor = indexWidget(index))
        editor->installEventFilter(this);
    return true;
}

// With no row current, the base view makes its first row current when the
// focus comes by any way but a click (the window activated again, Tab): a
// task nobody chose, which the Task info panel would show and edit in place
// of the one a reset took away. Setting the empty current index tells the
// view that no row is meant.
void TreeView::focusInEvent(QFocusEvent *event)
{
    if (!currentIndex().isValid())
        setCurrentIndex(QModelIndex());
    QTreeView::focusInEvent(event);
}

void TreeView::keyPressEvent(QKeyEvent *event)
{
    // A key the search field left unused is not the tree's either.
    if (m_searchBar && m_searchBar->isAncestorOf(QApplication::focusWidget())) {
        event->accept();
        return;
    }
    if (inputBlocked()) {
        event->accept();
        return;
    }
    const bool canWrite = writable();
    const int key = event->key();
    if (key == Qt::Key_Up) {
        QTreeView::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Down) {
        const QModelIndex current = currentIndex();
        if (canWrite && current.isValid() && current.siblingAtColumn(0) == lastTaskIndex(QModelIndex()))
            addTaskAtEnd();
        else
            QTreeView::keyPressEvent(event);
        return;
    }
    if (!canWrite) {
        event->ignore();
        return;
    }
    if (typesAhead(event)) {
        m_typingAhead = true;
        if (key != Qt::Key_Backspace)
            keyboardSearch(event->text());
        m_typingAhead = false;
        m_typedAhead = currentIndex().siblingAtColumn(0);
        event->accept();
        return;
    }
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        removeOrOutdentEmpty();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        insertAfterCurrent();
        break;
    case Qt::Key_Right:
        if (!maybeEditFromRight())
            QTreeView::keyPressEvent(event);
        break;
    case Qt::Key_Left:
        if (!maybeEditFromLeft())
            QTreeView::keyPressEvent(event);
        break;
    case Qt::Key_Space:
        if (!currentIndex().isValid() || !edit(currentIndex(), QAbstractItemView::EditKeyPressed, event))
            QTreeView::keyPressEvent(event);
        break;
    default:
        QTreeView::keyPressEvent(event);
        break;
    }
}

// The base view picks a row by the letters typed and, with a row current,
// starts editing its title at any key: a title typed with no row chosen
// would overwrite the task the first letter picked. Nothing but the search
// goes on until the user chooses a row.
bool TreeView::typesAhead(const QKeyEvent *event) const
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.siblingAtColumn(0) != m_typedAhead)
        return false;
    return event->key() == Qt::Key_Backspace || (!event->text().isEmpty() && event->text().at(0).isPrint());
}

bool TreeView::maybeEditFromRight()
{
    return maybeEdit(true);
}

bool TreeView::maybeEditFromLeft()
{
    return maybeEdit(false);
}

bool TreeView::maybeEdit(bool cursorAtEnd)
{
    const QModelIndex current = currentIndex();
    if (state() == QAbstractItemView::EditingState || !current.isValid())
        return false;
    edit(current);
    auto *line = qobject_cast<QLineEdit *>(indexWidget(current));
    if (!line) {
        if (cursorAtEnd)
            qWarning("TreeView::maybeEditFromRight expected to find a QLineEdit");
        else
            qWarning("TreeView::maybeEditFromLeft expected to find a QLineEdit");
    } else if (cursorAtEnd) {
        line->end(false);
    } else {
        line->home(false);
    }
    return true;
}

void TreeView::mousePressEvent(QMouseEvent *event)
{
    // Keys typed before the click go in first, where they were typed.
    applyHeldKeys();
    if (inputBlocked()) {
        event->accept();
        return;
    }
    // A click chooses, even the row the type-ahead picked.
    m_typedAhead = QPersistentModelIndex();
    m_draggedIndex = QPersistentModelIndex();
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) {
        if (event->button() != Qt::LeftButton) {
            QTreeView::mousePressEvent(event);
            return;
        }
        if (writable())
            addTaskAtEnd();
        event->accept();
        return;
    }

    const int column = index.column();
    if (column >= ListModel::FirstIconColumn && column <= ListModel::LastIconColumn) {
        if (event->button() == Qt::LeftButton) {
            const int code = index.data(ListModel::IconCodeRole).toInt();
            setCurrentIndex(index.siblingAtColumn(0));
            if (m_owner) {
                switch (code) {
                case ListModel::NoteIcon:
                    m_owner->showNoteDialog();
                    break;
                case ListModel::AlarmIcon:
                    m_owner->showAlarmDialog();
                    break;
                case ListModel::StartTimeIcon:
                    m_owner->showTimeManagementDialog();
                    break;
                case ListModel::WebHyperlinkIcon:
                    m_owner->openTaskLink();
                    break;
                case ListModel::VideoHyperlinkIcon:
                    m_owner->playTaskVideo();
                    break;
                default:
                    break;
                }
            }
        }
        event->accept();
        return;
    }

    if (column != ListModel::TitleColumn || event->button() != Qt::LeftButton) {
        QTreeView::mousePressEvent(event);
        return;
    }

    // The hit is decided on the row as it was pressed: making it current may
    // delete an empty task above it and move it.
    const bool onDot = pointInCheckDot(visualRect(index), pos);
    setCurrentIndex(index);
    const QModelIndex current = currentIndex();
    if (onDot && writable()) {
        if (current.isValid())
            model()->setData(current, !listModel()->taskForIndex(current)->isDone(), Qt::CheckStateRole);
        event->accept();
        return;
    }
    m_pressPos = pos;
    m_draggedIndex = current;
    m_previousHoverIndex = current;
    m_hoverIndex = current;
    if (indexAt(pos) == current)
        QTreeView::mousePressEvent(event);
    else
        event->accept();
}

void TreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    applyHeldKeys();
    if (inputBlocked()) {
        event->accept();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    const bool onDot = index.isValid() && pointInCheckDot(visualRect(index.siblingAtColumn(0)), pos);
    if (writable() && !onDot)
        maybeEditFromRight();
    event->accept();
}

void TreeView::mouseMoveEvent(QMouseEvent *event)
{
    if (listModel() && !writable()) {
        event->accept();
        return;
    }
    if (inputBlocked()) {
        event->accept();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (index.isValid() && index.column() != ListModel::TitleColumn && event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    const bool leftHeld = event->buttons() & Qt::LeftButton;
    if (!index.isValid()) {
        if (leftHeld)
            viewport()->setCursor(Qt::ForbiddenCursor);
        else
            viewport()->unsetCursor();
        QTreeView::mouseMoveEvent(event);
        return;
    }
    if (!leftHeld) {
        QTreeView::mouseMoveEvent(event);
        return;
    }
    if (!m_dragging) {
        if (!m_draggedIndex.isValid() || (pos - m_pressPos).manhattanLength() < QApplication::startDragDistance()) {
            QTreeView::mouseMoveEvent(event);
            return;
        }
        m_dragging = true;
        viewport()->setCursor(dragCursor());
        event->accept();
        return;
    }
    if (index != m_hoverIndex) {
        m_previousHoverIndex = m_hoverIndex;
        m_hoverIndex = index;
    }
    m_dropInto = index != m_draggedIndex && pointInCheckDot(visualRect(index), pos)
        && !isInSubtree(m_draggedIndex, index);
    viewport()->setCursor(m_dropInto ? dropIntoCursor() : dragCursor());
    viewport()->update();
    event->accept();
}

// Loaded on the first drag: most trees never see one.
const QCursor &TreeView::dragCursor()
{
    if (!m_dragCursor)
        m_dragCursor = std::make_unique<QCursor>(QPixmap(QStringLiteral(":/windrag.png")), 1, 1);
    return *m_dragCursor;
}

const QCursor &TreeView::dropIntoCursor()
{
    if (!m_dropIntoCursor)
        m_dropIntoCursor = std::make_unique<QCursor>(QPixmap(QStringLiteral(":/windrag_in.png")), 1, 1);
    return *m_dropIntoCursor;
}

void TreeView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!inputBlocked()) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && index.column() == ListModel::TitleColumn && m_dragging && m_draggedIndex.isValid())
            drop(index);
    }
    endDrag();
    // The base view never sees the release; it must not stay selecting.
    if (state() == QAbstractItemView::DragSelectingState)
        setState(QAbstractItemView::NoState);
    event->accept();
}

void TreeView::endDrag()
{
    viewport()->unsetCursor();
    m_dragging = false;
    m_dropInto = false;
    m_draggedIndex = QPersistentModelIndex();
    viewport()->update();
}

void TreeView::drop(const QModelIndex &index)
{
    ListModel *list = listModel();
    const QModelIndex dragged = m_draggedIndex;
    if (m_dropInto) {
        if (isInSubtree(dragged, index) || refusedTooDeep(list->taskForIndex(dragged), list->taskForIndex(index)))
            return;
        list->saveUndoState();
        reparent(dragged, index, 0);
        return;
    }
    const int position = dropPosition(dragged, index);
    if (position == 0) {
        if (refusedTooDeep(list->taskForIndex(dragged), list->taskForIndex(index.parent())))
            return;
        list->saveUndoState();
        reparent(dragged, index.parent(), index.row());
    } else if (position == 1) {
        QModelIndex target = index;
        for (int depth = depthOf(index), wanted = depthOf(dragged); depth > wanted; --depth)
            target = target.parent();
        if (refusedTooDeep(list->taskForIndex(dragged), list->taskForIndex(target.parent())))
            return;
        list->saveUndoState();
        const int row = target.parent() == dragged.parent() ? target.row() : target.row() + 1;
        reparent(dragged, target.parent(), row);
    }
}

void TreeView::contextMenuEvent(QContextMenuEvent *event)
{
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid())
        setCurrentIndex(index.siblingAtColumn(0));
    if (m_owner)
        m_owner->showTaskContextMenu(event->globalPos());
}

void TreeView::onIndexEntered(const QModelIndex &index)
{
    if (index.data(ListModel::IconCodeRole).toInt() != 0)
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

// ---------------------------------------------------------- drop targets

int TreeView::depthOf(QModelIndex index)
{
    int depth = 0;
    for (index = index.parent(); index.isValid(); index = index.parent())
        ++depth;
    return depth;
}

bool TreeView::isAfter(QModelIndex a, QModelIndex b, int depthA, int depthB)
{
    for (; depthA > depthB; --depthA)
        a = a.parent();
    for (; depthB > depthA; --depthB)
        b = b.parent();
    while (a.parent() != b.parent()) {
        a = a.parent();
        b = b.parent();
    }
    return a.row() > b.row();
}

bool TreeView::endsBranchAtDepth(const QModelIndex &row, const QModelIndex &dragged, int depth) const
{
    if (model()->hasChildren(row) || row.sibling(row.row() + 1, 0).isValid())
        return false;
    int ancestorDepth = depthOf(row) - 1;
    for (QModelIndex ancestor = row.parent(); ancestor.isValid(); ancestor = ancestor.parent(), --ancestorDepth) {
        if (ancestorDepth == depth)
            return ancestor != dragged;
        if (ancestor.sibling(ancestor.row() + 1, 0).isValid())
            return false;
    }
    return false;
}

bool TreeView::isInSubtree(const QModelIndex &root, QModelIndex index)
{
    for (; index.isValid(); index = index.parent()) {
        if (index == root)
            return true;
    }
    return false;
}

int TreeView::dropPosition(const QModelIndex &dragged, const QModelIndex &row) const
{
    if (row == dragged || row != m_hoverIndex || !dragged.isValid())
        return -1;
    const int draggedDepth = depthOf(dragged);
    const int rowDepth = depthOf(row);
    if (draggedDepth == rowDepth) {
        if (isAfter(dragged, row, draggedDepth, rowDepth))
            return 0;
        if (isExpanded(row) && model()->hasChildren(row))
            return -1;
        return 1;
    }
    if (draggedDepth > rowDepth || isAfter(dragged, row, draggedDepth, rowDepth))
        return -1;
    return endsBranchAtDepth(row, dragged, draggedDepth) ? 1 : -1;
}

// --------------------------------------------------------------- painting

void TreeView::paintEvent(QPaintEvent *event)
{
    m_titleDelegate->readSettings();
    paintEmptyArea(event);
    QTreeView::paintEvent(event);
}

void TreeView::paintEmptyArea(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect rect = event->rect();
    painter.fillRect(rect, ColorPalette::forSkin(ColorPalette::TopRowBackground, m_blueSkin));
    const QModelIndex first = model() ? model()->index(0, 0) : QModelIndex();
    if (!first.isValid())
        return;
    const int height = rowHeight(first);
    if (height < 1) {
        qWarning("TreeView: unexpected row height");
        return;
    }
    painter.setPen(ColorPalette::forSkin(ColorPalette::NestedRowBackground, m_blueSkin));
    for (int y = height - 1; y <= rect.bottom(); y += height) {
        if (y >= rect.top())
            painter.drawLine(rect.left(), y, rect.right(), y);
    }
}

void TreeView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QVariant background = index.data(Qt::BackgroundRole);
    if (background.canConvert<QBrush>())
        painter->fillRect(option.rect, qvariant_cast<QBrush>(background));
    QTreeView::drawRow(painter, option, index);

    const QRect &rect = option.rect;
    painter->save();
    if (m_dragging && !m_dropInto) {
        const int position = dropPosition(m_draggedIndex, index);
        painter->setPen(Qt::black);
        if (position == 1) {
            painter->drawLine(rect.bottomLeft(), rect.bottomRight());
            painter->restore();
            return;
        }
        if (position == 0)
            painter->drawLine(rect.topLeft(), rect.topRight());
    }
    // The separator has the background colour of the other level.
    const int separator = index.parent().isValid() ? ColorPalette::TopRowBackground : ColorPalette::NestedRowBackground;
    painter->setPen(ColorPalette::forSkin(separator, m_blueSkin));
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();
}

void TreeView::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    QTreeView::drawBranches(painter, rect, index);
}

void TreeView::resizeEvent(QResizeEvent *event)
{
    // A hidden widget is resized only as it shows or is rendered: the
    // columns are sized before the scroll bars are measured, which would
    // otherwise show a passing horizontal bar.
    setUpColumnsOnFirstShow();
    QTreeView::resizeEvent(event);
    placeSearchBar();
    placeSyncingScreen();
}

void TreeView::placeSearchBar()
{
    if (!m_searchBar)
        return;
    const int barHeight = m_searchBar->sizeHint().height();
    const int barWidth = width() - (verticalScrollBar()->isVisible() ? 51 : 34);
    m_searchBar->setGeometry(17, height() - barHeight - 10, barWidth, barHeight);
}

void TreeView::placeSyncingScreen()
{
    if (!m_syncingScreen)
        return;
    QRect place(QPoint(0, 0), m_syncingScreen->sizeHint());
    place.moveCenter(rect().center());
    m_syncingScreen->setGeometry(place);
}

void TreeView::adjustSearchBarGeometry()
{
    if (!m_searchBar)
        return;
    m_searchBar->resize(width() - (verticalScrollBar()->isVisible() ? 51 : 34), m_searchBar->sizeHint().height());
}

// ------------------------------------------------------- optional columns

void TreeView::setOptionalColumn(int column, bool *field, bool shown)
{
    setColumnHidden(column, !shown);
    *field = shown;
    updateHeaderVisibility();
}

void TreeView::showStartTimeColumn() { setOptionalColumn(ListModel::StartTimeColumn, &m_startTimeShown, true); }
void TreeView::hideStartTimeColumn() { setOptionalColumn(ListModel::StartTimeColumn, &m_startTimeShown, false); }
void TreeView::showEndTimeColumn() { setOptionalColumn(ListModel::EndTimeColumn, &m_endTimeShown, true); }
void TreeView::hideEndTimeColumn() { setOptionalColumn(ListModel::EndTimeColumn, &m_endTimeShown, false); }
void TreeView::showElapsedColumn() { setOptionalColumn(ListModel::ElapsedColumn, &m_elapsedShown, true); }
void TreeView::hideElapsedColumn() { setOptionalColumn(ListModel::ElapsedColumn, &m_elapsedShown, false); }
void TreeView::showAssignColumn() { setOptionalColumn(ListModel::AssignmentColumn, &m_assigneeShown, true); }
void TreeView::hideAssignColumn() { setOptionalColumn(ListModel::AssignmentColumn, &m_assigneeShown, false); }

void TreeView::updateHeaderVisibility()
{
    const bool wanted = m_startTimeShown || m_endTimeShown || m_elapsedShown || m_assigneeShown;
    if (header()->isHidden() == wanted)
        header()->setVisible(wanted);
}

// ----------------------------------------------------------- overlays

TaskListSearchWidget *TreeView::searchBar() const
{
    return const_cast<TreeView *>(this)->ensureSearchBar();
}

SyncingScreen *TreeView::syncingScreen() const
{
    return const_cast<TreeView *>(this)->ensureSyncingScreen();
}

// Made late, an overlay takes the place in the focus chain, the stacking
// order and the geometry it would have had if made with the tree: the
// syncing overlay, then the search bar, right after the tree.
TaskListSearchWidget *TreeView::ensureSearchBar()
{
    if (m_searchBar)
        return m_searchBar;
    m_searchBar = new TaskListSearchWidget(this);
    m_searchBar->setObjectName(QStringLiteral("searchoverlay"));
    connect(m_searchBar, &TaskListSearchWidget::searchTextChanged, this, &TreeView::onSearchTextChanged);
    connect(m_searchBar, &TaskListSearchWidget::nextButtonPressed, this, &TreeView::onNextSearchButtonPressed);
    QWidget *after = this;
    if (m_syncingScreen) {
        after = m_syncingScreen->cancelButton();
        if (!m_syncingScreen->isHidden())
            m_syncingScreen->raise();
    }
    placeInFocusChain(m_searchBar, after);
    placeSearchBar();
    m_searchBar->setVisible(m_searchBarWanted);
    return m_searchBar;
}

SyncingScreen *TreeView::ensureSyncingScreen()
{
    if (m_syncingScreen)
        return m_syncingScreen;
    m_syncingScreen = new SyncingScreen(m_owner, this, this);
    m_syncingScreen->hide();
    if (m_searchBar)
        m_syncingScreen->stackUnder(m_searchBar);
    placeInFocusChain(m_syncingScreen, this);
    placeSyncingScreen();
    return m_syncingScreen;
}

// Only widgets that take the focus have a place that counts.
void TreeView::placeInFocusChain(QWidget *overlay, QWidget *after)
{
    QWidget *previous = after;
    const QList<QWidget *> widgets = overlay->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void TreeView::onShowSyncingScreen()
{
    ensureSyncingScreen()->onShowScreen(listModel());
}

void TreeView::onHideSyncingScreen()
{
    if (m_syncingScreen)
        m_syncingScreen->onHideScreen();
}

// ------------------------------------------------------------ held keys

// Typing, not the page's commands held with Ctrl or Alt or on function keys
// (F5 starts the full run at once), nor a modifier pressed alone, nor a key
// the search field left.
bool TreeView::holdsKey(const QKeyEvent *event) const
{
    const ListModel *list = listModel();
    if (!list || m_replaying || (!list->isSynchronizing() && m_heldKeys.isEmpty()))
        return false;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if ((event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F35)
        || (event->key() >= Qt::Key_Shift && event->key() <= Qt::Key_ScrollLock) || event->key() == Qt::Key_AltGr)
        return false;
    return !(m_searchBar && m_searchBar->isAncestorOf(QApplication::focusWidget()));
}

bool TreeView::claimHeldKey(QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!holdsKey(key))
        return false;
    if (event->type() == QEvent::KeyPress)
        holdKey(key);
    event->accept();
    return true;
}

void TreeView::holdKey(const QKeyEvent *event)
{
    if (m_heldKeys.isEmpty()) {
        const QModelIndex current = currentIndex();
        // No row current since the run took away the one that was: the keys
        // were meant for that one.
        m_heldAt = current.isValid() ? TaskTrace(listModel(), currentTask()) : m_goneTask;
        m_heldAround = current.isValid() ? surroundingsOf(current) : Surroundings();
    }
    m_heldKeys.append({event->key(), event->modifiers(), event->text(), event->isAutoRepeat()});
}

void TreeView::applyHeldKeys()
{
    ListModel *list = listModel();
    if (m_heldKeys.isEmpty() || m_replaying || !list || inputBlocked())
        return;
    const TaskTrace at = std::exchange(m_heldAt, TaskTrace());
    const Surroundings around = std::exchange(m_heldAround, Surroundings());
    bool rowsHold = true;
    const Task *typedAt = nullptr;
    if (!at.isNull()) {
        typedAt = at.find(list);
        // The untitled row typed at, which the run's copy of the list does
        // not hold: a new one where it stood takes the keys.
        if (!typedAt && around.empty && makeEmptyRowAt(around))
            typedAt = currentTask();
        // The run took the task away: the keys go to no other one, and the
        // user is told what was left out.
        const QModelIndex current = currentIndex();
        if (!typedAt || !current.isValid() || typedAt != list->taskForIndex(current)) {
            tellLeftOut(std::exchange(m_heldKeys, {}), false);
            return;
        }
        rowsHold = surroundingsHold(current, around);
    }
    // Where the rows around moved on, the keys keep to the task typed at and
    // the rows they open; from the first that would reach or act on another
    // row, they are told instead.
    const QSet<Task *> before = rowsHold ? QSet<Task *>() : list->taskList()->allTasks();
    const auto own = [&](const QModelIndex &index) {
        const Task *task = index.isValid() ? list->taskForIndex(index) : nullptr;
        return task && (task == typedAt || !before.contains(const_cast<Task *>(task)));
    };
    if (!rowsHold)
        m_seenLast = around.last;
    const QPointer<TreeView> self(this);
    m_replaying = true;
    bool refused = false;
    while (self && !m_heldKeys.isEmpty() && !refused) {
        refused = !rowsHold && !keepsToOwnRows(m_heldKeys.first(), own);
        if (!refused)
            replayKey(m_heldKeys.takeFirst());
    }
    if (!self)
        return;
    m_replaying = false;
    m_seenLast.reset();
    if (refused)
        tellLeftOut(std::exchange(m_heldKeys, {}), true);
    // Typed in a list the user has left since: what went in is kept.
    else if (!isVisible())
        closeCurrentEditor();
}

QString TreeView::heldKeysLeftOutText(const QString &list, const QString &typed, bool rowsChanged)
{
    const QString why = rowsChanged
        ? tr("What you typed in the list \"%1\" while it was synchronising was not all put in: the "
             "synchronisation changed the tasks around the one you typed it at, and the keys that would have "
             "reached them were left out.")
              .arg(list)
        : tr("What you typed in the list \"%1\" while it was synchronising was not put in: the task you typed it "
             "at is no longer in the list.")
              .arg(list);
    // A tick or a move with nothing named leaves no text to show.
    if (typed.isEmpty())
        return why;
    return why + QLatin1Char(' ')
        + (rowsChanged ? tr("Left out: \"%1\"") : tr("You typed: \"%1\"")).arg(typed);
}

// The keys as the user would tell them: titles as typed (corrections made),
// Return between them, and the keys that act on rows by name.
void TreeView::tellLeftOut(const QList<HeldKey> &keys, bool rowsChanged)
{
    QString typed;
    bool inWord = false;
    for (const HeldKey &key : keys) {
        const bool printable = !key.text.isEmpty() && key.text.at(0).isPrint();
        if (key.key == Qt::Key_Escape) {
            continue;
        } else if (key.key == Qt::Key_Return || key.key == Qt::Key_Enter) {
            inWord = false;
        } else if (key.key == Qt::Key_Backspace && inWord && !typed.isEmpty()) {
            typed.chop(1);
        } else if (printable && (inWord || key.key != Qt::Key_Space)) {
            typed += key.text;
            inWord = true;
            continue;
        } else {
            const QKeyCombination combination = key.key == Qt::Key_Backtab
                ? QKeyCombination(Qt::ShiftModifier, Qt::Key_Tab)
                : QKeyCombination(key.modifiers & ~Qt::KeypadModifier, Qt::Key(key.key));
            typed += QLatin1Char(' ') + QKeySequence(combination).toString(QKeySequence::NativeText);
            inWord = false;
        }
        typed += QLatin1Char(' ');
    }
    if (m_owner)
        m_owner->tellUser(heldKeysLeftOutText(listModel()->name(), typed.simplified(), rowsChanged));
}

// Whether the key, replayed where the tree stands now (on a row `own`
// allows), keeps to such rows: it types or moves in the open title, starts
// the row's title or ticks it, opens a row right below, moves the cursor to
// such a row, or indents the row under one or out of one it ends. Backspace
// and Delete on a row or in an emptied title remove it, and the cursor lands
// on the next row: they reach others.
bool TreeView::keepsToOwnRows(const HeldKey &key, const std::function<bool(const QModelIndex &)> &own)
{
    const QModelIndex current = currentIndex().siblingAtColumn(0);
    const auto *editor = state() == EditingState ? qobject_cast<QLineEdit *>(indexWidget(currentIndex())) : nullptr;
    const auto reaches = [&](CursorAction action) { return own(moveCursor(action, key.modifiers)); };
    switch (key.key) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    case Qt::Key_Home:
        return editor || reaches(MoveHome);
    case Qt::Key_End:
        return editor || reaches(MoveEnd);
    case Qt::Key_Up:
        return reaches(MoveUp);
    case Qt::Key_Down:
        return reaches(MoveDown);
    case Qt::Key_PageUp:
        return reaches(MovePageUp);
    case Qt::Key_PageDown:
        return reaches(MovePageDown);
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return editor
            && (!editor->text().trimmed().isEmpty() || key.modifiers != Qt::NoModifier
                || (key.key == Qt::Key_Backspace && key.autoRepeat));
    case Qt::Key_Tab:
        return current.row() > 0 && own(current.sibling(current.row() - 1, 0));
    case Qt::Key_Backtab:
        // Out of a row it ends: it takes no row after it along.
        return own(current.parent()) && !current.sibling(current.row() + 1, 0).isValid();
    default:
        return !key.text.isEmpty() && key.text.at(0).isPrint();
    }
}

TreeView::Surroundings TreeView::surroundingsOf(const QModelIndex &index, bool shown) const
{
    const ListModel *list = listModel();
    const QModelIndex row = index.siblingAtColumn(0);
    const auto traced = [list](const QModelIndex &at) {
        return at.isValid() ? TaskTrace(list, list->taskForIndex(at)) : TaskTrace();
    };
    Surroundings around;
    if (shown) {
        around.above = traced(indexAbove(row));
        around.below = traced(indexBelow(row));
    }
    around.parent = traced(row.parent());
    around.previous = traced(row.row() > 0 ? row.sibling(row.row() - 1, 0) : QModelIndex());
    around.empty = list->taskForIndex(row)->isBlankRecursively();
    around.last = isLastTopLevel(row);
    return around;
}

bool TreeView::isLastTopLevel(const QModelIndex &row) const
{
    return !row.parent().isValid() && row.row() == model()->rowCount() - 1;
}

bool TreeView::standsAt(const QModelIndex &index, const Surroundings &around) const
{
    const QModelIndex row = index.siblingAtColumn(0);
    return isTraced(listModel(), row.parent(), around.parent)
        && isTraced(listModel(), row.row() > 0 ? row.sibling(row.row() - 1, 0) : QModelIndex(), around.previous);
}

bool TreeView::surroundingsHold(const QModelIndex &index, const Surroundings &around) const
{
    const QModelIndex row = index.siblingAtColumn(0);
    return standsAt(row, around) && isTraced(listModel(), indexAbove(row), around.above)
        && isTraced(listModel(), indexBelow(row), around.below) && isLastTopLevel(row) == around.last;
}

// Where the sibling before it went, at the end of its parent's rows; where
// its parent went too, at the end of the list: the next title goes in as a
// task of its own, never nowhere.
bool TreeView::makeEmptyRowAt(const Surroundings &around)
{
    ListModel *list = listModel();
    const Task *parentTask = around.parent.isNull() ? nullptr : around.parent.find(list);
    const QModelIndex parent = parentTask ? list->indexOfTask(parentTask) : QModelIndex();
    int row = 0;
    bool atEnd = false;
    if (!around.previous.isNull() || (!around.parent.isNull() && !parentTask)) {
        const Task *task = around.previous.find(list);
        const QModelIndex previous = task ? list->indexOfTask(task) : QModelIndex();
        atEnd = !previous.isValid() || previous.parent() != parent;
        row = atEnd ? list->rowCount(parent) : previous.row() + 1;
    }
    // One made there already (at an earlier reset of the same run).
    const QModelIndex current = currentIndex();
    if (current.isValid() && currentTask()->isBlankRecursively() && current.parent() == parent
        && current.row() == (atEnd ? row - 1 : row))
        return true;
    insertTaskAt(row, parent);
    return currentIndex().isValid();
}

// As the toolkit delivers a typed key: to the open title editor, or else the
// tree; a shortcut of the page's commands first unless that one claims it.
void TreeView::replayKey(const HeldKey &key)
{
    QWidget *target = this;
    if (state() == QAbstractItemView::EditingState) {
        if (QWidget *editor = indexWidget(currentIndex()))
            target = editor;
    }
    QKeyEvent claim(QEvent::ShortcutOverride, key.key, key.modifiers, key.text, key.autoRepeat);
    claim.ignore();
    QApplication::sendEvent(target, &claim);
    QKeyEvent press(QEvent::KeyPress, key.key, key.modifiers, key.text, key.autoRepeat);
    if (!claim.isAccepted()) {
        for (QWidget *w = target; w; w = w->parentWidget()) {
            if (QAction *command = TextFieldKeyFilter::commandFor(w->actions(), press)) {
                command->trigger();
                return;
            }
        }
    }
    QApplication::sendEvent(target, &press);
}

void TreeView::showSearchBar()
{
    m_searchBarWanted = true;
    if (m_searchBar || isVisible())
        ensureSearchBar()->show();
}

void TreeView::hideSearchBar()
{
    m_searchBarWanted = false;
    if (!m_searchBar)
        return;
    m_searchBar->clear();
    m_searchBar->hide();
}

// ------------------------------------------------------------- editing

void TreeView::commitData(QWidget *editor)
{
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        QString text = line->text().trimmed();
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        line->setText(text);
    }
    QTreeView::commitData(editor);
}

void TreeView::closeEditorWithReturnKey(QWidget *editor)
{
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        qWarning("TreeView::closeEditorWithReturnKey: no current index");
        return;
    }
    // Replayed over rows that moved on, the last row is the one the user saw last.
    const bool last = m_seenLast ? !current.parent().isValid() && *m_seenLast : isLastTopLevel(current);
    if (UISettings::instance()->autoCreateNewTasks() || last)
        insertAfterCurrent();
}

void TreeView::closeEditorAndDeleteItem(QWidget *editor)
{
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    removeOrOutdentEmpty();
}

void TreeView::closeCurrentEditor()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || state() != QAbstractItemView::EditingState)
        return;
    QWidget *editor = indexWidget(current);
    if (!editor) {
        qWarning("TreeView: failed to get current editor");
        return;
    }
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// ------------------------------------------------------------ new tasks

void TreeView::insertTaskAt(int row, const QModelIndex &parent)
{
    if (model()->insertRow(row, parent))
        setCurrentIndex(model()->index(row, 0, parent));
}

void TreeView::insertAfterCurrent()
{
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || current.siblingAtColumn(0).data().toString().isEmpty())
        return;
    listModel()->saveUndoState();
    const Task *task = listModel()->taskForIndex(current);
    if (task->childCount() > 0 && task->isExpanded())
        insertTaskAt(0, current.siblingAtColumn(0));
    else
        insertTaskAt(current.row() + 1, current.parent());
}

QModelIndex TreeView::lastTaskIndex(const QModelIndex &from) const
{
    const int rows = model()->rowCount(from);
    if (rows == 0)
        return from;
    return lastTaskIndex(model()->index(rows - 1, 0, from));
}

void TreeView::addTaskAtEnd()
{
    if (!model())
        return;
    const QModelIndex last = lastTaskIndex(QModelIndex());
    if (last.isValid() && last.data().toString().isEmpty()) {
        setCurrentIndex(last);
        return;
    }
    const QModelIndex parent = last.isValid() ? last.parent() : QModelIndex();
    insertTaskAt(model()->rowCount(parent), parent);
}

void TreeView::ensureOneTask()
{
    if (model() && model()->rowCount() == 0)
        insertTaskAt(0, QModelIndex());
}

void TreeView::pasteTask(Task *copy)
{
    ListModel *list = listModel();
    if (!copy || !list)
        return;
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    const Task *parent = current.isValid() ? list->taskForIndex(current)->parent() : list->taskList()->rootTask();
    if (refusedTooDeep(copy, parent)) {
        delete copy;
        return;
    }
    if (list->pasteTask(copy, current))
        setCurrentIndex(list->indexOfTask(copy));
}

bool TreeView::refusedTooDeep(const Task *task, const Task *newParent, bool alone)
{
    const bool fits =
        alone ? newParent->level() + 1 <= TaskReaderWriter::maxTaskDepth : ListModel::fitsDepth(task, newParent);
    if (fits)
        return false;
    if (m_owner)
        m_owner->tellUser(tr("Tasks can be nested at most %1 levels deep.").arg(TaskReaderWriter::maxTaskDepth));
    return true;
}

// --------------------------------------------------------- current task

void TreeView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    m_currentLifetime = current.isValid() ? currentTask()->lifetime() : std::weak_ptr<const void>();
    if (current.isValid())
        m_goneTask = TaskTrace();
    if (!m_typingAhead)
        m_typedAhead = QPersistentModelIndex();
    // Leaving an empty task deletes it, unless it holds subtasks or is the
    // list's only task. A list the user may not write is left as it is.
    if (!m_removingRows && previous.isValid() && previous.column() == ListModel::TitleColumn && writable()
        && previous.data().toString().isEmpty() && !model()->hasChildren(previous)
        && !(!previous.parent().isValid() && model()->rowCount() == 1))
        model()->removeRow(previous.row(), previous.parent());
    emit treeViewCurrentIndexChanged(this);
}

void TreeView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    m_removingRows = true;
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
}

void TreeView::rowsRemoved(const QModelIndex &parent, int first, int last)
{
    QTreeView::rowsRemoved(parent, first, last);
    m_removingRows = false;
    if (m_resetBatch > 0)
        m_resetPending = true;
    else
        refreshSearchHits();
}

void TreeView::setCurrentTask(Task *task)
{
    ListModel *list = listModel();
    const QModelIndex index = list ? list->indexOfTask(task) : QModelIndex();
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TreeView::setListName(const QString &name)
{
    if (ListModel *list = listModel())
        list->setName(name);
}

// ------------------------------------------------------------ expansion

void TreeView::onModelAboutToBeReset()
{
    // In a batch the current index is already gone after the first reset:
    // the task kept then still holds.
    const ListModel *list = listModel();
    const QModelIndex current = currentIndex();
    if (!list)
        return;
    if (current.isValid()) {
        // A run's merge may have taken the task out of the list before the
        // reset: known then by what it was, while it lives.
        const Task *task = m_currentLifetime.expired() ? nullptr : list->taskForIndex(current);
        m_keptTask = TaskTrace(list, task);
        const bool inList = !m_keptTask.isNull();
        if (!inList)
            m_keptTask = TaskTrace::ofTaken(list, task);
        // A run's copy of the list holds no untitled top-level row: the one
        // the user stands on is made again where it stood, and a title
        // being typed is open again as it was.
        if (!inputBlocked() || m_keptTask.isNull())
            return;
        m_keptEmpty = inList && task->isBlankRecursively();
        // Where the list holds it now: the rows on show may be the ones
        // before a merge made in place.
        if (m_keptEmpty)
            m_keptAround = surroundingsOf(list->indexOfTask(task), false);
        auto *editor = state() == EditingState ? qobject_cast<QLineEdit *>(indexWidget(current)) : nullptr;
        if (editor) {
            m_keptEditor = {m_keptTask, editor->text(), editor->cursorPosition(), editor->text() != task->title()};
            // The reset closes it without a word to its delegate, which
            // would otherwise commit it to a row it no longer has.
            editor->removeEventFilter(m_titleDelegate);
        }
    } else if (m_keptTask.isNull()) {
        m_keptTask = m_goneTask;
    }
}

void TreeView::onModelReset()
{
    if (m_resetBatch > 0) {
        m_resetPending = true;
        return;
    }
    expandCollapseAll();
    refreshSearchHits();
    restoreCurrentTask();
}

// A reset must not take the user's place: the same task stays current when
// the list still holds it (attachments, conversions, structural moves), or
// its new copy after undo, redo or a synchronisation. A task the list no
// longer holds leaves no row current: the task now at its old row is another
// one, and the Task info panel would follow it. Undo or redo that brings
// the task back makes it current again.
void TreeView::restoreCurrentTask()
{
    const TaskTrace kept = std::exchange(m_keptTask, TaskTrace());
    const bool keptEmpty = std::exchange(m_keptEmpty, false);
    const Surroundings around = std::exchange(m_keptAround, Surroundings());
    const OpenEditor editor = std::exchange(m_keptEditor, OpenEditor());
    ListModel *list = listModel();
    if (!list || currentIndex().isValid())
        return;
    if (Task *task = kept.find(list))
        setCurrentIndex(list->indexOfTask(task).siblingAtColumn(ListModel::TitleColumn));
    else if (!keptEmpty || !makeEmptyRowAt(around))
        m_goneTask = kept;
    if (editor.task.isNull())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && edit(current, AllEditTriggers, nullptr)) {
        if (auto *line = qobject_cast<QLineEdit *>(indexWidget(current))) {
            line->setText(editor.text);
            line->setCursorPosition(editor.cursor);
        }
        return;
    }
    // Typed for a task the run took away: told with the keys held after it.
    if (!editor.typed)
        return;
    QList<HeldKey> typed;
    for (const QChar c : editor.text)
        typed.append({0, Qt::NoModifier, QString(c), false});
    m_heldKeys = typed + m_heldKeys;
    m_heldAt = kept;
}

void TreeView::onTaskExpanded(const QModelIndex &index)
{
    ListModel *list = listModel();
    if (list && !list->taskForIndex(index)->isExpanded())
        list->expandTask(index);
}

void TreeView::onTaskCollapsed(const QModelIndex &index)
{
    ListModel *list = listModel();
    if (list && list->taskForIndex(index)->isExpanded())
        list->collapseTask(index);
}

void TreeView::expandCurrent(const QModelIndex &index)
{
    setTaskExpanded(index, true);
}

void TreeView::collapseCurrent(const QModelIndex &index)
{
    setTaskExpanded(index, false);
}

void TreeView::setTaskExpanded(const QModelIndex &index, bool expanded)
{
    ListModel *list = listModel();
    if (!list || !index.isValid())
        return;
    Task *task = list->taskForIndex(index);
    if (task->isExpanded() == expanded)
        return;
    task->setExpanded(expanded);
    setExpanded(index.siblingAtColumn(0), expanded);
    list->setChanged();
}

void TreeView::setExpandedFlags(const QModelIndex &parent, bool expanded)
{
    const int rows = model()->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = model()->index(row, 0, parent);
        Task *task = listModel()->taskForIndex(child);
        if (task->childCount() == 0)
            continue;
        setExpandedFlags(child, expanded);
        task->setExpanded(expanded);
    }
}

void TreeView::expandAll()
{
    setAllExpanded(true);
}

void TreeView::collapseAll()
{
    setAllExpanded(false);
}

// Every task is walked once and the rows laid out once, without one
// animation per branch.
void TreeView::setAllExpanded(bool expanded)
{
    ListModel *list = listModel();
    if (!list)
        return;
    setExpandedFlags(QModelIndex(), expanded);
    if (expanded)
        QTreeView::expandAll();
    else
        QTreeView::collapseAll();
    list->setChanged();
}

void TreeView::expandCollapseAll()
{
    if (listModel())
        expandCollapseUnder(QModelIndex());
}

void TreeView::expandCollapseUnder(const QModelIndex &parent)
{
    ListModel *list = listModel();
    const int rows = list->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = list->index(row, 0, parent);
        const Task *task = list->taskForIndex(child);
        // A row without subtasks has nothing to show or hide.
        if (task->childCount() == 0)
            continue;
        expandCollapseUnder(child);
        if (task->isExpanded() != isExpanded(child))
            setExpanded(child, task->isExpanded());
    }
}

// -------------------------------------------------------------- removal

void TreeView::removeOrOutdentEmpty()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    if (current.parent().isValid() && current.siblingAtColumn(0).data().toString().isEmpty()
        && current.row() == model()->rowCount(current.parent()) - 1)
        outdentCurrent();
    else
        removeCurrent();
}

void TreeView::removeCurrent()
{
    closeCurrentEditor();
    ListModel *list = listModel();
    if (!list || !currentIndex().isValid())
        return;
    Task *task = list->taskForIndex(currentIndex());
    bool removeChildren = true;
    if (task->childCount() > 0) {
        const int mode = UISettings::instance()->removeChildrenOnDelete();
        if (mode == UISettings::KeepChildren) {
            removeChildren = false;
        } else if (mode != UISettings::RemoveChildren) {
            QPointer<TreeView> alive(this);
            QPointer<DeleteChildrenDialog> dialog = new DeleteChildrenDialog(this);
            removeChildren = dialog->exec() == QDialog::Accepted;
            delete dialog.data();
            // The list may have changed while the question was open, or be in
            // a run that would put the removed task back.
            if (!alive || listModel() != list || currentTask() != task || inputBlocked())
                return;
        }
    }
    list->saveUndoState();
    if (task->childCount() > 0 && !removeChildren) {
        {
            ResetBatch batch(this);
            moveChildrenAfter(task);
        }
        makeCurrentGuarded(task);
    }
    const QModelIndex index = list->indexOfTask(task);
    list->removeRow(index.row(), index.parent());
    ensureOneTask();
}

// The children follow the task at its own level, in their old order.
void TreeView::moveChildrenAfter(Task *task)
{
    ListModel *list = listModel();
    for (int offset = 1; task->childCount() > 0; ++offset) {
        const QModelIndex taskIndex = list->indexOfTask(task);
        reparent(list->indexOfTask(task->child(0)), taskIndex.parent(), taskIndex.row() + offset);
    }
}

void TreeView::removeTaskKeepingChildren(Task *task)
{
    ListModel *list = listModel();
    if (!list || !task)
        return;
    moveChildrenAfter(task);
    const QModelIndex index = list->indexOfTask(task);
    if (index.isValid())
        list->removeRow(index.row(), index.parent());
    ensureOneTask();
}

void TreeView::removeCheckedTasks()
{
    closeCurrentEditor();
    ListModel *list = listModel();
    if (!list || !list->taskList()->rootTask())
        return;
    list->saveUndoState();
    ResetBatch batch(this);
    removeCheckedTasksUnder(list->taskList()->rootTask());
}

void TreeView::removeCheckedTasksUnder(Task *task)
{
    const QList<Task *> children = task->children();
    for (Task *child : children) {
        removeCheckedTasksUnder(child);
        if (child->isDone())
            removeTaskKeepingChildren(child);
    }
}

Task *TreeView::moveCurrentToList(const QModelIndex &index)
{
    closeCurrentEditor();
    ListModel *list = listModel();
    if (!list || !index.isValid() || index.model() != list)
        return nullptr;
    Task *task = list->taskForIndex(index);
    // The same task in the other list: a run pairs the two by lineage, and
    // the removal record left here says it was a move (undo brings back the
    // task as it was).
    Task *copy = task->movedCopy();
    list->saveUndoState();
    task->markLeftByMove();
    const bool firstTopLevel = !index.parent().isValid() && index.row() == 0;
    list->removeRow(index.row(), index.parent());
    if (!firstTopLevel) {
        const QModelIndex current = currentIndex();
        const QModelIndex next = current.sibling(current.row() + 1, 0);
        const QModelIndex afterParent = current.parent().sibling(current.parent().row() + 1, 0);
        if (current.isValid() && next.isValid())
            setCurrentIndex(next);
        else if (current.parent().isValid() && afterParent.isValid())
            setCurrentIndex(afterParent);
    }
    ensureOneTask();
    return copy;
}

// --------------------------------------------------------------- moving

void TreeView::reparent(const QModelIndex &toMove, const QModelIndex &newParent, int newRow)
{
    if (!toMove.isValid()) {
        qWarning("TreeView::reparent(QModelIndex toMove, QModelIndex newParent, int newRow): toMove index is not valid");
        return;
    }
    if (toMove.siblingAtColumn(0) == currentIndex().siblingAtColumn(0))
        reparentCurrent(newParent, newRow);
    else
        listModel()->reparentTask(toMove, newParent, newRow);
}

void TreeView::reparentCurrent(const QModelIndex &newParent, int newRow)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        qWarning("TreeView::reparentCurrent(QModelIndex newParent, int newRow): Current index is not valid");
        return;
    }
    ListModel *list = listModel();
    Task *task = list->taskForIndex(current);
    list->reparentTask(current, newParent, newRow);
    makeCurrentGuarded(task);
}

// After a move the model has been reset: the moved task becomes current
// again without the clean-up of the (gone) previous index.
void TreeView::makeCurrentGuarded(Task *task)
{
    m_removingRows = true;
    setCurrentIndex(listModel()->indexOfTask(task));
    m_removingRows = false;
}

void TreeView::clearCurrentGuarded()
{
    m_removingRows = true;
    setCurrentIndex(QModelIndex());
    m_removingRows = false;
}

void TreeView::moveCurrentUp()
{
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || current.row() == 0)
        return;
    listModel()->saveUndoState();
    reparentCurrent(current.parent(), current.row() - 1);
}

void TreeView::moveCurrentDown()
{
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || current.row() == model()->rowCount(current.parent()) - 1)
        return;
    listModel()->saveUndoState();
    reparentCurrent(current.parent(), current.row() + 1);
}

void TreeView::moveCurrentToTop()
{
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || (!current.parent().isValid() && current.row() == 0))
        return;
    listModel()->saveUndoState();
    reparentCurrent(QModelIndex(), 0);
}

void TreeView::moveCurrentToBottom()
{
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const bool topLevel = !current.parent().isValid();
    const int topRows = model()->rowCount();
    if (topLevel && current.row() == topRows - 1)
        return;
    listModel()->saveUndoState();
    reparentCurrent(QModelIndex(), topLevel ? topRows - 1 : topRows);
}

void TreeView::indentCurrent()
{
    indent(false);
}

void TreeView::indentCurrentGroupTasks()
{
    indent(true);
}

// The task goes under its previous sibling, after that sibling's children.
// Alone, its own children stay at their depth and follow it as siblings;
// with its subtasks, the whole branch moves.
void TreeView::indent(bool withSubtasks)
{
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        if (withSubtasks)
            qWarning("TreeView::indentCurrentGroupTasks() error, current index is not valid");
        else
            qWarning("TreeView::indentCurrent() error, current index is not valid");
        return;
    }
    if (current.row() == 0)
        return;
    ListModel *list = listModel();
    Task *task = list->taskForIndex(current);
    Task *previous = list->taskForIndex(current.sibling(current.row() - 1, 0));
    // Alone, the task's subtasks stay at their level.
    if (refusedTooDeep(task, previous, !withSubtasks))
        return;
    const ScrollKeeper scroll(this);
    list->saveUndoState();
    const int previousChildren = previous->childCount();
    {
        ResetBatch batch(this);
        while (!withSubtasks && task->childCount() > 0)
            list->reparentTask(list->indexOfTask(task->child(0)), list->indexOfTask(previous), previous->childCount());
        list->reparentTask(list->indexOfTask(task), list->indexOfTask(previous), previousChildren);
    }
    makeCurrentGuarded(task);
}

void TreeView::outdentCurrent()
{
    closeCurrentEditor();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !current.parent().isValid())
        return;
    const ScrollKeeper scroll(this);
    ListModel *list = listModel();
    list->saveUndoState();
    Task *task = list->taskForIndex(current);
    Task *parent = task->parent();
    const int row = current.row();
    {
        ResetBatch batch(this);
        const QModelIndex parentIndex = current.parent();
        list->reparentTask(current, parentIndex.parent(), parentIndex.row() + 1);
        while (parent->childCount() > row)
            list->reparentTask(list->indexOfTask(parent->child(row)), list->indexOfTask(task), task->childCount());
    }
    makeCurrentGuarded(task);
}

// --------------------------------------------------------------- search

void TreeView::onSearchTextChanged(const QString &text)
{
    m_searchHits.clear();
    m_nextHit = 1;
    m_searchText = text;
    if (text.isEmpty()) {
        m_searchBar->hideNextButton();
        return;
    }
    ListModel *list = listModel();
    const Task *root = list ? list->taskList()->rootTask() : nullptr;
    if (!root) {
        qWarning("TreeView::onSearchTextChanged, root task is null");
        return;
    }
    findMatchingTasks(root, m_searchHits, text);
    if (m_searchHits.isEmpty()) {
        m_searchBar->showNoResultsIcon();
        return;
    }
    if (m_searchHits.size() > 1)
        m_searchBar->showMoreResultsIcon();
    else
        m_searchBar->showResultsIcon();
    setCurrentTask(m_searchHits.first());
}

void TreeView::findMatchingTasks(const Task *task, QList<Task *> &hits, const QString &text) const
{
    const int count = task->childCount();
    for (int i = 0; i < count; ++i) {
        Task *child = task->child(i);
        if (child->title().contains(text, Qt::CaseInsensitive))
            hits.append(child);
        findMatchingTasks(child, hits, text);
    }
}

void TreeView::onNextSearchButtonPressed()
{
    if (m_nextHit >= m_searchHits.size())
        return;
    setCurrentTask(m_searchHits.at(m_nextHit));
    ++m_nextHit;
    if (m_nextHit >= m_searchHits.size())
        m_searchBar->showResultsIcon();
}

// Removed rows, undo, redo and a list replaced by synchronisation free
// tasks: the hits are found again in the list as it now is, so the next
// button never reaches a task that is gone. The walk goes on from where it
// was.
void TreeView::refreshSearchHits()
{
    if (m_searchText.isEmpty())
        return;
    m_searchHits.clear();
    ListModel *list = listModel();
    if (list && list->taskList()->rootTask())
        findMatchingTasks(list->taskList()->rootTask(), m_searchHits, m_searchText);
    if (m_searchHits.isEmpty())
        m_searchBar->showNoResultsIcon();
    else if (m_nextHit >= m_searchHits.size())
        m_searchBar->showResultsIcon();
    else
        m_searchBar->showMoreResultsIcon();
}
