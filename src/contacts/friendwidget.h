#ifndef FRIENDWIDGET_H
#define FRIENDWIDGET_H

#include <QFrame>

class AvatarRef;
class ChatUI;
class PresenceIcon;
class PresenceLabel;
class QLabel;
class QToolButton;
class QVBoxLayout;
class StartChatAction;
class ToolButton;
class User;
class UserInfoWidget;

// One row of the contact list: name and nick, presence, picture, the chat
// and info buttons, and the contact's details when unfolded.
class FriendWidget : public QFrame
{
    Q_OBJECT
public:
    static const int avatarSize = 44;

    FriendWidget(ChatUI *chatUI, User *user, QWidget *parent = nullptr);
    ~FriendWidget() override;

    User *user() const { return m_user; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isInfoShown() const { return m_info != nullptr; }
    void setInfoShown(bool shown);
    void setShowAvatar(bool show);
    void setHideWhenOffline(bool hide);
    void setFilter(const QString &filter);
    // Whether the row passes the filter and the offline option.
    bool shouldBeVisible() const;

    QLabel *nameLabel() const { return m_nameLabel; }
    QLabel *avatarLabel() const { return m_avatarLabel; }
    QToolButton *chatButton() const { return m_chatButton; }
    QToolButton *infoButton() const { return m_infoButton; }
    ToolButton *collapseButton() const { return m_collapseButton; }
    UserInfoWidget *infoWidget() const { return m_info; }
    StartChatAction *startChatAction() const { return m_startChatAction; }

signals:
    void infoClicked(FriendWidget *row);
    void clickedToSelect(FriendWidget *row);

private slots:
    void onPresenceChanged();
    void onAvatarChanged();
    void onRemoveFriendActionTriggered();
    void onConnected();
    void onDisconnected();
    void onInfoButtonClicked();
    void onFieldsChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void restyle();
    void updateVisibility();

    ChatUI *m_chatUI;
    User *m_user;
    QString m_filter;
    bool m_hideWhenOffline = false;
    AvatarRef *m_avatar = nullptr;
    QVBoxLayout *m_outerLayout = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_avatarLabel = nullptr;
    QToolButton *m_chatButton = nullptr;
    QToolButton *m_infoButton = nullptr;
    ToolButton *m_collapseButton = nullptr;
    UserInfoWidget *m_info = nullptr;
    StartChatAction *m_startChatAction = nullptr;
    bool m_selected = false;
};

#endif
