#ifndef SHAREFRIENDSWIDGET_H
#define SHAREFRIENDSWIDGET_H

#include "contacts/basefriendswidget.h"

class ListModel;

// The rows of the sharing picker, read from a list's shared users.
class ShareFriendsWidget : public BaseFriendsWidget
{
    Q_OBJECT
public:
    ShareFriendsWidget(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent = nullptr);

    void updateFromList(ListModel *list);
    void setEditable(bool editable);
    void setShowUnshared(bool show);
    bool isEditable() const { return m_editable; }

signals:
    void sharingInfoModified(User *user, bool shared, const QString &letters);

public slots:
    void onSharingInfoModified(User *user, bool shared, const QString &letters);

protected:
    BaseFriendWidget *createFriendWidget(ChatUI *chatUI, User *user, QWidget *parent) override;

private:
    bool m_editable = true;
    bool m_showUnshared = true;
};

#endif
