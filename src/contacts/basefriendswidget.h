#ifndef BASEFRIENDSWIDGET_H
#define BASEFRIENDSWIDGET_H

#include <QFrame>
#include <QList>
#include <QPointer>
#include <QString>

class BaseFriendWidget;
class ChatUI;
#include "contacts/friends.h"
class QVBoxLayout;
class User;

// The rows of a user picker: one per contact, sorted by real name, with a
// text filter, single selection and one open details panel at most.
class BaseFriendsWidget : public QFrame
{
    Q_OBJECT
public:
    BaseFriendsWidget(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent = nullptr);

    virtual void createContents();

    void setShowAvatars(bool show);
    QList<BaseFriendWidget *> friendWidgets() const { return m_friendWidgets; }
    QString filter() const { return m_filter; }

signals:
    // The rows were made anew: any per-row state must be applied again.
    void rebuilt();

public slots:
    void setFilter(const QString &filter);
    void onFriendsChanged();
    void onFriendWidgetInfoClicked(BaseFriendWidget *row);
    void onFriendWidgetClickedToSelect(BaseFriendWidget *row);

protected:
    virtual BaseFriendWidget *createFriendWidget(ChatUI *chatUI, User *user, QWidget *parent);
    virtual void clearFriendWidgets();
    virtual void rebuild();
    virtual void fillFriendWidgets();

    ChatUI *chatUI() const { return m_chatUI; }
    bool withChatIcons() const { return m_withChatIcons; }

private:
    ChatUI *m_chatUI;
    QPointer<Friends> m_friends;
    QVBoxLayout *m_layout;
    QList<BaseFriendWidget *> m_friendWidgets;
    // Kept here so that rows made by a rebuild are filtered like the old.
    QString m_filter;
    bool m_showAvatars = true;
    bool m_showOffline = true;
    bool m_withChatIcons;
};

#endif
