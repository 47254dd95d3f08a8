#ifndef SHAREFRIENDSCONTAINER_H
#define SHAREFRIENDSCONTAINER_H

#include "contacts/basefriendscontainer.h"

#include <QPointer>

class ListModel;
class ShareFriendsWidget;
class User;

// The sharing picker: which contacts a list is shared with, and how. Every
// change goes straight into the list.
class ShareFriendsContainer : public BaseFriendsContainer
{
    Q_OBJECT
public:
    ShareFriendsContainer(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent = nullptr);

    void setListModel(ListModel *list);
    ListModel *listModel() const { return m_listModel; }
    void setEditable(bool editable);
    void setShowUnsharedFriends(bool show);
    ShareFriendsWidget *shareFriendsWidget() const;

signals:
    void sharingInfoModified();

public slots:
    void onSharingInfoModified(User *user, bool shared, const QString &letters);

protected:
    BaseFriendsWidget *createFriendsWidget(ChatUI *chatUI, Friends *friends) override;

private slots:
    void reapplyList();
    void onListDestroyed();

private:
    // A list may be freed under the picker (deleted, restored): it is
    // forgotten then, and the rows refuse changes until another is given.
    QPointer<ListModel> m_listModel;
};

#endif
