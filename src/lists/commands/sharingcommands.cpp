#include "lists/commands/sharingcommands.h"

#include "lists/listsui.h"
#include "lists/sharelistdialog.h"
#include "model/listmodel.h"
#include "model/userlists.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"

namespace {

QObject *parentOr(QObject *parent, ListsUI *ui)
{
    return parent ? parent : static_cast<QObject *>(ui);
}

} // namespace

// The questions and the share dialog sit over the main window, not over the
// menu that built the command: the menu may be gone before they close.

ShowListSharingAction::ShowListSharingAction(ListsUI *ui, QObject *parent)
    : ListsAction(tr("Show All"), ui, parentOr(parent, ui))
{
    setIcon(currentIcon());
}

QIcon ShowListSharingAction::currentIcon() { return QIcon(QStringLiteral(":/listshare_free_OK.png")); }

bool ShowListSharingAction::shouldBeEnabled() { return true; }

void ShowListSharingAction::execute()
{
    listsUI()->showListSharingUsersDialog();
}

ShareUserAction::ShareUserAction(const QString &userName, ListModel *list, ListsUI *ui, QObject *parent)
    : ListsAction(Menu::entryText(userName), ui, parentOr(parent, ui))
    , m_userName(userName)
    , m_list(list)
{
    const QString letters = list ? list->sharedUserPermissions(userName) : QString();
    m_canWrite = letters.contains(QLatin1Char('w'));
    m_canDelete = letters.contains(QLatin1Char('d'));
    setIcon(currentIcon());
}

QIcon ShareUserAction::currentIcon()
{
    return QIcon(m_canWrite || m_canDelete ? QStringLiteral(":/check.png") : QStringLiteral(":/check_lock.png"));
}

// Only the owner of a list decides who shares it.
// A share changed during the list's run would give way to the server's copy.
bool ShareUserAction::shouldBeEnabled() { return m_list && m_list->isOwned() && !isSynchronizing(m_list); }

void ShareUserAction::execute()
{
    QPointer<ShareUserAction> alive(this);
    const bool ok = MessageDialog::question(QStringLiteral("Unshare list"),
                                            QStringLiteral("Are you sure you want to stop sharing this list with ")
                                                + m_userName,
                                            dialogParent());
    if (ok && alive && shouldBeEnabled())
        m_list->removeSharedUser(m_userName);
}

ShareListAction::ShareListAction(const QString &friendName, ListModel *list, ListsUI *ui, QObject *parent)
    : ListsAction(Menu::entryText(friendName), ui, parentOr(parent, ui))
    , m_friendName(friendName)
    , m_list(list)
{
}

bool ShareListAction::shouldBeEnabled() { return m_list && m_list->isOwned() && !isSynchronizing(m_list); }

void ShareListAction::execute()
{
    QPointer<ShareListAction> alive(this);
    const QString friendName = m_friendName;
    QPointer<ListModel> list = m_list;
    ShareListDialog dialog(friendName, dialogParent());
    dialog.setupTitleAndButtons();
    if (dialog.exec() != QDialog::Accepted || !alive || !list || !shouldBeEnabled())
        return;
    // Shared meanwhile (from the picker or a sync): the choice made here wins.
    if (list->hasSharedUser(friendName))
        list->setSharedUserPermissions(friendName, dialog.permissions());
    else
        list->addSharedUser(friendName, dialog.permissions());
}

UnshareAllAction::UnshareAllAction(ListModel *list, ListsUI *ui, QObject *parent)
    : ListsAction(tr("Unshare all"), ui, parentOr(parent, ui))
{
    if (list)
        setTargetList(list);
    setIcon(currentIcon());
    setEnabled(shouldBeEnabled());
}

QIcon UnshareAllAction::currentIcon() { return QIcon(QStringLiteral(":/unshare.png")); }

bool UnshareAllAction::shouldBeEnabled()
{
    ListModel *list = targetList();
    return list && list->isOwned() && list->sharedUserCount() > 0 && !isSynchronizing(list);
}

void UnshareAllAction::execute()
{
    QPointer<UnshareAllAction> alive(this);
    QPointer<ListModel> list = targetList();
    if (!list)
        return;
    const bool ok = MessageDialog::question(
        tr("Unshare List"),
        tr("Are you sure you want to stop sharing the the list \"%1\" whith all your friends?").arg(list->name()),
        dialogParent());
    // A run of every list begun meanwhile puts the shares back too, as the
    // other sharing commands know.
    if (ok && alive && list && list->isOwned() && !isSynchronizing(list))
        list->unshareAll();
}

UnshareListAction::UnshareListAction(ListModel *list, ListsUI *ui, QObject *parent)
    : ListsAction(tr("Unshare"), ui, parentOr(parent, ui))
{
    if (list)
        setTargetList(list);
    setIcon(currentIcon());
    setEnabled(shouldBeEnabled());
}

QIcon UnshareListAction::currentIcon() { return QIcon(QStringLiteral(":/unshare.png")); }

bool UnshareListAction::shouldBeEnabled()
{
    ListModel *list = targetList();
    return list && list->hasDeletePermission();
}

void UnshareListAction::execute()
{
    QPointer<ListModel> list = targetList();
    if (!list)
        return;
    QPointer<UserLists> lists = userLists();
    const bool ok = MessageDialog::question(
        tr("Unshare List"),
        tr("Are you sure you want to stop seen the the list \"%1\" shared by \"%2\"?").arg(list->name(), list->owner()),
        dialogParent());
    if (ok && list && lists)
        lists->deleteList(list->taskList());
}
