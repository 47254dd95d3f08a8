#ifndef LISTSACTION_H
#define LISTSACTION_H

#include "shell/action.h"

#include <QModelIndex>
#include <QPointer>

class ListModel;
class ListsUI;
class QAbstractItemModel;
class QWidget;
class TreeView;
class UserLists;

// Base of every command of the lists page: ties the command to the page and
// gives it the current tree, index, model and list. A command never edits the
// tree itself; it asks the tree, the list's model or the page.
class ListsAction : public Action
{
    Q_OBJECT
public:
    ListsAction(const QString &text, ListsUI *ui, QObject *parent);

    ListsUI *listsUI() const { return m_listsUI; }
    TreeView *currentTreeView() const;
    // Invalid when no tab is current or no row is current.
    QModelIndex currentIndex() const;
    QAbstractItemModel *currentModel() const;
    ListModel *currentList() const;
    UserLists *userLists() const;

protected:
    // The list a command built for one tab (or menu) works on; the current
    // list when it was built for none. A given list that has gone meanwhile
    // is not replaced by another one.
    ListModel *targetList() const;
    void setTargetList(ListModel *list);

    bool hasCurrentTask() const { return currentIndex().isValid(); }
    // A list being synchronised, alone or in the full run, takes no edit, as
    // its tree takes no typing: the run replaces it with the server's copy.
    bool isSynchronizing(const ListModel *list) const;
    // Its permission letters contain "w" and no synchronisation runs on it.
    bool isEditable(const ListModel *list) const;
    bool isCurrentListEditable() const { return isEditable(currentList()); }
    // Parent of the questions a command asks: the main window.
    QWidget *dialogParent() const;

private:
    ListsUI *m_listsUI;
    QPointer<ListModel> m_targetList;
    bool m_forList = false;
};

#endif
