#include "contacts/sharefriendswidget.h"

#include "contacts/sharefriendwidget.h"
#include "model/listmodel.h"

ShareFriendsWidget::ShareFriendsWidget(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent)
    : BaseFriendsWidget(chatUI, friends, withChatIcons, parent)
{
}

BaseFriendWidget *ShareFriendsWidget::createFriendWidget(ChatUI *chatUI, User *user, QWidget *parent)
{
    auto *row = new ShareFriendWidget(chatUI, user, withChatIcons(), parent);
    row->createContents();
    row->setEditable(m_editable);
    row->setShowUnshared(m_showUnshared);
    connect(row, &ShareFriendWidget::sharingInfoModified, this, &ShareFriendsWidget::onSharingInfoModified);
    return row;
}

void ShareFriendsWidget::updateFromList(ListModel *list)
{
    if (!list)
        return;
    for (BaseFriendWidget *base : friendWidgets()) {
        auto *row = static_cast<ShareFriendWidget *>(base);
        const QString nick = row->nick();
        if (list->hasSharedUser(nick))
            row->setShared(list->sharedUserPermissions(nick));
        else
            row->clearSharing();
    }
}

void ShareFriendsWidget::setEditable(bool editable)
{
    m_editable = editable;
    for (BaseFriendWidget *row : friendWidgets())
        static_cast<ShareFriendWidget *>(row)->setEditable(editable);
}

void ShareFriendsWidget::setShowUnshared(bool show)
{
    m_showUnshared = show;
    for (BaseFriendWidget *row : friendWidgets())
        static_cast<ShareFriendWidget *>(row)->setShowUnshared(show);
}

void ShareFriendsWidget::onSharingInfoModified(User *user, bool shared, const QString &letters)
{
    emit sharingInfoModified(user, shared, letters);
}
