#include "lists/commands/listsaction.h"

#include "lists/listsui.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "shell/mainwindow.h"

ListsAction::ListsAction(const QString &text, ListsUI *ui, QObject *parent)
    : Action(text, nullptr, parent)
    , m_listsUI(ui)
{
}

TreeView *ListsAction::currentTreeView() const
{
    return m_listsUI ? m_listsUI->currentTreeView() : nullptr;
}

QModelIndex ListsAction::currentIndex() const
{
    TreeView *view = currentTreeView();
    return view ? view->currentIndex() : QModelIndex();
}

QAbstractItemModel *ListsAction::currentModel() const
{
    TreeView *view = currentTreeView();
    return view ? view->model() : nullptr;
}

ListModel *ListsAction::currentList() const
{
    return m_listsUI ? m_listsUI->currentList() : nullptr;
}

UserLists *ListsAction::userLists() const
{
    return m_listsUI ? m_listsUI->userLists() : nullptr;
}

bool ListsAction::isSynchronizing(const ListModel *list) const
{
    return (list && list->isSynchronizing()) || (m_listsUI && m_listsUI->isSyncing());
}

bool ListsAction::isEditable(const ListModel *list) const
{
    return list && list->hasWritePermission() && !isSynchronizing(list);
}

QWidget *ListsAction::dialogParent() const
{
    return m_listsUI ? m_listsUI->mainWindow() : nullptr;
}

ListModel *ListsAction::targetList() const
{
    return m_forList ? m_targetList.data() : currentList();
}

void ListsAction::setTargetList(ListModel *list)
{
    m_targetList = list;
    m_forList = true;
}
