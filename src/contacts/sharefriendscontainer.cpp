#include "contacts/sharefriendscontainer.h"

#include "contacts/sharefriendswidget.h"
#include "contacts/user.h"
#include "model/listmodel.h"

ShareFriendsContainer::ShareFriendsContainer(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent)
    : BaseFriendsContainer(chatUI, friends, withChatIcons, parent)
{
}

BaseFriendsWidget *ShareFriendsContainer::createFriendsWidget(ChatUI *chatUI, Friends *friends)
{
    auto *list = new ShareFriendsWidget(chatUI, friends, withChatIcons());
    list->createContents();
    connect(list, &ShareFriendsWidget::sharingInfoModified, this, &ShareFriendsContainer::onSharingInfoModified);
    // Rows made anew after a contacts change start unshared; showing them so
    // would invite a tick that downgrades an existing share.
    connect(list, &BaseFriendsWidget::rebuilt, this, &ShareFriendsContainer::reapplyList);
    return list;
}

ShareFriendsWidget *ShareFriendsContainer::shareFriendsWidget() const
{
    return static_cast<ShareFriendsWidget *>(friendsWidget());
}

void ShareFriendsContainer::setListModel(ListModel *list)
{
    if (m_listModel)
        disconnect(m_listModel, &QObject::destroyed, this, nullptr);
    m_listModel = list;
    if (list)
        connect(list, &QObject::destroyed, this, &ShareFriendsContainer::onListDestroyed);
    reapplyList();
}

void ShareFriendsContainer::onListDestroyed()
{
    m_listModel = nullptr;
    if (ShareFriendsWidget *rows = shareFriendsWidget())
        rows->setEnabled(false);
}

void ShareFriendsContainer::reapplyList()
{
    ShareFriendsWidget *rows = shareFriendsWidget();
    if (!rows)
        return;
    // A run replaces the list with the server's copy: no edit while it goes.
    rows->setEnabled(m_listModel && !m_listModel->isSynchronizing());
    if (m_listModel)
        rows->updateFromList(m_listModel);
}

void ShareFriendsContainer::setEditable(bool editable)
{
    shareFriendsWidget()->setEditable(editable);
}

void ShareFriendsContainer::setShowUnsharedFriends(bool show)
{
    shareFriendsWidget()->setShowUnshared(show);
}

void ShareFriendsContainer::onSharingInfoModified(User *user, bool shared, const QString &letters)
{
    if (!m_listModel) {
        qWarning("ShareFriendsContainer::onSharingInfoModified, listmodel is null");
        return;
    }
    if (!user || m_listModel->isSynchronizing())
        return;
    const QString nick = user->nick();
    if (shared) {
        if (m_listModel->hasSharedUser(nick))
            m_listModel->setSharedUserPermissions(nick, letters);
        else
            m_listModel->addSharedUser(nick, letters);
        emit sharingInfoModified();
    } else if (m_listModel->hasSharedUser(nick)) {
        m_listModel->removeSharedUser(nick);
        emit sharingInfoModified();
    }
}
