#ifndef BASEFRIENDSCONTAINER_H
#define BASEFRIENDSCONTAINER_H

#include <QPointer>
#include <QWidget>

class BaseFriendsWidget;
class BaseFriendsWidgetScroll;
class ChatUI;
#include "contacts/friends.h"
class FriendsSearchWidget;
class QVBoxLayout;

// Outer widget of a user picker: the scrolled rows and a search field that
// floats over the bottom while the rows need scrolling or a filter is typed.
class BaseFriendsContainer : public QWidget
{
    Q_OBJECT
public:
    BaseFriendsContainer(ChatUI *chatUI, Friends *friends, bool withChatIcons, QWidget *parent = nullptr);

    virtual void createContents(bool withSearch);

    BaseFriendsWidget *friendsWidget() const { return m_friendsWidget; }
    BaseFriendsWidgetScroll *scroll() const { return m_scroll; }
    FriendsSearchWidget *searchOverlay() const { return m_searchOverlay; }

protected slots:
    virtual void onFriendsChanged();
    void onScrollChangesToVisible();
    void onScrollChangesToHidden();
    void onFilterChanged(const QString &filter);

protected:
    virtual BaseFriendsWidget *createFriendsWidget(ChatUI *chatUI, Friends *friends);
    void resizeEvent(QResizeEvent *event) override;

    ChatUI *chatUI() const { return m_chatUI; }
    Friends *friends() const { return m_friends; }
    bool withChatIcons() const { return m_withChatIcons; }

private:
    ChatUI *m_chatUI;
    QPointer<Friends> m_friends;
    bool m_withChatIcons;
    QVBoxLayout *m_layout = nullptr;
    BaseFriendsWidgetScroll *m_scroll = nullptr;
    FriendsSearchWidget *m_searchOverlay = nullptr;
    BaseFriendsWidget *m_friendsWidget = nullptr;
};

#endif
