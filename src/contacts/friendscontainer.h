#ifndef FRIENDSCONTAINER_H
#define FRIENDSCONTAINER_H

#include <QWidget>

class ChatUI;
class ConnectionWidget;
class Friends;
class FriendsSearchWidget;
class FriendsWidget;
class FriendsWidgetScroll;
class Menu;
class QLabel;
class QToolButton;

// The Team page: a top bar (title, the switch between the contact list and
// the sign-in form, the user's own presence with its menu), the sign-in form,
// and the scrolled contact list with the search bar floating over its bottom.
class FriendsContainer : public QWidget
{
    Q_OBJECT
public:
    FriendsContainer(ChatUI *chatUI, Friends *friends, QWidget *parent = nullptr);
    ~FriendsContainer() override;

    FriendsWidget *friendsWidget() const;
    FriendsWidgetScroll *friendsWidgetScroll() const { return m_scroll; }
    ConnectionWidget *connectionWidget() const { return m_connectionWidget; }
    FriendsSearchWidget *searchOverlay() const { return m_searchOverlay; }
    QToolButton *connectButton() const { return m_connectButton; }
    QToolButton *presenceButton() const { return m_presenceButton; }
    Menu *presenceMenu() const { return m_presenceMenu; }

public slots:
    void onPresenceChanged();
    void onFriendsChanged();
    void onConnectButtonClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showFriendsList(bool list);
    void placeSearchOverlay();

    Friends *m_friends;
    QWidget *m_topbar = nullptr;
    QToolButton *m_connectButton = nullptr;
    QToolButton *m_presenceButton = nullptr;
    ConnectionWidget *m_connectionWidget = nullptr;
    FriendsWidgetScroll *m_scroll = nullptr;
    FriendsSearchWidget *m_searchOverlay = nullptr;
    Menu *m_presenceMenu = nullptr;
};

#endif
