#ifndef SHARINGCOMMANDS_H
#define SHARINGCOMMANDS_H

#include "lists/commands/listsaction.h"

#include <QPointer>

// The entries of the "Share list" and "Shared by" menus. They are built each
// time the tab menu is filled and live with that menu; they change only the
// list's model, and the change reaches the server with the next sync.

// "Show All": the users the current list is shared with.
class ShowListSharingAction : public ListsAction
{
    Q_OBJECT
public:
    explicit ShowListSharingAction(ListsUI *ui, QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;
};

// A user the list is shared with: asks, then stops sharing with that user.
class ShareUserAction : public ListsAction
{
    Q_OBJECT
public:
    ShareUserAction(const QString &userName, ListModel *list, ListsUI *ui, QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

    QString userName() const { return m_userName; }
    bool canWrite() const { return m_canWrite; }
    bool canDelete() const { return m_canDelete; }

private:
    QString m_userName;
    bool m_canWrite;
    bool m_canDelete;
    QPointer<ListModel> m_list;
};

// A friend the list is not shared with: asks for the permissions, then
// shares.
class ShareListAction : public ListsAction
{
    Q_OBJECT
public:
    ShareListAction(const QString &friendName, ListModel *list, ListsUI *ui, QObject *parent = nullptr);
    bool shouldBeEnabled() override;
    void execute() override;

    QString friendName() const { return m_friendName; }

private:
    QString m_friendName;
    QPointer<ListModel> m_list;
};

// "Unshare all": enabled when built for a list shared with somebody.
class UnshareAllAction : public ListsAction
{
    Q_OBJECT
public:
    UnshareAllAction(ListModel *list, ListsUI *ui, QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:

};

// "Unshare": gives up a list shared with the user; enabled when built for a
// list whose letters contain "d".
class UnshareListAction : public ListsAction
{
    Q_OBJECT
public:
    UnshareListAction(ListModel *list, ListsUI *ui, QObject *parent = nullptr);
    QIcon currentIcon() override;
    bool shouldBeEnabled() override;
    void execute() override;

private:

};

#endif
