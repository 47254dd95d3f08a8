#ifndef FRIENDSWIDGET_H
#define FRIENDSWIDGET_H

#include <QFrame>
#include <QList>

class ChatUI;
class FriendWidget;
class Friends;
class QVBoxLayout;

// The column of contact rows, sorted by nick, rebuilt whenever the contacts
// change. Two remembered options apply to every row (pictures, offline
// contacts), and the search bar's filter hides the rows that do not match.
class FriendsWidget : public QFrame
{
    Q_OBJECT
public:
    FriendsWidget(ChatUI *chatUI, Friends *friends, QWidget *parent = nullptr);
    ~FriendsWidget() override;

    QList<FriendWidget *> rows() const { return m_rows; }
    QString filter() const { return m_filter; }

    bool showAvatars() const { return m_showAvatars; }
    bool showOffline() const { return m_showOffline; }
    void setShowAvatars(bool show);
    void setShowOffline(bool show);

signals:
    // Either option changed.
    void optionsChanged();

public slots:
    void setFilter(const QString &filter);
    void onFriendsChanged();
    void onFriendWidgetInfoClicked(FriendWidget *row);
    void onFriendWidgetClickedToSelect(FriendWidget *row);

private:
    void clear();

    ChatUI *m_chatUI;
    Friends *m_friends;
    QVBoxLayout *m_layout;
    QList<FriendWidget *> m_rows;
    bool m_showAvatars = true;
    bool m_showOffline = true;
    // Kept so rows made by a rebuild are filtered like the ones they replace.
    QString m_filter;
};

#endif
