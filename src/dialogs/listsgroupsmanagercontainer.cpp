#include "dialogs/listsgroupsmanagercontainer.h"

#include "dialogs/listsgroupsmanagercommands.h"
#include "dialogs/listsgroupsmanagerframeelement.h"
#include "dialogs/listsgroupsmanagergroup.h"
#include "dialogs/listsgroupsmanagerlist.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"
#include "shell/toolbutton.h"

#include <QDebug>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <climits>

ListsGroupsManagerContainer::ListsGroupsManagerContainer(UserLists *lists, ListsGroups *groups, QWidget *parent)
    : QScrollArea(parent)
    , m_userLists(lists)
    , m_listsGroups(groups)
{
    setObjectName(QStringLiteral("listsGroupsManagerContainer"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setFocusPolicy(Qt::StrongFocus);

    m_contentFrame = new QFrame;
    m_contentFrame->setObjectName(QStringLiteral("contentFrame"));
    auto *mainLayout = new QVBoxLayout(m_contentFrame);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    mainLayout->addLayout(m_rowsLayout);
    m_bottomIndicator = new ToolButton(QStringLiteral("bullet-empty"));
    m_bottomIndicator->setObjectName(QStringLiteral("dropIndicator"));
    m_bottomIndicator->setAccessibleName(tr("Drop here"));
    mainLayout->addWidget(m_bottomIndicator);
    mainLayout->addSpacing(40);
    mainLayout->addStretch();
    setWidget(m_contentFrame);
}

UserLists *ListsGroupsManagerContainer::userLists() const
{
    return m_userLists;
}

ListsGroups *ListsGroupsManagerContainer::listsGroups() const
{
    return m_listsGroups;
}

void ListsGroupsManagerContainer::setUserLists(UserLists *lists)
{
    m_userLists = lists;
}

void ListsGroupsManagerContainer::setListsGroups(ListsGroups *groups)
{
    m_listsGroups = groups;
}

ListModel *ListsGroupsManagerContainer::listByIds(quint32 serverId, quint32 localId) const
{
    if (!m_userLists)
        return nullptr;
    const QList<ListModel *> models = m_userLists->models();
    for (ListModel *model : models) {
        const TaskList *list = model->taskList();
        if (list->syncStatus() == TaskList::Deleted)
            continue;
        if ((serverId != 0 && list->serverId() == serverId) || (localId != 0 && list->localId() == localId))
            return model;
    }
    return nullptr;
}

// ---- rows and their order

void ListsGroupsManagerContainer::insertRow(int index, ListsGroupsManagerElement *row)
{
    m_rows.insert(index, row);
    m_rowsLayout->insertWidget(index, row);
}

ListsGroupsManagerElement *ListsGroupsManagerContainer::takeRow(int index)
{
    ListsGroupsManagerElement *row = m_rows.takeAt(index);
    m_rowsLayout->removeWidget(row);
    return row;
}

// The row and every row below it with a greater level, taken out in order.
QList<ListsGroupsManagerElement *> ListsGroupsManagerContainer::takeSubtree(ListsGroupsManagerElement *row)
{
    const int index = int(m_rows.indexOf(row));
    const int end = indexAfterSubtree(index);
    QList<ListsGroupsManagerElement *> taken;
    for (int i = index; i < end; ++i)
        taken.append(takeRow(index));
    return taken;
}

void ListsGroupsManagerContainer::insertRows(int index, const QList<ListsGroupsManagerElement *> &rows)
{
    for (ListsGroupsManagerElement *row : rows)
        insertRow(index++, row);
}

// Rows go later through the event loop: the call may come from the row's own
// menu or gesture.
void ListsGroupsManagerContainer::dropRow(ListsGroupsManagerElement *row)
{
    if (m_dropTarget == row)
        m_dropTarget = nullptr;
    takeRow(int(m_rows.indexOf(row)));
    row->hide();
    row->deleteLater();
}

int ListsGroupsManagerContainer::indexAfterSubtree(int index) const
{
    const int level = m_rows.at(index)->level();
    int i = index + 1;
    while (i < m_rows.size() && m_rows.at(i)->level() > level)
        ++i;
    return i;
}

// The index of the first group row at or after `index`, or the row count.
int ListsGroupsManagerContainer::firstGroupRowFrom(int index) const
{
    int i = index;
    while (i < m_rows.size() && !m_rows.at(i)->isGroup())
        ++i;
    return i;
}

int ListsGroupsManagerContainer::leadingListRows() const
{
    int i = 0;
    while (i < m_rows.size() && m_rows.at(i)->isList())
        ++i;
    return i;
}

ListsGroupsManagerGroup *ListsGroupsManagerContainer::parentGroupRow(ListsGroupsManagerElement *row) const
{
    const int level = row->level();
    for (int i = int(m_rows.indexOf(row)) - 1; i >= 0; --i) {
        if (m_rows.at(i)->isGroup() && m_rows.at(i)->level() < level)
            return static_cast<ListsGroupsManagerGroup *>(m_rows.at(i));
    }
    return nullptr;
}

ListsGroupsManagerList *ListsGroupsManagerContainer::findListRow(quint32 localId, quint32 serverId) const
{
    for (ListsGroupsManagerElement *row : m_rows) {
        if (!row->isList())
            continue;
        auto *listRow = static_cast<ListsGroupsManagerList *>(row);
        const ListsGroupsElementList *entry = listRow->listElement();
        if ((serverId != 0 && entry->serverId() == serverId) || (localId != 0 && entry->localId() == localId))
            return listRow;
    }
    return nullptr;
}

// A row is shown when every group above it is expanded.
void ListsGroupsManagerContainer::updateVisibility()
{
    int collapsedLevel = INT_MAX;
    for (ListsGroupsManagerElement *row : std::as_const(m_rows)) {
        if (row->level() > collapsedLevel) {
            row->hide();
            continue;
        }
        collapsedLevel = INT_MAX;
        row->show();
        if (row->isGroup() && !static_cast<ListsGroupsManagerGroup *>(row)->isExpanded())
            collapsedLevel = row->level();
    }
}

void ListsGroupsManagerContainer::placeListIntoGroup(ListsGroupsManagerElement *listRow,
                                                     ListsGroupsManagerGroup *groupRow)
{
    takeRow(int(m_rows.indexOf(listRow)));
    listRow->setLevel(groupRow->level() + 1);
    insertRow(firstGroupRowFrom(int(m_rows.indexOf(groupRow)) + 1), listRow);
    updateVisibility();
}

void ListsGroupsManagerContainer::placeListAtRoot(ListsGroupsManagerElement *listRow)
{
    takeRow(int(m_rows.indexOf(listRow)));
    listRow->setLevel(0);
    insertRow(leadingListRows(), listRow);
    updateVisibility();
}

// ---- building

void ListsGroupsManagerContainer::reload()
{
    // A synchronisation or a restore rebuilds every row: the typing stays.
    const Rename rename = takeRename();
    m_dropTarget = nullptr;
    setBottomIndicator(false);
    while (!m_rows.isEmpty())
        dropRow(m_rows.last());
    if (!m_listsGroups)
        return;
    addGroupRows(m_listsGroups->rootGroup(), -1);
    updateVisibility();
    resumeRename(rename);
}

ListsGroupsManagerContainer::Rename ListsGroupsManagerContainer::takeRename()
{
    Rename rename;
    for (ListsGroupsManagerElement *row : std::as_const(m_rows)) {
        ListsGroupsManagerFrameElement *frame = row->frameElement();
        if (!frame->isRenaming())
            continue;
        rename.pending = true;
        rename.list = row->isList();
        rename.name = frame->name();
        rename.typed = frame->typedName();
        if (rename.list) {
            const ListsGroupsElementList *entry = static_cast<ListsGroupsManagerList *>(row)->listElement();
            rename.localId = entry->localId();
            rename.serverId = entry->serverId();
        } else if (row->isGroup()) {
            rename.group = static_cast<ListsGroupsManagerGroup *>(row)->groupElement();
            rename.serverId = rename.group->serverId();
            rename.nameShared = groupRowsNamed(rename.name).size() > 1;
            rename.arrangement = groupArrangement();
            rename.groupPlace = int(groupRows().indexOf(row));
        }
        frame->dropRename();
        break;
    }
    return rename;
}

QList<ListsGroupsManagerElement *> ListsGroupsManagerContainer::groupRowsNamed(const QString &name) const
{
    QList<ListsGroupsManagerElement *> out;
    for (ListsGroupsManagerElement *row : groupRows())
        if (row->name() == name)
            out << row;
    return out;
}

QList<ListsGroupsManagerElement *> ListsGroupsManagerContainer::groupRows() const
{
    QList<ListsGroupsManagerElement *> out;
    for (ListsGroupsManagerElement *row : m_rows)
        if (row->isGroup())
            out << row;
    return out;
}

// Each group's name and depth, and each list inside a group; the lists
// outside every group are left out (the page adds there the lists the
// groups do not name).
QStringList ListsGroupsManagerContainer::groupArrangement() const
{
    QStringList out;
    for (ListsGroupsManagerElement *row : m_rows) {
        if (row->isGroup())
            out << QStringLiteral("group %1 %2").arg(row->level()).arg(row->name());
        else if (row->isList() && row->level() > 0)
            out << QStringLiteral("list %1 %2").arg(row->level()).arg(
                       static_cast<ListsGroupsManagerList *>(row)->listElement()->localId());
    }
    return out;
}

// The same list by its ids; the same group as the same object, by its
// server id; a group that had none (a run may have given it one since) by
// its place when the groups come back arranged as they were, or by a name
// no other group holds (new groups all start with one): when nothing tells
// the group, the rename ends rather than go on in another.
void ListsGroupsManagerContainer::resumeRename(const Rename &rename)
{
    if (!rename.pending)
        return;
    ListsGroupsManagerElement *found = nullptr;
    if (rename.list) {
        found = findListRow(rename.localId, rename.serverId);
    } else {
        for (ListsGroupsManagerElement *row : std::as_const(m_rows)) {
            if (!row->isGroup())
                continue;
            const ListsGroupsElementGroup *group = static_cast<ListsGroupsManagerGroup *>(row)->groupElement();
            if ((rename.group && group == rename.group)
                || (rename.serverId != 0 && group->serverId() == rename.serverId)) {
                found = row;
                break;
            }
        }
        if (!found && rename.serverId == 0 && groupArrangement() == rename.arrangement)
            found = groupRows().value(rename.groupPlace);
        if (!found && rename.serverId == 0 && !rename.nameShared) {
            const QList<ListsGroupsManagerElement *> named = groupRowsNamed(rename.name);
            if (named.size() == 1)
                found = named.first();
        }
    }
    if (found && !found->isHidden())
        found->frameElement()->resumeRename(rename.typed);
}

void ListsGroupsManagerContainer::addGroupRows(ListsGroupsElementGroup *group, int level)
{
    const QList<ListsGroupsElementList *> entries = group->lists();
    for (ListsGroupsElementList *entry : entries) {
        ListModel *model = listByIds(entry->serverId(), entry->localId());
        if (!model) {
            qWarning() << "ListsGroupsManagerContainer::addList, Error: LitModel not found for the list in the group";
            continue;
        }
        auto *row = new ListsGroupsManagerList(entry, model->name(), level + 1, this);
        row->updateFromList(model);
        insertRow(int(m_rows.size()), row);
    }
    const QList<ListsGroupsElementGroup *> groups = group->groups();
    for (ListsGroupsElementGroup *child : groups) {
        auto *row = new ListsGroupsManagerGroup(child, level + 1, this);
        row->setExpanded(child->isExpanded());
        insertRow(int(m_rows.size()), row);
        addGroupRows(child, level + 1);
    }
}

// ---- expanding and selecting

void ListsGroupsManagerContainer::expandGroup(ListsGroupsManagerGroup *row)
{
    if (row->isExpanded())
        return;
    if (m_listsGroups)
        m_listsGroups->setGroupExpanded(row->groupElement(), true);
    row->setExpanded(true);
    updateVisibility();
}

void ListsGroupsManagerContainer::collapseGroup(ListsGroupsManagerGroup *row)
{
    if (!row->isExpanded())
        return;
    if (m_listsGroups)
        m_listsGroups->setGroupExpanded(row->groupElement(), false);
    row->setExpanded(false);
    updateVisibility();
}

void ListsGroupsManagerContainer::onElementClickedToSelect(ListsGroupsManagerElement *row)
{
    for (ListsGroupsManagerElement *r : std::as_const(m_rows))
        r->setSelected(r == row);
    ensureWidgetVisible(row, 50, 50);
    // The keys (F2, Up, Down) act on the selection.
    setFocus();
}

void ListsGroupsManagerContainer::selectRow(ListsGroupsManagerElement *row)
{
    onElementClickedToSelect(row);
}

void ListsGroupsManagerContainer::unselectAll()
{
    for (ListsGroupsManagerElement *row : std::as_const(m_rows))
        row->setSelected(false);
}

ListsGroupsManagerElement *ListsGroupsManagerContainer::selectedRow() const
{
    for (ListsGroupsManagerElement *row : m_rows) {
        if (row->isSelected() && !row->isHidden())
            return row;
    }
    return nullptr;
}

ListsGroupsManagerElement *ListsGroupsManagerContainer::visibleNeighbour(ListsGroupsManagerElement *row,
                                                                        int step) const
{
    for (int i = int(m_rows.indexOf(row)) + step; i >= 0 && i < m_rows.size(); i += step) {
        if (!m_rows.at(i)->isHidden())
            return m_rows.at(i);
    }
    return nullptr;
}

void ListsGroupsManagerContainer::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        unselectAll();
    } else if (event->button() == Qt::RightButton) {
        unselectAll();
        auto *menu = new Menu;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // Built anew for each menu, so owned by it.
        for (QAction *action : QList<QAction *>{new AddNewGroupAction(this),
                                                new AddNewListIntoDefaultGroupAction(this)}) {
            action->setParent(menu);
            menu->addAction(action);
        }
        menu->popup(event->globalPosition().toPoint());
    }
}

void ListsGroupsManagerContainer::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    ListsGroupsManagerElement *selected = selectedRow();
    const auto firstVisible = [this]() -> ListsGroupsManagerElement * {
        for (ListsGroupsManagerElement *row : std::as_const(m_rows)) {
            if (!row->isHidden())
                return row;
        }
        return nullptr;
    };
    switch (event->key()) {
    case Qt::Key_F2:
        if (!selected)
            return;
        if (selected->isGroup()) {
            selected->startRename();
        } else {
            const ListModel *model = static_cast<ListsGroupsManagerList *>(selected)->listModel();
            if (model && model->hasWritePermission())
                selected->startRename();
        }
        return;
    case Qt::Key_Down:
    case Qt::Key_Up: {
        ListsGroupsManagerElement *next = nullptr;
        if (selected) {
            selected->finishRename();
            next = visibleNeighbour(selected, event->key() == Qt::Key_Down ? 1 : -1);
        } else {
            next = firstVisible();
        }
        if (next)
            selectRow(next);
        return;
    }
    default:
        return;
    }
}

// ---- adding

void ListsGroupsManagerContainer::addNewGroup()
{
    if (!m_listsGroups)
        return;
    ListsGroupsElementGroup *group = m_listsGroups->addGroupToDefaultGroup();
    if (!group)
        return;
    insertRow(int(m_rows.size()), new ListsGroupsManagerGroup(group, 0, this));
    updateVisibility();
}

void ListsGroupsManagerContainer::addNewGroupInto(ListsGroupsManagerGroup *row)
{
    if (!m_listsGroups)
        return;
    expandGroup(row);
    ListsGroupsElementGroup *group = m_listsGroups->addGroup(row->groupElement());
    if (!group)
        return; // nested too deeply
    insertRow(indexAfterSubtree(int(m_rows.indexOf(row))), new ListsGroupsManagerGroup(group, row->level() + 1, this));
    updateVisibility();
}

ListsGroupsManagerList *ListsGroupsManagerContainer::makeListRow(ListModel *model, TaskList *list, int level)
{
    ListsGroupsElementList *entry = m_listsGroups->findList(list->localId(), list->serverId());
    if (!entry)
        return nullptr;
    return new ListsGroupsManagerList(entry, model ? model->name() : list->name(), level, this);
}

void ListsGroupsManagerContainer::addNewListIntoDefaultGroup()
{
    if (!m_userLists || !m_listsGroups)
        return;
    ListModel *model = m_userLists->createList();
    m_listsGroups->markEdited();
    // The page shows a new list here as it is made; this makes sure of it.
    addListIntoDefaultGroupOnlyView(model->taskList());
}

void ListsGroupsManagerContainer::addNewListToGroup(ListsGroupsManagerGroup *row)
{
    if (!m_userLists || !m_listsGroups)
        return;
    expandGroup(row);
    ListModel *model = m_userLists->createList();
    TaskList *list = model->taskList();
    removeListElement(list->localId(), list->serverId());
    m_listsGroups->removeList(list);
    ListsGroupsElementList *entry = m_listsGroups->addListToGroup(list, row->groupElement());
    const int index = firstGroupRowFrom(int(m_rows.indexOf(row)) + 1);
    insertRow(index, new ListsGroupsManagerList(entry, model->name(), row->level() + 1, this));
    updateVisibility();
}

void ListsGroupsManagerContainer::addListIntoDefaultGroupOnlyView(TaskList *list)
{
    if (!m_listsGroups || !list || findListRow(list->localId(), list->serverId()))
        return;
    ListsGroupsManagerList *row = makeListRow(nullptr, list, 0);
    if (!row) {
        qWarning() << "ListsGroupsManagerContainer::addListIntoDefaultGroupOnlyView, list element is null";
        return;
    }
    insertRow(firstGroupRowFrom(0), row);
    updateVisibility();
}

void ListsGroupsManagerContainer::addGroupAtSelection()
{
    ListsGroupsManagerElement *selected = selectedRow();
    if (!selected) {
        addNewGroup();
    } else if (selected->isGroup()) {
        addNewGroupInto(static_cast<ListsGroupsManagerGroup *>(selected));
    } else if (ListsGroupsManagerGroup *parent = parentGroupRow(selected)) {
        addNewGroupInto(parent);
    } else {
        addNewGroup();
    }
}

void ListsGroupsManagerContainer::addListAtSelection()
{
    ListsGroupsManagerElement *selected = selectedRow();
    if (selected && selected->isGroup())
        addNewListToGroup(static_cast<ListsGroupsManagerGroup *>(selected));
    else if (ListsGroupsManagerGroup *parent = selected ? parentGroupRow(selected) : nullptr)
        addNewListToGroup(parent);
    else
        addNewListIntoDefaultGroup();
}

// ---- removing

void ListsGroupsManagerContainer::removeGroup(ListsGroupsManagerGroup *row)
{
    if (!m_listsGroups)
        return;
    const QPointer<ListsGroupsManagerContainer> self(this);
    const QPointer<ListsGroupsManagerGroup> alive(row);
    if (!MessageDialog::question(tr("Delete Group"),
                                 tr("Are you sure you want to delete the group \"%1\"?").arg(row->name()), this))
        return;
    // The question runs its own event loop: a synchronisation may have
    // rebuilt the rows, with groups of its own, meanwhile.
    if (!self || !alive || !m_rows.contains(row) || !m_listsGroups)
        return;
    m_listsGroups->removeGroup(row->groupElement());

    // Its rows go one level up: its lists join the parent's lists, the rest
    // goes to the end of the parent's subtree, in order.
    const int level = row->level();
    ListsGroupsManagerGroup *parent = parentGroupRow(row);
    QList<ListsGroupsManagerElement *> children = takeSubtree(row);
    children.removeFirst();
    if (m_dropTarget == row)
        m_dropTarget = nullptr;
    row->hide();
    row->deleteLater();
    for (ListsGroupsManagerElement *child : std::as_const(children)) {
        const bool directList = child->isList() && child->level() == level + 1;
        child->setLevel(child->level() - 1);
        int index = int(m_rows.size());
        if (!parent && directList)
            index = leadingListRows();
        else if (parent && directList)
            index = firstGroupRowFrom(int(m_rows.indexOf(parent)) + 1);
        else if (parent)
            index = indexAfterSubtree(int(m_rows.indexOf(parent)));
        insertRow(index, child);
    }
    updateVisibility();
}

void ListsGroupsManagerContainer::removeList(ListsGroupsManagerList *row)
{
    const QPointer<ListModel> model = row->listModel();
    if (!model || !m_userLists) {
        qWarning() << "ListsGroupsManagerContainer::removeList, list model not found";
        return;
    }
    const QPointer<ListsGroupsManagerContainer> self(this);
    if (!MessageDialog::question(tr("Delete List"),
                                 tr("Are you sure you want to delete the list \"%1\"?").arg(model->name()), this))
        return;
    // The list may have gone while the question was open.
    if (!self || !model || !m_userLists || !m_userLists->models().contains(model.data()))
        return;
    // The row goes when the lists page reports the removal.
    m_userLists->deleteList(model->taskList());
}

void ListsGroupsManagerContainer::removeListElement(quint32 localId, quint32 serverId)
{
    if (ListsGroupsManagerList *row = findListRow(localId, serverId))
        dropRow(row);
}

void ListsGroupsManagerContainer::updateListElement(ListModel *model)
{
    if (!model)
        return;
    if (ListsGroupsManagerList *row = findListRow(model->taskList()->localId(), model->taskList()->serverId()))
        row->updateFromList(model);
}

// ---- renaming

void ListsGroupsManagerContainer::renameGroup(ListsGroupsManagerGroup *row, const QString &name)
{
    if (m_listsGroups)
        m_listsGroups->setGroupName(row->groupElement(), name);
}

void ListsGroupsManagerContainer::userChangeListName(ListsGroupsManagerList *row, const QString &name)
{
    ListModel *model = row->listModel();
    if (!model) {
        qWarning() << "ListsGroupsManagerContainer::userChangeListName, list model not found";
        return;
    }
    emit listNameChangeRequested(model, name);
}

void ListsGroupsManagerContainer::openList(ListModel *model)
{
    emit openListRequested(model);
}

// ---- moving by command

// The model's entry moves first; the row swaps with a list row beside it.
void ListsGroupsManagerContainer::moveListRow(ListsGroupsManagerList *row, int step)
{
    if (!m_listsGroups)
        return;
    if (step < 0)
        m_listsGroups->moveListUp(row->listElement());
    else
        m_listsGroups->moveListDown(row->listElement());
    const int index = int(m_rows.indexOf(row));
    const int other = index + step;
    if (other < 0 || other >= m_rows.size())
        return;
    const ListsGroupsManagerElement *neighbour = m_rows.at(other);
    if (!neighbour->isList() || neighbour->level() != row->level())
        return;
    takeRow(index);
    insertRow(other, row);
}

void ListsGroupsManagerContainer::userMoveListUp(ListsGroupsManagerList *row)
{
    moveListRow(row, -1);
}

void ListsGroupsManagerContainer::userMoveListDown(ListsGroupsManagerList *row)
{
    moveListRow(row, 1);
}

void ListsGroupsManagerContainer::userMoveGroupUp(ListsGroupsManagerGroup *row)
{
    if (!m_listsGroups)
        return;
    m_listsGroups->moveGroupUp(row->groupElement());
    // Only a sibling: the search stops at the parent row.
    int upper = -1;
    for (int i = int(m_rows.indexOf(row)) - 1; i >= 0 && m_rows.at(i)->level() >= row->level(); --i) {
        if (m_rows.at(i)->isGroup() && m_rows.at(i)->level() == row->level()) {
            upper = i;
            break;
        }
    }
    if (upper < 0) {
        qWarning() << "ListsGroupsManagerContainer::userMoveGroupUp, possition of upper group not found";
        return;
    }
    insertRows(upper, takeSubtree(row));
}

void ListsGroupsManagerContainer::userMoveGroupDown(ListsGroupsManagerGroup *row)
{
    if (!m_listsGroups)
        return;
    m_listsGroups->moveGroupDown(row->groupElement());
    const int index = int(m_rows.indexOf(row));
    int lower = -1;
    for (int i = indexAfterSubtree(index); i < m_rows.size() && m_rows.at(i)->level() >= row->level(); ++i) {
        if (m_rows.at(i)->isGroup() && m_rows.at(i)->level() == row->level()) {
            lower = i;
            break;
        }
    }
    if (lower < 0) {
        qWarning() << "ListsGroupsManagerContainer::userMoveGroupDown, possition of under group not found";
        return;
    }
    ListsGroupsManagerElement *lowerRow = m_rows.at(lower);
    const QList<ListsGroupsManagerElement *> moved = takeSubtree(row);
    insertRows(indexAfterSubtree(int(m_rows.indexOf(lowerRow))), moved);
}

// ---- drag and drop

void ListsGroupsManagerContainer::setBottomIndicator(bool shown)
{
    m_bottomIndicatorShown = shown;
    m_bottomIndicator->setImage(shown ? QStringLiteral("dragdrop_down") : QStringLiteral("bullet-empty"));
}

void ListsGroupsManagerContainer::onDragElement(const QPoint &globalPos, ListsGroupsManagerElement *dragged)
{
    ListsGroupsManagerElement *target = nullptr;
    ListsGroupsManagerElement *lastVisible = nullptr;
    for (ListsGroupsManagerElement *row : std::as_const(m_rows)) {
        if (row->isHidden())
            continue;
        lastVisible = row;
        if (!target && row->frameElement()->containsGlobalPos(globalPos))
            target = row;
    }

    if (target) {
        if (target == m_dropTarget)
            return;
        if (m_dropTarget)
            m_dropTarget->hideDropIndicator();
        m_dropTarget = nullptr;
        setBottomIndicator(false);
        if (target == dragged || target->isList())
            return;
        const auto *targetGroup = static_cast<ListsGroupsManagerGroup *>(target)->groupElement();
        if (dragged->isGroup()
            && static_cast<ListsGroupsManagerGroup *>(dragged)->groupElement()->containsGroup(targetGroup))
            return;
        m_dropTarget = target;
        target->showDropIndicator(m_rows.indexOf(target) > m_rows.indexOf(dragged));
        return;
    }

    if (m_dropTarget)
        m_dropTarget->hideDropIndicator();
    m_dropTarget = nullptr;
    const QPoint local = m_contentFrame->mapFromGlobal(globalPos);
    const QRect area = m_contentFrame->rect();
    const bool inside = local.x() > area.left() && local.x() < area.right() && local.y() > area.top()
        && local.y() < area.bottom();
    setBottomIndicator(inside && (!lastVisible || lastVisible->isBelowBottom(globalPos)));
}

void ListsGroupsManagerContainer::onDropElement(ListsGroupsManagerElement *dragged)
{
    if (m_listsGroups && m_dropTarget && m_dropTarget->isGroup()) {
        auto *target = static_cast<ListsGroupsManagerGroup *>(m_dropTarget);
        ListsGroupsElementGroup *targetGroup = target->groupElement();
        if (dragged->isList()) {
            ListsGroupsElementList *entry = static_cast<ListsGroupsManagerList *>(dragged)->listElement();
            m_listsGroups->userMoveListToGroup(entry, targetGroup);
            if (entry->parent() == targetGroup)
                placeListIntoGroup(dragged, target);
        } else {
            ListsGroupsElementGroup *group = static_cast<ListsGroupsManagerGroup *>(dragged)->groupElement();
            m_listsGroups->userMoveGroupToGroup(group, targetGroup);
            // The groups refuse a move that would nest them too deeply.
            if (group->parent() == targetGroup) {
                const int shift = target->level() + 1 - dragged->level();
                const QList<ListsGroupsManagerElement *> moved = takeSubtree(dragged);
                for (ListsGroupsManagerElement *row : moved)
                    row->setLevel(row->level() + shift);
                insertRows(indexAfterSubtree(int(m_rows.indexOf(target))), moved);
                updateVisibility();
            }
        }
        selectRow(target);
    } else if (m_listsGroups && m_bottomIndicatorShown) {
        ListsGroupsElementGroup *root = m_listsGroups->rootGroup();
        if (dragged->isList()) {
            ListsGroupsElementList *entry = static_cast<ListsGroupsManagerList *>(dragged)->listElement();
            m_listsGroups->userMoveListToGroup(entry, root);
            if (entry->parent() == root)
                placeListAtRoot(dragged);
        } else {
            ListsGroupsElementGroup *group = static_cast<ListsGroupsManagerGroup *>(dragged)->groupElement();
            m_listsGroups->userMoveGroupToGroup(group, root);
            if (group->parent() == root) {
                const int shift = dragged->level();
                const QList<ListsGroupsManagerElement *> moved = takeSubtree(dragged);
                for (ListsGroupsManagerElement *row : moved)
                    row->setLevel(row->level() - shift);
                insertRows(int(m_rows.size()), moved);
                updateVisibility();
            }
        }
    }
    for (ListsGroupsManagerElement *row : std::as_const(m_rows))
        row->hideDropIndicator();
    m_dropTarget = nullptr;
    setBottomIndicator(false);
}

QObject *ListsGroupsManagerContainer::page() const
{
    return m_page;
}

void ListsGroupsManagerContainer::setPage(QObject *page)
{
    m_page = page;
}
